#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "stub/support/devswitch.h"
#include "stub/support/switches.h"

namespace {

struct Handle {
  HANDLE h = nullptr;
  ~Handle() {
    if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

std::string ChildPath() {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string path(buf, n);
  return path.substr(0, path.find_last_of('\\') + 1) + "tallowin_text_params_child.exe";
}

// Runs the child with commandLine (and DVX set to dvx, or unset when empty); its output.
std::string RunChild(const std::string& commandLine, const char* dvx) {
  SetEnvironmentVariableA("DVX", *dvx ? dvx : nullptr);
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  Handle readEnd, writeEnd;
  if (!CreatePipe(&readEnd.h, &writeEnd.h, &sa, 0)) return "<no pipe>";
  SetHandleInformation(readEnd.h, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd.h;
  si.hStdError = writeEnd.h;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi = {};
  std::string line = commandLine;
  const std::string exe = ChildPath();
  const BOOL started = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &si, &pi);
  SetEnvironmentVariableA("DVX", nullptr);
  if (!started) return "<not started>";
  Handle process{pi.hProcess}, thread{pi.hThread};
  CloseHandle(writeEnd.h);
  writeEnd.h = nullptr;
  std::string out;
  char buf[512];
  DWORD got = 0;
  while (ReadFile(readEnd.h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  WaitForSingleObject(process.h, 10'000);
  return out;
}

TEST(SwitchesOfARealProcess, ComeFromItsCommandLine) {
  const std::string exe = ChildPath();
  ASSERT_NE(GetFileAttributesA(exe.c_str()), INVALID_FILE_ATTRIBUTES) << exe;
  struct Case {
    std::string commandLine;
    const char* dvx;
    std::string output;
  } cases[] = {
      {"\"" + exe + "\" /WAIT = 5 /OriginalInfoFile=\"C:\\A B\\x.info\" /S", "",
       "[ /WAIT = 5 /OriginalInfoFile=\"C:\\A B\\x.info\" /S]|5|C:\\A B\\x.info|-1|1|0|0"},
      {"\"" + exe + "\"", "", "[]|<absent>|<absent>|-1|0|0|0"},
      {"\"" + exe + "\" ", "", "[]|<absent>|<absent>|-1|0|0|0"},
      {exe + " -n=12 /wait=7 /SILENT", "", "[ -n=12 /wait=7 /SILENT]|7|<absent>|12|0|0|0"},
      {"\"" + exe + " /s /WAIT=", "", "[ /s /WAIT=]||<absent>|-1|1|0|0"},  // no closing quote
      {"child /N=3", "", "[ /N=3]|<absent>|<absent>|3|0|0|0"},  // started under another name
      {"\"" + exe + "\" /N = -4", "731", "[ /N = -4]|<absent>|<absent>|-4|0|1|1"},
      {"\"" + exe + "\"", " 731 ", "[]|<absent>|<absent>|-1|0|1|1"},
      {"\"" + exe + "\"", "123", "[]|<absent>|<absent>|-1|0|0|0"},
  };
  for (const auto& c : cases) EXPECT_EQ(RunChild(c.commandLine, c.dvx), c.output) << c.commandLine;
}

TEST(SystemCommandLine, NamesTheRunningProgram) {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  EXPECT_EQ(SystemCommandLine().ExePath(), std::string(buf, n));
  EXPECT_EQ(SystemCommandLine().CommandLine(), GetCommandLineA());
  // Whatever the test runner passed follows the program's path.
  const std::string params = ParamText();
  const std::string line = GetCommandLineA();
  EXPECT_TRUE(params.empty() || line.ends_with(params)) << line << " | " << params;
}

TEST(SystemEnvironment, ReadsSetEmptyAndMissingVariables) {
  SetEnvironmentVariableA("TALLOWIN_TEXT_PROBE", "value 1");
  EXPECT_EQ(SystemEnvironment().Variable("TALLOWIN_TEXT_PROBE"),
            std::optional<std::string>("value 1"));
  const std::string longValue(5000, 'v');
  SetEnvironmentVariableA("TALLOWIN_TEXT_PROBE", longValue.c_str());
  EXPECT_EQ(SystemEnvironment().Variable("TALLOWIN_TEXT_PROBE"),
            std::optional<std::string>(longValue));
  SetEnvironmentVariableA("TALLOWIN_TEXT_PROBE", nullptr);
  EXPECT_EQ(SystemEnvironment().Variable("TALLOWIN_TEXT_PROBE"), std::nullopt);
  SetEnvironmentVariableA("DVX", "731");
  EXPECT_TRUE(DeveloperSwitchIn(SystemEnvironment()));
  SetEnvironmentVariableA("DVX", nullptr);
  EXPECT_FALSE(DeveloperSwitchIn(SystemEnvironment()));
}

}  // namespace
