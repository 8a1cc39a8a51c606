// Free space, deletions and the CD eject on the real file system.
#include <gtest/gtest.h>

#include "stub/support/deletefiles.h"
#include "stub/support/diskspace.h"
#include "stub/support/ejectcd.h"
#include "stub/tests/win32/system_win32_support.h"

namespace {

double Reference(const char* root) {
  ULARGE_INTEGER forCaller, total, free;
  if (!GetDiskFreeSpaceExA(root, &forCaller, &total, &free)) return -1;
  return static_cast<double>(forCaller.QuadPart);
}

TEST(FreeDiskSpaceWin32, LocalPathsAndFailures) {
  TempFolder dir("free");
  const double expected = Reference((dir.Path() + "\\").c_str());
  ASSERT_GT(expected, 0);
  struct Case {
    std::string path;
    bool some;
  } cases[] = {
      {dir.Path(), true},
      {dir / "not_yet_there.txt", true},
      {dir / "sub\\deeper\\file", true},  // missing folders: the drive root answers
      {"C:\\", true},
      {"c:", true},
      {"c", true},
      {"C:/windows/system32", true},
      {"", false},
      {"\\\\velmoran-no-such-host\\share\\dir", false},
  };
  for (const Case& c : cases) {
    const double free = FreeDiskSpace(c.path);
    if (c.some) {
      // Other programs write meanwhile: the same volume within 64 MB.
      EXPECT_NEAR(free, Reference("C:\\"), 64.0 * 1024 * 1024) << c.path;
    } else {
      EXPECT_EQ(free, 0) << c.path;
    }
  }
  // A drive letter that is not there.
  for (char letter = 'Q'; letter <= 'X'; ++letter) {
    const std::string root = std::string(1, letter) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) {
      EXPECT_EQ(FreeDiskSpace(root + "x\\y"), 0) << root;
      break;
    }
  }
}

TEST(DeleteFilesWin32, MaskAndAttributes) {
  TempFolder dir("delf");
  ASSERT_TRUE(WriteFileText(dir / "x.part", "1"));
  ASSERT_TRUE(WriteFileText(dir / "x.part.1", "2", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(WriteFileText(dir / "x.part.2", "3", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteFileText(dir / "keep.txt", "4"));
  ASSERT_TRUE(CreateDirectoryA((dir / "x.part.dir").c_str(), nullptr));

  EXPECT_TRUE(DeleteFiles(dir / "x.part.*", false));
  EXPECT_FALSE(PathExists(dir / "x.part.1"));
  EXPECT_TRUE(PathExists(dir / "x.part.2"));  // read-only stays without clearing
  EXPECT_TRUE(PathExists(dir / "x.part.dir"));
  EXPECT_TRUE(PathExists(dir / "keep.txt"));

  EXPECT_TRUE(DeleteFiles(dir / "x.part.*", true));
  EXPECT_FALSE(PathExists(dir / "x.part.2"));
  EXPECT_TRUE(PathExists(dir / "x.part.dir"));
  EXPECT_FALSE(DeleteFiles(dir / "*.none", true));
  EXPECT_TRUE(PathExists(dir / "keep.txt"));
}

TEST(DeleteFolderWin32, WholeTree) {
  TempFolder dir("deld");
  const std::string root = dir / "SETUP";
  ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((root + "\\a").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((root + "\\a\\b").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((root + "\\empty").c_str(), nullptr));
  ASSERT_TRUE(WriteFileText(root + "\\Engine.exe", "MZ", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteFileText(root + "\\a\\data.bin", "x", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(WriteFileText(root + "\\a\\b\\deep.txt", "y", FILE_ATTRIBUTE_SYSTEM));
  SetFileAttributesA((root + "\\a\\b").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(WriteFileText(dir / "beside.txt", "z"));

  EXPECT_TRUE(DeleteFolder(root + "\\"));
  EXPECT_FALSE(PathExists(root));
  EXPECT_TRUE(PathExists(dir / "beside.txt"));
  EXPECT_FALSE(DeleteFolder(root));  // no longer there
  EXPECT_FALSE(DeleteFolder(""));
}

TEST(DeleteFolderWin32, FileInUseKeepsTheFolder) {
  TempFolder dir("delu");
  const std::string root = dir / "busy";
  ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(WriteFileText(root + "\\open.txt", "x"));
  ASSERT_TRUE(WriteFileText(root + "\\free.txt", "y"));
  const HANDLE h = CreateFileA((root + "\\open.txt").c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFolder(root));
  CloseHandle(h);
  EXPECT_TRUE(PathExists(root + "\\open.txt"));
  EXPECT_FALSE(PathExists(root + "\\free.txt"));
}

TEST(EjectCDWin32, RefusedWithoutACdDrive) {
  // This machine has no CD drive; every refusal comes back false without a hang.
  const char* paths[] = {"C:\\", "c:\\windows", "", "1:\\", "\\\\server\\cd", "?"};
  for (const char* p : paths) {
    EXPECT_FALSE(EjectCD(p)) << p;
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const char root[] = {letter, ':', '\\', 0};
    if (GetDriveTypeA(root) != DRIVE_CDROM) {
      EXPECT_FALSE(EjectCD(root)) << root;
    }
  }
}

}  // namespace
