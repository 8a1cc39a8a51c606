#pragma once
// Collects what the code under test writes to the debug log, for the duration of a scope.
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "stub/support/zbdebug.h"

// Named apart from the other areas' test helpers that share the test programs.
namespace systemtest {

class DebugLogCapture {
 public:
  DebugLogCapture() : FSaved(DebugLog().rdbuf(FText.rdbuf())) {}
  ~DebugLogCapture() { DebugLog().rdbuf(FSaved); }
  DebugLogCapture(const DebugLogCapture&) = delete;
  DebugLogCapture& operator=(const DebugLogCapture&) = delete;

  std::string Text() const { return FText.str(); }
  // The complete lines written so far, without their line ends.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(FText.str());
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

 private:
  std::ostringstream FText;
  std::streambuf* FSaved;
};

}  // namespace systemtest
using namespace systemtest;
