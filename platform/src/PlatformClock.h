#pragma once
// The platform's clock as a std::chrono clock, and the waits that honour it.
//
// Clock::now() is TClock::Now(), so every deadline follows a clock a test
// installed. A condition variable or a socket cannot wait on such a clock:
// while one is installed, waits last a short real slice and the caller looks
// at the clock again.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "zelclnt/platform/TClock.h"

namespace zelplatform {

struct Clock {
  using duration = TClock::duration;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = TClock::time_point;
  static constexpr bool is_steady = true;
  static time_point now() { return TClock::Now(); }
};

// The longest real wait while a replaced clock is in force.
constexpr std::chrono::milliseconds kReplacedClockSlice{2};

// How long to block before looking at the clock again: what is left until
// the deadline, at most `longest`, and never below zero.
inline std::chrono::milliseconds WaitSlice(Clock::time_point deadline, std::chrono::milliseconds longest) {
  if (TClock::IsReplaced()) longest = std::min(longest, kReplacedClockSlice);
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return std::clamp(left, std::chrono::milliseconds(0), longest);
}

// condition_variable::wait_until on the platform's clock: true once `ready`
// holds, false when the deadline passed first.
template <typename Ready>
bool WaitUntil(std::condition_variable& condition, std::unique_lock<std::mutex>& lock, Clock::time_point deadline,
               Ready ready) {
  if (!TClock::IsReplaced()) return condition.wait_until(lock, deadline, ready);
  while (!ready()) {
    if (Clock::now() >= deadline) return false;
    condition.wait_for(lock, kReplacedClockSlice);
  }
  return true;
}

// Sleeps until the platform's clock reaches `until`.
inline void SleepUntil(Clock::time_point until) {
  for (auto slice = WaitSlice(until, std::chrono::milliseconds(100)); slice.count() > 0;
       slice = WaitSlice(until, std::chrono::milliseconds(100)))
    std::this_thread::sleep_for(slice);
}

}  // namespace zelplatform
