#include "stub/support/ini.h"

#include <charconv>
#include <exception>
#include <mutex>

#include "stub/support/zbdebug.h"

namespace {

std::mutex& IniReadLock() {
  static std::mutex lock;
  return lock;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool ParseInt64(std::string_view text, std::int64_t& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return false;
  }
  if (text.empty()) return false;
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  value = v;
  return true;
}

std::string ReadIniString(IniProfile& profile, const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue) {
  std::lock_guard<std::mutex> hold(IniReadLock());
  std::string value = defaultValue;
  // An empty file name would make the platform read its own WIN.INI instead.
  if (file.empty() || section.empty() || key.empty()) return value;
  try {
    std::string read = profile.GetString(file, section, key, defaultValue, IniBufferChars);
    if (!read.empty()) {
      if (read.size() > IniLongValueChars) {
        DebugLog() << "ReadIniString SizeError=" << read.size() << '\n';
      }
      value = std::move(read);
    }
  } catch (const std::exception& e) {
    value = defaultValue;
    DebugLog() << "EXCEPTION --- Utils.ReadIniString()  " << e.what() << '\n';
  } catch (...) {
    value = defaultValue;
    DebugLog() << "EXCEPTION --- Utils.ReadIniString()  " << '\n';
  }
  return value;
}

std::int64_t ReadIniInteger(IniProfile& profile, const std::string& file,
                            const std::string& section, const std::string& key,
                            std::int64_t defaultValue) {
  std::int64_t value = defaultValue;
  if (!ParseInt64(ReadIniString(profile, file, section, key, std::to_string(defaultValue)), value)) {
    return defaultValue;
  }
  return value;
}

bool WriteIniString(IniProfile& profile, const std::string& file, const std::string& section,
                    const std::string& key, const std::string& value) {
  if (file.empty() || section.empty() || key.empty()) return false;
  try {
    return profile.WriteString(file, section, key, value);
  } catch (const std::exception& e) {
    LogException(e, "Utils.WriteIniString()", key);
  } catch (...) {
    LogException(std::string_view(), "Utils.WriteIniString()", key);
  }
  return false;
}

bool WriteIniInteger(IniProfile& profile, const std::string& file, const std::string& section,
                     const std::string& key, std::int64_t value) {
  return WriteIniString(profile, file, section, key, std::to_string(value));
}
