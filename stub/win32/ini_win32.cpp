// The private-profile functions behind the INI helpers.
#include <windows.h>

#include <vector>

#include "stub/support/ini.h"

namespace {

class Win32IniProfile final : public IniProfile {
 public:
  std::string GetString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& defaultValue,
                        std::size_t bufferChars) override {
    std::vector<char> buffer(bufferChars + 1, '\0');
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                             buffer.data(), static_cast<DWORD>(bufferChars),
                                             file.c_str());
    return std::string(buffer.data(), n < bufferChars ? n : bufferChars - 1);
  }

  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                      file.c_str()) != FALSE;
  }
};

}  // namespace

IniProfile& SystemIniProfile() {
  static Win32IniProfile profile;
  return profile;
}

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue) {
  return ReadIniString(SystemIniProfile(), file, section, key, defaultValue);
}

std::int64_t ReadIniInteger(const std::string& file, const std::string& section,
                            const std::string& key, std::int64_t defaultValue) {
  return ReadIniInteger(SystemIniProfile(), file, section, key, defaultValue);
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
  return WriteIniString(SystemIniProfile(), file, section, key, value);
}

bool WriteIniInteger(const std::string& file, const std::string& section, const std::string& key,
                     std::int64_t value) {
  return WriteIniString(SystemIniProfile(), file, section, key, std::to_string(value));
}
