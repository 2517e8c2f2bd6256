// zelko-libgen: writes an array maker's library source folder with known contents.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/libgen/command_line.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const int status = libgen::RunCommandLine(arguments, error);
  if (status != 0) std::fprintf(stderr, "zelko-libgen: %s\n", error.c_str());
  return status;
}
