#pragma once
// Number texts of the stub: always with "." as the decimal point, whatever the locale.
#include <cstdint>
#include <string>
#include <string_view>

// A decimal text with "," every three digits left of the point ("-1,234,567.25").
std::string ThousandsText(std::string_view decimalText);
std::string ThousandsText(std::int64_t value);

// Bytes as kilobytes (/ 1024) or megabytes (/ 1,048,576) with 1 ... 4 decimals, or rounded up
// to whole units when 0 decimals are asked ("2" for 1025 bytes in KB). Decimals above 4 are 4.
std::string BytesToKB(double bytes, int decimals);
std::string BytesToMB(double bytes, int decimals);

// A decimal number written either way: without "." every "," is the point ("1,5"); remaining
// "," are group marks ("1,234.5"). Read with English-US rules; fallback on anything else.
double TextToFloat(std::string_view text, double fallback);

// value with decimals (0 ... 15) digits after the point. With dropZeros, trailing zeros go,
// then a trailing point; what is left of a lone "." is "0". A zero never shows a sign.
std::string FixedText(double value, int decimals, bool dropZeros = false);

// Two upper-case hex digits a byte ("0AFF"). With prefixed: "0x0A 0xFF " - each byte with
// "0x" and a blank, one more blank after every eighth byte.
std::string HexText(std::string_view bytes, bool prefixed = false);
// The bytes of a text of hex pairs (either case); false on an odd length or a bad digit.
bool HexPairsToBytes(std::string_view hex, std::string& bytes);

// text as a number in radix 2 ... 16 (digits of either case); fallback on an empty text, a
// bad digit, a bad radix or a value beyond 64 bits.
std::int64_t RadixToInt(std::string_view text, int radix, std::int64_t fallback);
std::int64_t HexToInt(std::string_view text, std::int64_t fallback);
