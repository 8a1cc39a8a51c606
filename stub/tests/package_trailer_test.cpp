// Finding the trailer (also in signed executables), reading the header blocks, the flag
// getters, the settings and download items, and the space entry for a cluster size.
#include <gtest/gtest.h>

#include <map>

#include "stub/package/gfileinfo.h"
#include "stub/package/token.h"
#include "stub/support/diskspace.h"
#include "stub/tests/package_fixture.h"

using namespace package_fixture;

namespace {

const std::string kLanguage = "\x02\x01" "English\x01s0=Title\x01\x02";
const std::string kSettings = "|http://updates.example/prod/|info/Product.info.ini|X_Agent.exe|TOKEN|1|";
const std::string kDownload = "|http://dl.example/|Setup.exe|1|DTOKEN|123456|";

// A signed executable: stub with an end pointer, package, then a certificate.
std::string SignedPackage(const std::vector<std::string>& blocks, TrailerFields f,
                          std::size_t certificateSize) {
  std::string body = Package(StubImage(), blocks, {}, f);
  body.replace(EndPointerLowOffset, 4, U32(static_cast<std::uint32_t>(body.size())));
  return body + std::string(certificateSize, 'C');
}

TEST(PackageTrailer, FindsTheTrailerInPlainAndSignedFiles) {
  TrailerFields f;
  f.FilesCount = 7;
  const std::string plain = Package(StubImage(), {kLanguage, kSettings}, {}, f);
  const std::string signedExe = SignedPackage({kLanguage, kSettings}, f, 1000);
  // Signed, but the end pointer left 0: the trailer must be the file's last bytes, which
  // here are the certificate's, so no package is seen.
  std::string unpointed = Package(StubImage(), {kLanguage, kSettings}, {}, f) + std::string(1000, 'C');
  // A certificate whose last word happens to be a small length is still no package.
  std::string unpointedLen = unpointed;
  unpointedLen.replace(unpointedLen.size() - 4, 4, U32(74));

  struct Case {
    const char* what;
    std::string bytes;
    bool magic;
    std::uint32_t files;
  } cases[] = {
      {"plain", plain, true, 7},
      {"signed with end pointer", signedExe, true, 7},
      {"signed without end pointer", unpointed, false, 0},
      {"signed without pointer, length word 74", unpointedLen, false, 0x43434343},
  };
  for (const auto& c : cases) {
    TMemoryByteSource src(c.bytes);
    TGFileInfo info(src);
    EXPECT_EQ(info.HasPackage(), c.magic) << c.what;
    EXPECT_EQ(info.FilesCount(), c.files) << c.what;
    EXPECT_EQ(info.LanguageBlock(), c.magic ? kLanguage : "") << c.what;
    EXPECT_EQ(info.SettingsBlock(), c.magic ? kSettings : "") << c.what;
  }
}

TEST(PackageTrailer, LengthWordsThatCannotHoldATrailerMeanNoPackage) {
  const std::string good = Package(StubImage(), {kLanguage, kSettings}, {});
  auto withLength = [&](std::uint32_t l) {
    std::string s = good;
    s.replace(s.size() - 4, 4, U32(l));
    return s;
  };
  auto withPointer = [&](std::uint32_t p) {
    std::string s = good;
    s.replace(EndPointerLowOffset, 4, U32(p));
    return s;
  };
  const std::string cases[] = {
      withLength(0), withLength(3),
      withLength(static_cast<std::uint32_t>(good.size()) + 1), withLength(0xFFFFFFFF),
      withPointer(static_cast<std::uint32_t>(good.size()) + 1),  // end beyond the file
      withPointer(2),                                            // no room for a length word
      std::string("\x4A\0\0", 3), std::string(),
  };
  for (const auto& bytes : cases) {
    TMemoryByteSource src(bytes);
    TPackageTrailer t;
    t.SetU32(0, 0xFFFFFFFF);
    EXPECT_FALSE(ReadTrailer(src, t)) << bytes.size();
    EXPECT_EQ(t.Bytes, TPackageTrailer{}.Bytes) << "trailer must be all zero";
    TGFileInfo info(src);
    EXPECT_FALSE(info.HasPackage());
    EXPECT_EQ(info.BlockCount(), 0);
    EXPECT_TRUE(info.LanguageBlock().empty() && info.SettingsBlock().empty());
  }
}

TEST(PackageTrailer, ShortAndLongTrailersKeepWhatTheyHold) {
  TrailerFields f;
  f.FilesCount = 0x01020304;
  f.Flags = 0x1F;
  const std::string full = Trailer(0, f);
  struct Case {
    std::uint32_t length;
    std::uint32_t files;
    std::uint8_t flags;
  } cases[] = {{8, 0, 0}, {12, 0, 0}, {16, 0x01020304, 0}, {66, 0x01020304, 0}, {70, 0x01020304, 0x1F},
               {74, 0x01020304, 0x1F}, {100, 0x01020304, 0x1F}, {4, 0, 0}};
  for (const auto& c : cases) {
    // The first length - 4 bytes of the trailer (plus filler for a long one), then the word.
    std::string t = full.substr(0, 70);
    t.resize(c.length - 4, '\xEE');
    const std::string bytes = std::string(200, 'x') + t + U32(c.length);
    TMemoryByteSource src(bytes);
    TPackageTrailer tr;
    TPackageBounds b;
    ASSERT_TRUE(ReadTrailer(src, tr, &b)) << c.length;
    EXPECT_EQ(tr.TrailerSize(), c.length);
    EXPECT_EQ(tr.FilesCount(), c.files) << c.length;
    EXPECT_EQ(tr.TrailerFlags(), c.flags) << c.length;
    EXPECT_EQ(tr.BlockCount(), 2) << "0 and absent read as 2";
    EXPECT_EQ(b.End, bytes.size());
    EXPECT_EQ(b.TrailerStart, bytes.size() - c.length);
  }
}

TEST(PackageTrailer, BlockCountSelectsTheDownloadBlock) {
  struct Case {
    std::uint8_t count;
    bool download;
  } cases[] = {{0, false}, {2, false}, {3, true}, {9, true}};
  for (const auto& c : cases) {
    TrailerFields f;
    f.BlockCount = c.count;
    std::vector<std::string> blocks = {kLanguage, kSettings};
    if (c.download) blocks.push_back(kDownload);
    const std::string bytes = Package(StubImage(), blocks, {Record("|a|0|", "data")}, f);
    TMemoryByteSource src(bytes);
    TGFileInfo info(src);
    EXPECT_EQ(info.BlockCount(), c.count == 0 ? 2 : c.count);
    EXPECT_EQ(info.SettingsBlock(), kSettings) << int(c.count);
    EXPECT_EQ(info.DownloadBlock(), c.download ? kDownload : "") << int(c.count);
    EXPECT_TRUE(info.BlocksComplete());
  }
}

TEST(PackageTrailer, WrongMagicKeepsTheFlagsButReadsNoBlocks) {
  TrailerFields f;
  f.Magic = 0x4A3B2C1E;
  f.Flags = trailer_flag::MoreDisks;
  f.IsAutoUpdate = 1;
  const std::string bytes = Package(StubImage(), {kLanguage, kSettings}, {}, f);
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  EXPECT_FALSE(info.HasPackage());
  EXPECT_TRUE(info.MoreDisks());
  EXPECT_TRUE(info.IsAutoUpdate());
  EXPECT_EQ(info.SettingsBlock(), "");
}

TEST(PackageTrailer, BlockLengthsBeyondThePackageReadNothingPastIt) {
  const std::string good = Package("", {kLanguage, kSettings, kDownload}, {}, [] {
    TrailerFields f;
    f.BlockCount = 3;
    return f;
  }());
  // Settings block length word made huge, or just one byte too long (into the trailer).
  const std::size_t settingsAt = 4 + kLanguage.size();
  struct Case {
    std::uint32_t length;
  } cases[] = {{0xFFFFFFFF}, {0x7FFFFFFF}, {static_cast<std::uint32_t>(good.size())},
               {static_cast<std::uint32_t>(good.size() - 74 - settingsAt - 4 + 1)}};
  for (const auto& c : cases) {
    std::string bytes = good;
    bytes.replace(settingsAt, 4, U32(c.length));
    TMemoryByteSource src(bytes);
    TGFileInfo info(src);
    EXPECT_TRUE(info.HasPackage());
    EXPECT_FALSE(info.BlocksComplete()) << c.length;
    EXPECT_EQ(info.LanguageBlock(), kLanguage);
    EXPECT_EQ(info.SettingsBlock(), "");
    EXPECT_EQ(info.DownloadBlock(), "");
  }
  // A package start beyond the trailer.
  std::string bytes = good;
  bytes.replace(bytes.size() - 74 + trailer_field::PackageStart, 4, U32(0xFFFFFF00));
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  EXPECT_FALSE(info.BlocksComplete());
  EXPECT_EQ(info.LanguageBlock(), "");
}

TEST(PackageTrailer, FlagGettersReadTheirOwnBitOrByte) {
  using Getter = bool (TGFileInfo::*)() const;
  struct Case {
    const char* name;
    std::size_t offset;
    std::uint8_t value;
    Getter getter;
  } cases[] = {
      {"AnnounceTemp", trailer_field::TrailerFlags, 1, &TGFileInfo::AnnounceTemp},
      {"MoreDisks", trailer_field::TrailerFlags, 2, &TGFileInfo::MoreDisks},
      {"SpanCdCopy", trailer_field::TrailerFlags, 4, &TGFileInfo::SpanCdCopy},
      {"ShowActivity", trailer_field::TrailerFlags, 8, &TGFileInfo::ShowActivity},
      {"AgentLog", trailer_field::TrailerFlags, 16, &TGFileInfo::AgentLog},
      {"DownloadMode", trailer_field::DownloadMode, 7, &TGFileInfo::DownloadMode},
      {"ConfirmDownload", trailer_field::ConfirmDownload, 1, &TGFileInfo::ConfirmDownload},
      {"MakeAgent", trailer_field::MakeAgent, 255, &TGFileInfo::MakeAgent},
      {"IsAutoUpdate", trailer_field::IsAutoUpdate, 1, &TGFileInfo::IsAutoUpdate},
  };
  for (const auto& c : cases) {
    std::string bytes = Package("", {kLanguage, kSettings}, {});
    // Bits 5-7 set everywhere: they carry no meaning.
    bytes[bytes.size() - 74 + trailer_field::TrailerFlags] = static_cast<char>(0xE0);
    bytes[bytes.size() - 74 + c.offset] = static_cast<char>(bytes[bytes.size() - 74 + c.offset] | c.value);
    TMemoryByteSource src(bytes);
    TGFileInfo info(src);
    for (const auto& other : cases) {
      EXPECT_EQ((info.*other.getter)(), &other == &c) << c.name << " set, " << other.name << " read";
    }
  }
}

TEST(PackageTrailer, SettingsAndDownloadItems) {
  TrailerFields f;
  f.BlockCount = 3;
  const std::string bytes = Package("", {kLanguage, kSettings, kDownload}, {}, f);
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  EXPECT_EQ(info.SettingsItem(0), "http://updates.example/prod/");
  EXPECT_EQ(info.InfoFileName(), "Product.info.ini");
  EXPECT_EQ(info.OriginalFileName(), "Product.original");
  EXPECT_EQ(info.AgentName(), "X_Agent.exe");
  EXPECT_EQ(info.UpdateToken(false), "TOKEN");
  EXPECT_TRUE(info.SilentRun());
  EXPECT_EQ(info.SettingsItem(5), "");
  EXPECT_EQ(info.DownloadItem(1), "Setup.exe");
  EXPECT_TRUE(info.AlwaysDownload());
  EXPECT_EQ(info.DownloadToken(false), "DTOKEN");
  EXPECT_EQ(info.DownloadItem(4), "123456");

  struct NameCase {
    std::string item1, info, original;
  } names[] = {
      {"C:\\Prod\\Update.ini", "Update.ini", "Update.original"},
      {"http://h/a/b.c.d", "b.c.d", "b.original"},
      {"plain", "plain", "plain.original"},
      {"", "", ".original"},
  };
  for (const auto& n : names) {
    const std::string b = Package("", {"", "|a|" + n.item1 + "|x|t|0|"}, {});
    TMemoryByteSource s(b);
    TGFileInfo i(s);
    EXPECT_EQ(i.InfoFileName(), n.info) << n.item1;
    EXPECT_EQ(i.OriginalFileName(), n.original) << n.item1;
    EXPECT_FALSE(i.SilentRun());
  }
}

TEST(PackageTrailer, SameDownloadTokenComparesTheUnscrambledTokens) {
  auto info = [](const std::string& token) {
    TrailerFields f;
    f.BlockCount = 3;
    return Package("", {"", "", "|a|b|0|" + token + "|1|"}, {}, f);
  };
  const std::string a1 = info(ScrambleToken("secret", 1)), a2 = info(ScrambleToken("secret", 2));
  const std::string b = info(ScrambleToken("other", 3)), bad = info("garbage"), bad2 = info("garbage");
  TMemoryByteSource s1(a1), s2(a2), s3(b), s4(bad), s5(bad2);
  TGFileInfo i1(s1), i2(s2), i3(s3), i4(s4), i5(s5);
  EXPECT_NE(i1.DownloadToken(false), i2.DownloadToken(false));
  EXPECT_EQ(i1.DownloadToken(true), "secret");
  EXPECT_TRUE(i1.SameDownloadToken(i2));
  EXPECT_FALSE(i1.SameDownloadToken(i3));
  EXPECT_FALSE(i4.SameDownloadToken(i5)) << "damaged tokens match nothing";
  EXPECT_FALSE(TGFileInfo().SameDownloadToken(TGFileInfo()));
}

class FakeDisks final : public DiskSpace {
 public:
  std::map<std::string, std::uint64_t> ClusterSizes;
  std::string Asked;
  bool HasFreeSpaceEx() override { return true; }
  std::optional<std::uint64_t> FreeBytesForCaller(const std::string&) override { return 0; }
  std::optional<TDiskClusters> FreeClusters(const std::string& root) override {
    Asked = root;
    const auto it = ClusterSizes.find(root);
    if (it == ClusterSizes.end()) return std::nullopt;
    return TDiskClusters{1, 1, it->second};
  }
};

TEST(PackageTrailer, SpaceRequiredEntryByClusterSize) {
  TrailerFields f;
  for (int k = 0; k < 9; ++k) f.Space[k] = 1000 + k;
  const std::string bytes = Package("", {"", ""}, {}, f);
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  struct Case {
    std::uint64_t cluster;
    int entry;
  } cases[] = {{0, 0},    {256, 0},   {511, 0},   {512, 1},     {1023, 1},   {2048, 3},
               {4096, 4}, {8191, 4},  {8192, 5},  {32768, 7},   {65535, 7},  {65536, 8},
               {131072, 8}, {1u << 30, 8}};
  for (const auto& c : cases) {
    FakeDisks disks;
    disks.ClusterSizes["D:\\"] = c.cluster;
    EXPECT_EQ(info.GetSpaceRequired(disks, "D:\\Temp\\SETUP_1"), 1000 + c.entry) << c.cluster;
    EXPECT_EQ(disks.Asked, "D:\\");
  }
  FakeDisks none;
  EXPECT_EQ(info.GetSpaceRequired(none, "Q:\\x"), 1000) << "unknown cluster size: entry 0";
}

}  // namespace
