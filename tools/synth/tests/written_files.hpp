// Test support for checking the generator's files from their bytes: whole-file text,
// lines and tab fields, the turn from file to layout coordinates, and zelko-synth run
// as a child process with its exit code and both output streams.
#pragma once

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/byte_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/chip_model.hpp"

namespace synth::testing {

// A chip of the given kind and shape from a fixed seed; a refused shape fails the test.
inline ChipTruth ChipWithShape(ChipKind kind, int dimension, int units, std::uint64_t seed) {
  ChipOptions options;
  options.kind = kind;
  options.dimension = dimension;
  options.unitCount = units;
  options.seed = seed;
  std::string error;
  auto chip = MakeChip(options, &error);
  EXPECT_TRUE(chip.has_value()) << error;
  return chip.value_or(ChipTruth{});
}

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  return platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
}

inline std::string FileText(const std::string& path) {
  const std::vector<std::uint8_t> bytes = FileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The lines of a text, each without its '\n' and one '\r' before it; no line after a
// final '\n'.
inline std::vector<std::string> TextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    begin = end + 1;
  }
  return lines;
}

inline std::vector<std::string> Fields(std::string_view line, char separator = '\t') {
  std::vector<std::string> fields;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = line.find(separator, begin);
    fields.emplace_back(
        line.substr(begin, end == std::string_view::npos ? line.npos : end - begin));
    if (end == std::string_view::npos) return fields;
    begin = end + 1;
  }
}

inline int Whole(const std::string& text) {
  return std::stoi(text);
}

// Where a cell given in a file at (fileX, fileY) sits in the layout: chips with rotated
// coordinates keep it at (dimension-1-fileY, fileX).
inline std::pair<int, int> LayoutCell(bool rotated, int dimension, int fileX, int fileY) {
  if (!rotated) return {fileX, fileY};
  return {dimension - 1 - fileY, fileX};
}

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// zelko-synth with the arguments (quoted by the caller where needed), its output streams
// caught in files of the folder.
inline ProgramRun RunSynth(const std::string& arguments,
                           const platform::testing::TempFolder& folder) {
  const std::string outPath = folder.File("program.stdout");
  const std::string errPath = folder.File("program.stderr");
  const std::string command =
      std::string(ZELKO_SYNTH_PROGRAM) + " " + arguments + " > " + outPath + " 2> " + errPath;
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = FileText(outPath);
  run.err = FileText(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  return run;
}

}  // namespace synth::testing
