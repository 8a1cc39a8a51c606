// File searches and deletions for DeleteFiles and DeleteFolder.
#include <windows.h>

#include "stub/support/deletefiles.h"
#include "stub/support/pump.h"
#include "stub/win32/handles.h"

namespace {

class Win32FileDeletion final : public FileDeletion {
 public:
  std::vector<TFoundEntry> Find(const std::string& mask) override {
    std::vector<TFoundEntry> entries;
    WIN32_FIND_DATAA data;
    const TFindHandle find(FindFirstFileA(mask.c_str(), &data));
    if (find.Get() == INVALID_HANDLE_VALUE) return entries;
    do {
      entries.push_back({data.cFileName, data.dwFileAttributes});
    } while (FindNextFileA(find.Get(), &data));
    return entries;
  }
  bool SetNormalAttributes(const std::string& path) override {
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
  }
  bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != FALSE; }
  bool RemoveFolder(const std::string& path) override {
    return RemoveDirectoryA(path.c_str()) != FALSE;
  }
  bool FolderExists(const std::string& path) override {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
};

}  // namespace

FileDeletion& SystemFileDeletion() {
  static Win32FileDeletion files;
  return files;
}

bool DeleteFiles(const std::string& mask, bool clearAttributes) {
  return DeleteFiles(SystemFileDeletion(), mask, clearAttributes);
}

bool DeleteFolder(const std::string& folder) {
  return DeleteFolder(SystemFileDeletion(), folder, [] { SleepPumping(0, 10); });
}
