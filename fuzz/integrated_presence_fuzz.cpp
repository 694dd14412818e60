// Unpacks arbitrary bytes as an integrated presence query's call and reply,
// then packs the reply as the server would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTQueryIntegratedPresence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
