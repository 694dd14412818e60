// What the C interface takes from outside as bytes and text: an event's
// bytes (any type, the type's whole range included) read for its text and
// user, and key text, each copied out into buffers of every small size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "QuietDiagnostics.h"
#include "zelclnt/zelclnt_c.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Mostly the server's types; sometimes any value at all.
  int type = 35000 + data[0] % 25;
  if (data[1] & 0x80) std::memcpy(&type, data, sizeof(std::uint16_t));
  const std::size_t bufferSize = data[2] % 64;
  const std::uint8_t* bytes = data + 3;
  const std::size_t length = size - 3;

  char buffer[64];
  const std::size_t whole = zel_event_text(type, bytes, length, data[1] & 1, buffer, bufferSize);
  if (bufferSize > 0 && std::strlen(buffer) != (whole < bufferSize ? whole : bufferSize - 1)) __builtin_trap();
  long user = 0;
  zel_event_user(type, bytes, length, &user);

  const std::string text(reinterpret_cast<const char*>(bytes), length);
  zel_curve_is_key(text.c_str());
  return 0;
}
