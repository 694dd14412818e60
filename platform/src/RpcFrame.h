#pragma once
// The transport's framing of a call and of its reply, one ZeroMQ frame each.
//
// Call:  magic "ZCAL" (u32), version (u8), flags (u8, bit 0 reply expected),
//        RPC type (u16), call id (u64), call data.
// Reply: magic "ZRPL" (u32), version (u8), reserved (u8), RPC type (u16),
//        call id (u64), return code (i32), reply data.
// All little-endian. Decoding only looks at the bytes it is given.

#include <cstddef>
#include <cstdint>
#include <string>

class TRPC;

namespace zelplatform {

struct CallFrame {
  std::uint64_t callId = 0;
  std::uint16_t rpcType = 0;
  bool replyExpected = true;
  const char* data = nullptr;
  std::size_t size = 0;
};

struct ReplyFrame {
  std::uint64_t callId = 0;
  std::uint16_t rpcType = 0;
  std::int32_t returnCode = 0;
  const char* data = nullptr;
  std::size_t size = 0;
};

constexpr std::size_t kCallHeaderSize = 16;
constexpr std::size_t kReplyHeaderSize = 20;

std::string EncodeCall(std::uint64_t callId, const TRPC& rpc);
std::string EncodeReply(std::uint64_t callId, const TRPC& rpc);
// False when the bytes are no well-formed frame of that kind.
bool DecodeCall(const void* bytes, std::size_t size, CallFrame& frame);
bool DecodeReply(const void* bytes, std::size_t size, ReplyFrame& frame);

}  // namespace zelplatform
