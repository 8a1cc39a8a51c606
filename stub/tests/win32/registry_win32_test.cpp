// Registry reads of values written with the registry's own functions, under every root.
#include <gtest/gtest.h>

#include <vector>

#include "stub/support/registry.h"
#include "stub/tests/win32/system_win32_support.h"

namespace {

constexpr const char* TestKey = "Software\\VelmoranTest";

bool SetValue(HKEY root, const char* subKey, const char* name, DWORD type, const void* data,
              DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const bool ok =
      RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool SetText(HKEY root, const char* subKey, const char* name, const std::string& text,
             DWORD type = REG_SZ) {
  return SetValue(root, subKey, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

class RegistryWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace std::string_literals;
    const DWORD dword = 4'000'000'000u;
    const std::string multi = "a\0b\0\0"s;
    const std::string multi3 = "first\0second word\0third\0\0"s;
    const char binary[] = {'x', 'y', 0, 'z'};
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, TestKey, "Text", "current user"));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, TestKey, "Number", REG_DWORD, &dword, 4));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, TestKey, "List", REG_MULTI_SZ, multi.data(),
                         static_cast<DWORD>(multi.size())));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, TestKey, "List3", REG_MULTI_SZ, multi3.data(),
                         static_cast<DWORD>(multi3.size())));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, TestKey, "Expand", "%TEMP%\\x", REG_EXPAND_SZ));
    ASSERT_TRUE(SetValue(HKEY_CURRENT_USER, TestKey, "Binary", REG_BINARY, binary, 4));
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, TestKey, "", "default value"));
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, TestKey, "Text", "local machine"));
    ASSERT_TRUE(SetText(HKEY_CLASSES_ROOT, "VelmoranTest", "Text", "classes root"));
    ASSERT_TRUE(SetText(HKEY_USERS, ".DEFAULT\\Software\\VelmoranTest", "Text", "users"));
    ASSERT_TRUE(SetText(HKEY_CURRENT_CONFIG, TestKey, "Text", "current config"));
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, TestKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, TestKey);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "VelmoranTest");
    RegDeleteTreeA(HKEY_USERS, ".DEFAULT\\Software\\VelmoranTest");
    RegDeleteTreeA(HKEY_CURRENT_CONFIG, TestKey);
  }
};

TEST_F(RegistryWin32, EveryRootNameAndShortForm) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Software\\VelmoranTest", "current user"},
      {"HKCU\\Software\\VelmoranTest", "current user"},
      {"hkcu\\software\\velmorantest", "current user"},
      {"Software\\VelmoranTest", "current user"},  // no root name
      {"  Software\\VelmoranTest ", "current user"},
      {"HKEY_ELSEWHERE\\Software\\VelmoranTest", "current user"},  // unknown root name
      {"HKEY_LOCAL_MACHINE\\Software\\VelmoranTest", "local machine"},
      {"hklm\\Software\\VelmoranTest", "local machine"},
      {"HKEY_CLASSES_ROOT\\VelmoranTest", "classes root"},
      {"hkcr\\VelmoranTest", "classes root"},
      {"HKEY_USERS\\.DEFAULT\\Software\\VelmoranTest", "users"},
      {"HKU\\.DEFAULT\\Software\\VelmoranTest", "users"},
      {"HKEY_CURRENT_CONFIG\\Software\\VelmoranTest", "current config"},
      {"HkCc\\Software\\VelmoranTest", "current config"},
      // The dynamic-data root exists on Windows 9x only.
      {"HKEY_DYN_DATA\\Software\\VelmoranTest", "none"},
      {"HKDD\\Software\\VelmoranTest", "none"},
      {"HKCU\\Software\\VelmoranTest\\Missing", "none"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadRegistryString(c.path, "Text", "none"), c.expected) << c.path;
    EXPECT_EQ(ReadRegistryString(c.path, "Text", "none", true), c.expected) << c.path << " 64";
  }
}

TEST_F(RegistryWin32, ValueTypesAsText) {
  struct Case {
    const char *name, *expected;
  } cases[] = {
      {"Number", "4000000000"},  {"List", "a<0>b"},         {"List3", "first<0>second word<0>third"},
      {"Expand", "%TEMP%\\x"},  {"Binary", "xy"},          {"", "default value"},
      {"Missing", "dflt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadRegistryString("HKCU\\Software\\VelmoranTest", c.name, "dflt"), c.expected)
        << c.name;
  }
}

TEST_F(RegistryWin32, TooLongForTheBufferGivesTheDefault) {
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, TestKey, "Fits", std::string(10'240, 'f')));
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, TestKey, "Long", std::string(20'000, 'l')));
  EXPECT_EQ(ReadRegistryString("HKCU\\Software\\VelmoranTest", "Fits"), std::string(10'240, 'f'));
  EXPECT_EQ(ReadRegistryString("HKCU\\Software\\VelmoranTest", "Long", "dflt"), "dflt");
}

}  // namespace
