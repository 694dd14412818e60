#pragma once
// The transport's framing of a call and of its reply, one ZeroMQ frame each.
//
// Call v2: magic "ZCAL" (u32), version 2 (u8), flags (u8: bit 0 reply
//          expected, bit 1 the caller reads reply v2, bit 2 the caller
//          calls a list of servers and reads reply v3), RPC type (u16), call
//          id (u64), milliseconds the caller still waits (u32, 0: no
//          deadline), call data.
// Call v3: v2 and, before the call data, the highest term the caller has
//          seen from its list (u64). Sent only once it knows one.
// Call v1: the same without the remaining time (16-byte header); still read.
// Reply v1: magic "ZRPL" (u32), version 1 (u8), flags (u8: bit 0 the server
//          does not serve, bit 1 it is shutting down), RPC type (u16), call
//          id (u64), return code (i32), reply data.
// Reply v2: the same with version 2 and, before the reply data, the event
//          position the reply reflects: publisher incarnation (u64) and
//          position (u64). Sent only to a caller that reads it, and only
//          when the server told a position.
// Reply v3: the same as v2 with version 3, the position 0 and 0 when none
//          is told, then the server's term (u64). Sent to every caller
//          that reads it.
// All little-endian. Decoding only looks at the bytes it is given.

#include <cstddef>
#include <cstdint>
#include <string>

#include "zelclnt/platform/TEventPosition.h"
#include "zelclnt/platform/TServerRole.h"

class TRPC;

namespace zelplatform {

// How a caller of a list of servers frames its calls: it reads the role
// and term of whoever answers, and tells the highest term it knows (none:
// a v2 frame, which servers of every version read).
struct ListCall {
  bool member = false;
  std::uint64_t term = 0;
};

struct CallFrame {
  std::uint64_t callId = 0;
  std::uint16_t rpcType = 0;
  bool replyExpected = true;
  bool readsPosition = false;
  bool readsRole = false;
  // Milliseconds the caller still waited when it sent; 0 for none.
  std::uint32_t remainingMs = 0;
  // The highest term the caller has seen; 0 for none.
  std::uint64_t term = 0;
  const char* data = nullptr;
  std::size_t size = 0;
};

struct ReplyFrame {
  std::uint64_t callId = 0;
  std::uint16_t rpcType = 0;
  std::int32_t returnCode = 0;
  TEventPosition state;
  // From the flags: Serving, Standby (for standby and handing over) or
  // ShuttingDown.
  TServerRole role = TServerRole::Serving;
  std::uint64_t term = 0;
  const char* data = nullptr;
  std::size_t size = 0;
};

constexpr std::size_t kCallHeaderSizeV1 = 16;
constexpr std::size_t kCallHeaderSizeV2 = 20;
constexpr std::size_t kCallHeaderSizeV3 = 28;
constexpr std::size_t kReplyHeaderSize = 20;
constexpr std::size_t kReplyHeaderSizeV2 = 36;
constexpr std::size_t kReplyHeaderSizeV3 = 44;

std::size_t CallHeaderSize(const ListCall& list);
// Writes the header (REQUIRES room for CallHeaderSize(list) bytes); the
// caller reads reply v2.
void WriteCallHeader(char* into, std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs,
                     const ListCall& list = {});
// A whole call frame: header and the call data.
std::string EncodeCall(std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs = 0,
                       const ListCall& list = {});
// v3 when the caller reads it, else v2 when it reads positions and rpc has
// a known state position, else v1. The flags tell rpc's server role.
std::string EncodeReply(std::uint64_t callId, const TRPC& rpc, bool callerReadsPosition, bool callerReadsRole = false);
// The header EncodeReply puts before the reply data, for a reply framed in
// the message that carries it: its size, and the header itself (REQUIRES
// room for ReplyHeaderSize bytes).
std::size_t ReplyHeaderSize(const TRPC& rpc, bool callerReadsPosition, bool callerReadsRole);
void WriteReplyHeader(char* into, std::uint64_t callId, const TRPC& rpc, bool callerReadsPosition,
                      bool callerReadsRole);
// False when the bytes are no well-formed frame of that kind.
bool DecodeCall(const void* bytes, std::size_t size, CallFrame& frame);
bool DecodeReply(const void* bytes, std::size_t size, ReplyFrame& frame);

}  // namespace zelplatform
