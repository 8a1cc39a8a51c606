#include "plugin/replacing_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "plugin/xml.h"  // EXmlError

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(PathOf(path), ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  ReadFileInto(path, bytes);
  return bytes;
}

void ReadFileInto(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) throw EXmlError("Cannot open file \"" + path + "\"");
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) {
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad() || size < 0) throw EXmlError("Cannot read file \"" + path + "\"");
}

bool FileHolds(const std::string& path, std::string_view head, std::string_view body) {
  std::ifstream in(PathOf(path), std::ios::binary);
  if (!in) return false;
  // Read and compared piece by piece, so that no copy of the whole file is made.
  char piece[1 << 16];
  auto same = [&](std::string_view expected) {
    while (!expected.empty()) {
      const std::size_t n = std::min(expected.size(), sizeof piece);
      in.read(piece, static_cast<std::streamsize>(n));
      if (static_cast<std::size_t>(in.gcount()) != n || std::memcmp(piece, expected.data(), n) != 0) return false;
      expected.remove_prefix(n);
    }
    return true;
  };
  if (!same(head) || !same(body)) return false;
  return in.peek() == std::char_traits<char>::eof() && !in.bad();
}

void ReplaceFileContents(const std::string& path, std::string_view bytes) {
  TReplacingFile file(path);
  file.Write(bytes);
  file.Commit();
}

TReplacingFile::~TReplacingFile() { Discard(); }

#ifdef _WIN32
namespace {
std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return L"";
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string LastErrorText(DWORD code) {
  char buffer[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                           sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}
}  // namespace

TReplacingFile::TReplacingFile(const std::string& path) : FPath(path) {
  std::filesystem::path folder = PathOf(path).parent_path();
  if (folder.empty()) folder = L".";
  wchar_t temp[MAX_PATH + 1] = {};
  if (GetTempFileNameW(folder.c_str(), L"mvn", 0, temp) == 0) Fail(static_cast<int>(GetLastError()));
  FTempPath = temp;
  HANDLE h = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail(static_cast<int>(GetLastError()));
  FHandle = h;
}

void TReplacingFile::Fail(int code) {
  Discard();
  throw EXmlError("Cannot save \"" + FPath + "\": " + LastErrorText(static_cast<DWORD>(code)));
}

void TReplacingFile::Discard() {
  if (FHandle) CloseHandle(static_cast<HANDLE>(FHandle));
  FHandle = nullptr;
  if (!FTempPath.empty()) DeleteFileW(FTempPath.c_str());
  FTempPath.clear();
}

void TReplacingFile::Write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(FHandle), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      Fail(static_cast<int>(GetLastError()));
    }
    done += written;
  }
}

void TReplacingFile::Commit() {
  HANDLE h = static_cast<HANDLE>(FHandle);
  if (!FlushFileBuffers(h)) Fail(static_cast<int>(GetLastError()));
  FHandle = nullptr;
  if (!CloseHandle(h)) Fail(static_cast<int>(GetLastError()));
  if (!MoveFileExW(FTempPath.c_str(), Wide(FPath).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Fail(static_cast<int>(GetLastError()));
  }
  FTempPath.clear();
}
#else
TReplacingFile::TReplacingFile(const std::string& path) : FPath(path) {
  std::filesystem::path target = PathOf(path);
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(pattern.data());
  if (fd < 0) Fail(errno);
  FFd = fd;
  FTempPath = pattern;
  // The board keeps its permissions.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
}

void TReplacingFile::Fail(int code) {
  Discard();
  throw EXmlError("Cannot save \"" + FPath + "\": " + std::generic_category().message(code));
}

void TReplacingFile::Discard() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  if (!FTempPath.empty()) ::unlink(FTempPath.c_str());
  FTempPath.clear();
}

void TReplacingFile::Write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(FFd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void TReplacingFile::Commit() {
  if (::fsync(FFd) != 0) Fail(errno);
  int fd = FFd;
  FFd = -1;
  if (::close(fd) != 0) Fail(errno);
  if (::rename(FTempPath.c_str(), PathOf(FPath).c_str()) != 0) Fail(errno);
  FTempPath.clear();
}
#endif
