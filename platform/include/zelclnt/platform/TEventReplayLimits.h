#pragma once
// How much a publisher keeps to send again to receivers that missed events:
// the latest events up to all three bounds. A receiver that missed more
// must query again.

#include <chrono>
#include <cstddef>

struct TEventReplayLimits {
  std::size_t maxEvents = 100000;
  std::size_t maxBytes = std::size_t{256} << 20;
  std::chrono::milliseconds maxAge{5 * 60 * 1000};
};
