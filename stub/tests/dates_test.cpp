#include "stub/support/dates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class FixedClock final : public LocalClock {
 public:
  explicit FixedClock(TDateTime now) : Now(now) {}
  TDateTime LocalNow() override {
    ++Calls;
    return Now;
  }
  TDateTime Now;
  int Calls = 0;
};

class FixedLocale final : public DateTimeLocale {
 public:
  FixedLocale(std::string date, std::string time) : Date(std::move(date)), Time(std::move(time)) {}
  std::string DateSeparator() override { return Date; }
  std::string TimeSeparator() override { return Time; }
  std::string Date, Time;
};

class FakeCounter final : public HighResolutionCounter {
 public:
  std::int64_t Counter() override { return Count; }
  std::int64_t Frequency() override {
    ++FrequencyCalls;
    return Freq;
  }
  std::int64_t Count = 0, Freq = 0;
  int FrequencyCalls = 0;
};

constexpr double Second = 1.0 / 86'400.0;

TEST(EncodeDateTime, DayCountsFromTheOleEpoch) {
  struct Case {
    int y, m, d;
    double days;
  } cases[] = {
      {1899, 12, 30, 0},    {1899, 12, 31, 1},   {1900, 2, 28, 60},    {1900, 3, 1, 61},
      {2000, 2, 29, 36585}, {2025, 1, 1, 45658}, {2025, 12, 9, 46000}, {9999, 12, 31, 2958465},
      {2024, 13, 1, 45658},  // month 13 carries into the next year
  };
  for (const auto& c : cases)
    EXPECT_EQ(EncodeDateTime(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
  EXPECT_DOUBLE_EQ(EncodeDateTime(2025, 1, 1, 18, 0, 0), 45658.75);
}

TEST(DecodeDateTime, RoundTripsEveryFieldAndCarriesRoundingIntoTheNextDay) {
  const TDateTimeParts p = DecodeDateTime(EncodeDateTime(2024, 2, 29, 23, 59, 58, 999));
  EXPECT_EQ(p.Year, 2024);
  EXPECT_EQ(p.Month, 2);
  EXPECT_EQ(p.Day, 29);
  EXPECT_EQ(p.Hour, 23);
  EXPECT_EQ(p.Minute, 59);
  EXPECT_EQ(p.Second, 58);
  EXPECT_EQ(p.MilliSecond, 999);

  // 0.4 ms before midnight: the next day at 00:00:00.000, never a time of 24:00.
  const TDateTimeParts q = DecodeDateTime(EncodeDateTime(2024, 2, 29) + 1.0 - 0.0004 * Second);
  EXPECT_EQ(q.Month, 3);
  EXPECT_EQ(q.Day, 1);
  EXPECT_EQ(q.Hour, 0);
  EXPECT_EQ(q.Second, 0);
}

TEST(DateText, FormatsDayMonthNameAndFourDigitYearWithClamping) {
  FixedClock clock(EncodeDateTime(2025, 12, 9, 13, 5, 9));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double dt;
    const char* text;
  } cases[] = {
      {EncodeDateTime(2025, 1, 1), "01-JAN-2025"},
      {EncodeDateTime(2025, 2, 28, 23, 59, 59), "28-FEB-2025"},
      {EncodeDateTime(1999, 11, 30), "30-NOV-1999"},
      {DateTimeNow, "09-DEC-2025"},
      {0, "30-DEC-1899"},
      {-2, "30-DEC-1899"},
      {-0.5, "30-DEC-1899"},
      {nan, "30-DEC-1899"},
      {5e7, "24-JAN-29279"},  // clamped to 10,000,000 days
      {MaxDateTime, "24-JAN-29279"},
  };
  for (const auto& c : cases) EXPECT_EQ(DateText(clock, c.dt), c.text) << c.dt;
}

TEST(DateTimeText, AppendsTheTimeAfterTheGivenSeparator) {
  FixedClock clock(EncodeDateTime(2025, 12, 9, 13, 5, 9));
  EXPECT_EQ(DateTimeText(clock, " ", DateTimeNow), "09-DEC-2025 13:05:09");
  EXPECT_EQ(DateTimeText(clock, "_", EncodeDateTime(2025, 1, 1, 0, 0, 7)), "01-JAN-2025_00:00:07");
  EXPECT_EQ(DateTimeText(clock, "", -3), "30-DEC-189900:00:00");
  // Rounding at the end of a day moves the date too, keeping date and time consistent.
  EXPECT_EQ(DateTimeText(clock, " ", EncodeDateTime(2025, 12, 31) + 1.0 - 0.0002 * Second),
            "01-JAN-2026 00:00:00");
}

TEST(LogDateTimeText, UsesTheLocaleSeparatorsOrTheDefaults) {
  FixedClock clock(EncodeDateTime(2007, 3, 4, 5, 6, 7));
  struct Case {
    const char* date;
    const char* time;
    const char* text;
  } cases[] = {
      {"/", ":", "04/03/07 05:06:07"},    {".", ":", "04.03.07 05:06:07"},
      {"-", ".", "04-03-07 05.06.07"},    {"", "", "04/03/07 05:06:07"},
      {". ", ":", "04. 03. 07 05:06:07"},
  };
  for (const auto& c : cases) {
    FixedLocale locale(c.date, c.time);
    EXPECT_EQ(LogDateTimeText(clock, locale, DateTimeNow), c.text) << c.date << c.time;
  }
  FixedLocale plain("/", ":");
  EXPECT_EQ(LogDateTimeText(clock, plain, EncodeDateTime(2100, 12, 31, 23, 59, 59)),
            "31/12/00 23:59:59");
}

TEST(NowSeconds, RoundsTheLocalTimeToTheNearestSecond) {
  struct Case {
    double now;
    std::int64_t seconds;
  } cases[] = {
      {0, 0},
      {1.5, 129'600},
      {10 + 0.6 * Second, 864'001},
      {10 + 0.4 * Second, 864'000},
      {EncodeDateTime(2025, 1, 1), 45658LL * 86'400},
      {-7, 0},
      {2e7, 864'000'000'000LL},
  };
  for (const auto& c : cases) {
    FixedClock clock(c.now);
    EXPECT_EQ(NowSeconds(clock), c.seconds) << c.now;
    EXPECT_EQ(clock.Calls, 1);
  }
}

TEST(TMilliSecondClock, ScalesTheCounterByAFactorTakenOnce) {
  FakeCounter counter;
  counter.Freq = 3'000'000;
  const TMilliSecondClock clock(counter);
  counter.Count = 4'500'000;
  EXPECT_DOUBLE_EQ(clock.MilliSeconds(), 1500.0);
  counter.Freq = 1;  // a later frequency change does not matter: the factor is cached
  counter.Count = 9'000'000'000LL;
  EXPECT_DOUBLE_EQ(clock.MilliSeconds(), 3'000'000.0);
  EXPECT_EQ(counter.FrequencyCalls, 1);
}

TEST(TMilliSecondClock, ACounterWithoutFrequencyCountsMilliseconds) {
  for (std::int64_t freq : {0LL, -5LL}) {
    FakeCounter counter;
    counter.Freq = freq;
    const TMilliSecondClock clock(counter);
    counter.Count = 1234;
    EXPECT_DOUBLE_EQ(clock.MilliSeconds(), 1234.0) << freq;
  }
}

}  // namespace
