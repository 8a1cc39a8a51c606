// Package files opened with shared access, the thread's language at start-up, and the
// convenience forms of the package reader that use them.
#include <windows.h>

#include <algorithm>

#include "stub/package/byte_source.h"
#include "stub/package/gfileinfo.h"
#include "stub/package/language.h"
#include "stub/package/package_checksum.h"
#include "stub/support/diskspace.h"

namespace {

class Win32FileSource final : public ByteSource {
 public:
  Win32FileSource(HANDLE file, std::uint64_t size) : FFile(file), FSize(size) {}
  ~Win32FileSource() override { CloseHandle(FFile); }
  Win32FileSource(const Win32FileSource&) = delete;
  Win32FileSource& operator=(const Win32FileSource&) = delete;

  std::uint64_t Size() override { return FSize; }

  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
    if (offset >= FSize) return 0;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(FFile, to, nullptr, FILE_BEGIN)) return 0;
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < n) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 20));
      DWORD got = 0;
      if (!ReadFile(FFile, out + done, want, &got, nullptr) || got == 0) break;
      done += got;
    }
    return done;
  }

 private:
  HANDLE FFile;
  std::uint64_t FSize;
};

class Win32PackageFiles final : public PackageFiles {
 public:
  std::unique_ptr<ByteSource> OpenForReading(const std::string& path) override {
    // Shared for writing too: the running executable and files other programs hold open.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
      CloseHandle(file);
      return nullptr;
    }
    return std::make_unique<Win32FileSource>(file, static_cast<std::uint64_t>(size.QuadPart));
  }
};

class Win32LocaleLanguage final : public LocaleLanguage {
 public:
  int PrimaryLanguageId() override { return FId; }

 private:
  static int StartUpId() {
    const LCID locale = GetThreadLocale();
    return locale == 0 ? 9 : PRIMARYLANGID(LANGIDFROMLCID(locale));
  }
  int FId = StartUpId();
};

// Taken while the process starts, before any code can change the thread's locale.
Win32LocaleLanguage startUpLocale;

}  // namespace

PackageFiles& SystemPackageFiles() {
  static Win32PackageFiles files;
  return files;
}

LocaleLanguage& SystemLocaleLanguage() { return startUpLocale; }

TGFileInfo::TGFileInfo(const std::string& fileName) : TGFileInfo(SystemPackageFiles(), fileName) {}

double TGFileInfo::GetSpaceRequired(std::string_view path) const {
  return GetSpaceRequired(SystemDiskSpace(), path);
}

std::string TGFileInfo::GetLangString(std::string_view key, std::string_view fallback) const {
  return GetLangString(ProcessLanguageChoice(), SystemLocaleLanguage(), key, fallback);
}

int TGFileInfo::Charset() const { return Charset(ProcessLanguageChoice(), SystemLocaleLanguage()); }

int TGFileInfo::FontSize() const {
  return FontSize(ProcessLanguageChoice(), SystemLocaleLanguage());
}

std::string TGFileInfo::FontName() const {
  return FontName(ProcessLanguageChoice(), SystemLocaleLanguage());
}

std::uint32_t PackageChecksum(const std::string& fileName, std::uint32_t trailerSize) {
  return PackageChecksum(SystemPackageFiles(), fileName, trailerSize);
}
