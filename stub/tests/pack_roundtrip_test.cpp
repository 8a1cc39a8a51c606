// Round trips: packages built from random file sets (empty and 0-byte files, files around
// and far above the split size, names with blanks and 8-bit characters) list and extract to
// the same bytes, and the package's token reads back.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "stub/pack/pack_build.h"
#include "stub/pack/pack_examine.h"
#include "stub/package/gfileinfo.h"
#include "stub/package/package_checksum.h"
#include "stub/tests/package_fixture.h"
#include "stub/tests/pack_test_util.h"

namespace {

std::string RandomBytes(std::mt19937& random, std::size_t size) {
  std::string s(size, '\0');
  // Half random, half repeating text, so that both kinds of zlib output occur.
  for (std::size_t i = 0; i < size; ++i) {
    s[i] = (i / 65536) % 2 ? static_cast<char>(random()) : "velmoran "[i % 9];
  }
  return s;
}

struct FileSetDef {
  unsigned seed;
  std::vector<std::size_t> sizes;
};

void RoundTrip(const FileSetDef& set) {
  std::mt19937 random(set.seed);
  TScratch dir;
  const std::string stub = dir.Write("Tallowin.exe", package_fixture::StubImage(4096));
  const char* names[] = {"plain.bin", "with blanks .txt", "\xC4rger \xFC\xDF.dat", "x", "Read Me", "a.b.c"};
  std::map<std::string, std::string> originals;  // file name -> bytes
  TBuildOptions o;
  o.StubPath = stub;
  o.OutPath = dir.Path("Setup.exe");
  o.Settings = "|http://u/|p.info|X_A.exe|token " + std::to_string(set.seed) + "|0|";
  o.Level = 1;
  std::filesystem::create_directories(dir.Path("in"));
  for (std::size_t i = 0; i < set.sizes.size(); ++i) {
    const std::string name = std::to_string(i) + names[random() % 6];
    const std::string bytes = RandomBytes(random, set.sizes[i]);
    o.Files.push_back(dir.Write("in/" + name, bytes));
    originals[name] = bytes;
  }
  std::string error;
  TBuildSummary summary;
  ASSERT_TRUE(BuildPackage(o, error, &summary)) << error;

  TGFileInfo info(StdioPackageFiles(), o.OutPath);
  ASSERT_TRUE(info.HasPackage());
  EXPECT_EQ(info.FilesCount(), summary.Records);
  EXPECT_EQ(info.UpdateToken(true), "token " + std::to_string(set.seed));
  const auto file = TStdioByteSource::Open(o.OutPath);
  EXPECT_TRUE(ChecksumPasses(PackageChecksum(*file, 74), info.PackageChecksum()));

  std::vector<TListedRecord> records;
  ASSERT_TRUE(ListPackage(o.OutPath, records, error)) << error;
  ASSERT_EQ(records.size(), summary.Records);
  std::vector<std::uint64_t> pieceSizes;
  for (const auto& r : records) pieceSizes.push_back(r.Size);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(info.SpaceRequired(k), SpaceForEntry(pieceSizes, k)) << k;

  const std::string out = dir.Path("out");
  ASSERT_TRUE(ExtractPackage(o.OutPath, out, error)) << error;
  // Join the split pieces back: name, name.00002, ...
  for (std::size_t i = 0; i < o.Files.size(); ++i) {
    const std::string name = BaseName(o.Files[i]);
    const std::string base = JoinPath(out, ZeroPad(static_cast<int>(i), 5) + "#" + name);
    std::string joined = dir.Read(base);
    for (int part = 2;; ++part) {
      const std::string piece = base + "." + ZeroPad(part, 5);
      if (!std::filesystem::exists(piece)) break;
      joined += dir.Read(piece);
    }
    ASSERT_EQ(joined.size(), originals[name].size()) << name;
    EXPECT_TRUE(joined == originals[name]) << name;
    EXPECT_EQ(FileStamp(base), FileStamp(o.Files[i])) << name;
  }
}

TEST(PackRoundTrip, RandomFileSets) {
  const FileSetDef sets[] = {
      {1, {}},
      {2, {0, 0, 1}},
      {3, {5'242'879, 5'242'880, 5'242'881, 17, 0}},
      {4, {100, 65536, 65537, 300'000, 1'000'000}},
  };
  for (const auto& s : sets) {
    SCOPED_TRACE(s.seed);
    RoundTrip(s);
  }
}

TEST(PackRoundTrip, TwentyMegabyteFiles) {
  RoundTrip({5, {20 * 1024 * 1024, 0, 20 * 1024 * 1024 + 3}});
}

}  // namespace
