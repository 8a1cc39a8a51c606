// Micro-benchmark of the debug log (not a test): debug lines per second through the process's
// standard output, without and with a viewer window, next to the cost of one window look-up.
// usage: tallowin_log_bench [LINES]
// Results go to the C runtime's stdout, which the debug log does not take over.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "stub/tests/win32/debug_viewer.h"
#include "stub/win32/zbdebug_win32.h"

namespace {

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One typical trace line of the stub: pid, a label, a value.
void WriteLines(std::ostream& log, long lines) {
  const DWORD pid = GetCurrentProcessId();
  for (long i = 0; i < lines; ++i) log << pid << " ==== bench line " << i << " of the debug log\n";
}

// The best of a few runs: the machine may be busy with other work.
template <typename F>
double BestRate(long count, F run) {
  double best = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const double start = Seconds();
    run();
    const double rate = count / (Seconds() - start);
    if (rate > best) best = rate;
  }
  return best;
}

double LinesPerSecond(long lines) {
  return BestRate(lines, [lines] { WriteLines(DebugLog(), lines); });
}

}  // namespace

int main(int argc, char** argv) {
  const long lines = argc > 1 ? std::atol(argv[1]) : 20000;
  if (!DebugLogInstalled()) {
    std::printf("the debug log is not installed\n");
    return 1;
  }
  if (FindWindowA(DebugViewerClassName, nullptr) != nullptr) {
    std::printf("a viewer window is already running; close it first\n");
    return 1;
  }

  const double lookUps = BestRate(lines, [lines] {
    for (long i = 0; i < lines; ++i) FindWindowA(DebugViewerClassName, nullptr);
  });

  const double withoutViewer = LinesPerSecond(lines);

  // What a line without a viewer costs, in calls to the system.
  TCountingDebugSink counting(SystemDebugLogSink());
  {
    TDebugLogBuffer buffer(counting, DebugOutputMode);
    std::ostream log(&buffer);
    WriteLines(log, lines);
  }

  double withViewer = 0;
  long received = 0;
  {
    TTestDebugViewer viewer;
    withViewer = LinesPerSecond(lines);
    received = static_cast<long>(viewer.Texts().size()) / 3;
  }

  std::printf("lines written per run:              %ld\n", lines);
  std::printf("FindWindowA look-ups per second:    %.0f\n", lookUps);
  std::printf("debug lines per second, no viewer:  %.0f\n", withoutViewer);
  std::printf("system calls per line, no viewer:   %.2f look-ups, %ld atoms, %ld sends\n",
              static_cast<double>(counting.finds) / lines, counting.adds, counting.sends);
  std::printf("debug lines per second, viewer:     %.0f (%ld pieces received per run)\n",
              withViewer, received);
  return 0;
}
