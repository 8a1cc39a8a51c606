// Started by the switch tests with chosen command lines and environments: prints what the
// process-wide readers see, one field per "|".
#include <windows.h>

#include <cstdio>
#include <string>

#include "stub/support/devswitch.h"
#include "stub/support/switches.h"

int main() {
  std::string out = "[" + ParamText() + "]";
  out += "|" + GetSwitch("WAIT", "<absent>");
  out += "|" + GetSwitch("/OriginalInfoFile", "<absent>");
  out += "|" + std::to_string(GetSwitchInt("-N", -1));
  out += HasSwitch("/S") ? "|1" : "|0";
  out += DeveloperSwitch() ? "|1" : "|0";
  // The answer is read once: a later change of the variable does not alter it.
  SetEnvironmentVariableA("DVX", DeveloperSwitch() ? "000" : "731");
  out += DeveloperSwitch() ? "|1" : "|0";
  std::fputs(out.c_str(), stdout);
  return 0;
}
