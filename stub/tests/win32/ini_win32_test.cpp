// INI reads and writes through the real profile functions.
#include <gtest/gtest.h>

#include "stub/support/ini.h"
#include "stub/tests/system_log_capture.h"
#include "stub/tests/win32/system_win32_support.h"

namespace {

TEST(IniProfileWin32, WritesAndReadsBack) {
  TempFolder dir("ini");
  const std::string file = dir / "Setup.info";
  ASSERT_TRUE(WriteIniString(file, "AutoUpdate", "Url", "http://example.test/upd/"));
  ASSERT_TRUE(WriteIniInteger(file, "AutoUpdate", "Size", -9'000'000'000'000));
  ASSERT_TRUE(WriteIniInteger(file, "AutoUpdate", "Zero", 0));
  ASSERT_TRUE(WriteIniString(file, "AutoUpdate", "Blank", ""));
  ASSERT_TRUE(WriteIniString(file, "Other", "Url", "second"));

  struct Case {
    const char *section, *key, *def, *expected;
  } cases[] = {
      {"AutoUpdate", "Url", "", "http://example.test/upd/"},
      {"autoupdate", "URL", "", "http://example.test/upd/"},  // profile names ignore case
      {"AutoUpdate", "Size", "", "-9000000000000"},
      {"AutoUpdate", "Blank", "dflt", "dflt"},
      {"AutoUpdate", "Missing", "dflt", "dflt"},
      {"Missing", "Url", "dflt", "dflt"},
      {"Other", "Url", "", "second"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadIniString(file, c.section, c.key, c.def), c.expected) << c.section << "/" << c.key;
  }
  EXPECT_EQ(ReadIniInteger(file, "AutoUpdate", "Size", 1), -9'000'000'000'000);
  EXPECT_EQ(ReadIniInteger(file, "AutoUpdate", "Zero", 1), 0);
  EXPECT_EQ(ReadIniInteger(file, "AutoUpdate", "Url", 77), 77);
  EXPECT_EQ(ReadIniInteger(file, "AutoUpdate", "Missing", -5), -5);
  EXPECT_EQ(ReadIniString(dir / "none.ini", "AutoUpdate", "Url", "dflt"), "dflt");

  // What the file holds, as another program would read it.
  const std::string text = ReadFileText(file);
  EXPECT_NE(text.find("Size=-9000000000000"), std::string::npos) << text;
  EXPECT_NE(text.find("[Other]"), std::string::npos) << text;
}

TEST(IniProfileWin32, RefusedWritesLeaveNoFile) {
  TempFolder dir("ini");
  const std::string file = dir / "x.ini";
  EXPECT_FALSE(WriteIniString(file, "", "K", "v"));
  EXPECT_FALSE(WriteIniString(file, "S", "", "v"));
  EXPECT_FALSE(WriteIniInteger(file, "", "K", 1));
  EXPECT_FALSE(WriteIniString("", "S", "K", "v"));
  EXPECT_FALSE(PathExists(file));
}

TEST(IniProfileWin32, LongValuesAreCutToTheBufferAndNoted) {
  TempFolder dir("ini");
  const std::string file = dir / "long.ini";
  struct Case {
    std::size_t length, expected;
    bool noted;
  } cases[] = {{10'240, 10'240, false},
               {10'241, 10'241, true},
               {32'768, 32'768, true},
               {40'000, 32'768, true},
               {100'000, 32'768, true}};
  // Written as text: Wine's profile writer fails on values of 32,767 characters and more.
  std::string text = "[S]\r\n";
  for (const Case& c : cases) {
    text += "K";
    text += std::to_string(c.length);
    text += "=";
    text += std::string(c.length, 'v');
    text += "\r\n";
  }
  text += "After=still read\r\n";
  ASSERT_TRUE(WriteFileText(file, text));
  for (const Case& c : cases) {
    std::string key = "K";
    key += std::to_string(c.length);
    DebugLogCapture log;
    const std::string read = ReadIniString(file, "S", key, "");
    EXPECT_EQ(read, std::string(c.expected, 'v')) << c.length;
    if (c.noted) {
      EXPECT_EQ(log.Lines(), std::vector<std::string>{"ReadIniString SizeError=" +
                                                      std::to_string(c.expected)});
    } else {
      EXPECT_TRUE(log.Lines().empty()) << log.Text();
    }
  }
  EXPECT_EQ(ReadIniString(file, "S", "After"), "still read");
  // Through the writer, a long value that the platform takes reads back whole.
  ASSERT_TRUE(WriteIniString(file, "W", "Long", std::string(20'000, 'w')));
  EXPECT_EQ(ReadIniString(file, "W", "Long"), std::string(20'000, 'w'));
}

}  // namespace
