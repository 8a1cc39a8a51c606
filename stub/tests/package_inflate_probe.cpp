// A record that inflates to 1 GiB streams through the record walk into a discarding sink;
// the process's peak memory must stay below 64 MiB. Prints what it measured; exit code 1
// when a check fails. Host only (it reads the peak from getrusage).
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "stub/package/gfileinfo.h"
#include "stub/package/package_records.h"
#include "stub/tests/package_fixture.h"

namespace {

constexpr std::uint64_t kInflated = 1ull << 30;

class DiscardingSink final : public RecordSink {
 public:
  std::uint64_t Bytes = 0;
  TAction BeginRecord(const TRecordInfo&) override { return TAction::Deliver; }
  bool Data(const char*, std::size_t n) override {
    Bytes += n;
    return true;
  }
  void EndRecord(bool complete) override { Complete = complete; }
  bool Complete = false;
};

// Raw deflate blocks of bytes, ended by a full flush: they need nothing before them, so
// copies of them can follow each other in one stream.
std::string RawBlocks(const std::string& bytes) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(bytes.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FULL_FLUSH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// A zlib stream of: header, NUL, then 1 GiB of a repeating pattern. Made from one deflated
// MiB repeated, so that making it takes far less time than inflating it.
std::string HugeStream() {
  const std::string head = std::string("|huge.bin|0|") + '\0';
  std::string piece(1 << 20, '\0');
  for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = "tallowin"[i % 8];
  const std::string rawHead = RawBlocks(head), rawPiece = RawBlocks(piece);
  uLong adler = adler32(1, reinterpret_cast<const Bytef*>(head.data()), static_cast<uInt>(head.size()));
  const uLong pieceAdler = adler32(1, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size()));
  std::string out = "\x78\xDA" + rawHead;
  for (std::uint64_t done = 0; done < kInflated; done += piece.size()) {
    out += rawPiece;
    adler = adler32_combine(adler, pieceAdler, static_cast<z_off_t>(piece.size()));
  }
  out += std::string("\x03\x00", 2);  // the final, empty block
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
  return out;
}

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  using namespace package_fixture;
  const std::string stream = HugeStream();
  const std::string bytes =
      Package(StubImage(), {"", ""}, {U32(static_cast<std::uint32_t>(stream.size())) + stream});
  TMemoryByteSource src(bytes);
  TGFileInfo info(src);
  DiscardingSink sink;
  const TRecordWalk walk = ReadRecords(src, info, sink);
  const long peak = PeakKiB();
  std::printf("zlib stream %zu bytes, inflated %llu bytes, walk %s, peak memory %ld KiB\n",
              stream.size(), static_cast<unsigned long long>(sink.Bytes),
              std::string(RecordStatusText(walk.Status)).c_str(), peak);
  const bool ok = walk.ok() && sink.Complete && sink.Bytes == kInflated && peak < 64 * 1024;
  std::printf("%s\n", ok ? "PASS" : "FAIL");
  return ok ? 0 : 1;
}
