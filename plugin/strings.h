#pragma once
// Ids and English texts of the plugin's string table (listed once, in strings.def). The
// window loads them from its resources; every other build reads the built-in texts here.
#include <string_view>

enum TextId : int {
#define MORVANE_TEXT(name, id, text) name = id,
#include "plugin/strings.def"
#undef MORVANE_TEXT
};

// The built-in English text of an id; empty for an unknown id.
constexpr std::string_view DefaultText(TextId id) {
  switch (id) {
#define MORVANE_TEXT(name, id, text) \
  case name:                         \
    return text;
#include "plugin/strings.def"
#undef MORVANE_TEXT
  }
  return {};
}

#include <initializer_list>
#include <string>

// A string-table text with its %s and %d filled in order from args ("%%" gives '%').
// The texts come from resources, so they are never handed to printf as a format.
inline std::string FormatText(std::string_view format, std::initializer_list<std::string> args) {
  std::string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      char directive = format[i + 1];
      if (directive == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (directive == 's' || directive == 'd') {
        if (next != args.end()) out += *next++;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}
