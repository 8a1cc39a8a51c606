// The process's command line for the switch reader.
#include <windows.h>

#include <vector>

#include "stub/support/switches.h"

namespace {

class Win32CommandLine final : public ProcessCommandLine {
 public:
  std::string CommandLine() override {
    const char* line = GetCommandLineA();
    return line ? line : "";
  }
  std::string ExePath() override {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
      const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
      if (n == 0) return {};
      if (n < buf.size()) return std::string(buf.data(), n);
      if (buf.size() >= 32768) return {};
      buf.resize(buf.size() * 2);
    }
  }
};

}  // namespace

ProcessCommandLine& SystemCommandLine() {
  static Win32CommandLine process;
  return process;
}

std::string ParamText() { return ParamText(SystemCommandLine()); }

std::string GetSwitch(std::string_view name, std::string_view fallback) {
  return ReadSwitch(ParamText(), name, fallback);
}

std::int64_t GetSwitchInt(std::string_view name, std::int64_t fallback) {
  return ReadSwitchInt(ParamText(), name, fallback);
}

bool HasSwitch(std::string_view name) { return SwitchPresent(ParamText(), name); }
