#pragma once
// Waiting while the thread's window messages keep being served: the stub runs long work on
// its window thread, so every wait dispatches what arrived in the meantime.
#include <cstdint>

// What a pumping wait needs from the platform.
class MessagePump {
 public:
  // Removes and dispatches every message waiting for this thread. A quit request is left in
  // the queue for the thread's message loop.
  virtual void DispatchWaitingMessages() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
  // The millisecond clock.
  virtual double MilliSeconds() = 0;

 protected:
  ~MessagePump() = default;
};

// The thread's real message queue, Sleep and the millisecond clock (Win32 layer).
MessagePump& SystemMessagePump();

// Dispatches the waiting messages, then sleeps ms. Never throws: a failure is logged with
// the routine name "YieldX".
void YieldX(MessagePump& pump, std::uint32_t ms);
void YieldX(std::uint32_t ms);

// YieldX(slice) until ms have passed on the millisecond clock (at least once). A slice of 0
// becomes ms / 10, held within 1 ... 25.
void SleepPumping(MessagePump& pump, std::uint32_t slice, std::uint32_t ms);
void SleepPumping(std::uint32_t slice, std::uint32_t ms);

// The slice SleepPumping uses for a requested slice and duration.
std::uint32_t PumpingSlice(std::uint32_t slice, std::uint32_t ms);
