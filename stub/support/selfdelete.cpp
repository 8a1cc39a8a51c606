#include "stub/support/selfdelete.h"

#include <exception>

#include "stub/support/zbdebug.h"

namespace {

std::string FolderWithoutBackslash(const std::string& path) {
  const std::size_t at = path.find_last_of("\\/");
  if (at == std::string::npos) return {};
  return path.substr(0, at);
}

std::string WithoutTrailingBackslash(std::string path) {
  if (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

// A "%" in a batch line starts a variable; "%%" stands for the character itself.
std::string BatchLiteral(const std::string& path) {
  std::string text;
  for (const char c : path) {
    text += c;
    if (c == '%') text += '%';
  }
  return text;
}

}  // namespace

std::string SelfDeleteBatchText(const std::string& exePath, const std::string& folderPath,
                                const std::string& batchPath, bool removeFolder,
                                const std::string& quote) {
  const std::string q = quote, crlf = "\r\n";
  const std::string exe = BatchLiteral(exePath), folder = BatchLiteral(folderPath),
                    batch = BatchLiteral(batchPath);
  std::string text = ":START" + crlf;
  text += "DEL " + q + exe + q + crlf;
  text += "IF exist " + q + exe + q + " GOTO START" + crlf;
  if (removeFolder) text += "RD " + q + folder + q + crlf;
  text += "DEL " + q + batch + q + crlf;
  return text;
}

bool DeleteMySelf(SelfDeleteHost& host, bool removeFolder, bool shortNames) {
  try {
    std::string q = "\"";
    std::string exe = host.RunningExecutable();
    if (exe.empty()) return false;
    std::string folder = FolderWithoutBackslash(exe);
    DebugLog() << "[" << "ExeName" << "]  [" << exe << "]" << '\n';
    const std::string temp = host.TempFolder();
    if (temp.empty()) return false;
    // Else the batch's DEL fails for ever and the hidden batch never ends.
    host.ClearReadOnly(exe);
    std::string batch = temp + SelfDeleteBatchName;
    if (shortNames) {
      // A short name exists only for an existing file.
      host.WriteTextFile(batch, "ABC\r\n");
      q.clear();
      batch = host.ShortPath(batch);
      exe = host.ShortPath(exe);
      folder = host.ShortPath(folder);
      host.RemoveFile(batch);
    }
    // The batch must not keep the executable's folder busy as its current folder.
    host.SetCurrentFolder(WithoutTrailingBackslash(temp));
    if (!host.WriteTextFile(batch, SelfDeleteBatchText(exe, folder, batch, removeFolder, q))) {
      return false;
    }
    return host.StartHidden("\"" + batch + "\"");
  } catch (const std::exception& e) {
    LogException(e, "Utils.DeleteMySelf()", "");
  } catch (...) {
    LogException(std::string_view(), "Utils.DeleteMySelf()", "");
  }
  return false;
}
