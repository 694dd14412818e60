#pragma once
// The call that asks a server to send again the events a receiver missed,
// and its answer; both travel as the data of an RPC of type
// kReplayRpcType, served by the server's TRPCServer from its publisher.
//
// Request: magic "ZRPQ" (4 ASCII bytes), version 1 (u8), reserved (3 bytes),
//          incarnation (u64), after (u64: events with a higher position
//          are wanted), most events (u32) and most bytes (u32) in the
//          answer (0: the server's choice), type count (u32) and the types
//          (i32 each), user count (u32) and the user keys (i64 each). No
//          types: every type; no users: every user.
// Answer:  magic "ZRPA", version 1 (u8), status (u8: 0 the events follow,
//          1 the publisher is of another incarnation, 2 the position is no
//          longer held), reserved (u16), the publisher's incarnation (u64),
//          its last position (u64), through (u64: every event up to here
//          that the request asked for is in this answer or an earlier one;
//          the next request asks after it), event count (u32), then each
//          event: type (i32), user key (i64), position (u64), size (u32),
//          its bytes.
// All little-endian. Decoding only looks at the bytes it is given; counts
// are believed only as far as the bytes bear them out, and no memory is
// reserved on a count's word.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelplatform {

constexpr unsigned short kReplayRpcType = 65280;
// Most types and users one request names; more are refused as malformed.
constexpr std::size_t kMaxReplayTypes = 4096;
constexpr std::size_t kMaxReplayUsers = 1000000;

struct ReplayRequest {
  std::uint64_t incarnation = 0;
  std::uint64_t after = 0;
  std::uint32_t maxEvents = 0;
  std::uint32_t maxBytes = 0;
  std::vector<std::int32_t> types;
  std::vector<std::int64_t> users;
};

enum class ReplayStatus : std::uint8_t { Events = 0, OtherIncarnation = 1, PositionGone = 2 };

struct ReplayedEvent {
  std::int32_t eventType = 0;
  std::int64_t userKey = 0;
  std::uint64_t position = 0;
  // Into the answer's bytes.
  const char* data = nullptr;
  std::size_t size = 0;
};

struct ReplayAnswer {
  ReplayStatus status = ReplayStatus::Events;
  std::uint64_t incarnation = 0;
  std::uint64_t last = 0;
  std::uint64_t through = 0;
  std::vector<ReplayedEvent> events;
};

std::string EncodeReplayRequest(const ReplayRequest& request);
// False unless the bytes are exactly one request of this version.
bool DecodeReplayRequest(const void* bytes, std::size_t size, ReplayRequest& request);

// Builds an answer: its head first, then one event at a time.
class ReplayAnswerWriter {
 public:
  ReplayAnswerWriter(ReplayStatus status, std::uint64_t incarnation, std::uint64_t last);
  void Add(std::int32_t eventType, std::int64_t userKey, std::uint64_t position, const std::string& bytes);
  std::size_t Size() const { return m_bytes.size(); }
  std::size_t Count() const { return m_count; }
  // The whole answer, telling `through`.
  std::string Finish(std::uint64_t through);

  static constexpr std::size_t kHeadSize = 36;
  static constexpr std::size_t kEventHeadSize = 24;

 private:
  std::string m_bytes;
  std::uint32_t m_count = 0;
};

// False unless the bytes are exactly one answer of this version, its events
// in rising positions no higher than `through`. The events point into bytes.
bool DecodeReplayAnswer(const void* bytes, std::size_t size, ReplayAnswer& answer);

}  // namespace zelplatform
