#pragma once
// Package bytes assembled by hand for the reader's tests, independent of the pack tool.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <zlib.h>

#include "stub/package/trailer.h"

namespace package_fixture {

inline std::string U32(std::uint32_t v) {
  std::string s(4, '\0');
  StoreU32(reinterpret_cast<std::uint8_t*>(s.data()), v);
  return s;
}

// A stand-in executable image: "MZ", "PE" at 256, filler, optionally an end pointer.
inline std::string StubImage(std::size_t size = 600, std::uint32_t endPointer = 0) {
  std::string s(size, '\x90');
  s[0] = 'M';
  s[1] = 'Z';
  s.replace(EndPointerHighOffset, 4, U32(0));
  s.replace(EndPointerLowOffset, 4, U32(endPointer));
  s[PeMarkOffset] = 'P';
  s[PeMarkOffset + 1] = 'E';
  return s;
}

inline std::string Block(std::string_view text) { return U32(static_cast<std::uint32_t>(text.size())) + std::string(text); }

inline std::string Zlib(std::string_view content, int level = 6) {
  uLongf size = compressBound(static_cast<uLong>(content.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size,
            reinterpret_cast<const Bytef*>(content.data()), static_cast<uLong>(content.size()), level);
  out.resize(size);
  return out;
}

// A record: header, NUL, data; zlib-compressed unless stored.
inline std::string Record(std::string_view header, std::string_view data, bool stored = false) {
  std::string content(header);
  content += '\0';
  content += data;
  if (stored) return U32(static_cast<std::uint32_t>(-static_cast<std::int32_t>(content.size()))) + content;
  const std::string z = Zlib(content);
  return U32(static_cast<std::uint32_t>(z.size())) + z;
}

struct TrailerFields {
  std::uint8_t BlockCount = 2;
  std::uint32_t FilesCount = 0;
  std::uint32_t Magic = PackageMagicValue;
  std::uint32_t Checksum = NoChecksum;
  std::uint32_t Space[9] = {};
  std::uint8_t Flags = 0, DownloadMode = 0, ConfirmDownload = 0, MakeAgent = 0, IsAutoUpdate = 0;
};

inline std::string Trailer(std::uint32_t packageStart, const TrailerFields& f) {
  TPackageTrailer t;
  t.SetByte(0, 1);
  t.SetByte(trailer_field::BlockCount, f.BlockCount);
  t.SetU32(trailer_field::PackageStart, packageStart);
  t.SetU32(trailer_field::FilesCount, f.FilesCount);
  t.SetU32(trailer_field::PackageMagic, f.Magic);
  t.SetU32(trailer_field::PackageChecksum, f.Checksum);
  for (int k = 0; k < 9; ++k) t.SetU32(trailer_field::SpaceRequired + 4 * k, f.Space[k]);
  t.SetByte(trailer_field::TrailerFlags, f.Flags);
  t.SetByte(trailer_field::DownloadMode, f.DownloadMode);
  t.SetByte(trailer_field::ConfirmDownload, f.ConfirmDownload);
  t.SetByte(trailer_field::MakeAgent, f.MakeAgent);
  t.SetByte(trailer_field::IsAutoUpdate, f.IsAutoUpdate);
  t.SetU32(trailer_field::TrailerSize, TrailerBytes);
  return std::string(reinterpret_cast<const char*>(t.Bytes.data()), t.Bytes.size());
}

// stub + blocks + records + trailer.
inline std::string Package(const std::string& stub, const std::vector<std::string>& blocks,
                           const std::vector<std::string>& records, TrailerFields f = {}) {
  std::string s = stub;
  const auto start = static_cast<std::uint32_t>(s.size());
  for (const auto& b : blocks) s += Block(b);
  for (const auto& r : records) s += r;
  return s + Trailer(start, f);
}

}  // namespace package_fixture
