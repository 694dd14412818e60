// Unpacks arbitrary bytes as a server status call and reply, then packs the
// record again as the server would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTServerStatus.h"

namespace {

const bool kQuiet = [] {
  TDiag::SetSink([](TDiag::enDiagType, unsigned short, const std::string&, const std::string&) {});
  return true;
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)kQuiet;
  TRPC rpc;
  rpc.SetCallData(data, size);
  rpc.SetReplyData(data, size);

  ZelTServerStatus call;
  call.UnpackRpcCall(rpc);

  ZelTServerStatus reply;
  if (reply.UnpackRpcReply(rpc) == 0) {
    (void)reply.IsUp();
    (void)reply.GetAddress();
    TRPC again;
    reply.PackRpcReply(again);
  }
  return 0;
}
