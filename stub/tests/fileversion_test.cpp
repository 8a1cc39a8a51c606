#include "stub/support/fileversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace {

TEST(NormaliseVersion, WidthAndCount) {
  struct Case {
    const char* text;
    int width, count;
    const char* expected;
  } cases[] = {
      {"1.2.3.4", 2, 3, "01.02.03"},
      {"1.2.3.4", 1, 4, "1.2.3.4"},
      {"1, 2, 3, 4", 1, 4, "1, 2, 3, 4"},  // full form: left as it is
      {"1, 2, 3, 4", 1, 3, "1.2.3"},
      {"1, 2, 3, 4", 3, 4, "001.002.003.004"},
      {"10.0.19041.1", 1, 2, "10.0"},
      {"10.0.19041.1", 4, 4, "0010.0000.19041.0001"},  // longer numbers stay whole
      {"v2.5 beta", 1, 2, "2.5"},
      {"2.5", 2, 4, "02.05"},  // fewer numbers than asked: those there are
      {"7", 1, 1, "7"},
      {"1.2.3.4", 1, 0, "1.2.3.4"},  // no count: every number
      {"", 2, 3, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseVersion(c.text, c.width, c.count), c.expected)
        << c.text << " w" << c.width << " c" << c.count;
  }
}

std::string U32(std::uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string FixedBlock(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d,
                       std::uint32_t signature = 0xFEEF04BD) {
  return U32(signature) + U32(0x00010000) + U32((std::uint32_t{a} << 16) | b) +
         U32((std::uint32_t{c} << 16) | d) + std::string(36, '\0');
}

// Version resources in memory: one block per file, its values by query path.
class FakeResources final : public VersionResources {
 public:
  std::map<std::string, std::map<std::string, std::string>> Files;
  std::vector<std::string> Loaded, Queried;
  std::vector<std::size_t> MinBytes;

  std::string RunningExecutable() override { return "C:\\Run\\Self.exe"; }
  std::optional<std::string> LoadBlock(const std::string& file, std::size_t minBytes) override {
    Loaded.push_back(file);
    MinBytes.push_back(minBytes);
    if (!Files.count(file)) return std::nullopt;
    return file;  // the block names its file, so that Query finds the values
  }
  std::optional<std::string> Query(std::string& block, const std::string& subBlock) override {
    Queried.push_back(subBlock);
    const auto& values = Files[block];
    const auto it = values.find(subBlock);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
};

TEST(GetExeVersion, FixedBlockNumbers) {
  FakeResources res;
  res.Files["C:\\a.exe"]["\\"] = FixedBlock(1, 2, 3, 4);
  res.Files["C:\\big.exe"]["\\"] = FixedBlock(65535, 0, 65534, 7);
  res.Files["C:\\Run\\Self.exe"]["\\"] = FixedBlock(5, 6, 7, 8);
  res.Files["C:\\bad.exe"]["\\"] = FixedBlock(1, 2, 3, 4, 0x12345678);
  res.Files["C:\\short.exe"]["\\"] = std::string(12, '\0');
  res.Files["C:\\none.exe"];
  struct Case {
    const char* file;
    int width, count;
    const char* expected;
  } cases[] = {
      {"C:\\a.exe", 1, 4, "1.2.3.4"},
      {"C:\\a.exe", 2, 3, "01.02.03"},
      {"C:\\a.exe", 3, 4, "001.002.003.004"},
      {"C:\\big.exe", 1, 4, "65535.0.65534.7"},
      {"", 1, 4, "5.6.7.8"},  // the running executable
      {"C:\\bad.exe", 1, 4, ""},
      {"C:\\short.exe", 1, 4, ""},
      {"C:\\none.exe", 1, 4, ""},
      {"C:\\missing.exe", 1, 4, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetExeVersion(res, c.file, c.width, c.count), c.expected) << c.file;
  }
  EXPECT_EQ(res.Loaded[4], "C:\\Run\\Self.exe");
  for (std::size_t n : res.MinBytes) EXPECT_GE(n, 16'384u);
}

TEST(GetProductVersion, FirstTranslationsString) {
  using namespace std::string_literals;
  FakeResources res;
  auto& a = res.Files["C:\\a.exe"];
  // English-US, Unicode code page first; German second.
  a["\\VarFileInfo\\Translation"] = "\x09\x04\xB0\x04\x07\x04\xE4\x04"s;
  a["\\StringFileInfo\\040904b0\\ProductVersion"] = "5, 6, 7, 8\0"s;
  a["\\StringFileInfo\\040704e4\\ProductVersion"] = "9.9.9.9\0"s;
  auto& b = res.Files["C:\\b.exe"];
  b["\\VarFileInfo\\Translation"] = "\x09\x04\xE4\x04"s;
  b["\\StringFileInfo\\040904e4\\ProductVersion"] = "2.1 (build 77)"s;
  auto& c = res.Files["C:\\c.exe"];
  c["\\VarFileInfo\\Translation"] = "\x09\x04"s;  // too short to name a table
  auto& d = res.Files["C:\\d.exe"];
  d["\\VarFileInfo\\Translation"] = "\x09\x04\xB0\x04"s;  // no ProductVersion string

  struct Case {
    const char* file;
    int width, count;
    const char* expected;
  } cases[] = {
      {"C:\\a.exe", 1, 4, "5. 6. 7. 8"},
      {"C:\\a.exe", 1, 3, "5.6.7"},
      {"C:\\a.exe", 2, 4, "05.06.07.08"},
      {"C:\\b.exe", 1, 4, "2.1 (build 77)"},
      {"C:\\b.exe", 1, 3, "2.177"},
      {"C:\\c.exe", 1, 4, ""},
      {"C:\\d.exe", 1, 4, ""},
      {"C:\\none.exe", 1, 4, ""},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(GetProductVersion(res, k.file, k.width, k.count), k.expected)
        << k.file << " w" << k.width << " c" << k.count;
  }
}

}  // namespace
