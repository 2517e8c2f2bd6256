// Making a synthetic array group: one set of true cell intensities, then per array its
// changed probe sets, its noise and its brightness curve.
#include "tools/synth/array_group.hpp"

#include <algorithm>
#include <cmath>

#include "tools/synth/random.hpp"

namespace synth {
namespace {

constexpr double kBackgroundSpread = 0.1;  // log-scale spread of a pair's background
constexpr double kAffinitySpread = 0.2;    // log-scale spread of a probe's affinity
constexpr double kLowestExpression = 400.0;
constexpr double kHighestExpression = 3000.0;
// Unspecific binding, the same on both cells of a pair; it fills the intensities between
// the background and the expressed probes, as on real arrays.
constexpr double kLowestBinding = 5.0;
constexpr double kHighestBinding = 250.0;
constexpr double kMismatchShare = 0.15;  // of a probe's signal seen by its mismatch cell
// A cell's pixels: 16 of them, spread by 8% of the intensity plus a floor.
constexpr double kPixelCount = 16.0;
constexpr double kPixelRelativeSpread = 0.08;
constexpr double kPixelSpreadFloor = 8.0;
// The bad array's response factors, drawn apart from the group's own numbers.
constexpr double kLowestBadFactor = 0.25;
constexpr double kHighestBadFactor = 4.0;
constexpr std::uint64_t kBadArraySalt = 0xBADA77A1ULL;

BrightnessCurve CurveThrough(double power, double valueAt1000, double offset) {
  return {valueAt1000 / std::pow(1000.0, power), power, offset};
}

std::vector<BrightnessCurve> DefaultCurves() {
  return {CurveThrough(1.1, 1400.0, 10.0), CurveThrough(0.9, 700.0, 0.0),
          CurveThrough(1.05, 1200.0, 20.0)};
}

std::uint16_t ToIntensity(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(value + 0.5);
}

// The cells of the chip within the spot's radius of its centre, column by column.
std::vector<std::pair<int, int>> SpotCells(const BrightSpot& spot, int dimension) {
  std::vector<std::pair<int, int>> cells;
  const long long r2 = static_cast<long long>(spot.radius) * spot.radius;
  for (int x = std::max(0, spot.x - spot.radius); x <= spot.x + spot.radius && x < dimension; ++x)
    for (int y = std::max(0, spot.y - spot.radius); y <= spot.y + spot.radius && y < dimension;
         ++y) {
      const long long dx = x - spot.x;
      const long long dy = y - spot.y;
      if (dx * dx + dy * dy <= r2) cells.emplace_back(x, y);
    }
  return cells;
}

// A cell's truth: its background and the probe signal it carries for its probe set.
struct CellModel {
  double background = 0.0;
  double signal = 0.0;
  int unit = -1;
};

}  // namespace

double BrightnessCurve::Apply(double value) const {
  return scale * std::pow(std::max(value, 0.0), power) + offset;
}

double BrightnessCurve::Invert(double value) const {
  if (value <= offset) return 0.0;
  return std::pow((value - offset) / scale, 1.0 / power);
}

bool ArrayGroupTruth::Changed(int array, int unit) const {
  return arrays[static_cast<std::size_t>(array)].fold[static_cast<std::size_t>(unit)] != 1.0;
}

double ArrayGroupTruth::Theta(int array, int unit) const {
  const auto u = static_cast<std::size_t>(unit);
  return expression[u] * arrays[static_cast<std::size_t>(array)].fold[u];
}

std::vector<double> ArrayGroupTruth::ThetaOfProbeSet(int unit) const {
  std::vector<double> theta;
  theta.reserve(arrays.size());
  for (std::size_t a = 0; a < arrays.size(); ++a) theta.push_back(Theta(static_cast<int>(a), unit));
  return theta;
}

ArrayGroupTruth MakeArrayGroup(const ChipTruth& chip, const ArrayGroupOptions& options) {
  Draws draws(options.seed);
  ArrayGroupTruth group;
  group.dimension = chip.dimension;
  const std::size_t cellCount =
      static_cast<std::size_t>(chip.dimension) * static_cast<std::size_t>(chip.dimension);
  const std::size_t unitCount = chip.units.size();

  std::vector<CellModel> cells(cellCount);
  for (CellModel& cell : cells)
    cell.background = options.background * std::exp(kBackgroundSpread * draws.Normal());

  group.present.resize(unitCount);
  group.expression.resize(unitCount);
  const double lowLog = std::log(kLowestExpression);
  const double highLog = std::log(kHighestExpression);
  for (std::size_t u = 0; u < unitCount; ++u) {
    const bool present = draws.Percent(options.presentPercent);
    group.present[u] = present ? 'P' : 'A';
    group.expression[u] = present ? std::exp(lowLog + (highLog - lowLog) * draws.Uniform()) : 0.0;
    for (const ProbeBlock& block : chip.units[u].blocks) {
      for (const ProbePair& pair : block.pairs) {
        // Both cells of a pair share its background and binding, so an absent probe set
        // shows no difference beyond the noise.
        const double binding =
            std::exp(std::log(kLowestBinding) +
                     std::log(kHighestBinding / kLowestBinding) * draws.Uniform());
        const double background =
            options.background * std::exp(kBackgroundSpread * draws.Normal()) + binding;
        const double signal = group.expression[u] * std::exp(kAffinitySpread * draws.Normal());
        CellModel& pm = cells[group.CellIndex(pair.pm.x, pair.pm.y)];
        pm = {background, signal, static_cast<int>(u)};
        if (pair.mm.x >= 0)
          cells[group.CellIndex(pair.mm.x, pair.mm.y)] = {background, kMismatchShare * signal,
                                                          static_cast<int>(u)};
      }
    }
  }
  group.trueIntensity.resize(cellCount);
  for (std::size_t i = 0; i < cellCount; ++i)
    group.trueIntensity[i] = cells[i].background + cells[i].signal;

  group.badFactors.assign(cellCount, 1.0);
  if (options.badArray >= 0 && options.badArray < options.arrays) {
    group.badArray = options.badArray;
    Draws bad(options.seed ^ kBadArraySalt);
    const double lowLogFactor = std::log(kLowestBadFactor);
    const double highLogFactor = std::log(kHighestBadFactor);
    for (const ChipUnit& unit : chip.units)
      for (const ProbeBlock& block : unit.blocks)
        for (const ProbePair& pair : block.pairs) {
          const double factor =
              std::exp(lowLogFactor + (highLogFactor - lowLogFactor) * bad.Uniform());
          group.badFactors[group.CellIndex(pair.pm.x, pair.pm.y)] = factor;
          if (pair.mm.x >= 0) group.badFactors[group.CellIndex(pair.mm.x, pair.mm.y)] = factor;
        }
  }

  const std::vector<BrightnessCurve> curves =
      options.curves.empty() ? DefaultCurves() : options.curves;
  group.arrays.resize(static_cast<std::size_t>(std::max(options.arrays, 0)));
  for (std::size_t a = 0; a < group.arrays.size(); ++a) {
    SynthesisedArray& array = group.arrays[a];
    if (a > 0) array.curve = curves[(a - 1) % curves.size()];
    array.fold.assign(unitCount, 1.0);
    if (a > 0) {
      for (double& fold : array.fold) {
        if (!draws.Percent(options.changedPercent)) continue;
        fold = draws.Uniform() < 0.5 ? options.changeFold : 1.0 / options.changeFold;
      }
    }
    array.intensities.resize(cellCount);
    array.standardErrors.resize(cellCount);
    const bool bad = static_cast<int>(a) == group.badArray;
    for (std::size_t i = 0; i < cellCount; ++i) {
      const CellModel& cell = cells[i];
      double fold = cell.unit >= 0 ? array.fold[static_cast<std::size_t>(cell.unit)] : 1.0;
      if (bad) fold *= group.badFactors[i];
      const double value =
          (cell.background + cell.signal * fold) * std::exp(options.noise * draws.Normal());
      const double scanned = array.curve.Apply(value);
      array.intensities[i] = ToIntensity(scanned);
      const double spread = kPixelRelativeSpread * scanned + kPixelSpreadFloor;
      array.standardErrors[i] =
          static_cast<std::uint16_t>(std::min(spread / std::sqrt(kPixelCount), 65535.0));
    }
  }
  for (const BrightSpot& spot : options.spots) {
    if (spot.array < 0 || spot.array >= static_cast<int>(group.arrays.size()) || spot.radius < 0)
      continue;
    PlantedSpot planted{spot, SpotCells(spot, group.dimension)};
    SynthesisedArray& array = group.arrays[static_cast<std::size_t>(spot.array)];
    const double spread = kPixelRelativeSpread * spot.value + kPixelSpreadFloor;
    for (const auto& [x, y] : planted.cells) {
      array.intensities[group.CellIndex(x, y)] = spot.value;
      array.standardErrors[group.CellIndex(x, y)] =
          static_cast<std::uint16_t>(spread / std::sqrt(kPixelCount));
    }
    group.spots.push_back(std::move(planted));
  }
  return group;
}

ArrayTruth ScannedArray(const ChipTruth& chip, const ArrayGroupTruth& group, int array,
                        const std::string& name, const std::string& scanTime) {
  const SynthesisedArray& source = group.arrays[static_cast<std::size_t>(array)];
  ArrayTruth scanned;
  scanned.chipType = chip.chipType;
  scanned.name = name;
  scanned.scanTime = scanTime;
  scanned.dimension = group.dimension;
  scanned.rotated = chip.rotated;
  scanned.unitLevels = group.expression;
  scanned.affinities.assign(group.trueIntensity.size(), 0.0);
  scanned.cells.resize(group.trueIntensity.size());
  for (std::size_t i = 0; i < scanned.cells.size(); ++i) {
    CellTruth& cell = scanned.cells[i];
    cell.model = group.trueIntensity[i];
    cell.mean = source.intensities[i];
    cell.pixels = static_cast<std::int16_t>(kPixelCount);
    cell.deviation = static_cast<float>(source.standardErrors[i] * std::sqrt(kPixelCount));
  }
  return scanned;
}

std::vector<char> MakeGenotypes(const ChipTruth& chip, std::uint64_t seed, int noCallPercent) {
  Draws draws(seed);
  std::vector<char> calls(chip.units.size());
  for (char& call : calls) {
    if (draws.Percent(noCallPercent)) {
      call = 3;
      continue;
    }
    static constexpr char kCalled[] = {0, 1, 2};
    call = kCalled[static_cast<std::size_t>(draws.Uniform() * 3.0) % 3];
  }
  return calls;
}

}  // namespace synth
