#pragma once
// The readable form of a package's language block, as tallowin-pack reads it:
//
//   ; a comment line
//   [English]
//   s0=Velmoran Installation
//   BtnText=|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|
//
// One "[name]" line opens each language section; every further non-empty line of it is a
// key=value item, kept as written (leading blanks of the line dropped, a trailing CR too).
// Lines that are empty or start with ";" are skipped.
#include <string>
#include <string_view>

// The language block for the text, or false with a message naming the line at fault.
bool LanguageBlockFromText(std::string_view text, std::string& block, std::string& error);
