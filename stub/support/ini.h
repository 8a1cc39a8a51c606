#pragma once
// INI access through the platform's profile functions.
//
// Every read passes through one process-wide lock, so that the agent's INI files are never
// read half-way through another thread's read. Writes take no lock (the agent writes from its
// window thread only).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Characters of the buffer one profile read fills (the longest value that can be read is one
// less); values longer than IniLongValueChars are returned but noted in the debug log.
inline constexpr std::size_t IniBufferChars = 32'769;
inline constexpr std::size_t IniLongValueChars = 10'240;

// The platform's private-profile functions.
class IniProfile {
 public:
  // The value of key in section of file, or defaultValue when there is none, cut to
  // bufferChars - 1 characters. May throw; the callers catch.
  virtual std::string GetString(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& defaultValue,
                                std::size_t bufferChars) = 0;
  // Writes (creating the file or section when needed); false when the platform refused.
  virtual bool WriteString(const std::string& file, const std::string& section,
                           const std::string& key, const std::string& value) = 0;

 protected:
  ~IniProfile() = default;
};

// The real profile functions (Win32 layer).
IniProfile& SystemIniProfile();

// The value of key, or defaultValue when the file, section or key is empty, when the key is
// absent or its value is empty, or when the read fails (one debug-log line).
std::string ReadIniString(IniProfile& profile, const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue = {});
std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& defaultValue = {});

// The value read as a signed 64-bit decimal number (blanks around it allowed), defaultValue
// when it is absent or not such a number.
std::int64_t ReadIniInteger(IniProfile& profile, const std::string& file,
                            const std::string& section, const std::string& key,
                            std::int64_t defaultValue);
std::int64_t ReadIniInteger(const std::string& file, const std::string& section,
                            const std::string& key, std::int64_t defaultValue);

// false without touching the file when file, section or key is empty.
bool WriteIniString(IniProfile& profile, const std::string& file, const std::string& section,
                    const std::string& key, const std::string& value);
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);
// The number in decimal.
bool WriteIniInteger(IniProfile& profile, const std::string& file, const std::string& section,
                     const std::string& key, std::int64_t value);
bool WriteIniInteger(const std::string& file, const std::string& section, const std::string& key,
                     std::int64_t value);

// text as a signed 64-bit decimal number with optional sign and blanks around it; false when
// it is anything else or out of range.
bool ParseInt64(std::string_view text, std::int64_t& value);
