// Decodes the transport's event header and heartbeat body; a header read
// is written back to the same fields.
#include <cstddef>
#include <cstdint>

#include "EventFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zelplatform::EventHeader header;
  if (zelplatform::DecodeEventHeader(data, size, header)) {
    const zelplatform::EventHeaderBytes bytes = zelplatform::EncodeEventHeader(header);
    zelplatform::EventHeader again;
    if (!zelplatform::DecodeEventHeader(bytes.data(), bytes.size(), again) || again.eventType != header.eventType ||
        again.incarnation != header.incarnation || again.sequence != header.sequence)
      __builtin_trap();
  }
  zelplatform::LastSequences entries;
  if (zelplatform::DecodeHeartbeat(data, size, entries) && entries.size() > zelplatform::kMaxHeartbeatEntries)
    __builtin_trap();
  return 0;
}
