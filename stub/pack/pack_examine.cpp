#include "stub/pack/pack_examine.h"

#include <cstdio>
#include <filesystem>
#include <set>

#include "stub/pack/pack_files.h"
#include "stub/package/gfileinfo.h"
#include "stub/package/package_checksum.h"
#include "stub/package/package_records.h"
#include "stub/package/token.h"
#include "stub/support/strings.h"

namespace {

std::string WalkError(const TRecordWalk& walk) {
  std::string text(RecordStatusText(walk.Status));
  if (walk.FailedIndex >= 0) text += " in record " + std::to_string(walk.FailedIndex);
  if (!walk.FailedName.empty()) text += " (" + walk.FailedName + ")";
  text += " at offset " + std::to_string(walk.FailedOffset);
  if (!walk.Message.empty()) text += ": " + walk.Message;
  return text;
}

class ListingSink final : public RecordSink {
 public:
  std::vector<TListedRecord>& Records;
  explicit ListingSink(std::vector<TListedRecord>& records) : Records(records) {}
  TAction BeginRecord(const TRecordInfo& r) override {
    Records.push_back({r.Name, r.EngineHeader, r.Stamp, r.Compressed, r.StoredSize, 0});
    return TAction::Deliver;
  }
  bool Data(const char*, std::size_t n) override {
    Records.back().Size += n;
    return true;
  }
  void EndRecord(bool) override {}
};

struct Opened {
  std::unique_ptr<TStdioByteSource> File;
  TGFileInfo Info;
};

bool Open(const std::string& path, Opened& o, std::string& error) {
  o.File = TStdioByteSource::Open(path);
  if (!o.File) {
    error = "cannot open " + path;
    return false;
  }
  o.Info = TGFileInfo(*o.File);
  if (!o.Info.HasPackage()) {
    error = path + " carries no package";
    return false;
  }
  return true;
}

std::string Printable(const std::string& text) {
  std::string s;
  for (const char c : text) {
    if (c == '\x01') s += "<01>";
    else if (c == '\x02') s += "<02>\n    ";
    else s += c;
  }
  return s;
}

}  // namespace

bool ListPackage(const std::string& path, std::vector<TListedRecord>& records, std::string& error) {
  Opened o;
  if (!Open(path, o, error)) return false;
  records.clear();
  ListingSink sink(records);
  const TRecordWalk walk = ReadRecords(*o.File, o.Info, sink);
  if (!walk.ok()) {
    error = WalkError(walk);
    return false;
  }
  return true;
}

bool PrintPackage(const std::string& path, std::ostream& out, std::string& error) {
  Opened o;
  if (!Open(path, o, error)) return false;
  const TGFileInfo& i = o.Info;
  out << "package start " << i.PackageStart() << ", end " << i.Bounds().End << ", blocks "
      << int(i.BlockCount()) << ", FilesCount " << i.FilesCount() << ", checksum "
      << i.PackageChecksum() << "\n";
  out << "flags: AnnounceTemp " << i.AnnounceTemp() << ", MoreDisks " << i.MoreDisks()
      << ", SpanCdCopy " << i.SpanCdCopy() << ", ShowActivity " << i.ShowActivity() << ", AgentLog "
      << i.AgentLog() << ", DownloadMode " << i.DownloadMode() << ", ConfirmDownload "
      << i.ConfirmDownload() << ", MakeAgent " << i.MakeAgent() << ", IsAutoUpdate "
      << i.IsAutoUpdate() << "\n";
  out << "space required by cluster size:";
  for (int k = 0; k < SpaceRequiredEntries; ++k) out << " " << (256 << k) << ":" << i.SpaceRequired(k);
  out << "\nlanguage block: " << Printable(i.LanguageBlock()) << "\n";
  out << "settings block: " << i.SettingsBlock() << "\n";
  if (i.BlockCount() > 2) out << "download block: " << i.DownloadBlock() << "\n";
  std::vector<TListedRecord> records;
  if (!ListPackage(path, records, error)) return false;
  out << "records:\n";
  for (const auto& r : records) {
    out << "  " << (r.Compressed ? "zlib  " : "stored") << " " << r.StoredSize << " -> " << r.Size
        << "  " << r.Name;
    if (!r.EngineHeader.empty()) out << "   [engine: " << r.EngineHeader << "]";
    out << "\n";
  }
  return true;
}

bool VerifyPackage(const std::string& path, std::ostream& out) {
  Opened o;
  std::string error;
  if (!Open(path, o, error)) {
    out << "FAIL " << error << "\n";
    return false;
  }
  bool ok = true;
  auto check = [&](bool good, const std::string& what) {
    out << (good ? "ok   " : "FAIL ") << what << "\n";
    ok = ok && good;
  };
  const TGFileInfo& i = o.Info;
  check(i.TrailerSize() == TrailerBytes, "trailer of " + std::to_string(i.TrailerSize()) + " bytes");
  check(true, "package magic");
  check(i.BlocksComplete(), "header blocks within the package");
  const std::uint32_t sum = PackageChecksum(*o.File, i.TrailerSize());
  check(ChecksumPasses(sum, i.PackageChecksum()),
        "checksum " + std::to_string(sum) + " (expected " + std::to_string(i.PackageChecksum()) + ")");
  std::string token;
  if (!i.SettingsItem(3).empty()) check(TryUnscrambleToken(i.SettingsItem(3), token), "update token");
  if (!i.DownloadItem(3).empty()) check(TryUnscrambleToken(i.DownloadItem(3), token), "download token");
  std::vector<TListedRecord> records;
  ListingSink sink(records);
  const TRecordWalk walk = ReadRecords(*o.File, i, sink);
  check(walk.ok(), walk.ok() ? std::to_string(walk.Records) + " records inflate" : WalkError(walk));
  if (walk.ok()) {
    check(static_cast<std::uint32_t>(walk.Records) == i.FilesCount(),
          "FilesCount " + std::to_string(i.FilesCount()) + " for " + std::to_string(walk.Records) +
              " records");
  }
  return ok;
}

namespace {

class FolderSink final : public RecordSink {
 public:
  FolderSink(std::string folder, std::uint32_t filesCount, const TExtractProgress& progress)
      : FFolder(std::move(folder)), FFilesCount(filesCount), FProgress(progress) {}
  ~FolderSink() { CloseFile(); }

  std::string Error;

  TAction BeginRecord(const TRecordInfo& r) override {
    if (FProgress) FProgress(r.Index, FFilesCount, r.Name);
    // Only names that passed IsPlainFileName reach here: the path stays inside the folder.
    FPath = JoinPath(FFolder, r.Name);
    FStamp = r.Stamp;
#ifdef _WIN32
    const bool again = !FSeen.insert(UpperCase(r.Name)).second;  // one file, whatever the case
#else
    const bool again = !FSeen.insert(r.Name).second;
#endif
    FFile = std::fopen(FPath.c_str(), again ? "ab" : "wb");
    if (!FFile) Error = "cannot write " + FPath;
    return TAction::Deliver;
  }
  bool Data(const char* p, std::size_t n) override {
    if (!FFile) return false;
    if (std::fwrite(p, 1, n, FFile) != n) {
      Error = "cannot write " + FPath;
      return false;
    }
    return true;
  }
  void EndRecord(bool complete) override {
    if (!FFile) return;
    const bool closed = CloseFile();
    if (!closed && Error.empty()) Error = "cannot write " + FPath;
    if (complete && closed) {
      SetFileStamp(FPath, FStamp);
    } else {
      std::remove(FPath.c_str());  // an incomplete file is worse than none
    }
  }
  bool Finish() {
    if (FFile && !CloseFile() && Error.empty()) Error = "cannot write " + FPath;
    return Error.empty();
  }

 private:
  bool CloseFile() {
    if (!FFile) return true;
    const bool ok = std::fclose(FFile) == 0;
    FFile = nullptr;
    return ok;
  }
  std::string FFolder, FPath;
  std::uint32_t FFilesCount;
  const TExtractProgress& FProgress;
  std::set<std::string> FSeen;
  std::FILE* FFile = nullptr;
  std::int64_t FStamp = 0;
};

}  // namespace

bool ExtractPackage(const std::string& path, const std::string& folder, std::string& error,
                    const TExtractProgress& progress) {
  Opened o;
  if (!Open(path, o, error)) return false;
  const std::uint32_t sum = PackageChecksum(*o.File, o.Info.TrailerSize());
  if (!ChecksumPasses(sum, o.Info.PackageChecksum())) {
    error = path + " fails its checksum";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(folder), ec);
  if (ec) {
    error = "cannot make " + folder + ": " + ec.message();
    return false;
  }
  FolderSink sink(folder, o.Info.FilesCount(), progress);
  const TRecordWalk walk = ReadRecords(*o.File, o.Info, sink);
  const bool written = sink.Finish();
  if (!written) {
    error = sink.Error;
    return false;
  }
  if (!walk.ok()) {
    error = WalkError(walk);
    return false;
  }
  return true;
}
