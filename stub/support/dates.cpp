#include "stub/support/dates.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr std::int64_t MilliSecondsPerDay = 86'400'000;
// Days from 1 January 1970 back to 30 December 1899.
constexpr std::int64_t DaysFrom1970To1899 = -25'569;

// Days since 1 January 1970 of a proleptic Gregorian date (month 1...12).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

const char* const MonthNames[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                  "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string TimeText(const TDateTimeParts& p, std::string_view sep) {
  std::string s = TwoDigits(p.Hour);
  s += sep;
  s += TwoDigits(p.Minute);
  s += sep;
  s += TwoDigits(p.Second);
  return s;
}

std::string OrDefault(std::string s, const char* fallback) { return s.empty() ? fallback : s; }

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int milliSecond) {
  // Month overflow carries into the year so that month 13 is January of the next year.
  std::int64_t y = year + (month - 1) / 12;
  int m = (month - 1) % 12;
  if (m < 0) {
    m += 12;
    --y;
  }
  const std::int64_t days = DaysFromCivil(y, m + 1, 1) + (day - 1) - DaysFrom1970To1899;
  const std::int64_t ms =
      ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + milliSecond;
  return static_cast<double>(days) + static_cast<double>(ms) / MilliSecondsPerDay;
}

TDateTimeParts DecodeDateTime(TDateTime dt) {
  if (!(dt >= 0)) dt = 0;
  if (dt > MaxDateTime) dt = MaxDateTime;
  // Round the whole value to the millisecond first, so 23:59:59.9996 becomes the next midnight
  // instead of a time of 24:00:00.
  const auto totalMs = static_cast<std::int64_t>(std::llround(dt * MilliSecondsPerDay));
  const std::int64_t days = totalMs / MilliSecondsPerDay;
  std::int64_t ms = totalMs % MilliSecondsPerDay;
  TDateTimeParts p;
  CivilFromDays(days + DaysFrom1970To1899, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int>(ms / 3'600'000);
  ms %= 3'600'000;
  p.Minute = static_cast<int>(ms / 60'000);
  ms %= 60'000;
  p.Second = static_cast<int>(ms / 1000);
  p.MilliSecond = static_cast<int>(ms % 1000);
  return p;
}

TDateTime ClampDateTime(LocalClock& clock, TDateTime dt) {
  if (dt == DateTimeNow) dt = clock.LocalNow();
  if (!(dt >= 0)) return 0;  // also NaN
  return dt > MaxDateTime ? MaxDateTime : dt;
}

std::string DateText(LocalClock& clock, TDateTime dt) {
  const TDateTimeParts p = DecodeDateTime(ClampDateTime(clock, dt));
  char year[16];
  std::snprintf(year, sizeof year, "%04d", p.Year);
  return TwoDigits(p.Day) + "-" + MonthNames[p.Month - 1] + "-" + year;
}

std::string DateTimeText(LocalClock& clock, std::string_view separator, TDateTime dt) {
  dt = ClampDateTime(clock, dt);
  std::string s = DateText(clock, dt);
  s += separator;
  s += TimeText(DecodeDateTime(dt), ":");
  return s;
}

std::string LogDateTimeText(LocalClock& clock, DateTimeLocale& locale, TDateTime dt) {
  const TDateTimeParts p = DecodeDateTime(ClampDateTime(clock, dt));
  const std::string ds = OrDefault(locale.DateSeparator(), "/");
  const std::string ts = OrDefault(locale.TimeSeparator(), ":");
  return TwoDigits(p.Day) + ds + TwoDigits(p.Month) + ds + TwoDigits(p.Year % 100) + " " +
         TimeText(p, ts);
}

std::int64_t NowSeconds(LocalClock& clock) {
  return std::llround(ClampDateTime(clock, DateTimeNow) * 86'400.0);
}

TMilliSecondClock::TMilliSecondClock(HighResolutionCounter& counter)
    : FCounter(counter), FFactor(1.0) {
  const std::int64_t frequency = counter.Frequency();
  if (frequency > 0) FFactor = 1000.0 / static_cast<double>(frequency);
}

double TMilliSecondClock::MilliSeconds() const {
  return static_cast<double>(FCounter.Counter()) * FFactor;
}
