#pragma once
// Update and download tokens travel in the package blocks in a scrambled form: hex pairs of a
// byte string with a key, padding on both sides and a check byte, every character moved up by
// 50. UnscrambleToken gives the token back; a damaged text gives a random number text that
// matches no real token.
#include <cstdint>
#include <string>
#include <string_view>

// The token of a scrambled text, or false when the text fails its checks.
bool TryUnscrambleToken(std::string_view text, std::string& token);
// The token, or a random decimal number from 0 to 99,998 when the text is damaged.
std::string UnscrambleToken(std::string_view text);

// The scrambled form of token (what the package builder writes); seed picks the key and the
// padding, so that equal seeds give equal texts.
std::string ScrambleToken(std::string_view token, std::uint32_t seed);
