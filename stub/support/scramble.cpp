#include "stub/support/scramble.h"

#include <cstdlib>
#include <random>

#include "stub/support/numbers.h"

namespace {

int RandomKey() {
  static std::minstd_rand generator{std::random_device{}()};
  return static_cast<int>(generator() % 90) + 33;
}

}  // namespace

std::string Scramble(std::string_view text, bool scramble, bool hex) {
  return ScrambleWithKey(text, scramble, hex, RandomKey());
}

std::string ScrambleWithKey(std::string_view text, bool scramble, bool hex, int key) {
  std::string work(text);
  if (!scramble && hex && !HexPairsToBytes(text, work)) return std::string(text);
  const bool flagged = work.starts_with(ScrambledMarker);
  if (flagged == scramble) return std::string(text);
  if (scramble) {
    key = std::abs(key) & 0xFF;  // the key must fit its one character
  } else {
    // The key character follows the marker; without it there is nothing to read back.
    if (work.size() <= ScrambledMarker.size()) return std::string();
    key = static_cast<unsigned char>(work[ScrambledMarker.size()]);
    work.erase(0, ScrambledMarker.size() + 1);
  }
  const int firstKey = key;
  for (std::size_t i = 0; i < work.size(); ++i) {
    const auto mask = static_cast<unsigned char>((static_cast<int>((i + 1) & 0xFFFF) + key) & 0xFF);
    work[i] = static_cast<char>(static_cast<unsigned char>(work[i]) ^ mask);
    key = -key;
  }
  if (!scramble) return work;
  std::string out(ScrambledMarker);
  out += static_cast<char>(std::abs(firstKey));
  out += work;
  return hex ? HexText(out) : out;
}
