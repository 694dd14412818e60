#include "TimeArguments.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <regex>

#include <date/date.h>

namespace zelctl {
namespace {

constexpr std::int64_t kNanosPerSecond = 1000 * 1000 * 1000;
constexpr std::int64_t kSecondsPerDay = 24 * 3600;
// A span or an offset beyond this is a typing slip, not a time.
constexpr std::int64_t kMaxSpanSeconds = 100LL * 366 * kSecondsPerDay;

struct Wall {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  std::int64_t nanos = 0;
};

int Number(const std::string& digits) {
  int value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

// ".5" as 500000000 nanoseconds.
std::int64_t Fraction(const std::string& text) {
  std::int64_t nanos = 0;
  for (std::size_t i = 1; i < 10; ++i) nanos = nanos * 10 + (i < text.size() ? text[i] - '0' : 0);
  return nanos;
}

date::year_month_day DateOf(const Wall& w) {
  return date::year{w.year} / date::month{static_cast<unsigned>(w.month)} / date::day{static_cast<unsigned>(w.day)};
}

bool ValidTime(const Wall& w) { return w.hour < 24 && w.minute < 60 && w.second < 60; }

std::tm LocalOf(std::time_t seconds) {
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  return local;
}

// Local wall time to seconds, the calendar (and daylight saving) as the
// system knows it.
std::int64_t LocalSeconds(const Wall& w) {
  std::tm local{};
  local.tm_year = w.year - 1900;
  local.tm_mon = w.month - 1;
  local.tm_mday = w.day;
  local.tm_hour = w.hour;
  local.tm_min = w.minute;
  local.tm_sec = w.second;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local));
}

std::optional<std::int64_t> Span(const std::string& text) {
  static const std::regex kPart("([0-9]{1,9})([smhd])");
  static const std::regex kWhole("([0-9]{1,9}[smhd])+");
  if (!std::regex_match(text, kWhole)) return std::nullopt;
  std::int64_t seconds = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), kPart), end; it != end; ++it) {
    const char unit = (*it)[2].str()[0];
    const std::int64_t scale = unit == 's' ? 1 : unit == 'm' ? 60 : unit == 'h' ? 3600 : kSecondsPerDay;
    seconds += Number((*it)[1].str()) * scale;
    if (seconds > kMaxSpanSeconds) return std::nullopt;
  }
  return seconds * kNanosPerSecond;
}

// A time of day on the local date of `dayOfNs`, `days` later.
std::int64_t OnDay(const Wall& time, std::int64_t dayOfNs, int days) {
  const std::tm date = LocalOf(static_cast<std::time_t>(dayOfNs / kNanosPerSecond));
  Wall w = time;
  w.year = date.tm_year + 1900;
  w.month = date.tm_mon + 1;
  w.day = date.tm_mday + days;
  return LocalSeconds(w) * kNanosPerSecond + time.nanos;
}

// `reference` is now for a start, the start for an end.
std::optional<std::int64_t> Point(const std::string& text, std::int64_t reference, bool isEnd, std::int64_t nowNs) {
  if (const auto span = Span(text)) return nowNs - *span;
  static const std::regex kTimeOfDay("([0-9]{1,2}):([0-9]{2})(?::([0-9]{2})(\\.[0-9]{1,9})?)?");
  static const std::regex kDate(
      "([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[T ]([0-9]{2}):([0-9]{2})(?::([0-9]{2})(\\.[0-9]{1,9})?)?)?"
      "(Z|[+-][0-9]{2}:?[0-9]{2})?");
  std::smatch m;
  Wall w;
  if (std::regex_match(text, m, kTimeOfDay)) {
    w.hour = Number(m[1]);
    w.minute = Number(m[2]);
    w.second = m[3].matched ? Number(m[3]) : 0;
    w.nanos = m[4].matched ? Fraction(m[4]) : 0;
    if (!ValidTime(w)) return std::nullopt;
    const std::int64_t sameDay = OnDay(w, reference, 0);
    if (!isEnd) return sameDay <= reference ? sameDay : OnDay(w, reference, -1);
    return sameDay > reference ? sameDay : OnDay(w, reference, 1);
  }
  if (!std::regex_match(text, m, kDate)) return std::nullopt;
  w.year = Number(m[1]);
  w.month = Number(m[2]);
  w.day = Number(m[3]);
  w.hour = m[4].matched ? Number(m[4]) : 0;
  w.minute = m[5].matched ? Number(m[5]) : 0;
  w.second = m[6].matched ? Number(m[6]) : 0;
  w.nanos = m[7].matched ? Fraction(m[7]) : 0;
  if (!DateOf(w).ok() || !ValidTime(w) || w.year < 1970) return std::nullopt;
  if (!m[8].matched) return LocalSeconds(w) * kNanosPerSecond + w.nanos;
  const std::int64_t utc = date::sys_seconds{date::sys_days{DateOf(w)}}.time_since_epoch().count() +
                           w.hour * 3600 + w.minute * 60 + w.second;
  std::int64_t offset = 0;
  const std::string zone = m[8];
  if (zone != "Z") {
    const std::string digits = zone.size() == 6 ? zone.substr(1, 2) + zone.substr(4) : zone.substr(1);
    const int hours = Number(digits.substr(0, 2));
    const int minutes = Number(digits.substr(2));
    if (hours > 23 || minutes > 59) return std::nullopt;
    offset = (zone[0] == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
  }
  return (utc - offset) * kNanosPerSecond + w.nanos;
}

std::string NotATime(const char* option, const std::string& text) {
  return option + std::string(" \"") + text +
         "\" is not a time: give a span back from now (90s, 5m, 1h, 2d), a time of day (10:00, 10:00:30) or a "
         "date and time (2026-12-09T10:00:00, local unless it ends in Z or an offset such as +01:00)";
}

std::string Text(std::int64_t ns, const std::tm& wall, const char* separator, const char* suffix) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%s%02d:%02d:%02d.%03d%s", wall.tm_year + 1900, wall.tm_mon + 1,
                wall.tm_mday, separator, wall.tm_hour, wall.tm_min, wall.tm_sec,
                static_cast<int>((ns % kNanosPerSecond) / 1000000), suffix);
  return text;
}

}  // namespace

std::optional<TimeWindow> ParseWindow(const std::string& since, const std::string& until, std::int64_t nowNs,
                                      std::string* error) {
  TimeWindow window;
  const auto start = Point(since, nowNs, false, nowNs);
  if (!start) {
    *error = NotATime("--since", since);
    return std::nullopt;
  }
  window.sinceNs = std::max<std::int64_t>(0, *start);
  if (until.empty()) return window;
  const auto end = Point(until, window.sinceNs, true, nowNs);
  if (!end) {
    *error = NotATime("--until", until);
    return std::nullopt;
  }
  if (*end <= window.sinceNs) {
    *error = "--until \"" + until + "\" is not after --since \"" + since + "\"";
    return std::nullopt;
  }
  window.untilNs = *end;
  return window;
}

std::string LocalTimeText(std::int64_t ns) {
  return Text(ns, LocalOf(static_cast<std::time_t>(ns / kNanosPerSecond)), " ", "");
}

std::string UtcTimeText(std::int64_t ns) {
  const date::sys_time<std::chrono::milliseconds> at{std::chrono::milliseconds{ns / 1000000}};
  return date::format("%FT%TZ", at);
}

}  // namespace zelctl
