#pragma once
// The string values of an executable's version block, for the window caption.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Access to one file's version block. The Win32 layer reads real version resources;
// tests may hand in any block they like.
class VersionBlockReader {
 public:
  // Loads the file's version block; false when it has none or it cannot be read.
  virtual bool Load(const std::string& fileName) = 0;
  // The first language and code page of the block's translation table; false when absent.
  virtual bool Translation(std::uint16_t& language, std::uint16_t& codePage) = 0;
  // The string at a sub-block path such as "\StringFileInfo\040904E4\FileVersion";
  // false when not found. May throw when the block cannot be read.
  virtual bool QueryString(const std::string& subBlock, std::string& value) = 0;
  // Drops the loaded block.
  virtual void Release() = 0;

 protected:
  ~VersionBlockReader() = default;
};

class TVersionInfo {
 public:
  static constexpr int KeyCount = 16;
  enum Key {
    CompanyNameKey, FileDescriptionKey, FileVersionKey, InternalNameKey, LegalCopyrightKey,
    LegalTradeMarksKey, OriginalFilenameKey, ProductNameKey, ProductVersionKey, CommentsKey,
    PrivateBuildKey, SpecialBuildKey, MajorVersionKey, MinorVersionKey, ReleaseKey, BuildKey
  };

  TVersionInfo();

  // Reads the version block of fileName into the values (through the platform's reader
  // when none is given).
  inline void GetInfo(const std::string& fileName);
  void GetInfo(const std::string& fileName, VersionBlockReader& reader);

  const std::string& DefaultValue() const { return FDefaultValue; }
  void SetDefaultValue(std::string value) { FDefaultValue = std::move(value); }

  const std::string& KeyName(int index) const { return FAppInfo[static_cast<std::size_t>(index)].key; }
  const std::string& Value(int index) const { return FAppInfo[static_cast<std::size_t>(index)].value; }

  const std::string& CompanyName() const { return Value(CompanyNameKey); }
  const std::string& FileDescription() const { return Value(FileDescriptionKey); }
  const std::string& FileVersion() const { return Value(FileVersionKey); }
  const std::string& InternalName() const { return Value(InternalNameKey); }
  const std::string& LegalCopyright() const { return Value(LegalCopyrightKey); }
  const std::string& LegalTradeMarks() const { return Value(LegalTradeMarksKey); }
  const std::string& OriginalFilename() const { return Value(OriginalFilenameKey); }
  const std::string& ProductName() const { return Value(ProductNameKey); }
  const std::string& ProductVersion() const { return Value(ProductVersionKey); }
  const std::string& Comments() const { return Value(CommentsKey); }
  const std::string& PrivateBuild() const { return Value(PrivateBuildKey); }
  const std::string& SpecialBuild() const { return Value(SpecialBuildKey); }
  const std::string& MajorVersion() const { return Value(MajorVersionKey); }
  const std::string& MinorVersion() const { return Value(MinorVersionKey); }
  const std::string& Release() const { return Value(ReleaseKey); }
  const std::string& Build() const { return Value(BuildKey); }

 private:
  struct Record {
    std::string key;
    std::string value;
  };
  void ResetValues();
  void ReadStrings(VersionBlockReader& reader);
  void SplitFileVersion();

  std::string FDefaultValue;
  std::array<Record, KeyCount> FAppInfo;
};

// The platform's reader of real version resources (defined by the Win32 layer).
VersionBlockReader& SystemVersionBlockReader();

inline void TVersionInfo::GetInfo(const std::string& fileName) {
  GetInfo(fileName, SystemVersionBlockReader());
}
