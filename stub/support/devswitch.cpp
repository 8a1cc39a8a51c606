#include "stub/support/devswitch.h"

#include "stub/support/strings.h"

bool DeveloperSwitchIn(EnvironmentReader& environment) {
  const std::optional<std::string> value = environment.Variable(DeveloperVariable);
  return value && Trim(*value) == DeveloperCode;
}
