#pragma once
// A manual clock in force for its own lifetime, which also tells which
// threads read it: a thread that read it again after computing its deadline
// is waiting on it, and time may then move. Make it before whatever reads
// it from threads of its own (a server, a relay): a read still under way
// when it goes would find it gone.

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "zelclnt/platform/TClock.h"

class TestClock : public TManualClock {
 public:
  TestClock() : m_scope(*this) {}

  time_point Read() const override;

  std::size_t Reads(std::thread::id thread) const;
  std::size_t TotalReads() const;
  // Waits, in real time and up to 10 s, until `thread` has read the clock
  // `reads` times in all; false if it never did.
  bool AwaitReads(std::thread::id thread, std::size_t reads) const;
  // The same for the reads of all threads together.
  bool AwaitTotalReads(std::size_t reads) const;
  // Advances by `step` until `done` holds, with a real millisecond between
  // steps so that waiters see each one; false after 10,000 steps.
  bool AdvanceUntil(duration step, const std::function<bool()>& done);
  // Runs `work` on a thread of its own while the clock stands still: false
  // when it was still waiting after 10 s of real time (the clock is then
  // moved an hour on, so that it ends).
  bool FinishesWhileStill(const std::function<void()>& work);

 private:
  mutable std::mutex m_lock;
  mutable std::map<std::thread::id, std::size_t> m_reads;
  TScopedClock m_scope;
};
