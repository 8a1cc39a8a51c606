#include "stub/support/pump.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "stub/tests/system_log_capture.h"

namespace {

// A message queue and clock in memory: sleeping moves the clock on.
class FakePump final : public MessagePump {
 public:
  std::vector<std::string> Events;
  std::vector<std::uint32_t> Sleeps;
  double Now = 1000.5;
  int FailDispatches = 0;  // the next this many dispatches throw

  void DispatchWaitingMessages() override {
    Events.push_back("dispatch");
    if (FailDispatches > 0) {
      --FailDispatches;
      throw std::runtime_error("window procedure failed");
    }
  }
  void Sleep(std::uint32_t ms) override {
    Events.push_back("sleep " + std::to_string(ms));
    Sleeps.push_back(ms);
    Now += ms;
  }
  double MilliSeconds() override { return Now; }
};

TEST(YieldX, DispatchesThenSleeps) {
  FakePump pump;
  YieldX(pump, 7);
  EXPECT_EQ(pump.Events, (std::vector<std::string>{"dispatch", "sleep 7"}));
}

TEST(YieldX, SwallowsFailuresWithOneLogLine) {
  FakePump pump;
  pump.FailDispatches = 1;
  DebugLogCapture log;
  EXPECT_NO_THROW(YieldX(pump, 5));
  EXPECT_EQ(pump.Events, (std::vector<std::string>{"dispatch"}));
  EXPECT_EQ(log.Lines(),
            std::vector<std::string>{ExceptionLineText("YieldX", "", "window procedure failed")});
}

TEST(SleepPumping, SliceAndDuration) {
  struct Case {
    std::uint32_t slice, ms, expectedSlice, expectedYields;
  } cases[] = {
      {0, 1000, 25, 40},   // ms / 10 = 100, held at 25
      {0, 100, 10, 10},    // ms / 10
      {0, 250, 25, 10},
      {0, 5, 1, 5},        // ms / 10 = 0, raised to 1
      {0, 0, 1, 1},        // at least one round
      {0, 2, 1, 2},
      {3, 10, 3, 4},       // a given slice is kept; the last round may overshoot
      {50, 100, 50, 2},
      {100, 30, 100, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PumpingSlice(c.slice, c.ms), c.expectedSlice) << c.slice << "/" << c.ms;
    FakePump pump;
    const double start = pump.Now;
    SleepPumping(pump, c.slice, c.ms);
    EXPECT_EQ(pump.Sleeps.size(), c.expectedYields) << c.slice << "/" << c.ms;
    for (std::uint32_t s : pump.Sleeps) EXPECT_EQ(s, c.expectedSlice);
    EXPECT_GE(pump.Now - start, c.ms);
    // Every round dispatches before it sleeps.
    ASSERT_EQ(pump.Events.size(), 2 * pump.Sleeps.size());
    for (std::size_t i = 0; i < pump.Events.size(); i += 2) EXPECT_EQ(pump.Events[i], "dispatch");
  }
}

TEST(SleepPumping, KeepsWaitingAfterAFailedRound) {
  // The failed round does not sleep; the wait still lasts its full time.
  FakePump pump;
  pump.FailDispatches = 2;
  const double start = pump.Now;
  SleepPumping(pump, 10, 50);
  EXPECT_GE(pump.Now - start, 50);
  EXPECT_EQ(pump.Sleeps.size(), 5u);
}

}  // namespace
