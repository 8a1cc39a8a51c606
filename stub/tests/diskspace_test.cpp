#include "stub/support/diskspace.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

TEST(FreeSpaceRoots, RootAndDriveRootForms) {
  struct Case {
    const char *path, *root, *driveRoot;
  } cases[] = {
      {"C:\\Temp\\sub\\file.txt", "C:\\Temp", "C:\\"},
      {"c:\\Temp", "c:\\Temp", "C:\\"},
      {"C:\\", "C:\\", "C:\\"},
      {"d:/data/x", "d:\\data", "D:\\"},
      {"C:", "C:\\", "C:\\"},
      {"e", "E:\\", "E:\\"},
      {"\\\\server\\share\\dir", "\\\\server", "\\\\server\\share\\"},
      {"//server/share/dir/x", "\\\\server", "\\\\server\\share\\"},
      {"\\\\server\\share", "\\\\server", "\\\\server\\share\\"},
      {"\\\\server", "\\\\server", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FreeSpaceRoot(c.path), c.root) << c.path;
    EXPECT_EQ(DriveRootOf(c.path), c.driveRoot) << c.path;
  }
}

class FakeDisks final : public DiskSpace {
 public:
  bool Ex = true;
  std::map<std::string, std::uint64_t> Free;  // by the exact root asked
  std::map<std::string, TDiskClusters> Clusters;
  std::vector<std::string> Asked;

  bool HasFreeSpaceEx() override { return Ex; }
  std::optional<std::uint64_t> FreeBytesForCaller(const std::string& root) override {
    Asked.push_back(root);
    const auto it = Free.find(root);
    if (it == Free.end()) return std::nullopt;
    return it->second;
  }
  std::optional<TDiskClusters> FreeClusters(const std::string& driveRoot) override {
    Asked.push_back("clusters " + driveRoot);
    const auto it = Clusters.find(driveRoot);
    if (it == Clusters.end()) return std::nullopt;
    return it->second;
  }
};

TEST(FreeDiskSpace, NetworkPathAsksServerThenShareRoot) {
  FakeDisks disks;
  disks.Free["\\\\server\\share\\"] = 5'000'000'000;
  EXPECT_EQ(FreeDiskSpace(disks, "\\\\server\\share\\dir"), 5'000'000'000.0);
  EXPECT_EQ(disks.Asked, (std::vector<std::string>{"\\\\server", "\\\\server\\share\\"}));
}

TEST(FreeDiskSpace, AsksInOrderAndFallsBack) {
  struct Case {
    const char* path;
    bool ex;
    double expected;
    std::vector<std::string> asked;
  } cases[] = {
      {"C:\\Temp\\x", true, 1000, {"C:\\Temp"}},
      {"C:\\nofolder\\x", true, 777, {"C:\\nofolder", "C:\\"}},
      {"C:", true, 777, {"C:\\"}},  // the drive root is not asked twice
      {"Q:\\x\\y", true, 0, {"Q:\\x", "Q:\\"}},
      {"\\\\host\\gone\\x", true, 0, {"\\\\host", "\\\\host\\gone\\"}},
      {"", true, 0, {}},
      // Without the extended function: clusters of the drive root, in 64 bits.
      {"c:\\Temp\\x", false, 70000.0 * 8 * 4096, {"clusters C:\\"}},
      {"Q:\\x", false, 0, {"clusters Q:\\"}},
  };
  for (const Case& c : cases) {
    FakeDisks disks;
    disks.Ex = c.ex;
    disks.Free["C:\\Temp"] = 1000;
    disks.Free["C:\\"] = 777;
    disks.Clusters["C:\\"] = {70'000, 8, 4096};
    EXPECT_EQ(FreeDiskSpace(disks, c.path), c.expected) << c.path;
    EXPECT_EQ(disks.Asked, c.asked) << c.path;
  }
}

TEST(FreeDiskSpace, LargeVolumesKeepTheirSize) {
  FakeDisks disks;
  disks.Ex = false;
  // 2 TB in 4 KB clusters: the product passes 32 bits by far.
  disks.Clusters["D:\\"] = {536'870'912, 8, 512};
  EXPECT_EQ(FreeDiskSpace(disks, "D:\\x"), 2'199'023'255'552.0);
}

}  // namespace
