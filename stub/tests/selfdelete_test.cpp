#include "stub/support/selfdelete.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "stub/tests/system_log_capture.h"

namespace {

TEST(SelfDeleteBatchText, PercentSignsStayLiteral) {
  EXPECT_EQ(SelfDeleteBatchText("C:\\100% Sure\\%TEMP%.exe", "C:\\100% Sure",
                                "C:\\T%\\_DEL_ME_.BAT", true, "\""),
            ":START\r\n"
            "DEL \"C:\\100%% Sure\\%%TEMP%%.exe\"\r\n"
            "IF exist \"C:\\100%% Sure\\%%TEMP%%.exe\" GOTO START\r\n"
            "RD \"C:\\100%% Sure\"\r\n"
            "DEL \"C:\\T%%\\_DEL_ME_.BAT\"\r\n");
}

TEST(SelfDeleteBatchText, Lines) {
  struct Case {
    bool removeFolder;
    const char* quote;
    const char* expected;
  } cases[] = {
      {false, "\"",
       ":START\r\n"
       "DEL \"C:\\Prog Files\\X_Setup.exe\"\r\n"
       "IF exist \"C:\\Prog Files\\X_Setup.exe\" GOTO START\r\n"
       "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n"},
      {true, "\"",
       ":START\r\n"
       "DEL \"C:\\Prog Files\\X_Setup.exe\"\r\n"
       "IF exist \"C:\\Prog Files\\X_Setup.exe\" GOTO START\r\n"
       "RD \"C:\\Prog Files\"\r\n"
       "DEL \"C:\\Temp\\_DEL_ME_.BAT\"\r\n"},
      {true, "",
       ":START\r\n"
       "DEL C:\\Prog Files\\X_Setup.exe\r\n"
       "IF exist C:\\Prog Files\\X_Setup.exe GOTO START\r\n"
       "RD C:\\Prog Files\r\n"
       "DEL C:\\Temp\\_DEL_ME_.BAT\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SelfDeleteBatchText("C:\\Prog Files\\X_Setup.exe", "C:\\Prog Files",
                                  "C:\\Temp\\_DEL_ME_.BAT", c.removeFolder, c.quote),
              c.expected);
  }
}

class FakeHost final : public SelfDeleteHost {
 public:
  std::string Exe = "C:\\Program Files\\Zembra\\X_Setup.exe";
  std::string Temp = "C:\\Users\\Me\\AppData\\Local\\Temp\\";
  std::map<std::string, std::string> Files;
  std::vector<std::string> Events;
  bool StartWorks = true;

  std::string RunningExecutable() override { return Exe; }
  std::string TempFolder() override { return Temp; }
  std::string ShortPath(const std::string& path) override {
    Events.push_back("short " + path);
    // Only existing paths have short forms.
    if (path == Exe) return "C:\\PROGRA~1\\Zembra\\X_SETUP.EXE";
    if (path == "C:\\Program Files\\Zembra") return "C:\\PROGRA~1\\Zembra";
    if (path == Temp + "_DEL_ME_.BAT" && Files.count(path)) return "C:\\Users\\Me\\AppData\\Local\\Temp\\_DEL_ME_.BAT";
    return path;
  }
  bool WriteTextFile(const std::string& path, const std::string& text) override {
    Events.push_back("write " + path);
    Files[path] = text;
    return true;
  }
  void RemoveFile(const std::string& path) override {
    Events.push_back("remove " + path);
    Files.erase(path);
  }
  void ClearReadOnly(const std::string& path) override { Events.push_back("writable " + path); }
  bool SetCurrentFolder(const std::string& path) override {
    Events.push_back("cd " + path);
    return true;
  }
  bool StartHidden(const std::string& commandLine) override {
    Events.push_back("start " + commandLine);
    return StartWorks;
  }
};

TEST(DeleteMySelf, WritesAndStartsTheBatchFromTemp) {
  FakeHost host;
  DebugLogCapture log;
  EXPECT_TRUE(DeleteMySelf(host, true, false));
  const std::string batch = host.Temp + "_DEL_ME_.BAT";
  EXPECT_EQ(host.Events, (std::vector<std::string>{
                             "writable " + host.Exe,
                             "cd C:\\Users\\Me\\AppData\\Local\\Temp",
                             "write " + batch,
                             "start \"" + batch + "\"",
                         }));
  EXPECT_EQ(host.Files[batch], SelfDeleteBatchText(host.Exe, "C:\\Program Files\\Zembra", batch,
                                                   true, "\""));
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"[ExeName]  [" + host.Exe + "]"});
}

TEST(DeleteMySelf, ShortNamesWithoutQuotes) {
  FakeHost host;
  DebugLogCapture log;
  EXPECT_TRUE(DeleteMySelf(host, false, true));
  const std::string batch = host.Temp + "_DEL_ME_.BAT";
  ASSERT_GE(host.Events.size(), 3u);
  EXPECT_EQ(host.Events[0], "writable " + host.Exe);
  // The batch exists while its short name is asked for, and is gone again afterwards.
  EXPECT_EQ(host.Events[1], "write " + batch);
  EXPECT_EQ(host.Events.back(), "start \"" + batch + "\"");
  EXPECT_EQ(host.Files.size(), 1u);
  EXPECT_EQ(host.Files[batch],
            ":START\r\n"
            "DEL C:\\PROGRA~1\\Zembra\\X_SETUP.EXE\r\n"
            "IF exist C:\\PROGRA~1\\Zembra\\X_SETUP.EXE GOTO START\r\n"
            "DEL C:\\Users\\Me\\AppData\\Local\\Temp\\_DEL_ME_.BAT\r\n");
  const auto removed = std::find(host.Events.begin(), host.Events.end(), "remove " + batch);
  const auto cd = std::find(host.Events.begin(), host.Events.end(),
                            "cd C:\\Users\\Me\\AppData\\Local\\Temp");
  EXPECT_LT(removed, cd);
}

TEST(DeleteMySelf, FailsWithoutTempOrStart) {
  {
    FakeHost host;
    host.Temp.clear();
    EXPECT_FALSE(DeleteMySelf(host, false, false));
    EXPECT_TRUE(host.Files.empty());
  }
  {
    FakeHost host;
    host.StartWorks = false;
    EXPECT_FALSE(DeleteMySelf(host, false, false));
  }
}

}  // namespace
