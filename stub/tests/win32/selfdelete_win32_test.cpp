// The self-delete batch, run for real: a copy of the probe program deletes itself (and its
// folder) after it has exited.
#include <gtest/gtest.h>

#include "stub/support/selfdelete.h"
#include "stub/tests/win32/system_win32_support.h"

namespace {

bool GoneWithin(const std::string& path, DWORD ms) {
  const DWORD start = GetTickCount();
  while (PathExists(path)) {
    if (GetTickCount() - start > ms) return false;
    Sleep(100);
  }
  return true;
}

TEST(DeleteMySelfWin32, BatchDeletesTheExitedProgram) {
  struct Case {
    const char* mode;
    bool removeFolder;
    const char *folderName, *name;
    bool readOnly;
  } cases[] = {
      {"keep", false, "Agent Folder", "X_Setup.exe", false},
      {"remove", true, "Agent Folder", "Y_Setup.exe", false},
      {"remove short", true, "Agent Folder", "Copy Of Setup.exe", false},
      {"remove", true, "100% %PATH% Agent", "X_Setup.exe", false},
      {"remove", true, "From CD", "Y_Setup.exe", true},  // copied with the CD's attribute
  };
  for (const Case& c : cases) {
    TempFolder dir("self");
    const std::string folder = dir / c.folderName;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string exe = folder + "\\" + c.name;
    ASSERT_TRUE(CopyFileA(ProbeProgram().c_str(), exe.c_str(), FALSE)) << exe;
    if (c.readOnly) {
      ASSERT_TRUE(SetFileAttributesA(exe.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    std::string arguments = "selfdelete ";
    arguments += c.mode;
    ASSERT_EQ(RunProgram(ProbeCommand(exe, arguments)), 0u) << c.mode;
    EXPECT_TRUE(GoneWithin(exe, 20'000)) << c.mode << " " << c.folderName;
    if (c.removeFolder) {
      EXPECT_TRUE(GoneWithin(folder, 10'000)) << c.mode;
    } else {
      Sleep(300);
      EXPECT_TRUE(PathExists(folder)) << c.mode;
    }
    // The batch removes itself as its last line.
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    EXPECT_TRUE(GoneWithin(std::string(temp) + SelfDeleteBatchName, 10'000)) << c.mode;
  }
}

TEST(DeleteMySelfWin32, WaitsForTheProgramToEnd) {
  // While the program still runs (here: this test holds the file open like a loaded image),
  // the batch keeps trying; once it is free the file goes.
  TempFolder dir("selfw");
  const std::string folder = dir / "app";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string exe = folder + "\\X_Held.exe";
  ASSERT_TRUE(CopyFileA(ProbeProgram().c_str(), exe.c_str(), FALSE));
  ASSERT_EQ(RunProgram(ProbeCommand(exe, "selfdelete keep")), 0u);
  // Not a race with the batch: hold the file only when the batch has not won yet.
  const HANDLE held = CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (held != INVALID_HANDLE_VALUE) {
    Sleep(1500);
    EXPECT_TRUE(PathExists(exe));
    CloseHandle(held);
  }
  EXPECT_TRUE(GoneWithin(exe, 20'000));
}

}  // namespace
