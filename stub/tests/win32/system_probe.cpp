// A small program for the system helpers' Wine tests: it carries a version resource of its
// own, and when asked it deletes itself the way the agent copy does at its end.
//   system_probe selfdelete keep|remove [short]
//   system_probe version OUTFILE   (writes its own file and product versions)
#include <cstdio>
#include <cstring>
#include <string>

#include "stub/support/fileversion.h"
#include "stub/support/selfdelete.h"

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "selfdelete") == 0) {
    const bool removeFolder = std::strcmp(argv[2], "remove") == 0;
    const bool shortNames = argc >= 4 && std::strcmp(argv[3], "short") == 0;
    return DeleteMySelf(removeFolder, shortNames) ? 0 : 3;
  }
  if (argc >= 3 && std::strcmp(argv[1], "version") == 0) {
    const std::string text =
        GetExeVersion() + "|" + GetProductVersion() + "|" + GetExeVersion("", 2, 2);
    std::FILE* f = std::fopen(argv[2], "wb");
    if (!f) return 4;
    std::fwrite(text.data(), 1, text.size(), f);
    return std::fclose(f) == 0 ? 0 : 4;
  }
  return 0;
}
