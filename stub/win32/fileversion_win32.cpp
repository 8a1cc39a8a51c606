// Version resources through the A version functions.
#include <windows.h>

#include <cstring>

#include "stub/support/fileversion.h"

namespace {

class Win32VersionResources final : public VersionResources {
 public:
  std::string RunningExecutable() override {
    char path[MAX_PATH * 2] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
  }

  std::optional<std::string> LoadBlock(const std::string& file, std::size_t minBytes) override {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::string block(size > minBytes ? size : minBytes, '\0');
    if (!GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
      return std::nullopt;
    }
    return block;
  }

  std::optional<std::string> Query(std::string& block, const std::string& subBlock) override {
    void* data = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), subBlock.c_str(), &data, &length) || !data) {
      return std::nullopt;
    }
    const char* bytes = static_cast<const char*>(data);
    // String values are counted in characters; the fixed block and tables in bytes.
    if (subBlock.rfind("\\StringFileInfo", 0) == 0) return std::string(bytes, strnlen(bytes, length));
    return std::string(bytes, length);
  }
};

}  // namespace

VersionResources& SystemVersionResources() {
  static Win32VersionResources resources;
  return resources;
}

std::string GetExeVersion(const std::string& file, int width, int count) {
  return GetExeVersion(SystemVersionResources(), file, width, count);
}

std::string GetProductVersion(const std::string& file, int width, int count) {
  return GetProductVersion(SystemVersionResources(), file, width, count);
}
