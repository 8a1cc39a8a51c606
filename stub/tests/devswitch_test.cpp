#include "stub/support/devswitch.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class FakeEnvironment final : public EnvironmentReader {
 public:
  std::optional<std::string> Variable(std::string_view name) override {
    const auto it = Vars.find(std::string(name));
    if (it == Vars.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, std::string> Vars;
};

TEST(DeveloperSwitch, IsOnOnlyForTheDeveloperCodeInDVX) {
  struct Case {
    const char* name;
    const char* value;
    bool on;
  } cases[] = {
      {"DVX", "731", true},   {"DVX", " 731 ", true}, {"DVX", "732", false},
      {"DVX", "7310", false}, {"DVX", "", false},     {"DVY", "731", false},
  };
  for (const auto& c : cases) {
    FakeEnvironment env;
    env.Vars[c.name] = c.value;
    EXPECT_EQ(DeveloperSwitchIn(env), c.on) << c.name << "=" << c.value;
  }
  FakeEnvironment none;
  EXPECT_FALSE(DeveloperSwitchIn(none));
}

}  // namespace
