#include "stub/package/package_checksum.h"

#include <vector>

#include "stub/package/trailer.h"

std::uint32_t PackageChecksum(ByteSource& file, std::uint32_t trailerSize) {
  std::int64_t remaining = static_cast<std::int64_t>(file.Size());
  if (file.Size() > ChecksumSizeLimit) return NoChecksum;

  std::uint32_t pointer = 0;
  std::uint8_t mz[2], pe[2];
  if (ReadExact(file, 0, mz, 2) && ReadExact(file, PeMarkOffset, pe, 2) && mz[0] == 'M' &&
      mz[1] == 'Z' && pe[0] == 'P' && pe[1] == 'E') {
    ReadU32(file, EndPointerLowOffset, pointer);
    if (pointer != 0) remaining = pointer;
  }
  remaining -= trailerSize;
  std::uint64_t offset = 0;
  if (pointer != 0) {
    // A signed executable's header was rewritten by the signing; sum from past it.
    remaining -= 512;
    offset = 512;
  }

  std::uint32_t sum = 0;
  std::vector<std::uint8_t> block(4096);
  for (;;) {
    const std::size_t got = file.ReadAt(offset, block.data(), block.size());
    offset += got;
    for (std::size_t i = 0; i + 4 <= got; i += 4) {
      remaining -= 4;
      if (remaining > 4) sum += LoadU32(&block[i]);
    }
    if (remaining > 4) sum += NoChecksum;
    if (got < block.size()) break;
  }
  return sum;
}

std::uint32_t PackageChecksum(PackageFiles& files, const std::string& fileName,
                              std::uint32_t trailerSize) {
  const auto file = files.OpenForReading(fileName);
  return file ? PackageChecksum(*file, trailerSize) : NoChecksum;
}

bool ChecksumPasses(std::uint32_t computed, std::uint32_t expected) {
  return computed == expected || computed == NoChecksum || expected == NoChecksum;
}
