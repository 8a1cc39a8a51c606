#include "stub/support/strings.h"

#include <gtest/gtest.h>

namespace {

TEST(TextBeforeAfter, SplitAtTheFirstSeparatorOrGiveTheFallback) {
  struct Case {
    const char* text;
    const char* sep;
    const char* fallback;
    bool trim;
    const char* before;
    const char* after;
  } cases[] = {
      {"key=value=more", "=", "-", false, "key", "value=more"},
      {" key = value ", "=", "-", false, " key ", " value "},
      {" key = value ", "=", "-", true, "key", "value"},
      {"no separator", "=", "-", false, "-", "-"},
      {"a::b::c", "::", "", false, "a", "b::c"},
      {"=lead", "=", "x", false, "", "lead"},
      {"trail=", "=", "x", false, "trail", ""},
      {"abc", "", "fb", false, "fb", "fb"},
      {"", "=", "fb", true, "fb", "fb"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBefore(c.text, c.sep, c.fallback, c.trim), c.before) << c.text;
    EXPECT_EQ(TextAfter(c.text, c.sep, c.fallback, c.trim), c.after) << c.text;
  }
}

TEST(Positions, FindWithoutCaseAndFromTheEnd) {
  constexpr auto npos = std::string_view::npos;
  EXPECT_EQ(PosNoCase("Hello World", "WORLD"), 6u);
  EXPECT_EQ(PosNoCase("abcABC", "abc", 1), 3u);
  EXPECT_EQ(PosNoCase("abc", "abcd"), npos);
  EXPECT_EQ(PosNoCase("abc", "x", 5), npos);
  EXPECT_EQ(PosNoCase("abc", ""), 0u);
  EXPECT_EQ(PosNoCase("\xC4x", "\xE4X"), npos);  // only ASCII letters fold
  EXPECT_EQ(LastPos("a\\b\\c", "\\"), 3u);
  EXPECT_EQ(LastPos("abc", "x"), npos);
}

TEST(StartsEndsWith, HonourTheCaseSwitch) {
  struct Case {
    const char* text;
    const char* part;
    bool ignoreCase;
    bool starts, ends;
  } cases[] = {
      {"Setup.EXE", "setup", true, true, false},
      {"Setup.EXE", "setup", false, false, false},
      {"Setup.EXE", ".exe", true, false, true},
      {"Setup.EXE", ".exe", false, false, false},
      {"X_Setup.exe", "X_", false, true, false},
      {"ab", "abc", true, false, false},
      {"abc", "", false, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StartsWith(c.text, c.part, c.ignoreCase), c.starts) << c.text << " " << c.part;
    EXPECT_EQ(EndsWith(c.text, c.part, c.ignoreCase), c.ends) << c.text << " " << c.part;
  }
}

TEST(PadLeft, PadsOrCutsWithAFinalPoint) {
  struct Case {
    const char* text;
    int width;
    char fill;
    const char* result;
  } cases[] = {
      {"42", 5, ' ', "   42"},      {"42", 5, '0', "00042"},       {"123456", 3, ' ', "123456"},
      {"abc", 0, ' ', "abc"},       {"abcdef", -2, ' ', "abcdef"}, {"abcdef", -1, '*', "abcdef"},
      {"abcdef", -4, ' ', "abc."},  {"abcd", -4, ' ', "abcd"},     {"ab", -4, '*', "**ab"},
      {"abcdefgh", -3, ' ', "ab."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PadLeft(c.text, c.width, c.fill), c.result) << c.text << " " << c.width;
}

TEST(ZeroPad, PadsNumbersIncludingNegativeOnes) {
  EXPECT_EQ(ZeroPad(7, 3), "007");
  EXPECT_EQ(ZeroPad(1234, 2), "1234");
  EXPECT_EQ(ZeroPad(-42, 5), "-0042");
  EXPECT_EQ(ZeroPad(0, 0), "0");
  EXPECT_EQ(ZeroPad(9'000'000'000LL, 12), "009000000000");
}

TEST(QuotesAndCharacters, StripQuoteUnquoteKeep) {
  EXPECT_EQ(StripChar("\\\\path\\\\", '\\'), "path");
  EXPECT_EQ(StripChar("xxxx", 'x'), "");
  EXPECT_EQ(StripChar("a x a", 'x'), "a x a");
  EXPECT_EQ(QuoteText("C:\\A B"), "\"C:\\A B\"");
  EXPECT_EQ(QuoteText("\"C:\\A B\""), "\"C:\\A B\"");
  EXPECT_EQ(QuoteText(""), "\"\"");
  EXPECT_EQ(UnquoteText("\"C:\\A B\""), "C:\\A B");
  EXPECT_EQ(UnquoteText("say \"hi\" now"), "say \"hi\" now");
  EXPECT_EQ(KeepChars("v1,2.3-beta4", "0123456789."), "12.34");
  EXPECT_EQ(KeepChars("abc", ""), "");
}

TEST(ReplaceText, ReplacesTheChosenOccurrences) {
  struct Case {
    const char* text;
    const char* from;
    const char* to;
    bool ignoreCase;
    int first, last;
    bool trim;
    const char* result;
  } cases[] = {
      {"a-b-c-d", "-", "+", false, 1, INT32_MAX, false, "a+b+c+d"},
      {"a-b-c-d", "-", "+", false, 2, 2, false, "a-b+c-d"},
      {"a-b-c-d", "-", "", false, 2, 3, false, "a-bcd"},
      {"aXbxc", "x", "_", false, 1, INT32_MAX, false, "aXb_c"},
      {"aXbxc", "x", "_", true, 1, INT32_MAX, false, "a_b_c"},
      {"aaaa", "aa", "b", false, 1, INT32_MAX, false, "bb"},   // no overlapping hits
      {"abc", "b", "bb", false, 1, INT32_MAX, false, "abbc"},  // no rescanning of what was put in
      {"abc", "", "x", false, 1, INT32_MAX, false, "abc"},
      {"  x y  ", "y", "z", false, 1, INT32_MAX, true, "x z"},
      {"a-b", "-", "+", false, 3, 5, false, "a-b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceText(c.text, c.from, c.to, c.ignoreCase, c.first, c.last, c.trim), c.result)
        << c.text << " " << c.from << " " << c.first << ".." << c.last;
}

TEST(SmallHelpers, ReverseBooleansChoicesAndBounds) {
  EXPECT_EQ(ReverseText("abc"), "cba");
  EXPECT_EQ(ReverseText(""), "");
  EXPECT_EQ(ReverseText(std::string_view("ab\0c", 4)), std::string("c\0ba", 4));
  EXPECT_EQ(BoolText(true), "TRUE");
  EXPECT_EQ(BoolText(false), "FALSE");
  EXPECT_EQ(BoolChar(true), '1');
  EXPECT_EQ(BoolChar(false), '0');
  EXPECT_EQ(IfThen(true, "yes", "no"), "yes");
  EXPECT_EQ(IfThen(false, "yes", "no"), "no");
  EXPECT_EQ(IfThen(false, std::int64_t{1}, std::int64_t{2}), 2);
  EXPECT_EQ(IfThen(true, 1.5, 2.5), 1.5);
  const std::int64_t big = 5'000'000'000LL;
  EXPECT_EQ(Min64(big, -big), -big);
  EXPECT_EQ(Max64(big, -big), big);
  EXPECT_EQ(Clamp64(big, 0, 10), 10);
  EXPECT_EQ(Clamp64(-big, 0, 10), 0);
  EXPECT_EQ(Clamp64(7, 0, 10), 7);
  EXPECT_EQ(Clamp64(7, 10, 0), 10);  // crossed bounds: the lower one wins
}

TEST(CaseAndTrim, FoldAsciiAndTrimBlanks) {
  EXPECT_EQ(UpperCase("Setup_x.exe"), "SETUP_X.EXE");
  EXPECT_TRUE(SameText("OriginalInfoFile", "originalinfofile"));
  EXPECT_FALSE(SameText("abc", "abd"));
  EXPECT_FALSE(SameText("abc", "ab"));
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(Trim("   "), "");
}

}  // namespace
