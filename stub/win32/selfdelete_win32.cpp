// The real system for DeleteMySelf.
#include <windows.h>

#include "stub/support/selfdelete.h"
#include "stub/win32/handles.h"

namespace {

class Win32SelfDeleteHost final : public SelfDeleteHost {
 public:
  std::string RunningExecutable() override {
    char path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
  }
  std::string TempFolder() override {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof path, path);
    if (n == 0 || n >= sizeof path) return {};
    std::string folder(path, n);
    if (folder.back() != '\\') folder += '\\';
    return folder;
  }
  std::string ShortPath(const std::string& path) override {
    char shortPath[MAX_PATH * 2] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return n > 0 && n < sizeof shortPath ? std::string(shortPath, n) : path;
  }
  bool WriteTextFile(const std::string& path, const std::string& text) override {
    const TFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
  }
  void RemoveFile(const std::string& path) override { DeleteFileA(path.c_str()); }
  void ClearReadOnly(const std::string& path) override {
    const DWORD a = GetFileAttributesA(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY)) {
      SetFileAttributesA(path.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    }
  }
  bool SetCurrentFolder(const std::string& path) override {
    return SetCurrentDirectoryA(path.c_str()) != FALSE;
  }
  bool StartHidden(const std::string& commandLine) override {
    return WinExec(commandLine.c_str(), SW_HIDE) > 31;
  }
};

}  // namespace

SelfDeleteHost& SystemSelfDeleteHost() {
  static Win32SelfDeleteHost host;
  return host;
}

bool DeleteMySelf(bool removeFolder, bool shortNames) {
  return DeleteMySelf(SystemSelfDeleteHost(), removeFolder, shortNames);
}
