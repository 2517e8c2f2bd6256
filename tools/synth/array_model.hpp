// One synthetic scanned array of a synthetic chip and the truth it was made from: a
// brightness for the array, an affinity for every probe, an expression level for every
// probe set, multiplicative and additive noise, and a few saturated, outlier and masked
// cells. The cell file and scanner image writers work from this one description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/synth/chip_model.hpp"

namespace synth {

inline constexpr double kSaturatedIntensity = 65535.0;
// Normal and outlier cells stay below saturation.
inline constexpr double kBrightestCell = 60000.0;

enum class CellFlag : std::uint8_t { kNormal, kSaturated, kOutlier };

struct CellTruth {
  double model = 0.0;  // the noiseless intensity: background plus the probe's signal
  // As the cell files carry them: rounded to one decimal, the precision of text files.
  float mean = 0.0f;
  float deviation = 0.0f;
  std::int16_t pixels = 0;
  CellFlag flag = CellFlag::kNormal;
  bool masked = false;
};

struct ArrayOptions {
  std::uint64_t seed = 1;
  std::string name = "array01";
  // "MM/DD/YY hh:mm:ss"; empty makes one from the seed.
  std::string scanTime;
  double brightness = 1.0;           // the array's scale on every probe's signal
  double background = 80.0;          // added to every cell
  double additiveNoise = 6.0;        // standard deviation of the additive noise
  double multiplicativeNoise = 0.1;  // standard deviation of the noise on the log scale
  int saturatedCells = 3;
  int outlierCells = 3;
  int maskedCells = 4;
  int pixelsPerCell = 16;  // the pixel count most cells report; a few report 9
};

struct ArrayTruth {
  std::string chipType;
  std::string name;
  std::string scanTime;
  int dimension = 0;
  bool rotated = false;
  double brightness = 1.0;
  double background = 0.0;
  std::vector<double> unitLevels;  // the expression level of each probe set
  // Layout coordinates (after any rotation), index x * dimension + y.
  std::vector<double> affinities;  // 0 for cells that hold no probe
  std::vector<CellTruth> cells;

  const CellTruth& Cell(int x, int y) const {
    return cells[static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
                 static_cast<std::size_t>(y)];
  }
  // The scanner's header text every file of the array carries: the image width, the
  // scan time, the array's name and the chip type, the latter after two 0x14 marks and
  // ended by a '.'.
  std::string ScannerHeader(int imageWidth) const;
};

// The array; empty, with the reason in error, when the options make no sense (a scan
// time of the wrong form, more special cells than the chip has, a name that would break
// the header).
std::optional<ArrayTruth> MakeArray(const ChipTruth& chip, const ArrayOptions& options,
                                    std::string* error = nullptr);

inline constexpr std::size_t kLongestArrayName = 64;

// Whether a text may name an array: 1 to kLongestArrayName letters, digits, '_' or '-',
// so that it neither breaks the scanner header nor leads its files out of their folder.
bool IsUsableArrayName(std::string_view name);

// A scan time "MM/DD/YY hh:mm:ss" made from the seed.
std::string ScanTimeFromSeed(std::uint64_t seed);

// The two plane values a reader of cell files keeps for a cell of the truth: the mean
// rounded and the standard error of the mean truncated.
std::uint16_t ExpectedIntensity(const CellTruth& cell);
std::uint16_t ExpectedStandardError(const CellTruth& cell);

}  // namespace synth
