#include "zelclnt/platform/TMsgHdr.h"

#include "zelclnt/platform/TPack.h"

TMsgRequestHdr::TMsgRequestHdr(unsigned short version, unsigned short flags, unsigned long dataSize,
                               unsigned short objectType, unsigned short actionType, unsigned short reserved1,
                               unsigned short reserved2)
    : m_version(version),
      m_flags(flags),
      m_dataSize(dataSize),
      m_objectType(objectType),
      m_actionType(actionType),
      m_reserved1(reserved1),
      m_reserved2(reserved2) {}

TMsgRequestHdr::TMsgRequestHdr(unsigned short version, unsigned short flags, unsigned short objectType,
                               unsigned short actionType)
    : TMsgRequestHdr(version, flags, 0, objectType, actionType, 0, 0) {}

TMsgReplyHdr::TMsgReplyHdr() = default;

TMsgReplyHdr::TMsgReplyHdr(unsigned short version, unsigned short flags, unsigned long dataSize,
                           unsigned short objectType, unsigned short actionType, unsigned short returnType,
                           long errorType, const CString& text)
    : m_version(version),
      m_flags(flags),
      m_dataSize(dataSize),
      m_objectType(objectType),
      m_actionType(actionType),
      m_returnType(returnType),
      m_errorType(errorType),
      m_text(text.str()) {}

TPack& operator<<(TPack& pack, const TMsgRequestHdr& header) {
  pack.AppendFixed16(header.m_version);
  pack.AppendFixed16(header.m_flags);
  pack << header.m_dataSize;
  pack.AppendFixed16(header.m_objectType);
  pack.AppendFixed16(header.m_actionType);
  pack.AppendFixed16(header.m_reserved1);
  pack.AppendFixed16(header.m_reserved2);
  return pack;
}

TPack& operator>>(TPack& pack, TMsgRequestHdr& header) {
  if (!pack.CanRemove(TMsgRequestHdr::kSize)) return pack;
  pack.RemoveFixed16(header.m_version);
  pack.RemoveFixed16(header.m_flags);
  pack >> header.m_dataSize;
  pack.RemoveFixed16(header.m_objectType);
  pack.RemoveFixed16(header.m_actionType);
  pack.RemoveFixed16(header.m_reserved1);
  pack.RemoveFixed16(header.m_reserved2);
  return pack;
}

TPack& operator<<(TPack& pack, const TMsgReplyHdr& header) {
  pack.AppendFixed16(header.m_version);
  pack.AppendFixed16(header.m_flags);
  pack << header.m_dataSize;
  pack.AppendFixed16(header.m_objectType);
  pack.AppendFixed16(header.m_actionType);
  pack.AppendFixed16(header.m_returnType);
  pack << header.m_errorType;
  pack << header.m_text;
  return pack;
}

TPack& operator>>(TPack& pack, TMsgReplyHdr& header) {
  if (!pack.CanRemove(TMsgReplyHdr::kFixedSize)) return pack;
  // The text length sits in the last four bytes of the fixed part.
  TPack peek(pack.Contents() + TMsgReplyHdr::kFixedSize - 4, 4);
  unsigned long textLength = 0;
  peek >> textLength;
  if (!pack.CanRemove(TMsgReplyHdr::kFixedSize + static_cast<std::size_t>(textLength))) return pack;
  pack.RemoveFixed16(header.m_version);
  pack.RemoveFixed16(header.m_flags);
  pack >> header.m_dataSize;
  pack.RemoveFixed16(header.m_objectType);
  pack.RemoveFixed16(header.m_actionType);
  pack.RemoveFixed16(header.m_returnType);
  pack >> header.m_errorType;
  pack >> header.m_text;
  return pack;
}
