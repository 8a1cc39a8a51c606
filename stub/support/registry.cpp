#include "stub/support/registry.h"

#include <cctype>
#include <exception>

#include "stub/support/zbdebug.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

struct RootName {
  std::string_view Long, Short;
  RegistryRoot Root;
};

constexpr RootName RootNames[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", RegistryRoot::ClassesRoot},
    {"HKEY_CURRENT_USER", "HKCU", RegistryRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", "HKLM", RegistryRoot::LocalMachine},
    {"HKEY_USERS", "HKU", RegistryRoot::Users},
    {"HKEY_CURRENT_CONFIG", "HKCC", RegistryRoot::CurrentConfig},
    {"HKEY_DYN_DATA", "HKDD", RegistryRoot::DynData},
};

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) v = (v << 8) | static_cast<unsigned char>(bytes[i]);
  return v;
}

}  // namespace

TRegistryPath ParseRegistryPath(std::string_view keyPath) {
  while (!keyPath.empty() && IsBlank(keyPath.front())) keyPath.remove_prefix(1);
  while (!keyPath.empty() && IsBlank(keyPath.back())) keyPath.remove_suffix(1);
  TRegistryPath result;
  if (keyPath.size() < 2 || !EqualNoCase(keyPath.substr(0, 2), "HK")) {
    result.SubKey = std::string(keyPath);
    return result;
  }
  const std::size_t slash = keyPath.find('\\');
  const std::string_view rootName = keyPath.substr(0, slash);
  if (slash != std::string_view::npos) result.SubKey = std::string(keyPath.substr(slash + 1));
  for (const RootName& r : RootNames) {
    if (EqualNoCase(rootName, r.Long) || EqualNoCase(rootName, r.Short)) {
      result.Root = r.Root;
      break;
    }
  }
  return result;
}

std::string RegistryValueText(const TRegistryValue& value) {
  const std::string& d = value.Data;
  switch (value.Type) {
    case RegDword:
      if (d.size() == 4) return std::to_string(LittleEndian(d));
      break;
    case RegDwordBigEndian:
      if (d.size() == 4) {
        return std::to_string(LittleEndian(std::string(d.rbegin(), d.rend())));
      }
      break;
    case RegQword:
      if (d.size() == 8) return std::to_string(LittleEndian(d));
      break;
    case RegMultiSz: {
      std::size_t end = d.size();
      while (end > 0 && d[end - 1] == '\0') --end;
      std::string text;
      text.reserve(end);
      for (std::size_t i = 0; i < end; ++i) {
        if (d[i] == '\0') {
          text += "<0>";
        } else {
          text += d[i];
        }
      }
      return text;
    }
    default:
      break;
  }
  return d.substr(0, d.find('\0'));
}

std::string ReadRegistryString(RegistryAccess& registry, std::string_view keyPath,
                               const std::string& valueName, const std::string& defaultValue,
                               bool view64) {
  try {
    const TRegistryPath path = ParseRegistryPath(keyPath);
    const std::optional<TRegistryValue> value =
        registry.ReadValue(path.Root, path.SubKey, valueName, view64, RegistryBufferBytes);
    if (!value) return defaultValue;
    return RegistryValueText(*value);
  } catch (const std::exception& e) {
    LogException(e, "Utils.ReadRegistryString()", valueName);
  } catch (...) {
    LogException(std::string_view(), "Utils.ReadRegistryString()", valueName);
  }
  return defaultValue;
}
