// tallowin-pack: the package tool's entry.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "stub/pack/pack_cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunPackTool(args, std::cout, std::cerr, isatty(fileno(stderr)) != 0);
}
