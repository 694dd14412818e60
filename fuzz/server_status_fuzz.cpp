// Unpacks arbitrary bytes as a server status call and reply, then packs the
// record again as the server would.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/platform/TRPC.h"
#include "zelclnt/requests/ZelTServerStatus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
