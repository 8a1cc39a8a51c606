// Version resources read with the wide version functions.
#include <windows.h>

#include <vector>

#include "plugin/versioninfo.h"
#include "plugin/win32/utf16.h"

namespace {

class Win32VersionBlockReader final : public VersionBlockReader {
 public:
  bool Load(const std::string& fileName) override {
    std::wstring name = Utf8ToWide(fileName);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0) return false;
    FBuf.assign(size, 0);
    if (!GetFileVersionInfoW(name.c_str(), 0, size, FBuf.data())) {
      FBuf.clear();
      return false;
    }
    return true;
  }

  bool Translation(std::uint16_t& language, std::uint16_t& codePage) override {
    void* data = nullptr;
    UINT len = 0;
    if (FBuf.empty() || !VerQueryValueW(FBuf.data(), L"\\VarFileInfo\\Translation", &data, &len) ||
        len < 4) {
      return false;
    }
    const WORD* pair = static_cast<const WORD*>(data);
    language = pair[0];
    codePage = pair[1];
    return true;
  }

  bool QueryString(const std::string& subBlock, std::string& value) override {
    void* data = nullptr;
    UINT len = 0;
    if (FBuf.empty() || !VerQueryValueW(FBuf.data(), Utf8ToWide(subBlock).c_str(), &data, &len)) {
      return false;
    }
    // The length counts characters and may include the closing NUL.
    std::wstring_view text(static_cast<const wchar_t*>(data), len);
    while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
    value = WideToUtf8(text);
    return true;
  }

  void Release() override { std::vector<BYTE>().swap(FBuf); }

 private:
  std::vector<BYTE> FBuf;
};

}  // namespace

VersionBlockReader& SystemVersionBlockReader() {
  static Win32VersionBlockReader reader;
  return reader;
}
