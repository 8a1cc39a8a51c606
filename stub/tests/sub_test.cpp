#include "stub/support/sub.h"

#include <gtest/gtest.h>

namespace {

TEST(SUB, CountsItemsOfWellFormedListsOnly) {
  struct Case {
    const char* list;
    int count;
  } cases[] = {
      {"|a|b|c|", 3},
      {"||", 1},
      {"|||", 2},
      {"|", 0},
      {"", 0},
      {"|a|b", 0},
      {"a|b|a", 1},  // any character may separate: one item "|b|"
      {"\x02"
       "one\x02two\x02",
       2},
  };
  for (const auto& c : cases) EXPECT_EQ(SUB::Count(c.list), c.count) << c.list;
}

TEST(SUB, ReadsItemsWithTheirDefault) {
  struct Case {
    const char* list;
    int index;
    const char* item;
  } cases[] = {
      {"|a|b|c|", 0, "a"},  {"|a|b|c|", 2, "c"}, {"|a|b|c|", 3, "?"},
      {"|a|b|c|", -1, "?"}, {"|a||c|", 1, ""},   {"||", 0, ""},
      {"|a|b", 0, "?"},     {"", 0, "?"},        {"#x y#z#", 0, "x y"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SUB::Item(c.list, c.index, "?"), c.item) << c.list << c.index;
}

TEST(SUB, ReadsItemsAsIntegers) {
  EXPECT_EQ(SUB::ItemInt("|12|-7| 5 |x|9999999999|", 0, -1), 12);
  EXPECT_EQ(SUB::ItemInt("|12|-7| 5 |x|9999999999|", 1, -1), -7);
  EXPECT_EQ(SUB::ItemInt("|12|-7| 5 |x|9999999999|", 2, -1), 5);
  EXPECT_EQ(SUB::ItemInt("|12|-7| 5 |x|9999999999|", 3, -1), -1);
  EXPECT_EQ(SUB::ItemInt("|12|-7| 5 |x|9999999999|", 4, -1), 9'999'999'999LL);
  EXPECT_EQ(SUB::ItemInt("|12|-7| 5 |x|9999999999|", 5, -1), -1);
  EXPECT_EQ(SUB::ItemInt("||", 0, 4), 4);
}

TEST(SUB, FindsItemsExactlyOrWithoutCase) {
  const char* list = "|Setup.exe|Agent.EXE||";
  EXPECT_EQ(SUB::IndexOf(list, "Agent.EXE"), 1);
  EXPECT_EQ(SUB::IndexOf(list, "agent.exe"), -1);
  EXPECT_EQ(SUB::IndexOf(list, "agent.exe", true), 1);
  EXPECT_EQ(SUB::IndexOf(list, ""), 2);
  EXPECT_EQ(SUB::IndexOf(list, "Setup"), -1);  // whole items only
  EXPECT_TRUE(SUB::Contains(list, "SETUP.EXE", true));
  EXPECT_FALSE(SUB::Contains(list, "SETUP.EXE"));
  EXPECT_FALSE(SUB::Contains("|a|b", "a"));
}

TEST(SUB, LooksUpKeys) {
  const char* list = "|Name=Tallowin|Empty=|Width  =12|mode=fast|Path=C:\\a=b|NoValue|";
  struct Case {
    const char* key;
    bool ignoreCase;
    const char* value;
  } cases[] = {
      {"Name", false, "Tallowin"}, {"Empty", false, ""},   {"Width", false, "12"},
      {"MODE", false, "?"},        {"MODE", true, "fast"}, {"Path", false, "C:\\a=b"},
      {"NoValue", false, "?"},     {"Nam", false, "?"},    {"Missing", true, "?"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SUB::KeyValue(list, c.key, "?", c.ignoreCase), c.value) << c.key;
  EXPECT_EQ(SUB::KeyValue("|a=1|a=2|", "a", "?"), "1");  // the first item wins
}

TEST(SUB, SplitsAndJoinsNameValueLists) {
  std::string names, values;
  SUB::SplitNameValues(";a=1;b=;c;d=x=y;", names, values);
  EXPECT_EQ(names, ";a;b;c;d;");
  EXPECT_EQ(values, ";1;;;x=y;");
  EXPECT_EQ(SUB::JoinNameValues(names, values), ";a=1;b=;c=;d=x=y;");
  EXPECT_EQ(SUB::JoinNameValues("|a|b|", "|1|"), "|a=1|b=|");
  SUB::SplitNameValues("", names, values);
  EXPECT_EQ(names, "|");
  EXPECT_EQ(values, "|");
}

TEST(SUB, SetsAndDeletesItems) {
  struct Case {
    const char* list;
    int index;
    const char* value;
    const char* result;
  } sets[] = {
      {"|a|b|c|", 1, "X", "|a|X|c|"}, {"|a|", 3, "d", "|a|||d|"}, {"", 0, "x", "|x|"},
      {"|", 1, "x", "||x|"},          {"#a#", 0, "", "##"},       {"|a|b|", -1, "x", "|a|b|"},
  };
  for (const auto& c : sets) EXPECT_EQ(SUB::SetItem(c.list, c.index, c.value), c.result) << c.list;

  struct Del {
    const char* list;
    int index;
    const char* result;
  } dels[] = {
      {"|a|b|c|", 0, "|b|c|"}, {"|a|b|c|", 2, "|a|b|"}, {"|a|", 0, "|"},
      {"|a|b|", 2, "|a|b|"},   {"|a|b|", -1, "|a|b|"},  {"|a|b", 0, "|a|b"},
  };
  for (const auto& c : dels) EXPECT_EQ(SUB::DeleteItem(c.list, c.index), c.result) << c.list;
}

TEST(SUB, ReversesMergesTrimsAndChangesTheSeparator) {
  EXPECT_EQ(SUB::Reverse("|a|b|c|"), "|c|b|a|");
  EXPECT_EQ(SUB::Reverse("|a|b"), "|a|b");
  EXPECT_EQ(SUB::Merge("|a|b|a|", "|B|c|a|"), "|a|b|B|c|");
  EXPECT_EQ(SUB::Merge("|a|b|", "|B|c|", true), "|a|b|c|");
  EXPECT_EQ(SUB::Merge("", "#x#y#"), "#x#y#");
  EXPECT_EQ(SUB::Merge(";p;", "|q|"), ";p;q;");
  EXPECT_EQ(SUB::TrimEmpty("|||a||b|||"), "|a||b|");
  EXPECT_EQ(SUB::TrimEmpty("||||"), "|");
  EXPECT_EQ(SUB::TrimEmpty("|a|"), "|a|");
  EXPECT_EQ(SUB::ChangeSeparator("|a|b||", ';'), ";a;b;;");
  EXPECT_EQ(SUB::ChangeSeparator("|a|b", ';'), "|a|b");
  EXPECT_EQ(SUB::Count(SUB::ChangeSeparator("\x02"
                                            "a\x02"
                                            "b\x02",
                                            '\x01')),
            2);
}

TEST(SUB, MakesAndSplitsEveryItemBack) {
  const std::vector<std::string> items = {"", "one", "two words", "", "x=y", ""};
  const std::string list = SUB::Make(items, '\x01');
  EXPECT_EQ(SUB::Count(list), 6);
  EXPECT_EQ(SUB::Items(list), items);
  EXPECT_EQ(SUB::Make({}, '|'), "|");
  EXPECT_TRUE(SUB::Items("|").empty());
}

}  // namespace
