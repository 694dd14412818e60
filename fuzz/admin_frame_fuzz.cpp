// Reads the simulator's hand-over calls and answers; one read is written
// back to the same bytes, and no text is longer than the bound.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "AdminFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zelsim::AdminCall call;
  // Reserved bytes are not kept.
  if (zelsim::DecodeAdminCall(data, size, call) && data[5] == 0 && data[6] == 0 && data[7] == 0) {
    const std::string again = zelsim::EncodeAdminCall(call);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
  }
  zelsim::AdminAnswer answer;
  if (!zelsim::DecodeAdminAnswer(data, size, answer)) return 0;
  if (answer.text.size() > zelsim::kMaxAdminText) __builtin_trap();
  if (data[6] != 0 || data[7] != 0) return 0;
  const std::string again = zelsim::EncodeAdminAnswer(answer);
  if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
  return 0;
}
