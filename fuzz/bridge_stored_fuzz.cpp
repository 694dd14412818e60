// Reads arbitrary bytes as the bridge reads what NATS hands back: a stored
// record from the key-value bucket, and the headers of a stored message
// that name its place (the bytes split at the first NUL into the two
// header values).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "QuietDiagnostics.h"
#include "StoredRecord.h"
#include "Subjects.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto stored = zelbridge::DecodeRecord(data, size);
  if (stored) {
    // What was read is written again in a form that reads back.
    const std::string again = zelbridge::EncodeRecord(stored->user, stored->at);
    const auto back = zelbridge::DecodeRecord(again.data(), again.size());
    if (!back || back->at != stored->at || back->user.GetUserKey() != stored->user.GetUserKey()) __builtin_trap();
  }

  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::size_t split = text.find('\0');
  const std::string incarnation = text.substr(0, split);
  const std::string position = split == std::string::npos ? std::string() : text.substr(split + 1);
  const auto place = zelbridge::PlaceOf(incarnation.c_str(), position.c_str());
  if (place && zelbridge::MessageId(*place) != std::to_string(place->incarnation) + "-" + std::to_string(place->position))
    __builtin_trap();
  return 0;
}
