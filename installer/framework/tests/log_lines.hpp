// Reading the installer's files back in tests: whole files, and the installation log's
// messages without their time stamps.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quellbrook::testing {

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline std::vector<std::string> LogMessages(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    lines.push_back(line.size() >= 20 && line[2] == '/' ? line.substr(20) : line);
  return lines;
}

}  // namespace quellbrook::testing
