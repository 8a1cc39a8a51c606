#pragma once
// Control interface of the stand-in autorouter engine (router.dll under the tests): besides
// the engine's six functions it records every call, keeps the host object it was given,
// returns results the test chooses and fires the host interface's nine events the way the
// real engine's compiler calls them.
#include <cstdint>

extern "C" {

enum StandinFunction : std::int32_t {
  StandinInit = 1,
  StandinSetHost,
  StandinLoad,
  StandinDoFile,
  StandinCommand,
  StandinAbort,
};

// One call of an engine function, with its arguments as they arrived.
struct StandinCall {
  std::int32_t function;
  std::int32_t number;      // argc of rivirod_init, the version of rivirod_sethost
  const void* argument;     // argv, the host object, or the one argument of load/dofile/command
  const void* argvEnd;      // argv[argc] of rivirod_init
  char firstArgument[32];   // argv[0] of rivirod_init, zero-terminated
  std::int32_t firstArgumentLength;
};

// The host interface's operations, by their place in its table.
enum StandinSlot : std::int32_t {
  SlotOnVia = 0,
  SlotOnPath,
  SlotOnMark,
  SlotOnViaSignal,
  SlotOnPathSignal,
  SlotOnMarkSignal,
  SlotOnStatus,
  SlotOnDisplay,
  SlotOnLog,
  SlotCount,
};

// One event: the slot and the 32-bit words pushed as its arguments (a record pointer; the
// display flag's word; the log code and message). Unused words are not pushed.
struct StandinEvent {
  std::int32_t slot;
  std::uint32_t words[2];
};

struct StandinOutcome {
  std::int32_t fired;        // 0 when the engine holds no host object
  std::uint32_t eax;         // the operation's result register
  std::int32_t stackDelta;   // ESP after the call minus ESP before pushing: 0 when balanced
  std::uint32_t threadId;    // the thread that made the call
};

// Forgets everything (calls, host object, chosen results) / only the recorded calls.
void standin_reset();
void standin_clear_calls();
void standin_set_results(std::int32_t loadResult, std::int32_t setHostResult);
std::int32_t standin_call_count();
std::int32_t standin_get_call(std::int32_t index, StandinCall* call);
void* standin_host();

// Fires the events on the calling thread, or on a thread of the engine's own that it waits
// for; returns 0 when that thread could not be started.
void standin_fire(const StandinEvent* events, std::int32_t count, StandinOutcome* outcomes);
std::int32_t standin_fire_on_own_thread(const StandinEvent* events, std::int32_t count,
                                        StandinOutcome* outcomes);
}
