#pragma once
// Small helpers of the system helpers' Wine tests: fresh temporary folders and the probe
// program that lies beside the test program.
#include <windows.h>

#include <string>

// Named apart from the other areas' test helpers that share the test programs.
namespace systemtest {

// A new empty folder below the Temp folder, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
      FPath = std::string(temp) + "velmoran_" + tag + "_" + std::to_string(n);
      if (CreateDirectoryA(FPath.c_str(), nullptr)) break;
    }
  }
  ~TempFolder() { RemoveTree(FPath); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + "\\" + name; }

  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA d;
    const HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        const std::string p = folder + "\\" + name;
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(p);
        } else {
          DeleteFileA(p.c_str());
        }
      } while (FindNextFileA(h, &d));
      FindClose(h);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
  }

 private:
  std::string FPath;
};

inline bool WriteFileText(const std::string& path, const std::string& text,
                          DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(h);
  return ok && (attributes == FILE_ATTRIBUTE_NORMAL || SetFileAttributesA(path.c_str(), attributes));
}

inline std::string ReadFileText(const std::string& path) {
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
  CloseHandle(h);
  return text;
}

inline bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The probe program and its arguments as one command line, the program's path quoted.
inline std::string ProbeCommand(const std::string& program, const std::string& arguments) {
  std::string line(1, '"');
  line += program;
  line += "\" ";
  line += arguments;
  return line;
}

// The probe program built beside this test program.
inline std::string ProbeProgram() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + "tallowin_system_probe.exe";
}

// Runs a command line hidden, with a console of its own that nobody sees (so that what it and
// its children print stays out of the test's output), and waits for it; its exit code, or ~0u
// when it did not start or took longer than the timeout.
inline DWORD RunProgram(const std::string& commandLine, DWORD timeoutMs = 30'000) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi)) {
    return ~0u;
  }
  DWORD code = ~0u;
  if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(pi.hProcess, &code);
  } else {
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

}  // namespace systemtest
using namespace systemtest;
