#pragma once
// Reading packages back: listing the records, verifying everything a stub checks (and the
// zlib streams it would inflate), and extracting the records into a folder.
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct TListedRecord {
  std::string Name;
  std::string EngineHeader;
  std::int64_t Stamp = 0;
  bool Compressed = false;
  std::uint32_t StoredSize = 0;
  std::uint64_t Size = 0;  // the data's bytes after inflating
};

// The records with their inflated sizes; false with a message when the walk fails.
bool ListPackage(const std::string& path, std::vector<TListedRecord>& records, std::string& error);
// Writes the trailer fields, the blocks and the records as text.
bool PrintPackage(const std::string& path, std::ostream& out, std::string& error);

// Checks trailer, magic, header blocks, checksum, every zlib stream, every name and
// FilesCount; writes one line per finding. True when the package is sound.
bool VerifyPackage(const std::string& path, std::ostream& out);

// Called before each record is written: record index (from 0), FilesCount, name.
using TExtractProgress = std::function<void(int, std::uint32_t, const std::string&)>;

// Writes every record into folder (made when missing): a name met twice in one run is
// appended to the earlier file; a file left incomplete by a damaged record is removed.
bool ExtractPackage(const std::string& path, const std::string& folder, std::string& error,
                    const TExtractProgress& progress = {});
