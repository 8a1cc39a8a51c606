// Pumping waits on the real message queue of the thread.
#include <gtest/gtest.h>

#include "stub/support/dates.h"
#include "stub/support/pump.h"
#include "stub/tests/win32/system_win32_support.h"

namespace {

int g_posted = 0, g_timers = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 7) ++g_posted;
  if (msg == WM_TIMER) ++g_timers;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VelmoranPumpTest";
    RegisterClassA(&wc);
    FWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  }
  ~CountingWindow() { DestroyWindow(FWindow); }
  HWND Get() const { return FWindow; }

 private:
  HWND FWindow;
};

TEST(PumpWin32, YieldXDispatchesWhatWaits) {
  CountingWindow w;
  ASSERT_NE(w.Get(), nullptr);
  g_posted = 0;
  for (int i = 0; i < 3; ++i) PostMessageA(w.Get(), WM_APP + 7, 0, 0);
  YieldX(0);
  EXPECT_EQ(g_posted, 3);
}

TEST(PumpWin32, QuitRequestStaysForTheMessageLoop) {
  CountingWindow w;
  g_posted = 0;
  PostMessageA(w.Get(), WM_APP + 7, 0, 0);
  PostQuitMessage(42);
  YieldX(0);
  SleepPumping(0, 30);
  EXPECT_EQ(g_posted, 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 42u);
}

TEST(PumpWin32, SleepPumpingWaitsItsTimeAndServesTimers) {
  CountingWindow w;
  g_timers = 0;
  SetTimer(w.Get(), 1, 20, nullptr);
  const double start = MilliSecondClock();
  SleepPumping(0, 300);
  const double elapsed = MilliSecondClock() - start;
  KillTimer(w.Get(), 1);
  EXPECT_GE(elapsed, 300);
  EXPECT_LT(elapsed, 1500);
  EXPECT_GE(g_timers, 4) << elapsed;
}

}  // namespace
