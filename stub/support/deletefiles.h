#pragma once
// Deleting files by mask and whole folder trees.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr std::uint32_t AttrReadOnly = 0x1, AttrHidden = 0x2, AttrSystem = 0x4,
                               AttrDirectory = 0x10, AttrArchive = 0x20, AttrNormal = 0x80,
                               AttrReparsePoint = 0x400;

struct TFoundEntry {
  std::string Name;  // without folder
  std::uint32_t Attributes = 0;
};

// The platform's file functions the deletions need.
class FileDeletion {
 public:
  // Every entry whose name matches the mask's last part, in the mask's folder ("." and ".."
  // included when the platform reports them).
  virtual std::vector<TFoundEntry> Find(const std::string& mask) = 0;
  virtual bool SetNormalAttributes(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  virtual bool RemoveFolder(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;

 protected:
  ~FileDeletion() = default;
};

// The real file system (Win32 layer).
FileDeletion& SystemFileDeletion();

// Deletes every file matching mask (a path whose last part may hold wildcards), whatever its
// read-only, hidden, system or archive attributes; with clearAttributes each file's attributes
// are set to normal first, so read-only files go too. true when any file was deleted.
bool DeleteFiles(FileDeletion& files, const std::string& mask, bool clearAttributes);
bool DeleteFiles(const std::string& mask, bool clearAttributes);

// Deletes the folder with everything in it: its files, then each subfolder in turn (calling
// betweenEntries after each one, so that waiting messages are served), then the folder
// itself. A link to another folder is removed without touching what it points to. Refuses an
// empty path and a drive or share root. true when the folder existed and is gone.
bool DeleteFolder(FileDeletion& files, const std::string& folder,
                  const std::function<void()>& betweenEntries);
// Serves the thread's messages for 10 ms between entries.
bool DeleteFolder(const std::string& folder);
