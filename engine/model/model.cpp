// The model fit: loading a probe set, the alternating fit of theta and phi, standard
// errors, the outlier iteration, Average Difference and the display order of arrays. The
// three outlier steps and the image spikes are in model_outliers.cpp.
#include "engine/model/model.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/array/local_background.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/fit_steps.hpp"
#include "engine/model/probe_data_cache.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/model/staged_cells.hpp"
#include "engine/model/standard_error_sums.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

MODEL Model;
int ExcludedFivePrimeProbes = 0;

static_assert(kModelMaxArrays <= kFitStepMaxArrays, "a fit step takes every array of the tables");

namespace {

// The mean change of phi below which a step has converged: VectorsConverged's bound,
// which the fit's steps apply in the pass that scales phi.
constexpr double kModelConvergence = 1.0e-6;

// The batch job fits the probe sets in order, and their cells lie scattered over every
// array's plane: asking for the next probe set's cells now lets them arrive while this
// one is fitted.
void PrefetchProbeSet(const Group& group, int probeSet) {
  if (!Layout.HasCells() || probeSet >= Layout.unitCount ||
      static_cast<std::size_t>(probeSet) >= Layout.units.size())
    return;
  const std::size_t planeSize =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  const auto positions = Layout.Positions(probeSet);
  for (const PairPositions& pair : positions)
    if (pair[1].x >= 0) __builtin_prefetch(&Layout.Cell(pair[1].x, pair[1].y));
  for (int i = 0; i < group.NumArrays(); ++i) {
    const std::vector<std::uint16_t>& plane = group.Array(i).intensities;
    if (plane.size() != planeSize) continue;
    for (const PairPositions& pair : positions)
      for (const ::ProbePosition& cell : pair)
        if (cell.x >= 0) __builtin_prefetch(&plane[Layout.CellIndex(cell.x, cell.y)]);
  }
}

// The standard error of one array's theta, or one probe's phi, from the sums over its
// cells in use: the squares of the other side's effects and of the misfits, and the count.
double SideStdErr(double residuals, double squares, int used) {
  return used >= 2 ? std::sqrt(residuals / (used - 1) / squares) : std::sqrt(residuals / squares);
}

}  // namespace

std::string_view ModelMethodName(int method) {
  switch (method) {
    case kModelPmMmDifference:
      return "PM/MM difference model";
    case kModelPmOnly:
      return "PM-only model";
    case kModelAverageDifference:
      return "Average Difference";
    case kModelFull:
      return "Full model";
    default:
      return "";
  }
}

ModelOptions ModelOptionsFrom(const GroupSettings& settings) {
  ModelOptions options;
  options.method = settings.MODEL_METHOD;
  options.detectSingleOutlier = settings.DETECT_SINGLE_OUTLIER != 0;
  options.detectArrayOutlier = settings.DETECT_ARRAY_OUTLIER != 0;
  options.detectProbeOutlier = settings.DETECT_PROBE_OUTLIER != 0;
  options.handleImageSpike = settings.HANDLE_IMAGE_SPIKE != 0;
  options.noRepArrayOutlier = settings.NO_REP_ARRAY_OUTLIER != 0;
  options.zeroNegDiff = settings.ZERO_NEG_DIFF != 0;
  options.separateAbSignal = settings.SEPARATE_AB_SIGNAL != 0;
  options.fitPhi = settings.PSI_MODE != kPsiReadAndUse;
  options.outlierInRange = settings.OUTLIER_IN_RANGE != 0;
  options.excludedFivePrimeProbes =
      std::clamp(ExcludedFivePrimeProbes, 0, kMaxExcludedFivePrimeProbes);
  return options;
}

double ProbeLevelValue(int method, bool pmOnlyArray, double pm, double mm, double background) {
  if (method == kModelPmOnly || (method == kModelAverageDifference && pmOnlyArray)) {
    const double value = pm - background;
    return value > 0.0 ? value : 0.0;
  }
  return pm - mm;
}

void ResetModel() {
  Model.ClearProbeSet();
}

MODEL::MODEL() = default;

void MODEL::Say(std::string_view text, int replaceLastLine, COLORREF colour) {
  if (!mOnWorker) {
    LogMessage(text, replaceLastLine, colour);
    return;
  }
  mKeptLog.push_back({std::string(text), colour});
}

std::vector<MODEL::LogLine> MODEL::TakeLog() {
  return std::exchange(mKeptLog, {});
}

void MODEL::EnsureStorage(std::size_t cells) {
  if (mData.size() >= cells) return;
  // Grown, never shrunk: cells kept from an earlier probe set read as they did before.
  for (std::vector<double>* matrix : {&mPm, &mMm, &mData, &mFitted, &mResidual, &mBackground})
    matrix->resize(cells, 0.0);
  mSingle.resize(cells, 0);
  mSpike.resize(cells, 0);
}

bool MODEL::GetData(int probeSet) {
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  if (probeSet < 0 || probeSet >= Layout.unitCount ||
      static_cast<std::size_t>(probeSet) >= Layout.units.size()) {
    Say(MessageBuffer(kModelNoSuchProbeSetMessage, probeSet, Layout.unitCount), 0, kLogRed);
    return false;
  }
  ModelOptions options = ModelOptionsFrom(settings);
  const int groupArrays = group.NumArrays();
  const int pairs =
      std::max(0, static_cast<int>(Layout.units[static_cast<std::size_t>(probeSet)].pairCount));
  // Written only when it changes, so models fitting side by side on several threads read
  // the settings without writing them.
  if (ArrayType == 0 && settings.SEPARATE_AB_SIGNAL != 0) settings.SEPARATE_AB_SIGNAL = 0;
  if (ArrayType == 0) options.separateAbSignal = false;
  const bool separate = ArrayType != 0 && options.separateAbSignal;
  if (groupArrays > kModelMaxArrays ||
      (separate && 2 * groupArrays > kModelSeparateSignalArrayLimit)) {
    Say(kModelArrayLimitMessage, 0, kLogRed);
    return false;
  }
  const int probes = options.method == kModelFull ? 2 * pairs : pairs;
  if (probes > kModelMaxProbes) {
    Say(MessageBuffer(kModelProbeLimitMessage, probeSet, probes, kModelMaxProbes), 0, kLogRed);
    return false;
  }

  // The separated signals take a second copy of the arrays.
  EnsureStorage(static_cast<std::size_t>(separate ? 2 * groupArrays : groupArrays) *
                static_cast<std::size_t>(probes));
  mOptions = options;
  mProbeSet = probeSet;
  mArrays = groupArrays;
  mGroupArrays = groupArrays;
  mProbes = probes;
  mPhiGiven = false;
  mPresentPercent = static_cast<int>(100.0 * group.PresentCallFraction(probeSet, nullptr, 0));

  const bool intensitiesHeld = settings.LOAD_PROBE_DATA != 0 && group.HasProbeData;
  LocateProbes(probeSet, pairs);
  GatherData(group, probeSet, pairs, intensitiesHeld);
  if (intensitiesHeld) {
    if (mStaged == nullptr || !mStaged->Covers(probeSet + 1)) PrefetchProbeSet(group, probeSet + 1);
  } else {
    ProbeCache.Advance(pairs);
  }
  for (int i = 0; i < groupArrays; ++i) {
    const auto& calls = group.Array(i).calls;
    mCalls[Index(i)] =
        static_cast<std::size_t>(probeSet) < calls.size() ? calls[Index(probeSet)] : '\0';
  }
  mSeparated = false;
  if (ArrayType != 0) CombineAlleles(separate);

  if (probes > 0) {
    mFirstPosition = mProbePosition[0];
    mLastPosition = mProbePosition[Index(probes - 1)];
  } else {
    mFirstPosition = 0;
    mLastPosition = 0;
  }
  if (ArrayType == 0)
    for (int j = 0; j < probes; ++j) mProbePosition[Index(j)] -= mFirstPosition;
  mPositionSpan = mLastPosition - mFirstPosition + 1;

  mFitPhi = options.fitPhi;
  RunMethod();
  mArrays = groupArrays;
  if (mDisplayMode) GetDisplayRange();
  return true;
}

void MODEL::LocateProbes(int probeSet, int pairs) {
  const auto positions = Layout.Positions(probeSet);
  mCellsKnown = Layout.HasCells() && static_cast<int>(positions.size()) >= pairs;
  for (int j = 0; j < pairs; ++j) {
    const PairPositions pair = mCellsKnown ? positions[Index(j)] : PairPositions{};
    const bool pmKnown = pair[1].x >= 0;
    mProbePosition[Index(j)] = pmKnown ? Layout.Cell(pair[1].x, pair[1].y).value : j;
    mPmCell[Index(j)] =
        pmKnown ? static_cast<std::ptrdiff_t>(Layout.CellIndex(pair[1].x, pair[1].y)) : -1;
    mMmCell[Index(j)] =
        pair[0].x >= 0 ? static_cast<std::ptrdiff_t>(Layout.CellIndex(pair[0].x, pair[0].y)) : -1;
    mZone[Index(j)] = pmKnown ? BackgroundZone(pair[1].x, pair[1].y) : -1;
  }
  // The full model's second half is not filled: it repeats the positions and holds zeros.
  for (int j = pairs; j < mProbes; ++j) mProbePosition[Index(j)] = mProbePosition[Index(j - pairs)];
}

void MODEL::GatherData(const Group& group, int probeSet, int pairs, bool intensitiesHeld) {
  const std::size_t planeSize =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  const bool fromCache = !intensitiesHeld && ProbeCache.Holds(probeSet);
  const bool pmOnlyArray = PmOnly != 0;
  // The staged copy holds a probe set only when every array's plane gives its cells.
  const std::uint16_t* const staged =
      intensitiesHeld && mCellsKnown && mStaged != nullptr ? mStaged->Find(probeSet) : nullptr;
  for (int i = 0; i < mGroupArrays; ++i) {
    const ArraySlot& slot = group.Array(i);
    const std::uint16_t* plane = slot.intensities.data();
    const std::size_t row = Cell(i, 0);
    const bool fromPlane = intensitiesHeld && mCellsKnown && slot.intensities.size() == planeSize;
    // Zeros where nothing is gathered: past the pairs (the full model's second half), or
    // the whole row when the plane gives none.
    const int gathered = fromPlane ? pairs : 0;
    for (int j = gathered; j < mProbes; ++j) {
      mPm[row + Index(j)] = 0.0;
      mMm[row + Index(j)] = 0.0;
      mBackground[row + Index(j)] = 0.0;
      mData[row + Index(j)] = 0.0;
    }
    if (fromPlane && staged != nullptr) {
      const std::uint16_t* const cells = staged + Index(i) * 2 * Index(pairs);
      for (int j = 0; j < pairs; ++j) {
        mPm[row + Index(j)] = cells[2 * Index(j)];
        mMm[row + Index(j)] = cells[2 * Index(j) + 1];
      }
    } else if (fromPlane) {
      // The loads first, in a loop of their own, so the cells scattered over the plane
      // are fetched side by side.
      for (int j = 0; j < pairs; ++j) {
        const std::ptrdiff_t pm = mPmCell[Index(j)];
        const std::ptrdiff_t mm = mMmCell[Index(j)];
        mPm[row + Index(j)] = pm >= 0 ? plane[pm] : 0.0;
        mMm[row + Index(j)] = mm >= 0 ? plane[mm] : 0.0;
      }
    }
    if (fromPlane) {
      for (int j = 0; j < pairs; ++j) {
        const int zone = mZone[Index(j)];
        const double background = zone >= 0 ? slot.background[Index(zone)] : 0.0;
        mBackground[row + Index(j)] = background;
        mData[row + Index(j)] = ProbeLevelValue(mOptions.method, pmOnlyArray, mPm[row + Index(j)],
                                                mMm[row + Index(j)], background);
      }
    } else if (fromCache) {
      for (int j = 0; j < pairs; ++j) mData[row + Index(j)] = ProbeCache.Value(i, j);
    }
    if (mOptions.zeroNegDiff)
      for (int j = 0; j < pairs; ++j) mData[row + Index(j)] = std::max(0.0, mData[row + Index(j)]);
  }
}

// SNP arrays: each second-allele probe's value joins its partner's, or with the A and B
// signals apart moves to the partner's place in a second copy of the arrays.
void MODEL::CombineAlleles(bool separate) {
  const int arrays = mGroupArrays;
  const int quarter = mProbes / 4;
  const int half = mProbes / 2;
  if (separate) {
    for (std::vector<double>* matrix : {&mPm, &mMm, &mBackground, &mData})
      std::fill(matrix->begin() + static_cast<std::ptrdiff_t>(Cell(arrays, 0)),
                matrix->begin() + static_cast<std::ptrdiff_t>(Cell(2 * arrays, 0)), 0.0);
    for (int i = 0; i < arrays; ++i) mCalls[Index(arrays + i)] = mCalls[Index(i)];
  }
  for (int j = 0; j < mProbes; ++j) {
    int partner = -1;
    if (ArrayType == 3) {
      if (mProbePosition[Index(j)] < 0) partner = j + mProbePosition[Index(j)];
    } else if (half > 0 && j % half >= quarter) {
      partner = j - quarter;
    }
    // A probe set too small to have second-allele probes would be its own partner.
    if (partner < 0 || partner >= mProbes || partner == j) continue;
    for (int i = 0; i < arrays; ++i) {
      const double value = mData[Cell(i, j)];
      if (separate) {
        mData[Cell(arrays + i, partner)] = value;
        mData[Cell(arrays + i, j)] = 0.0;
      } else {
        mData[Cell(i, partner)] += value;
      }
      mData[Cell(i, j)] = 0.0;
    }
  }
  if (!separate) return;
  mArrays = 2 * arrays;
  mSeparated = true;
}

bool MODEL::LoadData(int arrays, int probes, std::span<const double> values,
                     std::span<const char> calls, const ModelOptions& options,
                     std::span<const double> fixedPhi) {
  if (arrays < 0 || arrays > kModelMaxArrays) {
    Say(kModelArrayLimitMessage, 0, kLogRed);
    return false;
  }
  if (probes < 0 || probes > kModelMaxProbes) {
    Say(MessageBuffer(kModelProbeLimitMessage, -1, probes, kModelMaxProbes), 0, kLogRed);
    return false;
  }
  const auto cells = static_cast<std::size_t>(arrays) * static_cast<std::size_t>(probes);
  if (values.size() < cells ||
      (!options.fitPhi && fixedPhi.size() < static_cast<std::size_t>(probes))) {
    Say(MessageBuffer("  Error: %zu values and %zu probe effects given for %d arrays x %d probes",
                      values.size(), fixedPhi.size(), arrays, probes),
        0, kLogRed);
    return false;
  }
  EnsureStorage(cells);
  mOptions = options;
  mProbeSet = -1;
  mArrays = arrays;
  mGroupArrays = arrays;
  mProbes = probes;
  mSeparated = false;
  mPresentPercent = 0;
  for (std::size_t cell = 0; cell < cells; ++cell) {
    double value = values[cell];
    if (options.zeroNegDiff && value < 0.0) value = 0.0;
    mData[cell] = value;
    mPm[cell] = 0.0;
    mMm[cell] = 0.0;
    mBackground[cell] = 0.0;
  }
  for (int i = 0; i < arrays; ++i) {
    mCalls[Index(i)] = Index(i) < calls.size() ? calls[Index(i)] : '\0';
    if (mCalls[Index(i)] == kCallPresent) ++mPresentPercent;
  }
  mPresentPercent = arrays > 0 ? 100 * mPresentPercent / arrays : 0;
  for (int j = 0; j < probes; ++j) mProbePosition[Index(j)] = j;
  mFirstPosition = 0;
  mLastPosition = std::max(0, probes - 1);
  mPositionSpan = probes > 0 ? probes : 1;

  mFitPhi = options.fitPhi;
  mPhiGiven = !options.fitPhi;
  if (mPhiGiven)
    for (int j = 0; j < probes; ++j) SetFixedProbe(j, fixedPhi[Index(j)], 0.0, false);
  RunMethod();
  if (mDisplayMode) GetDisplayRange();
  return true;
}

void MODEL::SetFixedProbe(int probe, double phi, double stdErr, bool outlier) {
  mResultPhi[Index(probe)] = phi;
  mPhiStdErr[Index(probe)] = stdErr;
  mProbeOutlier[Index(probe)] = outlier ? 1 : 0;
}

void MODEL::RunMethod() {
  const bool iterative = mOptions.method != kModelAverageDifference;
  CheckData();
  if (iterative) PrepareWorkBuffers();
  if (iterative && mOptions.handleImageSpike && mUnusable == nullptr) {
    MarkImageSpikes();
  } else {
    std::fill_n(mSpike.begin(), Cell(mArrays, 0), std::uint8_t{0});
  }
  ResetOutliers();
  if (mUnusable != nullptr) {
    FailProbeSet(mUnusable, mUnusableCount);
    return;
  }
  if (iterative) {
    FitModel(false);
  } else {
    AverageDifference();
  }
}

// The lists grow to the largest probe set fitted and keep their room for smaller ones.
void MODEL::PrepareWorkBuffers() {
  const int cells = mArrays * mProbes;
  if (!mQuantileValues || mQuantileValues->Capacity() < cells) {
    mQuantileValues.emplace(cells);
    mErrorValues.emplace(cells);
  }
  mFlagBuffer.resize(static_cast<std::size_t>(cells));
  if (mMarkedArrays.size() < static_cast<std::size_t>(cells))
    mMarkedArrays.resize(static_cast<std::size_t>(cells));
}

void MODEL::ResetOutliers() {
  // The data may be new: the next fit lays out every cell.
  mWorkLaidOut = false;
  std::fill_n(mSingle.begin(), Cell(mArrays, 0), std::int16_t{0});
  std::fill_n(mArrayOutlier.begin(), mArrays, std::int16_t{0});
  std::fill_n(mSinglePerArray.begin(), mArrays, 0.0);
  std::fill_n(mSinglePerProbe.begin(), mProbes, 0.0);
  if (!mPhiGiven) std::fill_n(mProbeOutlier.begin(), mProbes, std::int16_t{0});
  mSingleOutlierCount = 0;
  mArraysInUse = mArrays;
  mProbesInUse = mProbes;
  mChanged = true;
  // Data that cannot be fitted stay so until other data are loaded.
  mFailed = mUnusable != nullptr;
  mPass = 0;
  mUnchangedPasses = 0;
  if (mFitPhi) return;
  // Without the probe sensitivity index there is nothing to hold phi at: fit it, and say so.
  if (!mPhiGiven && (mProbeSet < 0 || !Psi.LoadPsi(mProbeSet, *this))) {
    mFitPhi = true;
    Say(MessageBuffer(kModelNoPsiMessage, mProbeSet), 0, kLogRed);
    return;
  }
  for (int j = 0; j < mProbes; ++j) {
    mPhi[Index(j)] = mResultPhi[Index(j)];
    if (mProbeOutlier[Index(j)] != 0) --mProbesInUse;
  }
}

int MODEL::FitModel(bool onePass) {
  // The view may step a fit that GetData did not iterate (Average Difference).
  PrepareWorkBuffers();
  for (;;) {
    if (mFailed) return mPass;
    // A model on a worker thread leaves the window to the calling thread.
    if (!mOnWorker) Progress().Pump();
    if (mChanged) {
      if (const char* failure = Fit()) {
        FailProbeSet(failure);
        return mPass;
      }
      ComputeStandardErrors();
    }
    mChanged = false;
    // The last fit's marks are about to change for good only on a pass that ends the
    // iteration whatever it finds: its explained share is summed before.
    if (onePass || mPass >= kModelLastPass) SettleExplained();
    switch (mPass % 3) {
      case 0:
        if (mOptions.detectSingleOutlier) mChanged = DetectSingleOutliers();
        break;
      case 1:
        if (mOptions.detectArrayOutlier) mChanged = DetectArrayOutliers();
        break;
      default:
        if (mOptions.detectProbeOutlier) mChanged = DetectProbeOutliers();
        break;
    }
    ++mPass;
    if (onePass || mPass > kModelLastPass) return mPass;
    mUnchangedPasses = mChanged ? 0 : mUnchangedPasses + 1;
    if (mUnchangedPasses >= kModelStablePasses) {
      SettleExplained();
      return mPass;
    }
  }
}

void MODEL::CheckData() {
  const std::size_t cells = Cell(mArrays, 0);
  std::size_t missing = 0;
  mUnusableCount = 0;
  for (std::size_t cell = 0; cell < cells; ++cell) {
    if (!std::isfinite(mData[cell])) ++mUnusableCount;
    if (IsMissing(mData[cell])) ++missing;
  }
  mUnusable = nullptr;
  if (mUnusableCount > 0) {
    mUnusable = kModelNotFiniteMessage;
  } else if (cells > 0 && missing == cells) {
    mUnusable = kModelAllMissingMessage;
  }
}

void MODEL::FailProbeSet(const char* message, int count) {
  mFailed = true;
  MarkResultsMissing();
  Say(MessageBuffer(message, mProbeSet, count), 0, kLogRed);
}

const char* MODEL::Fit() {
  const int arrays = mArrays;
  const int probes = mProbes;
  if (arrays < 1 || probes < 1 || mProbesInUse < 1) return kModelPhiScaleMessage;
  if (mPass == 0) {
    for (int i = 0; i < arrays; ++i) mTheta[Index(i)] = i + 1;
    if (mFitPhi)
      for (int j = 0; j < probes; ++j) mPhi[Index(j)] = j + 1;
  } else {
    std::copy_n(mResultTheta.begin(), arrays, mTheta.begin());
    if (mFitPhi) std::copy_n(mResultPhi.begin(), probes, mPhi.begin());
  }

  const std::int16_t* probeMask = mProbeOutlier.data();
  const std::int16_t* arrayMask = mArrayOutlier.data();
  // The work copies' rows and columns padded with zeros to whole lanes.
  const std::size_t arrayStride = PaddedToLanes(arrays);
  const std::size_t probeStride = PaddedToLanes(probes);
  const std::size_t workSize = std::max(arrayStride * Index(probes), Index(arrays) * probeStride);
  if (mWork.size() < workSize) {
    mWork.resize(workSize, 0.0);
    mWorkByProbe.resize(workSize, 0.0);
    mKeptByArray.resize(workSize, 0);
    mKeptByProbe.resize(workSize, 0);
  }
  const auto byArray = [&](int i, int j) { return Index(i) * probeStride + Index(j); };
  const auto byProbe = [&](int i, int j) { return Index(j) * arrayStride + Index(i); };
  // Cells left out of the fit take the present model's value: all cells are laid out once,
  // and on later outer steps only those left out change. A later fit of the same data
  // changes only the cells left out now or before, the others holding their own values.
  mLeftOut.clear();
  for (int i = 0; i < arrays; ++i) {
    for (int j = 0; j < probes; ++j) {
      const std::size_t cell = Cell(i, j);
      const bool leftOut = mSingle[cell] != 0 || mSpike[cell] != 0;
      if (mWorkLaidOut && !leftOut && mKeptByArray[byArray(i, j)] != 0) continue;
      const double value = leftOut ? mPhi[Index(j)] * mTheta[Index(i)] : mData[cell];
      mWork[byArray(i, j)] = value;
      mWorkByProbe[byProbe(i, j)] = value;
      mKeptByArray[byArray(i, j)] = leftOut ? 0 : -1;
      mKeptByProbe[byProbe(i, j)] = leftOut ? 0 : -1;
      if (leftOut) mLeftOut.push_back({i, j});
    }
    if (mWorkLaidOut) continue;
    for (std::size_t pad = byArray(i, probes); pad < byArray(i + 1, 0); ++pad) {
      mWork[pad] = 0.0;
      mKeptByArray[pad] = 0;
    }
  }
  if (!mWorkLaidOut)
    for (int j = 0; j < probes; ++j)
      for (std::size_t pad = byProbe(arrays, j); pad < byProbe(0, j + 1); ++pad) {
        mWorkByProbe[pad] = 0.0;
        mKeptByProbe[pad] = 0;
      }
  mWorkLaidOut = true;
  // With phi fitted and few enough probes a step is one pass over the arrays.
  const bool wholeSteps = mFitPhi && probes <= kFitStepMaxProbes;
  FitStep step;
  step.byProbe = mWorkByProbe.data();
  step.arrayStride = arrayStride;
  step.byArray = mWork.data();
  step.probeStride = probeStride;
  step.arrays = arrays;
  step.probes = probes;
  step.arrayMask = arrayMask;
  step.probeMask = probeMask;
  step.probesInUse = mProbesInUse;
  step.phi = mPhi.data();
  step.theta = mTheta.data();
  step.phiSums = mRowSums.data();
  for (int outer = 0; outer < kModelMaxOuterSteps; ++outer) {
    std::copy_n(mPhi.begin(), probes, mPhiOuter.begin());
    if (outer > 0)
      for (const auto& [i, j] : mLeftOut) {
        const double value = mPhi[Index(j)] * mTheta[Index(i)];
        mWork[byArray(i, j)] = value;
        mWorkByProbe[byProbe(i, j)] = value;
      }

    for (int inner = 0; inner < kModelMaxInnerSteps; ++inner) {
      if (!mFitPhi) std::copy_n(mPhi.begin(), probes, mPhiInner.begin());
      if (wholeSteps) {
        AlternatingStep(step);
      } else {
        MaskedColumnSums(mWorkByProbe.data(), arrayStride, arrays, mPhi.data(), probes, probeMask,
                         mRowSums.data());
        // Every sum divided, in a loop without branches that takes two at a time; the
        // quotients of arrays set aside are not kept.
        const double probesInUse = mProbesInUse;
        double* const quotients = mRowSums.data();
        for (int i = 0; i < arrays; ++i) quotients[i] /= probesInUse;
        double* const theta = mTheta.data();
        for (int i = 0; i < arrays; ++i)
          if (arrayMask[i] == 0) theta[i] = quotients[i];
        if (mFitPhi)
          MaskedColumnSums(mWork.data(), probeStride, probes, mTheta.data(), arrays, arrayMask,
                           mRowSums.data());
      }
      if (!mFitPhi) {
        if (VectorsConverged(mPhiInner.data(), mPhi.data(), probes, probeMask)) break;
        continue;
      }
      const double* const sums = mRowSums.data();
      double sumOfSquares = 0.0;
      for (int j = 0; j < probes; ++j)
        if (probeMask[j] == 0) sumOfSquares += sums[j] * sums[j];
      if (!(sumOfSquares > 0.0) || !std::isfinite(sumOfSquares)) {
        for (int j = 0; j < probes; ++j)
          if (probeMask[j] == 0) mPhi[Index(j)] = sums[j];
        return sumOfSquares > 0.0 ? kModelPhiOverflowMessage : kModelPhiScaleMessage;
      }
      // phi scaled to the probes in use, and its change summed as VectorsConverged sums
      // it (a probe set aside adds +0.0), in the same pass.
      const double factor = std::sqrt(mProbesInUse / sumOfSquares);
      double change = 0.0;
      for (int j = 0; j < probes; ++j) {
        const bool inUse = probeMask[j] == 0;
        const double before = mPhi[Index(j)];
        const double after = (inUse ? sums[j] : before) * factor;
        mPhi[Index(j)] = after;
        change += inUse ? std::fabs(before - after) : 0.0;
      }
      if (change / probes < kModelConvergence) break;
    }
    if (VectorsConverged(mPhiOuter.data(), mPhi.data(), probes, probeMask)) break;
  }
  if (mFitPhi) ApplySignRule();
  return nullptr;
}

void MODEL::ApplySignRule() {
  int positive = 0;
  int negative = 0;
  int presentPositive = 0;
  int presentNegative = 0;
  for (int i = 0; i < mArrays; ++i) {
    if (mArrayOutlier[Index(i)] != 0) continue;
    const bool present = mCalls[Index(i)] == kCallPresent;
    if (mTheta[Index(i)] > 0.0) {
      ++positive;
      presentPositive += present ? 1 : 0;
    } else if (mTheta[Index(i)] < 0.0) {
      ++negative;
      presentNegative += present ? 1 : 0;
    }
  }
  const double positiveShare =
      positive < 1 ? presentPositive : static_cast<double>(presentPositive) / positive;
  const double negativeShare =
      negative < 1 ? presentNegative : static_cast<double>(presentNegative) / negative;
  if (positiveShare > negativeShare || (positiveShare == negativeShare && positive >= negative))
    return;
  for (int i = 0; i < mArrays; ++i) mTheta[Index(i)] = -mTheta[Index(i)];
  for (int j = 0; j < mProbes; ++j) mPhi[Index(j)] = -mPhi[Index(j)];
}

// Each side's effects are refitted where set aside (an outlier takes the least-squares
// value) and their standard errors taken over the cells in use, those of neither a single
// outlier nor a spike nor an array (probe) set aside on the other side. The sums come from
// the fit's work copies, which hold every cell in use at its own value
// (StandardErrorSums). An effect that is not set aside keeps its value, so its misfits are
// summed in the same pass as its squares; only the effects set aside take a second pass
// with their refitted value. Without a usable cell an effect stays with a missing standard
// error.
void MODEL::ComputeStandardErrors() {
  const int arrays = mArrays;
  const int probes = mProbes;
  const std::size_t arrayStride = PaddedToLanes(arrays);
  const std::size_t probeStride = PaddedToLanes(probes);
  const double* const phi = mPhi.data();
  {
    std::array<double, kModelMaxArrays> cross;
    std::array<double, kModelMaxArrays> squares;
    std::array<double, kModelMaxArrays> residuals;
    std::array<std::int64_t, kModelMaxArrays> used;
    const ErrorCells cells{.columns = mWorkByProbe.data(),
                           .kept = mKeptByProbe.data(),
                           .stride = arrayStride,
                           .rows = arrays,
                           .count = probes,
                           .mask = mProbeOutlier.data(),
                           .factors = phi,
                           .effects = mTheta.data()};
    StandardErrorSums(cells, {cross.data(), squares.data(), residuals.data(), used.data()});
    for (int i = 0; i < arrays; ++i) {
      const std::size_t row = Cell(i, 0);
      const double current = mTheta[Index(i)];
      const double square = squares[Index(i)];
      if (!(square > 0.0)) {
        mResultTheta[Index(i)] = current;
        mThetaStdErr[Index(i)] = MISSING_VALUE;
        continue;
      }
      const bool setAside = mArrayOutlier[Index(i)] != 0;
      const double effect = setAside ? cross[Index(i)] / square : current;
      double residual = residuals[Index(i)];
      if (setAside) {
        residual = 0.0;
        for (int j = 0; j < probes; ++j) {
          const std::size_t cell = row + Index(j);
          const bool use = mProbeOutlier[Index(j)] == 0 && mSingle[cell] == 0 && mSpike[cell] == 0;
          const double misfit = Misfit(mData[cell], phi[j] * effect);
          residual += use ? misfit * misfit : 0.0;
        }
      }
      mResultTheta[Index(i)] = effect;
      mThetaStdErr[Index(i)] = SideStdErr(residual, square, static_cast<int>(used[Index(i)]));
    }
  }
  if (mFitPhi) {
    // The probes side by side, each taking the arrays' cells in their order.
    std::array<double, kModelMaxProbes> cross;
    std::array<double, kModelMaxProbes> squares;
    std::array<double, kModelMaxProbes> residuals;
    std::array<std::int64_t, kModelMaxProbes> used;
    ErrorCells cells{.columns = mWork.data(),
                     .kept = mKeptByArray.data(),
                     .stride = probeStride,
                     .rows = probes,
                     .count = arrays,
                     .mask = mArrayOutlier.data(),
                     .factors = mTheta.data(),
                     .effects = phi};
    StandardErrorSums(cells, {cross.data(), squares.data(), residuals.data(), used.data()});
    double* const effects = mResultPhi.data();
    bool refitted = false;
    for (int j = 0; j < probes; ++j) {
      const bool refit = squares[Index(j)] > 0.0 && mProbeOutlier[Index(j)] != 0;
      effects[j] = refit ? cross[Index(j)] / squares[Index(j)] : phi[j];
      refitted = refitted || refit;
    }
    std::array<double, kModelMaxProbes> refitResiduals;
    if (refitted) {
      cells.effects = effects;
      MisfitSquareSums(cells, {nullptr, nullptr, refitResiduals.data(), nullptr});
    }
    for (int j = 0; j < probes; ++j) {
      const double residual =
          refitted && mProbeOutlier[Index(j)] != 0 ? refitResiduals[Index(j)] : residuals[Index(j)];
      mPhiStdErr[Index(j)] = squares[Index(j)] > 0.0 ? SideStdErr(residual, squares[Index(j)],
                                                                  static_cast<int>(used[Index(j)]))
                                                     : MISSING_VALUE;
    }
  }

  // The fitted values and misfits of every cell; the explained share is summed from them
  // once the outlier steps settle (SettleExplained).
  FittedAndMisfits(mData.data(), mResultPhi.data(), mResultTheta.data(), arrays, probes,
                   mFitted.data(), mResidual.data());
  mExplainedPending = true;
}

// The sums take the cells in use one by one in order: those the last fit used, neither set
// aside on either side nor left out of it.
void MODEL::SettleExplained() {
  if (!mExplainedPending) return;
  mExplainedPending = false;
  const std::size_t probeStride = PaddedToLanes(mProbes);
  double residualSquares = 0.0;
  double dataSquares = 0.0;
  for (int i = 0; i < mArrays; ++i) {
    const bool arrayInUse = mArrayOutlier[Index(i)] == 0;
    const std::size_t row = Cell(i, 0);
    const std::int64_t* const kept = &mKeptByArray[Index(i) * probeStride];
    for (int j = 0; j < mProbes; ++j) {
      const double data = mData[row + Index(j)];
      const double misfit = mResidual[row + Index(j)];
      const bool use = arrayInUse && mProbeOutlier[Index(j)] == 0 && kept[j] != 0;
      residualSquares += use ? misfit * misfit : 0.0;
      dataSquares += use ? data * data : 0.0;
    }
  }
  mExplained = dataSquares > 0.0 ? 1.0 - residualSquares / dataSquares : 0.0;
}

void MODEL::MarkResultsMissing() {
  std::fill_n(mResultTheta.begin(), mArrays, MISSING_VALUE);
  std::fill_n(mThetaStdErr.begin(), mArrays, MISSING_VALUE);
  std::fill_n(mResultPhi.begin(), mProbes, MISSING_VALUE);
  std::fill_n(mPhiStdErr.begin(), mProbes, MISSING_VALUE);
  std::fill_n(mFitted.begin(), Cell(mArrays, 0), MISSING_VALUE);
  std::fill_n(mResidual.begin(), Cell(mArrays, 0), MISSING_VALUE);
  mExplained = MISSING_VALUE;
  mExplainedPending = false;
}

void MODEL::AverageDifference() {
  for (int i = 0; i < mArrays; ++i) {
    const double* values = &mData[Cell(i, 0)];
    const double mean = MeanMissing(values, mProbes);
    mResultTheta[Index(i)] = mean;
    mThetaStdErr[Index(i)] =
        mProbes > 0 ? StdDevMissing(values, mean, mProbes, true) : MISSING_VALUE;
  }
  // Every probe counts alike: phi 1, so the fitted value of a cell is its array's mean.
  double residualSquares = 0.0;
  double dataSquares = 0.0;
  for (int j = 0; j < mProbes; ++j) {
    mResultPhi[Index(j)] = 1.0;
    mPhiStdErr[Index(j)] = 0.0;
  }
  for (int i = 0; i < mArrays; ++i)
    for (int j = 0; j < mProbes; ++j) {
      const std::size_t cell = Cell(i, j);
      mFitted[cell] = mResultTheta[Index(i)];
      mResidual[cell] =
          IsMissing(mFitted[cell]) ? MISSING_VALUE : Misfit(mData[cell], mFitted[cell]);
      residualSquares += mResidual[cell] * mResidual[cell];
      dataSquares += mData[cell] * mData[cell];
    }
  mExplained = dataSquares > 0.0 ? 1.0 - residualSquares / dataSquares : 0.0;
}

VALUE_TRIPLE MODEL::StoredTriple(int array) const {
  VALUE_TRIPLE triple;
  triple.value = static_cast<float>(mResultTheta[Index(array)]);
  triple.stdErr = mSeparated ? static_cast<float>(mResultTheta[Index(array + mGroupArrays)])
                             : static_cast<float>(mThetaStdErr[Index(array)]);
  if (mArrayOutlier[Index(array)] != 0) {
    triple.outlier = kArrayOutlierWord;
    return triple;
  }
  int word = 0;
  for (int j = 0; j < std::min(mProbes, kOutlierWordProbes); ++j)
    word = (word << 1) | (mSingle[Cell(array, j)] != 0 ? 1 : 0);
  triple.outlier = word;
  return triple;
}

void MODEL::GetDisplayRange() {
  mIntensityMax = 0.0;
  mIntensityMin = 65535.0;
  mDataMax = -65535.0;
  mDataMin = 65535.0;
  const int cells = 2 * mArrays * mProbes;
  if (!mDisplayValues || mDisplayValues->Capacity() != cells) mDisplayValues.emplace(cells);
  DB_VECTOR& values = *mDisplayValues;
  values.Clear();
  for (int i = 0; i < mArrays; ++i)
    for (int j = 0; j < mProbes; ++j) {
      const std::size_t cell = Cell(i, j);
      if (mSingle[cell] != 0 && !mOptions.outlierInRange) continue;
      values.Append(mPm[cell]);
      values.Append(mMm[cell]);
      mIntensityMin = std::min({mIntensityMin, mPm[cell], mMm[cell]});
      mIntensityMax = std::max({mIntensityMax, mPm[cell], mMm[cell]});
      mDataMin = std::min(mDataMin, mData[cell]);
      mDataMax = std::max(mDataMax, mData[cell]);
    }
  mDisplayLow =
      static_cast<int>(SelectQuantile(values.Elements(), values.Length(), kDisplayLowQuantile));
  mDisplayHigh =
      static_cast<int>(SelectQuantile(values.Elements(), values.Length(), kDisplayHighQuantile));
  mMaxPhiStdErr = 0.0;
  for (int j = 0; j < mProbes; ++j) mMaxPhiStdErr = std::max(mMaxPhiStdErr, mPhiStdErr[Index(j)]);
  // Cells kept out of the range are not drawn either.
  if (!mOptions.outlierInRange)
    for (std::size_t cell = 0; cell < Cell(mArrays, 0); ++cell) {
      if (mSingle[cell] == 0 && mSpike[cell] == 0) continue;
      mPm[cell] = MISSING_VALUE;
      mMm[cell] = MISSING_VALUE;
    }
  BuildArrayOrder();
}

void MODEL::BuildArrayOrder() {
  for (int i = 0; i < mArrays; ++i)
    mOrder[Index(i)] = {static_cast<float>(mResultTheta[Index(i)]), static_cast<float>(i)};
  std::sort(mOrder.begin(), mOrder.begin() + mArrays,
            [](const ArrayOrderEntry& a, const ArrayOrderEntry& b) {
              return a.key < b.key || (a.key == b.key && a.array < b.array);
            });
}

void MODEL::FindArrayInOrder(int array) {
  mOrderPosition = 0;
  for (int k = 0; k < mArrays; ++k)
    if (static_cast<int>(mOrder[Index(k)].array) == array) {
      mOrderPosition = k;
      return;
    }
}

void MODEL::StepArrayInOrder(int step) {
  if (mArrays < 1) return;
  if (step == 0) {
    mOrderPosition += mOrderDirection;
    if (mOrderPosition > mArrays - 1) {
      mOrderPosition = mArrays - 1;
      mOrderDirection = -mOrderDirection;
    } else if (mOrderPosition < 0) {
      mOrderPosition = 0;
      mOrderDirection = -mOrderDirection;
    }
  } else {
    mOrderPosition = ((mOrderPosition + step) % mArrays + mArrays) % mArrays;
  }
  if (GroupStarted())
    TheGroup().Settings().CUR_ARRAY = static_cast<int>(mOrder[Index(mOrderPosition)].array);
}
