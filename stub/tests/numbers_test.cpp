#include "stub/support/numbers.h"

#include <gtest/gtest.h>

namespace {

TEST(ThousandsText, GroupsTheDigitsLeftOfThePoint) {
  struct Case {
    const char* text;
    const char* result;
  } cases[] = {
      {"0", "0"},
      {"999", "999"},
      {"1000", "1,000"},
      {"1234567", "1,234,567"},
      {"-1234567.891", "-1,234,567.891"},
      {"123456.7", "123,456.7"},
      {"+1000", "+1,000"},
      {".5", ".5"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ThousandsText(c.text), c.result) << c.text;
  EXPECT_EQ(ThousandsText(std::int64_t{-9'223'372'036'854'775'807LL - 1}),
            "-9,223,372,036,854,775,808");
  EXPECT_EQ(ThousandsText(std::int64_t{12345}), "12,345");
}

TEST(BytesText, KilobytesAndMegabytesWithDecimalsOrRoundedUp) {
  struct Case {
    double bytes;
    int decimals;
    const char* kb;
    const char* mb;
  } cases[] = {
      {1536, 1, "1.5", "0.0"},
      {1025, 0, "2", "1"},  // whole units are rounded up
      {1024, 0, "1", "1"},
      {0, 0, "0", "0"},
      {3 * 1048576.0, 2, "3072.00", "3.00"},
      {1048576.0 + 524288.0, 4, "1536.0000", "1.5000"},
      {1048576.0 + 524288.0, 9, "1536.0000", "1.5000"},  // at most 4 decimals
      {100, 3, "0.098", "0.000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BytesToKB(c.bytes, c.decimals), c.kb) << c.bytes << " " << c.decimals;
    EXPECT_EQ(BytesToMB(c.bytes, c.decimals), c.mb) << c.bytes << " " << c.decimals;
  }
}

TEST(TextToFloat, ReadsCommaOrPointDecimalsAndFallsBack) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"1.5", 1.5},     {"1,5", 1.5}, {"1,234.5", 1234.5},
      {"-0,25", -0.25}, {" 42 ", 42}, {"+3", 3},
      {"1e3", 1000},    {".5", 0.5},  {"1,234,567.5", 1234567.5},
      {"1,2,3", -1},  // no point: both commas are points
      {"", -1},         {"abc", -1},  {"1.5x", -1},
      {"+-1", -1},      {"inf", -1},  {"nan", -1},
      {"1.2.3", -1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(TextToFloat(c.text, -1), c.value) << c.text;
}

TEST(FixedText, DecimalsWithOptionalTrailingZerosDropped) {
  struct Case {
    double value;
    int decimals;
    bool drop;
    const char* text;
  } cases[] = {
      {1.5, 3, false, "1.500"},
      {1.5, 3, true, "1.5"},
      {2.0, 2, true, "2"},
      {0.0, 2, true, "0"},
      {0.0, 2, false, "0.00"},
      {-1.25, 1, false, "-1.2"},
      {1234.5678, 2, false, "1234.57"},
      {3.0, 0, false, "3"},
      {3.0, 0, true, "3"},
      {-0.001, 2, false, "0.00"},
      {-0.001, 2, true, "0"},
      {-2.5, 2, true, "-2.5"},
      {100.0, 2, true, "100"},
      {1e-7, 20, false, "0.000000100000000"},  // 15 decimals at most
  };
  for (const auto& c : cases)
    EXPECT_EQ(FixedText(c.value, c.decimals, c.drop), c.text) << c.value << " " << c.decimals;
}

TEST(HexText, PlainAndPrefixedWithAGapAfterEveryEighthByte) {
  EXPECT_EQ(HexText(std::string_view("\x00\x0a\xff\x7f", 4)), "000AFF7F");
  EXPECT_EQ(HexText(""), "");
  EXPECT_EQ(HexText("\x01\xab", true), "0x01 0xAB ");
  EXPECT_EQ(HexText("ABCDEFGHIJ", true), "0x41 0x42 0x43 0x44 0x45 0x46 0x47 0x48  0x49 0x4A ");
}

TEST(HexPairsToBytes, DecodesPairsAndRejectsBadInput) {
  std::string bytes = "untouched";
  EXPECT_TRUE(HexPairsToBytes("00ff7Fa0", bytes));
  EXPECT_EQ(bytes, std::string("\x00\xff\x7f\xa0", 4));
  EXPECT_TRUE(HexPairsToBytes("", bytes));
  EXPECT_EQ(bytes, "");
  bytes = "untouched";
  for (const char* bad : {"0", "0G", "12 3", "zz"}) {
    EXPECT_FALSE(HexPairsToBytes(bad, bytes)) << bad;
    EXPECT_EQ(bytes, "untouched");
  }
}

TEST(RadixToInt, ParsesRadix2To16AndFallsBack) {
  struct Case {
    const char* text;
    int radix;
    std::int64_t value;
  } cases[] = {
      {"FF", 16, 255},
      {"ff", 16, 255},
      {"101", 2, 5},
      {"777", 8, 511},
      {"Z", 16, -1},
      {"2", 2, -1},
      {"", 16, -1},
      {"10", 1, -1},
      {"10", 17, -1},
      {"7FFFFFFFFFFFFFFF", 16, INT64_MAX},
      {"FFFFFFFFFFFFFFFF", 16, -1},   // the full 64-bit pattern
      {"10000000000000000", 16, -1},  // 65 bits
      {" 1A ", 16, 26},
  };
  for (const auto& c : cases) EXPECT_EQ(RadixToInt(c.text, c.radix, -1), c.value) << c.text;
  EXPECT_EQ(RadixToInt("FFFFFFFFFFFFFFFF", 16, 0), -1);
  EXPECT_EQ(RadixToInt("10000000000000000", 16, 0), 0);
  EXPECT_EQ(HexToInt("0C", 0), 12);
  EXPECT_EQ(HexToInt("0x0C", 99), 99);
}

}  // namespace
