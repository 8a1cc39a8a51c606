#pragma once
// Deleting the running executable once it has exited, through a batch file in the Temp folder.
#include <string>

inline constexpr const char* SelfDeleteBatchName = "_DEL_ME_.BAT";

// What the self-delete needs from the platform.
class SelfDeleteHost {
 public:
  virtual std::string RunningExecutable() = 0;
  // The Temp folder with its trailing backslash.
  virtual std::string TempFolder() = 0;
  // The short (8.3) form of an existing path; the path itself when it has none.
  virtual std::string ShortPath(const std::string& path) = 0;
  virtual bool WriteTextFile(const std::string& path, const std::string& text) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // Takes the read-only attribute off a file (a copy made from a CD carries it).
  virtual void ClearReadOnly(const std::string& path) = 0;
  virtual bool SetCurrentFolder(const std::string& path) = 0;
  // Starts commandLine with its window hidden.
  virtual bool StartHidden(const std::string& commandLine) = 0;

 protected:
  ~SelfDeleteHost() = default;
};

// The real system (Win32 layer).
SelfDeleteHost& SystemSelfDeleteHost();

// The batch's lines, each ending with CR LF: retry deleting exe until it is gone, remove
// folder when asked, delete the batch itself. quote wraps every path (empty for short paths);
// a "%" in a path is written as "%%" so that the batch does not read it as a variable.
std::string SelfDeleteBatchText(const std::string& exe, const std::string& folder,
                                const std::string& batch, bool removeFolder,
                                const std::string& quote);

// Writes the batch into the Temp folder and starts it hidden; it deletes the running
// executable after it has exited, and with removeFolder then its folder (when empty). The
// executable loses its read-only attribute first, which DEL would never get past. With
// shortNames every path is written in its short form without quotes. true when the batch
// was started.
bool DeleteMySelf(SelfDeleteHost& host, bool removeFolder, bool shortNames);
bool DeleteMySelf(bool removeFolder, bool shortNames = false);
