#include "plugin/versioninfo.h"

#include <cstdio>
#include <exception>

namespace {

constexpr const char* kKeyNames[TVersionInfo::KeyCount] = {
    "CompanyName",  "FileDescription", "FileVersion",    "InternalName",
    "LegalCopyright", "LegalTradeMarks", "OriginalFilename", "ProductName",
    "ProductVersion", "Comments",      "PrivateBuild",   "SpecialBuild",
    "MajorVersion", "MinorVersion",    "Release",        "Build"};

std::string TrimBlanks(const std::string& s) {
  std::size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  std::size_t last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

// Releases the reader's block on every way out of GetInfo.
class LoadedBlock {
 public:
  explicit LoadedBlock(VersionBlockReader& reader) : FReader(reader) {}
  ~LoadedBlock() { FReader.Release(); }
  LoadedBlock(const LoadedBlock&) = delete;
  LoadedBlock& operator=(const LoadedBlock&) = delete;

 private:
  VersionBlockReader& FReader;
};

}  // namespace

TVersionInfo::TVersionInfo() : FDefaultValue("<info not available>") {
  for (int i = 0; i < KeyCount; ++i) FAppInfo[static_cast<std::size_t>(i)].key = kKeyNames[i];
  ResetValues();
}

void TVersionInfo::ResetValues() {
  for (Record& r : FAppInfo) r.value = FDefaultValue;
}

void TVersionInfo::GetInfo(const std::string& fileName, VersionBlockReader& reader) {
  ResetValues();
  try {
    LoadedBlock guard(reader);
    if (!reader.Load(fileName)) return;
    ReadStrings(reader);
    SplitFileVersion();
  } catch (...) {
    ResetValues();
  }
}

void TVersionInfo::ReadStrings(VersionBlockReader& reader) {
  std::uint16_t language = 0, codePage = 0;
  if (!reader.Translation(language, codePage)) return;
  char table[16];
  std::snprintf(table, sizeof table, "%04X%04X", language, codePage);
  for (int i = 0; i <= SpecialBuildKey; ++i) {
    Record& record = FAppInfo[static_cast<std::size_t>(i)];
    try {
      std::string value;
      if (reader.QueryString("\\StringFileInfo\\" + std::string(table) + "\\" + record.key, value)) {
        record.value = TrimBlanks(value);
      } else {
        record.value.clear();
      }
    } catch (const std::exception&) {
      record.value = FDefaultValue;
    }
  }
}

void TVersionInfo::SplitFileVersion() {
  std::string rest = FileVersion();
  char separator;
  if (rest.find('.') != std::string::npos) separator = '.';
  else if (rest.find(',') != std::string::npos) separator = ',';
  else return;
  for (int i = MajorVersionKey; i <= ReleaseKey; ++i) {
    std::size_t pos = rest.find(separator);
    std::string& value = FAppInfo[static_cast<std::size_t>(i)].value;
    if (pos == std::string::npos) {
      value.clear();
    } else {
      value = rest.substr(0, pos);
      rest.erase(0, pos + 1);
    }
  }
  FAppInfo[BuildKey].value = rest;
}
