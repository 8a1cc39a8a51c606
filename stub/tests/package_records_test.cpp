// The record walk: stored and zlib records, records that write nothing, the engine record,
// names that are not plain file names, damaged and truncated streams, streaming in pieces.
#include <gtest/gtest.h>

#include <random>

#include "stub/package/gfileinfo.h"
#include "stub/package/package_records.h"
#include "stub/tests/package_fixture.h"

using namespace package_fixture;

namespace {

struct Collected {
  TRecordInfo Info;
  std::string Data;
  bool Complete = false;
  std::size_t LargestPiece = 0;
};

class CollectingSink final : public RecordSink {
 public:
  std::vector<Collected> Records;
  std::vector<std::string> SkipNames;
  std::size_t StopAfter = SIZE_MAX;  // bytes delivered before Data says stop
  std::size_t Delivered = 0;

  TAction BeginRecord(const TRecordInfo& info) override {
    for (const auto& s : SkipNames) {
      if (s == info.Name) return TAction::Skip;
    }
    Records.push_back({info, {}, false, 0});
    return TAction::Deliver;
  }
  bool Data(const char* p, std::size_t n) override {
    Records.back().Data.append(p, n);
    Records.back().LargestPiece = std::max(Records.back().LargestPiece, n);
    Delivered += n;
    return Delivered < StopAfter;
  }
  void EndRecord(bool complete) override { Records.back().Complete = complete; }
};

TRecordWalk Walk(const std::string& bytes, CollectingSink& sink) {
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  return ReadRecords(src, info, sink);
}

std::string Pkg(const std::vector<std::string>& records) {
  return Package(StubImage(), {"\x02\x02", "|a|b|c|d|e|"}, records);
}

TEST(PackageRecords, RecordsThatWriteAndRecordsThatDoNot) {
  const std::string empty0 = U32(0);                                 // n = 0
  const std::string noNulStored = U32(static_cast<std::uint32_t>(-5)) + "abcde";
  const std::string noNulZlib = [] {
    const std::string z = Zlib("no nul here");
    return U32(static_cast<std::uint32_t>(z.size())) + z;
  }();
  const std::string bytes = Pkg({Record("|00000#a.txt|1700000000|", "alpha"), empty0,
                                 Record("|stored.bin|0|", std::string("\0\1\2", 3), true),
                                 noNulStored, noNulZlib, Record("", "headerless data"),
                                 Record("|empty.txt|x|", ""), Record("|last|", "z")});
  CollectingSink sink;
  const TRecordWalk walk = Walk(bytes, sink);
  ASSERT_TRUE(walk.ok()) << RecordStatusText(walk.Status) << " " << walk.Message;
  EXPECT_EQ(walk.Records, 8);
  ASSERT_EQ(sink.Records.size(), 4u);
  struct Expect {
    const char* name;
    std::string data;
    std::int64_t stamp;
    bool compressed;
    int index;
  } expect[] = {{"00000#a.txt", "alpha", 1700000000, true, 0},
                {"stored.bin", std::string("\0\1\2", 3), 0, false, 2},
                {"empty.txt", "", 0, true, 6},
                {"last", "z", 0, true, 7}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sink.Records[i].Info.Name, expect[i].name);
    EXPECT_EQ(sink.Records[i].Data, expect[i].data) << expect[i].name;
    EXPECT_EQ(sink.Records[i].Info.Stamp, expect[i].stamp) << expect[i].name;
    EXPECT_EQ(sink.Records[i].Info.Compressed, expect[i].compressed) << expect[i].name;
    EXPECT_EQ(sink.Records[i].Info.Index, expect[i].index) << expect[i].name;
    EXPECT_TRUE(sink.Records[i].Complete);
  }
  EXPECT_EQ(walk.EngineHeader, "");
}

TEST(PackageRecords, EngineRecord) {
  const std::string bytes =
      Pkg({Record("|setup.exe * /S /v\"x\"|5|", "engine"), Record("|b.txt|7*|", "b")});
  CollectingSink sink;
  const TRecordWalk walk = Walk(bytes, sink);
  ASSERT_TRUE(walk.ok());
  ASSERT_EQ(sink.Records.size(), 2u);
  EXPECT_EQ(sink.Records[0].Info.Name, "setup.exe");
  EXPECT_EQ(sink.Records[0].Info.EngineHeader, "setup.exe * /S /v\"x\"");
  // A "*" elsewhere in the header makes the whole header the engine header.
  EXPECT_EQ(sink.Records[1].Info.Name, "b.txt");
  EXPECT_EQ(sink.Records[1].Info.EngineHeader, "|b.txt|7*|");
  EXPECT_EQ(walk.EngineHeader, "|b.txt|7*|") << "the last engine record met";
}

TEST(PackageRecords, NamesThatAreNotPlainFileNamesStopTheWalk) {
  const char* bad[] = {"..", ".", "...", " . ", "a\\b", "..\\..\\evil.exe", "a/b", "/etc/x",
                       "C:evil", "CON", "con", "nul.txt", "NUL ", "Com1", "lpt9.log", "AUX .x",
                       "conin$", "", "   ", "tab\tname", "q?", "a<b", "star*"};
  for (const char* name : bad) {
    EXPECT_FALSE(IsPlainFileName(name)) << name;
    if (std::string_view(name).find('*') != std::string_view::npos) continue;
    const std::string bytes = Pkg({Record("|ok.txt|0|", "1"), Record(std::string("|") + name + "|0|", "2"),
                                   Record("|after.txt|0|", "3")});
    CollectingSink sink;
    const TRecordWalk walk = Walk(bytes, sink);
    EXPECT_EQ(walk.Status, TRecordStatus::BadName) << name;
    EXPECT_EQ(walk.FailedIndex, 1) << name;
    ASSERT_EQ(sink.Records.size(), 1u) << name;
    EXPECT_EQ(sink.Records[0].Info.Name, "ok.txt");
  }
  const char* good[] = {"00000#My File \xE9\xFC.txt", "CONFIG.SYS", "COM10", "a..b", ".hidden",
                        "nullify.dll", "x.CON"};
  for (const char* name : good) EXPECT_TRUE(IsPlainFileName(name)) << name;
  // A name that is only a "*" part has no file name before it.
  CollectingSink sink;
  EXPECT_EQ(Walk(Pkg({Record("| * /x|0|", "e")}), sink).Status, TRecordStatus::BadName);
}

TEST(PackageRecords, DamagedAndTruncatedInput) {
  std::mt19937 random(3);
  std::string body(100000, 'q');
  for (std::size_t i = 0; i < body.size(); i += 3) body[i] = static_cast<char>(random() % 16);
  const std::string content = std::string("|f.bin|0|") + '\0' + body + "tail";
  const std::string z = Zlib(content);
  auto zrecord = [](const std::string& stream) {
    return U32(static_cast<std::uint32_t>(stream.size())) + stream;
  };
  std::string flipped = z;
  flipped[z.size() / 2] ^= 0x55;
  std::string badCheck = z;
  badCheck[z.size() - 1] ^= 1;  // Adler-32
  std::string badHeader = z;
  badHeader[0] = 0x79;
  struct Case {
    const char* what;
    std::string bytes;
    TRecordStatus status;
  } cases[] = {
      {"flipped byte", Pkg({zrecord(flipped)}), TRecordStatus::DamagedStream},
      {"wrong Adler-32", Pkg({zrecord(badCheck)}), TRecordStatus::DamagedStream},
      {"bad zlib header", Pkg({zrecord(badHeader)}), TRecordStatus::DamagedStream},
      {"stream cut short", Pkg({zrecord(z.substr(0, z.size() / 2))}), TRecordStatus::DamagedStream},
      {"length beyond the file", Pkg({U32(0x7FFFFFF0) + z}), TRecordStatus::Truncated},
      {"stored length beyond the file", Pkg({U32(0x80000000) + z}), TRecordStatus::Truncated},
      {"length into the trailer", Pkg({U32(static_cast<std::uint32_t>(z.size() + 1)) + z}),
       TRecordStatus::Truncated},
      {"lone length bytes", Pkg({zrecord(z), "\x01\x02"}), TRecordStatus::Truncated},
  };
  for (const auto& c : cases) {
    CollectingSink sink;
    const TRecordWalk walk = Walk(c.bytes, sink);
    EXPECT_EQ(walk.Status, c.status) << c.what << ": " << walk.Message;
    if (c.status == TRecordStatus::DamagedStream && !sink.Records.empty()) {
      EXPECT_FALSE(sink.Records.back().Complete) << c.what;
    }
  }
  // zlib's own message comes with the status.
  CollectingSink sink;
  const TRecordWalk walk = Walk(Pkg({zrecord(badHeader)}), sink);
  EXPECT_FALSE(walk.Message.empty());
}

TEST(PackageRecords, LargeRecordsArriveInBoundedPieces) {
  std::mt19937 random(7);
  std::string data(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251 < 120 ? random() : 'a');
  for (const bool stored : {false, true}) {
    CollectingSink sink;
    const TRecordWalk walk = Walk(Pkg({Record("|big|0|", data, stored)}), sink);
    ASSERT_TRUE(walk.ok()) << walk.Message;
    ASSERT_EQ(sink.Records.size(), 1u);
    EXPECT_TRUE(sink.Records[0].Data == data) << "stored " << stored;
    EXPECT_LE(sink.Records[0].LargestPiece, RecordPieceSize);
  }
}

TEST(PackageRecords, SinkCanSkipAndStop) {
  const std::string bytes = Pkg({Record("|a|0|", "AAAA"), Record("|b|0|", "BBBB"), Record("|c|0|", "CCCC")});
  CollectingSink skip;
  skip.SkipNames = {"b"};
  ASSERT_TRUE(Walk(bytes, skip).ok());
  ASSERT_EQ(skip.Records.size(), 2u);
  EXPECT_EQ(skip.Records[1].Data, "CCCC");

  CollectingSink stop;
  stop.StopAfter = 6;
  const TRecordWalk walk = Walk(bytes, stop);
  EXPECT_EQ(walk.Status, TRecordStatus::Stopped);
  ASSERT_EQ(stop.Records.size(), 2u);
  EXPECT_TRUE(stop.Records[0].Complete);
  EXPECT_FALSE(stop.Records[1].Complete);
}

TEST(PackageRecords, HeaderBlocksAreNotRecords) {
  TrailerFields f;
  f.BlockCount = 3;
  const std::string withDownload =
      Package(StubImage(), {"", "|s|", "|d|"}, {Record("|only|0|", "x")}, f);
  CollectingSink sink;
  const TRecordWalk walk = Walk(withDownload, sink);
  ASSERT_TRUE(walk.ok());
  ASSERT_EQ(sink.Records.size(), 1u);
  EXPECT_EQ(sink.Records[0].Info.Index, 0);
  EXPECT_EQ(walk.RecordsStart, 600u + 4 + 4 + 3 + 4 + 3);

  CollectingSink none;
  EXPECT_EQ(Walk(std::string(500, 'x'), none).Status, TRecordStatus::NoPackage);
}

}  // namespace
