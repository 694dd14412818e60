#pragma once
// A time_t broken down into the calendar, in UTC or the local zone, by the
// thread-safe call each system has: false when it cannot be shown.

#include <ctime>

namespace zelplatform {

inline bool BreakDown(std::time_t seconds, bool utc, std::tm& parts) {
#ifdef _WIN32
  return (utc ? gmtime_s(&parts, &seconds) : localtime_s(&parts, &seconds)) == 0;
#else
  return (utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts)) != nullptr;
#endif
}

}  // namespace zelplatform
