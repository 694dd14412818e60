#pragma once
// A user's record as the bridge keeps it in the key-value bucket: the event
// position it reflects, then the record as a users query carries it.
//
//   "ZUR1"  incarnation (8 bytes)  position (8 bytes)  length (4 bytes)  record (length bytes)
//
// Numbers are little-endian, as everywhere on the wire. A late consumer
// reads the bucket, then the stream after the positions the records
// reflect. Reading looks only at the bytes given and refuses anything but
// one whole value: a wrong mark, a length other than what follows, a
// record that is cut short or leaves bytes over.

#include <cstddef>
#include <optional>
#include <string>

#include "zelclnt/core/ZelTUserPresence.h"
#include "zelclnt/platform/TEventPosition.h"

namespace zelbridge {

struct StoredRecord {
  TEventPosition at;
  ZelTUserPresence user;
};

std::string EncodeRecord(const ZelTUserPresence& user, const TEventPosition& at);
std::optional<StoredRecord> DecodeRecord(const void* data, std::size_t size);

}  // namespace zelbridge
