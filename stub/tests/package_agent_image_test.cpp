// The agent executable: the stub and its header blocks, no records, the end pointer cleared,
// and a trailer that marks it as the agent.
#include <gtest/gtest.h>

#include "stub/package/agent_image.h"
#include "stub/package/gfileinfo.h"
#include "stub/package/package_records.h"
#include "stub/tests/package_fixture.h"

using namespace package_fixture;

namespace {

TEST(PackageAgentImage, StubAndBlocksWithAnAgentTrailer) {
  TrailerFields f;
  f.BlockCount = 3;
  f.FilesCount = 2;
  f.Flags = trailer_flag::AgentLog;
  f.MakeAgent = 1;
  std::string pkg = Package(StubImage(700), {"lang", "|a|b|X_Agent.exe|t|0|", "|d|"},
                            {Record("|one|0|", "1"), Record("|two|0|", "2")}, f);
  // Signed: the end pointer names the package end, a certificate follows.
  pkg.replace(EndPointerLowOffset, 4, U32(static_cast<std::uint32_t>(pkg.size())));
  pkg += std::string(300, 'C');

  TMemoryByteSource src(pkg);
  std::string image;
  ASSERT_TRUE(AgentExecutableImage(src, image));
  const std::size_t blocksEnd = 700 + 8 + 4 + 21 + 4 + 3;
  ASSERT_EQ(image.size(), blocksEnd + 74);
  EXPECT_EQ(image.substr(0, 248), pkg.substr(0, 248));
  EXPECT_EQ(image.substr(252, 4), std::string(4, '\0'));
  EXPECT_EQ(image.substr(700, blocksEnd - 700), pkg.substr(700, blocksEnd - 700));

  TMemoryByteSource agentSrc(image);
  TGFileInfo agent(agentSrc);
  EXPECT_TRUE(agent.HasPackage());
  EXPECT_TRUE(agent.IsAutoUpdate());
  EXPECT_TRUE(agent.AgentLog() && agent.MakeAgent());
  EXPECT_EQ(agent.FilesCount(), 2u) << "the other fields as read";
  EXPECT_EQ(agent.AgentName(), "X_Agent.exe");
  EXPECT_EQ(agent.DownloadBlock(), "|d|");
  struct NoData final : RecordSink {
    int Begun = 0;
    TAction BeginRecord(const TRecordInfo&) override { return ++Begun, TAction::Skip; }
    bool Data(const char*, std::size_t) override { return true; }
    void EndRecord(bool) override {}
  } sink;
  EXPECT_TRUE(ReadRecords(agentSrc, agent, sink).ok());
  EXPECT_EQ(sink.Begun, 0) << "the agent carries no records";
}

TEST(PackageAgentImage, NoPackageNoImage) {
  const std::string cases[] = {std::string(400, 'x'), StubImage()};
  for (const auto& bytes : cases) {
    TMemoryByteSource src(bytes);
    std::string image = "old";
    EXPECT_FALSE(AgentExecutableImage(src, image));
    EXPECT_TRUE(image.empty());
  }
}

}  // namespace
