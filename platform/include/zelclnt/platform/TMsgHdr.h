#pragma once
// The common library's request and reply headers.
//
// Request header, 16 bytes: version (u16), flags (u16), data size (u32),
// object type (u16), action type (u16), two reserved u16.
// Reply header, 22 bytes plus its text: version (u16), flags (u16), data size
// (u32), object type (u16), action type (u16), return type (u16), error type
// (i32), text (u32 length, bytes).
// A header is read whole or not at all; a field that does not fit its width
// is a packing error when written.

#include <cstdint>
#include <string>

#include "zelclnt/platform/CString.h"
#include "zelclnt/ZelExport.h"

class TPack;

class ZELCLNT_API TMsgRequestHdr {
 public:
  TMsgRequestHdr(unsigned short version, unsigned short flags, unsigned long dataSize, unsigned short objectType,
                 unsigned short actionType, unsigned short reserved1, unsigned short reserved2);
  TMsgRequestHdr(unsigned short version, unsigned short flags, unsigned short objectType, unsigned short actionType);

  static constexpr unsigned long kSize = 16;
  unsigned long SizeOfRequestHdrObj() const { return kSize; }

  unsigned short GetVersion() const { return m_version; }
  unsigned short GetFlags() const { return m_flags; }
  unsigned long GetDataSize() const { return m_dataSize; }
  unsigned short GetObjectType() const { return m_objectType; }
  unsigned short GetActionType() const { return m_actionType; }

 private:
  friend TPack& operator<<(TPack&, const TMsgRequestHdr&);
  friend TPack& operator>>(TPack&, TMsgRequestHdr&);

  std::uint16_t m_version;
  std::uint16_t m_flags;
  unsigned long m_dataSize;
  std::uint16_t m_objectType;
  std::uint16_t m_actionType;
  std::uint16_t m_reserved1;
  std::uint16_t m_reserved2;
};

class ZELCLNT_API TMsgReplyHdr {
 public:
  TMsgReplyHdr();
  TMsgReplyHdr(unsigned short version, unsigned short flags, unsigned long dataSize, unsigned short objectType,
               unsigned short actionType, unsigned short returnType, long errorType, const CString& text);

  static constexpr unsigned long kFixedSize = 22;
  void SetDataSize(unsigned long dataSize) { m_dataSize = dataSize; }
  unsigned long SizeOfReplyHdrObj() const { return kFixedSize + static_cast<unsigned long>(m_text.size()); }

  unsigned short GetVersion() const { return m_version; }
  unsigned long GetDataSize() const { return m_dataSize; }
  unsigned short GetObjectType() const { return m_objectType; }
  unsigned short GetActionType() const { return m_actionType; }
  unsigned short GetReturnType() const { return m_returnType; }
  long GetErrorType() const { return m_errorType; }
  const std::string& GetText() const { return m_text; }

 private:
  friend TPack& operator<<(TPack&, const TMsgReplyHdr&);
  friend TPack& operator>>(TPack&, TMsgReplyHdr&);

  std::uint16_t m_version = 0;
  std::uint16_t m_flags = 0;
  unsigned long m_dataSize = 0;
  std::uint16_t m_objectType = 0;
  std::uint16_t m_actionType = 0;
  std::uint16_t m_returnType = 0;
  long m_errorType = 0;
  std::string m_text;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const TMsgRequestHdr& header);
ZELCLNT_API TPack& operator>>(TPack& pack, TMsgRequestHdr& header);
ZELCLNT_API TPack& operator<<(TPack& pack, const TMsgReplyHdr& header);
ZELCLNT_API TPack& operator>>(TPack& pack, TMsgReplyHdr& header);
