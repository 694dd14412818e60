#include "zelclnt/platform/TTimeStamp.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "Bytes.h"
#include "CivilTime.h"
#include "zelclnt/platform/TClock.h"

namespace {

// Nine bytes, read only when all nine remain.
TEST(TTimeStampTest, WireFormTextsAndArithmetic) {
  const TTimeStamp cases[] = {TTimeStamp(1), TTimeStamp::FromMilliseconds(1765000000123, false),
                              TTimeStamp::FromMilliseconds(1765000000999, true), TTimeStamp::FromMilliseconds(-1, true),
                              TTimeStamp::FromMilliseconds(0, false)};
  for (const TTimeStamp& stamp : cases) {
    const std::string bytes = BytesOf(stamp);
    ASSERT_EQ(bytes.size(), 9u);
    TTimeStamp read(0);
    EXPECT_EQ(Read(bytes, read), 0u);
    EXPECT_EQ(read, stamp);
    EXPECT_EQ(read.MillisecondsSince1970(), stamp.MillisecondsSince1970());
    TTimeStamp kept(1);
    EXPECT_EQ(Read(bytes.substr(0, 8), kept), 8u);
    EXPECT_TRUE(kept.IsNull());
  }

  // 2026-12-07 01:02:03.045 UTC
  const TTimeStamp stamp = TTimeStamp::FromMilliseconds(1796605323045, true);
  EXPECT_EQ(stamp.GetDateTime(1, '/', ':', '.').str(), "2026/12/07 01:02:03.045");
  EXPECT_EQ(stamp.GetDateTime(0, '-', '.', ',').str(), "2026-12-07 01.02.03");
  EXPECT_EQ(stamp.GetTimeAsMilliseconds(), (1 * 3600 + 2 * 60 + 3) * 1000 + 45);
  EXPECT_EQ(TTimeStamp(1).GetDateTime(1, '/', ':', '.').str(), "0000/00/00 00:00:00.000");
  // Stamps from the wire beyond the calendar show as zeros, not as garbage.
  for (const std::int64_t ms : {INT64_MAX, INT64_MIN, std::int64_t{400000} * 365 * 86400 * 1000}) {
    EXPECT_EQ(TTimeStamp::FromMilliseconds(ms, true).GetDateTime(1, '/', ':', '.').str(), "0000/00/00 00:00:00.000");
    EXPECT_EQ(TTimeStamp::FromMilliseconds(ms, false).GetDateTime(0, '/', ':', '.').str(), "0000/00/00 00:00:00");
  }

  TTimeStamp moved = TTimeStamp::FromMilliseconds(1000, true);
  moved.AddSeconds(90000);
  moved.AddMilliseconds(250);
  EXPECT_EQ(moved.SecondsSince1970(), 90001);
  EXPECT_EQ(moved.dif(TTimeStamp::FromMilliseconds(1000, true)).GetTimeAsMilliseconds(), 90000250);
  TTimeStamp null(1);
  null.Update(0);
  EXPECT_FALSE(null.IsNull());
}

// The calendar the same on every system, for every year from 0 to 9999
// (Windows' own calls show only 1970 to 3000); beyond it all zeros. A local
// time is its UTC one moved by the zone's offset.
TEST(TTimeStampTest, CalendarTextsAlikeOnEverySystem) {
  const struct { std::int64_t ms; const char* utc; } cases[] = {
      {0, "1970-01-01 00:00:00.000"},
      {-1, "1969-12-31 23:59:59.999"},
      {2147483647000, "2038-01-19 03:14:07.000"},
      {2147483648000, "2038-01-19 03:14:08.000"},
      {1709210096789, "2024-02-29 12:34:56.789"},
      {951782400000, "2000-02-29 00:00:00.000"},
      {4107542399000, "2100-02-28 23:59:59.000"},
      {4107542400000, "2100-03-01 00:00:00.000"},
      {-2208988800000, "1900-01-01 00:00:00.000"},
      {32535215999000, "3000-12-31 23:59:59.000"},
      {32535216000000, "3001-01-01 00:00:00.000"},
      {253402300799999, "9999-12-31 23:59:59.999"},
      {-62167219200000, "0000-01-01 00:00:00.000"},
      {253402300800000, nullptr},
      {-62167219200001, nullptr},
  };
  const auto seconds = [](const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second);
    return zelplatform::civil::DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  };
  for (const auto& c : cases) {
    const std::string utc = TTimeStamp::FromMilliseconds(c.ms, true).GetDateTime(1, '-', ':', '.').str();
    EXPECT_EQ(utc, c.utc ? c.utc : "0000-00-00 00:00:00.000") << c.ms;
    if (!c.utc) continue;
    EXPECT_EQ(TTimeStamp::FromMilliseconds(c.ms, true).GetTimeAsMilliseconds(),
              (seconds(utc) % 86400 + 86400) % 86400 * 1000 + ((c.ms % 1000) + 1000) % 1000)
        << c.ms;
    // A day inside the calendar's ends, where every zone can show it.
    if (c.ms < -62167219200000 + 86400000 || c.ms > 253402300799999 - 86400000) continue;
    const std::string local = TTimeStamp::FromMilliseconds(c.ms, false).GetDateTime(1, '-', ':', '.').str();
    const std::int64_t offset = seconds(local) - seconds(utc);
    // Zones kept local mean time, to the second, before they took hours.
    EXPECT_LE(offset < 0 ? -offset : offset, 16 * 3600) << c.ms << ": " << local;
    EXPECT_EQ(local.substr(19), utc.substr(19)) << c.ms;
  }
}

// Read from many threads at once, the steady clock never goes back: no
// thread sees a time before one another thread has seen already.
TEST(TClockTest, SteadyTimeNeverGoesBackAcrossThreads) {
  std::atomic<TClock::duration::rep> latest{TClock::Now().time_since_epoch().count()};
  std::atomic<int> backwards{0};
  std::vector<std::thread> readers;
  for (int thread = 0; thread < 4; ++thread)
    readers.emplace_back([&] {
      for (int read = 0; read < 20000; ++read) {
        const auto seen = latest.load();
        const auto now = TClock::Now().time_since_epoch().count();
        if (now < seen) ++backwards;
        auto known = latest.load();
        while (known < now && !latest.compare_exchange_weak(known, now)) {}
      }
    });
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(backwards, 0);
}

}  // namespace
