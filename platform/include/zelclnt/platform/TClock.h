#pragma once
// The platform's time. Every time-out, deadline, heartbeat, idle sweep and
// retry of the transport, the event publisher and receiver and whatever the
// library builds on them reads this clock, never the system's directly.
//
// By default it is std::chrono::steady_clock. A test installs a
// TManualClock and moves time itself: a wait ends when the test advances the
// clock past its deadline, not when a loaded machine gets round to it.
// Waits still block on sockets and condition variables, in slices of a few
// real milliseconds while a manual clock is installed, and look at the clock
// after each slice; nothing waits for real time to pass.
//
// Install and Now may be called from any thread. The installed clock must
// outlive its installation.

#include <atomic>
#include <chrono>

#include "zelclnt/ZelExport.h"

class ZELCLNT_API TClock {
 public:
  using duration = std::chrono::steady_clock::duration;
  using time_point = std::chrono::steady_clock::time_point;

  virtual ~TClock() = default;
  virtual time_point Read() const = 0;

  // The time of the clock in force.
  static time_point Now();
  // Puts clock in force for the whole process; nullptr restores the real one.
  static void Install(const TClock* clock);
  // True while a clock other than the real one is in force.
  static bool IsReplaced();
};

// Time that moves only when told to. Starts at the real clock's present, so
// that deadlines computed before its installation stay sensible.
class ZELCLNT_API TManualClock : public TClock {
 public:
  TManualClock();
  time_point Read() const override;
  void Advance(duration by);

 private:
  std::atomic<duration::rep> m_ticks;
};

// Puts a clock in force for its own lifetime, and the previous one back.
class ZELCLNT_API TScopedClock {
 public:
  explicit TScopedClock(const TClock& clock);
  ~TScopedClock();
  TScopedClock(const TScopedClock&) = delete;
  TScopedClock& operator=(const TScopedClock&) = delete;

 private:
  const TClock* m_previous;
};
