#include "stub/support/diskspace.h"

#include <cctype>
#include <exception>

#include "stub/support/zbdebug.h"

namespace {

std::string Backslashed(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

}  // namespace

std::string DriveRootOf(std::string_view path) {
  const std::string p = Backslashed(path);
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
    // \\server\share\...: a drive letter means nothing here; the share is the volume.
    const std::size_t server = p.find('\\', 2);
    if (server == std::string::npos || server == 2) return {};
    std::size_t share = p.find('\\', server + 1);
    if (share == server + 1) return {};
    if (share == std::string::npos) share = p.size();
    return p.substr(0, share) + "\\";
  }
  if (p.empty()) return {};
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
  return std::string(1, letter) + ":\\";
}

std::string FreeSpaceRoot(std::string_view path) {
  const std::string p = Backslashed(path);
  if (p.size() < 3) return DriveRootOf(p);
  const std::size_t slash = p.find('\\', 3);
  return slash == std::string::npos ? p : p.substr(0, slash);
}

double FreeDiskSpace(DiskSpace& disks, std::string_view path) {
  try {
    const std::string driveRoot = DriveRootOf(path);
    if (disks.HasFreeSpaceEx()) {
      const std::string root = FreeSpaceRoot(path);
      if (!root.empty()) {
        if (const auto bytes = disks.FreeBytesForCaller(root)) return static_cast<double>(*bytes);
      }
      if (driveRoot.empty() || driveRoot == root) return 0;
      const auto bytes = disks.FreeBytesForCaller(driveRoot);
      return bytes ? static_cast<double>(*bytes) : 0;
    }
    if (driveRoot.empty()) return 0;
    const auto clusters = disks.FreeClusters(driveRoot);
    if (!clusters) return 0;
    return static_cast<double>(clusters->FreeClusters) *
           static_cast<double>(clusters->SectorsPerCluster) *
           static_cast<double>(clusters->BytesPerSector);
  } catch (const std::exception& e) {
    LogException(e, "Utils.FreeDiskSpace()", path);
  } catch (...) {
    LogException(std::string_view(), "Utils.FreeDiskSpace()", path);
  }
  return 0;
}
