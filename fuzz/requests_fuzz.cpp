// Reads arbitrary bytes as the calls and replies of the medium-status query
// and of both capability requests, then texts and packs again what was read.
#include <cstddef>
#include <cstdint>

#include "QuietDiagnostics.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTCapabilityRequest.h"
#include "zelclnt/requests/ZelTQueryUserMediumStatus.h"

namespace {

template <typename Request>
Request ReadBoth(const TRPC& rpc) {
  Request call;
  call.UnpackRpcCall(rpc);
  Request reply;
  reply.UnpackRpcReply(rpc);
  TRPC again;
  reply.PackRpcReply(again);
  return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TRPC rpc;
  rpc.SetCallData(data, size);
  rpc.SetReplyData(data, size);
  (void)ReadBoth<ZelTQueryUserMediumStatus>(rpc).ToString();
  (void)ReadBoth<ZelTAddCapability>(rpc).GetCapabilityType();
  (void)ReadBoth<ZelTRemoveCapability>(rpc).GetParameters();

  TPack body;
  body << true << 0 << 0 << 0 << 1;
  body.Append(data, size);
  ZelTQueryUserMediumStatus steered;
  TPack reader(body.Contents(), body.Length());
  steered.UnpackRequest(reader);
  (void)steered.ToString();
  return 0;
}
