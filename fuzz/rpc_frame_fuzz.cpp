// Decodes the transport's call and reply frames; a v2 call header read is
// written back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

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
  // Flag bits other than "reply expected" are not kept; callers of this
  // version always read replies with positions.
  if ((data[5] & 2) == 0 || data[5] > 3) return;
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
  if (!zelplatform::DecodeReply(data, size, reply)) return 0;
  if (reply.size > 0) (void)reply.data[reply.size - 1];
  // A reply read is written again, with its position when it told one.
  if (data[5] != 0) return 0;
  TRPC rpc;
  rpc.SetRPCType(reply.rpcType);
  rpc.SetReturnCode(reply.returnCode);
  rpc.SetStatePosition(reply.state);
  rpc.SetReplyData(reply.data, reply.size);
  const std::string again = zelplatform::EncodeReply(reply.callId, rpc, true);
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
  return 0;
}
