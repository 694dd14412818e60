// Decodes the transport's call and reply frames.
#include <cstddef>
#include <cstdint>

#include "RpcFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zelplatform::CallFrame call;
  if (zelplatform::DecodeCall(data, size, call) && call.size > 0) (void)call.data[call.size - 1];
  zelplatform::ReplyFrame reply;
  if (zelplatform::DecodeReply(data, size, reply) && reply.size > 0) (void)reply.data[reply.size - 1];
  return 0;
}
