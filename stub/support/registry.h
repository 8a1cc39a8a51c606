#pragma once
// Registry reads: a key path names its root ("HKEY_LOCAL_MACHINE\Software\..." or the short
// form "HKLM\Software\..."), or is a subkey of HKEY_CURRENT_USER.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

struct TRegistryPath {
  RegistryRoot Root = RegistryRoot::CurrentUser;
  std::string SubKey;
};

// The root and subkey of a key path. When the trimmed path begins with "HK" (any case) the
// part before the first "\" names the root (an unknown name means HKEY_CURRENT_USER);
// otherwise the whole trimmed path is a subkey of HKEY_CURRENT_USER.
TRegistryPath ParseRegistryPath(std::string_view keyPath);

// Bytes of the buffer one value is read into.
inline constexpr std::size_t RegistryBufferBytes = 10'241;

// Value types as the registry stores them.
inline constexpr std::uint32_t RegSz = 1, RegExpandSz = 2, RegBinary = 3, RegDword = 4,
                               RegDwordBigEndian = 5, RegMultiSz = 7, RegQword = 11;

struct TRegistryValue {
  std::uint32_t Type = 0;
  std::string Data;  // the raw bytes
};

// The platform's registry.
class RegistryAccess {
 public:
  // The value of valueName under subKey of root, opened for reading (in the 64-bit view when
  // view64 is set), read into a buffer of bufferBytes; nullopt when the key or value is missing
  // or does not fit. May throw; the callers catch.
  virtual std::optional<TRegistryValue> ReadValue(RegistryRoot root, const std::string& subKey,
                                                  const std::string& valueName, bool view64,
                                                  std::size_t bufferBytes) = 0;

 protected:
  ~RegistryAccess() = default;
};

// The real registry (Win32 layer).
RegistryAccess& SystemRegistry();

// A value as text: a DWORD (or QWORD) as its unsigned decimal text; a multi-string without its
// trailing NULs and with every inner NUL shown as "<0>"; anything else up to its first NUL.
std::string RegistryValueText(const TRegistryValue& value);

// valueName of keyPath as text, defaultValue when the key or value is missing.
std::string ReadRegistryString(RegistryAccess& registry, std::string_view keyPath,
                               const std::string& valueName, const std::string& defaultValue = {},
                               bool view64 = false);
std::string ReadRegistryString(std::string_view keyPath, const std::string& valueName,
                               const std::string& defaultValue = {}, bool view64 = false);
