// What the options sheet edits: a copy of the group's settings and the choices that live
// beside them for the run (PM-only arrays, the 5' probes left out of the fit, the row
// standardisation reference, the chromosome curve's limits, the chromosome view's
// choices). The pages work on the copy, so
// Cancel leaves the program as it was; OK puts the copy back.
#pragma once

#include <array>

#include "engine/group/group_settings.hpp"
#include "shell/dialogs/options/chromosome_options.hpp"

struct OptionValues {
  GroupSettings settings;
  int pmOnly = 0;  // PM_ONLY_ARRAY, which is the layout's PmOnly
  int excludedFivePrimeProbes = 0;
  int standardizeReference = 0;  // 0 the mean, k the k-th sample
  // Min, Max and Threshold of the curve along a chromosome per data type, as the
  // chromosome data keeps them (MISSING_VALUE while unset).
  std::array<float, kChroDataTypeCount> curveMin{};
  std::array<float, kChroDataTypeCount> curveMax{};
  std::array<float, kChroDataTypeCount> curveThreshold{};
  ChromosomeOptions chromosome;
};

// The values in force now.
OptionValues CurrentOptionValues();
// Makes values the ones in force.
void ApplyOptionValues(const OptionValues& values);
