// Scaffold so that the other support units link while the debug log is being written.
#include "stub/support/zbdebug.h"

#include <iostream>

std::ostream& DebugLog() { return std::cout; }
void LogException(const std::exception& e, std::string_view method, std::string_view remark) {
  LogException(std::string_view(e.what()), method, remark);
}
void LogException(std::string_view, std::string_view, std::string_view) {}
void LogLine(std::string_view) {}
