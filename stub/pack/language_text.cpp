#include "stub/pack/language_text.h"

#include <vector>

#include "stub/package/language.h"
#include "stub/support/sub.h"

bool LanguageBlockFromText(std::string_view text, std::string& block, std::string& error) {
  std::vector<std::vector<std::string>> sections;
  std::size_t lineNo = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;
    const auto where = "line " + std::to_string(lineNo) + ": ";
    if (line.find_first_of(std::string_view("\x01\x02", 2)) != std::string_view::npos) {
      error = where + "the bytes 0x01 and 0x02 separate the block and cannot be part of a text";
      return false;
    }
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        error = where + "a section line reads [name]";
        return false;
      }
      sections.push_back({std::string(line.substr(1, line.size() - 2))});
      continue;
    }
    if (sections.empty()) {
      error = where + "a key=value line before the first [name] line";
      return false;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) {
      error = where + "expected key=value";
      return false;
    }
    sections.back().emplace_back(line);
  }
  std::vector<std::string> made;
  made.reserve(sections.size());
  for (const auto& s : sections) made.push_back(SUB::Make(s, LanguageSectionSeparator));
  block = made.empty() ? std::string() : SUB::Make(made, LanguageBlockSeparator);
  return true;
}
