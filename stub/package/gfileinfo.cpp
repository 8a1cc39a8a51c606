#include "stub/package/gfileinfo.h"

#include "stub/package/token.h"
#include "stub/support/diskspace.h"
#include "stub/support/sub.h"

bool ReadHeaderBlocks(ByteSource& file, std::uint64_t start, std::uint64_t limit, int count,
                      std::string* blocks[], std::uint64_t* end) {
  std::uint64_t pos = start;
  for (int i = 0; i < count; ++i) {
    std::uint32_t length = 0;
    if (pos > limit || limit - pos < 4 || !ReadU32(file, pos, length)) return false;
    pos += 4;
    if (limit - pos < length) return false;
    std::string text(length, '\0');
    if (length > 0 && !ReadExact(file, pos, text.data(), length)) return false;
    if (blocks[i]) *blocks[i] = std::move(text);
    pos += length;
  }
  if (end) *end = pos;
  return true;
}

TGFileInfo::TGFileInfo(ByteSource& file) { Read(file); }

TGFileInfo::TGFileInfo(PackageFiles& files, const std::string& fileName) {
  if (const auto file = files.OpenForReading(fileName)) Read(*file);
}

void TGFileInfo::Read(ByteSource& file) {
  if (!ReadTrailer(file, FTrailer, &FBounds)) return;
  if (!FTrailer.MagicMatches()) return;
  std::string* blocks[] = {&FLanguageBlock, &FSettingsBlock, &FDownloadBlock};
  const int count = FTrailer.BlockCount() > 2 ? 3 : 2;
  std::string language, settings, download;
  std::string* into[] = {&language, &settings, &download};
  // The blocks lie between the package start and the trailer.
  FBlocksComplete =
      ReadHeaderBlocks(file, FTrailer.PackageStart(), FBounds.TrailerStart, count, into);
  for (int i = 0; i < count; ++i) *blocks[i] = std::move(*into[i]);
}

double TGFileInfo::GetSpaceRequired(DiskSpace& disks, std::string_view path) const {
  std::uint64_t cluster = 0;
  if (const auto c = disks.FreeClusters(std::string(path.substr(0, 3)))) {
    cluster = c->SectorsPerCluster * c->BytesPerSector;
  }
  int entry = 0;
  for (int k = 1; k < SpaceRequiredEntries; ++k) {
    if (cluster >= (256ull << k)) entry = k;
  }
  return static_cast<double>(SpaceRequired(entry));
}

std::string TGFileInfo::SettingsItem(int k) const { return SUB::Item(FSettingsBlock, k); }

std::string TGFileInfo::DownloadItem(int k) const { return SUB::Item(FDownloadBlock, k); }

namespace {

std::string FileNamePart(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace

std::string TGFileInfo::InfoFileName() const { return FileNamePart(SettingsItem(1)); }

std::string TGFileInfo::OriginalFileName() const {
  const std::string name = FileNamePart(SettingsItem(1));
  return name.substr(0, name.find('.')) + ".original";
}

std::string TGFileInfo::UpdateToken(bool unscramble) const {
  const std::string token = SettingsItem(3);
  return unscramble ? UnscrambleToken(token) : token;
}

std::string TGFileInfo::DownloadToken(bool unscramble) const {
  const std::string token = DownloadItem(3);
  return unscramble ? UnscrambleToken(token) : token;
}

bool TGFileInfo::SameDownloadToken(const TGFileInfo& other) const {
  std::string mine, theirs;
  return TryUnscrambleToken(DownloadItem(3), mine) &&
         TryUnscrambleToken(other.DownloadItem(3), theirs) && mine == theirs;
}
