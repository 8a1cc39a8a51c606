// libFuzzer target: any bytes as a package file through TGFileInfo, the checksum, the tokens,
// the language lookup and the record walk. A record name that would leave the destination
// folder, or any crash, leak or sanitizer report, is a finding.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "stub/package/gfileinfo.h"
#include "stub/package/language.h"
#include "stub/package/package_checksum.h"
#include "stub/package/package_records.h"
#include "stub/package/token.h"

namespace {

class CheckingSink final : public RecordSink {
 public:
  std::uint64_t Bytes = 0;
  TAction BeginRecord(const TRecordInfo& r) override {
    const std::filesystem::path dest = "dest";
    const std::filesystem::path target = (dest / r.Name).lexically_normal();
    if (!IsPlainFileName(r.Name) || target.parent_path() != dest ||
        r.Name.find_first_of("\\/:") != std::string::npos) {
      std::abort();  // a name that leaves the destination folder got through
    }
    return (r.Index % 3 == 2) ? TAction::Skip : TAction::Deliver;
  }
  bool Data(const char*, std::size_t n) override {
    if (n == 0 || n > RecordPieceSize) std::abort();
    Bytes += n;
    return Bytes < (64u << 20);  // a tiny input may inflate hugely; enough is enough
  }
  void EndRecord(bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryByteSource src(data, size);
  TGFileInfo info(src);
  (void)info.InfoFileName();
  (void)info.OriginalFileName();
  (void)info.UpdateToken(true);
  (void)info.DownloadToken(true);
  (void)info.SameDownloadToken(info);
  const std::string section = ChooseLanguageSection(info.LanguageBlock(), "ENGLISH");
  (void)LangStringFromSection(section, "s0", "default");
  (void)LangStringFromSection(section, "FontSize", "8");
  (void)PackageChecksum(src, info.TrailerSize());
  std::string token;
  (void)TryUnscrambleToken(std::string_view(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 4096)), token);
  CheckingSink sink;
  (void)ReadRecords(src, info, sink);
  return 0;
}
