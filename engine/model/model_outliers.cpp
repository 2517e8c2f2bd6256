// The model's outlier marks: image spikes in the data before the fit, and the single,
// array and probe outlier steps between fits.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "engine/group/sample_grouping.hpp"
#include "engine/model/model.hpp"
#include "engine/numerics/lane_quantiles.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/numerics/partitioned_select.hpp"

namespace {

// A probe with at most this many marked cells tests each against its limit by counting
// the probe's values below it; more take the quantile itself.
constexpr int kCountedMarks = 8;
// Lists this short take SelectQuantile, which sorts them.
constexpr int kSortedListLimit = 24;

// SelectQuantile's value of the model's lists: of absolute values or of positive standard
// errors, never zeros of different signs. Short lists, and lists with NaN, take
// SelectQuantile itself.
double ModelQuantile(double* values, int n, double q) {
  if (n <= kSortedListLimit || n > kPartitionedSelectMax) return SelectQuantile(values, n, q);
  bool numbers = true;
  for (int i = 0; i < n; ++i) numbers = numbers && !std::isnan(values[i]);
  return numbers ? PartitionedQuantile(values, n, q) : SelectQuantile(values, n, q);
}

// How many of the n values lie below size once multiplied by kOutlierFactor, two at a
// time: each comparison of a pair gives -1 in the lanes it holds for.
int CountFactorBelow(const double* values, int n, double size) {
  using Pair = double __attribute__((vector_size(2 * sizeof(double))));
  using Counts = std::int64_t __attribute__((vector_size(2 * sizeof(std::int64_t))));
  Counts below{};
  int i = 0;
  for (; i + 2 <= n; i += 2) {
    Pair pair;
    std::memcpy(&pair, values + i, sizeof pair);
    below -= pair * kOutlierFactor < size;
  }
  int count = static_cast<int>(below[0] + below[1]);
  for (; i < n; ++i) count += kOutlierFactor * values[i] < size ? 1 : 0;
  return count;
}

}  // namespace

// The vector holds arrays x probes values, so one array's always fit.
double MODEL::RowAbsQuantile(const std::vector<double>& matrix, int array) {
  double* values = mQuantileValues->Elements();
  const double* row = &matrix[Cell(array, 0)];
  for (int j = 0; j < mProbes; ++j) values[j] = std::fabs(row[j]);
  return ModelQuantile(values, mProbes, kOutlierQuantile);
}

// The arrays' quantiles go four arrays side by side; an array with NaN among its values
// takes its own selection.
void MODEL::SetArrayLimits(const std::vector<double>& matrix) {
  std::array<bool, kModelMaxArrays> numbers;
  const bool sideBySide = LaneAbsQuantilesTake(mProbes, kOutlierQuantile);
  if (sideBySide)
    LaneAbsQuantiles(matrix.data(), Index(mProbes), mArrays, mProbes, kOutlierQuantile,
                     mArrayLimit.data(), numbers.data());
  for (int i = 0; i < mArrays; ++i) {
    const double quantile =
        sideBySide && numbers[Index(i)] ? mArrayLimit[Index(i)] : RowAbsQuantile(matrix, i);
    mArrayLimit[Index(i)] = kOutlierFactor * quantile;
  }
}

// A size lies above kOutlierFactor times the quantile, the k-th smallest value, exactly
// when more than k values times kOutlierFactor lie below it: the product rounds the
// larger of two values to no less, so the values whose products lie below a size are the
// smallest ones. A few marks are settled by counting, with the same answer as the
// quantile's limit gives and no selection; lists with NaN take the quantile. The vector
// holds arrays x probes values, so one probe's always fit and are written straight into it.
int MODEL::WithinProbeLimit(const std::vector<double>& matrix, int probe, const int* marked,
                            int count, int* within) {
  double* values = mQuantileValues->Elements();
  const double* const column = &matrix[Cell(0, probe)];
  const std::size_t stride = Index(mProbes);
  const int arrays = mArrays;
  bool numbers = true;
  for (int i = 0; i < arrays; ++i) {
    values[i] = std::fabs(column[Index(i) * stride]);
    numbers = numbers && !std::isnan(values[i]);
  }
  int kept = 0;
  if (!numbers || count > kCountedMarks) {
    const double limit = kOutlierFactor * ModelQuantile(values, arrays, kOutlierQuantile);
    for (int m = 0; m < count; ++m)
      if (!(std::fabs(column[Index(marked[m]) * stride]) > limit)) within[kept++] = marked[m];
    return kept;
  }
  const int rank = QuantileRank(arrays, kOutlierQuantile);
  for (int m = 0; m < count; ++m)
    if (CountFactorBelow(values, arrays, values[marked[m]]) <= rank) within[kept++] = marked[m];
  return kept;
}

std::optional<double> MODEL::PositiveMedian(const double* errors, int count, const double* use) {
  DB_VECTOR& values = *mErrorValues;
  values.Clear();
  for (int k = 0; k < count; ++k) {
    if (use != nullptr && !(use[k] > kLowPhi)) continue;
    if (errors[k] > 0.0 && std::isfinite(errors[k])) values.Append(errors[k]);
  }
  if (values.Length() == 0) return std::nullopt;
  return ModelQuantile(values.Elements(), values.Length(), 0.5);
}

void MODEL::MarkImageSpikes() {
  SetArrayLimits(mData);
  // Each probe's marked arrays in order, listed as they are marked.
  std::array<int, kModelMaxProbes> marks{};
  int* const marked = mMarkedArrays.data();
  const std::size_t listStride = Index(mArrays);
  for (int i = 0; i < mArrays; ++i) {
    const double limit = mArrayLimit[Index(i)];
    for (int j = 0; j < mProbes; ++j) {
      const bool spike = std::fabs(mData[Cell(i, j)]) > limit;
      mSpike[Cell(i, j)] = spike ? 1 : 0;
      if (spike) marked[Index(j) * listStride + Index(marks[Index(j)]++)] = i;
    }
  }
  // A value as large as the probe's values on most arrays is the probe's nature, not a spike.
  // The data hold no NaN here (CheckData), so a value not above the limit is at most it.
  // A probe without marks has nothing to unmark.
  std::array<int, kModelMaxArrays> within;
  for (int j = 0; j < mProbes; ++j) {
    if (marks[Index(j)] == 0) continue;
    const int count =
        WithinProbeLimit(mData, j, &marked[Index(j) * listStride], marks[Index(j)], within.data());
    for (int m = 0; m < count; ++m) mSpike[Cell(within[Index(m)], j)] = 0;
  }
}

bool MODEL::DetectSingleOutliers() {
  const std::size_t cells = Cell(mArrays, 0);
  std::copy_n(mSingle.begin(), cells, mFlagBuffer.begin());
  std::fill_n(mSingle.begin(), cells, std::int16_t{0});
  std::fill_n(mSinglePerArray.begin(), mArrays, 0.0);
  std::fill_n(mSinglePerProbe.begin(), mProbes, 0.0);
  mSingleOutlierCount = 0;
  const int arrayLimit = static_cast<int>(mProbes * kOutlierShare);
  const int probeLimit = static_cast<int>(mArrays * kOutlierShare);

  SetArrayLimits(mResidual);
  // Each probe's marked arrays in order, listed as they are marked: the probe's count so
  // far is its next place.
  const int arrays = mArrays;
  const int probes = mProbes;
  const std::size_t listStride = Index(arrays);
  int* const marked = mMarkedArrays.data();
  for (int i = 0; i < arrays; ++i) {
    const double limit = mArrayLimit[Index(i)];
    const double* const row = &mResidual[Cell(i, 0)];
    for (int j = 0; j < probes; ++j) {
      if (!(std::fabs(row[j]) > limit)) continue;
      const double probeCount = mSinglePerProbe[Index(j)];
      if (mSinglePerArray[Index(i)] >= arrayLimit || probeCount >= probeLimit) continue;
      mSingle[Cell(i, j)] = 1;
      mSinglePerArray[Index(i)] += 1.0;
      mSinglePerProbe[Index(j)] = probeCount + 1.0;
      marked[Index(j) * listStride + static_cast<std::size_t>(probeCount)] = i;
      ++mSingleOutlierCount;
    }
  }
  // A residual as large as the probe's residuals on most arrays is not singular.
  std::array<int, kModelMaxArrays> within;
  for (int j = 0; j < probes; ++j) {
    const int marks = static_cast<int>(mSinglePerProbe[Index(j)]);
    if (marks == 0) continue;
    const int count =
        WithinProbeLimit(mResidual, j, &marked[Index(j) * listStride], marks, within.data());
    for (int m = 0; m < count; ++m) {
      const int i = within[Index(m)];
      mSingle[Cell(i, j)] = 0;
      mSinglePerArray[Index(i)] -= 1.0;
      mSinglePerProbe[Index(j)] -= 1.0;
      --mSingleOutlierCount;
    }
  }
  return !std::equal(mSingle.begin(), mSingle.begin() + static_cast<std::ptrdiff_t>(cells),
                     mFlagBuffer.begin());
}

bool MODEL::DetectArrayOutliers() {
  double squares = 0.0;
  for (int i = 0; i < mArrays; ++i)
    if (mArrayOutlier[Index(i)] == 0) squares += mResultTheta[Index(i)] * mResultTheta[Index(i)];
  std::copy_n(mArrayOutlier.begin(), mArrays, mPreviousArrayOutlier.begin());
  std::fill_n(mArrayOutlier.begin(), mArrays, std::int16_t{0});
  mArraysInUse = mArrays;
  const int minimumKept = std::max(kMinimumKept, static_cast<int>(mArrays * kOutlierShare));
  // A perfect fit has no positive standard error, and nothing to measure misfit against.
  const std::optional<double> median = PositiveMedian(mThetaStdErr.data(), mArrays, nullptr);

  for (int i = 0; i < mArrays && mArraysInUse > minimumKept; ++i) {
    const bool misfit = median && mThetaStdErr[Index(i)] > kOutlierFactor * *median;
    const bool dominant =
        mPreviousArrayOutlier[Index(i)] == 0 && squares > 0.0 &&
        mResultTheta[Index(i)] * mResultTheta[Index(i)] / squares > kDominantShare;
    if (!misfit && !dominant) continue;
    mArrayOutlier[Index(i)] = 1;
    --mArraysInUse;
  }

  // Replicates of a sample are never all set aside.
  if (mOptions.noRepArrayOutlier) {
    for (int s = 0; s < SampleGrouping.SampleCount(); ++s) {
      const int first = SampleGrouping.SampleFirst(s);
      const int replicates = SampleGrouping.ReplicateCount(s);
      bool allFlagged = replicates > 0;
      for (int k = 0; k < replicates && allFlagged; ++k) {
        const int array = SampleGrouping.OrderedArray(first + k);
        allFlagged = array >= 0 && array < mArrays && mArrayOutlier[Index(array)] != 0;
      }
      if (!allFlagged) continue;
      for (int k = 0; k < replicates; ++k) {
        mArrayOutlier[Index(SampleGrouping.OrderedArray(first + k))] = 0;
        ++mArraysInUse;
      }
    }
  }
  return !std::equal(mArrayOutlier.begin(), mArrayOutlier.begin() + mArrays,
                     mPreviousArrayOutlier.begin());
}

bool MODEL::DetectProbeOutliers() {
  // Probe effects read from the probe sensitivity index keep their marks.
  if (!mFitPhi) return false;
  const int probesBefore = mProbesInUse;
  std::copy_n(mProbeOutlier.begin(), mProbes, mPreviousProbeOutlier.begin());
  std::fill_n(mProbeOutlier.begin(), mProbes, std::int16_t{0});
  mProbesInUse = mProbes;

  const int excluded = std::min(mOptions.excludedFivePrimeProbes, mProbes);
  for (int j = 0; j < excluded && mProbesInUse >= kMinimumKept; ++j) {
    mProbeOutlier[Index(j)] = 1;
    --mProbesInUse;
  }

  const int minimumKept = std::max(kMinimumKept, static_cast<int>(mProbes * kOutlierShare));
  const std::optional<double> median =
      PositiveMedian(mPhiStdErr.data(), mProbes, mResultPhi.data());

  // Probes that barely respond. The difference model looks from the 3' end.
  const bool fromLast = mOptions.method == kModelPmMmDifference;
  for (int k = 0; k < mProbes && mProbesInUse > minimumKept; ++k) {
    const int j = fromLast ? mProbes - 1 - k : k;
    if (mProbeOutlier[Index(j)] != 0 || mResultPhi[Index(j)] > kLowPhi) continue;
    mProbeOutlier[Index(j)] = 1;
    --mProbesInUse;
  }

  for (int j = 0; j < mProbes && mProbesInUse > minimumKept; ++j) {
    if (mProbeOutlier[Index(j)] != 0) continue;
    const bool misfit = median && mPhiStdErr[Index(j)] > kOutlierFactor * *median;
    const bool dominant =
        mPreviousProbeOutlier[Index(j)] == 0 && probesBefore > 0 &&
        mResultPhi[Index(j)] * mResultPhi[Index(j)] / probesBefore > kDominantShare;
    if (!misfit && !dominant) continue;
    mProbeOutlier[Index(j)] = 1;
    --mProbesInUse;
  }
  return !std::equal(mProbeOutlier.begin(), mProbeOutlier.begin() + mProbes,
                     mPreviousProbeOutlier.begin());
}
