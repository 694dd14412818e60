#pragma once
// The event positions of the changes a simulator acknowledged to its
// callers, so that one replaced without knowing it (cut off from its peer,
// which took over from its copy of the table) can count the acknowledged
// changes that copy never held: those after the position it reflected.
//
// One bit per position of its publisher's incarnation; at most
// kMaxPositions are kept, the oldest forgotten first (a count then misses
// them). A change that published nothing shares the position of the one
// before, and changed nothing to lose. Any thread.

#include <cstdint>
#include <deque>
#include <mutex>

#include "zelclnt/platform/TEventPosition.h"

namespace zelsim {

class AckLedger {
 public:
  static constexpr std::uint64_t kMaxPositions = std::uint64_t{1} << 24;

  void Record(const TEventPosition& at);
  // Changes recorded after `after` and up to `upTo`; from the first one when
  // `after` is of another incarnation (the copy was never of this server's
  // table).
  std::uint64_t CountBetween(const TEventPosition& after, const TEventPosition& upTo) const;

 private:
  mutable std::mutex m_lock;
  std::uint64_t m_incarnation = 0;
  // The position of the first bit.
  std::uint64_t m_base = 0;
  std::deque<std::uint64_t> m_words;
};

}  // namespace zelsim
