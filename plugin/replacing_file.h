#pragma once
// Files of the board document: reading one whole, and replacing one without loss.
#include <string>
#include <string_view>

// A new file in the folder of path that takes path's place in one step on Commit (rename on
// POSIX, MoveFileExW with replace and write-through on Windows). Until then path stays as it
// was; a file that is never committed is removed. Raises EXmlError with the reason when a
// step fails.
class TReplacingFile {
 public:
  explicit TReplacingFile(const std::string& path);
  ~TReplacingFile();
  TReplacingFile(const TReplacingFile&) = delete;
  TReplacingFile& operator=(const TReplacingFile&) = delete;

  void Write(std::string_view bytes);
  // Flushes the new file to the disk and puts it in the place of path.
  void Commit();

 private:
  [[noreturn]] void Fail(int code);
  void Discard();

  std::string FPath;
#ifdef _WIN32
  std::wstring FTempPath;
  void* FHandle = nullptr;
#else
  std::string FTempPath;
  int FFd = -1;
#endif
};

// Writes bytes to a new file beside path, then replaces path with it in one step. Raises
// EXmlError with the reason when any step fails; the old file then stays as it was.
void ReplaceFileContents(const std::string& path, std::string_view bytes);

// Reads a whole file; raises EXmlError when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// The same into bytes, whose room is used again.
void ReadFileInto(const std::string& path, std::string& bytes);

// Whether the file holds exactly head followed by body; false also when it cannot be read.
bool FileHolds(const std::string& path, std::string_view head, std::string_view body);

// Whether path names an existing regular file (UTF-8 path).
bool FileExists(const std::string& path);
