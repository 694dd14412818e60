#pragma once
// The events a publisher keeps to send again: the latest ones, bounded by
// count, by bytes and by age, in position order. Positions are consecutive,
// so finding where a replay starts costs nothing.
//
// Not thread-safe: the publisher guards it with its own lock.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "PlatformClock.h"
#include "ReplayFrame.h"
#include "zelclnt/platform/TEventReplayLimits.h"

namespace zelplatform {

class ReplayBuffer {
 public:
  explicit ReplayBuffer(TEventReplayLimits limits = {}) : m_limits(limits) {}

  void SetLimits(const TEventReplayLimits& limits) { m_limits = limits; }
  void Clear();
  // REQUIRES: position is one above the last one added (or the first).
  // An event above maxEventSize (one no answer could carry) is not kept: a
  // replay across it finds its position gone.
  void Add(std::uint64_t position, std::int32_t eventType, std::int64_t userKey, const void* data, std::size_t size,
           std::size_t maxEventSize, Clock::time_point now);
  // Forgets what has grown older than the age bound.
  void Expire(Clock::time_point now);

  // The events after request.after that the request's filter wants, in
  // position order, as many as fit the answer's bounds, and in `through`
  // the position up to which they were looked at. False when events after
  // request.after are no longer held.
  bool Answer(const ReplayRequest& request, std::size_t maxBytes, std::size_t maxEvents,
              ReplayAnswerWriter& answer, std::uint64_t& through) const;

  std::size_t Count() const { return m_entries.size(); }
  std::size_t Bytes() const { return m_bytes; }
  // The oldest position held; 0 when empty.
  std::uint64_t Oldest() const { return m_entries.empty() ? 0 : m_entries.front().position; }

 private:
  struct Entry {
    std::uint64_t position;
    std::int32_t eventType;
    std::int64_t userKey;
    Clock::time_point at;
    std::string bytes;
  };

  void DropOldest();

  TEventReplayLimits m_limits;
  std::deque<Entry> m_entries;
  std::size_t m_bytes = 0;
  // The highest position dropped: only a replay from it on is whole.
  std::uint64_t m_dropped = 0;
};

}  // namespace zelplatform
