#include "stub/support/deletefiles.h"

#include <exception>

#include "stub/support/zbdebug.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The folder part of a mask, with its separator ("C:\dir\" of "C:\dir\*.txt").
std::string FolderOf(const std::string& mask) {
  const std::size_t at = mask.find_last_of("\\/:");
  return at == std::string::npos ? std::string() : mask.substr(0, at + 1);
}

bool IsDotEntry(const std::string& name) { return name == "." || name == ".."; }

// "C:", "C:\", "\", "\\server\share" and the like: deleting those would wipe a volume.
bool IsRootPath(const std::string& folder) {
  if (folder.empty()) return true;
  if (folder.size() == 2 && folder[1] == ':') return true;
  if (folder.size() >= 2 && IsSeparator(folder[0]) && IsSeparator(folder[1])) {
    std::size_t parts = 0;
    std::size_t i = 2;
    while (i < folder.size()) {
      while (i < folder.size() && IsSeparator(folder[i])) ++i;
      if (i >= folder.size()) break;
      ++parts;
      while (i < folder.size() && !IsSeparator(folder[i])) ++i;
    }
    return parts <= 2;
  }
  for (const char c : folder) {
    if (!IsSeparator(c)) return false;
  }
  return true;
}

bool DeleteTree(FileDeletion& files, const std::string& folder,
                const std::function<void()>& betweenEntries) {
  DeleteFiles(files, folder + "\\*", true);
  for (const TFoundEntry& e : files.Find(folder + "\\*")) {
    if ((e.Attributes & AttrDirectory) == 0 || IsDotEntry(e.Name)) continue;
    const std::string sub = folder + "\\" + e.Name;
    if ((e.Attributes & AttrReparsePoint) != 0) {
      files.SetNormalAttributes(sub);
      files.RemoveFolder(sub);
    } else {
      DeleteTree(files, sub, betweenEntries);
    }
    if (betweenEntries) betweenEntries();
  }
  // A read-only folder would refuse to go.
  files.SetNormalAttributes(folder);
  return files.RemoveFolder(folder);
}

}  // namespace

bool DeleteFiles(FileDeletion& files, const std::string& mask, bool clearAttributes) {
  bool deleted = false;
  try {
    if (mask.empty()) return false;
    const std::string folder = FolderOf(mask);
    for (const TFoundEntry& e : files.Find(mask)) {
      if ((e.Attributes & AttrDirectory) != 0 || IsDotEntry(e.Name)) continue;
      const std::string path = folder + e.Name;
      if (clearAttributes) files.SetNormalAttributes(path);
      if (files.RemoveFile(path)) deleted = true;
    }
  } catch (const std::exception& e) {
    LogException(e, "Utils.DeleteFiles()", mask);
  } catch (...) {
    LogException(std::string_view(), "Utils.DeleteFiles()", mask);
  }
  return deleted;
}

bool DeleteFolder(FileDeletion& files, const std::string& folder,
                  const std::function<void()>& betweenEntries) {
  try {
    std::string f = folder;
    while (f.size() > 1 && IsSeparator(f.back())) f.pop_back();
    if (IsRootPath(f) || !files.FolderExists(f)) return false;
    DeleteTree(files, f, betweenEntries);
    return !files.FolderExists(f);
  } catch (const std::exception& e) {
    LogException(e, "Utils.DeleteFolder()", folder);
  } catch (...) {
    LogException(std::string_view(), "Utils.DeleteFolder()", folder);
  }
  return false;
}
