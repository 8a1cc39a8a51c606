// The pack tool: the readable language file, the command line, the layout it writes (split
// points, records, space entries, stripped stubs) and extraction that refuses bad packages.
#include <gtest/gtest.h>

#include <sstream>

#include "stub/pack/language_text.h"
#include "stub/pack/pack_build.h"
#include "stub/pack/pack_cli.h"
#include "stub/pack/pack_examine.h"
#include "stub/package/gfileinfo.h"
#include "stub/package/language.h"
#include "stub/package/package_checksum.h"
#include "stub/tests/package_fixture.h"
#include "stub/tests/pack_test_util.h"

using namespace package_fixture;

namespace {

class FixedLocale final : public LocaleLanguage {
 public:
  explicit FixedLocale(int id) : FId(id) {}
  int PrimaryLanguageId() override { return FId; }

 private:
  int FId;
};

TEST(PackLanguageText, SectionsAndItems) {
  const std::string text =
      "; texts of the installer\r\n"
      "[English]\r\n"
      "s0=Velmoran Installation\r\n"
      "  s1 = Unpacking...\r\n"
      "\r\n"
      "BtnText=|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|\r\n"
      "[GERMAN]\n"
      "s0=Velmoran Einrichtung \xFC\n"
      "s7=\n";
  std::string block, error;
  ASSERT_TRUE(LanguageBlockFromText(text, block, error)) << error;
  EXPECT_EQ(block,
            "\x02\x01" "English\x01s0=Velmoran Installation\x01s1 = Unpacking...\x01"
            "BtnText=|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|\x01\x02"
            "\x01GERMAN\x01s0=Velmoran Einrichtung \xFC\x01s7=\x01\x02");
  struct Case {
    int id;
    const char* key;
    const char* value;
  } cases[] = {{9, "s0", "Velmoran Installation"}, {9, "S1", " Unpacking..."},
               {7, "s0", "Velmoran Einrichtung \xFC"}, {7, "s7", ""}, {12, "s0", "Velmoran Installation"},
               {7, "s1", "Extracting Files..."}};
  for (const auto& c : cases) {
    FixedLocale locale(c.id);
    TLanguageChoice choice;
    const std::string section = choice.Section(block, locale);
    EXPECT_EQ(LangStringFromSection(section, c.key, LanguageDefault(c.key)), c.value) << c.id << c.key;
  }
  ASSERT_TRUE(LanguageBlockFromText("; nothing\n\n", block, error));
  EXPECT_EQ(block, "");
}

TEST(PackLanguageText, FaultsNameTheirLine) {
  struct Case {
    std::string text;
    const char* line;
  } cases[] = {{"s0=x\n", "line 1"},
               {"[English]\ns0 x\n", "line 2"},
               {"[English]\n\n=x\n", "line 3"},
               {"[English\n", "line 1"},
               {"[English]\ns0=a\x01" "b\n", "line 2"},
               {"[]\n", "line 1"}};
  for (const auto& c : cases) {
    std::string block, error;
    EXPECT_FALSE(LanguageBlockFromText(c.text, block, error)) << c.text;
    EXPECT_NE(error.find(c.line), std::string::npos) << error;
  }
}

TEST(PackBuild, SpaceEntriesRoundEachFileToClusters) {
  const std::vector<std::uint64_t> sizes = {0, 1, 4096, 4097, 70000};
  struct Case {
    int k;
    std::uint32_t expected;
  } cases[] = {{0, 512 + 4096 + 4608 + 70144}, {1, 512 + 4096 + 4608 + 70144},
               {4, 4096 + 4096 + 8192 + 73728}, {8, 65536 * 5}};
  for (const auto& c : cases) EXPECT_EQ(SpaceForEntry(sizes, c.k), c.expected) << c.k;
  EXPECT_EQ(SpaceForEntry({0xFFFFFFFFull, 0xFFFFFFFFull}, 0), 0xFFFFFFFFu) << "held to 32 bits";
}

TEST(PackBuild, SplitPointsAndNames) {
  TScratch dir;
  const std::string stub = dir.Write("Tallowin.exe", StubImage(1024));
  struct Case {
    std::uint64_t size;
    std::vector<std::string> names;
  } cases[] = {
      {0, {"00000#f.bin"}},
      {5'242'880, {"00000#f.bin"}},
      {5'242'881, {"00000#f.bin", "00000#f.bin.00002"}},
      {3 * 5'242'880ull, {"00000#f.bin", "00000#f.bin.00002", "00000#f.bin.00003"}},
  };
  for (const auto& c : cases) {
    std::string data(c.size, '\0');
    for (std::size_t i = 0; i < data.size(); i += 4093) data[i] = static_cast<char>(i);
    TBuildOptions o;
    o.StubPath = stub;
    o.OutPath = dir.Path("Setup.exe");
    o.Files = {dir.Write("f.bin", data)};
    o.Level = 1;
    std::string error;
    TBuildSummary summary;
    ASSERT_TRUE(BuildPackage(o, error, &summary)) << error;
    EXPECT_EQ(summary.RecordNames, c.names) << c.size;
    std::vector<TListedRecord> records;
    ASSERT_TRUE(ListPackage(o.OutPath, records, error)) << error;
    ASSERT_EQ(records.size(), c.names.size());
    std::uint64_t total = 0;
    for (const auto& r : records) {
      EXPECT_LE(r.Size, 5'242'880u);
      total += r.Size;
    }
    EXPECT_EQ(total, c.size);
    TGFileInfo info(StdioPackageFiles(), o.OutPath);
    EXPECT_EQ(info.FilesCount(), c.names.size());
    EXPECT_EQ(info.PackageStart(), 1024u);
  }
}

TEST(PackBuild, BlocksFlagsTokenAndEngine) {
  TScratch dir;
  const std::string stub = dir.Write("Tallowin.exe", StubImage(800));
  const std::string engine = dir.Write("setup.exe", "ENGINE");
  TBuildOptions o;
  o.StubPath = stub;
  o.OutPath = dir.Path("Setup.exe");
  o.LanguageBlock = "\x02\x01" "English\x01s0=T\x01\x02";
  o.Settings = "http://u/|Product.info|X_Agent.exe|plain token|1";
  o.Download = "|http://d/|Setup.exe|1|dl token|99|";
  o.HasDownload = true;
  o.Engine = engine + "*/S /v";
  o.TrailerFlags = trailer_flag::AgentLog | trailer_flag::AnnounceTemp;
  o.MakeAgent = true;
  o.Files = {dir.Write("a b \xE4.txt", "hello")};
  std::string error;
  ASSERT_TRUE(BuildPackage(o, error)) << error;
  TGFileInfo info(StdioPackageFiles(), o.OutPath);
  ASSERT_TRUE(info.HasPackage());
  EXPECT_EQ(info.BlockCount(), 3);
  EXPECT_EQ(info.LanguageBlock(), o.LanguageBlock);
  EXPECT_EQ(info.InfoFileName(), "Product.info");
  EXPECT_EQ(info.AgentName(), "X_Agent.exe");
  EXPECT_NE(info.UpdateToken(false), "plain token");
  EXPECT_EQ(info.UpdateToken(true), "plain token");
  EXPECT_EQ(info.DownloadToken(true), "dl token");
  EXPECT_TRUE(info.AlwaysDownload());
  EXPECT_TRUE(info.SilentRun());
  EXPECT_TRUE(info.AgentLog() && info.AnnounceTemp() && info.MakeAgent());
  EXPECT_FALSE(info.MoreDisks() || info.DownloadMode() || info.IsAutoUpdate());
  EXPECT_EQ(info.TrailerSize(), 74u);
  EXPECT_EQ(info.Trailer().Byte(0), 1);
  const auto file = TStdioByteSource::Open(o.OutPath);
  const std::uint32_t sum = PackageChecksum(*file, 74);
  EXPECT_NE(sum, NoChecksum) << "a small package is summed";
  EXPECT_EQ(info.PackageChecksum(), sum);

  std::vector<TListedRecord> records;
  ASSERT_TRUE(ListPackage(o.OutPath, records, error)) << error;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Name, "setup.exe");
  EXPECT_EQ(records[0].EngineHeader, "setup.exe*/S /v");
  EXPECT_EQ(records[1].Name, "00000#a b \xE4.txt");
  EXPECT_GT(records[1].Stamp, 1'600'000'000);
}

TEST(PackBuild, StubWithAPackageOrAnEndPointerIsTakenBare) {
  TScratch dir;
  const std::string bare = StubImage(900);
  std::string pointed = bare;
  pointed.replace(EndPointerLowOffset, 4, U32(700));
  const std::string packaged = Package(bare, {"old", "|old|"}, {Record("|old.txt|0|", "old")});
  for (const std::string& stub : {bare, pointed, packaged}) {
    TBuildOptions o;
    o.StubPath = dir.Write("stub.exe", stub);
    o.OutPath = dir.Path("out.exe");
    o.Files = {dir.Write("n.txt", "new")};
    o.TokenSeed = 5;
    std::string error;
    ASSERT_TRUE(BuildPackage(o, error)) << error;
    const std::string built = dir.Read(o.OutPath);
    EXPECT_EQ(built.substr(0, 248), bare.substr(0, 248));
    EXPECT_EQ(built.substr(248, 8), std::string(8, '\0'));
    std::vector<TListedRecord> records;
    ASSERT_TRUE(ListPackage(o.OutPath, records, error)) << error;
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Name, "00000#n.txt");
  }
}

TEST(PackBuild, RefusesWhatCannotBePacked) {
  TScratch dir;
  const std::string stub = dir.Write("stub.exe", StubImage());
  struct Case {
    const char* what;
    std::vector<std::string> files;
    std::string engine;
  } cases[] = {
      {"missing file", {dir.Path("absent.bin")}, ""},
      {"a folder", {dir.Path("")}, ""},
      {"reserved name", {dir.Write("CON.txt", "x")}, ""},
      {"engine with | in its extra", {}, dir.Write("e.exe", "e") + "*a|b"},
  };
  for (const auto& c : cases) {
    TBuildOptions o;
    o.StubPath = stub;
    o.OutPath = dir.Path("out.exe");
    o.Files = c.files;
    o.Engine = c.engine;
    std::string error;
    EXPECT_FALSE(BuildPackage(o, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_FALSE(std::filesystem::exists(o.OutPath)) << c.what;
    EXPECT_FALSE(std::filesystem::exists(o.OutPath + ".part")) << c.what;
  }
}

TEST(PackExtract, BadPackagesWriteNothingOutside) {
  TScratch dir;
  std::string big(200000, 'x');
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> left;  // files the destination holds afterwards
  } cases[] = {
      {"parent path", Package(StubImage(), {"", ""}, {Record("|ok.txt|0|", "1"), Record("|..\\evil.txt|0|", "2")}), {"ok.txt"}},
      {"slash path", Package(StubImage(), {"", ""}, {Record("|../evil.txt|0|", "2")}), {}},
      {"device name", Package(StubImage(), {"", ""}, {Record("|nul|0|", "2")}), {}},
      {"damaged stream", [&] {
         std::string r = Record("|cut.bin|0|", big);
         r.resize(r.size() - 30);
         r.replace(0, 4, U32(static_cast<std::uint32_t>(r.size() - 4)));
         return Package(StubImage(), {"", ""}, {Record("|first.txt|0|", "f"), r});
       }(), {"first.txt"}},
  };
  for (const auto& c : cases) {
    const std::string pkg = dir.Write("bad.exe", c.bytes);
    const std::string dest = dir.Path("out");
    std::filesystem::remove_all(dest);
    std::string error;
    EXPECT_FALSE(ExtractPackage(pkg, dest, error)) << c.what;
    EXPECT_FALSE(error.empty());
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dest)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, c.left) << c.what << ": " << error;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("evil.txt"))) << c.what;
  }
}

TEST(PackCli, CommandsAndUsage) {
  TScratch dir;
  const std::string stub = dir.Write("stub.exe", StubImage());
  const std::string file = dir.Write("one.txt", "one");
  const std::string lang = dir.Write("lang.txt", "[English]\ns0=From the file\n");
  const std::string out = dir.Path("Setup.exe");
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* outHas;
  } cases[] = {
      {{"--help"}, 0, "tallowin-pack build --stub"},
      {{}, 2, ""},
      {{"frobnicate"}, 2, ""},
      {{"build", "--out", out, file}, 2, ""},
      {{"build", "--stub", stub, "--out", out, "--flags", "loud", file}, 2, ""},
      {{"build", "--stub", stub, "--out", out, "--split-mb", "x", file}, 2, ""},
      {{"build", "--stub", stub, "--out", out, "--lang", lang, "--flags", "show-activity,agent-log",
        "--settings", "a|b|c|tok|1", file}, 0, "1 records"},
      {{"list", out}, 0, "00000#one.txt"},
      {{"verify", out}, 0, "ok   checksum"},
      {{"extract", out, dir.Path("x")}, 0, ""},
      {{"list", file}, 1, ""},
      {{"verify", stub}, 1, "FAIL"},
  };
  for (const auto& c : cases) {
    std::ostringstream o, e;
    EXPECT_EQ(RunPackTool(c.args, o, e), c.code) << (c.args.empty() ? "" : c.args[0]) << e.str();
    EXPECT_NE(o.str().find(c.outHas), std::string::npos) << o.str();
    if (c.code != 0 && !c.args.empty() && c.args[0] != "verify") {
      EXPECT_FALSE(e.str().empty());
    }
  }
  EXPECT_EQ(dir.Read(dir.Path("x/00000#one.txt")), "one");
  TGFileInfo info(StdioPackageFiles(), out);
  EXPECT_TRUE(info.ShowActivity() && info.AgentLog());
  FixedLocale locale(9);
  TLanguageChoice choice;
  EXPECT_EQ(info.GetLangString(choice, locale, "s0", "d"), "From the file");
  EXPECT_EQ(info.UpdateToken(true), "tok");
}

}  // namespace
