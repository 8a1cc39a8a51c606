#pragma once
// File helpers of the pack tool (C library and std::filesystem, on both builds).
#include <cstdint>
#include <cstdio>
#include <string>

bool ReadWholeFile(const std::string& path, std::string& bytes);
// Seconds since 1970-01-01 UTC of the file's last write; 0 when it cannot be told.
std::int64_t FileStamp(const std::string& path);
// Sets the last-write time; a failure is ignored (the file keeps its time).
void SetFileStamp(const std::string& path, std::int64_t seconds);
// The last path element ("\" and "/" both separate).
std::string BaseName(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

bool SeekFile(std::FILE* f, std::uint64_t offset);
std::uint64_t TellFile(std::FILE* f);

// Closes on destruction.
struct TFileCloser {
  std::FILE* F = nullptr;
  explicit TFileCloser(std::FILE* f) : F(f) {}
  ~TFileCloser() {
    if (F) std::fclose(F);
  }
  TFileCloser(const TFileCloser&) = delete;
  TFileCloser& operator=(const TFileCloser&) = delete;
  // Closes now; false when buffered bytes could not be written.
  bool Close() {
    const bool ok = F && std::fclose(F) == 0;
    F = nullptr;
    return ok;
  }
};
