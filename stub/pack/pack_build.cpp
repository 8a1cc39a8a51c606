#include "stub/pack/pack_build.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include <zlib.h>

#include "stub/pack/pack_files.h"
#include "stub/package/package_checksum.h"
#include "stub/package/package_records.h"
#include "stub/package/token.h"
#include "stub/package/trailer.h"
#include "stub/support/strings.h"
#include "stub/support/sub.h"

namespace {

constexpr std::uint64_t MaxRecordBytes = 0x7FFF0000;  // a record's length word is signed 32-bit

bool WriteAll(std::FILE* f, const void* p, std::size_t n) { return std::fwrite(p, 1, n, f) == n; }

bool WriteU32(std::FILE* f, std::uint32_t v) {
  std::uint8_t b[4];
  StoreU32(b, v);
  return WriteAll(f, b, 4);
}

struct Piece {
  std::string Source;   // file read
  std::uint64_t From = 0, Size = 0;
  std::string Header;   // record header text
};

class Deflater {
 public:
  Deflater(std::FILE* out, int level) : FOut(out) { FOk = deflateInit(&FZ, level) == Z_OK; }
  ~Deflater() { deflateEnd(&FZ); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  bool Feed(const char* p, std::size_t n, bool last) {
    FZ.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(p));
    FZ.avail_in = static_cast<uInt>(n);
    int rc;
    do {
      FZ.next_out = FBuf;
      FZ.avail_out = sizeof FBuf;
      rc = deflate(&FZ, last ? Z_FINISH : Z_NO_FLUSH);
      if (rc == Z_STREAM_ERROR) return false;
      const std::size_t made = sizeof FBuf - FZ.avail_out;
      if (!WriteAll(FOut, FBuf, made)) return false;
      FWritten += made;
    } while (FZ.avail_out == 0 || (last && rc != Z_STREAM_END));
    return true;
  }
  bool Ok() const { return FOk; }
  std::uint64_t Written() const { return FWritten; }

 private:
  std::FILE* FOut;
  z_stream FZ{};
  Bytef FBuf[65536];
  bool FOk = false;
  std::uint64_t FWritten = 0;
};

bool WriteRecord(std::FILE* out, const Piece& piece, int level, std::string& error) {
  const std::uint64_t at = TellFile(out);
  if (!WriteU32(out, 0)) return false;
  auto deflater = std::make_unique<Deflater>(out, level);
  if (!deflater->Ok()) {
    error = "zlib could not start";
    return false;
  }
  std::string head = piece.Header;
  head += '\0';
  if (!deflater->Feed(head.data(), head.size(), piece.Size == 0)) return false;
  if (piece.Size > 0) {
    TFileCloser in(std::fopen(piece.Source.c_str(), "rb"));
    if (!in.F || !SeekFile(in.F, piece.From)) {
      error = "cannot read " + piece.Source;
      return false;
    }
    std::vector<char> buf(1 << 20);
    std::uint64_t left = piece.Size;
    while (left > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), left));
      if (std::fread(buf.data(), 1, want, in.F) != want) {
        error = "cannot read " + piece.Source + " (did it change while packing?)";
        return false;
      }
      left -= want;
      if (!deflater->Feed(buf.data(), want, left == 0)) return false;
    }
  }
  const std::uint64_t length = deflater->Written();
  if (length > MaxRecordBytes) {
    error = "record " + piece.Header + " compresses to more than 2 GiB; split it (--split-mb)";
    return false;
  }
  const std::uint64_t end = TellFile(out);
  if (!SeekFile(out, at) || !WriteU32(out, static_cast<std::uint32_t>(length)) || !SeekFile(out, end)) {
    return false;
  }
  return true;
}

std::vector<std::string> Items(const std::string& text) {
  std::string list = text;
  if (list.size() < 2 || list.front() != '|' || list.back() != '|') list = "|" + list + "|";
  return SUB::Items(list);
}

// The stub without any package already appended to it.
bool StubBytes(const std::string& path, std::string& bytes, std::string& error) {
  if (!ReadWholeFile(path, bytes)) {
    error = "cannot read the stub " + path;
    return false;
  }
  TMemoryByteSource src(bytes);
  TPackageTrailer trailer;
  if (ReadTrailer(src, trailer) && trailer.MagicMatches() && trailer.PackageStart() <= bytes.size()) {
    bytes.resize(trailer.PackageStart());
  }
  // The package must be found at the end of the file, not at an old end pointer.
  if (bytes.size() >= PeMarkOffset + 2 && bytes.compare(0, 2, "MZ") == 0 &&
      bytes.compare(PeMarkOffset, 2, "PE") == 0) {
    std::fill(bytes.begin() + EndPointerHighOffset, bytes.begin() + EndPointerLowOffset + 4, '\0');
  }
  return true;
}

}  // namespace

std::uint32_t SpaceForEntry(const std::vector<std::uint64_t>& fileSizes, int k) {
  const std::uint64_t cluster = k == 0 ? 512 : 256ull << k;
  std::uint64_t total = 0;
  for (const auto size : fileSizes) total += (size + cluster - 1) / cluster * cluster;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(total, UINT32_MAX));
}

std::string BlockWithScrambledToken(const std::string& items, std::uint32_t seed) {
  std::vector<std::string> list = Items(items);
  list.resize(std::max<std::size_t>(list.size(), 5));
  if (!list[3].empty()) list[3] = ScrambleToken(list[3], seed);
  return SUB::Make(list);
}

bool BuildPackage(const TBuildOptions& o, std::string& error, TBuildSummary* summary) {
  namespace fs = std::filesystem;
  std::string stub;
  if (!StubBytes(o.StubPath, stub, error)) return false;
  if (stub.size() > UINT32_MAX / 2) {
    error = "the stub is too large";
    return false;
  }
  const std::uint32_t seed =
      o.TokenSeed ? o.TokenSeed
                  : static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());

  // The records: the engine first, then the product files numbered and split.
  std::vector<Piece> pieces;
  std::vector<std::uint64_t> sizes;
  auto fileSize = [&](const std::string& path, std::uint64_t& size) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(path), ec)) {
      error = "not a file: " + path;
      return false;
    }
    size = fs::file_size(fs::path(path), ec);
    if (ec) error = "cannot read " + path;
    return !ec;
  };
  auto checkName = [&](const std::string& name, const std::string& path) {
    if (!IsPlainFileName(name)) {
      error = "\"" + name + "\" (from " + path + ") cannot be a file name in a package";
      return false;
    }
    return true;
  };
  if (!o.Engine.empty()) {
    const std::string path = TextBefore(o.Engine, "*", o.Engine);
    const std::string extra = TextAfter(o.Engine, "*");
    const std::string name = BaseName(path);
    std::uint64_t size = 0;
    if (!fileSize(path, size) || !checkName(name, path)) return false;
    if (extra.find('|') != std::string::npos) {
      error = "the engine's extra command line cannot hold \"|\"";
      return false;
    }
    if (size > MaxRecordBytes) {
      error = "the engine is larger than 2 GiB";
      return false;
    }
    const std::string recordName = o.Engine.find('*') == std::string::npos ? name : name + "*" + extra;
    pieces.push_back({path, 0, size, SUB::Make({recordName, std::to_string(FileStamp(path))})});
    sizes.push_back(size);
  }
  int number = 0;
  for (const auto& path : o.Files) {
    const std::string name = BaseName(path);
    std::uint64_t size = 0;
    if (!fileSize(path, size) || !checkName(name, path)) return false;
    std::string numbered = ZeroPad(number++, 5) + "#" + name;
    const std::string stamp = std::to_string(FileStamp(path));
    const std::uint64_t split = o.SplitSize == 0 ? std::max<std::uint64_t>(size, 1) : o.SplitSize;
    std::uint64_t from = 0;
    int part = 1;
    do {
      const std::uint64_t n = std::min(split, size - from);
      const std::string partName = part == 1 ? numbered : numbered + "." + ZeroPad(part, 5);
      pieces.push_back({path, from, n, SUB::Make({partName, stamp})});
      sizes.push_back(n);
      from += n;
      ++part;
    } while (from < size);
  }

  const std::string temp = o.OutPath + ".part";
  TFileCloser out(std::fopen(temp.c_str(), "wb+"));
  if (!out.F) {
    error = "cannot write " + temp;
    return false;
  }
  auto fail = [&](const std::string& message) {
    if (error.empty()) error = message;
    out.Close();
    std::remove(temp.c_str());
    return false;
  };
  const std::string settings = BlockWithScrambledToken(o.Settings, seed);
  const std::string download = o.HasDownload ? BlockWithScrambledToken(o.Download, seed + 1) : "";
  if (!WriteAll(out.F, stub.data(), stub.size())) return fail("cannot write " + temp);
  for (const std::string* block : {&o.LanguageBlock, &settings, &download}) {
    if (block == &download && !o.HasDownload) break;
    if (!WriteU32(out.F, static_cast<std::uint32_t>(block->size())) ||
        !WriteAll(out.F, block->data(), block->size())) {
      return fail("cannot write " + temp);
    }
  }
  for (const auto& piece : pieces) {
    if (!WriteRecord(out.F, piece, o.Level, error)) return fail("cannot write " + temp);
    if (TellFile(out.F) > UINT32_MAX - TrailerBytes) return fail("the package passes 4 GiB");
  }

  TPackageTrailer t;
  t.SetByte(0, 1);
  t.SetByte(trailer_field::BlockCount, o.HasDownload ? 3 : 2);
  t.SetU32(trailer_field::PackageStart, static_cast<std::uint32_t>(stub.size()));
  t.SetU32(trailer_field::FilesCount, static_cast<std::uint32_t>(pieces.size()));
  t.SetU32(trailer_field::PackageMagic, PackageMagicValue);
  for (int k = 0; k < SpaceRequiredEntries; ++k) {
    t.SetU32(trailer_field::SpaceRequired + 4 * k, SpaceForEntry(sizes, k));
  }
  t.SetByte(trailer_field::TrailerFlags, o.TrailerFlags & 0x1F);
  t.SetByte(trailer_field::DownloadMode, o.DownloadMode);
  t.SetByte(trailer_field::ConfirmDownload, o.ConfirmDownload);
  t.SetByte(trailer_field::MakeAgent, o.MakeAgent);
  t.SetByte(trailer_field::IsAutoUpdate, o.IsAutoUpdate);
  t.SetU32(trailer_field::TrailerSize, TrailerBytes);
  const std::uint64_t trailerAt = TellFile(out.F);
  if (!WriteAll(out.F, t.Bytes.data(), t.Bytes.size()) || std::fflush(out.F) != 0) {
    return fail("cannot write " + temp);
  }
  // The checksum leaves the trailer out, so it is summed over the written file and put in.
  std::uint32_t checksum;
  {
    const auto written = TStdioByteSource::Open(temp);
    if (!written) return fail("cannot read back " + temp);
    checksum = PackageChecksum(*written, TrailerBytes);
  }
  std::uint8_t sum[4];
  StoreU32(sum, checksum);
  if (!SeekFile(out.F, trailerAt + trailer_field::PackageChecksum) || !WriteAll(out.F, sum, 4) ||
      !out.Close()) {
    return fail("cannot write " + temp);
  }
  std::error_code ec;
  fs::rename(fs::path(temp), fs::path(o.OutPath), ec);
  if (ec) {
    std::remove(temp.c_str());
    error = "cannot replace " + o.OutPath + ": " + ec.message();
    return false;
  }
  if (summary) {
    summary->Records = static_cast<std::uint32_t>(pieces.size());
    summary->Checksum = checksum;
    summary->PackageBytes = trailerAt + TrailerBytes;
    summary->RecordNames.clear();
    for (const auto& p : pieces) summary->RecordNames.push_back(SUB::Item(p.Header, 0));
  }
  return true;
}
