// Normalising one array's cell intensities onto the baseline array: quantiles of the
// intensities, the matched-quantile curve, and NormalizeCel, which maps the raw plane
// through the fitted curve into plane 2.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/cell_kinds.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

namespace {

constexpr int kQuantilePairs = 6000;
constexpr std::size_t kPumpStep = 1000;
constexpr std::size_t kProgressStep = 10000;

}  // namespace

bool PlanesFitLayout(const CHIP_DATA& array, const CHIP_DATA& baseline) {
  const std::size_t cells = Layout.cells.size();
  if (cells > 0 && array.plane1.size() == cells && baseline.plane1.size() == cells) return true;
  ArrayMessage(
      MessageBuffer("    Cannot normalize: the array holds %zu and the baseline %zu intensities "
                    "for the %zu cells of the chip layout",
                    array.plane1.size(), baseline.plane1.size(), cells),
      0, kLogRed);
  return false;
}

double CHIP_DATA::GetQuantile(double q, bool fromNormalised) const {
  const std::size_t cells = Layout.cells.size();
  const std::vector<std::uint16_t>& plane = fromNormalised ? plane2 : plane1;
  if (cells == 0 || plane.size() != cells) return MISSING_VALUE;
  return QuantileOf(*LayoutCellKinds(), q, fromNormalised);
}

double CHIP_DATA::QuantileOf(const CellKinds& kinds, double q, bool fromNormalised) const {
  const std::vector<std::uint16_t>& plane = fromNormalised ? plane2 : plane1;
  const std::size_t cells = Layout.cells.size();
  if (cells == 0 || plane.size() != cells || kinds.CellCount() != cells) return MISSING_VALUE;
  // Kept for the thread's next array.
  static thread_local std::vector<std::uint16_t> sample;
  const std::span<const std::uint32_t> sampled = kinds.QuantileCells();
  sample.resize(sampled.size());
  for (std::size_t i = 0; i < sampled.size(); ++i) sample[i] = plane[sampled[i]];
  return SelectQuantile(std::span<const std::uint16_t>(sample), q);
}

std::int32_t CHIP_DATA::RawMedian() const {
  const double median = GetQuantile(0.5, false);
  return IsMissing(median) ? medianIntensity : static_cast<std::int32_t>(median);
}

namespace {

// The values of a sample counted by value, read out as its order statistics for
// ascending ranks.
class CountedSample {
 public:
  void Clear() { mCounts.assign(65536, 0); }
  void Add(std::uint16_t value) { ++mCounts[value]; }
  // The value of rank m (0 for the smallest) of the sorted sample; m never decreases
  // from one call to the next.
  std::uint16_t Next(std::size_t m) {
    while (mBelow + static_cast<std::size_t>(mCounts[mValue]) <= m)
      mBelow += static_cast<std::size_t>(mCounts[mValue++]);
    return static_cast<std::uint16_t>(mValue);
  }
  void Rewind() {
    mValue = 0;
    mBelow = 0;
  }

 private:
  std::vector<int> mCounts;
  std::size_t mValue = 0;
  std::size_t mBelow = 0;  // the values below mValue
};

}  // namespace

bool CHIP_DATA::GetNormalizeQuantiles(const CHIP_DATA* baseline) {
  if (!PlanesFitLayout(*this, *baseline)) return false;
  const std::size_t step = ExonArray != 0 ? 10 : 3;
  // The sorted samples' values are read from their counts, which give what sorting them
  // gives; kept for the thread's next array.
  static thread_local CountedSample arrayValues;
  static thread_local CountedSample baselineValues;
  std::shared_ptr<const CellKinds> kinds;
  try {
    kinds = LayoutCellKinds();
    arrayValues.Clear();
    baselineValues.Clear();
  } catch (const std::bad_alloc&) {
    ArrayMessage("    Allocation failed in GetNormalizeQuantiles()", 0, kLogRed);
    return false;
  }
  // The perfect-match cells among every step-th cell; the cells come in order, so the next
  // step-th cell is counted up to rather than found by a division per cell.
  std::size_t taken = 0;
  std::size_t next = 0;
  for (const int cell : kinds->PerfectMatchCells()) {
    const auto i = static_cast<std::size_t>(cell);
    while (next < i) next += step;
    if (next != i) continue;
    arrayValues.Add(plane1[i]);
    baselineValues.Add(baseline->plane1[i]);
    ++taken;
  }
  if (taken == 0) {
    ArrayMessage("    No perfect-match cells to match quantiles on", 0, kLogRed);
    return false;
  }
  ArrayMessage("    Sorting array and baseline data vectors...");
  arrayValues.Rewind();
  baselineValues.Rewind();

  const auto count = static_cast<double>(taken);
  const std::size_t last = taken - 1;
  // The pairs come in ascending order of both values, as a stable sort leaves them.
  NORMALIZER& normalizer = Normalizer;
  const std::span<NormPoint> points = normalizer.PointsToWrite(kQuantilePairs);
  for (int i = 0; i < kQuantilePairs; ++i) {
    const auto m = std::min(static_cast<std::size_t>(std::floor(i * count / kQuantilePairs)), last);
    points[static_cast<std::size_t>(i)] = {static_cast<float>(arrayValues.Next(m)),
                                           static_cast<float>(baselineValues.Next(m))};
  }
  return normalizer.FitSortedCurve();
}

bool CHIP_DATA::NormalizeCel(const CHIP_DATA* baseline, bool force, bool keepCurve, bool save,
                             const InvariantBaseline* prepared) {
  assert(baseline != nullptr && "NormalizeCel needs the baseline array");
  if (!force && normalised != 0 && SameFileName(baselinePath, baseline->dataPath)) {
    ArrayMessage("    Use the existing normalized values");
    return true;
  }
  // The stored median of an array normalised before is the mapped one; a new baseline
  // maps the raw one.
  const std::int32_t rawMedian = RawMedian();
  if (SameFileName(dataPath, baseline->dataPath)) {
    ArrayMessage("    Do not normalize the baseline array");
    plane2 = plane1;
    medianIntensity = rawMedian;
  } else {
    const bool fitted = ArraySettings().NORM_METHOD != 0 ? GetNormalizeQuantiles(baseline)
                                                         : FilterDat(baseline, prepared);
    if (!fitted) return false;
    ArrayMessage("    Normalizing CEL: ");
    // Raw intensities are 16-bit, so the curve is evaluated once per possible value, into
    // a table kept for the thread's next array.
    static thread_local std::vector<std::uint16_t> mapped(65536);
    Normalizer.MapIntensities(mapped);
    plane2.resize(plane1.size());
    // The cells a pump step at a time, the checks between the steps.
    for (std::size_t from = 0; from < plane1.size(); from += kPumpStep) {
      if (from > 0) {
        ArrayProgressPump();
        if (ArrayStopped()) return false;
        if (from % kProgressStep == 0)
          ArrayProgress(MessageBuffer("    Normalizing CEL: %d", static_cast<int>(from)));
      }
      const std::size_t to = std::min(from + kPumpStep, plane1.size());
      for (std::size_t i = from; i < to; ++i) plane2[i] = mapped[plane1[i]];
    }
    const auto mappedMedian = static_cast<std::int32_t>(Normalizer.MapValue(rawMedian));
    ArrayMessage(MessageBuffer("    Median probe intensity: %d -> %d", static_cast<int>(rawMedian),
                               static_cast<int>(mappedMedian)),
                 1);
    medianIntensity = mappedMedian;
    valuesPresent = 0;
  }
  normalised = 1;
  if (!keepCurve) Normalizer.FreeCurve();
  baselinePath = baseline->dataPath;
  return !save || WriteQvf();
}
