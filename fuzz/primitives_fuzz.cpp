// Reads the primitive wire forms in an order the input's first byte picks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "zelclnt/platform/TPack.h"
#include "zelclnt/platform/TTimeStamp.h"

namespace {

void ReadOne(TPack& pack, unsigned kind) {
  switch (kind % 8) {
    case 0: { bool v = false; pack >> v; break; }
    case 1: { int v = 0; pack >> v; break; }
    case 2: { unsigned int v = 0; pack >> v; break; }
    case 3: { long v = 0; pack >> v; break; }
    case 4: { unsigned long v = 0; pack >> v; break; }
    case 5: { std::string v; pack >> v; break; }
    case 6: { TTimeStamp v(1); pack >> v; (void)v.GetDateTime(1, '/', ':', '.'); break; }
    default: { std::uint64_t v = 0; pack.RemoveFixed64(v); break; }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned order = data[0];
  TPack pack(data + 1, static_cast<unsigned long>(size - 1));
  for (unsigned step = 0; step < 64 && pack.Length() > 0; ++step) ReadOne(pack, order + step);
  return 0;
}
