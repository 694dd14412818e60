// Unpacks arbitrary bytes as an integrated presence query's call and reply,
// then packs the reply as the server would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "zelclnt/platform/TDiag.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

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

  ZelTQueryIntegratedPresence call;
  call.UnpackRpcCall(rpc);

  ZelTQueryIntegratedPresence reply;
  if (reply.UnpackRpcReply(rpc) == 0) {
    ZelTPresentity presentity;
    for (reply.GoToFirstRecord(); reply.IsCurrentRecordValid(); reply.GoToNextRecord())
      reply.GetCurrentRecord(presentity);
    TRPC again;
    reply.PackRpcReply(again);
  }
  return 0;
}
