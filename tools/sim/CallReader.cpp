#include "CallReader.h"

#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TPack.h"

namespace zelsim {
namespace {

constexpr unsigned short kHeaderVersion = 11;

// A reply whose body is the common part alone, for calls of any type.
class BareReply : public ZelTRequest {
 public:
  explicit BareReply(unsigned short objectType) : m_objectType(objectType) {}
  TPack& PackRequest(TPack& pack) override { return pack << static_cast<const ZelTRequest&>(*this); }
  TPack& UnpackRequest(TPack& pack) override { return pack >> static_cast<ZelTRequest&>(*this); }
  unsigned short GetObjectType() const override { return m_objectType; }
  unsigned short GetRpcType() const override { return m_objectType; }
  unsigned short GetActionType() const override { return 0; }

 private:
  unsigned short m_objectType;
};

bool HeaderFits(const TRPC& rpc, unsigned short objectType) {
  TPack pack(rpc.GetCallPointer(), rpc.GetCallSize());
  TMsgRequestHdr header(kHeaderVersion, 0, 0, 0);
  pack >> header;
  return rpc.GetCallSize() >= TMsgRequestHdr::kSize && header.GetDataSize() == pack.Length() &&
         header.GetObjectType() == objectType && rpc.GetRPCType() == objectType;
}

}  // namespace

bool ReadCall(const TRPC& rpc, ZelTRequest& request) {
  if (!HeaderFits(rpc, request.GetObjectType())) return false;
  request.UnpackRpcCall(rpc);
  TPack sizing(0);
  try {
    request.PackRequest(sizing);
  } catch (const TPackError&) {
    return false;
  }
  return sizing.BufferSizeRequired() == rpc.GetCallSize() - TMsgRequestHdr::kSize;
}

void SetOutcome(ZelTRequest& reply, ZelTPresenceServer::ErrorCode error) {
  reply.SetActionResult(error == ZelTPresenceServer::ERR_NONE ? ZelTPresenceServer::ACTION_SUCCEEDED
                                                              : ZelTPresenceServer::ACTION_NOT_CARRIED_OUT);
  reply.SetActionError(error);
}

void AnswerInvalidData(TRPC& rpc) {
  BareReply reply(rpc.GetRPCType());
  SetOutcome(reply, ZelTPresenceServer::ERR_INVALID_DATA);
  reply.PackRpcReply(rpc);
}

}  // namespace zelsim
