#include "zelclnt/platform/TTimeStamp.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "zelclnt/platform/TPack.h"

namespace {

TTimeStamp RoundTrip(const TTimeStamp& stamp) {
  TPack pack;
  pack << stamp;
  EXPECT_EQ(pack.Length(), 9u);
  TPack reader(pack.Contents(), pack.Length());
  TTimeStamp read(0);
  reader >> read;
  EXPECT_EQ(reader.Length(), 0u);
  return read;
}

TEST(TTimeStampTest, WireFormRoundTripsExactly) {
  const TTimeStamp cases[] = {
      TTimeStamp(1),
      TTimeStamp::FromMilliseconds(1765000000123, false),
      TTimeStamp::FromMilliseconds(1765000000999, true),
      TTimeStamp::FromMilliseconds(-1, true),
      TTimeStamp::FromMilliseconds(0, false),
  };
  for (const TTimeStamp& stamp : cases) {
    const TTimeStamp read = RoundTrip(stamp);
    EXPECT_EQ(read, stamp);
    EXPECT_EQ(read.IsNull(), stamp.IsNull());
    EXPECT_EQ(read.MillisecondsSince1970(), stamp.MillisecondsSince1970());
  }
}

TEST(TTimeStampTest, ShortReadLeavesStampUnchanged) {
  TPack pack;
  pack << TTimeStamp::FromMilliseconds(5, true);
  TPack reader(pack.Contents(), 8);
  TTimeStamp stamp(1);
  reader >> stamp;
  EXPECT_TRUE(stamp.IsNull());
  EXPECT_EQ(reader.Length(), 8u);
}

TEST(TTimeStampTest, DateTimeTextsAndTimeOfDay) {
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
}

TEST(TTimeStampTest, ArithmeticAndDifference) {
  TTimeStamp stamp = TTimeStamp::FromMilliseconds(1000, true);
  stamp.AddSeconds(90000);
  stamp.AddMilliseconds(250);
  EXPECT_EQ(stamp.SecondsSince1970(), 90001);
  EXPECT_EQ(stamp.dif(TTimeStamp::FromMilliseconds(1000, true)).GetTimeAsMilliseconds(), 90000250);
  TTimeStamp null(1);
  EXPECT_TRUE(null.IsNull());
  null.Update(0);
  EXPECT_FALSE(null.IsNull());
}

}  // namespace
