// The layout a chip's files should load into, cell by cell, with the changes a probe tab
// file and a probe-set mask make to it, and its comparison with a loaded layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/synth/chip_model.hpp"

struct CDF_LAYOUT;

namespace synth {

struct ExpectedCell {
  int unit = -1;
  int pair = 0;
  int value = 0;
  std::uint8_t kind = 2;  // 1 perfect match, 0 mismatch, 2 no unit
};

struct ExpectedLayout {
  int dimension = 0;
  std::vector<std::string> names;
  std::vector<int> pairCounts;
  std::vector<ExpectedCell> cells;  // the cell (x, y) at x * dimension + y

  ExpectedCell& Cell(int x, int y) {
    return cells[static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
                 static_cast<std::size_t>(y)];
  }
};

// What loading the chip from the form gives: a probe group file puts it on the fixed
// 2560 grid with every position number 1, a binary chip description keeps the names as
// written.
ExpectedLayout Expect(const ChipTruth& chip, ChipForm form = ChipForm::kTextCdf);

// A probe tab file: per line the probe's name, cell and new position number.
struct ProbeTabLine {
  std::string name;
  int x = 0;
  int y = 0;
  int position = 0;
};
struct ProbeTab {
  bool serialColumn = false;
  std::vector<ProbeTabLine> lines;
};
// New positions for the perfect-match cells of a share of the probe sets, plus one line
// whose cell lies outside the chip.
ProbeTab MakeProbeTab(const ChipTruth& chip, std::uint64_t seed, bool serialColumn);
// A probe tab line's position goes to its cell and to the cell below it.
void ApplyProbeTab(ExpectedLayout& layout, const ProbeTab& table);

// A probe-set mask: per line the text written and the pairs (from 1) it means.
struct MaskLine {
  std::string name;
  std::string list;
  std::vector<int> pairs;  // empty with known false: a name the chip does not have
  bool known = true;
};
struct MaskPlan {
  std::vector<MaskLine> lines;
};
// Masks a share of the probe sets: single pairs, closed and open ranges, "all", an empty
// list; one line names a probe set the chip does not have.
MaskPlan MakeMask(const ChipTruth& chip, std::uint64_t seed);
void ApplyMask(ExpectedLayout& layout, const MaskPlan& plan);

// Empty when the loaded layout matches, else the first difference.
std::string CompareLayout(const CDF_LAYOUT& layout, const ExpectedLayout& expected,
                          bool compareValues = true);

}  // namespace synth
