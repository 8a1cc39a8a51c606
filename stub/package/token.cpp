#include "stub/package/token.h"

#include <chrono>
#include <mutex>
#include <random>
#include <vector>

namespace {

constexpr int CharacterShift = 50;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One piece of one or two characters read as hex; 255 when it cannot be read.
std::uint8_t PieceValue(std::string_view piece) {
  if (piece.size() >= 2 && piece[0] == '0' && (piece[1] == 'x' || piece[1] == 'X')) {
    piece.remove_prefix(2);
  }
  if (piece.empty()) return 255;
  int value = 0;
  for (const char c : piece) {
    const int d = HexDigit(c);
    if (d < 0) return 255;
    value = value * 16 + d;
  }
  return static_cast<std::uint8_t>(value);
}

std::string RandomNumberText() {
  static std::mutex lock;
  static std::mt19937 random(static_cast<std::uint32_t>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  std::lock_guard<std::mutex> guard(lock);
  return std::to_string(std::uniform_int_distribution<int>(0, 99'998)(random));
}

}  // namespace

bool TryUnscrambleToken(std::string_view text, std::string& token) {
  std::string shifted(text);
  for (char& c : shifted) c = static_cast<char>(static_cast<unsigned char>(c) - CharacterShift);

  std::vector<std::uint8_t> d;
  d.reserve(shifted.size() / 2 + 1);
  for (std::size_t i = 0; i < shifted.size(); i += 2) {
    d.push_back(PieceValue(std::string_view(shifted).substr(i, 2)));
  }
  const std::size_t n = d.size();
  if (n <= 4) return false;

  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i != n - 2) sum += d[i];
  }
  if ((sum & 0xFF) != d[n - 2]) return false;

  const std::uint8_t k = d[0] ^ d[n - 1];
  for (std::size_t i = 1; i <= n - 2; ++i) d[i] ^= k;
  const std::size_t a = d[1], b = d[2];
  // Paddings that claim more bytes than the text holds mark a damaged text, not a token.
  if (a + b + 4 > n) return false;
  const std::size_t start = a + 3, length = n - a - b - 4;
  token.assign(d.begin() + static_cast<std::ptrdiff_t>(start),
               d.begin() + static_cast<std::ptrdiff_t>(start + length));
  return true;
}

std::string UnscrambleToken(std::string_view text) {
  std::string token;
  return TryUnscrambleToken(text, token) ? token : RandomNumberText();
}

std::string ScrambleToken(std::string_view token, std::uint32_t seed) {
  std::mt19937 random(seed);
  auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
  const std::size_t a = random() % 8;
  // At least one byte after the token: the check byte is never part of it.
  const std::size_t b = 1 + random() % 7;
  const std::size_t n = token.size() + a + b + 4;

  std::vector<std::uint8_t> d(n);
  d[0] = byte();
  d[n - 1] = byte();
  d[1] = static_cast<std::uint8_t>(a);
  d[2] = static_cast<std::uint8_t>(b);
  for (std::size_t i = 0; i < a; ++i) d[3 + i] = byte();
  for (std::size_t i = 0; i < token.size(); ++i) d[a + 3 + i] = static_cast<std::uint8_t>(token[i]);
  for (std::size_t i = a + 3 + token.size(); i < n - 2; ++i) d[i] = byte();
  const std::uint8_t k = d[0] ^ d[n - 1];
  for (std::size_t i = 1; i < n - 2; ++i) d[i] ^= k;
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (i != n - 2) sum += d[i];
  }
  d[n - 2] = static_cast<std::uint8_t>(sum);

  static constexpr char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(2 * n);
  for (const std::uint8_t v : d) {
    text += static_cast<char>(digits[v >> 4] + CharacterShift);
    text += static_cast<char>(digits[v & 15] + CharacterShift);
  }
  return text;
}
