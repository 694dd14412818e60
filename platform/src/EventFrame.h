#pragma once
// The transport's framing of a published event: two ZeroMQ frames, a header
// and then the event's bytes.
//
// Header (52 bytes): magic "ZEVP" (4 ASCII bytes), event type (i32), user
// key (i64; kNoUser for an event about no user), version (u8), flags (u8:
// bit 0 the publisher's server stands by), reserved (u16), publisher incarnation (u64), position (u64), position of
// the previous event of the same type (u64), position of the previous event
// about the same user (u64); 0 where there is none. All little-endian.
// Magic, type and user come first: they are the prefixes a subscriber
// filters on, so that the publisher sends a receiver only the types and
// users it named. Positions count all the publisher's events from 1; a
// receiver that sees a previous position it never received knows that an
// event of its own was lost, whatever it filters on.
//
// Type 0 is the heartbeat: its position is the last one published, its body
// lists, for each type published so far, the type (i32) and the position of
// its last event (u64), so that a receiver also learns of losses at the end
// of a burst.
//
// Receivers of the earlier version subscribe with the 4-byte type alone and
// read the legacy header (28 bytes): event type (i32), magic "ZEVT",
// version 1 (u8), reserved (u8, u16), incarnation (u64), sequence within the
// type (u64); its heartbeat body lists (type i32, last sequence u64). A
// publisher writes it only while such receivers are subscribed.
//
// Decoding only looks at the bytes it is given and returns false for bytes
// that are no well-formed header or heartbeat body.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zelplatform {

constexpr std::int32_t kHeartbeatType = 0;
constexpr std::int64_t kNoUser = std::numeric_limits<std::int64_t>::min();
constexpr std::size_t kEventHeaderSize = 52;
constexpr std::size_t kLegacyEventHeaderSize = 28;
// A heartbeat body entry: type, and last position (or legacy sequence).
constexpr std::size_t kHeartbeatEntrySize = 12;
// Entries a receiver reads from one heartbeat; the rest are ignored.
constexpr std::size_t kMaxHeartbeatEntries = 1024;

struct EventHeader {
  std::int32_t eventType = 0;
  std::int64_t userKey = kNoUser;
  std::uint64_t incarnation = 0;
  std::uint64_t position = 0;
  std::uint64_t typePrevious = 0;
  std::uint64_t userPrevious = 0;
  // The publisher's server does not serve: a receiver of a list of
  // servers looks for the one that does.
  bool standby = false;
};

using EventHeaderBytes = std::array<char, kEventHeaderSize>;
using LegacyHeaderBytes = std::array<char, kLegacyEventHeaderSize>;
// Per type: its last position (or, for legacy receivers, its last sequence).
using TypeMarks = std::vector<std::pair<std::int32_t, std::uint64_t>>;

// What a subscription filters on: every event; one type; one type of one
// user. The legacy prefix is the type's 4 bytes.
std::string EveryEventPrefix();
std::string EventTypePrefix(std::int32_t eventType);
std::string EventUserPrefix(std::int32_t eventType, std::int64_t userKey);
std::string LegacyTypePrefix(std::int32_t eventType);
// True for a subscription prefix of this version's frames.
bool IsCurrentPrefix(const std::string& prefix);

EventHeaderBytes EncodeEventHeader(const EventHeader& header);
// False unless the bytes are exactly one header of this version, with a
// nonzero incarnation and, for an event, a nonzero position.
bool DecodeEventHeader(const void* bytes, std::size_t size, EventHeader& header);

LegacyHeaderBytes EncodeLegacyHeader(std::int32_t eventType, std::uint64_t incarnation, std::uint64_t sequence);

std::string EncodeHeartbeat(const std::map<std::int32_t, std::uint64_t>& marks);
// Replaces entries with at most kMaxHeartbeatEntries pairs; false when the
// body is not a whole number of entries.
bool DecodeHeartbeat(const void* bytes, std::size_t size, TypeMarks& entries);

}  // namespace zelplatform
