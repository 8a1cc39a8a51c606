#pragma once
// Language strings of the installer: the package's language block holds one section per
// language; the section is chosen once per process from the user's language, and every text
// has a built-in default.
//
// The block is a self-delimited list with separator 0x02 whose items are the sections; a
// section is a self-delimited list with separator 0x01: the language name, then key=value
// items. Keys are compared without regard to case.
#include <array>
#include <mutex>
#include <string>
#include <string_view>

inline constexpr char LanguageBlockSeparator = '\x02';
inline constexpr char LanguageSectionSeparator = '\x01';
// The section value that means "none found": every lookup gives its default.
inline constexpr std::string_view NoLanguageSection = "*";
inline constexpr std::string_view DefaultButtonList = "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|";

// The user's language as the platform tells it.
class LocaleLanguage {
 public:
  // The primary language id (the low 10 bits of the language id) of the thread's locale as it
  // was at start-up; 9 when the locale could not be read.
  virtual int PrimaryLanguageId() = 0;

 protected:
  ~LocaleLanguage() = default;
};

// The thread's locale at start-up (Win32 layer).
LocaleLanguage& SystemLocaleLanguage();

// The name of the first entry of the language table whose id text contains id written in
// decimal with at least two digits ("09" for 9); empty when none does.
std::string LanguageNameFromId(int id);

struct TLanguageEntry {
  std::string_view Name;
  std::string_view Id;
};
inline constexpr std::size_t LanguageTableSize = 51;
extern const std::array<TLanguageEntry, LanguageTableSize> LanguageTable;

// The section of block named wantedName (trimmed, without regard to case), the first one in
// block order; else the only section when there is exactly one; else "*".
std::string FindLanguageSection(std::string_view block, std::string_view wantedName);
// The section for a user whose language has the name wantedName, falling back to "English".
std::string ChooseLanguageSection(std::string_view block, std::string_view wantedName);

// The value of key in section, or fallback when the section is "*" or lacks the key. A key
// present with an empty value gives the empty text. Blanks before "=" do not count.
std::string LangStringFromSection(std::string_view section, std::string_view key,
                                  std::string_view fallback);

// The section of a process: chosen on first use from the block at hand and kept from then on,
// whichever package later lookups come from.
class TLanguageChoice {
 public:
  std::string Section(std::string_view block, LocaleLanguage& locale);
  bool Chosen() const;

 private:
  mutable std::mutex FLock;
  bool FChosen = false;
  std::string FSection;
};

TLanguageChoice& ProcessLanguageChoice();

// The keys the stub uses with their built-in defaults.
struct TLanguageKey {
  std::string_view Key;
  std::string_view Default;
};
inline constexpr std::size_t LanguageKeyCount = 19;
extern const std::array<TLanguageKey, LanguageKeyCount> LanguageKeys;
// The built-in default of key (without regard to case); empty for a key not in the table.
std::string LanguageDefault(std::string_view key);

// A decimal integer text (blanks around it allowed) or fallback.
int LanguageNumber(std::string_view text, int fallback);
