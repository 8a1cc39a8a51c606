#include "stub/support/fileversion.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <vector>

#include "stub/support/zbdebug.h"

namespace {

std::uint32_t ReadU32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return v;
}

std::uint16_t ReadU16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

constexpr std::uint32_t FixedInfoSignature = 0xFEEF04BD;

std::string CommasToPoints(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return text;
}

std::string FileOrRunning(VersionResources& resources, const std::string& file) {
  return file.empty() ? resources.RunningExecutable() : file;
}

}  // namespace

std::string NormaliseVersion(const std::string& text, int width, int count) {
  if (width <= 1 && count >= 4) return text;
  std::vector<std::string> numbers(1);
  for (const char c : CommasToPoints(text)) {
    if (c == '.') {
      numbers.emplace_back();
    } else if (c >= '0' && c <= '9') {
      numbers.back() += c;
    }
  }
  // No number at all: nothing to show (an unreadable version stays empty).
  bool anyDigit = false;
  for (const std::string& n : numbers) anyDigit = anyDigit || !n.empty();
  if (!anyDigit) return {};
  const std::size_t keep =
      count < 1 ? numbers.size() : std::min(numbers.size(), static_cast<std::size_t>(count));
  std::string result;
  for (std::size_t i = 0; i < keep; ++i) {
    if (i > 0) result += '.';
    if (static_cast<int>(numbers[i].size()) < width) {
      result.append(static_cast<std::size_t>(width) - numbers[i].size(), '0');
    }
    result += numbers[i];
  }
  return result;
}

std::string GetExeVersion(VersionResources& resources, const std::string& file, int width,
                          int count) {
  try {
    const std::string path = FileOrRunning(resources, file);
    std::optional<std::string> block = resources.LoadBlock(path, VersionBlockMinBytes);
    if (!block) {
      LogException("no version resource", "Utils.GetExeVersion()", path);
      return {};
    }
    const std::optional<std::string> fixed = resources.Query(*block, "\\");
    // dwSignature, dwStrucVersion, dwFileVersionMS, dwFileVersionLS, ...
    if (!fixed || fixed->size() < 16 || ReadU32(*fixed, 0) != FixedInfoSignature) {
      LogException("no fixed version block", "Utils.GetExeVersion()", path);
      return {};
    }
    const std::uint32_t ms = ReadU32(*fixed, 8), ls = ReadU32(*fixed, 12);
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
    return NormaliseVersion(text, width, count);
  } catch (const std::exception& e) {
    LogException(e, "Utils.GetExeVersion()", file);
  } catch (...) {
    LogException(std::string_view(), "Utils.GetExeVersion()", file);
  }
  return {};
}

std::string GetProductVersion(VersionResources& resources, const std::string& file, int width,
                              int count) {
  try {
    const std::string path = FileOrRunning(resources, file);
    std::optional<std::string> block = resources.LoadBlock(path, VersionBlockMinBytes);
    if (!block) {
      LogException("no version resource", "Utils.GetProductVersion()", path);
      return {};
    }
    const std::optional<std::string> translation =
        resources.Query(*block, "\\VarFileInfo\\Translation");
    if (!translation || translation->size() < 4) {
      LogException("no translation", "Utils.GetProductVersion()", path);
      return {};
    }
    char subBlock[64];
    std::snprintf(subBlock, sizeof subBlock, "\\StringFileInfo\\%.4x%.4x\\%s",
                  static_cast<unsigned>(ReadU16(*translation, 0)),
                  static_cast<unsigned>(ReadU16(*translation, 2)), "ProductVersion");
    const std::optional<std::string> value = resources.Query(*block, subBlock);
    if (!value) {
      LogException("no ProductVersion", "Utils.GetProductVersion()", path);
      return {};
    }
    return NormaliseVersion(CommasToPoints(value->substr(0, value->find('\0'))), width, count);
  } catch (const std::exception& e) {
    LogException(e, "Utils.GetProductVersion()", file);
  } catch (...) {
    LogException(std::string_view(), "Utils.GetProductVersion()", file);
  }
  return {};
}
