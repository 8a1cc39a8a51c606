// Unit ZbDebug: the debug log (the process's standard text output, forwarded to the viewer
// window and/or the debug file) and the agent log file.
#include "stub/support/zbdebug.h"

#include <atomic>
#include <cstdio>
#include <iostream>

#ifndef TALLOWIN_DEBUG_OUTPUT_MODE
#define TALLOWIN_DEBUG_OUTPUT_MODE 0
#endif
static_assert(TALLOWIN_DEBUG_OUTPUT_MODE >= 0 && TALLOWIN_DEBUG_OUTPUT_MODE <= 2,
              "the debug output mode is 0 (viewer), 1 (file) or 2 (both)");
extern const int DebugOutputMode = TALLOWIN_DEBUG_OUTPUT_MODE;

namespace {

// The buffer std::cout writes to while a debug log is installed.
std::atomic<TDebugLogBuffer*> g_installed{nullptr};

}  // namespace

std::ostream& DebugLog() { return std::cout; }

std::recursive_mutex& DebugLogLock() {
  // Never destroyed: destructors of other units may still write to the log at exit.
  static auto* lock = new std::recursive_mutex;
  return *lock;
}

// --- line breaks of the debug file ---

std::string NormaliseLineBreaks(std::string_view text, bool& pendingCR) {
  std::string out;
  if (text.empty()) return out;
  out.reserve(text.size() + 8);
  std::size_t i = 0;
  if (pendingCR && text[0] == '\n') i = 1;  // the LF of a CR LF whose CR ended the last piece
  pendingCR = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size()) {
        if (text[i + 1] == '\n') ++i;
      } else {
        pendingCR = true;
      }
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// --- forwarder ---

void TDebugForwarder::Forward(const std::string& piece) noexcept {
  if (piece.empty()) return;
  if (FMode == 1 || FMode == 2) {
    try {
      const std::string text = NormaliseLineBreaks(piece, FPendingCR);
      FSink.AppendToDebugFile(text);
    } catch (...) {
      // A debug file that cannot be written loses the piece, nothing more.
    }
  }
  if (FMode == 0 || FMode == 2) {
    std::uint16_t atom = 0;
    try {
      const DebugLogSink::Window viewer = FSink.FindViewerWindow();
      if (viewer == 0) return;  // no viewer: the piece is dropped, at the cost of one look-up
      atom = FSink.AddGlobalAtom(piece);
      if (atom != 0) FSink.SendViewerMessage(viewer, atom);
    } catch (...) {
    }
    if (atom != 0) {
      try {
        FSink.DeleteGlobalAtom(atom);
      } catch (...) {
      }
    }
  }
}

// --- text device ---

TDebugLogBuffer::~TDebugLogBuffer() { Flush(); }

void TDebugLogBuffer::Flush() {
  std::lock_guard<std::recursive_mutex> guard(DebugLogLock());
  FlushLocked();
}

void TDebugLogBuffer::FlushLocked() {
  if (FLength == 0) return;
  // Take the text out first: a window procedure that runs while the piece is being sent may
  // write to the log again on this thread and must find an empty buffer.
  const std::string piece(FBuffer, FLength);
  FLength = 0;
  FForwarder.Forward(piece);
}

void TDebugLogBuffer::PutLocked(char c) {
  if (c == '\n') {
    // A line break is CR LF, kept in one piece; one written as "\r\n" stays one line break.
    const std::size_t needed = FLastWasCR ? 1 : 2;
    if (FLength + needed > Capacity) FlushLocked();
    if (!FLastWasCR) FBuffer[FLength++] = '\r';
    FBuffer[FLength++] = '\n';
    FLastWasCR = false;
    FlushLocked();
    return;
  }
  if (FLength == Capacity) FlushLocked();
  FBuffer[FLength++] = c;
  FLastWasCR = c == '\r';
  if (FLength == Capacity) FlushLocked();
}

TDebugLogBuffer::int_type TDebugLogBuffer::overflow(int_type ch) {
  if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
  std::lock_guard<std::recursive_mutex> guard(DebugLogLock());
  PutLocked(traits_type::to_char_type(ch));
  return ch;
}

std::streamsize TDebugLogBuffer::xsputn(const char* s, std::streamsize n) {
  std::lock_guard<std::recursive_mutex> guard(DebugLogLock());
  for (std::streamsize i = 0; i < n; ++i) PutLocked(s[i]);
  return n;
}

int TDebugLogBuffer::sync() {
  Flush();
  return 0;
}

// --- installation into std::cout ---

TDebugLogInstallation::TDebugLogInstallation(DebugLogSink& sink, int mode) : FBuffer(sink, mode) {
  std::cout.flush();
  FPrevious = std::cout.rdbuf(&FBuffer);
  g_installed.store(&FBuffer);
}

TDebugLogInstallation::~TDebugLogInstallation() {
  FBuffer.Flush();
  if (std::cout.rdbuf() == &FBuffer) std::cout.rdbuf(FPrevious);
  TDebugLogBuffer* expected = &FBuffer;
  g_installed.compare_exchange_strong(expected, nullptr);
}

bool DebugLogInstalled() {
  TDebugLogBuffer* installed = g_installed.load();
  return installed != nullptr && std::cout.rdbuf() == installed;
}

// --- exception line ---

std::string ExceptionLineText(std::string_view method, std::string_view remark,
                              std::string_view errorMessage) {
  std::string line = " --- ";
  const auto part = [&line](std::string_view label, std::string_view value) {
    if (value.empty()) return;
    line += " [ ";
    line += label;
    line += value;
    line += " ] ";
  };
  part("Method = ", method);
  part("Remark = ", remark);
  part("ErrMsg = ", errorMessage);
  return line;
}

void LogException(const std::exception& e, std::string_view method, std::string_view remark) {
  const char* what = nullptr;
  try {
    what = e.what();
  } catch (...) {
  }
  LogException(std::string_view(what ? what : ""), method, remark);
}

void LogException(std::string_view errorMessage, std::string_view method, std::string_view remark) {
  try {
    // One write, so that the line is not split by another thread's text.
    DebugLog() << ExceptionLineText(method, remark, errorMessage) + "\n";
  } catch (...) {
  }
}

// --- agent log ---

std::string AgentLogFileName(std::string_view executablePath) {
  const std::size_t slash = executablePath.find_last_of("\\/");
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  std::string_view name = executablePath.substr(nameStart);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  std::string result(executablePath.substr(0, nameStart));
  if (!name.starts_with("X_")) result += "X_";
  result += name;
  result += ".log";
  return result;
}

std::string AgentLogLineText(std::string_view dateTime, std::uint32_t threadId,
                             std::string_view indent, std::string_view message) {
  char id[16];
  std::snprintf(id, sizeof id, "%5lu", static_cast<unsigned long>(threadId));
  std::string line;
  line.reserve(dateTime.size() + indent.size() + message.size() + 16);
  line += dateTime;
  line += ' ';
  line += id;
  line += indent;
  line += message;
  line += "\r\n";
  return line;
}

void TAgentLog::SetSystem(AgentLogSystem* system) {
  std::lock_guard<std::mutex> guard(FLock);
  FSystem = system;
  FFileName.clear();
  FFileNameKnown = false;
}

void TAgentLog::SetEnabled(bool enabled) {
  std::lock_guard<std::mutex> guard(FLock);
  FEnabled = enabled;
}

bool TAgentLog::Enabled() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FEnabled;
}

void TAgentLog::SetIndent(std::string_view indent) {
  std::lock_guard<std::mutex> guard(FLock);
  FIndent = indent;
}

std::string TAgentLog::Indent() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FIndent;
}

std::string TAgentLog::FileName() {
  std::lock_guard<std::mutex> guard(FLock);
  if (!FFileNameKnown && FSystem != nullptr) {
    try {
      const std::string exe = FSystem->ExecutablePath();
      // Without the executable's path there is no folder to log into: try again next time.
      if (!exe.empty()) {
        FFileName = AgentLogFileName(exe);
        FFileNameKnown = true;
      }
    } catch (...) {
    }
  }
  return FFileNameKnown ? FFileName : std::string();
}

void TAgentLog::Line(std::string_view message) {
  AgentLogSystem* system = nullptr;
  std::string indent;
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (!FEnabled || FSystem == nullptr) return;
    system = FSystem;
    indent = FIndent;
  }
  const std::string file = FileName();
  if (file.empty()) return;
  try {
    system->AppendToFile(
        file, AgentLogLineText(system->LogDateTime(), system->CurrentThreadId(), indent, message));
  } catch (...) {
    // The line is lost silently.
  }
}

TAgentLog& ProcessAgentLog() {
  // Never destroyed, like the debug log's lock.
  static auto* log = new TAgentLog;
  return *log;
}

void SetAgentLogEnabled(bool enabled) { ProcessAgentLog().SetEnabled(enabled); }
void SetLogIndent(std::string_view indent) { ProcessAgentLog().SetIndent(indent); }
std::string LogIndent() { return ProcessAgentLog().Indent(); }

void LogLine(std::string_view message) { ProcessAgentLog().Line(message); }
