// Extraction speed: a generated 500 MB package (compressible and random files) extracted by
// the package code, next to a plain zlib loop that inflates the same streams into the same
// files. The package is made once, in a scratch folder that is removed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "stub/pack/pack_build.h"
#include "stub/pack/pack_files.h"
#include "stub/pack/pack_examine.h"
#include "stub/package/gfileinfo.h"
#include "stub/package/package_records.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 25;
constexpr std::size_t kFileSize = 20 * 1000 * 1000;  // 25 x 20 MB = 500 MB

struct Stream {
  std::uint64_t Offset;
  std::uint32_t Size;
  std::string Name;
};

class ListingSink final : public RecordSink {
 public:
  std::vector<Stream> Streams;
  TAction BeginRecord(const TRecordInfo& r) override {
    Streams.push_back({r.Offset + 4, r.StoredSize, r.Name});
    return TAction::Skip;
  }
  bool Data(const char*, std::size_t) override { return true; }
  void EndRecord(bool) override {}
};

struct Fixture {
  fs::path Root;
  std::string Package;
  std::vector<Stream> Streams;

  Fixture() {
    Root = fs::temp_directory_path() / "tallowin_bench_package";
    fs::remove_all(Root);
    fs::create_directories(Root / "in");
    std::mt19937 random(42);
    std::string stub(4096, '\0');
    stub[0] = 'M';
    stub[1] = 'Z';
    stub[256] = 'P';
    stub[257] = 'E';
    TBuildOptions o;
    o.StubPath = (Root / "Tallowin.exe").string();
    std::FILE* f = std::fopen(o.StubPath.c_str(), "wb");
    std::fwrite(stub.data(), 1, stub.size(), f);
    std::fclose(f);
    const char* words[] = {"pad ", "trace ", "net ", "via ", "layer ", "copper ", "mask ", "1.27 "};
    for (int i = 0; i < kFiles; ++i) {
      std::string bytes;
      bytes.reserve(kFileSize);
      if (i % 2 == 0) {
        while (bytes.size() < kFileSize) bytes += words[random() % 8];
        bytes.resize(kFileSize);
      } else {
        bytes.resize(kFileSize);
        for (auto& c : bytes) c = static_cast<char>(random());
      }
      const std::string path = (Root / "in" / ("file " + std::to_string(i) + ".bin")).string();
      f = std::fopen(path.c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
      o.Files.push_back(path);
    }
    o.OutPath = (Root / "Setup.exe").string();
    o.Level = 1;
    std::string error;
    if (!BuildPackage(o, error)) {
      std::fprintf(stderr, "bench_package: %s\n", error.c_str());
      std::exit(1);
    }
    fs::remove_all(Root / "in");
    Package = o.OutPath;
    auto file = TStdioByteSource::Open(Package);
    TGFileInfo info(*file);
    ListingSink sink;
    ReadRecords(*file, info, sink);
    Streams = std::move(sink.Streams);
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_ExtractPackage(benchmark::State& state) {
  Fixture& fx = Shared();
  const std::string out = (fx.Root / "ours").string();
  for (auto _ : state) {
    std::string error;
    if (!ExtractPackage(fx.Package, out, error)) state.SkipWithError(error.c_str());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles * kFileSize);
}

// The plain loop: each stream read whole, inflated in 256 KiB steps, the bytes after the
// header's NUL written to the file.
void BM_PlainZlibLoop(benchmark::State& state) {
  Fixture& fx = Shared();
  const fs::path out = fx.Root / "plain";
  fs::create_directories(out);
  std::vector<unsigned char> in, buf(256 * 1024);
  for (auto _ : state) {
    std::FILE* pkg = std::fopen(fx.Package.c_str(), "rb");
    for (const auto& s : fx.Streams) {
      in.resize(s.Size);
      SeekFile(pkg, s.Offset);
      if (std::fread(in.data(), 1, in.size(), pkg) != in.size()) state.SkipWithError("short read");
      std::FILE* target = std::fopen((out / s.Name).string().c_str(), "wb");
      z_stream z{};
      inflateInit(&z);
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(in.size());
      bool header = true;
      int rc = Z_OK;
      while (rc != Z_STREAM_END) {
        z.next_out = buf.data();
        z.avail_out = static_cast<uInt>(buf.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc < 0) {
          state.SkipWithError("inflate");
          break;
        }
        unsigned char* p = buf.data();
        std::size_t n = buf.size() - z.avail_out;
        if (header) {
          auto* nul = static_cast<unsigned char*>(std::memchr(p, 0, n));
          if (nul) {
            header = false;
            n -= nul + 1 - p;
            p = nul + 1;
          } else {
            n = 0;
          }
        }
        std::fwrite(p, 1, n, target);
      }
      inflateEnd(&z);
      std::fclose(target);
    }
    std::fclose(pkg);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles * kFileSize);
}

BENCHMARK(BM_ExtractPackage)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PlainZlibLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExtractPackage)->Unit(benchmark::kMillisecond)->Iterations(3)->Name("BM_ExtractPackage/again");

}  // namespace

BENCHMARK_MAIN();
