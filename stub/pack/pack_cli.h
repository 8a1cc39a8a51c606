#pragma once
// The tallowin-pack command line: build, list, verify, extract, --help.
#include <ostream>
#include <string>
#include <vector>

// args without the program name. Exit code: 0 done, 1 failed, 2 wrong usage.
int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                bool progressBar = false);

extern const char* const PackToolHelp;
