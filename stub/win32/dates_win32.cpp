// The system's clock, locale separators and performance counter for the date helpers.
#include <windows.h>

#include "stub/support/dates.h"

namespace {

class Win32LocalClock final : public LocalClock {
 public:
  TDateTime LocalNow() override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                          st.wMilliseconds);
  }
};

std::string UserLocaleInfo(LCTYPE item) {
  char buf[16] = {};
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buf, sizeof buf);
  return n > 1 ? std::string(buf, static_cast<size_t>(n - 1)) : std::string();
}

// Read on every call (cheap next to the file append of a log line), so that a change of the
// user's settings shows in the next line.
class Win32DateTimeLocale final : public DateTimeLocale {
 public:
  std::string DateSeparator() override { return UserLocaleInfo(LOCALE_SDATE); }
  std::string TimeSeparator() override { return UserLocaleInfo(LOCALE_STIME); }
};

// Without a performance counter the tick count (milliseconds) stands in, frequency 0.
class Win32HighResolutionCounter final : public HighResolutionCounter {
 public:
  Win32HighResolutionCounter() {
    LARGE_INTEGER f;
    if (QueryPerformanceFrequency(&f) && f.QuadPart > 0) FFrequency = f.QuadPart;
  }
  std::int64_t Counter() override {
    if (FFrequency > 0) {
      LARGE_INTEGER c;
      QueryPerformanceCounter(&c);
      return c.QuadPart;
    }
    return static_cast<std::int64_t>(GetTickCount());
  }
  std::int64_t Frequency() override { return FFrequency; }

 private:
  std::int64_t FFrequency = 0;
};

}  // namespace

LocalClock& SystemLocalClock() {
  static Win32LocalClock clock;
  return clock;
}

DateTimeLocale& SystemDateTimeLocale() {
  static Win32DateTimeLocale locale;
  return locale;
}

HighResolutionCounter& SystemHighResolutionCounter() {
  static Win32HighResolutionCounter counter;
  return counter;
}

std::string DateText(TDateTime dt) { return DateText(SystemLocalClock(), dt); }

std::string DateTimeText(std::string_view separator, TDateTime dt) {
  return DateTimeText(SystemLocalClock(), separator, dt);
}

std::string LogDateTimeText(TDateTime dt) {
  return LogDateTimeText(SystemLocalClock(), SystemDateTimeLocale(), dt);
}

std::int64_t NowSeconds() { return NowSeconds(SystemLocalClock()); }

double MilliSecondClock() {
  static const TMilliSecondClock clock(SystemHighResolutionCounter());
  return clock.MilliSeconds();
}
