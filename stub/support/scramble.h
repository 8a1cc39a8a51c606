#pragma once
// The stub's reversible scrambling of texts it keeps in its own files (the inform file).
// A scrambled text reads "Scrambled=01", one key character and the scrambled bytes; with hex
// the whole is written as upper-case hex pairs. Any byte value may occur in the text.
#include <string>
#include <string_view>

inline constexpr std::string_view ScrambledMarker = "Scrambled=01";

// scramble true: the scrambled form of text (a text already scrambled is returned as it is).
// scramble false: the plain text of a scrambled one; a text that is not scrambled (or, with
// hex, not hex pairs of a scrambled text) is returned as it is, and a marker without a key
// gives the empty text.
std::string Scramble(std::string_view text, bool scramble, bool hex);
// The same with a chosen key (33 ... 122) for scrambling, so that results can be reproduced.
std::string ScrambleWithKey(std::string_view text, bool scramble, bool hex, int key);
