#include "zelclnt/core/ZelTRequest.h"

#include "ZelTextTable.h"
#include "zelclnt/diag/NuxDiagStream.h"
#include "zelclnt/platform/TMemory.h"
#include "zelclnt/platform/TMsgHdr.h"
#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TRPC.h"

namespace {

constexpr unsigned short kHeaderVersion = 11;

// One traced buffer for the length of one envelope.
class EnvelopeBuffer {
 public:
  explicit EnvelopeBuffer(unsigned long size) : m_size(size) {
    Bracket([&] { m_data = TMemory::GetSomeMemory(size, __LINE__, __FILE__); });
  }
  ~EnvelopeBuffer() {
    Bracket([&] { TMemory::FreeSomeMemory(m_data, __LINE__, __FILE__, 0); });
  }
  EnvelopeBuffer(const EnvelopeBuffer&) = delete;
  EnvelopeBuffer& operator=(const EnvelopeBuffer&) = delete;

  void* Data() const { return m_data; }
  unsigned long Size() const { return m_size; }

 private:
  template <typename F>
  static void Bracket(F&& action) {
    const bool traced = TMemory::GetTrace() != 0;
    if (traced) TMemory::LockIt();
    action();
    if (traced) TMemory::UnlockIt();
  }

  void* m_data = nullptr;
  unsigned long m_size;
};

std::string ObjectActionText(unsigned short objectType, unsigned short actionType) {
  return "Object:" + std::to_string(objectType) + "Action:" + std::to_string(actionType);
}

void WriteSevere(unsigned short line, const std::string& text) {
  NuxDiagStream::WriteDiag(TDiag::SEVR, line, __FILE__, text);
}

// Built only when a call could not be packed, and never the cause of an
// exception leaving the envelope.
void WritePackFailure(unsigned short line, unsigned short objectType, unsigned short actionType) noexcept {
  try {
    WriteSevere(line, "PackRpcRequest. " + ObjectActionText(objectType, actionType));
  } catch (...) {
  }
}

// The sizing pass and the writing pass must agree; bytes the second pass
// did not write would otherwise travel uninitialised.
void RequireFull(const TPack& pack, unsigned long expected) {
  if (pack.Length() != expected) throw TPackError("request body changed between sizing and writing");
}

}  // namespace

unsigned long TGenericRequest::PackRpcCallGeneric(TRPC& rpc, unsigned short rpcType, unsigned short objectType,
                                                  unsigned short actionType, bool replyRequired) {
  try {
    TPack pack(0);
    PackRequest(pack);
    const TMsgRequestHdr header(kHeaderVersion, 0, pack.BufferSizeRequired(), objectType, actionType, 0, 0);
    EnvelopeBuffer buffer(header.GetDataSize() + header.SizeOfRequestHdrObj());
    if (!buffer.Data()) {
      WritePackFailure(__LINE__, objectType, actionType);
      return ZelTPresenceServer::ERR_UNABLE_TO_ALLOCATE_MEM;
    }
    pack.SetBuffer(buffer.Data(), buffer.Size());
    pack << header;
    PackRequest(pack);
    RequireFull(pack, buffer.Size());
    rpc.SetRPCType(rpcType);
    rpc.SetCallData(pack.Contents(), pack.Length());
    rpc.SetReplyExpected(replyRequired ? 1 : 0);
    return ZelTPresenceServer::ERR_NONE;
  } catch (...) {
    WritePackFailure(__LINE__, objectType, actionType);
    return ZelTPresenceServer::ERR_EXCEPTION_OCCURRED;
  }
}

// Packed straight into the reply's own storage: the bytes are written once.
unsigned long TGenericRequest::PackRpcReplyGeneric(TRPC& rpc, unsigned short objectType, unsigned short actionType,
                                                   unsigned short returnType, unsigned short errorType) {
  if (!rpc.GetReplyExpected()) return ZelTPresenceServer::ERR_NONE;
  try {
    TMsgReplyHdr header(kHeaderVersion, 0, 0, objectType, actionType, returnType, errorType, CString());
    TPack pack(0);
    PackRequest(pack);
    header.SetDataSize(pack.BufferSizeRequired());
    const unsigned long size = header.SizeOfReplyHdrObj() + pack.BufferSizeRequired();
    char* into = rpc.ReserveReply(size);
    if (!into) {
      WriteSevere(__LINE__, ObjectActionText(objectType, actionType));
      return ZelTPresenceServer::ERR_UNABLE_TO_ALLOCATE_MEM;
    }
    pack.SetBuffer(into, size);
    pack << header;
    PackRequest(pack);
    RequireFull(pack, size);
    return ZelTPresenceServer::ERR_NONE;
  } catch (...) {
    // Half a reply must not travel.
    rpc.ReserveReply(0);
    return ZelTPresenceServer::ERR_EXCEPTION_OCCURRED;
  }
}

unsigned long TGenericRequest::UnpackRpcCallGeneric(const TRPC& rpc) {
  TPack pack(rpc.GetCallPointer(), rpc.GetCallSize());
  TMsgRequestHdr header(kHeaderVersion, 0, 0, 0);
  pack >> header;
  // Without a whole header there is no body to read: the bytes are not one.
  if (pack.Length() + header.SizeOfRequestHdrObj() == rpc.GetCallSize()) UnpackRequest(pack);
  return ZelTPresenceServer::ERR_NONE;
}

unsigned long TGenericRequest::UnpackRpcReplyGeneric(const TRPC& rpc) {
  TPack pack(rpc.GetReplyPointer(), rpc.GetReplySize());
  TMsgReplyHdr header;
  pack >> header;
  if (pack.Length() + header.SizeOfReplyHdrObj() == rpc.GetReplySize()) UnpackRequest(pack);
  return ZelTPresenceServer::ERR_NONE;
}

TPack& operator<<(TPack& pack, const TGenericRequest& request) { return pack << request.m_replyRequired; }

TPack& operator>>(TPack& pack, TGenericRequest& request) { return pack >> request.m_replyRequired; }

unsigned long ZelTRequest::PackRpcCall(TRPC& rpc) {
  return PackRpcCallGeneric(rpc, GetRpcType(), GetObjectType(), GetActionType(), IsReplyRequired());
}

unsigned long ZelTRequest::UnpackRpcCall(const TRPC& rpc) { return UnpackRpcCallGeneric(rpc); }

unsigned long ZelTRequest::PackRpcReply(TRPC& rpc) {
  return PackRpcReplyGeneric(rpc, GetObjectType(), GetActionType(), GetReturnType(), GetErrorType());
}

unsigned long ZelTRequest::UnpackRpcReply(const TRPC& rpc) { return UnpackRpcReplyGeneric(rpc); }

std::string ZelTRequest::ToString(RequestMode mode) {
  static constexpr ZelTextEntry kModeTexts[] = {
      {REQUESTMODE_DEFAULT, "REQUESTMODE_DEFAULT"},
      {REQUESTMODE_ASYNC, "REQUESTMODE_ASYNC"},
      {REQUESTMODE_SYNC, "REQUESTMODE_SYNC"},
  };
  if (const char* text = ZelFindText(kModeTexts, mode)) return text;
  return "Unknown RequestMode{" + std::to_string(static_cast<std::int32_t>(mode)) + "}";
}

TPack& ZelTRequest::PackCommonPart(TPack& pack, ZelTPresenceServer::ActionResult result) const {
  pack << static_cast<const TGenericRequest&>(*this);
  return pack << result << m_errorCode << m_requestMode;
}

TPack& operator<<(TPack& pack, const ZelTRequest& request) {
  return request.PackCommonPart(pack, request.m_actionResult);
}

TPack& operator>>(TPack& pack, ZelTRequest& request) {
  pack >> static_cast<TGenericRequest&>(request);
  return pack >> request.m_actionResult >> request.m_errorCode >> request.m_requestMode;
}

TPack& operator<<(TPack& pack, ZelTRequest::RequestMode mode) { return PackEnum32(pack, mode); }

TPack& operator>>(TPack& pack, ZelTRequest::RequestMode& mode) { return UnpackEnum32(pack, mode); }
