#pragma once
// The version of the Windows platform the stub runs on: the record, its predicates, and the
// name and code of the system (codes are single bits, so callers test sets with a mask).
#include <cstdint>
#include <string>

inline constexpr std::uint32_t PlatformWin32s = 0, PlatformWindows9x = 1, PlatformNT = 2;

struct TPlatformVersion {
  std::uint32_t PlatformId = PlatformNT;
  std::uint32_t Major = 0, Minor = 0, Build = 0;
  std::string ServicePack;
  bool Is64Bit = false;   // 64-bit Windows (this 32-bit process runs under WOW64)
  bool IsServer = false;  // a server or domain-controller edition
};

// The record as the platform reports it, read once (Win32 layer).
const TPlatformVersion& PlatformVersion();

bool IsNT(const TPlatformVersion& v);
bool IsXP(const TPlatformVersion& v);  // NT 5.1
bool IsWindows8OrLater(const TPlatformVersion& v);
bool IsNT();
bool IsXP();
bool IsWindows8OrLater();
bool Is64BitWindows();
bool IsServerWindows();

// Whether the reported numbers may be a compatibility answer that kernel32.dll's product
// version corrects: NT 6.2 or later (newer systems answer 6.2 to programs that do not declare
// them).
bool WantsKernelVersion(const TPlatformVersion& v);
// major, minor and build taken from the first three numbers of kernel32.dll's product version
// ("10.0.19041.1"); the record stays as it is when the text has fewer numbers or reports an
// older system than the record.
void ApplyKernelVersion(TPlatformVersion& v, const std::string& productVersion);

struct TPlatformName {
  std::string Version;  // "major.minor"
  std::string Name;     // "XP", "7.64", "2008R2.64", ...
  std::uint32_t Code = 0;
};

TPlatformName PlatformName(const TPlatformVersion& v);
TPlatformName PlatformName();
