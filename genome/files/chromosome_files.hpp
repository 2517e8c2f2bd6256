// What the chromosome data files share: positions written in Mb, numbers written either
// as "%.6g" (summaries no reader takes back) or in the shortest form that reads back as
// the same float, and the lines a bounded reader hands out.
#pragma once

#include <string>

#include "platform/text_lines.hpp"

struct UNIT_POS;

// Room for a float in its exact form: "-1.1754944e-38" and change.
inline constexpr int kExactFloatRoom = 24;

// A position in bp as Mb, "%.6f".
std::string FormatMb(float position);
// value as printf's "%.6g", appended.
void AppendSixDigits(std::string& text, double value);
// value in the fewest digits that the nearest-float parse turns back into value, appended.
void AppendExactFloat(std::string& text, float value);
// A marker's place as the data files write it: its chromosome's name, its position in Mb
// and its second position (empty when it has none), each followed by a tab, appended.
void AppendMarkerPlace(std::string& text, const UNIT_POS& place);
// Whether the reader gave a line (whole or cut at its bound).
inline bool IsTextLine(platform::LineStatus status) {
  return status == platform::LineStatus::kWhole || status == platform::LineStatus::kCut;
}
