#include "stub/package/byte_source.h"

#include <algorithm>
#include <cstring>

bool ReadExact(ByteSource& source, std::uint64_t offset, void* buffer, std::size_t n) {
  const std::uint64_t size = source.Size();
  if (offset > size || size - offset < n) return false;
  return source.ReadAt(offset, buffer, n) == n;
}

bool ReadU32(ByteSource& source, std::uint64_t offset, std::uint32_t& value) {
  std::uint8_t b[4];
  if (!ReadExact(source, offset, b, 4)) return false;
  value = LoadU32(b);
  return true;
}

std::uint32_t LoadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreU32(std::uint8_t* p, std::uint32_t value) {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

std::size_t TMemoryByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) {
  if (offset >= FBytes.size()) return 0;
  const std::size_t count =
      static_cast<std::size_t>(std::min<std::uint64_t>(n, FBytes.size() - offset));
  std::memcpy(buffer, FBytes.data() + offset, count);
  return count;
}

namespace {

bool SeekTo(std::FILE* f, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool SeekEnd(std::FILE* f, std::uint64_t& size) {
#ifdef _WIN32
  if (_fseeki64(f, 0, SEEK_END) != 0) return false;
  const long long pos = _ftelli64(f);
#else
  if (fseeko(f, 0, SEEK_END) != 0) return false;
  const off_t pos = ftello(f);
#endif
  if (pos < 0) return false;
  size = static_cast<std::uint64_t>(pos);
  return true;
}

class StdioFiles final : public PackageFiles {
 public:
  std::unique_ptr<ByteSource> OpenForReading(const std::string& path) override {
    return TStdioByteSource::Open(path);
  }
};

}  // namespace

std::unique_ptr<TStdioByteSource> TStdioByteSource::Open(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return nullptr;
  std::uint64_t size = 0;
  if (!SeekEnd(f, size)) {
    std::fclose(f);
    return nullptr;
  }
  return std::unique_ptr<TStdioByteSource>(new TStdioByteSource(f, size));
}

TStdioByteSource::~TStdioByteSource() { std::fclose(FFile); }

std::size_t TStdioByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) {
  if (offset >= FSize || n == 0) return 0;
  if (offset != FPosition && !SeekTo(FFile, offset)) {
    FPosition = UINT64_MAX;
    return 0;
  }
  const std::size_t got = std::fread(buffer, 1, n, FFile);
  FPosition = got == n ? offset + got : UINT64_MAX;
  if (got != n) std::clearerr(FFile);
  return got;
}

PackageFiles& StdioPackageFiles() {
  static StdioFiles files;
  return files;
}
