#include "stub/support/pump.h"

#include <exception>

#include "stub/support/zbdebug.h"

void YieldX(MessagePump& pump, std::uint32_t ms) {
  try {
    pump.DispatchWaitingMessages();
    pump.Sleep(ms);
  } catch (const std::exception& e) {
    LogException(e, "YieldX", "");
  } catch (...) {
    LogException(std::string_view(), "YieldX", "");
  }
}

std::uint32_t PumpingSlice(std::uint32_t slice, std::uint32_t ms) {
  if (slice != 0) return slice;
  slice = ms / 10;
  if (slice < 1) slice = 1;
  if (slice > 25) slice = 25;
  return slice;
}

void SleepPumping(MessagePump& pump, std::uint32_t slice, std::uint32_t ms) {
  slice = PumpingSlice(slice, ms);
  double start = 0;
  try {
    start = pump.MilliSeconds();
  } catch (...) {
    // Without a clock the wait still happens once.
    YieldX(pump, ms);
    return;
  }
  for (;;) {
    YieldX(pump, slice);
    double now = start + ms;
    try {
      now = pump.MilliSeconds();
    } catch (...) {
    }
    if (now - start >= ms) break;
  }
}
