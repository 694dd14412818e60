#include "zelclnt/platform/TTimeStamp.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "CivilTime.h"
#include "zelclnt/platform/TPack.h"

namespace {

std::int64_t NowMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Floor division keeps stamps before 1970 on the right second.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Stamps from the wire may lie beyond what the calendar can show; those
// break down to all zeros instead of a year that overflows.
std::tm Broken(std::int64_t ms, bool gmt) {
  const std::time_t seconds = static_cast<std::time_t>(FloorDiv(ms, 1000));
  std::tm parts{};
  if (!zelplatform::BreakDown(seconds, gmt, parts) || parts.tm_year > 9999 - 1900 || parts.tm_year < -1900) parts = std::tm{};
  return parts;
}

// Stamp arithmetic wraps instead of overflowing on hostile values.
std::int64_t Wrapping(std::uint64_t value) { return static_cast<std::int64_t>(value); }

}  // namespace

TTimeStamp::TTimeStamp(unsigned char kind) { Update(kind); }

TTimeStamp TTimeStamp::FromMilliseconds(std::int64_t millisecondsSince1970, bool gmt) {
  TTimeStamp stamp(1);
  stamp.m_null = false;
  stamp.m_ms = millisecondsSince1970;
  stamp.m_gmt = gmt;
  return stamp;
}

void TTimeStamp::Update(unsigned char kind) {
  m_null = kind == 1;
  m_ms = m_null ? 0 : NowMilliseconds();
  m_gmt = false;
  m_span = false;
}

TTimeStamp TTimeStamp::dif(const TTimeStamp& other) const {
  TTimeStamp span = FromMilliseconds(Wrapping(static_cast<std::uint64_t>(m_ms) - static_cast<std::uint64_t>(other.m_ms)), true);
  span.m_span = true;
  return span;
}

long TTimeStamp::SecondsSince1970() const { return static_cast<long>(FloorDiv(m_ms, 1000)); }

void TTimeStamp::AddSeconds(long seconds) {
  m_ms = Wrapping(static_cast<std::uint64_t>(m_ms) + static_cast<std::uint64_t>(seconds) * 1000u);
}

void TTimeStamp::AddMilliseconds(long milliseconds) {
  m_ms = Wrapping(static_cast<std::uint64_t>(m_ms) + static_cast<std::uint64_t>(milliseconds));
}

std::int64_t TTimeStamp::GetTimeAsMilliseconds() const {
  if (m_span) return m_ms;
  const std::tm parts = Broken(m_ms, m_gmt);
  const std::int64_t ms = m_ms - FloorDiv(m_ms, 1000) * 1000;
  return (parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec) * std::int64_t{1000} + ms;
}

Tstd::string TTimeStamp::GetDateTime(int withMilliseconds, char dateSeparator, char timeSeparator,
                                     char millisecondSeparator) const {
  std::tm parts{};
  int ms = 0;
  if (!m_null) {
    parts = Broken(m_ms, m_gmt);
    if (parts.tm_mday != 0) {
      parts.tm_year += 1900;
      parts.tm_mon += 1;
      ms = static_cast<int>(m_ms - FloorDiv(m_ms, 1000) * 1000);
    }
  }
  char text[64];
  int length = std::snprintf(text, sizeof text, "%04d%c%02d%c%02d %02d%c%02d%c%02d", parts.tm_year, dateSeparator,
                             parts.tm_mon, dateSeparator, parts.tm_mday, parts.tm_hour, timeSeparator, parts.tm_min,
                             timeSeparator, parts.tm_sec);
  if (withMilliseconds && length > 0)
    std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), "%c%03d", millisecondSeparator, ms);
  return Tstd::string(text);
}

// One append of all nine bytes: stamps are a large share of every record.
TPack& operator<<(TPack& pack, const TTimeStamp& stamp) {
  if (char* at = pack.Claim(TTimeStamp::kWireSize)) stamp.PutWire(at);
  return pack;
}

TPack& operator>>(TPack& pack, TTimeStamp& stamp) {
  if (!pack.CanRemove(TTimeStamp::kWireSize)) return pack;
  std::uint64_t ms = 0;
  pack.RemoveFixed64(ms);
  const std::uint8_t flags = static_cast<std::uint8_t>(*pack.Contents());
  pack.Behead(1);
  stamp.m_ms = static_cast<std::int64_t>(ms);
  stamp.m_null = (flags & TTimeStamp::kNullFlag) != 0;
  stamp.m_gmt = (flags & TTimeStamp::kGmtFlag) != 0;
  stamp.m_span = false;
  if (stamp.m_null) stamp.m_ms = 0;
  return pack;
}
