#include "stub/support/strings.h"

#include <algorithm>
#include <cstdio>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool SameChar(char a, char b, bool ignoreCase) {
  return ignoreCase ? UpCaseChar(a) == UpCaseChar(b) : a == b;
}

std::size_t Find(std::string_view text, std::string_view part, std::size_t from, bool ignoreCase) {
  if (!ignoreCase) return text.find(part, from);
  return PosNoCase(text, part, from);
}

}  // namespace

char UpCaseChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = UpCaseChar(c);
  return s;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!SameChar(a[i], b[i], true)) return false;
  return true;
}

std::string Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string TextBefore(std::string_view text, std::string_view separator, std::string_view fallback,
                       bool trim) {
  const std::size_t p = separator.empty() ? std::string_view::npos : text.find(separator);
  if (p == std::string_view::npos) return std::string(fallback);
  return trim ? Trim(text.substr(0, p)) : std::string(text.substr(0, p));
}

std::string TextAfter(std::string_view text, std::string_view separator, std::string_view fallback,
                      bool trim) {
  const std::size_t p = separator.empty() ? std::string_view::npos : text.find(separator);
  if (p == std::string_view::npos) return std::string(fallback);
  const std::string_view rest = text.substr(p + separator.size());
  return trim ? Trim(rest) : std::string(rest);
}

std::size_t PosNoCase(std::string_view text, std::string_view part, std::size_t from) {
  if (from > text.size() || part.size() > text.size() - from) return std::string_view::npos;
  for (std::size_t i = from; i + part.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < part.size() && SameChar(text[i + k], part[k], true)) ++k;
    if (k == part.size()) return i;
  }
  return std::string_view::npos;
}

std::size_t LastPos(std::string_view text, std::string_view part) { return text.rfind(part); }

bool StartsWith(std::string_view text, std::string_view prefix, bool ignoreCase) {
  if (prefix.size() > text.size()) return false;
  const std::string_view head = text.substr(0, prefix.size());
  return ignoreCase ? SameText(head, prefix) : head == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix, bool ignoreCase) {
  if (suffix.size() > text.size()) return false;
  const std::string_view tail = text.substr(text.size() - suffix.size());
  return ignoreCase ? SameText(tail, suffix) : tail == suffix;
}

std::string ReverseText(std::string_view text) { return std::string(text.rbegin(), text.rend()); }

std::string PadLeft(std::string_view text, int width, char fill) {
  if (width < -2) {
    const auto w = static_cast<std::size_t>(-static_cast<std::int64_t>(width));
    if (text.size() > w) return std::string(text.substr(0, w - 1)) + ".";
    return std::string(w - text.size(), fill) + std::string(text);
  }
  if (width <= 0 || text.size() >= static_cast<std::size_t>(width)) return std::string(text);
  return std::string(static_cast<std::size_t>(width) - text.size(), fill) + std::string(text);
}

std::string ZeroPad(std::int64_t value, int width) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%0*lld", std::clamp(width, 0, 40), static_cast<long long>(value));
  return buf;
}

std::string StripChar(std::string_view text, char c) {
  while (!text.empty() && text.front() == c) text.remove_prefix(1);
  while (!text.empty() && text.back() == c) text.remove_suffix(1);
  return std::string(text);
}

std::string QuoteText(std::string_view text) {
  const std::string inner = StripChar(text, '"');
  std::string s;
  s.reserve(inner.size() + 2);
  s.push_back('"');
  s.append(inner);
  s.push_back('"');
  return s;
}

std::string UnquoteText(std::string_view text) { return StripChar(text, '"'); }

std::string KeepChars(std::string_view text, std::string_view allowed) {
  std::string s;
  for (char c : text)
    if (allowed.find(c) != std::string_view::npos) s += c;
  return s;
}

std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to,
                        bool ignoreCase, int first, int last, bool trim) {
  std::string s;
  if (from.empty()) {
    s = text;
  } else {
    std::size_t pos = 0;
    int n = 0;
    for (;;) {
      const std::size_t hit = Find(text, from, pos, ignoreCase);
      if (hit == std::string_view::npos) break;
      ++n;
      s += text.substr(pos, hit - pos);
      s += (n >= first && n <= last) ? to : text.substr(hit, from.size());
      pos = hit + from.size();
    }
    s += text.substr(pos);
  }
  return trim ? Trim(s) : s;
}

std::string BoolText(bool value) { return value ? "TRUE" : "FALSE"; }

char BoolChar(bool value) { return value ? '1' : '0'; }

std::string IfThen(bool condition, std::string_view yes, std::string_view no) {
  return std::string(condition ? yes : no);
}
std::int64_t IfThen(bool condition, std::int64_t yes, std::int64_t no) {
  return condition ? yes : no;
}
double IfThen(bool condition, double yes, double no) { return condition ? yes : no; }

std::int64_t Min64(std::int64_t a, std::int64_t b) { return a < b ? a : b; }
std::int64_t Max64(std::int64_t a, std::int64_t b) { return a > b ? a : b; }
std::int64_t Clamp64(std::int64_t value, std::int64_t lo, std::int64_t hi) {
  return Max64(lo, Min64(value, hi));
}
