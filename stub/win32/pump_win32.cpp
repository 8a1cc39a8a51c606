// The thread's message queue for the pumping waits.
#include <windows.h>

#include "stub/support/dates.h"
#include "stub/support/pump.h"

namespace {

class Win32MessagePump final : public MessagePump {
 public:
  void DispatchWaitingMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Dispatching would drop it; the message loop that owns the thread must see it.
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  void Sleep(std::uint32_t ms) override { ::Sleep(ms); }
  double MilliSeconds() override { return MilliSecondClock(); }
};

}  // namespace

MessagePump& SystemMessagePump() {
  static Win32MessagePump pump;
  return pump;
}

void YieldX(std::uint32_t ms) { YieldX(SystemMessagePump(), ms); }

void SleepPumping(std::uint32_t slice, std::uint32_t ms) {
  SleepPumping(SystemMessagePump(), slice, ms);
}
