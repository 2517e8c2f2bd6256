// The chromosome view's choices that are not in the settings file: two drawing options
// and the colour range of each data type. They last for the run. The options sheet edits
// them here until the chromosome view exists and takes them over.
#pragma once

#include <array>

#include "genome/chromosome/chromosome.hpp"

struct ChromosomeOptions {
  bool hideConflictLoh = false;  // a conflicting LOH call is drawn as noninformative
  bool truncateLog2 = false;     // small log2 ratios are drawn at -4
  // The view's colour range per data type, which DISPLAY_RANGE follows.
  std::array<double, kChroDataTypeCount> displayRange{2, 2, 5, 2, 2, 2};
};

// The run's one set.
ChromosomeOptions& TheChromosomeOptions();

// CHRO_DATA as an index of the per-type tables (0 for a value out of range).
int ChromosomeDataTypeIndex(int chroData);
