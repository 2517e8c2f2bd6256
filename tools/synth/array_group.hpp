// A synthetic group of arrays scanned on one chip: per cell a true intensity on the
// baseline's scale (background, probe affinity, expression of present probe sets), per
// array its own noise, some probe sets changed in expression, and a known monotone
// non-linear brightness curve, so that normalisation and presence calls can be checked
// against the truth.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/synth/array_model.hpp"
#include "tools/synth/chip_model.hpp"

namespace synth {

// How an array's brightness departs from the baseline's: v -> scale * v^power + offset.
struct BrightnessCurve {
  double scale = 1.0;
  double power = 1.0;
  double offset = 0.0;

  double Apply(double value) const;
  // The baseline-scale value an array value came from.
  double Invert(double value) const;
};

struct SynthesisedArray {
  BrightnessCurve curve;  // identity on the baseline
  // dimension x dimension each, the cell (x, y) at x * dimension + y, as a cell file
  // reader would fill them: rounded means, and standard errors of the means.
  std::vector<std::uint16_t> intensities;
  std::vector<std::uint16_t> standardErrors;
  // Per probe set: the factor its expression is changed by on this array (1 unchanged).
  std::vector<double> fold;
};

// A bright spot planted on one array after its noise and curve: every cell whose centre
// lies within radius of the spot's centre cell (x, y) takes the value. Spots change no
// other number of the group.
struct BrightSpot {
  int array = 0;
  int x = 0;
  int y = 0;
  int radius = 0;
  std::uint16_t value = 60000;
};

// A spot as planted: the cells it covers on the chip, in column order.
struct PlantedSpot {
  BrightSpot spot;
  std::vector<std::pair<int, int>> cells;  // (x, y)
};

struct ArrayGroupOptions {
  int arrays = 3;  // the first is the baseline
  std::uint64_t seed = 1;
  double noise = 0.05;        // standard deviation of each cell's log intensity, per array
  int changedPercent = 10;    // probe sets changed on each array but the baseline
  double changeFold = 3.0;    // up or down by this factor
  int presentPercent = 50;    // probe sets expressed at all
  double background = 100.0;  // typical intensity of a cell without signal
  // Array curves in turn (the baseline keeps the identity); empty: a fixed set that
  // bends both ways.
  std::vector<BrightnessCurve> curves;
  // A bad array (index from 0; -1 none): each of its probe pairs responds by a factor of
  // its own, from 1/4 to 4 on the log scale, so that the model fit sets the array aside
  // as an outlier on most expressed probe sets. The factors come from a stream of their
  // own: every other number of the group is that of the group without a bad array.
  int badArray = -1;
  // Spots on arrays of the group; those on arrays the group does not have are ignored.
  std::vector<BrightSpot> spots;
};

struct ArrayGroupTruth {
  int dimension = 0;
  std::vector<char> present;          // per probe set: 'P' expressed, 'A' not
  std::vector<double> expression;     // per probe set, on the baseline's scale (0 when absent)
  std::vector<double> trueIntensity;  // per cell, noise-free, on the baseline's scale
  std::vector<SynthesisedArray> arrays;
  int badArray = -1;
  // Per cell, the factor the bad array's probe pair responds by: the same on both cells
  // of a pair, 1 off the probes and on every cell without a bad array.
  std::vector<double> badFactors;
  std::vector<PlantedSpot> spots;

  std::size_t CellIndex(int x, int y) const {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
           static_cast<std::size_t>(y);
  }
  // Whether the probe set is changed on the array.
  bool Changed(int array, int unit) const;
  // The planted expression of a probe set on an array, on the baseline's scale:
  // expression x fold (0 for an absent probe set). Its probes' perfect-match minus
  // mismatch differences are theta x phi with phi = 0.85 x the probe's affinity, so a
  // fit of the multiplicative model follows it up to one scale per probe set (the bad
  // array's probes excepted).
  double Theta(int array, int unit) const;
  // Theta of the probe set on every array, in array order.
  std::vector<double> ThetaOfProbeSet(int unit) const;
};

// The group for a chip of perfect-match and mismatch pairs (or perfect-match probes
// only). Intensities stay below 65535 for the curves given.
ArrayGroupTruth MakeArrayGroup(const ChipTruth& chip, const ArrayGroupOptions& options);

// One array of the group as a scanned array, for the cell file and image writers: each
// cell's mean is its intensity and its deviation gives back its standard error over 16
// pixels, so a cell file reader fills exactly the array's planes.
ArrayTruth ScannedArray(const ChipTruth& chip, const ArrayGroupTruth& group, int array,
                        const std::string& name, const std::string& scanTime = "01/02/03 04:05:06");

// Random genotype calls (0 A, 1 B, 2 AB, 3 no call) for every probe set of a SNP chip.
std::vector<char> MakeGenotypes(const ChipTruth& chip, std::uint64_t seed, int noCallPercent = 10);

}  // namespace synth
