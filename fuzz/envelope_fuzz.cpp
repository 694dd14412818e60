// Unpacks arbitrary bytes as the call data and as the reply data of a request.
#include <cstddef>
#include <cstdint>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/core/ZelTRequest.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TRPC.h"

namespace {

class FuzzRequest : public ZelTRequest {
 public:
  TPack& PackRequest(TPack& pack) override { return pack << static_cast<const ZelTRequest&>(*this) << m_text; }
  TPack& UnpackRequest(TPack& pack) override { return pack >> static_cast<ZelTRequest&>(*this) >> m_text; }
  unsigned short GetObjectType() const override { return 35099; }
  unsigned short GetRpcType() const override { return 35098; }
  unsigned short GetActionType() const override { return 1; }

 private:
  std::string m_text;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TRPC rpc;
  rpc.SetCallData(data, size);
  rpc.SetReplyData(data, size);

  FuzzRequest call;
  if (call.UnpackRpcCall(rpc) == 0) {
    TRPC echo;
    call.PackRpcReply(echo);
  }
  FuzzRequest reply;
  reply.UnpackRpcReply(rpc);
  (void)reply.RequestMode_ToString();
  return 0;
}
