#pragma once
// The stub's two diagnostic outputs: the debug log (the process's standard text output,
// forwarded to an external viewer window) and the agent log file.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <ios>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

// The debug log. Write lines with `DebugLog() << ... << '\n';` (or std::endl). It is
// std::cout: in a program with the Win32 layer the debug log takes std::cout over at start-up;
// elsewhere (host tools, host tests) the lines go to the plain standard output.
std::ostream& DebugLog();

// One debug-log line about an exception caught by a utility routine.
void LogException(const std::exception& e, std::string_view method, std::string_view remark);
// The same for a failure without an exception object (catch (...)), or with a system message.
void LogException(std::string_view errorMessage, std::string_view method, std::string_view remark);

// One line of the agent log; does nothing while the agent log is disabled.
void LogLine(std::string_view message);

// ---------------------------------------------------------------------------------------------
// Debug log
// ---------------------------------------------------------------------------------------------

// Where the debug log goes: 0 the viewer window only (shipped), 1 the debug file only, 2 both.
// Chosen at build time (CMake cache variable TALLOWIN_DEBUG_OUTPUT_MODE).
extern const int DebugOutputMode;

inline constexpr const char* DebugViewerClassName = ".ZbDebug.";
inline constexpr const char* DebugViewerMessageName = ".Zb_DebugMsg.";
inline constexpr std::uintptr_t DebugViewerWParam = 1;
inline constexpr const char* DebugFilePath = "C:\\ProgramData\\_zbdebug.txt";

// What the debug log needs from the system: the viewer window, global atoms, the debug file.
class DebugLogSink {
 public:
  using Window = std::uintptr_t;  // 0: no window

  // The top-level window of the viewer class, or 0 when no viewer runs.
  virtual Window FindViewerWindow() = 0;
  // A global atom holding text, or 0 when none could be added.
  virtual std::uint16_t AddGlobalAtom(const std::string& text) = 0;
  // Sends the registered viewer message synchronously: wParam 1, lParam the atom.
  virtual void SendViewerMessage(Window viewer, std::uint16_t atom) = 0;
  virtual void DeleteGlobalAtom(std::uint16_t atom) = 0;
  // Appends to the debug file (opened with sharing, created when missing, closed again).
  virtual void AppendToDebugFile(std::string_view text) = 0;

 protected:
  ~DebugLogSink() = default;
};

// The one process-wide critical section of the debug log. Recursive, because a window
// procedure that runs while the viewer message is being sent may write to the log itself.
std::recursive_mutex& DebugLogLock();

// Every CR LF pair, lone CR and lone LF becomes CR LF. `pendingCR` carries a CR that ended
// the previous piece, so that a CR LF split over two pieces stays one line break.
std::string NormaliseLineBreaks(std::string_view text, bool& pendingCR);

// Hands flushed pieces to the file and/or the viewer, as the output mode says.
class TDebugForwarder {
 public:
  TDebugForwarder(DebugLogSink& sink, int mode) : FSink(sink), FMode(mode) {}
  // Never throws: a failure of the system calls loses the piece and nothing else.
  void Forward(const std::string& piece) noexcept;

 private:
  DebugLogSink& FSink;
  int FMode;
  bool FPendingCR = false;
};

// The text device behind the debug log: collects up to 128 characters and flushes them to the
// forwarder when a line break is written, when the buffer is full, and on every explicit flush
// (std::flush, std::endl). A line break is written as CR LF and is never split from its CR.
// Writing and flushing both run under DebugLogLock(), so threads may share the stream.
class TDebugLogBuffer : public std::streambuf {
 public:
  static constexpr std::size_t Capacity = 128;

  TDebugLogBuffer(DebugLogSink& sink, int mode) : FForwarder(sink, mode) {}
  ~TDebugLogBuffer() override;
  TDebugLogBuffer(const TDebugLogBuffer&) = delete;
  TDebugLogBuffer& operator=(const TDebugLogBuffer&) = delete;

  void Flush();

 protected:
  int_type overflow(int_type ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void PutLocked(char c);
  void FlushLocked();

  TDebugForwarder FForwarder;
  char FBuffer[Capacity] = {};
  std::size_t FLength = 0;
  bool FLastWasCR = false;
};

// Replaces the process's standard text output (std::cout, and so DebugLog()) by the debug log
// for as long as it lives. The Win32 layer makes one at start-up, before other code runs;
// destroying it flushes what is left and gives std::cout its previous buffer back.
class TDebugLogInstallation {
 public:
  explicit TDebugLogInstallation(DebugLogSink& sink, int mode = DebugOutputMode);
  ~TDebugLogInstallation();
  TDebugLogInstallation(const TDebugLogInstallation&) = delete;
  TDebugLogInstallation& operator=(const TDebugLogInstallation&) = delete;

  TDebugLogBuffer& Buffer() { return FBuffer; }

 private:
  std::ios_base::Init FStreams;  // the standard streams exist from here on
  TDebugLogBuffer FBuffer;
  std::streambuf* FPrevious = nullptr;
};

// True while std::cout writes to an installed debug log.
bool DebugLogInstalled();

// The exception line: " --- " and " [ Method = m ] ", " [ Remark = r ] ", " [ ErrMsg = e ] "
// for each part that is not empty.
std::string ExceptionLineText(std::string_view method, std::string_view remark,
                              std::string_view errorMessage);

// ---------------------------------------------------------------------------------------------
// Agent log
// ---------------------------------------------------------------------------------------------

inline constexpr std::string_view LogIndentPlain = "   ";
inline constexpr std::string_view LogIndentAgentCopy = " X ";

// What the agent log needs from the system.
class AgentLogSystem {
 public:
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  virtual std::uint32_t CurrentThreadId() = 0;
  // Now as "dd/mm/yy HH:NN:SS" with the locale's date and time separators.
  virtual std::string LogDateTime() = 0;
  // Opens (or creates) the file, appends text at its end and closes it; failures are silent.
  virtual void AppendToFile(const std::string& path, std::string_view text) = 0;

 protected:
  ~AgentLogSystem() = default;
};

// The executable's folder + its name with "X_" put in front unless it already starts with
// "X_" (case-sensitive) + ".log" in place of its extension. Setup.exe and X_Setup.exe both
// give X_Setup.log.
std::string AgentLogFileName(std::string_view executablePath);

// date-time, a blank, the thread id right-aligned in 5, the indent, the message, CR LF.
std::string AgentLogLineText(std::string_view dateTime, std::uint32_t threadId,
                             std::string_view indent, std::string_view message);

class TAgentLog {
 public:
  explicit TAgentLog(AgentLogSystem* system = nullptr) : FSystem(system) {}

  void SetSystem(AgentLogSystem* system);
  void SetEnabled(bool enabled);
  bool Enabled() const;
  void SetIndent(std::string_view indent);
  std::string Indent() const;

  // Appends one line when enabled; the file name is computed on the first such call.
  void Line(std::string_view message);
  // The file name in use (computed now if not yet), empty without a system.
  std::string FileName();

 private:
  mutable std::mutex FLock;  // guards the settings and the cached name, not the file
  AgentLogSystem* FSystem;
  bool FEnabled = false;
  std::string FIndent{LogIndentPlain};
  std::string FFileName;
  bool FFileNameKnown = false;
};

// The process's agent log, used by LogLine. The Win32 layer gives it its system at start-up;
// the stub enables it when its package asks for the agent log.
TAgentLog& ProcessAgentLog();
void SetAgentLogEnabled(bool enabled);
// `LogIndentPlain`, or `LogIndentAgentCopy` in the agent copy.
void SetLogIndent(std::string_view indent);
std::string LogIndent();
