#pragma once
// Version numbers of files, from their version resources.
#include <cstddef>
#include <optional>
#include <string>

// Bytes at least given to one version resource.
inline constexpr std::size_t VersionBlockMinBytes = 16'384;

// The platform's version-resource functions.
class VersionResources {
 public:
  // The path of the running executable.
  virtual std::string RunningExecutable() = 0;
  // The whole version resource of file in a buffer of at least minBytes, nullopt when the
  // file has none.
  virtual std::optional<std::string> LoadBlock(const std::string& file, std::size_t minBytes) = 0;
  // The bytes of subBlock inside block ("\" for the fixed block), nullopt when it is absent.
  // String values come with their terminating NUL when the resource stores one. The platform
  // may use the block as its scratch space.
  virtual std::optional<std::string> Query(std::string& block,
                                           const std::string& subBlock) = 0;

 protected:
  ~VersionResources() = default;
};

// The real version functions (Win32 layer).
VersionResources& SystemVersionResources();

// A version text brought to a form: "," becomes ".", everything but digits and "." goes, and
// the first count numbers are joined with ".", each zero-padded to width. Only done when width
// is above 1 or count below 4 (else the text is returned as it is); a count below 1 keeps
// every number, and a text without digits gives the empty text.
std::string NormaliseVersion(const std::string& text, int width, int count);

// "major.minor.release.build" of the fixed version block of file (the running executable when
// empty), normalised by width and count; empty on failure (one debug-log line).
std::string GetExeVersion(VersionResources& resources, const std::string& file = {},
                          int width = 1, int count = 4);
std::string GetExeVersion(const std::string& file = {}, int width = 1, int count = 4);

// The "ProductVersion" string of the first language of file (the running executable when
// empty), "," turned into ".", normalised by width and count; empty on failure.
std::string GetProductVersion(VersionResources& resources, const std::string& file = {},
                              int width = 1, int count = 4);
std::string GetProductVersion(const std::string& file = {}, int width = 1, int count = 4);
