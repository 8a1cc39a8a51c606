// The additive package checksum: which words count, the 1234 per block, the size limit and
// the signed-executable form that starts past the header.
#include <gtest/gtest.h>

#include "stub/package/package_checksum.h"
#include "stub/tests/package_fixture.h"

using namespace package_fixture;

namespace {

constexpr std::uint32_t kOnes = 0x01010101;

TEST(PackageChecksum, WordsAndBlockTermsAsHandComputed) {
  std::string signedFile = StubImage(2000, 1500);
  std::fill(signedFile.begin() + 2, signedFile.begin() + 248, '\xFF');  // before 512: not summed
  std::fill(signedFile.begin() + 512, signedFile.end(), '\x01');
  std::string unsignedExe(200, '\0');  // too short for "PE": summed as a plain file
  unsignedExe[0] = 'M';
  unsignedExe[1] = 'Z';

  struct Case {
    const char* what;
    std::string bytes;
    std::uint32_t trailer;
    std::uint32_t expected;
  } cases[] = {
      // 100 bytes, trailer 74: S = 26, words j with 4(j+1) < 22 count: 5 of them.
      {"small file", std::string(100, '\x01'), 74, 5 * kOnes},
      // Two full blocks and an empty read: 2028 words, one block term (after the first).
      {"two blocks", std::string(8192, '\x01'), 74, 2028 * kOnes + 1234},
      {"two blocks of zeros", std::string(8192, '\0'), 74, 1234},
      // Twelve full blocks and a partial one: twelve block terms.
      {"limit size", std::string(51200, '\0'), 74, 12 * 1234},
      {"just above the limit", std::string(51201, '\x01'), 74, 1234},
      // Signed: S = 1500 - 74 - 512 = 914 from offset 512: 227 words, no block term.
      {"signed executable", signedFile, 74, 227 * kOnes},
      // "MZ" only: 'M' 'Z' then zeros; S = 126, 30 words, the first holds "MZ".
      {"MZ without PE", unsignedExe, 74, 0x5A4D},
      {"shorter trailer", std::string(100, '\x01'), 20, 18 * kOnes},
  };
  for (const auto& c : cases) {
    TMemoryByteSource src(c.bytes);
    EXPECT_EQ(PackageChecksum(src, c.trailer), c.expected) << c.what;
  }
}

TEST(PackageChecksum, WritingTheChecksumIntoTheTrailerLeavesItUnchanged) {
  std::string bytes = Package(StubImage(), {"lang", "|a|b|c|d|e|"}, {Record("|x|0|", "payload")});
  TMemoryByteSource before(bytes);
  const std::uint32_t sum = PackageChecksum(before, 74);
  bytes.replace(bytes.size() - 74 + trailer_field::PackageChecksum, 4, U32(sum));
  TMemoryByteSource after(bytes);
  EXPECT_EQ(PackageChecksum(after, 74), sum);
  // A changed byte of the package body changes the sum.
  bytes[606] ^= 0x10;
  TMemoryByteSource changed(bytes);
  EXPECT_NE(PackageChecksum(changed, 74), sum);
}

TEST(PackageChecksum, PassRule) {
  struct Case {
    std::uint32_t computed, expected;
    bool passes;
  } cases[] = {{5, 5, true}, {5, 6, false}, {1234, 6, true}, {6, 1234, true}, {0, 0, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(ChecksumPasses(c.computed, c.expected), c.passes) << c.computed << " " << c.expected;
  }
}

TEST(PackageChecksum, MissingFileIsNotSummed) {
  EXPECT_EQ(PackageChecksum(StdioPackageFiles(), "no/such/package.exe", 74), NoChecksum);
}

}  // namespace
