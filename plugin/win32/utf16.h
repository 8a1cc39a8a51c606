#pragma once
// UTF-8 inside the plugin, UTF-16 at the Win32 edge.
#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
