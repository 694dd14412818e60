#pragma once
// The mirror's descriptor for an owner's own event loop: readable while a
// descriptor it is pointed at is, and once a wake-up time passed, so that
// the mirror's own timers (a join tried again, users due to be queried
// again) run in a loop that waits on it alone. An epoll set with a timerfd
// in it on Linux; Windows has no descriptor that gathers others, so there
// Open fails. Used by the mirror's owning thread only, but for Latch.

#include <vector>

#include "zelclnt/platform/TClock.h"

namespace zelclnt::mirror {

class LoopDescriptor {
 public:
  LoopDescriptor() = default;
  ~LoopDescriptor();
  LoopDescriptor(const LoopDescriptor&) = delete;
  LoopDescriptor& operator=(const LoopDescriptor&) = delete;

  // False when the system gave none.
  bool Open();
  int Fd() const { return m_poll; }
  // Watches these descriptors, and no other, from now on; -1 are left out.
  void WatchOnly(const std::vector<int>& descriptors);
  // Readable from `at` on; TClock::time_point::max(): never by time.
  void WakeAt(TClock::time_point at);
  // Readable from now on, for good: a stop. Any thread.
  void Latch() const;

 private:
  int m_poll = -1;
  int m_timer = -1;
  int m_latch = -1;
  std::vector<int> m_watched;
  TClock::time_point m_wakeAt = TClock::time_point::min();
};

}  // namespace zelclnt::mirror
