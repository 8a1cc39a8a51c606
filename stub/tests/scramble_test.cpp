#include "stub/support/scramble.h"

#include <gtest/gtest.h>

#include <random>

#include "stub/support/numbers.h"

namespace {

TEST(Scramble, RoundTripsRandomTextsOfEveryByteValue) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 300);
  for (int n = 0; n < 4000; ++n) {
    std::string text(static_cast<std::size_t>(length(rng)), '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    const bool hex = n % 2 == 1;
    const std::string scrambled = Scramble(text, true, hex);
    ASSERT_NE(scrambled, text);
    if (hex) {
      ASSERT_EQ(scrambled.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    } else {
      ASSERT_TRUE(scrambled.starts_with(ScrambledMarker));
      ASSERT_EQ(scrambled.size(), text.size() + ScrambledMarker.size() + 1);
    }
    ASSERT_EQ(Scramble(scrambled, false, hex), text) << "text " << n << " of " << text.size();
  }
}

TEST(Scramble, EveryKeyRoundTripsAndTheKeyCharacterFollowsTheMarker) {
  const std::string text("Version=1.2.3\r\n\x00\xff tail", 21);
  for (int key = 33; key <= 122; ++key) {
    const std::string s = ScrambleWithKey(text, true, false, key);
    ASSERT_EQ(static_cast<unsigned char>(s[ScrambledMarker.size()]), key);
    // The scrambled bytes themselves never give the text away.
    ASSERT_EQ(s.find("Version"), std::string::npos) << key;
    ASSERT_EQ(ScrambleWithKey(s, false, false, 50), text) << key;
  }
}

TEST(Scramble, XorsEachBytePositionWithAnAlternatingKey) {
  // Position i from 1 is XORed with the low byte of i + key, the key changing sign each time.
  const std::string s = ScrambleWithKey(std::string(4, '\0'), true, false, 40);
  ASSERT_EQ(s.size(), 17u);
  EXPECT_EQ(s.substr(0, 13), std::string(ScrambledMarker) + "(");
  EXPECT_EQ(static_cast<unsigned char>(s[13]), (1 + 40) & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(s[14]), (2 - 40) & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(s[15]), (3 + 40) & 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(s[16]), (4 - 40) & 0xFF);
  EXPECT_EQ(
      ScrambleWithKey("AB", true, true, 40),
      HexText(std::string(ScrambledMarker) + "(" + char('A' ^ 41) + char('B' ^ (2 - 40 + 256))));
}

TEST(Scramble, LeavesTextsAlreadyInTheWantedFormAlone) {
  const std::string scrambled = ScrambleWithKey("secret", true, false, 77);
  const std::string hexScrambled = ScrambleWithKey("secret", true, true, 77);
  struct Case {
    std::string text;
    bool scramble, hex;
  } cases[] = {
      {"plain text", false, false},  // not scrambled: unscrambling returns it as it is
      {"plain text", false, true},   // not hex pairs
      {"ABCD", false, true},         // hex pairs, but not of a scrambled text
      {HexText("Scrambled"), false, true},
      {scrambled, true, false},  // already scrambled
      {scrambled, true, true},
      {"", false, false},
      {"", false, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Scramble(c.text, c.scramble, c.hex), c.text) << c.text << c.scramble << c.hex;
  EXPECT_EQ(Scramble(hexScrambled, false, true), "secret");
  EXPECT_EQ(Scramble(HexText(scrambled), false, true), "secret");
  EXPECT_EQ(Scramble("", true, false).size(), ScrambledMarker.size() + 1);
  EXPECT_EQ(Scramble(Scramble("", true, false), false, false), "");
}

TEST(Scramble, AMarkerWithoutKeyReadsAsEmpty) {
  EXPECT_EQ(Scramble(ScrambledMarker, false, false), "");
  EXPECT_EQ(Scramble(HexText(ScrambledMarker), false, true), "");
}

TEST(Scramble, RandomKeysStayWithinTheirRange) {
  bool differentKeys = false;
  char first = 0;
  for (int n = 0; n < 500; ++n) {
    const char key = Scramble("x", true, false)[ScrambledMarker.size()];
    ASSERT_GE(key, 33);
    ASSERT_LE(key, 122);
    if (n == 0) first = key;
    differentKeys |= key != first;
  }
  EXPECT_TRUE(differentKeys);
}

}  // namespace
