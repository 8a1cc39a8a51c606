#pragma once
// Ejecting the medium of a CD drive.
#include <cstdint>
#include <string>

// The platform's drive and device functions.
class CdDevices {
 public:
  virtual bool IsCdRomDrive(char letter) = 0;
  // A handle to device ("\\.\D:"), with read and write access or read access alone, both
  // shared; InvalidDevice when it cannot be opened.
  virtual std::intptr_t OpenDevice(const std::string& device, bool readWrite) = 0;
  virtual bool EjectMedia(std::intptr_t handle) = 0;
  virtual void CloseDevice(std::intptr_t handle) = 0;

 protected:
  ~CdDevices() = default;
};

inline constexpr std::intptr_t InvalidDevice = -1;

// The real devices (Win32 layer).
CdDevices& SystemCdDevices();

// Ejects the medium of the CD drive named by the first character of path; false when that is
// no letter, the drive is no CD drive, it cannot be opened or the eject request fails.
bool EjectCD(CdDevices& devices, const std::string& path);
bool EjectCD(const std::string& path);
