#include "stub/package/trailer.h"

#include <algorithm>

std::uint64_t PackageEndPointer(ByteSource& file) {
  std::uint8_t mz[2], pe[2];
  if (!ReadExact(file, 0, mz, 2) || !ReadExact(file, PeMarkOffset, pe, 2)) return 0;
  if (mz[0] != 'M' || mz[1] != 'Z' || pe[0] != 'P' || pe[1] != 'E') return 0;
  std::uint32_t high = 0, low = 0;
  if (!ReadU32(file, EndPointerHighOffset, high) || !ReadU32(file, EndPointerLowOffset, low)) {
    return 0;
  }
  return static_cast<std::uint64_t>(high) << 32 | low;
}

bool ReadTrailer(ByteSource& file, TPackageTrailer& trailer, TPackageBounds* bounds) {
  trailer = TPackageTrailer{};
  if (bounds) *bounds = TPackageBounds{};
  const std::uint64_t size = file.Size();
  std::uint64_t end = size;
  const std::uint64_t pointer = PackageEndPointer(file);
  if (pointer > 0) {
    // A pointer beyond the file names bytes that are not there: no package to read.
    if (pointer > size) return false;
    end = pointer;
  }
  std::uint32_t length = 0;
  if (end < 4 || !ReadU32(file, end - 4, length)) return false;
  if (length < 4 || length > end) return false;

  const std::uint64_t start = end - length;
  const std::size_t count = std::min<std::size_t>(TrailerBytes, length) - 4;
  if (count > 0 && !ReadExact(file, start, trailer.Bytes.data(), count)) {
    trailer = TPackageTrailer{};
    return false;
  }
  trailer.SetU32(trailer_field::TrailerSize, length);
  if (trailer.BlockCount() == 0) trailer.SetByte(trailer_field::BlockCount, 2);
  if (bounds) *bounds = TPackageBounds{end, start};
  return true;
}
