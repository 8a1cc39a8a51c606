// Tokens: the hand-made scrambled text of a known token, round trips of random tokens with
// every byte value, and damaged texts giving a number that matches nothing.
#include <gtest/gtest.h>

#include <random>

#include "stub/package/token.h"

namespace {

// Characters of hex text moved up by 50, as tokens are stored.
std::string Shift(std::string_view hex) {
  std::string s(hex);
  for (char& c : s) c = static_cast<char>(c + 50);
  return s;
}

TEST(PackageToken, HandMadeTexts) {
  // D = 05 | a=0 b=1 'A' 'B' (each XOR k=05^06=03) | check 93 | 06.
  struct Case {
    const char* what;
    std::string text;
    bool valid;
    std::string token;
  } cases[] = {
      {"token AB", Shift("05030242419306"), true, "AB"},
      {"wrong check byte", Shift("05030242419406"), false, ""},
      {"four bytes only", Shift("01020306"), false, ""},
      {"empty", "", false, ""},
      // Check byte right, but b = 5 after the XOR: more padding than bytes.
      {"padding beyond the text", Shift("000500000A05"), false, ""},
      // Every piece unreadable reads as 255; the check (5 x 255 mod 256 = 251) fails.
      {"unreadable pieces", "zzzzzzzzzzzz", false, ""},
  };
  for (const auto& c : cases) {
    std::string token = "unchanged";
    EXPECT_EQ(TryUnscrambleToken(c.text, token), c.valid) << c.what;
    if (c.valid) {
      EXPECT_EQ(token, c.token) << c.what;
    }
  }
}

TEST(PackageToken, DamagedTextGivesANumberBelow99999) {
  for (const std::string text : {"", "garbage", "bgbebdfdfckebi", "0x0x0x0x0x"}) {
    const std::string result = UnscrambleToken(text);
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(result.find_first_not_of("0123456789"), std::string::npos) << result;
    EXPECT_LE(std::stol(result), 99'998);
  }
}

TEST(PackageToken, ScrambledTokensReadBack) {
  std::mt19937 random(12345);
  for (int i = 0; i < 3000; ++i) {
    std::string token(random() % 40, '\0');
    for (char& c : token) c = static_cast<char>(random() & 0xFF);
    const std::string text = ScrambleToken(token, static_cast<std::uint32_t>(random()));
    std::string back;
    ASSERT_TRUE(TryUnscrambleToken(text, back)) << i;
    ASSERT_EQ(back, token) << i;
    ASSERT_EQ(UnscrambleToken(text), token);
    // The stored form is printable: hex digits moved up by 50.
    for (const char c : text) ASSERT_TRUE(c >= 'b' && c <= 'x') << int(c);
  }
}

TEST(PackageToken, ScramblingVariesWithTheSeed) {
  EXPECT_NE(ScrambleToken("same", 1), ScrambleToken("same", 2));
  EXPECT_EQ(ScrambleToken("same", 7), ScrambleToken("same", 7));
}

}  // namespace
