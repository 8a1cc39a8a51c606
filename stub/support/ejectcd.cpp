#include "stub/support/ejectcd.h"

#include <cctype>
#include <exception>

#include "stub/support/zbdebug.h"

bool EjectCD(CdDevices& devices, const std::string& path) {
  std::intptr_t handle = InvalidDevice;
  bool ejected = false;
  try {
    if (path.empty()) return false;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    if (letter < 'A' || letter > 'Z' || !devices.IsCdRomDrive(letter)) return false;
    const std::string device = std::string("\\\\.\\") + letter + ":";
    handle = devices.OpenDevice(device, true);
    DebugLog() << "EjectCD-2: " << device << " " << handle << '\n';
    if (handle == InvalidDevice) handle = devices.OpenDevice(device, false);
    DebugLog() << "EjectCD-3: " << device << " " << handle << '\n';
    if (handle == InvalidDevice) return false;
    ejected = devices.EjectMedia(handle);
  } catch (...) {
    ejected = false;
  }
  if (handle != InvalidDevice) {
    try {
      devices.CloseDevice(handle);
    } catch (...) {
    }
  }
  return ejected;
}
