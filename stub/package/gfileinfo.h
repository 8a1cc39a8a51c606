#pragma once
// TGFileInfo: the reader of one package file. It reads the trailer and the header blocks
// (language, settings and, for a web installer, download) once, when it is made, and then
// serves the flags, the settings and download items, the tokens and the language texts.
#include <cstdint>
#include <string>
#include <string_view>

#include "stub/package/byte_source.h"
#include "stub/package/trailer.h"

class DiskSpace;
class LocaleLanguage;
class TLanguageChoice;

class TGFileInfo {
 public:
  // No package: an all-zero trailer and empty blocks.
  TGFileInfo() = default;
  // Reads the package of an open file.
  explicit TGFileInfo(ByteSource& file);
  // Reads the named file; a missing file gives no package.
  TGFileInfo(PackageFiles& files, const std::string& fileName);
  // The same through the platform's files (Win32 layer).
  explicit TGFileInfo(const std::string& fileName);

  const TPackageTrailer& Trailer() const { return FTrailer; }
  // Where the package lies in its file (all 0 when no trailer was found).
  const TPackageBounds& Bounds() const { return FBounds; }
  // The magic matched and the header blocks were read.
  bool HasPackage() const { return FTrailer.MagicMatches(); }
  // Every header block the trailer announces lay complete within the package.
  bool BlocksComplete() const { return FBlocksComplete; }

  const std::string& LanguageBlock() const { return FLanguageBlock; }
  const std::string& SettingsBlock() const { return FSettingsBlock; }
  const std::string& DownloadBlock() const { return FDownloadBlock; }

  std::uint8_t BlockCount() const { return FTrailer.BlockCount(); }
  std::uint32_t PackageStart() const { return FTrailer.PackageStart(); }
  std::uint32_t FilesCount() const { return FTrailer.FilesCount(); }
  std::uint32_t PackageMagic() const { return FTrailer.PackageMagic(); }
  std::uint32_t PackageChecksum() const { return FTrailer.PackageChecksum(); }
  std::uint32_t TrailerSize() const { return FTrailer.TrailerSize(); }
  std::uint32_t SpaceRequired(int k) const { return FTrailer.SpaceRequired(k); }

  bool AnnounceTemp() const { return Flag(trailer_flag::AnnounceTemp); }
  bool MoreDisks() const { return Flag(trailer_flag::MoreDisks); }
  bool SpanCdCopy() const { return Flag(trailer_flag::SpanCdCopy); }
  bool ShowActivity() const { return Flag(trailer_flag::ShowActivity); }
  bool AgentLog() const { return Flag(trailer_flag::AgentLog); }
  bool DownloadMode() const { return FTrailer.Byte(trailer_field::DownloadMode) != 0; }
  bool ConfirmDownload() const { return FTrailer.Byte(trailer_field::ConfirmDownload) != 0; }
  bool MakeAgent() const { return FTrailer.Byte(trailer_field::MakeAgent) != 0; }
  bool IsAutoUpdate() const { return FTrailer.Byte(trailer_field::IsAutoUpdate) != 0; }

  // The SpaceRequired entry for the cluster size of the drive named by the first three
  // characters of path (entry 0 when the size cannot be told).
  double GetSpaceRequired(DiskSpace& disks, std::string_view path) const;
  double GetSpaceRequired(std::string_view path) const;  // Win32 layer

  std::string SettingsItem(int k) const;
  // The file-name part of settings item 1 (an address or a path).
  std::string InfoFileName() const;
  // Settings item 1 without folder and without every extension, then ".original".
  std::string OriginalFileName() const;
  std::string AgentName() const { return SettingsItem(2); }
  std::string UpdateToken(bool unscramble) const;
  bool SilentRun() const { return SettingsItem(4) == "1"; }

  std::string DownloadItem(int k) const;
  bool AlwaysDownload() const { return DownloadItem(2) == "1"; }
  std::string DownloadToken(bool unscramble) const;
  // Both download tokens read back from their scrambled form and are the same text. A
  // damaged token equals nothing, not even another damaged one.
  bool SameDownloadToken(const TGFileInfo& other) const;

  // Language texts from the section chosen once for the process (see language.h).
  std::string GetLangString(TLanguageChoice& choice, LocaleLanguage& locale, std::string_view key,
                            std::string_view fallback) const;
  int Charset(TLanguageChoice& choice, LocaleLanguage& locale) const;
  int FontSize(TLanguageChoice& choice, LocaleLanguage& locale) const;
  std::string FontName(TLanguageChoice& choice, LocaleLanguage& locale) const;
  // The same with the process's choice and the thread's locale (Win32 layer).
  std::string GetLangString(std::string_view key, std::string_view fallback) const;
  int Charset() const;
  int FontSize() const;
  std::string FontName() const;

 private:
  bool Flag(std::uint8_t bit) const { return (FTrailer.TrailerFlags() & bit) != 0; }
  void Read(ByteSource& file);

  TPackageTrailer FTrailer;
  TPackageBounds FBounds;
  bool FBlocksComplete = false;
  std::string FLanguageBlock, FSettingsBlock, FDownloadBlock;
};

// The header blocks read from their start (a 32-bit length, then the bytes, for each), none
// reaching past limit. False when one does not fit; those before it are kept.
bool ReadHeaderBlocks(ByteSource& file, std::uint64_t start, std::uint64_t limit, int count,
                      std::string* blocks[], std::uint64_t* end = nullptr);
