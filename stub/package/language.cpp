#include "stub/package/language.h"

#include <charconv>

#include "stub/package/gfileinfo.h"
#include "stub/support/strings.h"
#include "stub/support/sub.h"

const std::array<TLanguageEntry, LanguageTableSize> LanguageTable = {{
    {"AFRIKAANS", "54"},
    {"ALBANIAN", "28"},
    {"ARABIC", "01"},
    {"BASQUE", "45"},
    {"BELARUSIAN", "35"},
    {"BULGARIAN", "02"},
    {"CATALAN", "03"},
    {"CHINESE", "04"},
    {"CROATIAN", "26"},
    {"CZECH", "05"},
    {"DANISH", "06"},
    {"DUTCH", "19"},
    {"ENGLISH", "09"},
    {"ESTONIAN", "37"},
    {"FAEROESE", "56"},
    {"FARSI", "41"},
    {"FINNISH", "11"},
    {"FRENCH", "12"},
    {"GERMAN", "07"},
    {"GREEK", "08"},
    {"HEBREW", "13"},
    {"HUNGARIAN", "14"},
    {"ICELANDIC", "15"},
    {"INDONESIAN", "33"},
    {"ITALIAN", "16"},
    {"JAPANESE", "17"},
    {"KOREAN", "18"},
    {"LATVIAN", "38"},
    {"LITHUANIAN", "39"},
    {"NORWEGIAN", "20"},
    {"POLISH", "21"},
    {"PORTUGUESE", "22"},
    {"ROMANIAN", "24"},
    {"RUSSIAN", "25"},
    {"SERBIAN", "26"},
    {"SLOVAK", "27"},
    {"SLOVENIAN", "36"},
    {"SPANISH", "10"},
    {"SWEDISH", "29"},
    {"THAI", "30"},
    {"TURKISH", "31"},
    {"UKRAINIAN", "34"},
    {"VIETNAMESE", "42"},
    {"CHINESE(SIMPLIFIED)", "2052"},
    {"CHINESE(TRADITIONAL)", "1028"},
    {"DUTCH(FLEMISH)", "2067"},
    {"DUTCH(STANDARD)", "1043"},
    {"PORTUGUESE(PORTUGAL)", "2070"},
    {"PORTUGUESE(BRAZIL)", "1046"},
    {"SERBIAN(LATIN)", "2074"},
    {"SERBIAN(CYRILIC)", "3098"},
}};

const std::array<TLanguageKey, LanguageKeyCount> LanguageKeys = {{
    {"s0", "Zembra Installation Suite"},
    {"s1", "Extracting Files..."},
    {"s2", "Zembra will extract files to your Temp Drive (<DRIVE>)<P>"},
    {"s3", "Limited Free Space on your Temp Drive! (<DRIVE>)<P>"},
    {"s4", "<P>Estimated space required on your Temp drive is: <T>  <SPACE_REQ> MB<P>"},
    {"s5", "Free space available on your Temp drive is: <T>  <SPACE_AVAIL> MB<P>"},
    {"s6", "<P>Continue with Setup?<P>"},
    {"s7", "Bad CRC!<P>This indicates that your setup file might be corrupted..."},
    {"s8", "Please insert <B>DISK #<DISK_NUM></B> and press OK to continue"},
    {"s10", "Downloading File..."},
    {"s11",
     "<b>INTERNET DOWNLOAD</b><p><p>Zembra will download the Setup File from the Internet...<p>"
     "Please make sure your Internet connection is properly set.<p><p>Continue with Setup?<p>"
     "<P>Size: <SIZE> MB<P>"},
    {"s12", "No valid Internet Connection.<p>Can not Download File!"},
    {"BtnText", DefaultButtonList},
    {"Attention", "Attention"},
    {"Confirm", "Confirm"},
    {"Error", "Error"},
    {"Charset", "0"},
    {"FontSize", "8"},
    {"FontName", "Tahoma"},
}};

std::string LanguageNameFromId(int id) {
  std::string text = std::to_string(id);
  if (text.size() < 2) text.insert(0, 2 - text.size(), '0');
  for (const auto& entry : LanguageTable) {
    if (entry.Id.find(text) != std::string_view::npos) return std::string(entry.Name);
  }
  return {};
}

std::string FindLanguageSection(std::string_view block, std::string_view wantedName) {
  const std::vector<std::string> sections = SUB::Items(block);
  const std::string wanted = Trim(wantedName);
  for (const auto& section : sections) {
    if (SameText(Trim(SUB::Item(section, 0)), wanted)) return section;
  }
  if (sections.size() == 1) return sections.front();
  return std::string(NoLanguageSection);
}

std::string ChooseLanguageSection(std::string_view block, std::string_view wantedName) {
  std::string section = FindLanguageSection(block, wantedName);
  if (section == NoLanguageSection) section = FindLanguageSection(block, "English");
  return section;
}

std::string LangStringFromSection(std::string_view section, std::string_view key,
                                  std::string_view fallback) {
  if (section.size() <= 1) return std::string(fallback);
  std::string work;
  work.reserve(section.size());
  for (const char c : section) {
    if (c == '=') {
      while (!work.empty() && work.back() == ' ') work.pop_back();
    }
    work += c;
  }
  std::string pattern(1, LanguageSectionSeparator);
  pattern += key;
  if (pattern.back() != '=') pattern += '=';
  const std::size_t at = PosNoCase(work, pattern);
  if (at == std::string::npos) return std::string(fallback);
  const std::size_t from = at + pattern.size();
  const std::size_t to = work.find(LanguageSectionSeparator, from);
  return work.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

std::string TLanguageChoice::Section(std::string_view block, LocaleLanguage& locale) {
  std::lock_guard<std::mutex> guard(FLock);
  if (!FChosen) {
    FSection = ChooseLanguageSection(block, LanguageNameFromId(locale.PrimaryLanguageId()));
    FChosen = true;
  }
  return FSection;
}

bool TLanguageChoice::Chosen() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FChosen;
}

TLanguageChoice& ProcessLanguageChoice() {
  static TLanguageChoice choice;
  return choice;
}

std::string LanguageDefault(std::string_view key) {
  for (const auto& entry : LanguageKeys) {
    if (SameText(entry.Key, key)) return std::string(entry.Default);
  }
  return {};
}

int LanguageNumber(std::string_view text, int fallback) {
  const std::string t = Trim(text);
  int value = 0;
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || error != std::errc() || end != t.data() + t.size()) return fallback;
  return value;
}

// The language texts of a package.

std::string TGFileInfo::GetLangString(TLanguageChoice& choice, LocaleLanguage& locale,
                                      std::string_view key, std::string_view fallback) const {
  return LangStringFromSection(choice.Section(FLanguageBlock, locale), key, fallback);
}

int TGFileInfo::Charset(TLanguageChoice& choice, LocaleLanguage& locale) const {
  return LanguageNumber(GetLangString(choice, locale, "Charset", "0"), 0);
}

int TGFileInfo::FontSize(TLanguageChoice& choice, LocaleLanguage& locale) const {
  return LanguageNumber(GetLangString(choice, locale, "FontSize", "8"), 8);
}

std::string TGFileInfo::FontName(TLanguageChoice& choice, LocaleLanguage& locale) const {
  return GetLangString(choice, locale, "FontName", "Tahoma");
}
