#include "stub/support/platform.h"

#include "stub/support/fileversion.h"

namespace {

struct NameRow {
  std::uint32_t Major, Minor;
  const char* Name;
  std::uint32_t Code;
};

// Later tables override earlier ones for the same system.
constexpr NameRow NtRows[] = {
    {4, 0, "NT", 8},          {5, 0, "2000", 16},        {5, 1, "XP", 32},
    {5, 2, "2003", 64},       {6, 0, "Vista", 128},      {6, 1, "7", 1024},
    {6, 2, "8", 32'768},      {6, 3, "8.1", 262'144},    {10, 0, "10", 2'097'152},
};
constexpr NameRow Nt64Rows[] = {
    {5, 2, "XP.64", 256},        {6, 0, "Vista.64", 512},      {6, 1, "7.64", 2048},
    {6, 2, "8.64", 65'536},      {6, 3, "8.1.64", 524'288},    {10, 0, "10.64", 4'194'304},
};
constexpr NameRow Server64Rows[] = {
    {6, 0, "2008.64", 8192},
    {6, 1, "2008R2.64", 16'384},
    {6, 2, "2012.64", 131'072},
    {6, 3, "2012R2.64", 1'048'576},
};
constexpr NameRow Server32Rows[] = {
    {6, 0, "2008", 4096},
};

template <std::size_t N>
bool Apply(const NameRow (&rows)[N], const TPlatformVersion& v, TPlatformName& name) {
  for (const NameRow& r : rows) {
    if (r.Major == v.Major && r.Minor == v.Minor) {
      name.Name = r.Name;
      name.Code = r.Code;
      return true;
    }
  }
  return false;
}

bool AtLeast(const TPlatformVersion& v, std::uint32_t major, std::uint32_t minor) {
  return v.Major > major || (v.Major == major && v.Minor >= minor);
}

}  // namespace

bool IsNT(const TPlatformVersion& v) { return v.PlatformId == PlatformNT; }
bool IsXP(const TPlatformVersion& v) { return IsNT(v) && v.Major == 5 && v.Minor == 1; }
bool IsWindows8OrLater(const TPlatformVersion& v) { return IsNT(v) && AtLeast(v, 6, 2); }

bool WantsKernelVersion(const TPlatformVersion& v) { return IsNT(v) && AtLeast(v, 6, 2); }

void ApplyKernelVersion(TPlatformVersion& v, const std::string& productVersion) {
  // "10, 0, 19041, 1" and "10.0.19041.1 (build tag)" both give 10, 0, 19041.
  const std::string numbers = NormaliseVersion(productVersion, 1, 3);
  std::uint32_t parts[3] = {};
  std::size_t n = 0;
  std::uint64_t current = 0;
  bool digits = false;
  for (const char c : numbers + ".") {
    if (c == '.') {
      if (!digits || n == 3) return;
      parts[n++] = static_cast<std::uint32_t>(current);
      current = 0;
      digits = false;
    } else {
      current = current * 10 + static_cast<std::uint32_t>(c - '0');
      if (current > 0xFFFFFFFFu) return;
      digits = true;
    }
  }
  if (n < 3) return;
  TPlatformVersion k = v;
  k.Major = parts[0];
  k.Minor = parts[1];
  k.Build = parts[2];
  if (!AtLeast(k, v.Major, v.Minor)) return;
  v = k;
}

TPlatformName PlatformName(const TPlatformVersion& v) {
  TPlatformName name;
  name.Version = std::to_string(v.Major) + "." + std::to_string(v.Minor);
  switch (v.PlatformId) {
    case PlatformWin32s:
      name.Name = "32S";
      name.Code = 0;
      break;
    case PlatformWindows9x:
      name.Name = "9x";
      name.Code = 1;
      if (v.Major == 4 && v.Minor == 0) {
        name.Name = "95";
        name.Code = 1;
      }
      if (v.Major == 4 && v.Minor == 10) {
        name.Name = "98";
        name.Code = 2;
      }
      if ((v.Major == 4 && v.Minor == 10 && v.Build == 3000) || (v.Major == 4 && v.Minor == 90)) {
        name.Name = "ME";
        name.Code = 4;
      }
      break;
    default:
      name.Name = "NTx";
      name.Code = 8;
      Apply(NtRows, v, name);
      if (v.Is64Bit) Apply(Nt64Rows, v, name);
      if (v.IsServer && v.Is64Bit) Apply(Server64Rows, v, name);
      if (v.IsServer && !v.Is64Bit) Apply(Server32Rows, v, name);
      break;
  }
  return name;
}
