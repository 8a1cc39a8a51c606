#pragma once
// The stub's command line: the parameter text after the program's own path, and switches
// written "/Name=value" or "-Name=value" (value quoted or not, blanks allowed before "=")
// or bare "/Name".
#include <cstdint>
#include <string>
#include <string_view>

// What the process was started with.
class ProcessCommandLine {
 public:
  virtual std::string CommandLine() = 0;
  // Full path of the running executable.
  virtual std::string ExePath() = 0;

 protected:
  ~ProcessCommandLine() = default;
};

// The real command line and module path (Win32 layer).
ProcessCommandLine& SystemCommandLine();

// The command line after the program's path, which is found by the executable's file name
// (case ignored, followed by a closing quote, a blank or the end); when the name is not
// there (a short name, a missing ".exe") the first word of the command line is the path.
// A remainder of one character counts as empty.
std::string ParamText(std::string_view commandLine, std::string_view exePath);
std::string ParamText(ProcessCommandLine& process);
std::string ParamText();

// The value of switch name ("/" or "-" in front optional) in params, trimmed; fallback when
// the switch is absent, the empty text when it is given empty ("/Name="). Case is ignored.
std::string ReadSwitch(std::string_view params, std::string_view name, std::string_view fallback);
// The same converted to a signed 64-bit number; fallback when absent or not a number.
std::int64_t ReadSwitchInt(std::string_view params, std::string_view name, std::int64_t fallback);
// Whether the bare switch name ("/S") is given. Case is ignored.
bool SwitchPresent(std::string_view params, std::string_view name);

// The same for the process's own parameter text.
std::string GetSwitch(std::string_view name, std::string_view fallback);
std::int64_t GetSwitchInt(std::string_view name, std::int64_t fallback);
bool HasSwitch(std::string_view name);
