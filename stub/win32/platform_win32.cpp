// The platform version record, read once from the system.
#include <windows.h>

#include "stub/support/fileversion.h"
#include "stub/support/platform.h"

namespace {

FARPROC Function(const char* module, const char* name) {
  const HMODULE h = GetModuleHandleA(module);
  return h ? GetProcAddress(h, name) : nullptr;
}

// 64-bit Windows: this process runs under WOW64 and everything a 32-bit program uses to reach
// the 64-bit side is there.
bool RunsOn64BitWindows() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 =
      reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(
          Function("kernel32.dll", "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (!isWow64 || !isWow64(GetCurrentProcess(), &wow64) || !wow64) return false;
  const char* kernelFunctions[] = {"GetNativeSystemInfo", "Wow64DisableWow64FsRedirection",
                                   "Wow64RevertWow64FsRedirection", "GetSystemWow64DirectoryA"};
  for (const char* name : kernelFunctions) {
    if (!Function("kernel32.dll", name)) return false;
  }
  LoadLibraryA("advapi32.dll");
  const char* registryFunctions[] = {"RegDisableReflectionKey", "RegEnableReflectionKey",
                                     "RegQueryReflectionKey"};
  for (const char* name : registryFunctions) {
    if (!Function("advapi32.dll", name)) return false;
  }
  return true;
}

std::string SystemFolderFile(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryA(folder, sizeof folder);
  if (n == 0 || n >= sizeof folder) return {};
  std::string path(folder, n);
  if (path.back() != '\\') path += '\\';
  return path + name;
}

TPlatformVersion ReadPlatformVersion() {
  TPlatformVersion v;
  OSVERSIONINFOEXA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  bool extended = true;
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    extended = false;
    info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return v;
  }
  v.PlatformId = info.dwPlatformId;
  v.Major = info.dwMajorVersion;
  v.Minor = info.dwMinorVersion;
  // Windows 9x keeps major and minor in the high word of the build number.
  v.Build = info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? LOWORD(info.dwBuildNumber)
                                                            : info.dwBuildNumber;
  v.ServicePack = info.szCSDVersion;
  if (WantsKernelVersion(v)) {
    ApplyKernelVersion(v, GetProductVersion(SystemFolderFile("kernel32.dll"), 1, 4));
  }
  if (IsNT(v)) {
    v.Is64Bit = RunsOn64BitWindows();
    v.IsServer = GetSystemMetrics(SM_SERVERR2) != 0 ||
                 (extended && (info.wProductType == VER_NT_DOMAIN_CONTROLLER ||
                               info.wProductType == VER_NT_SERVER));
  }
  return v;
}

}  // namespace

const TPlatformVersion& PlatformVersion() {
  static const TPlatformVersion version = ReadPlatformVersion();
  return version;
}

bool IsNT() { return IsNT(PlatformVersion()); }
bool IsXP() {
  static const bool xp = IsXP(PlatformVersion());
  return xp;
}
bool IsWindows8OrLater() { return IsWindows8OrLater(PlatformVersion()); }
bool Is64BitWindows() { return PlatformVersion().Is64Bit; }
bool IsServerWindows() { return PlatformVersion().IsServer; }
TPlatformName PlatformName() { return PlatformName(PlatformVersion()); }
