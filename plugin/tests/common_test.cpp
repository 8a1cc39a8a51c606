#include "plugin/common.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Every test starts from the millimetre tolerances.
class Kernel : public ::testing::Test {
 protected:
  void SetUp() override { ResetTolerances(); }
  void TearDown() override { ResetTolerances(); }
};

std::uint64_t Bits(double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

TEST(Units, ConvertUnitsTable) {
  struct Case {
    int from, to;
    double value, expected;
  } cases[] = {
      {0, 2, 1, 25.4},       {2, 1, 25.4, 1000},   {1, 2, 1000, 25.4}, {2, 2, 0.3, 0.3},
      {0, 1, 2.5, 2500},     {1, 0, 2500, 2.5},    {2, 0, 25.4, 1},    {0, 0, 7.25, 7.25},
      {1, 1, -3, -3},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ConvertUnits(c.from, c.to, c.value), c.expected) << c.from << "->" << c.to;
  }
  // Same unit gives the value back unchanged, bit for bit (also a negative zero).
  EXPECT_EQ(Bits(ConvertUnits(2, 2, -0.0)), Bits(-0.0));
  // The order of the operations is part of the result: mil to mm divides first.
  EXPECT_EQ(Bits(ConvertUnits(1, 2, 0.1)), Bits(0.1 / 1000 * 25.4));
  EXPECT_EQ(Bits(ConvertUnits(2, 1, 0.12)), Bits(0.12 / 25.4 * 1000));
  for (auto [from, to] : {std::pair{3, 0}, {0, -1}, {-1, 2}, {2, 3}}) {
    EXPECT_TRUE(std::isnan(ConvertUnits(from, to, 1))) << from << "->" << to;
  }
  EXPECT_EQ(UnitText(0), "inch");
  EXPECT_EQ(UnitText(1), "mil");
  EXPECT_EQ(UnitText(2), "mm");
  EXPECT_EQ(UnitText(3), "");
}

TEST(Numbers, ParseNumberAcceptsPlainDecimals) {
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"0,25", 0.25}, {"0.25", 0.25},  {"1e-3", 0.001}, {"1E+2", 100},  {"-1,5", -1.5},
      {"+2", 2},      {".5", 0.5},     {"3.", 3},       {"42", 42},     {" 7 ", 7},
      {"1e-400", 0},  {"0.000", 0},    {"-12.5e1", -125},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ParseNumber(c.text), c.expected) << c.text;
  }
}

// A small seeded generator for the random tables: the same numbers on every run and target.
struct TXorShift {
  std::uint64_t state;
  std::uint64_t operator()() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
};

// Short decimals take a quicker road than long ones; both must give the correctly rounded
// value, bit for bit what the standard reader makes of the same text.
TEST(Numbers, ParseNumberReadsDecimalsAsTheStandardReaderDoes) {
  TXorShift next{0x2545F4914F6CDD1Dull};
  for (int i = 0; i < 200000; ++i) {
    std::string text = next() % 2 ? "-" : "";
    const int intDigits = static_cast<int>(next() % 12);
    const int fracDigits = static_cast<int>(next() % 10);
    for (int k = 0; k < intDigits; ++k) text += static_cast<char>('0' + next() % 10);
    if (intDigits == 0) text += '0';
    if (fracDigits > 0 || next() % 4 == 0) text += '.';
    for (int k = 0; k < fracDigits; ++k) text += static_cast<char>('0' + next() % 10);
    double expected = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), expected);
    ASSERT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
    ASSERT_EQ(Bits(ParseNumber(text)), Bits(expected)) << text;
  }
}

TEST(Numbers, ParseNumberRejectsEverythingElse) {
  const char* rejected[] = {"",    "abc",   "1,000.5", "1.2.3", "inf",  "-inf",  "nan",
                            "NaN", "0x1p3", "0x10",    "1e999", "-1e400000", "12abc", "abc12",
                            ".",   "-",     "1e",      "1e+",   "e5",   "1 2",   "--1",
                            "1_0", "1e5.0", "\t"};
  for (const char* text : rejected) {
    EXPECT_TRUE(std::isnan(ParseNumber(text))) << '"' << text << '"';
  }
}

TEST(Numbers, WritingForm) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.2, "0.2"},
      {0, "0"},
      {-0.0, "0"},
      {1, "1"},
      {-1.5, "-1.5"},
      {25.4, "25.4"},
      {0.1 + 0.2, "0.3"},  // 15 significant digits hide the binary rest
      {1.0 / 3, "0.333333333333333"},
      {123456789012345, "123456789012345"},
      {1e15, "1E15"},
      {1.5e20, "1.5E20"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-2.5e-7, "-2.5E-7"},
      {4.724409448818898, "4.7244094488189"},
      {1000, "1000"},
      {0.12 / 25.4 * 1000, "4.7244094488189"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatNumber(c.value), c.text);
  }
  EXPECT_EQ(FormatNumberEdit(0.2), "0,2");
  EXPECT_EQ(FormatNumberEdit(-12.75), "-12,75");
  EXPECT_EQ(FormatNumberEdit(10), "10");
  // Locale form: the locale's own separator, then '.' turned into ','.
  EXPECT_EQ(FormatNumberLocale(0.254, '.'), "0,254");
  EXPECT_EQ(FormatNumberLocale(0.254, ','), "0,254");
  EXPECT_EQ(FormatNumberLocale(1.5e-7, ','), "1,5E-7");
}

// The writing form is %.15g with the exponent written as E, no plus sign and no leading
// zeros; to_chars' general format with precision 15 computes the digits on its own path.
std::string GeneralForm15(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, end);
  std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::string exponent = text.substr(e + 1);
  bool negative = exponent[0] == '-';
  exponent.erase(0, exponent.find_first_not_of("+-0"));
  return text.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
}

TEST(Numbers, WritingFormMatchesFifteenDigitRounding) {
  TXorShift next{0x9E3779B97F4A7C15ull};
  int checked = 0;
  for (int i = 0; i < 200000; ++i) {
    // Any finite double, and board-like numbers: thousandths in some unit, converted.
    std::uint64_t bits = next();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    const double board = static_cast<double>(static_cast<std::int64_t>(next() % 2000001) - 1000000) / 1000;
    const double sum = board * 2 + 0.05 * static_cast<double>(next() % 9) + 0.1;  // rounding noise
    for (double v : {any, board, board * 25.4, board / 25.4 * 1000, board / 1000 * 25.4, sum, sum / 3}) {
      if (!std::isfinite(v) || v == 0) continue;
      char text[NumberTextSize];
      const std::string written(text, FormatNumberTo(v, text));
      ASSERT_EQ(written, GeneralForm15(v)) << "bits " << Bits(v);
      ++checked;
    }
  }
  EXPECT_GT(checked, 1300000);
}

TEST(Numbers, WritingFormRoundTripsThroughParse) {
  for (double v : {0.2, 0.254, 1.0 / 3, -7.125, 1e-9, 12345.678, 0.1 / 25.4}) {
    EXPECT_DOUBLE_EQ(ParseNumber(FormatNumber(v)), std::stod(FormatNumber(v))) << v;
    EXPECT_NEAR(ParseNumber(FormatNumber(v)), v, std::abs(v) * 1e-14);
    EXPECT_EQ(ParseNumber(FormatNumberEdit(v)), ParseNumber(FormatNumber(v)));
  }
}

// The document's numbers must not follow the process locale. The host run sets a German
// locale (decimal comma) when one is available; the Windows run asks the C runtime for one.
TEST(Numbers, IndependentOfProcessLocale) {
  const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "German"};
  const char* set = nullptr;
  for (const char* name : names) {
    if ((set = std::setlocale(LC_ALL, name)) != nullptr) break;
  }
  ASSERT_NE(set, nullptr) << "no locale with a decimal comma available";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(FormatNumber(0.2), "0.2");
  EXPECT_EQ(FormatNumber(-1234.5), "-1234.5");
  EXPECT_EQ(FormatNumberEdit(0.2), "0,2");
  EXPECT_DOUBLE_EQ(ParseNumber("0.25"), 0.25);
  EXPECT_DOUBLE_EQ(ParseNumber("0,25"), 0.25);
  std::setlocale(LC_ALL, "C");
}

TEST(Settings, PrecisionAndDefaults) {
  TSettings s;
  EXPECT_TRUE(s.DefaultLineWidth().empty());
  struct Case {
    int index, expected;
  } cases[] = {{0, 4}, {1, 2}, {2, 4}, {3, 0}, {-1, 0}};
  for (const Case& c : cases) EXPECT_EQ(s.GetPrecision(c.index), c.expected) << c.index;
  s.SetPrecision(5, 1);
  s.SetPrecision(-1, 1);
  EXPECT_EQ(s.GetPrecision(0), 4);
  EXPECT_EQ(s.GetPrecision(1), 2);
  EXPECT_EQ(s.GetPrecision(2), 4);
  s.SetPrecision(1, 3);
  EXPECT_EQ(s.GetPrecision(1), 3);
}

TEST_F(Kernel, TolerancesRescaleOnceIntoTheDocumentUnit) {
  EXPECT_EQ(GeomEps, 1e-6);
  EXPECT_EQ(OffsetSlack, 1.0 / 300);
  EXPECT_EQ(ProbeStep, 1.0 / 3000);
  RescaleTolerances(UnitMil);
  EXPECT_EQ(GeomEps, 1e-6 / 25.4 * 1000);
  EXPECT_EQ(OffsetSlack, 1.0 / 300 / 25.4 * 1000);
  EXPECT_EQ(ProbeStep, 1.0 / 3000 / 25.4 * 1000);
  ResetTolerances();
  RescaleTolerances(UnitInch);
  EXPECT_EQ(GeomEps, 1e-6 / 25.4);
  ResetTolerances();
  RescaleTolerances(UnitMm);
  EXPECT_EQ(GeomEps, 1e-6);
}

TEST_F(Kernel, PointArithmetic) {
  TDPoint a{1, 2}, b{4, -6};
  EXPECT_EQ((a + b).x, 5);
  EXPECT_EQ((a + b).y, -4);
  EXPECT_EQ((a - b).x, -3);
  EXPECT_EQ((a * 2).y, 4);
  EXPECT_EQ((2 * a).x, 2);
  EXPECT_EQ((b / 2).y, -3);
  EXPECT_TRUE(std::isinf((a / 0.0).x));
  EXPECT_EQ(a.Dot(b), 4 - 12);
  EXPECT_EQ(TDPoint(1, 0).Cross({0, 1}), 1);  // counter-clockwise is positive
  EXPECT_EQ(TDPoint(0, 1).Cross({1, 0}), -1);
  TDPoint m = a.MidPoint(b);
  EXPECT_EQ(m.x, 2.5);
  EXPECT_EQ(m.y, -2);
  a.Offset(0.5, -1);
  EXPECT_EQ(a.x, 1.5);
  EXPECT_EQ(a.y, 1);
  EXPECT_EQ(TDPoint(3, 4).Length(), 5);
  EXPECT_EQ(TDPoint(0, 0).Length(), 0);
  EXPECT_EQ(TDPoint(-5, 0).Length(), 5);
  // No overflow on the way: the squares of these would be infinite.
  EXPECT_DOUBLE_EQ(TDPoint(3e300, 4e300).Length(), 5e300);
  EXPECT_EQ(TDPoint(1, 1).Distance({4, 5}), 5);
}

TEST_F(Kernel, EqualityIsASquareWindowOfGeomEps) {
  TDPoint p{10, 10};
  EXPECT_TRUE(p == TDPoint(10 + 0.5e-6, 10 + 0.5e-6));
  EXPECT_FALSE(p != TDPoint(10 + 0.5e-6, 10 + 0.5e-6));
  EXPECT_FALSE(p == TDPoint(10 + 1.5e-6, 10));
  EXPECT_TRUE(p != TDPoint(10 + 1.5e-6, 10));
  EXPECT_TRUE(p == TDPoint(10 + 0.9e-6, 10 - 0.9e-6));  // diagonal 1.27e-6 is still equal
  RescaleTolerances(UnitInch);                           // 1e-6 mm = 3.9e-8 inch
  EXPECT_FALSE(p == TDPoint(10 + 0.5e-6, 10));
}

TEST_F(Kernel, DistanceToLine) {
  struct Case {
    TDPoint p, a, b, closest;
    double distance;
  } cases[] = {
      {{5, 5}, {0, 0}, {10, 0}, {5, 0}, 5},
      {{-3, 4}, {0, 0}, {10, 0}, {0, 0}, 5},
      {{13, 4}, {0, 0}, {10, 0}, {10, 0}, 5},
      {{5, 6}, {2, 2}, {2, 2}, {2, 2}, 5},
      {{0, 0}, {0, 0}, {10, 0}, {0, 0}, 0},
      {{10, 3}, {0, 0}, {10, 0}, {10, 0}, 3},
  };
  for (const Case& c : cases) {
    TDPoint closest{-99, -99};
    EXPECT_DOUBLE_EQ(c.p.DistanceToLine(c.a, c.b, closest), c.distance);
    EXPECT_DOUBLE_EQ(closest.x, c.closest.x);
    EXPECT_DOUBLE_EQ(closest.y, c.closest.y);
  }
}

TEST_F(Kernel, AngleCosAndNormalize) {
  EXPECT_EQ(TDPoint(1, 0).AngleCos({0, 0}), 1);
  EXPECT_EQ(TDPoint(1, 0).AngleCos({-2, 0}), -1);
  EXPECT_EQ(TDPoint(0, 0).AngleCos({0, 0}), 1);
  EXPECT_NEAR(TDPoint(1, 0).AngleCos({1, 1}), std::sqrt(0.5), 1e-15);
  EXPECT_EQ(TDPoint(2, 0).AngleCos({0, 3}), 0);

  TDPoint tiny{1e-7, 0};
  tiny.Normalize();
  EXPECT_EQ(tiny.x, 1e-7);
  TDPoint v{3, 4};
  v.Normalize();
  EXPECT_DOUBLE_EQ(v.x, 0.6);
  EXPECT_DOUBLE_EQ(v.y, 0.8);
  TDPoint w = TDPoint(0, -2).Normalized();
  EXPECT_EQ(w.y, -1);
}

TEST_F(Kernel, IsInPolyWindingRule) {
  TDPointList square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  TDPointList clockwise{{0, 0}, {0, 10}, {10, 10}, {10, 0}};
  EXPECT_TRUE(TDPoint(5, 5).IsInPoly(square, false));
  EXPECT_TRUE(TDPoint(5, 5).IsInPoly(clockwise, false));
  EXPECT_FALSE(TDPoint(15, 5).IsInPoly(square, false));
  EXPECT_FALSE(TDPoint(5, -1).IsInPoly(square, false));
  // A vertex counts as inside with onVertex; without it the winding rule decides.
  EXPECT_TRUE(TDPoint(10, 10).IsInPoly(square, true));
  EXPECT_TRUE(TDPoint(0, 0).IsInPoly(square, false));
  EXPECT_FALSE(TDPoint(10, 10).IsInPoly(square, false));
  // Too few points are never a polygon.
  TDPointList two{{0, 0}, {10, 10}};
  EXPECT_FALSE(TDPoint(5, 5).IsInPoly(two, true));
  EXPECT_FALSE(TDPoint(0, 0).IsInPoly(two, true));
  // A repeated closing vertex does no harm.
  TDPointList closed{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  EXPECT_TRUE(TDPoint(5, 5).IsInPoly(closed, false));
  // Winding numbers: a ring wound twice around the point is inside.
  TDPointList twice{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(TDPoint(5, 5).IsInPoly(twice, false));
}

TEST_F(Kernel, IsOnLine) {
  TDPoint a{0, 0}, b{10, 0};
  EXPECT_TRUE(a.IsOnLine(a, b));
  EXPECT_TRUE(b.IsOnLine(a, b));
  EXPECT_TRUE(TDPoint(5, 0).IsOnLine(a, b));
  EXPECT_FALSE(TDPoint(-0.1, 0).IsOnLine(a, b));
  EXPECT_FALSE(TDPoint(10.1, 0).IsOnLine(a, b));
  EXPECT_FALSE(TDPoint(5, 1e-3).IsOnLine(a, b));
  // The cross-product tolerance is absolute: a long segment takes a point a little off.
  EXPECT_FALSE(TDPoint(5, 2e-7).IsOnLine(a, b));
  EXPECT_TRUE(TDPoint(0.5, 2e-7).IsOnLine({0, 0}, {1, 0}));
  // A segment of two identical ends accepts every point.
  EXPECT_TRUE(TDPoint(123, -45).IsOnLine({2, 2}, {2, 2}));
}

TEST_F(Kernel, SignedArea) {
  TDPointList ccw{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  TDPointList cw{{0, 0}, {0, 1}, {1, 1}, {1, 0}};
  TDPointList closed{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
  TDPointList two{{0, 0}, {1, 0}};
  EXPECT_DOUBLE_EQ(ccw.SignedArea(), 1);
  EXPECT_DOUBLE_EQ(cw.SignedArea(), -1);
  EXPECT_DOUBLE_EQ(closed.SignedArea(), 1);
  EXPECT_TRUE(std::isnan(two.SignedArea()));
  EXPECT_EQ(ccw.Count(), 4);  // the list itself stays as it was
  // A last point within GeomEps (by distance) of the first closes the ring as it is.
  TDPointList nearlyClosed{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0.5e-6}};
  EXPECT_NEAR(nearlyClosed.SignedArea(), 4, 1e-5);
}

TEST_F(Kernel, ListAssignAndRangeErrors) {
  TDPointList a{{1, 1}, {2, 2}};
  TDPointList b{{9, 9}};
  b.Assign(a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b[1].x, 2);
  a[0] = {5, 5};
  EXPECT_EQ(b[0].x, 1);  // value semantics
  b.Assign(b);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_THROW(b[2], EListError);
  EXPECT_THROW(b[-1], EListError);
  try {
    (void)b[7];
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (7)");
  }
  b.Insert(0, {0, 0});
  b.Delete(2);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b[1].x, 1);
  EXPECT_THROW(b.Delete(2), EListError);
}

}  // namespace
