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

// The log's lines without their time stamps ("MM/DD/YY HH:MM:SS - "); a message with a
// line break of its own goes on in a line without a stamp.
inline std::vector<std::string> LogMessages(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    const bool stamped = line.size() >= 20 && line[2] == '/' && line.compare(17, 3, " - ") == 0;
    lines.push_back(stamped ? line.substr(20) : line);
  }
  return lines;
}

// The same without the empty lines that end banners and blocks.
inline std::vector<std::string> NonEmptyLogMessages(const std::string& path) {
  std::vector<std::string> lines = LogMessages(path);
  std::erase(lines, std::string());
  return lines;
}

}  // namespace quellbrook::testing
