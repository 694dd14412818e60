// Decodes the transport's call and reply frames; a call header read is
// written back to the same bytes, and so is a reply.
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
    if (call.remainingMs != 0 || call.term != 0 || call.readsRole) __builtin_trap();
    return;
  }
  if (header != zelplatform::kCallHeaderSizeV2 && header != zelplatform::kCallHeaderSizeV3) __builtin_trap();
  if (header == zelplatform::kCallHeaderSizeV2 && call.term != 0) __builtin_trap();
  // Other flag bits are not kept; callers of this version always read
  // replies with positions, and tell a term only as callers of a list.
  if ((data[5] & 2) == 0 || data[5] > 7 || (header == zelplatform::kCallHeaderSizeV3) != (call.term != 0) ||
      (call.term != 0 && !call.readsRole))
    return;
  TRPC rpc;
  rpc.SetRPCType(call.rpcType);
  rpc.SetReplyExpected(call.replyExpected ? 1 : 0);
  char written[zelplatform::kCallHeaderSizeV3];
  const zelplatform::ListCall list{call.readsRole, call.term};
  zelplatform::WriteCallHeader(written, call.callId, rpc, call.remainingMs, list);
  if (zelplatform::CallHeaderSize(list) != header || std::memcmp(written, data, header) != 0) __builtin_trap();
}

void CheckReply(const std::uint8_t* data, std::size_t size) {
  zelplatform::ReplyFrame reply;
  if (!zelplatform::DecodeReply(data, size, reply)) return;
  if (reply.size > 0) (void)reply.data[reply.size - 1];
  // Flags that tell no role of their own are not kept.
  if (data[5] != 0 && data[5] != 1 && data[5] != 3) return;
  const bool v3 = data[4] == 3;
  // A v2 reply exists only with a position, which a v3 reply may lack.
  TRPC rpc;
  rpc.SetRPCType(reply.rpcType);
  rpc.SetReturnCode(reply.returnCode);
  rpc.SetStatePosition(reply.state);
  rpc.SetServerRole(reply.role);
  rpc.SetServerTerm(reply.term);
  rpc.SetReplyData(reply.data, reply.size);
  if (!v3 && data[4] == 1 && reply.state.IsKnown()) __builtin_trap();
  const std::string again = zelplatform::EncodeReply(reply.callId, rpc, true, v3);
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckCall(data, size);
  CheckReply(data, size);
  return 0;
}
