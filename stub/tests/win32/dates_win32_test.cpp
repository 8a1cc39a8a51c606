#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>

#include "stub/support/dates.h"

namespace {

std::string LocaleItem(LCTYPE item) {
  char buf[16] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buf, sizeof buf);
  return buf;
}

// Sets a user locale item for the test's lifetime.
class ScopedLocaleItem {
 public:
  ScopedLocaleItem(LCTYPE item, const char* value) : FItem(item), FOld(LocaleItem(item)) {
    FSet = SetLocaleInfoA(LOCALE_USER_DEFAULT, item, value) != 0;
  }
  ~ScopedLocaleItem() {
    if (FSet) SetLocaleInfoA(LOCALE_USER_DEFAULT, FItem, FOld.c_str());
  }
  bool Set() const { return FSet; }

 private:
  LCTYPE FItem;
  std::string FOld;
  bool FSet = false;
};

TEST(SystemLocalClock, AgreesWithTheSystemLocalTime) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  const TDateTime expected = EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute,
                                            st.wSecond, st.wMilliseconds);
  const TDateTime now = SystemLocalClock().LocalNow();
  EXPECT_GE(now, expected - 1e-8);  // x87 rounding may differ in the last bits
  EXPECT_LT((now - expected) * 86'400.0, 2.0);
  const std::int64_t seconds = NowSeconds();
  EXPECT_LE(std::llabs(seconds - std::llround(expected * 86'400.0)), 2);
  char day[8];
  snprintf(day, sizeof day, "%02d", st.wDay);
  EXPECT_EQ(DateText().substr(0, 2), day);
}

TEST(LogDateTimeText, TakesTheUsersSeparatorsFromTheLocale) {
  const TDateTime dt = EncodeDateTime(2007, 3, 4, 5, 6, 7);
  EXPECT_EQ(LogDateTimeText(dt), "04" + LocaleItem(LOCALE_SDATE) + "03" + LocaleItem(LOCALE_SDATE) +
                                     "07 05" + LocaleItem(LOCALE_STIME) + "06" +
                                     LocaleItem(LOCALE_STIME) + "07");
  {
    ScopedLocaleItem date(LOCALE_SDATE, ".");
    ScopedLocaleItem time(LOCALE_STIME, "-");
    ASSERT_TRUE(date.Set() && time.Set());
    EXPECT_EQ(LogDateTimeText(dt), "04.03.07 05-06-07");
  }
}

TEST(MilliSecondClock, FollowsTheTickCount) {
  const double start = MilliSecondClock();
  const DWORD ticks = GetTickCount();
  Sleep(120);
  const double elapsed = MilliSecondClock() - start;
  const DWORD tickElapsed = GetTickCount() - ticks;
  EXPECT_GE(elapsed, 100.0);
  EXPECT_NEAR(elapsed, static_cast<double>(tickElapsed), 40.0);
  // Monotonic over many quick reads.
  double last = MilliSecondClock();
  for (int i = 0; i < 1000; ++i) {
    const double now = MilliSecondClock();
    ASSERT_GE(now, last);
    last = now;
  }
}

}  // namespace
