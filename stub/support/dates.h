#pragma once
// Dates, clock values and the millisecond clock of the stub.
//
// A date-time is a day count since 30 December 1899 with the time of day as its fraction
// (the OLE date form), so 1.5 is noon on 31 December 1899. Every routine that takes a
// date-time accepts `DateTimeNow` (-1) for "now" and clamps the value to 0 ... 10,000,000 days.
#include <cstdint>
#include <string>
#include <string_view>

using TDateTime = double;

inline constexpr TDateTime DateTimeNow = -1.0;
inline constexpr TDateTime MaxDateTime = 10'000'000.0;

// The local wall-clock time of the machine.
class LocalClock {
 public:
  virtual TDateTime LocalNow() = 0;

 protected:
  ~LocalClock() = default;
};

// The user's date and time separators, as the log date-time shows them ("/" and ":" in
// English-US). An empty answer means the default.
class DateTimeLocale {
 public:
  virtual std::string DateSeparator() = 0;
  virtual std::string TimeSeparator() = 0;

 protected:
  ~DateTimeLocale() = default;
};

// A monotonic high-resolution counter. A frequency of 0 or less means the counter already
// counts milliseconds.
class HighResolutionCounter {
 public:
  virtual std::int64_t Counter() = 0;
  virtual std::int64_t Frequency() = 0;

 protected:
  ~HighResolutionCounter() = default;
};

// The real implementations (Win32 layer).
LocalClock& SystemLocalClock();
DateTimeLocale& SystemDateTimeLocale();
HighResolutionCounter& SystemHighResolutionCounter();

// Calendar parts of a date-time, the time of day rounded to the millisecond.
struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// Date-time of a calendar date and time (proleptic Gregorian); out-of-range fields carry
// over arithmetically, as in a day count.
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int milliSecond = 0);
// Parts of a (clamped) date-time; a time of day that rounds up to 24:00 moves to the next day.
TDateTimeParts DecodeDateTime(TDateTime dt);

// -1 becomes now; the result lies within 0 ... MaxDateTime (a NaN becomes 0).
TDateTime ClampDateTime(LocalClock& clock, TDateTime dt);

// "09-DEC-2025".
std::string DateText(LocalClock& clock, TDateTime dt);
std::string DateText(TDateTime dt = DateTimeNow);

// DateText + separator + "HH:NN:SS".
std::string DateTimeText(LocalClock& clock, std::string_view separator, TDateTime dt);
std::string DateTimeText(std::string_view separator = " ", TDateTime dt = DateTimeNow);

// "dd/mm/yy HH:NN:SS" with the locale's date and time separators: the agent log's stamp.
std::string LogDateTimeText(LocalClock& clock, DateTimeLocale& locale, TDateTime dt);
std::string LogDateTimeText(TDateTime dt = DateTimeNow);

// The local date-time in whole seconds since 30 December 1899 (rounded to nearest).
std::int64_t NowSeconds(LocalClock& clock);
std::int64_t NowSeconds();

// Milliseconds on a monotonic clock: counter x (1000 / frequency), the factor taken once.
class TMilliSecondClock {
 public:
  explicit TMilliSecondClock(HighResolutionCounter& counter);
  double MilliSeconds() const;

 private:
  HighResolutionCounter& FCounter;
  double FFactor;
};

// The process-wide millisecond clock over the system counter.
double MilliSecondClock();
