#include "stub/support/switches.h"

#include <gtest/gtest.h>

namespace {

TEST(ParamText, IsWhatFollowsTheProgramPath) {
  const char* exe = "C:\\Program Files\\Vantrell\\Setup.exe";
  struct Case {
    const char* commandLine;
    const char* params;
  } cases[] = {
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\" /S /WAIT=5", " /S /WAIT=5"},
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\"/S", "/S"},
      {"\"C:\\Program Files\\Vantrell\\Setup.exe /S", " /S"},  // no closing quote
      {"C:\\Program Files\\Vantrell\\Setup.exe /S", " /S"},    // unquoted path with blanks
      {"c:\\progra~1\\vantrell\\SETUP.EXE /x", " /x"},         // case of the name ignored
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\"", ""},
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\" ", ""},  // one character left: empty
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\"/", ""},
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\" /", " /"},
      {"\"C:\\Program Files\\Vantrell\\Setup.exe\"  ", "  "},
      // The name inside a folder name is not the program's path.
      {"\"C:\\Setup.exe.d\\Setup.exe\" /Q", " /Q"},
      // A started name that differs from the file name: the first word is the path.
      {"\"C:\\PROGRA~1\\VANTRELL\\SETUP~1.EXE\" /Q", " /Q"},
      {"Setup /Q /R", " /Q /R"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParamText(c.commandLine, exe), c.params) << c.commandLine;
}

class FakeProcess final : public ProcessCommandLine {
 public:
  std::string CommandLine() override { return "\"D:\\x\\X_Agent.exe\" /AU=1"; }
  std::string ExePath() override { return "D:\\x\\X_Agent.exe"; }
};

TEST(ParamText, TakesCommandLineAndPathFromTheProcess) {
  FakeProcess process;
  EXPECT_EQ(ParamText(process), " /AU=1");
}

TEST(ReadSwitch, FindsNamedValuesInEveryWritingOfTheSwitch) {
  struct Case {
    const char* params;
    const char* name;
    const char* value;
  } cases[] = {
      {" /WAIT=5", "WAIT", "5"},
      {" /WAIT=5", "/WAIT", "5"},
      {" -WAIT=5", "-WAIT", "5"},
      {" /WAIT=5", "-WAIT", "5"},  // "/" and "-" are the same
      {" /wait=5", "WAIT", "5"},
      {" /WAIT = 5", "WAIT", "5"},
      {" /WAIT    =   5   /X", "WAIT", "5"},
      {" /OriginalInfoFile=\"C:\\A B\\x.info\" /S", "OriginalInfoFile", "C:\\A B\\x.info"},
      {" /A=1 /AB=2", "AB", "2"},
      {" /AB=2 /A=1", "A", "1"},
      {" /A=1 /A=2", "A", "1"},  // the first occurrence
      {" /EMPTY= /X=1", "EMPTY", ""},
      {" /EMPTY=", "EMPTY", ""},
      {" /X=1", "Y", "<absent>"},
      {" /X=1", "", "<absent>"},
      {"", "X", "<absent>"},
      {"/FIRST=1", "FIRST", "1"},  // no blank before the first switch
      {" /PATH=C:\\dir-x\\y /Z=2", "PATH", "C:\\dir-x\\y"},
      {" /NOTX=1 X=2", "X", "<absent>"},  // a name must follow "/" or "-"
      {" /LIST=a=b", "LIST", "a=b"},
      {" /Title=A - B /X", "Title", "A - B"},  // a dash between blanks starts no switch
      {" /Title=A -B", "Title", "A"},
      {" --gtest_brief=1", "--gtest_brief", "1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReadSwitch(c.params, c.name, "<absent>"), c.value) << c.params << " | " << c.name;
}

TEST(ReadSwitchInt, ConvertsWithItsDefault) {
  struct Case {
    const char* params;
    std::int64_t value;
  } cases[] = {
      {" /N=42", 42},     {" /N = -7 /Q", -7}, {" /N=-7", -7},
      {" /N= -7 -Q", -7}, {" /N=", -1},        {" /N=abc", -1},
      {" /Q", -1},        {" /N=\"12\"", 12},  {" /N=9876543210", 9'876'543'210LL},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadSwitchInt(c.params, "/N", -1), c.value) << c.params;
}

TEST(SwitchPresent, FindsBareSwitchesAsWholeWords) {
  struct Case {
    const char* params;
    const char* name;
    bool present;
  } cases[] = {
      {" /S", "/S", true},       {" /S /Q", "/S", true},
      {" /s", "/S", true},       {" -S", "/S", true},
      {" /SILENT", "/S", false}, {" /S=1", "/S", false},
      {" /PS", "/S", false},     {"", "/S", false},
      {"/S", "S", true},         {" /Q /SpanCdLvl=2", "/Q", true},
      {" /Q", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SwitchPresent(c.params, c.name), c.present) << c.params << " | " << c.name;
}

}  // namespace
