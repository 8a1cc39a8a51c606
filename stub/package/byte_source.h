#pragma once
// Random-access reading of a package file. The package code reads every byte through this
// interface, so that tests and the fuzz target can hand it packages held in memory and the
// stub its own executable opened with shared access.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Bytes in the source.
  virtual std::uint64_t Size() = 0;
  // Copies up to n bytes from offset into buffer and returns how many it copied: fewer only
  // at the end of the source or on a read failure, 0 for an offset at or beyond the end.
  virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) = 0;
};

// n bytes from offset, or false (buffer content then unspecified) when the source holds fewer.
bool ReadExact(ByteSource& source, std::uint64_t offset, void* buffer, std::size_t n);
// A little-endian 32-bit value at offset; false when the source holds fewer than 4 bytes there.
bool ReadU32(ByteSource& source, std::uint64_t offset, std::uint32_t& value);

std::uint32_t LoadU32(const std::uint8_t* p);
void StoreU32(std::uint8_t* p, std::uint32_t value);

// Bytes held by the caller, who keeps them alive while the source is used.
class TMemoryByteSource final : public ByteSource {
 public:
  explicit TMemoryByteSource(std::string_view bytes) : FBytes(bytes) {}
  TMemoryByteSource(const void* data, std::size_t size)
      : FBytes(static_cast<const char*>(data), size) {}
  std::uint64_t Size() override { return FBytes.size(); }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override;

 private:
  std::string_view FBytes;
};

// A file read through the C library; what the host tool and portable code use.
class TStdioByteSource final : public ByteSource {
 public:
  // nullptr when the file cannot be opened for reading.
  static std::unique_ptr<TStdioByteSource> Open(const std::string& path);
  ~TStdioByteSource() override;
  TStdioByteSource(const TStdioByteSource&) = delete;
  TStdioByteSource& operator=(const TStdioByteSource&) = delete;

  std::uint64_t Size() override { return FSize; }
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override;

 private:
  TStdioByteSource(std::FILE* file, std::uint64_t size) : FFile(file), FSize(size) {}
  std::FILE* FFile;
  std::uint64_t FSize;
  std::uint64_t FPosition = UINT64_MAX;  // where the stream stands, to save a seek
};

// Opens package files by name.
class PackageFiles {
 public:
  // The file opened for shared reading, or nullptr when it is missing or cannot be opened.
  virtual std::unique_ptr<ByteSource> OpenForReading(const std::string& path) = 0;

 protected:
  ~PackageFiles() = default;
};

// Files through the C library (portable).
PackageFiles& StdioPackageFiles();
// The platform's files, opened with shared access (Win32 layer).
PackageFiles& SystemPackageFiles();
