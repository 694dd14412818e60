#pragma once
// For what threads and sockets the test does not drive do in real time:
// polls `done` every few milliseconds, up to a bound far above what a
// loaded machine needs.

#include <chrono>
#include <functional>
#include <thread>

inline bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  for (const auto until = std::chrono::steady_clock::now() + bound; !done();) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}
