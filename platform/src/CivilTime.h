#pragma once
// A time_t broken down into the calendar, in UTC or the local zone: false
// when it cannot be shown. UTC is worked out here, alike on every system
// for the years 0 to 9999: Windows' own calls refuse times before 1970 and
// after 3000. The local zone is the system's, by its thread-safe call;
// where that cannot show a time, the zone's offset at the nearest time it
// can stands in.

#include <algorithm>
#include <cstdint>
#include <ctime>

namespace zelplatform {
namespace civil {

constexpr std::int64_t kFirstSecond = -62167219200;  // 0000-01-01 00:00:00 UTC
constexpr std::int64_t kLastSecond = 253402300799;   // 9999-12-31 23:59:59 UTC
// 3000-12-31 23:59:59 UTC, the last second every system's local call shows.
constexpr std::int64_t kLastSystemSecond = 32535215999;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
inline std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

inline bool BreakDownUtc(std::int64_t seconds, std::tm& parts) {
  if (seconds < kFirstSecond || seconds > kLastSecond) return false;
  const std::int64_t days = (seconds - kFirstSecond) / 86400 + kFirstSecond / 86400;
  const std::int64_t inDay = seconds - days * 86400;
  // Counted from 0000-03-01, so that a leap day ends its year.
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const std::int64_t dayOfEra = shifted - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  const int month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
  parts = std::tm{};
  parts.tm_year = static_cast<int>(year - 1900);
  parts.tm_mon = month - 1;
  parts.tm_mday = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  parts.tm_hour = static_cast<int>(inDay / 3600);
  parts.tm_min = static_cast<int>(inDay / 60 % 60);
  parts.tm_sec = static_cast<int>(inDay % 60);
  parts.tm_wday = static_cast<int>(((days + 4) % 7 + 7) % 7);
  parts.tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
  return true;
}

inline bool SystemLocal(std::time_t seconds, std::tm& parts) {
#ifdef _WIN32
  return localtime_s(&parts, &seconds) == 0;
#else
  return localtime_r(&seconds, &parts) != nullptr;
#endif
}

inline bool BreakDownLocal(std::int64_t seconds, std::tm& parts) {
  if (SystemLocal(static_cast<std::time_t>(seconds), parts)) return true;
  const std::int64_t nearest = std::clamp<std::int64_t>(seconds, 0, kLastSystemSecond);
  std::tm there{};
  if (!SystemLocal(static_cast<std::time_t>(nearest), there)) return false;
  const std::int64_t day = DaysFromCivil(there.tm_year + std::int64_t{1900}, there.tm_mon + 1, there.tm_mday);
  const std::int64_t offset = day * 86400 + there.tm_hour * 3600 + there.tm_min * 60 + there.tm_sec - nearest;
  if (seconds < kFirstSecond - offset || seconds > kLastSecond - offset) return false;
  if (!BreakDownUtc(seconds + offset, parts)) return false;
  parts.tm_isdst = there.tm_isdst;
  return true;
}

}  // namespace civil

inline bool BreakDown(std::time_t seconds, bool utc, std::tm& parts) {
  return utc ? civil::BreakDownUtc(seconds, parts) : civil::BreakDownLocal(seconds, parts);
}

}  // namespace zelplatform
