#include "stub/package/agent_image.h"

#include "stub/package/gfileinfo.h"

bool AgentExecutableImage(ByteSource& file, std::string& image) {
  image.clear();
  const TGFileInfo info(file);
  if (!info.HasPackage() || !info.BlocksComplete()) return false;
  std::string* none[3] = {};
  std::uint64_t recordsStart = 0;
  if (!ReadHeaderBlocks(file, info.PackageStart(), info.Bounds().TrailerStart,
                        info.BlockCount() > 2 ? 3 : 2, none, &recordsStart)) {
    return false;
  }
  image.resize(static_cast<std::size_t>(recordsStart));
  if (!ReadExact(file, 0, image.data(), image.size())) {
    image.clear();
    return false;
  }
  if (image.size() >= EndPointerLowOffset + 4) image.replace(EndPointerLowOffset, 4, 4, '\0');
  TPackageTrailer trailer = info.Trailer();
  trailer.SetByte(trailer_field::IsAutoUpdate, 1);
  trailer.SetU32(trailer_field::TrailerSize, TrailerBytes);
  image.append(reinterpret_cast<const char*>(trailer.Bytes.data()), trailer.Bytes.size());
  return true;
}
