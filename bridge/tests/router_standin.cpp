// Stand-in for the autorouter engine, used only by the bridge's tests. It calls the host
// object exactly as the real engine's compiler does: arguments pushed right to left, the
// object in ECX, and the callee expected to remove its arguments. It measures ESP around
// every call so a convention mismatch shows up as a number instead of a crash later on.
#include "bridge/tests/router_standin.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

std::vector<StandinCall> calls;
void* host = nullptr;
std::int32_t loadResult = 1;
std::int32_t setHostResult = 1;

void Record(const StandinCall& call) { calls.push_back(call); }

StandinCall NewCall(std::int32_t function, std::int32_t number, const void* argument) {
  StandinCall call{};
  call.function = function;
  call.number = number;
  call.argument = argument;
  return call;
}

// Number of 32-bit words each operation takes.
int WordCount(std::int32_t slot) {
  switch (slot) {
    case SlotOnViaSignal:
    case SlotOnPathSignal:
    case SlotOnMarkSignal:
      return 0;
    case SlotOnLog:
      return 2;
    default:
      return 1;
  }
}

StandinOutcome CallSlot(void* object, const StandinEvent& event) {
  StandinOutcome outcome{};
  outcome.threadId = GetCurrentThreadId();
  if (!object || event.slot < 0 || event.slot >= SlotCount) return outcome;
  void* const* table = *static_cast<void* const* const*>(object);
  void* function = table[event.slot];
  void* self = object;
  std::uint32_t eax;
  std::int32_t delta;
  const std::uint32_t w0 = event.words[0], w1 = event.words[1];
  // ESI keeps ESP from before the pushes (callee-saved, so it survives the call); the
  // difference after the call is whatever the callee failed to remove. ESP is then put back
  // so that a faulty callee cannot take this program down with it.
  switch (WordCount(event.slot)) {
    case 0:
      asm volatile(
          "movl %%esp, %%esi\n\t"
          "call *%[fn]\n\t"
          "movl %%esp, %%edx\n\t"
          "subl %%esi, %%edx\n\t"
          "movl %%esi, %%esp"
          : "=a"(eax), "=d"(delta), "+c"(self)
          : [fn] "r"(function)
          : "esi", "memory", "cc");
      break;
    case 1:
      asm volatile(
          "movl %%esp, %%esi\n\t"
          "pushl %[w0]\n\t"
          "call *%[fn]\n\t"
          "movl %%esp, %%edx\n\t"
          "subl %%esi, %%edx\n\t"
          "movl %%esi, %%esp"
          : "=a"(eax), "=d"(delta), "+c"(self)
          : [fn] "r"(function), [w0] "r"(w0)
          : "esi", "memory", "cc");
      break;
    default:
      asm volatile(
          "movl %%esp, %%esi\n\t"
          "pushl %[w1]\n\t"
          "pushl %[w0]\n\t"
          "call *%[fn]\n\t"
          "movl %%esp, %%edx\n\t"
          "subl %%esi, %%edx\n\t"
          "movl %%esi, %%esp"
          : "=a"(eax), "=d"(delta), "+c"(self)
          : [fn] "r"(function), [w0] "r"(w0), [w1] "r"(w1)
          : "esi", "memory", "cc");
      break;
  }
  outcome.fired = 1;
  outcome.eax = eax;
  outcome.stackDelta = delta;
  return outcome;
}

struct ThreadWork {
  const StandinEvent* events;
  std::int32_t count;
  StandinOutcome* outcomes;
  void* host;
};

DWORD WINAPI FireOnThread(void* parameter) {
  auto* work = static_cast<ThreadWork*>(parameter);
  for (std::int32_t i = 0; i < work->count; ++i)
    work->outcomes[i] = CallSlot(work->host, work->events[i]);
  return 0;
}

}  // namespace

extern "C" {

std::int32_t rivirod_init(std::int32_t argc, char** argv) {
  StandinCall call = NewCall(StandinInit, argc, argv);
  if (argv && argc >= 1 && argv[0]) {
    const std::size_t length = strnlen(argv[0], sizeof call.firstArgument);
    call.firstArgumentLength = static_cast<std::int32_t>(length);
    std::memcpy(call.firstArgument, argv[0],
                length < sizeof call.firstArgument ? length : sizeof call.firstArgument - 1);
  } else {
    call.firstArgumentLength = -1;
  }
  if (argv && argc >= 0) call.argvEnd = argv[argc];
  Record(call);
  return 0;
}

std::int32_t rivirod_sethost(void* hostObject, std::int32_t version) {
  Record(NewCall(StandinSetHost, version, hostObject));
  host = hostObject;
  return setHostResult;
}

std::int32_t rivirod_load(const void* argument) {
  Record(NewCall(StandinLoad, 0, argument));
  return loadResult;
}

std::int32_t rivirod_dofile(const void* argument) {
  Record(NewCall(StandinDoFile, 0, argument));
  return 0;
}

std::int32_t rivirod_command(const void* argument) {
  Record(NewCall(StandinCommand, 0, argument));
  return 0;
}

std::int32_t rivirod_abort() {
  Record(NewCall(StandinAbort, 0, nullptr));
  return 0;
}

void standin_reset() {
  calls.clear();
  host = nullptr;
  loadResult = 1;
  setHostResult = 1;
}

void standin_clear_calls() { calls.clear(); }

void standin_set_results(std::int32_t load, std::int32_t setHost) {
  loadResult = load;
  setHostResult = setHost;
}

std::int32_t standin_call_count() { return static_cast<std::int32_t>(calls.size()); }

std::int32_t standin_get_call(std::int32_t index, StandinCall* call) {
  if (index < 0 || index >= standin_call_count()) return 0;
  *call = calls[index];
  return 1;
}

void* standin_host() { return host; }

void standin_fire(const StandinEvent* events, std::int32_t count, StandinOutcome* outcomes) {
  for (std::int32_t i = 0; i < count; ++i) outcomes[i] = CallSlot(host, events[i]);
}

std::int32_t standin_fire_on_own_thread(const StandinEvent* events, std::int32_t count,
                                        StandinOutcome* outcomes) {
  ThreadWork work{events, count, outcomes, host};
  HANDLE thread = CreateThread(nullptr, 0, FireOnThread, &work, 0, nullptr);
  if (!thread) return 0;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return 1;
}

}  // extern "C"
