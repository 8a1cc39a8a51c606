#include "stub/support/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "stub/support/strings.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string BytesIn(double bytes, double unit, int decimals) {
  const double units = bytes / unit;
  if (decimals <= 0) return FixedText(std::ceil(units), 0);
  return FixedText(units, std::min(decimals, 4));
}

}  // namespace

std::string ThousandsText(std::string_view text) {
  std::size_t start = 0;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) start = 1;
  std::size_t end = text.find('.', start);
  if (end == std::string_view::npos) end = text.size();
  std::string s(text.substr(0, start));
  for (std::size_t i = start; i < end; ++i) {
    s += text[i];
    const std::size_t left = end - i - 1;
    if (left > 0 && left % 3 == 0) s += ',';
  }
  s += text.substr(end);
  return s;
}

std::string ThousandsText(std::int64_t value) { return ThousandsText(std::to_string(value)); }

std::string BytesToKB(double bytes, int decimals) { return BytesIn(bytes, 1024.0, decimals); }

std::string BytesToMB(double bytes, int decimals) { return BytesIn(bytes, 1048576.0, decimals); }

double TextToFloat(std::string_view text, double fallback) {
  std::string s = Trim(text);
  if (s.find('.') == std::string::npos) std::replace(s.begin(), s.end(), ',', '.');
  std::erase(s, ',');
  std::string_view v = s;
  if (!v.empty() && v.front() == '+') {
    v.remove_prefix(1);
    if (!v.empty() && v.front() == '-') return fallback;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(value)) return fallback;
  return value;
}

std::string FixedText(double value, int decimals, bool dropZeros) {
  decimals = std::clamp(decimals, 0, 15);
  char buf[400];
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return "0";
  std::string_view s(buf, static_cast<std::size_t>(end - buf));
  if (dropZeros && s.find('.') != std::string_view::npos) {
    while (s.back() == '0') s.remove_suffix(1);
    if (s.back() == '.') s.remove_suffix(1);
    if (s.empty() || s == "-") return "0";
  }
  // "-0.00" of a tiny negative value says nothing the reader can use.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string_view::npos) s.remove_prefix(1);
  return std::string(s);
}

std::string HexText(std::string_view bytes, bool prefixed) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  std::size_t n = 0;
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (prefixed) s += "0x";
    s += digits[b >> 4];
    s += digits[b & 15];
    if (prefixed) {
      s += ' ';
      if (++n % 8 == 0) s += ' ';
    }
  }
  return s;
}

bool HexPairsToBytes(std::string_view hex, std::string& bytes) {
  if (hex.size() % 2 != 0) return false;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  bytes = std::move(out);
  return true;
}

std::int64_t RadixToInt(std::string_view text, int radix, std::int64_t fallback) {
  if (radix < 2 || radix > 16) return fallback;
  const std::string t = Trim(text);
  if (t.empty()) return fallback;
  std::uint64_t v = 0;
  for (const char c : t) {
    const int d = HexDigit(c);
    if (d < 0 || d >= radix) return fallback;
    if (v > (UINT64_MAX - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(radix))
      return fallback;
    v = v * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
  }
  return static_cast<std::int64_t>(v);
}

std::int64_t HexToInt(std::string_view text, std::int64_t fallback) {
  return RadixToInt(text, 16, fallback);
}
