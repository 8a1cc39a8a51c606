// The debug log's text device, forwarder and line format, and the agent log, over fakes.
#include "stub/support/zbdebug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Records every call the debug log makes to the system.
class FakeDebugSink final : public DebugLogSink {
 public:
  bool viewerPresent = true;
  bool atomsFail = false;
  bool sendThrows = false;
  bool fileThrows = false;

  std::vector<std::string> events;  // "find", "add", "send", "delete", "file" in call order
  std::vector<std::string> viewerTexts;
  std::string fileText;
  std::map<std::uint16_t, std::string> liveAtoms;

  Window FindViewerWindow() override {
    events.push_back("find");
    return viewerPresent ? 0x1234 : 0;
  }
  std::uint16_t AddGlobalAtom(const std::string& text) override {
    events.push_back("add");
    if (atomsFail) return 0;
    const std::uint16_t atom = FNextAtom++;
    liveAtoms[atom] = text;
    return atom;
  }
  void SendViewerMessage(Window viewer, std::uint16_t atom) override {
    events.push_back("send");
    EXPECT_EQ(viewer, 0x1234u);
    ASSERT_TRUE(liveAtoms.count(atom)) << "sent an atom that does not exist";
    if (sendThrows) throw std::runtime_error("viewer gone");
    viewerTexts.push_back(liveAtoms[atom]);
  }
  void DeleteGlobalAtom(std::uint16_t atom) override {
    events.push_back("delete");
    EXPECT_EQ(liveAtoms.erase(atom), 1u) << "deleted an atom that does not exist";
  }
  void AppendToDebugFile(std::string_view text) override {
    events.push_back("file");
    if (fileThrows) throw std::runtime_error("disk full");
    fileText += text;
  }

  std::string ViewerJoined() const {
    std::string all;
    for (const auto& t : viewerTexts) all += t;
    return all;
  }

 private:
  std::uint16_t FNextAtom = 0xC000;
};

std::string Letters(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

// --- the 128-character buffer and its pieces ---

TEST(DebugLogBuffer, LineReachesViewerInConsecutivePiecesEndingWithCrLf) {
  struct Case {
    std::size_t length;
    std::vector<std::size_t> pieces;
  };
  const Case cases[] = {
      {0, {2}},                       // an empty line is its line break
      {1, {3}},        {126, {128}},  // text and CR LF fill the buffer exactly
      {127, {127, 2}},                // CR LF is not split over two pieces
      {128, {128, 2}},                // a full buffer goes at once
      {129, {128, 3}}, {300, {128, 128, 46}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("line length " + std::to_string(c.length));
    FakeDebugSink sink;
    TDebugLogBuffer buffer(sink, 0);
    std::ostream log(&buffer);
    const std::string line = Letters(c.length);
    log << line << '\n';
    ASSERT_EQ(sink.viewerTexts.size(), c.pieces.size());
    for (std::size_t i = 0; i < c.pieces.size(); ++i)
      EXPECT_EQ(sink.viewerTexts[i].size(), c.pieces[i]) << "piece " << i;
    EXPECT_EQ(sink.ViewerJoined(), line + "\r\n");
    EXPECT_TRUE(sink.liveAtoms.empty()) << "every atom is deleted after its send";
    // Per piece: one look-up, one atom, one send, one delete, in that order.
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < c.pieces.size(); ++i)
      expected.insert(expected.end(), {"find", "add", "send", "delete"});
    EXPECT_EQ(sink.events, expected);
  }
}

TEST(DebugLogBuffer, WithoutViewerALineCostsOneLookUpAndNothingElse) {
  FakeDebugSink sink;
  sink.viewerPresent = false;
  TDebugLogBuffer buffer(sink, 0);
  std::ostream log(&buffer);
  for (int i = 0; i < 5; ++i)
    log << 4242 << " ==== STUB START ====> "
        << "\"C:\\x\\Setup.exe\""
        << "<\n";
  EXPECT_EQ(sink.events, std::vector<std::string>(5, "find"));
  EXPECT_TRUE(log.good());
}

TEST(DebugLogBuffer, LineBreaksBecomeCrLfOnce) {
  struct Case {
    std::vector<std::string> writes;  // separate write statements, then a flush
    std::string delivered;
  };
  const Case cases[] = {
      {{"a\nb\n"}, "a\r\nb\r\n"},
      {{"a\r\nb"}, "a\r\nb"},      // an explicit CR LF is not doubled
      {{"a\r", "\nb"}, "a\r\nb"},  // nor when its halves come in two writes
      {{"\n\n"}, "\r\n\r\n"},
      {{"a\rb"}, "a\rb"},  // a lone CR goes to the viewer as written
      {{"x", "y", "z\n"}, "xyz\r\n"},
  };
  for (const Case& c : cases) {
    FakeDebugSink sink;
    TDebugLogBuffer buffer(sink, 0);
    std::ostream log(&buffer);
    for (const auto& w : c.writes) log << w;
    log << std::flush;
    EXPECT_EQ(sink.ViewerJoined(), c.delivered) << "first write: " << c.writes.front();
  }
}

TEST(DebugLogBuffer, TextWithoutLineBreakWaitsForFlushOrLineBreak) {
  FakeDebugSink sink;
  TDebugLogBuffer buffer(sink, 0);
  std::ostream log(&buffer);
  log << "pid " << 17;
  EXPECT_TRUE(sink.events.empty());
  log << std::flush;
  ASSERT_EQ(sink.viewerTexts, std::vector<std::string>{"pid 17"});
  log << "one" << std::endl;  // endl's flush finds the buffer already sent
  EXPECT_EQ(sink.viewerTexts, (std::vector<std::string>{"pid 17", "one\r\n"}));
  {
    FakeDebugSink other;
    {
      TDebugLogBuffer ending(other, 0);
      std::ostream(&ending) << "left over";
      EXPECT_TRUE(other.events.empty());
    }  // what is left goes out when the device ends
    EXPECT_EQ(other.viewerTexts, std::vector<std::string>{"left over"});
  }
}

// --- output modes ---

TEST(DebugLogForwarder, ModesChooseViewerFileOrBoth) {
  struct Case {
    int mode;
    bool toViewer;
    bool toFile;
  };
  const Case cases[] = {{0, true, false}, {1, false, true}, {2, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    FakeDebugSink sink;
    TDebugLogBuffer buffer(sink, c.mode);
    std::ostream log(&buffer);
    log << "x\n";
    log << "y\r" << std::flush;
    EXPECT_EQ(sink.ViewerJoined(), c.toViewer ? "x\r\ny\r" : "");
    EXPECT_EQ(sink.fileText, c.toFile ? "x\r\ny\r\n" : "");
    const bool lookedUp =
        std::find(sink.events.begin(), sink.events.end(), "find") != sink.events.end();
    EXPECT_EQ(lookedUp, c.toViewer) << "the file-only mode never looks for a viewer";
  }
}

TEST(DebugLogForwarder, FailuresLoseOnlyThePiece) {
  {
    FakeDebugSink sink;  // the atom table is full: nothing is sent, nothing deleted
    sink.atomsFail = true;
    TDebugLogBuffer buffer(sink, 0);
    std::ostream log(&buffer);
    log << "a\n";
    EXPECT_EQ(sink.events, (std::vector<std::string>{"find", "add"}));
    EXPECT_TRUE(log.good());
  }
  {
    FakeDebugSink sink;  // the send fails: the atom is still deleted, the next line goes
    sink.sendThrows = true;
    TDebugLogBuffer buffer(sink, 0);
    std::ostream log(&buffer);
    log << "a\n";
    EXPECT_TRUE(sink.liveAtoms.empty());
    sink.sendThrows = false;
    log << "b\n";
    EXPECT_EQ(sink.viewerTexts, std::vector<std::string>{"b\r\n"});
    EXPECT_TRUE(log.good());
  }
  {
    FakeDebugSink sink;  // a debug file that cannot be written does not stop the viewer
    sink.fileThrows = true;
    TDebugLogBuffer buffer(sink, 2);
    std::ostream log(&buffer);
    log << "a\n";
    EXPECT_EQ(sink.viewerTexts, std::vector<std::string>{"a\r\n"});
    EXPECT_TRUE(log.good());
  }
}

TEST(DebugLogForwarder, NormalisesEveryLineBreakToCrLf) {
  struct Case {
    std::vector<std::string> pieces;
    std::string file;
  };
  const Case cases[] = {
      {{"a\r\nb"}, "a\r\nb"},
      {{"a\rb"}, "a\r\nb"},
      {{"a\nb"}, "a\r\nb"},
      {{"\n\r"}, "\r\n\r\n"},
      {{"\r\r\n\n"}, "\r\n\r\n\r\n"},
      {{"a\r", "\nb"}, "a\r\nb"},  // CR LF split between two pieces is one line break
      {{"a\r", "b"}, "a\r\nb"},
      {{"a\r", "\r\n"}, "a\r\n\r\n"},
      {{"a\n", "\nb"}, "a\r\n\r\nb"},
      {{"plain"}, "plain"},
  };
  for (const Case& c : cases) {
    bool pendingCR = false;
    std::string file;
    for (const auto& p : c.pieces) file += NormaliseLineBreaks(p, pendingCR);
    EXPECT_EQ(file, c.file) << "first piece: " << testing::PrintToString(c.pieces.front());
  }
}

// --- threads ---

TEST(DebugLogBuffer, LinesFromSeveralThreadsArriveWhole) {
  FakeDebugSink sink;
  TDebugLogBuffer buffer(sink, 0);
  std::ostream log(&buffer);
  constexpr int kThreads = 4, kLines = 3000;
  std::atomic<int> waiting{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, &waiting, t] {
      // All start together, so that their writes really overlap.
      waiting.fetch_sub(1);
      while (waiting.load() > 0) std::this_thread::yield();
      for (int i = 0; i < kLines; ++i)
        log << ("thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                std::string(40, static_cast<char>('A' + t)) + "\n");
    });
  }
  for (auto& th : threads) th.join();
  std::set<std::string> expected;
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kLines; ++i)
      expected.insert("thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                      std::string(40, static_cast<char>('A' + t)) + "\r\n");
  const std::set<std::string> received(sink.viewerTexts.begin(), sink.viewerTexts.end());
  EXPECT_EQ(sink.viewerTexts.size(), expected.size());
  EXPECT_EQ(received, expected);
}

// --- installation into the standard text output ---

TEST(DebugLogInstallation, TakesOverStandardOutputAndGivesItBack) {
  std::streambuf* before = std::cout.rdbuf();
  FakeDebugSink sink;
  {
    TDebugLogInstallation installation(sink, 0);
    EXPECT_TRUE(DebugLogInstalled());
    EXPECT_EQ(&DebugLog(), &std::cout);
    std::cout << 4711 << " ==== ThisIs_AutoUpdateProg="
              << "FALSE" << '\n';
    DebugLog() << "unfinished";
  }
  EXPECT_EQ(std::cout.rdbuf(), before);
  EXPECT_FALSE(DebugLogInstalled());
  EXPECT_EQ(sink.viewerTexts,
            (std::vector<std::string>{"4711 ==== ThisIs_AutoUpdateProg=FALSE\r\n", "unfinished"}));
}

// --- exception line ---

TEST(LogException, LineHasALabelledPartForEachNonEmptyField) {
  struct Case {
    const char* method;
    const char* remark;
    const char* message;
    const char* line;
  };
  const Case cases[] = {
      {"", "", "", " --- "},
      {"YieldX", "", "", " ---  [ Method = YieldX ] "},
      {"", "while waiting", "", " ---  [ Remark = while waiting ] "},
      {"", "", "Access violation", " ---  [ ErrMsg = Access violation ] "},
      {"YieldX", "while waiting", "", " ---  [ Method = YieldX ]  [ Remark = while waiting ] "},
      {"YieldX", "", "Access violation",
       " ---  [ Method = YieldX ]  [ ErrMsg = Access violation ] "},
      {"", "while waiting", "Access violation",
       " ---  [ Remark = while waiting ]  [ ErrMsg = Access violation ] "},
      {"Utils.GetExeVersion()", "C:\\a.exe", "Access violation",
       " ---  [ Method = Utils.GetExeVersion() ]  [ Remark = C:\\a.exe ]  [ ErrMsg = Access "
       "violation ] "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExceptionLineText(c.method, c.remark, c.message), c.line);
    // Both overloads write exactly that line to the debug log, as one piece.
    FakeDebugSink sink;
    {
      TDebugLogInstallation installation(sink, 0);
      LogException(std::string_view(c.message), c.method, c.remark);
      LogException(std::runtime_error(c.message), c.method, c.remark);
    }
    const std::string expected = std::string(c.line) + "\r\n";
    EXPECT_EQ(sink.viewerTexts, (std::vector<std::string>{expected, expected}));
  }
}

// --- agent log ---

class FakeAgentSystem final : public AgentLogSystem {
 public:
  std::string exePath = "C:\\Program Files\\Vantrell\\Setup.exe";
  std::uint32_t threadId = 77;
  std::string dateTime = "09/12/25 14:03:07";
  bool appendThrows = false;
  int pathQueries = 0;
  std::vector<std::pair<std::string, std::string>> appends;

  std::string ExecutablePath() override {
    ++pathQueries;
    return exePath;
  }
  std::uint32_t CurrentThreadId() override { return threadId; }
  std::string LogDateTime() override { return dateTime; }
  void AppendToFile(const std::string& path, std::string_view text) override {
    if (appendThrows) throw std::runtime_error("locked");
    appends.emplace_back(path, std::string(text));
  }
};

TEST(AgentLog, FileNameGetsOneXPrefixAndTheLogExtension) {
  struct Case {
    const char* exe;
    const char* log;
  };
  const Case cases[] = {
      {"C:\\Apps\\Setup.exe", "C:\\Apps\\X_Setup.log"},
      {"C:\\Apps\\X_Setup.exe", "C:\\Apps\\X_Setup.log"},    // the agent copy: no X_X_
      {"C:\\Apps\\x_Setup.exe", "C:\\Apps\\X_x_Setup.log"},  // compared case-sensitively
      {"C:\\Apps\\X_X_Setup.exe", "C:\\Apps\\X_X_Setup.log"},
      {"C:\\Apps\\Setup", "C:\\Apps\\X_Setup.log"},        // no extension
      {"C:\\Apps.v2\\Setup", "C:\\Apps.v2\\X_Setup.log"},  // a dot in the folder is no extension
      {"C:\\Apps\\Setup.1.2.exe", "C:\\Apps\\X_Setup.1.2.log"},
      {"\\\\server\\share\\Tallowin.EXE", "\\\\server\\share\\X_Tallowin.log"},
      {"D:/mixed/Setup.exe", "D:/mixed/X_Setup.log"},
      {"Setup.exe", "X_Setup.log"},
  };
  for (const Case& c : cases) EXPECT_EQ(AgentLogFileName(c.exe), c.log) << c.exe;
}

TEST(AgentLog, LineHasStampThreadIdIndentMessageAndCrLf) {
  struct Case {
    std::uint32_t threadId;
    std::string_view indent;
    const char* message;
    const char* line;
  };
  const Case cases[] = {
      {7, LogIndentPlain, "=== START === C:\\a\\Setup.exe",
       "09/12/25 14:03:07     7   === START === C:\\a\\Setup.exe\r\n"},
      {12345, LogIndentAgentCopy, "WinMain", "09/12/25 14:03:07 12345 X WinMain\r\n"},
      {123456, LogIndentPlain, "x", "09/12/25 14:03:07 123456   x\r\n"},  // longer ids unchanged
      {4294967295u, LogIndentPlain, "", "09/12/25 14:03:07 4294967295   \r\n"},
      {0, LogIndentAgentCopy, "", "09/12/25 14:03:07     0 X \r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AgentLogLineText("09/12/25 14:03:07", c.threadId, c.indent, c.message), c.line);
}

TEST(AgentLog, DisabledLogWritesNothingAndLooksUpNothing) {
  FakeAgentSystem system;
  TAgentLog log(&system);
  log.Line("=== START === x");
  log.Line("");
  EXPECT_TRUE(system.appends.empty());
  EXPECT_EQ(system.pathQueries, 0);
  TAgentLog withoutSystem;
  withoutSystem.SetEnabled(true);
  withoutSystem.Line("nowhere to go");  // no system yet: nothing, and no crash
  EXPECT_EQ(withoutSystem.FileName(), "");
}

TEST(AgentLog, EnabledLogAppendsEachLineToTheCachedFile) {
  FakeAgentSystem system;
  system.exePath = "C:\\Apps\\X_Setup.exe";
  TAgentLog log(&system);
  log.SetEnabled(true);
  log.SetIndent(LogIndentAgentCopy);
  log.Line("DoRunStubWin() --- Start");
  system.exePath = "C:\\Elsewhere\\Other.exe";  // computed once: later answers do not matter
  system.threadId = 123456;
  log.Line("");
  ASSERT_EQ(system.appends.size(), 2u);
  EXPECT_EQ(system.appends[0].first, "C:\\Apps\\X_Setup.log");
  EXPECT_EQ(system.appends[0].second, "09/12/25 14:03:07    77 X DoRunStubWin() --- Start\r\n");
  EXPECT_EQ(system.appends[1].first, "C:\\Apps\\X_Setup.log");
  EXPECT_EQ(system.appends[1].second, "09/12/25 14:03:07 123456 X \r\n");
  EXPECT_EQ(system.pathQueries, 1);
  log.SetEnabled(false);
  log.Line("after");
  EXPECT_EQ(system.appends.size(), 2u);
}

TEST(AgentLog, FailuresLoseTheLineSilently) {
  FakeAgentSystem system;
  TAgentLog log(&system);
  log.SetEnabled(true);
  system.exePath = "";  // no path: no file to write, and the name is tried again later
  log.Line("lost");
  EXPECT_TRUE(system.appends.empty());
  system.exePath = "C:\\Apps\\Setup.exe";
  system.appendThrows = true;
  EXPECT_NO_THROW(log.Line("lost too"));
  system.appendThrows = false;
  log.Line("kept");
  ASSERT_EQ(system.appends.size(), 1u);
  EXPECT_EQ(system.appends[0].first, "C:\\Apps\\X_Setup.log");
  EXPECT_EQ(system.appends[0].second, "09/12/25 14:03:07    77   kept\r\n");
}

TEST(AgentLog, ProcessLogStartsDisabledWithThePlainIndent) {
  EXPECT_FALSE(ProcessAgentLog().Enabled());
  EXPECT_EQ(LogIndent(), LogIndentPlain);
  SetLogIndent(LogIndentAgentCopy);
  EXPECT_EQ(LogIndent(), LogIndentAgentCopy);
  SetLogIndent(LogIndentPlain);
}

}  // namespace
