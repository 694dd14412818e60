#pragma once
// The transport's framing of a published event: two ZeroMQ frames, this
// header and then the event's bytes.
//
// Header (28 bytes): event type (i32), magic "ZEVT" (u32), version (u8),
// reserved (u8, u16), publisher incarnation (u64), sequence (u64). All
// little-endian. The type comes first so that its 4 bytes are the prefix a
// subscriber filters on. Sequences count per event type from 1, since a
// subscriber sees only the types it asked for.
//
// Type 0 is the publisher's heartbeat. Its body lists, for each type the
// publisher has sent, the type (i32) and its last sequence (u64), so that a
// receiver also learns of losses at the end of a burst.
//
// Decoding only looks at the bytes it is given and returns false for bytes
// that are no well-formed header or heartbeat body.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zelplatform {

constexpr std::int32_t kHeartbeatType = 0;
constexpr std::size_t kEventHeaderSize = 28;
// A heartbeat body entry: type and last sequence.
constexpr std::size_t kHeartbeatEntrySize = 12;
// Entries a receiver reads from one heartbeat; the rest are ignored.
constexpr std::size_t kMaxHeartbeatEntries = 1024;

struct EventHeader {
  std::int32_t eventType = 0;
  std::uint64_t incarnation = 0;
  std::uint64_t sequence = 0;
};

using EventHeaderBytes = std::array<char, kEventHeaderSize>;
using LastSequences = std::vector<std::pair<std::int32_t, std::uint64_t>>;

// The 4 bytes a subscription to one event type filters on.
std::string EventTypePrefix(std::int32_t eventType);

EventHeaderBytes EncodeEventHeader(const EventHeader& header);
// False unless the bytes are exactly one header of this version, with a
// nonzero incarnation and sequence.
bool DecodeEventHeader(const void* bytes, std::size_t size, EventHeader& header);

std::string EncodeHeartbeat(const std::map<std::int32_t, std::uint64_t>& lastSequences);
// Replaces entries with at most kMaxHeartbeatEntries pairs; false when the
// body is not a whole number of entries.
bool DecodeHeartbeat(const void* bytes, std::size_t size, LastSequences& entries);

}  // namespace zelplatform
