#pragma once
// Writing a package onto a stub executable: the stub's bytes, the language, settings and
// (for a web installer) download blocks, one zlib record per file piece, and the trailer
// with FilesCount, SpaceRequired per cluster size, the flags and the checksum.
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::uint64_t DefaultSplitSize = 5'242'880;

struct TBuildOptions {
  std::string StubPath;
  std::string OutPath;
  std::string LanguageBlock;  // the block itself (see language_text.h for its readable form)
  // Five items separated by "|" (outer "|" optional); item 3 is the plain update token and
  // is written scrambled.
  std::string Settings;
  // The same for the download block (item 3 the plain download token); empty: no block.
  std::string Download;
  bool HasDownload = false;
  // Engine file path, optionally "*" and what the stub appends to the engine's command line.
  std::string Engine;
  std::uint8_t TrailerFlags = 0;
  bool DownloadMode = false, ConfirmDownload = false, MakeAgent = false, IsAutoUpdate = false;
  std::uint64_t SplitSize = DefaultSplitSize;  // 0: files are never split
  int Level = 6;                               // zlib level
  std::uint32_t TokenSeed = 0;                 // 0: taken from the clock
  std::vector<std::string> Files;              // product files, numbered in this order
};

struct TBuildSummary {
  std::uint32_t Records = 0;
  std::uint32_t Checksum = 0;
  std::uint64_t PackageBytes = 0;
  std::vector<std::string> RecordNames;
};

// Space a file set needs on a drive with the cluster size of entry k (0 ... 8): every file
// rounded up to whole clusters of 256 x 2^k bytes (512 for entry 0), held to 32 bits.
std::uint32_t SpaceForEntry(const std::vector<std::uint64_t>& fileSizes, int k);

// The settings or download list of the items text with its token (item 3) scrambled.
std::string BlockWithScrambledToken(const std::string& items, std::uint32_t seed);

// Writes the package to OutPath (through a temporary file beside it, so a failed build
// leaves no half-written package). False with a message on failure.
bool BuildPackage(const TBuildOptions& options, std::string& error, TBuildSummary* summary = nullptr);
