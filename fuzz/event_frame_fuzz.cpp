// Decodes the transport's event header and heartbeat body; a header read
// is written back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "EventFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zelplatform::EventHeader header;
  // Flag bits other than the standby one, and the reserved bytes, are not kept.
  if (zelplatform::DecodeEventHeader(data, size, header) && data[17] <= 1 && data[18] == 0 && data[19] == 0) {
    const zelplatform::EventHeaderBytes bytes = zelplatform::EncodeEventHeader(header);
    if (std::memcmp(bytes.data(), data, bytes.size()) != 0) __builtin_trap();
  }
  zelplatform::TypeMarks entries;
  if (zelplatform::DecodeHeartbeat(data, size, entries) && entries.size() > zelplatform::kMaxHeartbeatEntries)
    __builtin_trap();
  return 0;
}
