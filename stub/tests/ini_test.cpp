#include "stub/support/ini.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
#include <map>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

#include "stub/tests/system_log_capture.h"

namespace {

// An INI store in memory that behaves like the profile functions: an absent key gives the
// default, every value is cut to the buffer.
class FakeProfile final : public IniProfile {
 public:
  using Key = std::tuple<std::string, std::string, std::string>;
  std::map<Key, std::string> Values;
  struct Read {
    std::string File, Section, Key, Default;
    std::size_t Buffer;
  };
  std::vector<Read> Reads;
  std::vector<Key> Writes;
  std::string ThrowOnRead;  // when set, every read fails with this message
  std::atomic<int> Inside{0}, MostInside{0};
  bool SlowReads = false;

  std::string GetString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& defaultValue,
                        std::size_t bufferChars) override {
    const int now = ++Inside;
    int seen = MostInside.load();
    while (now > seen && !MostInside.compare_exchange_weak(seen, now)) {
    }
    if (SlowReads) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    --Inside;
    if (!SlowReads) Reads.push_back({file, section, key, defaultValue, bufferChars});
    if (!ThrowOnRead.empty()) throw std::runtime_error(ThrowOnRead);
    const auto it = Values.find({file, section, key});
    const std::string v = it == Values.end() ? defaultValue : it->second;
    return v.substr(0, bufferChars - 1);
  }
  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    Writes.push_back({file, section, key});
    Values[{file, section, key}] = value;
    return true;
  }
};

TEST(ReadIniString, ValueOrDefault) {
  FakeProfile ini;
  ini.Values[{"a.ini", "Main", "Name"}] = "Zembra";
  ini.Values[{"a.ini", "Main", "Empty"}] = "";
  struct Case {
    const char *file, *section, *key, *def, *expected;
    bool asksProfile;
  } cases[] = {
      {"a.ini", "Main", "Name", "dflt", "Zembra", true},
      {"a.ini", "Main", "Missing", "dflt", "dflt", true},
      {"a.ini", "Main", "Empty", "dflt", "dflt", true},  // an empty value is no value
      {"a.ini", "Other", "Name", "", "", true},
      {"a.ini", "", "Name", "dflt", "dflt", false},
      {"a.ini", "Main", "", "dflt", "dflt", false},
      {"", "Main", "Name", "dflt", "dflt", false},  // would read the system's own file
  };
  for (const Case& c : cases) {
    ini.Reads.clear();
    EXPECT_EQ(ReadIniString(ini, c.file, c.section, c.key, c.def), c.expected)
        << c.file << "/" << c.section << "/" << c.key;
    ASSERT_EQ(ini.Reads.size(), c.asksProfile ? 1u : 0u) << c.key;
    if (c.asksProfile) {
      EXPECT_EQ(ini.Reads[0].Default, c.def);
      EXPECT_EQ(ini.Reads[0].Buffer, 32'769u);
    }
  }
}

TEST(ReadIniString, LongValuesAreReturnedAndNoted) {
  struct Case {
    std::size_t length;
    bool noted;
  } cases[] = {{10'240, false}, {10'241, true}, {32'768, true}, {40'000, true}};
  for (const Case& c : cases) {
    FakeProfile ini;
    ini.Values[{"a.ini", "S", "K"}] = std::string(c.length, 'x');
    DebugLogCapture log;
    const std::string v = ReadIniString(ini, "a.ini", "S", "K", "d");
    // The buffer holds 32,769 characters with the terminating NUL.
    const std::size_t expected = c.length < 32'768 ? c.length : 32'768;
    EXPECT_EQ(v, std::string(expected, 'x')) << c.length;
    if (c.noted) {
      EXPECT_EQ(log.Lines(), std::vector<std::string>{"ReadIniString SizeError=" +
                                                      std::to_string(expected)});
    } else {
      EXPECT_EQ(log.Text(), "");
    }
  }
}

TEST(ReadIniString, FailureLogsOneLineAndGivesDefault) {
  FakeProfile ini;
  ini.Values[{"a.ini", "S", "K"}] = "value";
  ini.ThrowOnRead = "Access is denied.";
  DebugLogCapture log;
  EXPECT_EQ(ReadIniString(ini, "a.ini", "S", "K", "fallback"), "fallback");
  EXPECT_EQ(log.Lines(),
            std::vector<std::string>{"EXCEPTION --- Utils.ReadIniString()  Access is denied."});
}

TEST(ReadIniString, ReadsNeverOverlap) {
  FakeProfile ini;
  ini.SlowReads = true;
  ini.Values[{"a.ini", "S", "K"}] = "v";
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i) {
        if (ReadIniString(ini, "a.ini", "S", "K") != "v") ++wrong;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(ini.MostInside.load(), 1);
}

TEST(ReadIniInteger, SignedSixtyFourBitOrDefault) {
  constexpr std::int64_t def = -99;
  struct Case {
    const char* text;
    std::int64_t expected;
  } cases[] = {
      {"42", 42},
      {"-7", -7},
      {"  15  ", 15},
      {"+5", 5},
      {"0", 0},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", def},
      {"4294967296", 4'294'967'296},
      {"12abc", def},
      {"1 2", def},
      {"0x10", def},
      {"+-3", def},
      {"-", def},
      {"abc", def},
  };
  for (const Case& c : cases) {
    FakeProfile ini;
    ini.Values[{"a.ini", "S", "N"}] = c.text;
    EXPECT_EQ(ReadIniInteger(ini, "a.ini", "S", "N", def), c.expected) << '"' << c.text << '"';
  }
  // An absent key: the default passes through the profile as its decimal text.
  FakeProfile ini;
  EXPECT_EQ(ReadIniInteger(ini, "a.ini", "S", "None", -1234567890123), -1234567890123);
  ASSERT_EQ(ini.Reads.size(), 1u);
  EXPECT_EQ(ini.Reads[0].Default, "-1234567890123");
}

TEST(WriteIniString, RefusedWithoutFileSectionOrKey) {
  struct Case {
    const char *file, *section, *key;
    bool written;
  } cases[] = {
      {"a.ini", "S", "K", true},
      {"", "S", "K", false},
      {"a.ini", "", "K", false},
      {"a.ini", "S", "", false},
  };
  for (const Case& c : cases) {
    FakeProfile ini;
    EXPECT_EQ(WriteIniString(ini, c.file, c.section, c.key, "v"), c.written) << c.file << c.section
                                                                             << c.key;
    EXPECT_EQ(ini.Writes.size(), c.written ? 1u : 0u);
    EXPECT_EQ(WriteIniInteger(ini, c.file, c.section, c.key, 5), c.written);
  }
}

TEST(WriteIniInteger, WritesDecimal) {
  struct Case {
    std::int64_t value;
    const char* text;
  } cases[] = {{0, "0"},
               {-12'345'678'901, "-12345678901"},
               {std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
               {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808"}};
  for (const Case& c : cases) {
    FakeProfile ini;
    ASSERT_TRUE(WriteIniInteger(ini, "a.ini", "S", "N", c.value));
    EXPECT_EQ((ini.Values[{"a.ini", "S", "N"}]), c.text);
    EXPECT_EQ(ReadIniInteger(ini, "a.ini", "S", "N", 1), c.value);
  }
}

}  // namespace
