#include "stub/support/registry.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

TEST(ParseRegistryPath, RootsLongShortAndAnyCase) {
  using R = RegistryRoot;
  struct Case {
    const char* path;
    R root;
    const char* subKey;
  } cases[] = {
      {"HKEY_CLASSES_ROOT\\.txt", R::ClassesRoot, ".txt"},
      {"HKCR\\.txt", R::ClassesRoot, ".txt"},
      {"HKEY_CURRENT_USER\\Software\\V", R::CurrentUser, "Software\\V"},
      {"hkcu\\Software\\V", R::CurrentUser, "Software\\V"},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft", R::LocalMachine, "SOFTWARE\\Microsoft"},
      {"hklm\\software", R::LocalMachine, "software"},
      {"HkLm\\a\\b\\c", R::LocalMachine, "a\\b\\c"},
      {"HKEY_USERS\\.DEFAULT", R::Users, ".DEFAULT"},
      {"HKU\\.DEFAULT", R::Users, ".DEFAULT"},
      {"hkey_current_config\\System", R::CurrentConfig, "System"},
      {"HKCC\\System", R::CurrentConfig, "System"},
      {"HKEY_DYN_DATA\\PerfStats", R::DynData, "PerfStats"},
      {"hkdd\\PerfStats", R::DynData, "PerfStats"},
      // No root name: the whole path lies under the current user.
      {"Software\\Vendor\\Key", R::CurrentUser, "Software\\Vendor\\Key"},
      {"  Software\\Vendor  ", R::CurrentUser, "Software\\Vendor"},
      {"Software\\HKLM\\Key", R::CurrentUser, "Software\\HKLM\\Key"},
      // An unknown root name is dropped and means the current user.
      {"HKEY_NOWHERE\\Software\\X", R::CurrentUser, "Software\\X"},
      {"HKLMX\\Software", R::CurrentUser, "Software"},
      {"  hklm\\Software\\X", R::LocalMachine, "Software\\X"},
      {"HKLM", R::LocalMachine, ""},
      {"HKLM\\", R::LocalMachine, ""},
      {"", R::CurrentUser, ""},
      {"H", R::CurrentUser, "H"},
  };
  for (const Case& c : cases) {
    const TRegistryPath p = ParseRegistryPath(c.path);
    EXPECT_EQ(p.Root, c.root) << c.path;
    EXPECT_EQ(p.SubKey, c.subKey) << c.path;
  }
}

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

TEST(RegistryValueText, ByType) {
  using namespace std::string_literals;
  struct Case {
    std::uint32_t type;
    std::string data, text;
  } cases[] = {
      {RegDword, Bytes({5, 0, 0, 0}), "5"},
      {RegDword, Bytes({0, 0, 0, 0}), "0"},
      {RegDword, Bytes({0x78, 0x56, 0x34, 0x12}), "305419896"},
      {RegDword, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), "4294967295"},  // unsigned, as stored
      {RegDwordBigEndian, Bytes({0x12, 0x34, 0x56, 0x78}), "305419896"},
      {RegQword, Bytes({0, 0, 0, 0, 1, 0, 0, 0}), "4294967296"},
      {RegMultiSz, "a\0b\0\0"s, "a<0>b"},
      {RegMultiSz, "one\0two\0three\0\0"s, "one<0>two<0>three"},
      {RegMultiSz, "\0"s, ""},
      {RegMultiSz, "solo"s, "solo"},
      {RegSz, "text\0"s, "text"},
      {RegSz, "text"s, "text"},
      {RegSz, "cut\0here\0"s, "cut"},
      {RegExpandSz, "%TEMP%\\x\0"s, "%TEMP%\\x"},
      {RegBinary, "ab\0cd"s, "ab"},
      {RegDword, Bytes({'1', '2', 0}), "12"},  // a DWORD of the wrong size reads as text
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RegistryValueText({c.type, c.data}), c.text) << "type " << c.type;
  }
}

class FakeRegistry final : public RegistryAccess {
 public:
  struct Call {
    RegistryRoot Root;
    std::string SubKey, Name;
    bool View64;
    std::size_t Buffer;
  };
  std::vector<Call> Calls;
  std::optional<TRegistryValue> Answer;
  bool Throw = false;

  std::optional<TRegistryValue> ReadValue(RegistryRoot root, const std::string& subKey,
                                          const std::string& valueName, bool view64,
                                          std::size_t bufferBytes) override {
    Calls.push_back({root, subKey, valueName, view64, bufferBytes});
    if (Throw) throw std::runtime_error("registry gone");
    return Answer;
  }
};

TEST(ReadRegistryString, AsksTheParsedKeyAndFallsBackToDefault) {
  using namespace std::string_literals;
  FakeRegistry reg;
  reg.Answer = TRegistryValue{RegMultiSz, "a\0b\0\0"s};
  EXPECT_EQ(ReadRegistryString(reg, "hklm\\Software\\V", "List", "dflt", true), "a<0>b");
  ASSERT_EQ(reg.Calls.size(), 1u);
  EXPECT_EQ(reg.Calls[0].Root, RegistryRoot::LocalMachine);
  EXPECT_EQ(reg.Calls[0].SubKey, "Software\\V");
  EXPECT_EQ(reg.Calls[0].Name, "List");
  EXPECT_TRUE(reg.Calls[0].View64);
  EXPECT_EQ(reg.Calls[0].Buffer, 10'241u);

  reg.Answer.reset();
  EXPECT_EQ(ReadRegistryString(reg, "Software\\Vendor\\Key", "Missing", "dflt"), "dflt");
  EXPECT_EQ(reg.Calls.back().Root, RegistryRoot::CurrentUser);
  EXPECT_FALSE(reg.Calls.back().View64);

  reg.Throw = true;
  EXPECT_EQ(ReadRegistryString(reg, "HKCU\\X", "V", "safe"), "safe");
}

}  // namespace
