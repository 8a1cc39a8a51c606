// Helper program of the agent-log tests, copied under the names an agent has.
// usage: tallowin_log_child on|off plain|copy MESSAGE
// Enables the agent log or not, sets the indent of the plain agent or of the agent copy,
// writes MESSAGE and an empty line, and exits with its thread id.
#include <windows.h>

#include <cstring>

#include "stub/support/zbdebug.h"

int main(int argc, char** argv) {
  if (argc < 4) return 0;
  // Only the portable interface is called here: the Win32 layer's start-up must still have
  // given the agent log its system.
  SetAgentLogEnabled(std::strcmp(argv[1], "on") == 0);
  SetLogIndent(std::strcmp(argv[2], "copy") == 0 ? LogIndentAgentCopy : LogIndentPlain);
  DebugLog() << GetCurrentProcessId() << " child " << argv[3] << '\n';
  LogLine(argv[3]);
  LogLine("");
  return static_cast<int>(GetCurrentThreadId());
}
