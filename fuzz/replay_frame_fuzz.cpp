// Decodes a request to send events again and its answer; a request read is
// written back to the same bytes, an answer's events lie within the input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ReplayFrame.h"

namespace {

void CheckRequest(const std::uint8_t* data, std::size_t size) {
  zelplatform::ReplayRequest request;
  if (!zelplatform::DecodeReplayRequest(data, size, request)) return;
  if (request.types.size() > zelplatform::kMaxReplayTypes || request.users.size() > zelplatform::kMaxReplayUsers)
    __builtin_trap();
  // The reserved bytes are not kept.
  if (data[5] != 0 || data[6] != 0 || data[7] != 0) return;
  const std::string again = zelplatform::EncodeReplayRequest(request);
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
}

void CheckAnswer(const std::uint8_t* data, std::size_t size) {
  zelplatform::ReplayAnswer answer;
  if (!zelplatform::DecodeReplayAnswer(data, size, answer)) return;
  const char* begin = reinterpret_cast<const char*>(data);
  for (const zelplatform::ReplayedEvent& event : answer.events) {
    if (event.data < begin || event.data + event.size > begin + size || event.position > answer.through)
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckRequest(data, size);
  CheckAnswer(data, size);
  return 0;
}
