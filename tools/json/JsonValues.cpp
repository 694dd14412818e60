#include "JsonValues.h"

#include <cinttypes>
#include <cstdio>

#include "zelclnt/platform/TTimeStamp.h"

namespace zeljson {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Days since 1970-01-01 to the proleptic Gregorian date, exact for every
// day an int64 of milliseconds can name (the C library gives up far sooner).
CivilDate DateOfDay(std::int64_t days) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const auto day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const auto month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  return {yearOfEra + era * 400 + (month <= 2), month, day};
}

}  // namespace

std::string IsoTime(std::int64_t ms) {
  // Remainders, not products: seconds * 1000 overflows at the extremes.
  const std::int64_t seconds = FloorDiv(ms, 1000);
  const int millis = static_cast<int>((ms % 1000 + 1000) % 1000);
  const std::int64_t days = FloorDiv(seconds, 86400);
  const std::int64_t ofDay = (seconds % 86400 + 86400) % 86400;
  const CivilDate date = DateOfDay(days);
  // Written digit by digit: a reply of many users holds many stamps.
  char text[80];
  std::size_t at = 0;
  if (date.year >= 0 && date.year <= 9999) {
    for (std::int64_t unit = 1000; unit > 0; unit /= 10) text[at++] = static_cast<char>('0' + date.year / unit % 10);
  } else {
    at = static_cast<std::size_t>(std::snprintf(text, sizeof text, "%+07" PRId64, date.year));
  }
  const auto two = [&](std::int64_t value, char after) {
    text[at++] = static_cast<char>('0' + value / 10);
    text[at++] = static_cast<char>('0' + value % 10);
    text[at++] = after;
  };
  text[at++] = '-';
  two(date.month, '-');
  two(date.day, 'T');
  two(ofDay / 3600, ':');
  two(ofDay / 60 % 60, ':');
  two(ofDay % 60, '.');
  text[at++] = static_cast<char>('0' + millis / 100);
  text[at++] = static_cast<char>('0' + millis / 10 % 10);
  text[at++] = static_cast<char>('0' + millis % 10);
  text[at++] = 'Z';
  return std::string(text, at);
}

Json TimeJson(const TTimeStamp& stamp) {
  if (stamp.IsNull()) return nullptr;
  return IsoTime(stamp.MillisecondsSince1970());
}

std::string Text(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json Named(std::int64_t value, const char* text) {
  Json named = Json::object();
  named["name"] = text ? Json(text) : Json(nullptr);
  named["value"] = value;
  return named;
}

Json Named(std::int64_t value, const std::string& text, bool known) {
  return Named(value, known ? text.c_str() : nullptr);
}

}  // namespace zeljson
