// The system side of the debug log and the agent log, and their installation at start-up.
#include "stub/win32/zbdebug_win32.h"

#include <windows.h>

#include <utility>

#include "stub/support/dates.h"
#include "stub/win32/handles.h"

namespace {

// Opens (or creates) the file with shared read and write access, appends at its end and
// closes it again, so that nothing is lost when the process ends abruptly. Each call is one
// append: FILE_APPEND_DATA moves to the end for every write, even with other writers.
bool AppendToFileShared(const std::string& path, std::string_view text) {
  if (path.empty()) return false;
  TFileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(text.size() > 0x100000 ? 0x100000 : text.size());
    if (!WriteFile(file.Get(), text.data(), chunk, &written, nullptr) || written == 0) return false;
    text.remove_prefix(written);
  }
  return true;
}

}  // namespace

// --- debug log ---

TWin32DebugLogSink::TWin32DebugLogSink(std::string debugFilePath)
    : FDebugFilePath(std::move(debugFilePath)),
      FViewerMessage(RegisterWindowMessageA(DebugViewerMessageName)) {}

DebugLogSink::Window TWin32DebugLogSink::FindViewerWindow() {
  return reinterpret_cast<Window>(FindWindowA(DebugViewerClassName, nullptr));
}

std::uint16_t TWin32DebugLogSink::AddGlobalAtom(const std::string& text) {
  return GlobalAddAtomA(text.c_str());
}

void TWin32DebugLogSink::SendViewerMessage(Window viewer, std::uint16_t atom) {
  if (FViewerMessage == 0) return;  // registration failed: no viewer can understand us
  SendMessageA(reinterpret_cast<HWND>(viewer), FViewerMessage, DebugViewerWParam,
               static_cast<LPARAM>(atom));
}

void TWin32DebugLogSink::DeleteGlobalAtom(std::uint16_t atom) { GlobalDeleteAtom(atom); }

void TWin32DebugLogSink::AppendToDebugFile(std::string_view text) {
  AppendToFileShared(FDebugFilePath, text);
}

// --- agent log ---

std::string TWin32AgentLogSystem::ExecutablePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return std::string();  // truncated even at the longest path
    path.resize(path.size() * 2);
  }
}

std::uint32_t TWin32AgentLogSystem::CurrentThreadId() { return GetCurrentThreadId(); }

std::string TWin32AgentLogSystem::LogDateTime() { return LogDateTimeText(); }

void TWin32AgentLogSystem::AppendToFile(const std::string& path, std::string_view text) {
  AppendToFileShared(path, text);
}

// Never destroyed: the logs stay usable during the other units' destructors.
DebugLogSink& SystemDebugLogSink() {
  static auto* sink = new TWin32DebugLogSink;
  return *sink;
}

AgentLogSystem& SystemAgentLogSystem() {
  static auto* system = new TWin32AgentLogSystem;
  return *system;
}

// --- start-up ---

namespace {

struct TLogStartUp {
  TLogStartUp() : FDebugLog(SystemDebugLogSink()) {
    ProcessAgentLog().SetSystem(&SystemAgentLogSystem());
  }
  TDebugLogInstallation FDebugLog;
};

// The lowest priority open to programs: the debug log is in place before the other units'
// static initialisers run, and is taken down only after their destructors have run.
__attribute__((init_priority(101))) TLogStartUp g_logStartUp;

}  // namespace

// Named by the build (a linker -u option on everything that links the Win32 layer), so that
// this unit, and with it the start-up above, is part of every such program even when none of
// its functions is called directly.
extern "C" {
extern const int ZbDebugStartUpAnchor;
const int ZbDebugStartUpAnchor = 1;
}
