// The package reader on real files: shared access to a file another handle writes, a
// missing file, the start-up locale and the real cluster size of a drive.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "stub/package/gfileinfo.h"
#include "stub/package/language.h"
#include "stub/package/package_checksum.h"
#include "stub/tests/package_fixture.h"

using namespace package_fixture;

namespace {

std::string TempPath(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

TEST(PackageWin32, ReadsAFileThatAnotherHandleHoldsOpenForWriting) {
  const std::string path = TempPath("tallowin_pkg_shared.exe");
  TrailerFields f;
  f.FilesCount = 3;
  f.Flags = trailer_flag::ShowActivity;
  const std::string bytes = Package(StubImage(), {"\x02\x01" "English\x01s0=Real\x01\x02", "|a|b|c|d|1|"}, {}, f);
  const HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(writer, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  FlushFileBuffers(writer);

  TGFileInfo info(path);
  EXPECT_TRUE(info.HasPackage());
  EXPECT_EQ(info.FilesCount(), 3u);
  EXPECT_TRUE(info.ShowActivity());
  EXPECT_TRUE(info.SilentRun());
  EXPECT_EQ(info.AgentName(), "c");
  TMemoryByteSource mem(bytes);
  EXPECT_EQ(PackageChecksum(path, 74), PackageChecksum(mem, 74));
  CloseHandle(writer);
  DeleteFileA(path.c_str());
}

TEST(PackageWin32, MissingFileHasNoPackageAndDefaultTexts) {
  TGFileInfo info(TempPath("tallowin_no_such_package.exe"));
  EXPECT_FALSE(info.HasPackage());
  EXPECT_EQ(info.Trailer().Bytes, TPackageTrailer{}.Bytes);
  EXPECT_EQ(info.GetLangString("s1", "Extracting Files..."), "Extracting Files...");
  EXPECT_EQ(info.FontName(), "Tahoma");
  EXPECT_EQ(PackageChecksum(TempPath("tallowin_no_such_package.exe"), 74), NoChecksum);
}

TEST(PackageWin32, StartUpLanguageIsTheThreadLocalesPrimaryId) {
  EXPECT_EQ(SystemLocaleLanguage().PrimaryLanguageId(),
            PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())));
}

TEST(PackageWin32, SpaceRequiredUsesTheDrivesClusterSize) {
  TrailerFields f;
  for (int k = 0; k < 9; ++k) f.Space[k] = 100 + k;
  const std::string bytes = Package("", {"", ""}, {}, f);
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  DWORD spc = 0, bps = 0, free = 0, total = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &spc, &bps, &free, &total));
  const std::uint64_t cluster = std::uint64_t(spc) * bps;
  int entry = 0;
  while (entry < 8 && cluster >= (512ull << entry)) ++entry;
  EXPECT_EQ(info.GetSpaceRequired("C:\\windows"), 100 + entry) << cluster;
  EXPECT_EQ(info.GetSpaceRequired("?:\\"), 100);
}

}  // namespace
