#pragma once
// The stub's two diagnostic outputs: the debug log (the process's standard text output,
// forwarded to an external viewer window) and the agent log file.
#include <exception>
#include <ostream>
#include <string_view>

// The debug log. Write lines with `DebugLog() << ... << '\n';` (or std::endl).
std::ostream& DebugLog();

// One debug-log line about an exception caught by a utility routine.
void LogException(const std::exception& e, std::string_view method, std::string_view remark);
// The same for a failure without an exception object (catch (...)), or with a system message.
void LogException(std::string_view errorMessage, std::string_view method, std::string_view remark);

// One line of the agent log; does nothing while the agent log is disabled.
void LogLine(std::string_view message);
