// Version resources read for real: this test program carries a version block of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "plugin/versioninfo.h"
#include "plugin/win32/utf16.h"

namespace {

std::string OwnPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return WideToUtf8(path);
}

TEST(VersionInfoWin32, ReadsTheProgramsOwnBlock) {
  TVersionInfo info;
  info.GetInfo(OwnPath());
  EXPECT_EQ(info.FileVersion(), "0.2.1.0");
  EXPECT_EQ(info.CompanyName(), "Velmoran");
  EXPECT_EQ(info.FileDescription(), "Version block test \xC3\xA9");  // UTF-8 from UTF-16
  EXPECT_EQ(info.Comments(), "");  // not in the block
  EXPECT_EQ(info.MajorVersion(), "0");
  EXPECT_EQ(info.MinorVersion(), "2");
  EXPECT_EQ(info.Release(), "1");
  EXPECT_EQ(info.Build(), "0");
}

TEST(VersionInfoWin32, FileWithoutBlockOrMissingFile) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string plain = std::string(temp) + "no_version_block.txt";
  std::ofstream(plain) << "just text\n";
  for (const std::string& name : {plain, std::string(temp) + "does_not_exist.exe"}) {
    TVersionInfo info;
    info.GetInfo(name);
    for (int i = 0; i < TVersionInfo::KeyCount; ++i) EXPECT_EQ(info.Value(i), "<info not available>") << name;
    EXPECT_EQ("v" + info.FileVersion(), "v<info not available>");
  }
  DeleteFileA(plain.c_str());
}

}  // namespace
