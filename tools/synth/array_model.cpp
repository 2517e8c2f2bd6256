// Making a synthetic array: every cell's intensity from the model, then the special
// cells drawn without repetition. One seed gives the same array with every standard
// library, since all draws go through SynthRandom.
#include "tools/synth/array_model.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/synth/random.hpp"

namespace synth {
namespace {

// Where unit levels sit on the log scale, and how widely they spread.
constexpr double kLogLevelCentre = 5.5;
constexpr double kLogLevelSpread = 1.2;
constexpr double kAffinitySpread = 0.5;
constexpr double kMismatchShare = 0.35;
constexpr int kFewPixelsPercent = 5;
constexpr std::int16_t kFewPixels = 9;
constexpr char kChipTypeMark = '\x14';
// Long enough for any real chip type, short enough that the scanner header of the
// longest array name still fits the image header's text field.
constexpr std::size_t kLongestChipType = 100;

// Uniform on (0, 1) and standard normal deviates from the generator's own draws.
class Deviates {
 public:
  explicit Deviates(std::uint64_t seed) : mRandom(seed) {}

  double Uniform() { return mRandom.Uniform(); }
  double Normal() { return mRandom.Normal(); }
  int Between(int first, int last) { return mRandom.Between(first, last); }
  bool Chance(int percent) { return mRandom.Chance(percent); }

 private:
  SynthRandom mRandom;
};

// To the one decimal that text cell files print.
float OneDecimal(double value) {
  return static_cast<float>(std::round(value * 10.0) / 10.0);
}

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

bool ValidScanTime(const std::string& time) {
  static constexpr std::string_view kShape = "00/00/00 00:00:00";
  if (time.size() != kShape.size()) return false;
  for (std::size_t i = 0; i < time.size(); ++i)
    if (kShape[i] == '0' ? !IsDigit(time[i]) : time[i] != kShape[i]) return false;
  return true;
}

// The chip type must survive the header: nothing that ends it early or shifts the scan
// time.
bool IsUsableChipTypeName(const std::string& chipType) {
  return !chipType.empty() && chipType.find_first_of("./\n\r") == std::string::npos &&
         chipType.find(kChipTypeMark) == std::string::npos;
}

// count distinct cells not yet taken, marked as taken.
std::vector<std::size_t> DrawCells(Deviates& deviates, std::vector<bool>& taken, int count) {
  std::vector<std::size_t> drawn;
  const int last = static_cast<int>(taken.size()) - 1;
  while (static_cast<int>(drawn.size()) < count) {
    const auto index = static_cast<std::size_t>(deviates.Between(0, last));
    if (taken[index]) continue;
    taken[index] = true;
    drawn.push_back(index);
  }
  return drawn;
}

}  // namespace

bool IsUsableArrayName(std::string_view name) {
  if (name.empty() || name.size() > kLongestArrayName) return false;
  return std::all_of(name.begin(), name.end(), [](char ch) {
    return IsDigit(ch) || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_' ||
           ch == '-';
  });
}

std::string ScanTimeFromSeed(std::uint64_t seed) {
  SynthRandom random(seed ^ 0x5CA11ED5ULL);
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", random.Between(1, 12),
                random.Between(1, 28), random.Between(0, 29), random.Between(0, 23),
                random.Between(0, 59), random.Between(0, 59));
  return text;
}

std::string ArrayTruth::ScannerHeader(int imageWidth) const {
  std::string text = "DAT " + std::to_string(imageWidth) + " px  " + scanTime + "  ";
  text += kChipTypeMark;
  text += ' ' + name + ' ';
  text += kChipTypeMark;
  text += ' ' + chipType + ".1sq ";
  text += kChipTypeMark;
  text += " zelko-synth ";
  text += kChipTypeMark;
  return text;
}

std::optional<ArrayTruth> MakeArray(const ChipTruth& chip, const ArrayOptions& options,
                                    std::string* error) {
  const auto fail = [error](std::string reason) -> std::optional<ArrayTruth> {
    if (error != nullptr) *error = std::move(reason);
    return std::nullopt;
  };
  if (!IsUsableArrayName(options.name))
    return fail("the array name must be 1 to 64 letters, digits, '_' or '-'");
  if (!IsUsableChipTypeName(chip.chipType))
    return fail("the chip type must not hold '.', '/', line ends or 0x14");
  if (chip.chipType.size() > kLongestChipType)
    return fail("the chip type must be at most " + std::to_string(kLongestChipType) +
                " characters");
  const std::string scanTime =
      options.scanTime.empty() ? ScanTimeFromSeed(options.seed) : options.scanTime;
  if (!ValidScanTime(scanTime)) return fail("the scan time must read MM/DD/YY hh:mm:ss");
  const std::size_t cellCount =
      static_cast<std::size_t>(chip.dimension) * static_cast<std::size_t>(chip.dimension);
  const long long special =
      static_cast<long long>(options.saturatedCells) + options.outlierCells + options.maskedCells;
  if (options.saturatedCells < 0 || options.outlierCells < 0 || options.maskedCells < 0 ||
      special > static_cast<long long>(cellCount / 2))
    return fail("at most half the cells may be saturated, outliers or masked");
  if (options.pixelsPerCell < 1 || options.pixelsPerCell > 1000)
    return fail("the pixels per cell must lie between 1 and 1000");
  if (!(options.brightness > 0) || !(options.background >= 0) || !(options.additiveNoise >= 0) ||
      !(options.multiplicativeNoise >= 0))
    return fail("brightness must be positive, background and noise not negative");

  ArrayTruth array;
  array.chipType = chip.chipType;
  array.name = options.name;
  array.scanTime = scanTime;
  array.dimension = chip.dimension;
  array.rotated = chip.rotated;
  array.brightness = options.brightness;
  array.background = options.background;
  array.affinities.assign(cellCount, 0.0);
  array.cells.resize(cellCount);

  Deviates deviates(options.seed);
  const auto index = [&](int x, int y) {
    return static_cast<std::size_t>(x) * static_cast<std::size_t>(chip.dimension) +
           static_cast<std::size_t>(y);
  };
  // Each probe cell's affinity, and beside it the level of its probe set.
  std::vector<double> levels(cellCount, 0.0);
  array.unitLevels.reserve(chip.units.size());
  for (const ChipUnit& unit : chip.units) {
    const double level = std::exp(kLogLevelCentre + kLogLevelSpread * deviates.Normal());
    array.unitLevels.push_back(level);
    for (const ProbeBlock& block : unit.blocks)
      for (const ProbePair& pair : block.pairs) {
        const std::size_t pm = index(pair.pm.x, pair.pm.y);
        array.affinities[pm] = std::exp(kAffinitySpread * deviates.Normal());
        levels[pm] = level;
        if (pair.mm.x < 0) continue;
        const std::size_t mm = index(pair.mm.x, pair.mm.y);
        array.affinities[mm] = kMismatchShare * std::exp(kAffinitySpread * deviates.Normal());
        levels[mm] = level;
      }
  }

  for (std::size_t c = 0; c < cellCount; ++c) {
    CellTruth& cell = array.cells[c];
    const double signal =
        std::min(options.brightness * array.affinities[c] * levels[c], kBrightestCell);
    cell.model = std::min(options.background + signal, kBrightestCell);
    const double noisy = options.background +
                         signal * std::exp(options.multiplicativeNoise * deviates.Normal()) +
                         options.additiveNoise * deviates.Normal();
    cell.mean = OneDecimal(std::clamp(noisy, 0.0, kBrightestCell));
    cell.deviation = OneDecimal(0.08 * cell.mean + 3.0 + std::fabs(deviates.Normal()));
    cell.pixels = deviates.Chance(kFewPixelsPercent)
                      ? kFewPixels
                      : static_cast<std::int16_t>(options.pixelsPerCell);
  }

  std::vector<bool> taken(cellCount, false);
  for (std::size_t c : DrawCells(deviates, taken, options.saturatedCells)) {
    CellTruth& cell = array.cells[c];
    cell.flag = CellFlag::kSaturated;
    cell.mean = static_cast<float>(kSaturatedIntensity);
    cell.deviation = 0.0f;
  }
  for (std::size_t c : DrawCells(deviates, taken, options.outlierCells)) {
    CellTruth& cell = array.cells[c];
    cell.flag = CellFlag::kOutlier;
    // Bright specks and dark scratches alike.
    const double factor = deviates.Chance(50) ? deviates.Between(5, 20) : 0.1;
    cell.mean = OneDecimal(std::min(cell.model * factor, kBrightestCell));
    cell.deviation = OneDecimal(0.5 * cell.mean + 10.0);
  }
  for (std::size_t c : DrawCells(deviates, taken, options.maskedCells))
    array.cells[c].masked = true;
  return array;
}

std::uint16_t ExpectedIntensity(const CellTruth& cell) {
  const double rounded = std::floor(static_cast<double>(cell.mean) + 0.5);
  return static_cast<std::uint16_t>(std::clamp(rounded, 0.0, kSaturatedIntensity));
}

std::uint16_t ExpectedStandardError(const CellTruth& cell) {
  const double pixels = std::max<double>(cell.pixels, 1.0);
  const double error = std::floor(static_cast<double>(cell.deviation) / std::sqrt(pixels));
  return static_cast<std::uint16_t>(std::clamp(error, 0.0, kSaturatedIntensity));
}

}  // namespace synth
