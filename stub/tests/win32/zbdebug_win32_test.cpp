// The debug log with real windows, atoms and files, and the agent log of real processes.
#include "stub/win32/zbdebug_win32.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "stub/tests/win32/debug_viewer.h"

namespace {

// Taken while this unit's static objects are made: the debug log must be in place by then.
const bool g_installedBeforeOtherStatics = DebugLogInstalled();

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the Temp folder, removed with its files afterwards.
class TTempFolder {
 public:
  TTempFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    static int counter = 0;
    FPath = std::string(temp) + "zbdebug_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    CreateDirectoryA(FPath.c_str(), nullptr);
  }
  ~TTempFolder() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((FPath + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          DeleteFileA((FPath + "\\" + fd.cFileName).c_str());
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(FPath.c_str());
  }
  const std::string& Path() const { return FPath; }
  std::string operator/(const std::string& name) const { return FPath + "\\" + name; }

 private:
  std::string FPath;
};

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path);
  return s.substr(0, s.find_last_of('\\'));
}

// Runs a program to its end; its exit code, or -1 when it could not be started or hung.
long RunProgram(const std::string& exe, const std::string& arguments) {
  std::string commandLine = "\"" + exe + "\" " + arguments;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return -1;
  long result = -1;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (GetExitCodeProcess(pi.hProcess, &code)) result = static_cast<long>(code);
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result;
}

std::string ThreadIdField(long threadId) {
  char id[16];
  std::snprintf(id, sizeof id, "%5lu", static_cast<unsigned long>(threadId));
  return id;
}

TEST(DebugLogWin32, IsTheStandardOutputBeforeOtherCodeRuns) {
  EXPECT_TRUE(g_installedBeforeOtherStatics);
  EXPECT_TRUE(DebugLogInstalled());
  EXPECT_EQ(&DebugLog(), &std::cout);
}

TEST(DebugLogWin32, LongLineReachesTheViewerAsConsecutivePiecesEndingWithCrLf) {
  if (DebugOutputMode == 1) GTEST_SKIP() << "this build sends the debug log to the file only";
  ASSERT_EQ(FindWindowA(DebugViewerClassName, nullptr), nullptr) << "a viewer is already running";
  TTestDebugViewer viewer;
  ASSERT_NE(viewer.Window(), nullptr);
  std::string line = std::to_string(GetCurrentProcessId()) + " ";
  for (int i = 0; line.size() < 300; ++i) line += static_cast<char>('A' + i % 26);
  ASSERT_EQ(line.size(), 300u);

  DebugLog() << line << '\n';  // the process's own standard output, through the real sink

  const std::vector<std::string> pieces = viewer.Texts();
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0], line.substr(0, 128));
  EXPECT_EQ(pieces[1], line.substr(128, 128));
  EXPECT_EQ(pieces[2], line.substr(256) + "\r\n");
  EXPECT_EQ(viewer.WParams(), std::vector<WPARAM>(3, DebugViewerWParam));
  for (const auto& piece : pieces)
    EXPECT_EQ(GlobalFindAtomA(piece.c_str()), 0) << "atom left behind: " << piece;
}

TEST(DebugLogWin32, WithoutViewerALineCostsOneWindowLookUp) {
  ASSERT_EQ(FindWindowA(DebugViewerClassName, nullptr), nullptr);
  TCountingDebugSink counting(SystemDebugLogSink());
  TDebugLogBuffer buffer(counting, 0);
  std::ostream log(&buffer);
  constexpr int kLines = 20;
  for (int i = 0; i < kLines; ++i) log << GetCurrentProcessId() << " no viewer " << i << '\n';
  EXPECT_EQ(counting.finds, kLines);
  EXPECT_EQ(counting.adds + counting.sends + counting.deletes + counting.files, 0);

  TTestDebugViewer viewer;
  for (int i = 0; i < kLines; ++i) log << GetCurrentProcessId() << " viewer " << i << '\n';
  EXPECT_EQ(counting.finds, 2 * kLines);
  EXPECT_EQ(counting.adds, kLines);
  EXPECT_EQ(counting.sends, kLines);
  EXPECT_EQ(counting.deletes, kLines);
  const std::vector<std::string> texts = viewer.Texts();
  ASSERT_EQ(texts.size(), static_cast<size_t>(kLines));
  EXPECT_EQ(texts.back(), std::to_string(GetCurrentProcessId()) + " viewer 19\r\n");
}

TEST(DebugLogWin32, DebugFileGetsCrLfLinesAppendedWhileOthersHoldItOpen) {
  struct Case {
    int mode;
    bool toViewer;
    bool toFile;
  };
  const Case cases[] = {{0, true, false}, {1, false, true}, {2, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    TTempFolder folder;
    const std::string path = folder / "_zbdebug.txt";
    { std::ofstream(path, std::ios::binary) << "earlier\r\n"; }
    // Another reader (a viewer of the file, say) keeps it open with sharing.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    TTestDebugViewer viewer;
    {
      TWin32DebugLogSink sink(path);
      TDebugLogBuffer buffer(sink, c.mode);
      std::ostream log(&buffer);
      log << "a\nb\r\nc\rd" << std::flush;
      log << "\n"
          << "e" << '\n';
    }
    CloseHandle(other);
    EXPECT_EQ(ReadWholeFile(path),
              c.toFile ? "earlier\r\na\r\nb\r\nc\r\nd\r\ne\r\n" : "earlier\r\n");
    std::string shown;
    for (const auto& t : viewer.Texts()) shown += t;
    EXPECT_EQ(shown, c.toViewer ? "a\r\nb\r\nc\rd\r\ne\r\n" : "");
  }
}

TEST(DebugLogWin32, DebugFileThatCannotBeMadeLosesTheTextQuietly) {
  TWin32DebugLogSink sink("C:\\no such folder\\deeper\\_zbdebug.txt");
  TDebugLogBuffer buffer(sink, 1);
  std::ostream log(&buffer);
  log << "lost\n" << std::flush;
  EXPECT_TRUE(log.good());
  EXPECT_FALSE(FileExists("C:\\no such folder\\deeper\\_zbdebug.txt"));
}

// The agent log of real processes: a small program that enables the agent log (or not),
// writes a message and an empty line, and exits with its thread id.
TEST(AgentLogWin32, PlainAgentAndAgentCopyWriteOneFileNamedWithOneXPrefix) {
  const std::string child = ProgramFolder() + "\\tallowin_log_child.exe";
  ASSERT_TRUE(FileExists(child)) << child;
  TTempFolder folder;
  ASSERT_TRUE(CopyFileA(child.c_str(), (folder / "Setup.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(child.c_str(), (folder / "X_Setup.exe").c_str(), FALSE));

  const long plainThread = RunProgram(folder / "Setup.exe", "on plain hello-from-agent");
  const long copyThread = RunProgram(folder / "X_Setup.exe", "on copy hello-from-copy");
  ASSERT_GT(plainThread, 0);
  ASSERT_GT(copyThread, 0);

  EXPECT_FALSE(FileExists(folder / "X_X_Setup.log"));
  EXPECT_FALSE(FileExists(folder / "Setup.log"));
  const std::string log = ReadWholeFile(folder / "X_Setup.log");
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < log.size();) {
    const std::size_t end = log.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
    lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 4u) << log;
  const std::regex stamp(R"(\d\d\D\d\d\D\d\d \d\d\D\d\d\D\d\d)");
  const std::string expected[] = {
      ThreadIdField(plainThread) + "   hello-from-agent",
      ThreadIdField(plainThread) + "   ",
      ThreadIdField(copyThread) + " X hello-from-copy",
      ThreadIdField(copyThread) + " X ",
  };
  for (std::size_t i = 0; i < 4; ++i) {
    ASSERT_GE(lines[i].size(), 18u) << lines[i];
    EXPECT_TRUE(std::regex_match(lines[i].substr(0, 17), stamp)) << lines[i];
    EXPECT_EQ(lines[i][17], ' ');
    EXPECT_EQ(lines[i].substr(18), expected[i]);
  }
}

TEST(AgentLogWin32, DisabledAgentLogLeavesNoFile) {
  const std::string child = ProgramFolder() + "\\tallowin_log_child.exe";
  ASSERT_TRUE(FileExists(child)) << child;
  TTempFolder folder;
  ASSERT_TRUE(CopyFileA(child.c_str(), (folder / "Setup.exe").c_str(), FALSE));
  ASSERT_GT(RunProgram(folder / "Setup.exe", "off plain not-logged"), 0);
  EXPECT_FALSE(FileExists(folder / "X_Setup.log"));
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder / "*.log").c_str(), &fd);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "unexpected " << fd.cFileName;
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

}  // namespace
