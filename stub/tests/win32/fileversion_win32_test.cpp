// Version resources of real files, and the platform record read from the system.
#include <gtest/gtest.h>

#include <algorithm>

#include "stub/support/fileversion.h"
#include "stub/support/platform.h"
#include "stub/tests/win32/system_win32_support.h"

namespace {

TEST(FileVersionWin32, ProbeResource) {
  const std::string probe = ProbeProgram();
  ASSERT_TRUE(PathExists(probe)) << probe;
  struct Case {
    int width, count;
    const char *exe, *product;
  } cases[] = {
      {1, 4, "1.2.3.4", "5. 6. 17. 8"},  // the first translation's table (German, 1252)
      {2, 3, "01.02.03", "05.06.17"},
      {1, 2, "1.2", "5.6"},
      {3, 4, "001.002.003.004", "005.006.017.008"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetExeVersion(probe, c.width, c.count), c.exe) << c.width << "/" << c.count;
    EXPECT_EQ(GetProductVersion(probe, c.width, c.count), c.product) << c.width << "/" << c.count;
  }
}

TEST(FileVersionWin32, FilesWithoutResource) {
  TempFolder dir("ver");
  const std::string text = dir / "plain.txt";
  ASSERT_TRUE(WriteFileText(text, "no resource here"));
  EXPECT_EQ(GetExeVersion(text), "");
  EXPECT_EQ(GetProductVersion(text), "");
  EXPECT_EQ(GetExeVersion(dir / "missing.exe"), "");
}

TEST(FileVersionWin32, EmptyNameMeansTheRunningProgram) {
  TempFolder dir("ver");
  const std::string out = dir / "versions.txt";
  std::string arguments = "version ";
  arguments += out;
  ASSERT_EQ(RunProgram(ProbeCommand(ProbeProgram(), arguments)), 0u);
  EXPECT_EQ(ReadFileText(out), "1.2.3.4|5. 6. 17. 8|01.02");
}

TEST(FileVersionWin32, SystemLibraryVersions) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  const std::string kernel = std::string(system) + "\\kernel32.dll";
  const std::string v = GetExeVersion(kernel);
  EXPECT_FALSE(v.empty());
  EXPECT_EQ(std::count(v.begin(), v.end(), '.'), 3) << v;
  const std::string p = GetProductVersion(kernel, 1, 3);
  EXPECT_EQ(std::count(p.begin(), p.end(), '.'), 2) << p;
}

TEST(PlatformWin32, RecordPredicatesAndName) {
  const TPlatformVersion& v = PlatformVersion();
  EXPECT_EQ(&v, &PlatformVersion());  // read once
  EXPECT_TRUE(IsNT());
  EXPECT_GE(v.Major, 5u);
  EXPECT_EQ(IsXP(), v.Major == 5 && v.Minor == 1);
  EXPECT_EQ(IsWindows8OrLater(), v.Major > 6 || (v.Major == 6 && v.Minor >= 2));
  const TPlatformName name = PlatformName();
  EXPECT_EQ(name.Version, std::to_string(v.Major) + "." + std::to_string(v.Minor));
  EXPECT_NE(name.Name, "");
  // A single bit, or 0 only for Win32s.
  EXPECT_NE(name.Code, 0u);
  EXPECT_EQ(name.Code & (name.Code - 1), 0u) << name.Code;

  // The record agrees with what the system reports of itself.
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  if (info.dwMajorVersion < 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion < 2)) {
    EXPECT_EQ(v.Major, info.dwMajorVersion);
    EXPECT_EQ(v.Minor, info.dwMinorVersion);
    EXPECT_EQ(v.Build, info.dwBuildNumber);
  } else {
    EXPECT_GE(v.Major, info.dwMajorVersion);
  }
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (!wow64) {
    EXPECT_FALSE(Is64BitWindows());
  }
}

}  // namespace
