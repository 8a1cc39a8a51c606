#pragma once
// The developer switch: extra diagnostic details in messages and logs when the environment
// variable DVX holds the developer code.
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::string_view DeveloperVariable = "DVX";
inline constexpr std::string_view DeveloperCode = "731";

// The process's environment.
class EnvironmentReader {
 public:
  // The variable's value, or nothing when it is not set.
  virtual std::optional<std::string> Variable(std::string_view name) = 0;

 protected:
  ~EnvironmentReader() = default;
};

// The real environment (Win32 layer).
EnvironmentReader& SystemEnvironment();

// Whether DVX holds the developer code (blanks around it, as "set DVX=731 " leaves, ignored).
bool DeveloperSwitchIn(EnvironmentReader& environment);
// The same for the process, read once.
bool DeveloperSwitch();
