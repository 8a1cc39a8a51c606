#pragma once
// Self-delimited lists: the first character of the text is its separator and the last one
// repeats it, so "|a|b|c|" holds a, b and c. A text shorter than two characters, or whose
// ends differ, holds no items. The package blocks, the language block, button and caption
// lists and the process lists of the stub are such lists.
//
// The operations that build a list keep the separator of the list they are given; an empty
// text takes the separator "|". A single separator character ("|") is the empty list that
// remembers its separator. Reverse, DeleteItem, TrimEmpty and ChangeSeparator return a text
// that is no list as it is; the others read it as a list without items.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class SUB {
 public:
  static constexpr char DefaultSeparator = '|';

  // The number of separators after the first one; 0 for a text that is no list.
  static int Count(std::string_view list);
  // The separator of a list, or fallback for an empty text.
  static char Separator(std::string_view list, char fallback = DefaultSeparator);
  static std::vector<std::string> Items(std::string_view list);
  // A list of items with the given separator ("|" alone for no items).
  static std::string Make(const std::vector<std::string>& items, char separator = DefaultSeparator);

  // Item index (from 0); fallback when the list has no such item.
  static std::string Item(std::string_view list, int index, std::string_view fallback = {});
  // The item as a signed 64-bit decimal number; fallback when missing or not a number.
  static std::int64_t ItemInt(std::string_view list, int index, std::int64_t fallback);

  // Index of the first item equal to item (optionally without regard to case), or -1.
  static int IndexOf(std::string_view list, std::string_view item, bool ignoreCase = false);
  static bool Contains(std::string_view list, std::string_view item, bool ignoreCase = false);

  // The rest of the first item that reads key "=" ...; blanks before "=" do not count. A key
  // with an empty value gives the empty text; fallback when no item has the key.
  static std::string KeyValue(std::string_view list, std::string_view key,
                              std::string_view fallback = {}, bool ignoreCase = false);

  // Splits a list of name=value items into a list of names and a list of values (an item
  // without "=" is a name with an empty value) and joins such lists back; a shorter value
  // list gives empty values.
  static void SplitNameValues(std::string_view list, std::string& names, std::string& values);
  static std::string JoinNameValues(std::string_view names, std::string_view values);

  // The list with item index replaced by value, grown with empty items when needed.
  // A negative index leaves the list as it is.
  static std::string SetItem(std::string_view list, int index, std::string_view value);
  // The list without item index (unchanged when there is no such item).
  static std::string DeleteItem(std::string_view list, int index);
  static std::string Reverse(std::string_view list);
  // The items of first, then those of second, each text once (optionally without regard to
  // case, the first spelling kept); the separator of first.
  static std::string Merge(std::string_view first, std::string_view second,
                           bool ignoreCase = false);
  // The list without empty items at its start and at its end.
  static std::string TrimEmpty(std::string_view list);
  // The same items with another separator.
  static std::string ChangeSeparator(std::string_view list, char separator);
};
