// The process's environment for the developer switch.
#include <windows.h>

#include <vector>

#include "stub/support/devswitch.h"

namespace {

class Win32Environment final : public EnvironmentReader {
 public:
  std::optional<std::string> Variable(std::string_view name) override {
    const std::string key(name);
    std::vector<char> buf(256);
    for (;;) {
      SetLastError(ERROR_SUCCESS);
      const DWORD n =
          GetEnvironmentVariableA(key.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
      if (n == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
      }
      if (n < buf.size()) return std::string(buf.data(), n);
      buf.resize(n + 1);  // n is the size needed, terminator included
    }
  }
};

}  // namespace

EnvironmentReader& SystemEnvironment() {
  static Win32Environment environment;
  return environment;
}

bool DeveloperSwitch() {
  static const bool on = DeveloperSwitchIn(SystemEnvironment());
  return on;
}
