#include "stub/pack/pack_files.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  TFileCloser f(std::fopen(path.c_str(), "rb"));
  if (!f.F) return false;
  bytes.clear();
  char buf[65536];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f.F)) > 0) bytes.append(buf, got);
  return std::ferror(f.F) == 0;
}

std::int64_t FileStamp(const std::string& path) {
  std::error_code ec;
  const auto t = fs::last_write_time(fs::path(path), ec);
  if (ec) return 0;
  const auto sys = std::chrono::file_clock::to_sys(t);
  return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

void SetFileStamp(const std::string& path, std::int64_t seconds) {
  if (seconds <= 0) return;
  const std::chrono::system_clock::time_point sys{std::chrono::seconds(seconds)};
  std::error_code ec;
  fs::last_write_time(fs::path(path), std::chrono::file_clock::from_sys(sys), ec);
}

std::string BaseName(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
#ifdef _WIN32
  const char sep = '\\';
#else
  const char sep = '/';
#endif
  if (folder.empty()) return name;
  if (folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + sep + name;
}

bool SeekFile(std::FILE* f, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::uint64_t TellFile(std::FILE* f) {
#ifdef _WIN32
  return static_cast<std::uint64_t>(_ftelli64(f));
#else
  return static_cast<std::uint64_t>(ftello(f));
#endif
}
