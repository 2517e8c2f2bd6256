// What the chromosome data files share: positions written in Mb, numbers written as
// "%.6g" and read back as the nearest float, and the lines a bounded reader hands out.
#pragma once

#include <string>

#include "platform/text_lines.hpp"

// A position in bp as Mb, "%.6f".
std::string FormatMb(float position);
// value as printf's "%.6g", appended.
void AppendSixDigits(std::string& text, double value);
// Whether the reader gave a line (whole or cut at its bound).
inline bool IsTextLine(platform::LineStatus status) {
  return status == platform::LineStatus::kWhole || status == platform::LineStatus::kCut;
}
