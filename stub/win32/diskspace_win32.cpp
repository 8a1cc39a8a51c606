// Free space through GetDiskFreeSpaceExA when the system has it, else GetDiskFreeSpaceA.
#include <windows.h>

#include "stub/support/diskspace.h"

namespace {

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                           PULARGE_INTEGER);

class Win32DiskSpace final : public DiskSpace {
 public:
  bool HasFreeSpaceEx() override { return FreeSpaceEx() != nullptr; }

  std::optional<std::uint64_t> FreeBytesForCaller(const std::string& root) override {
    const GetDiskFreeSpaceExFn fn = FreeSpaceEx();
    ULARGE_INTEGER forCaller, total, free;
    if (!fn || !fn(root.c_str(), &forCaller, &total, &free)) return std::nullopt;
    return forCaller.QuadPart;
  }

  std::optional<TDiskClusters> FreeClusters(const std::string& driveRoot) override {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(driveRoot.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
      return std::nullopt;
    }
    return TDiskClusters{freeClusters, sectorsPerCluster, bytesPerSector};
  }

 private:
  static GetDiskFreeSpaceExFn FreeSpaceEx() {
    static const GetDiskFreeSpaceExFn fn = [] {
      const HMODULE kernel = GetModuleHandleA("kernel32.dll");
      // Through the generic function type, which any function pointer may pass.
      return kernel ? reinterpret_cast<GetDiskFreeSpaceExFn>(reinterpret_cast<void (*)()>(
                          GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                    : nullptr;
    }();
    return fn;
  }
};

}  // namespace

DiskSpace& SystemDiskSpace() {
  static Win32DiskSpace disks;
  return disks;
}

double FreeDiskSpace(std::string_view path) { return FreeDiskSpace(SystemDiskSpace(), path); }
