#pragma once
// The framework's time stamp: milliseconds since 1970-01-01 00:00:00 UTC, or
// null (the event it stands for has not happened). A stamp shows local time
// unless it was converted to GMT.
//
// Wire form: 8 bytes, the milliseconds as a little-endian signed integer,
// then 1 byte of flags (bit 0 null, bit 1 GMT). Read only when all 9 remain.

#include <cstddef>
#include <cstdint>

#include "zelclnt/platform/TStdString.h"
#include "zelclnt/ZelExport.h"

class TPack;

class ZELCLNT_API TTimeStamp {
 public:
  // 0: the current time; 1: a null stamp. Any other value: the current time.
  explicit TTimeStamp(unsigned char kind = 0);

  static TTimeStamp FromMilliseconds(std::int64_t millisecondsSince1970, bool gmt);

  void Update(unsigned char kind = 0);
  void ConvertToGMT() { m_gmt = true; }
  bool IsGMT() const { return m_gmt; }
  bool IsNull() const { return m_null; }

  // This stamp minus the other, as a stamp whose time fields give the span.
  TTimeStamp dif(const TTimeStamp& other) const;

  long SecondsSince1970() const;
  std::int64_t MillisecondsSince1970() const { return m_ms; }
  void AddSeconds(long seconds);
  void AddMilliseconds(long milliseconds);
  // (h*3600 + m*60 + s)*1000 + ms of the time of day (of a span from dif:
  // its whole length, days included).
  std::int64_t GetTimeAsMilliseconds() const;

  // "YYYY<d>MM<d>DD HH<t>MM<t>SS", followed by "<m>mmm" when withMilliseconds
  // is nonzero. A null stamp shows every field as zeros.
  Tstd::string GetDateTime(int withMilliseconds, char dateSeparator, char timeSeparator,
                           char millisecondSeparator) const;

  bool operator==(const TTimeStamp& other) const {
    return m_null == other.m_null && m_gmt == other.m_gmt && (m_null || m_ms == other.m_ms);
  }
  bool operator!=(const TTimeStamp& other) const { return !(*this == other); }

  static constexpr std::size_t kWireSize = 9;
  // Writes the wire form at `at` (REQUIRES kWireSize bytes of room) and
  // returns where the next value goes.
  char* PutWire(char* at) const {
    const auto ms = static_cast<std::uint64_t>(m_null ? 0 : m_ms);
    for (std::size_t i = 0; i < 8; ++i) at[i] = static_cast<char>((ms >> (8 * i)) & 0xFF);
    at[8] = static_cast<char>((m_null ? kNullFlag : 0) | (m_gmt ? kGmtFlag : 0));
    return at + kWireSize;
  }

 private:
  static constexpr std::uint8_t kNullFlag = 1;
  static constexpr std::uint8_t kGmtFlag = 2;

  friend TPack& operator<<(TPack&, const TTimeStamp&);
  friend TPack& operator>>(TPack&, TTimeStamp&);

  std::int64_t m_ms = 0;
  bool m_null = false;
  bool m_gmt = false;
  bool m_span = false;
};

ZELCLNT_API TPack& operator<<(TPack& pack, const TTimeStamp& stamp);
ZELCLNT_API TPack& operator>>(TPack& pack, TTimeStamp& stamp);
