#pragma once
// Free disk space available to the caller.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TDiskClusters {
  std::uint64_t FreeClusters = 0, SectorsPerCluster = 0, BytesPerSector = 0;
};

// The platform's free-space functions.
class DiskSpace {
 public:
  // Whether the extended free-space function exists (looked up once).
  virtual bool HasFreeSpaceEx() = 0;
  // Bytes free for the caller on the volume of root, by the extended function.
  virtual std::optional<std::uint64_t> FreeBytesForCaller(const std::string& root) = 0;
  // The older cluster count of the volume of a drive root.
  virtual std::optional<TDiskClusters> FreeClusters(const std::string& driveRoot) = 0;

 protected:
  ~DiskSpace() = default;
};

// The real functions (Win32 layer).
DiskSpace& SystemDiskSpace();

// The root first asked about: path ("/" read as "\") up to the first "\" from its fourth
// character on (the whole path when there is none), or the drive root for a path shorter
// than three characters.
std::string FreeSpaceRoot(std::string_view path);
// The drive-root form: the upper-cased first character + ":\", or for a network path
// "\\server\share\" (the root of its share); empty when there is none.
std::string DriveRootOf(std::string_view path);

// Bytes available to the caller on the volume of path, 0 on failure.
double FreeDiskSpace(DiskSpace& disks, std::string_view path);
double FreeDiskSpace(std::string_view path);
