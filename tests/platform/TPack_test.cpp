#include "zelclnt/platform/TPack.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "Bytes.h"

namespace {

enum Color : std::int32_t { kRed = 1 };

TEST(TPackTest, PrimitivesHaveFixedLittleEndianFormsAndRoundTrip) {
  const std::pair<std::string, std::string> cases[] = {
      {BytesOf(true), std::string("\x01", 1)}, {BytesOf(false), std::string("\x00", 1)},
      {BytesOf(0x01020304), "\x04\x03\x02\x01"}, {BytesOf(-1), "\xff\xff\xff\xff"},
      {BytesOf(0x01020304u), "\x04\x03\x02\x01"}, {BytesOf(-2L), "\xfe\xff\xff\xff"},
      {BytesOf(0xfffffffeUL), "\xfe\xff\xff\xff"},
      {BytesOf(std::string("ab")), std::string("\x02\x00\x00\x00" "ab", 6)},
      {BytesOf(std::string()), std::string("\x00\x00\x00\x00", 4)}};
  for (const auto& c : cases) EXPECT_EQ(c.first, c.second);
  TPack enumeration;
  PackEnum32(enumeration, static_cast<Color>(-123456));
  EXPECT_EQ(Written(enumeration), "\xc0\x1d\xfe\xff") << "an enumeration is its four raw bytes";

  TPack pack;
  pack << -7L << 4000000000UL << INT_MIN << true << std::string("x\0y", 3);
  PackEnum32(pack, static_cast<Color>(-123456));
  pack.Append("\x7f", 1);
  TPack reader(pack.Contents(), pack.Length());
  int asInt = 0;
  unsigned long asUnsigned = 0;
  long asLong = 0;
  bool flag = false, nonzero = false;
  std::string text;
  Color color = kRed;
  reader >> asInt >> asUnsigned >> asLong >> flag >> text;
  UnpackEnum32(reader, color);
  reader >> nonzero;
  EXPECT_EQ(std::make_tuple(asInt, asUnsigned, asLong, flag, text, static_cast<std::int32_t>(color), nonzero),
            std::make_tuple(-7, 4000000000UL, long{INT_MIN}, true, std::string("x\0y", 3), -123456, true))
      << "any nonzero byte reads as true";
  EXPECT_EQ(reader.Length(), 0u);
}

TEST(TPackTest, ShortReadsLeaveTargetAndBufferUnchanged) {
  const std::string bytes("\x05\x00\x00\x00" "abc", 7);
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    TPack reader(bytes.data(), size);
    std::string text = "keep";
    reader >> text;
    EXPECT_EQ(text, "keep") << size;
    if (size < 4) {
      long value = 42;
      unsigned long unsignedValue = 42;
      int intValue = 42;
      Color color = kRed;
      reader >> value >> unsignedValue >> intValue;
      UnpackEnum32(reader, color);
      EXPECT_EQ(std::make_tuple(value, unsignedValue, intValue, color), std::make_tuple(42L, 42UL, 42, kRed)) << size;
    }
    EXPECT_EQ(reader.Length(), size) << size;
  }
  const std::string hostile("\xff\xff\xff\x7f" "abcd", 8);
  std::string text;
  EXPECT_EQ(Read(hostile, text), hostile.size());
  EXPECT_EQ(text.capacity(), std::string().capacity()) << "a length beyond the bytes allocates nothing";
}

TEST(TPackTest, WritesThatDoNotFitThrow) {
  TPack pack;
#if LONG_MAX > INT_MAX  // where a long is wider than the wire's 4 bytes
  EXPECT_THROW(pack << static_cast<long>(INT_MAX) + 1, TPackError);
  EXPECT_THROW(pack << static_cast<long>(INT_MIN) - 1, TPackError);
  EXPECT_THROW(pack << static_cast<unsigned long>(UINT_MAX) + 1, TPackError);
#endif
  EXPECT_EQ(pack.Length(), 0u);

  const char byte = 0;
  TPack reader(&byte, 1);
  EXPECT_THROW(reader << 1, TPackError) << "a reading pack";

  char buffer[6] = {};
  TPack sizing(0);
  sizing << 99 << std::string("abc") << true;
  EXPECT_EQ(sizing.BufferSizeRequired(), 12u);
  EXPECT_EQ(sizing.Length(), 0u);
  sizing.SetBuffer(buffer, sizeof buffer);
  sizing << 1;
  EXPECT_EQ(sizing.Length(), 4u) << "the caller's buffer restarts writing";
  EXPECT_THROW(sizing << 2, TPackError);
  EXPECT_EQ(std::string(buffer, 4), std::string("\x01\x00\x00\x00", 4));
}

}  // namespace
