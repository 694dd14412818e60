#include "zelclnt/platform/TTimeStamp.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "Bytes.h"

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

}  // namespace
