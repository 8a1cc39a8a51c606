// Language strings: the id table, the choice of the section (once per process), the key
// lookup with its blank and case rules, and the defaults when a package has no block.
#include <gtest/gtest.h>

#include <set>

#include "stub/package/gfileinfo.h"
#include "stub/package/language.h"
#include "stub/support/sub.h"
#include "stub/tests/package_fixture.h"

namespace {

std::string Section(const std::string& name, const std::vector<std::string>& items) {
  std::vector<std::string> all = {name};
  all.insert(all.end(), items.begin(), items.end());
  return SUB::Make(all, LanguageSectionSeparator);
}

std::string Block(const std::vector<std::string>& sections) {
  return SUB::Make(sections, LanguageBlockSeparator);
}

class FakeLocale final : public LocaleLanguage {
 public:
  explicit FakeLocale(int id) : Id(id) {}
  int PrimaryLanguageId() override {
    ++Calls;
    return Id;
  }
  int Id;
  int Calls = 0;
};

TEST(Language, NameFromId) {
  struct Case {
    int id;
    const char* name;
  } cases[] = {
      {9, "ENGLISH"},   {4, "CHINESE"},   {67, "DUTCH(FLEMISH)"}, {26, "CROATIAN"},
      {7, "GERMAN"},    {1, "ARABIC"},    {52, "CHINESE(SIMPLIFIED)"}, {10, "SPANISH"},
      {20, "NORWEGIAN"}, {98, "SERBIAN(CYRILIC)"}, {43, "DUTCH(STANDARD)"}, {74, "SERBIAN(LATIN)"},
      {0, ""},          {99, ""},         {1028, "CHINESE(TRADITIONAL)"}, {-1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageNameFromId(c.id), c.name) << c.id;
}

TEST(Language, TableHoldsDistinctNamesWithDecimalIds) {
  std::set<std::string_view> names;
  for (const auto& e : LanguageTable) {
    EXPECT_TRUE(names.insert(e.Name).second) << e.Name;
    EXPECT_GE(e.Id.size(), 2u);
    EXPECT_EQ(e.Id.find_first_not_of("0123456789"), std::string_view::npos) << e.Name;
  }
  EXPECT_EQ(LanguageTable[8].Name, "CROATIAN");
  EXPECT_EQ(LanguageTable[34].Name, "SERBIAN");
  EXPECT_EQ(LanguageTable[8].Id, LanguageTable[34].Id);
}

TEST(Language, ChoiceOfTheSection) {
  const std::string english = Section("English", {"s0=E"});
  const std::string german = Section(" german ", {"s0=G"});
  const std::string croatian = Section("CROATIAN", {"s0=HR"});
  const std::string serbian = Section("SERBIAN", {"s0=SR"});
  const std::string french = Section("French", {"s0=F"});
  const std::string german2 = Section("GERMAN", {"s0=G2"});
  struct Case {
    const char* what;
    std::string block;
    int id;
    std::string section;
  } cases[] = {
      {"exact name, any case, blanks around", Block({english, german}), 7, german},
      {"first match wins", Block({german, german2}), 7, german},
      {"only section, whatever the locale", Block({french}), 17, french},
      {"only section even for an unknown id", Block({french}), 99, french},
      {"falls back to English", Block({french, english}), 17, english},
      {"neither: none", Block({french, german}), 17, "*"},
      {"26 is CROATIAN, never SERBIAN", Block({serbian, croatian}), 26, croatian},
      {"empty block", "", 9, "*"},
      {"block that is no list", "English\x01s0=x", 9, "*"},
  };
  for (const auto& c : cases) {
    FakeLocale locale(c.id);
    TLanguageChoice choice;
    EXPECT_EQ(choice.Section(c.block, locale), c.section) << c.what;
  }
}

TEST(Language, ChosenOnceAndKept) {
  const std::string first = Block({Section("English", {"s0=First"})});
  const std::string second = Block({Section("English", {"s0=Second"})});
  const std::string a = package_fixture::Package("", {first, ""}, {});
  const std::string b = package_fixture::Package("", {second, ""}, {});
  TMemoryByteSource sa(a), sb(b);
  TGFileInfo ia(sa), ib(sb);
  FakeLocale locale(9);
  TLanguageChoice choice;
  EXPECT_FALSE(choice.Chosen());
  EXPECT_EQ(ib.GetLangString(choice, locale, "s0", "d"), "Second");
  EXPECT_TRUE(choice.Chosen());
  locale.Id = 7;
  EXPECT_EQ(ia.GetLangString(choice, locale, "s0", "d"), "Second");
  EXPECT_EQ(locale.Calls, 1);
}

TEST(Language, KeyLookup) {
  const std::string section = Section(
      "English", {"S0=Title", "s1 = Spaced", "s2   =x", "s3=", "s10=Ten", "s4=a=b", "s5=<B>x</B><P>",
                  "=odd"});
  struct Case {
    std::string key, expected;
  } cases[] = {
      {"s0", "Title"},          {"S0", "Title"},     {"s1", " Spaced"}, {"s2", "x"},
      {"s3", ""},               {"s1=", " Spaced"},  {"s10", "Ten"},    {"s4", "a=b"},
      {"s5", "<B>x</B><P>"},    {"s6", "default"},   {"s", "default"},  {"English", "default"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LangStringFromSection(section, c.key, "default"), c.expected) << c.key;
  }
  EXPECT_EQ(LangStringFromSection("*", "s0", "d"), "d");
  EXPECT_EQ(LangStringFromSection("", "s0", "d"), "d");
  // The last item runs to the end even when the closing separator is missing.
  EXPECT_EQ(LangStringFromSection("\x01" "E\x01s0=open", "s0", "d"), "open");
}

TEST(Language, DefaultsWhenThePackageHasNoBlock) {
  TGFileInfo none;
  FakeLocale locale(9);
  TLanguageChoice choice;
  for (const auto& k : LanguageKeys) {
    EXPECT_EQ(none.GetLangString(choice, locale, k.Key, k.Default), k.Default) << k.Key;
    EXPECT_EQ(LanguageDefault(k.Key), k.Default);
  }
  EXPECT_EQ(none.Charset(choice, locale), 0);
  EXPECT_EQ(none.FontSize(choice, locale), 8);
  EXPECT_EQ(none.FontName(choice, locale), "Tahoma");
  EXPECT_EQ(LanguageDefault("btntext"), DefaultButtonList);
  EXPECT_EQ(SUB::Count(DefaultButtonList), 7);
  EXPECT_EQ(LanguageDefault("s9"), "");
}

TEST(Language, FontAndCharsetNumbers) {
  struct Case {
    std::string items;
    int charset, size;
    std::string font;
  } cases[] = {
      {"Charset=177\x01" "FontSize=10\x01" "FontName=Arial", 177, 10, "Arial"},
      {"Charset=x\x01" "FontSize=\x01" "FontName=", 0, 8, ""},
      {"Charset = 2 \x01" "FontSize=9pt", 2, 8, "Tahoma"},
  };
  for (const auto& c : cases) {
    const std::string block = Block({"\x01" "Any\x01" + c.items + "\x01"});
    const std::string bytes = package_fixture::Package("", {block, ""}, {});
    TMemoryByteSource src(bytes);
    TGFileInfo info(src);
    FakeLocale locale(9);
    TLanguageChoice choice;
    EXPECT_EQ(info.Charset(choice, locale), c.charset) << c.items;
    EXPECT_EQ(info.FontSize(choice, locale), c.size) << c.items;
    EXPECT_EQ(info.FontName(choice, locale), c.font) << c.items;
  }
}

}  // namespace
