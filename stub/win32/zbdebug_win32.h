#pragma once
// The system side of the debug log and the agent log.
//
// Linking this unit into a program (any reference to SystemDebugLogSink() or
// SystemAgentLogSystem() pulls it in) installs the debug log into std::cout at start-up,
// before the other units' static initialisers run, and gives the agent log its system.
#include <cstdint>
#include <string>
#include <string_view>

#include "stub/support/zbdebug.h"

// Viewer window, global atoms and debug file through the A functions of user32 and kernel32.
// The viewer message is registered once, when the sink is made.
class TWin32DebugLogSink final : public DebugLogSink {
 public:
  explicit TWin32DebugLogSink(std::string debugFilePath = DebugFilePath);

  Window FindViewerWindow() override;
  std::uint16_t AddGlobalAtom(const std::string& text) override;
  void SendViewerMessage(Window viewer, std::uint16_t atom) override;
  void DeleteGlobalAtom(std::uint16_t atom) override;
  void AppendToDebugFile(std::string_view text) override;

  unsigned ViewerMessage() const { return FViewerMessage; }

 private:
  std::string FDebugFilePath;
  unsigned FViewerMessage;
};

class TWin32AgentLogSystem final : public AgentLogSystem {
 public:
  std::string ExecutablePath() override;
  std::uint32_t CurrentThreadId() override;
  std::string LogDateTime() override;
  void AppendToFile(const std::string& path, std::string_view text) override;
};

// The process-wide ones.
DebugLogSink& SystemDebugLogSink();
AgentLogSystem& SystemAgentLogSystem();
