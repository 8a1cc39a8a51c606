#include "stub/support/switches.h"

#include "stub/support/ini.h"
#include "stub/support/strings.h"

namespace {

constexpr char SwitchMark = '\x01';

std::string_view FileNameOf(std::string_view path) {
  const std::size_t p = path.find_last_of("\\/");
  return p == std::string_view::npos ? path : path.substr(p + 1);
}

// The position just after the program's path in the command line.
std::size_t EndOfProgramPath(std::string_view commandLine, std::string_view exePath) {
  const std::string_view name = FileNameOf(exePath);
  if (!name.empty()) {
    for (std::size_t p = PosNoCase(commandLine, name); p != std::string_view::npos;
         p = PosNoCase(commandLine, name, p + 1)) {
      std::size_t end = p + name.size();
      if (end == commandLine.size() || commandLine[end] == ' ' || commandLine[end] == '\t')
        return end;
      if (commandLine[end] == '"') return end + 1;
    }
  }
  // The first word, as the system's own parser reads it.
  std::size_t i = 0;
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    const std::size_t close = commandLine.find('"', i + 1);
    return close == std::string_view::npos ? commandLine.size() : close + 1;
  }
  while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  return i;
}

std::string_view SwitchName(std::string_view name) {
  if (!name.empty() && (name.front() == '/' || name.front() == '-')) name.remove_prefix(1);
  return name;
}

// " " + params without double quotes, every " /" and " -" turned into the switch mark, the
// whole wrapped in marks, and no blanks right before any "=". A " -" before a digit or a
// blank starts no switch, so that "/N= -5" and "/Title=A - B" keep their values.
std::string PreparedSwitches(std::string_view params) {
  std::string s = " ";
  for (char c : params)
    if (c != '"') s += c;
  s = ReplaceText(s, " /", std::string(1, SwitchMark));
  std::string marked;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char next = i + 2 < s.size() ? s[i + 2] : ' ';
    if (s[i] == ' ' && i + 1 < s.size() && s[i + 1] == '-' && next != ' ' &&
        !(next >= '0' && next <= '9')) {
      marked += SwitchMark;
      ++i;
    } else {
      marked += s[i];
    }
  }
  std::string out(1, SwitchMark);
  for (char c : marked) {
    if (c == '=')
      while (!out.empty() && out.back() == ' ') out.pop_back();
    out += c;
  }
  out += SwitchMark;
  return out;
}

}  // namespace

std::string ParamText(std::string_view commandLine, std::string_view exePath) {
  const std::string_view rest = commandLine.substr(EndOfProgramPath(commandLine, exePath));
  return rest.size() <= 1 ? std::string() : std::string(rest);
}

std::string ParamText(ProcessCommandLine& process) {
  return ParamText(process.CommandLine(), process.ExePath());
}

std::string ReadSwitch(std::string_view params, std::string_view name, std::string_view fallback) {
  const std::string_view key = SwitchName(name);
  if (key.empty()) return std::string(fallback);
  const std::string s = PreparedSwitches(params);
  const std::string wanted = SwitchMark + std::string(key) + "=";
  const std::size_t p = PosNoCase(s, wanted);
  if (p == std::string::npos) return std::string(fallback);
  const std::size_t start = p + wanted.size();
  return Trim(std::string_view(s).substr(start, s.find(SwitchMark, start) - start));
}

std::int64_t ReadSwitchInt(std::string_view params, std::string_view name, std::int64_t fallback) {
  std::int64_t value = fallback;
  const std::string text = ReadSwitch(params, name, {});
  return ParseInt64(text, value) ? value : fallback;
}

bool SwitchPresent(std::string_view params, std::string_view name) {
  const std::string_view key = SwitchName(name);
  if (key.empty()) return false;
  const std::string s = PreparedSwitches(params);
  const std::string wanted = SwitchMark + std::string(key);
  for (std::size_t p = PosNoCase(s, wanted); p != std::string::npos;
       p = PosNoCase(s, wanted, p + 1)) {
    const char next = s[p + wanted.size()];  // s ends with a mark, so this is in range
    if (next == ' ' || next == '\t' || next == SwitchMark) return true;
  }
  return false;
}
