#include "stub/support/platform.h"

#include <gtest/gtest.h>

namespace {

TPlatformVersion V(std::uint32_t id, std::uint32_t major, std::uint32_t minor,
                   std::uint32_t build = 0, bool is64 = false, bool server = false) {
  TPlatformVersion v;
  v.PlatformId = id;
  v.Major = major;
  v.Minor = minor;
  v.Build = build;
  v.Is64Bit = is64;
  v.IsServer = server;
  return v;
}

TEST(PlatformName, NamingTable) {
  constexpr std::uint32_t S = PlatformWin32s, W = PlatformWindows9x, N = PlatformNT;
  struct Case {
    std::uint32_t id, major, minor, build;
    bool is64, server;
    const char *version, *name;
    std::uint32_t code;
  } cases[] = {
      {S, 3, 10, 0, false, false, "3.10", "32S", 0},
      {W, 4, 0, 950, false, false, "4.0", "95", 1},
      {W, 4, 10, 1998, false, false, "4.10", "98", 2},
      {W, 4, 10, 2222, false, false, "4.10", "98", 2},
      {W, 4, 10, 3000, false, false, "4.10", "ME", 4},
      {W, 4, 90, 3000, false, false, "4.90", "ME", 4},
      {W, 4, 3, 0, false, false, "4.3", "9x", 1},
      {N, 4, 0, 1381, false, false, "4.0", "NT", 8},
      {N, 5, 0, 2195, false, false, "5.0", "2000", 16},
      {N, 5, 1, 2600, false, false, "5.1", "XP", 32},
      {N, 5, 2, 3790, false, false, "5.2", "2003", 64},
      {N, 5, 2, 3790, false, true, "5.2", "2003", 64},
      {N, 6, 0, 6002, false, false, "6.0", "Vista", 128},
      {N, 6, 1, 7601, false, false, "6.1", "7", 1024},
      {N, 6, 2, 9200, false, false, "6.2", "8", 32'768},
      {N, 6, 3, 9600, false, false, "6.3", "8.1", 262'144},
      {N, 10, 0, 19041, false, false, "10.0", "10", 2'097'152},
      {N, 3, 51, 0, false, false, "3.51", "NTx", 8},
      {N, 11, 0, 0, true, false, "11.0", "NTx", 8},
      {N, 5, 2, 3790, true, false, "5.2", "XP.64", 256},
      {N, 5, 2, 3790, true, true, "5.2", "XP.64", 256},
      {N, 6, 0, 6002, true, false, "6.0", "Vista.64", 512},
      {N, 6, 1, 7601, true, false, "6.1", "7.64", 2048},
      {N, 6, 2, 9200, true, false, "6.2", "8.64", 65'536},
      {N, 6, 3, 9600, true, false, "6.3", "8.1.64", 524'288},
      {N, 10, 0, 19041, true, false, "10.0", "10.64", 4'194'304},
      {N, 10, 0, 17763, true, true, "10.0", "10.64", 4'194'304},
      {N, 6, 0, 6002, true, true, "6.0", "2008.64", 8192},
      {N, 6, 1, 7601, true, true, "6.1", "2008R2.64", 16'384},
      {N, 6, 2, 9200, true, true, "6.2", "2012.64", 131'072},
      {N, 6, 3, 9600, true, true, "6.3", "2012R2.64", 1'048'576},
      {N, 6, 0, 6002, false, true, "6.0", "2008", 4096},
      {N, 6, 1, 7601, false, true, "6.1", "7", 1024},
  };
  for (const Case& c : cases) {
    const TPlatformName n = PlatformName(V(c.id, c.major, c.minor, c.build, c.is64, c.server));
    EXPECT_EQ(n.Version, c.version) << c.name;
    EXPECT_EQ(n.Name, c.name) << c.version << (c.is64 ? " 64" : "") << (c.server ? " server" : "");
    EXPECT_EQ(n.Code, c.code) << c.name;
  }
}

TEST(PlatformPredicates, NtXpAndWindows8) {
  constexpr std::uint32_t W = PlatformWindows9x, N = PlatformNT;
  struct Case {
    std::uint32_t id, major, minor;
    bool nt, xp, win8;
  } cases[] = {
      {W, 4, 10, false, false, false}, {N, 5, 0, true, false, false},
      {N, 5, 1, true, true, false},    {N, 5, 2, true, false, false},
      {N, 6, 1, true, false, false},   {N, 6, 2, true, false, true},
      {N, 6, 3, true, false, true},    {N, 10, 0, true, false, true},
      {W, 6, 2, false, false, false},  {N, 7, 0, true, false, true},
  };
  for (const Case& c : cases) {
    const TPlatformVersion v = V(c.id, c.major, c.minor);
    EXPECT_EQ(IsNT(v), c.nt) << c.major << "." << c.minor;
    EXPECT_EQ(IsXP(v), c.xp) << c.major << "." << c.minor;
    EXPECT_EQ(IsWindows8OrLater(v), c.win8) << c.major << "." << c.minor;
  }
}

TEST(KernelVersion, CorrectsTheCompatibilityAnswer) {
  constexpr std::uint32_t N = PlatformNT;
  struct Case {
    std::uint32_t major, minor, build;
    const char* kernel;  // kernel32.dll's product version
    bool wanted;
    std::uint32_t eMajor, eMinor, eBuild;
  } cases[] = {
      // Windows 10 tells an undeclared program it is 6.2.
      {6, 2, 9200, "10.0.19041.1", true, 10, 0, 19041},
      {6, 3, 9600, "10.0.22621.2506", true, 10, 0, 22621},
      {6, 3, 9600, "6.3.9600.17415", true, 6, 3, 9600},
      {6, 2, 9200, "10, 0, 17763, 1", true, 10, 0, 17763},
      {6, 2, 9200, "10.0.19041.1 (WinBuild.160101.0800)", true, 10, 0, 19041},
      {6, 2, 9200, "", true, 6, 2, 9200},      // unreadable: the record stays
      {6, 2, 9200, "10.0", true, 6, 2, 9200},  // too few numbers
      {6, 3, 9600, "6.1.7601.1", true, 6, 3, 9600},  // never an older system
      {6, 1, 7601, "6.1.7601.24545", false, 6, 1, 7601},
      {5, 1, 2600, "5.1.2600.5512", false, 5, 1, 2600},
  };
  for (const Case& c : cases) {
    TPlatformVersion v = V(N, c.major, c.minor, c.build);
    EXPECT_EQ(WantsKernelVersion(v), c.wanted) << c.kernel;
    if (WantsKernelVersion(v)) ApplyKernelVersion(v, c.kernel);
    EXPECT_EQ(v.Major, c.eMajor) << c.kernel;
    EXPECT_EQ(v.Minor, c.eMinor) << c.kernel;
    EXPECT_EQ(v.Build, c.eBuild) << c.kernel;
  }
  EXPECT_FALSE(WantsKernelVersion(V(PlatformWindows9x, 6, 2)));
}

}  // namespace
