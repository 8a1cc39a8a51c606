#include "plugin/versioninfo.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace {

// A version block held in memory: strings by sub-block path, and a switch for each failure.
class FakeBlock : public VersionBlockReader {
 public:
  bool loads = true;
  bool hasTranslation = true;
  std::uint16_t language = 0x0409, codePage = 0x04E4;
  std::map<std::string, std::string> strings;
  std::string throwingKey;
  int releases = 0;

  void Set(const std::string& key, const std::string& value) {
    strings["\\StringFileInfo\\040904E4\\" + key] = value;
  }
  bool Load(const std::string&) override { return loads; }
  bool Translation(std::uint16_t& l, std::uint16_t& c) override {
    l = language;
    c = codePage;
    return hasTranslation;
  }
  bool QueryString(const std::string& subBlock, std::string& value) override {
    if (!throwingKey.empty() && subBlock.ends_with("\\" + throwingKey)) throw std::runtime_error("bad block");
    auto it = strings.find(subBlock);
    if (it == strings.end()) return false;
    value = it->second;
    return true;
  }
  void Release() override { ++releases; }
};

const std::string kNA = "<info not available>";

TEST(VersionInfo, CreatedWithTheDefaultEverywhere) {
  TVersionInfo info;
  EXPECT_EQ(info.DefaultValue(), kNA);
  const char* names[] = {"CompanyName",    "FileDescription", "FileVersion",      "InternalName",
                         "LegalCopyright", "LegalTradeMarks", "OriginalFilename", "ProductName",
                         "ProductVersion", "Comments",        "PrivateBuild",     "SpecialBuild",
                         "MajorVersion",   "MinorVersion",    "Release",          "Build"};
  for (int i = 0; i < TVersionInfo::KeyCount; ++i) {
    EXPECT_EQ(info.KeyName(i), names[i]);
    EXPECT_EQ(info.Value(i), kNA);
  }
}

TEST(VersionInfo, ReadsTrimmedStringsAndEmptyForAbsentKeys) {
  FakeBlock block;
  block.Set("CompanyName", "  Velmoran  ");
  block.Set("FileVersion", "0.2.1.0");
  block.Set("ProductName", "");
  TVersionInfo info;
  info.GetInfo("x.exe", block);
  EXPECT_EQ(info.CompanyName(), "Velmoran");
  EXPECT_EQ(info.FileVersion(), "0.2.1.0");
  EXPECT_EQ(info.ProductName(), "");
  EXPECT_EQ(info.Comments(), "");  // absent from an existing block: empty, not the default
  EXPECT_EQ(info.MajorVersion(), "0");
  EXPECT_EQ(info.MinorVersion(), "2");
  EXPECT_EQ(info.Release(), "1");
  EXPECT_EQ(info.Build(), "0");
  EXPECT_EQ(block.releases, 1);
}

TEST(VersionInfo, SplitsTheFileVersion) {
  struct Case {
    const char* fileVersion;
    const char *major, *minor, *release, *build;
  } cases[] = {
      {"0.2.1.0", "0", "2", "1", "0"},
      {"1,5", "1", "", "", "5"},
      {"1.5", "1", "", "", "5"},
      {"3.1.4.1.5", "3", "1", "4", "1.5"},
      {"2, 0, 7, 9", "2", " 0", " 7", " 9"},
      {"7", kNA.c_str(), kNA.c_str(), kNA.c_str(), kNA.c_str()},
      {"", kNA.c_str(), kNA.c_str(), kNA.c_str(), kNA.c_str()},
      {"1.2,3", "1", "", "", "2,3"},
  };
  for (const Case& c : cases) {
    FakeBlock block;
    block.Set("FileVersion", c.fileVersion);
    TVersionInfo info;
    info.GetInfo("x.exe", block);
    EXPECT_EQ(info.MajorVersion(), c.major) << c.fileVersion;
    EXPECT_EQ(info.MinorVersion(), c.minor) << c.fileVersion;
    EXPECT_EQ(info.Release(), c.release) << c.fileVersion;
    EXPECT_EQ(info.Build(), c.build) << c.fileVersion;
  }
}

TEST(VersionInfo, FailuresLeaveTheDefault) {
  {
    FakeBlock block;  // no version block at all
    block.loads = false;
    block.Set("FileVersion", "1.2.3.4");
    TVersionInfo info;
    info.GetInfo("x.exe", block);
    for (int i = 0; i < TVersionInfo::KeyCount; ++i) EXPECT_EQ(info.Value(i), kNA);
    EXPECT_EQ(block.releases, 1);
  }
  {
    FakeBlock block;  // no translation table: the strings keep the default
    block.hasTranslation = false;
    block.Set("FileVersion", "1.2.3.4");
    TVersionInfo info;
    info.GetInfo("x.exe", block);
    for (int i = 0; i < TVersionInfo::KeyCount; ++i) EXPECT_EQ(info.Value(i), kNA);
  }
  {
    FakeBlock block;  // one key that cannot be read takes the default, the rest are read
    block.Set("FileVersion", "1.2.3.4");
    block.Set("CompanyName", "Velmoran");
    block.throwingKey = "InternalName";
    TVersionInfo info;
    info.SetDefaultValue("?");
    info.GetInfo("x.exe", block);
    EXPECT_EQ(info.InternalName(), "?");
    EXPECT_EQ(info.CompanyName(), "Velmoran");
    EXPECT_EQ(info.Build(), "4");
  }
  {
    FakeBlock block;  // a second read starts over from the default
    block.Set("FileVersion", "1.2.3.4");
    TVersionInfo info;
    info.GetInfo("a.exe", block);
    block.loads = false;
    info.GetInfo("b.exe", block);
    EXPECT_EQ(info.FileVersion(), kNA);
    EXPECT_EQ(info.MajorVersion(), kNA);
  }
}

TEST(VersionInfo, LooksUpTheTableOfTheFirstTranslation) {
  FakeBlock block;
  block.language = 0x0419;
  block.codePage = 0x04B0;
  block.strings["\\StringFileInfo\\041904B0\\FileVersion"] = "9.8";
  block.Set("FileVersion", "1.1");  // another table of the same block
  TVersionInfo info;
  info.GetInfo("x.exe", block);
  EXPECT_EQ(info.FileVersion(), "9.8");
}

}  // namespace
