#pragma once
// The transport's framing of a call and of its reply, one ZeroMQ frame each.
//
// Call v2: magic "ZCAL" (u32), version 2 (u8), flags (u8: bit 0 reply
//          expected, bit 1 the caller reads reply v2), RPC type (u16), call
//          id (u64), milliseconds the caller still waits (u32, 0: no
//          deadline), call data.
// Call v1: the same without the remaining time (16-byte header); still read.
// Reply v1: magic "ZRPL" (u32), version 1 (u8), reserved (u8), RPC type
//          (u16), call id (u64), return code (i32), reply data.
// Reply v2: the same with version 2 and, before the reply data, the event
//          position the reply reflects: publisher incarnation (u64) and
//          position (u64). Sent only to a caller that reads it, and only
//          when the server told a position.
// All little-endian. Decoding only looks at the bytes it is given.

#include <cstddef>
#include <cstdint>
#include <string>

#include "zelclnt/platform/TEventPosition.h"

class TRPC;

namespace zelplatform {

struct CallFrame {
  std::uint64_t callId = 0;
  std::uint16_t rpcType = 0;
  bool replyExpected = true;
  bool readsPosition = false;
  // Milliseconds the caller still waited when it sent; 0 for none.
  std::uint32_t remainingMs = 0;
  const char* data = nullptr;
  std::size_t size = 0;
};

struct ReplyFrame {
  std::uint64_t callId = 0;
  std::uint16_t rpcType = 0;
  std::int32_t returnCode = 0;
  TEventPosition state;
  const char* data = nullptr;
  std::size_t size = 0;
};

constexpr std::size_t kCallHeaderSizeV1 = 16;
constexpr std::size_t kCallHeaderSizeV2 = 20;
constexpr std::size_t kReplyHeaderSize = 20;
constexpr std::size_t kReplyHeaderSizeV2 = 36;

// Writes the 20-byte v2 header into `into` (REQUIRES room for 20 bytes); the
// caller reads reply v2.
void WriteCallHeader(char* into, std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs);
// A whole v2 call frame: header and the call data.
std::string EncodeCall(std::uint64_t callId, const TRPC& rpc, std::uint32_t remainingMs = 0);
// v2 when the caller reads it and rpc has a known state position.
std::string EncodeReply(std::uint64_t callId, const TRPC& rpc, bool callerReadsPosition);
// False when the bytes are no well-formed frame of that kind.
bool DecodeCall(const void* bytes, std::size_t size, CallFrame& frame);
bool DecodeReply(const void* bytes, std::size_t size, ReplyFrame& frame);

}  // namespace zelplatform
