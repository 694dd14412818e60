// Reads arbitrary bytes as a user-presence reply: as the fields after a head
// whose action and result the first two bytes pick, and as a whole reply.
// Then texts the record in every summary type and packs it again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"

namespace {

void Exercise(ZelTUserPresence& user) {
  for (const auto type : {ZelTUserPresence::SUMMARY_FULL, ZelTUserPresence::SUMMARY_USER_INFO,
                          ZelTUserPresence::SUMMARY_RPC_INFORMATION})
    (void)user.UserPresenceToString(true, true, true, type);
  long queueKey = 0;
  long sqNum = 0;
  std::list<long> reasons;
  user.GetSubmitWrapupInfo(queueKey, sqNum, reasons);
  (void)user.HasNailUpCall();
  TPack writer;
  user.PackRequest(writer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TDiag::SetFilter(TDiag::INFO, size > 0 && (data[0] & 0x80));
  const std::size_t picks = std::min<std::size_t>(size, 2);
  TPack body;
  body << true << (size > 1 ? data[1] % 2 : 0) << 0 << 0 << (size > 0 ? data[0] % 12 : 0) << 42L
       << std::string("agent7");
  body.Append(data + picks, size - picks);
  ZelTUserPresence steered;
  TPack reader(body.Contents(), body.Length());
  steered.UnpackRequest(reader);
  Exercise(steered);

  TRPC rpc;
  rpc.SetReplyData(data, size);
  ZelTUserPresence reply;
  reply.UnpackRpcReply(rpc);
  Exercise(reply);
  return 0;
}
