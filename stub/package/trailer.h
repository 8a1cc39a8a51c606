#pragma once
// The 74-byte package trailer at the end of a package and how it is found, also in a signed
// executable whose header names where the package ends.
#include <array>
#include <cstddef>
#include <cstdint>

#include "stub/package/byte_source.h"

inline constexpr std::size_t TrailerBytes = 74;
inline constexpr std::uint32_t PackageMagicValue = 0x4A3B2C1D;
// The checksum value that means "no check" (and the checksum of a file too large to sum).
inline constexpr std::uint32_t NoChecksum = 1234;
// Offsets of the package end pointer in the executable header, and of the "PE" mark.
inline constexpr std::size_t EndPointerHighOffset = 248;
inline constexpr std::size_t EndPointerLowOffset = 252;
inline constexpr std::size_t PeMarkOffset = 256;

// Field offsets inside the trailer.
namespace trailer_field {
inline constexpr std::size_t BlockCount = 1;
inline constexpr std::size_t PackageStart = 4;
inline constexpr std::size_t FilesCount = 8;
inline constexpr std::size_t PackageMagic = 12;
inline constexpr std::size_t PackageChecksum = 16;
inline constexpr std::size_t SpaceRequired = 28;  // nine 32-bit entries
inline constexpr std::size_t TrailerFlags = 65;
inline constexpr std::size_t DownloadMode = 66;
inline constexpr std::size_t ConfirmDownload = 67;
inline constexpr std::size_t MakeAgent = 68;
inline constexpr std::size_t IsAutoUpdate = 69;
inline constexpr std::size_t TrailerSize = 70;
}  // namespace trailer_field

// Bits of TrailerFlags.
namespace trailer_flag {
inline constexpr std::uint8_t AnnounceTemp = 1;
inline constexpr std::uint8_t MoreDisks = 2;
inline constexpr std::uint8_t SpanCdCopy = 4;
inline constexpr std::uint8_t ShowActivity = 8;
inline constexpr std::uint8_t AgentLog = 16;
}  // namespace trailer_flag

inline constexpr int SpaceRequiredEntries = 9;

struct TPackageTrailer {
  std::array<std::uint8_t, TrailerBytes> Bytes{};

  std::uint8_t Byte(std::size_t offset) const { return Bytes[offset]; }
  std::uint32_t U32(std::size_t offset) const { return LoadU32(&Bytes[offset]); }
  void SetByte(std::size_t offset, std::uint8_t v) { Bytes[offset] = v; }
  void SetU32(std::size_t offset, std::uint32_t v) { StoreU32(&Bytes[offset], v); }

  std::uint8_t BlockCount() const { return Byte(trailer_field::BlockCount); }
  std::uint32_t PackageStart() const { return U32(trailer_field::PackageStart); }
  std::uint32_t FilesCount() const { return U32(trailer_field::FilesCount); }
  std::uint32_t PackageMagic() const { return U32(trailer_field::PackageMagic); }
  std::uint32_t PackageChecksum() const { return U32(trailer_field::PackageChecksum); }
  // Entry k (0 ... 8); 0 for any other k.
  std::uint32_t SpaceRequired(int k) const {
    return k < 0 || k >= SpaceRequiredEntries ? 0 : U32(trailer_field::SpaceRequired + 4 * k);
  }
  std::uint8_t TrailerFlags() const { return Byte(trailer_field::TrailerFlags); }
  std::uint32_t TrailerSize() const { return U32(trailer_field::TrailerSize); }
  bool MagicMatches() const { return PackageMagic() == PackageMagicValue; }
};

// Where a package lies in its file.
struct TPackageBounds {
  // The package end: the end pointer of a signed executable, else the file size.
  std::uint64_t End = 0;
  // First byte of the trailer (End minus the trailer length word).
  std::uint64_t TrailerStart = 0;
};

// The package end pointer of an executable ("MZ" at 0, "PE" at 256), or 0 when the file is
// not such an executable or its pointer is 0.
std::uint64_t PackageEndPointer(ByteSource& file);

// Fills trailer from the package's end. A trailer length word below 4, a length or an end
// pointer that reaches beyond the file's bytes, or a file too short to hold a length word
// mean that the file carries no package: the trailer is then all zero and the result false.
// A shorter trailer leaves its missing fields 0, a longer one has its extra bytes ignored;
// TrailerSize holds the length word and a BlockCount of 0 reads as 2.
bool ReadTrailer(ByteSource& file, TPackageTrailer& trailer, TPackageBounds* bounds = nullptr);
