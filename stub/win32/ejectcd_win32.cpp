// CD drives and their eject request.
#include <windows.h>
#include <winioctl.h>

#include "stub/support/ejectcd.h"

namespace {

class Win32CdDevices final : public CdDevices {
 public:
  bool IsCdRomDrive(char letter) override {
    const char root[] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) == DRIVE_CDROM;
  }
  std::intptr_t OpenDevice(const std::string& device, bool readWrite) override {
    const HANDLE h = CreateFileA(device.c_str(), readWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    return h == INVALID_HANDLE_VALUE ? InvalidDevice : reinterpret_cast<std::intptr_t>(h);
  }
  bool EjectMedia(std::intptr_t handle) override {
    DWORD returned = 0;
    return DeviceIoControl(reinterpret_cast<HANDLE>(handle), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0,
                           nullptr, 0, &returned, nullptr) != FALSE;
  }
  void CloseDevice(std::intptr_t handle) override { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
};

}  // namespace

CdDevices& SystemCdDevices() {
  static Win32CdDevices devices;
  return devices;
}

bool EjectCD(const std::string& path) { return EjectCD(SystemCdDevices(), path); }
