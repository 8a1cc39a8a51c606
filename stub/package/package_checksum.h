#pragma once
// The additive checksum of a package file. Only files of up to 51,200 bytes are summed; larger
// ones give NoChecksum at once and rely on the zlib streams' own checks.
#include <cstdint>
#include <string>

#include "stub/package/byte_source.h"

inline constexpr std::uint64_t ChecksumSizeLimit = 51'200;

// The checksum of file for a trailer of trailerSize bytes (the trailer and the last word
// before it never count, so writing the checksum into the trailer leaves it unchanged).
std::uint32_t PackageChecksum(ByteSource& file, std::uint32_t trailerSize);
// The same for a named file; NoChecksum when it cannot be opened.
std::uint32_t PackageChecksum(PackageFiles& files, const std::string& fileName,
                              std::uint32_t trailerSize);
// Through the platform's files (Win32 layer).
std::uint32_t PackageChecksum(const std::string& fileName, std::uint32_t trailerSize);

// A package passes when the sum equals the expected value or either of them is NoChecksum.
bool ChecksumPasses(std::uint32_t computed, std::uint32_t expected);
