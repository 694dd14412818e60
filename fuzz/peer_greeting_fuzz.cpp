// Judges what a peer that hung up during the handshake said first: any
// bytes at all, however few, read no further than they go.
#include <cstddef>
#include <cstdint>
#include <string>

#include "PeerProbe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string said(reinterpret_cast<const char*>(data), size);
  const zelplatform::FirstWords words = zelplatform::FirstWordsOf(said);
  const bool zeroMq = size > 0 && data[0] == 0xFF;
  if ((words == zelplatform::FirstWords::None) != (size == 0)) __builtin_trap();
  if ((words == zelplatform::FirstWords::Foreign) != (size > 0 && !zeroMq)) __builtin_trap();
  if (words == zelplatform::FirstWords::ZeroMqCurve && said.compare(12, 6, std::string("CURVE\0", 6)) != 0)
    __builtin_trap();
  return 0;
}
