// Decodes the transport's call and reply frames; a v2 call header read is
// written back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "RpcFrame.h"
#include "zelclnt/platform/TRPC.h"

namespace {

void CheckCall(const std::uint8_t* data, std::size_t size) {
  zelplatform::CallFrame call;
  if (!zelplatform::DecodeCall(data, size, call)) return;
  const std::size_t header = size - call.size;
  if (call.data != reinterpret_cast<const char*>(data) + header) __builtin_trap();
  if (header == zelplatform::kCallHeaderSizeV1) {
    if (call.remainingMs != 0) __builtin_trap();
    return;
  }
  if (header != zelplatform::kCallHeaderSizeV2) __builtin_trap();
  // Flag bits other than "reply expected" are not kept.
  if (data[5] > 1) return;
  TRPC rpc;
  rpc.SetRPCType(call.rpcType);
  rpc.SetReplyExpected(call.replyExpected ? 1 : 0);
  char written[zelplatform::kCallHeaderSizeV2];
  zelplatform::WriteCallHeader(written, call.callId, rpc, call.remainingMs);
  if (std::memcmp(written, data, sizeof written) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckCall(data, size);
  zelplatform::ReplyFrame reply;
  if (zelplatform::DecodeReply(data, size, reply) && reply.size > 0) (void)reply.data[reply.size - 1];
  return 0;
}
