#pragma once
// String helpers of the stub. Texts are 8-bit in the system code page; case folding is that
// of ASCII letters, which is what switch names, keys and markers need.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

char UpCaseChar(char c);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Blanks, tabs, CR and LF removed from both ends.
std::string Trim(std::string_view text);

// The text before / after the first occurrence of separator; fallback when it is absent
// (or when separator is empty). With trim, the part found is trimmed.
std::string TextBefore(std::string_view text, std::string_view separator,
                       std::string_view fallback = {}, bool trim = false);
std::string TextAfter(std::string_view text, std::string_view separator,
                      std::string_view fallback = {}, bool trim = false);

// Position of part in text at or after from, without regard to case; npos when absent.
std::size_t PosNoCase(std::string_view text, std::string_view part, std::size_t from = 0);
// Position of the last occurrence of part; npos when absent.
std::size_t LastPos(std::string_view text, std::string_view part);

bool StartsWith(std::string_view text, std::string_view prefix, bool ignoreCase = false);
bool EndsWith(std::string_view text, std::string_view suffix, bool ignoreCase = false);

std::string ReverseText(std::string_view text);

// Pads text on the left with fill to width. A width below -2 makes -width the exact field
// width: a longer text is cut and ends with "." so the reader sees it was cut. Widths of
// -2 ... 0 leave the text as it is.
std::string PadLeft(std::string_view text, int width, char fill = ' ');
// A number padded with zeros on the left to width digits ("-0042" for -42, width 5).
std::string ZeroPad(std::int64_t value, int width);

// Every c removed from both ends.
std::string StripChar(std::string_view text, char c);
// Outer double quotes removed, then the text wrapped in one pair.
std::string QuoteText(std::string_view text);
// Outer double quotes removed.
std::string UnquoteText(std::string_view text);
// Only the characters that occur in allowed, in their order.
std::string KeepChars(std::string_view text, std::string_view allowed);

// Replaces the occurrences of from by to, counted from 1, only those numbered first ... last;
// optionally without regard to case; optionally trims the result. An empty from changes
// nothing.
std::string ReplaceText(std::string_view text, std::string_view from, std::string_view to,
                        bool ignoreCase = false, int first = 1, int last = INT32_MAX,
                        bool trim = false);

// "TRUE" / "FALSE".
std::string BoolText(bool value);
// '1' / '0'.
char BoolChar(bool value);

std::string IfThen(bool condition, std::string_view yes, std::string_view no);
std::int64_t IfThen(bool condition, std::int64_t yes, std::int64_t no);
double IfThen(bool condition, double yes, double no);

std::int64_t Min64(std::int64_t a, std::int64_t b);
std::int64_t Max64(std::int64_t a, std::int64_t b);
// value held within lo ... hi; lo wins when the bounds are crossed.
std::int64_t Clamp64(std::int64_t value, std::int64_t lo, std::int64_t hi);
