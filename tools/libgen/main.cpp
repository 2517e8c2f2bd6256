// zelko-libgen: writes an array maker's library source folder with known contents.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/libgen/command_line.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string message;
  const int status = libgen::RunCommandLine(arguments, message);
  if (status != 0)
    std::fprintf(stderr, "zelko-libgen: %s\n", message.c_str());
  else if (!message.empty())
    std::printf("%s\n", message.c_str());
  return status;
}
