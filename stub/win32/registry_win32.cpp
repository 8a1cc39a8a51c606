// Registry reads through the A functions.
#include <windows.h>

#include <vector>

#include "stub/support/registry.h"

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRoot::DynData: return HKEY_DYN_DATA;
  }
  return HKEY_CURRENT_USER;
}

class OpenKey {
 public:
  OpenKey(HKEY root, const std::string& subKey, REGSAM access) {
    if (RegOpenKeyExA(root, subKey.c_str(), 0, access, &FKey) != ERROR_SUCCESS) FKey = nullptr;
  }
  ~OpenKey() {
    if (FKey) RegCloseKey(FKey);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY Key() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

class Win32Registry final : public RegistryAccess {
 public:
  std::optional<TRegistryValue> ReadValue(RegistryRoot root, const std::string& subKey,
                                          const std::string& valueName, bool view64,
                                          std::size_t bufferBytes) override {
    const OpenKey key(RootKey(root), subKey, KEY_READ | (view64 ? KEY_WOW64_64KEY : 0));
    if (!key.Key()) return std::nullopt;
    std::vector<BYTE> buffer(bufferBytes);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(key.Key(), valueName.c_str(), nullptr, &type, buffer.data(), &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    TRegistryValue value;
    value.Type = type;
    value.Data.assign(reinterpret_cast<const char*>(buffer.data()),
                      size < buffer.size() ? size : buffer.size());
    return value;
  }
};

}  // namespace

RegistryAccess& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

std::string ReadRegistryString(std::string_view keyPath, const std::string& valueName,
                               const std::string& defaultValue, bool view64) {
  return ReadRegistryString(SystemRegistry(), keyPath, valueName, defaultValue, view64);
}
