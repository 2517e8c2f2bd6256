// "Assay_protocol.txt" of a library source folder: one protocol step a line, already in
// the load file's layout (assay name; protocol name; step number; step text).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace libgen {

inline constexpr std::string_view kAssayProtocolName = "Assay_protocol.txt";

struct AssayProtocolStep {
  std::string assay;
  std::string protocol;
  std::string stepNumber;
  std::string text;
};

// Two assays of two and three steps, one step text left empty.
std::vector<AssayProtocolStep> StandardAssaySteps();

// The file's text with CRLF lines, a blank line after every blankEvery records (0: none).
std::string AssayProtocolText(const std::vector<AssayProtocolStep>& steps, int blankEvery = 0);

}  // namespace libgen
