// The model-based expression fit of one probe set at a time: the value of probe j on
// array i is taken as theta[i] x phi[j], fitted over all arrays of the group with single,
// array and probe outliers set aside until their marks stop changing; Average Difference
// is the plain alternative. One object, Model, serves the batch job and the probe data
// view; it works in place in tables sized once for 1000 arrays x 300 probes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/colour.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/numerics/db_vector.hpp"

class Group;
struct GroupSettings;
class StagedCells;

// The values of MODEL_METHOD.
inline constexpr int kModelPmMmDifference = 0;
inline constexpr int kModelPmOnly = 1;
inline constexpr int kModelAverageDifference = 2;
inline constexpr int kModelFull = 3;
// "PM/MM difference model", "PM-only model", "Average Difference", "Full model"; an
// empty text for any other value.
std::string_view ModelMethodName(int method);

// The values of PSI_MODE.
inline constexpr int kPsiDoNotUse = 0;
inline constexpr int kPsiReadAndUse = 1;
inline constexpr int kPsiWrite = 2;

// Room of the model's tables: arrays (MAX_ARRAY_NUM) and probes per probe set.
inline constexpr int kModelMaxArrays = 1000;
inline constexpr int kModelMaxProbes = 300;
inline constexpr int kModelMaxCells = kModelMaxArrays * kModelMaxProbes;
// With the A and B signals fitted apart the arrays are doubled, so 2 x arrays must stay
// below this.
inline constexpr int kModelSeparateSignalArrayLimit = 999;
inline constexpr const char* kModelArrayLimitMessage =
    "  Error: Number of arrays exceeds limit in MODEL::GetData()";
// printf form: probe set, probes fitted, kModelMaxProbes.
inline constexpr const char* kModelProbeLimitMessage =
    "  Error: probe set %d needs %d probes in MODEL::GetData(); at most %d fit";
// printf form: probe set, unit count.
inline constexpr const char* kModelNoSuchProbeSetMessage =
    "  Error: probe set %d is not in the chip layout (%d probe sets)";
// printf form: probe set. Logged when every fitted probe effect came out 0, so they
// cannot be scaled (all data zero).
inline constexpr const char* kModelPhiScaleMessage =
    "    Probe set %d: the probe effects are all 0 and cannot be scaled; its values are missing";
// printf form: probe set. Logged when the probe effects grow past the largest number.
inline constexpr const char* kModelPhiOverflowMessage =
    "    Probe set %d: the probe effects exceed the range of numbers and cannot be scaled; its "
    "values are missing";
// printf form: probe set. Missing data give missing results, never a fit of the marker.
inline constexpr const char* kModelAllMissingMessage =
    "    Probe set %d: every value is missing; its values are missing";
// printf form: probe set, the count of such values.
inline constexpr const char* kModelNotFiniteMessage =
    "    Probe set %d: %d of its values are not finite numbers; its values are missing";
// printf form: probe set. PSI_MODE 1 keeps phi at the probe sensitivity index file's
// values; without them phi is fitted as in the other modes, and the log says so.
inline constexpr const char* kModelNoPsiMessage =
    "    Probe set %d: no probe sensitivity index is held for it; its probe effects are fitted";

// Outlier passes: the iteration stops after 31 passes, or after 3 passes in a row that
// changed no mark.
inline constexpr int kModelLastPass = 30;
inline constexpr int kModelStablePasses = 3;
// Caps on the alternating fit, which converges in a handful of steps on real data; they
// only bound degenerate probe sets.
inline constexpr int kModelMaxInnerSteps = 1000;
inline constexpr int kModelMaxOuterSteps = 200;
// Outlier rules: a value beyond 3 times the 0.8 quantile of its neighbours' sizes, at
// most half of an array's or a probe's cells as single outliers, at least half of the
// arrays or probes (and never fewer than 2) kept, an array or probe that holds over 90 %
// of the squared effects, a probe whose phi is at most 0.001.
inline constexpr double kOutlierQuantile = 0.8;
inline constexpr double kOutlierFactor = 3.0;
inline constexpr double kOutlierShare = 0.5;
inline constexpr int kMinimumKept = 2;
inline constexpr double kDominantShare = 0.9;
inline constexpr double kLowPhi = 0.001;
// Probes that the stored outlier word has bits for.
inline constexpr int kOutlierWordProbes = 30;
// The intensity quantiles that bound the probe data view's display.
inline constexpr double kDisplayLowQuantile = 0.01;
inline constexpr double kDisplayHighQuantile = 0.95;
// The 5' probes the options can leave out of the fit.
inline constexpr int kMaxExcludedFivePrimeProbes = 20;

// What the fit is told by the group settings (and the process-wide 5' exclusion).
struct ModelOptions {
  int method = kModelPmMmDifference;
  bool detectSingleOutlier = true;
  bool detectArrayOutlier = true;
  bool detectProbeOutlier = true;
  bool handleImageSpike = false;
  bool noRepArrayOutlier = false;
  bool zeroNegDiff = false;
  bool separateAbSignal = false;
  bool fitPhi = true;  // false: phi stays at the probe sensitivity index file's values
  bool outlierInRange = false;
  int excludedFivePrimeProbes = 0;
};

// The 5' probes left out of every fit (0 to 20); set by the options sheet, never saved.
extern int ExcludedFivePrimeProbes;

ModelOptions ModelOptionsFrom(const GroupSettings& settings);

// The fitted value of one probe: PM - MM, or for the PM-only model (and Average Difference
// on perfect-match-only arrays) PM - background, raised to 0 when not positive. Shared by
// the model and the probe data cache so both give the same numbers.
double ProbeLevelValue(int method, bool pmOnlyArray, double pm, double mm, double background);

struct ArrayOrderEntry {
  float key = 0.0f;    // the array's result theta
  float array = 0.0f;  // the array's number
};

class MODEL {
 public:
  MODEL();
  MODEL(const MODEL&) = delete;
  MODEL& operator=(const MODEL&) = delete;

  // Loads probe set probeSet of the chip layout from the open group (its intensity planes,
  // or the probe data cache when the group holds none), then fits it by MODEL_METHOD.
  // False, with a red line, when the arrays or probes exceed the tables or the probe set
  // is not in the layout.
  [[nodiscard]] bool GetData(int probeSet);
  // The same fit on a matrix given directly: values[i * probes + j] is probe j on array i;
  // calls (one per array, may be empty) drive the sign rule; fixedPhi gives phi when
  // options.fitPhi is false. No group or layout is needed; the probe set stays -1.
  [[nodiscard]] bool LoadData(int arrays, int probes, std::span<const double> values,
                              std::span<const char> calls, const ModelOptions& options,
                              std::span<const double> fixedPhi = {});

  // The outlier iteration from the present state; returns the pass count.
  int FitModel(bool onePass);
  // Clears every outlier mark and the pass counters (phi fixed from the probe sensitivity
  // index file when it is not fitted).
  void ResetOutliers();
  // Holds no probe set any more (the group was closed).
  void ClearProbeSet() { mProbeSet = -1; }

  // A model that fits on a worker thread, one per thread: it keeps its log lines for the
  // calling thread, which writes them in the order one thread would have, and never pumps
  // window events. Nothing shared is written while it fits probe sets whose intensities
  // the group holds.
  struct LogLine {
    std::string text;
    COLORREF colour = kLogBlack;
  };
  void SetOnWorker(bool onWorker) { mOnWorker = onWorker; }
  // The batch job's copy of a run of probe sets' intensities, which GetData reads instead
  // of the planes for the probe sets it holds; null: the planes. The job clears it before
  // the planes can change.
  void ReadStagedCells(const StagedCells* cells) { mStaged = cells; }
  // The lines kept since the last call, oldest first.
  std::vector<LogLine> TakeLog();

  // Display support for the probe data view.
  void GetDisplayRange();
  void FindArrayInOrder(int array);
  // Moves in the array order and makes the array there the group's CUR_ARRAY.
  void StepArrayInOrder(int step);
  // Set by the probe data view, cleared by the batch job: GetData then also runs
  // GetDisplayRange.
  void SetDisplayMode(bool display) { mDisplayMode = display; }
  bool DisplayMode() const { return mDisplayMode; }

  // What the batch job stores for array i: the value, its standard error (on SNP arrays
  // with the A and B signals apart, the second copy's value) and the outlier word.
  VALUE_TRIPLE StoredTriple(int array) const;

  int ProbeSet() const { return mProbeSet; }
  int ArrayCount() const { return mArrays; }
  int ProbeCount() const { return mProbes; }
  int Passes() const { return mPass; }
  int ArraysInUse() const { return mArraysInUse; }
  int ProbesInUse() const { return mProbesInUse; }
  int SingleOutlierCount() const { return mSingleOutlierCount; }
  int PresentPercent() const { return mPresentPercent; }
  bool FitsPhi() const { return mFitPhi; }
  const ModelOptions& Options() const { return mOptions; }
  double ExplainedFraction() const { return mExplained; }

  double ResultTheta(int array) const { return mResultTheta[Index(array)]; }
  double ThetaStdErr(int array) const { return mThetaStdErr[Index(array)]; }
  double ResultPhi(int probe) const { return mResultPhi[Index(probe)]; }
  double PhiStdErr(int probe) const { return mPhiStdErr[Index(probe)]; }
  double MaxPhiStdErr() const { return mMaxPhiStdErr; }
  bool IsArrayOutlier(int array) const { return mArrayOutlier[Index(array)] != 0; }
  bool IsProbeOutlier(int probe) const { return mProbeOutlier[Index(probe)] != 0; }
  bool IsSingleOutlier(int array, int probe) const { return mSingle[Cell(array, probe)] != 0; }
  bool IsImageSpike(int array, int probe) const { return mSpike[Cell(array, probe)] != 0; }
  double SingleOutliersOfArray(int array) const { return mSinglePerArray[Index(array)]; }
  double SingleOutliersOfProbe(int probe) const { return mSinglePerProbe[Index(probe)]; }
  char Call(int array) const { return mCalls[Index(array)]; }

  double Data(int array, int probe) const { return mData[Cell(array, probe)]; }
  double Pm(int array, int probe) const { return mPm[Cell(array, probe)]; }
  double Mm(int array, int probe) const { return mMm[Cell(array, probe)]; }
  double Background(int array, int probe) const { return mBackground[Cell(array, probe)]; }
  double Fitted(int array, int probe) const { return mFitted[Cell(array, probe)]; }
  double Residual(int array, int probe) const { return mResidual[Cell(array, probe)]; }

  int ProbePosition(int probe) const { return mProbePosition[Index(probe)]; }
  int FirstPosition() const { return mFirstPosition; }
  int LastPosition() const { return mLastPosition; }
  int PositionSpan() const { return mPositionSpan; }

  // GetDisplayRange's results: the intensities at the 0.01 and 0.95 quantiles, the
  // extremes of the intensities and of the fitted data, and the array order.
  int DisplayLow() const { return mDisplayLow; }
  int DisplayHigh() const { return mDisplayHigh; }
  double IntensityMin() const { return mIntensityMin; }
  double IntensityMax() const { return mIntensityMax; }
  double DataMin() const { return mDataMin; }
  double DataMax() const { return mDataMax; }
  int OrderPosition() const { return mOrderPosition; }
  const ArrayOrderEntry& OrderEntry(int position) const { return mOrder[Index(position)]; }

  // The probe sensitivity index file's values for probe j, taken while phi is fixed.
  void SetFixedProbe(int probe, double phi, double stdErr, bool outlier);

 private:
  // LogMessage, or on a worker thread a line kept for the calling thread.
  void Say(std::string_view text, int replaceLastLine = 0, COLORREF colour = kLogBlack);

  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  std::size_t Cell(int array, int probe) const {
    return static_cast<std::size_t>(array) * static_cast<std::size_t>(mProbes) +
           static_cast<std::size_t>(probe);
  }

  // The tables hold at least cells entries: sized by the loads, so a process that never
  // fits pays nothing and a fit takes the memory of its probe sets, not of the largest
  // one the model could hold.
  void EnsureStorage(std::size_t cells);
  // GetData's steps: each probe's cells and position, the data of every array, the
  // second-allele probes of SNP arrays.
  void LocateProbes(int probeSet, int pairs);
  void GatherData(const Group& group, int probeSet, int pairs, bool intensitiesHeld);
  void CombineAlleles(bool separate);
  // GetData's and LoadData's common end: image spikes, positions, reset, the method's fit.
  void RunMethod();
  void PrepareWorkBuffers();
  void MarkImageSpikes();
  void AverageDifference();
  // The alternating fit of theta and phi; the printf form (probe set) of the reason
  // when phi cannot be scaled, else null.
  const char* Fit();
  // Finds whether the data can be fitted: mUnusable becomes the reason, logged with
  // mUnusableCount (every value missing, or values that are not finite numbers), or null.
  void CheckData();
  // Every result missing and the reason logged; no step runs until the next reset.
  void FailProbeSet(const char* message, int count = 0);
  void ApplySignRule();
  void ComputeStandardErrors();
  // The explained share of the last standard errors' fit, summed at most once per fit and
  // only while the marks are still those it was fitted with: the outlier steps that follow
  // change none before the iteration ends, or the pass that ends it has not run yet.
  void SettleExplained();
  bool DetectSingleOutliers();
  bool DetectArrayOutliers();
  bool DetectProbeOutliers();
  // Every result missing, after data or a fit that could not give any.
  void MarkResultsMissing();
  // The 0.8 quantile of abs(values) over one array's probes, selected on its own.
  double RowAbsQuantile(const std::vector<double>& matrix, int array);
  // Sets mArrayLimit to kOutlierFactor times each array's 0.8 quantile of abs(matrix) over
  // its probes.
  void SetArrayLimits(const std::vector<double>& matrix);
  // Lists in within, in their order, the count marked arrays of the probe (listed in
  // marked, in the arrays' order) whose abs(value) is at most kOutlierFactor times the 0.8
  // quantile of abs(values) over the probe's arrays; returns how many.
  int WithinProbeLimit(const std::vector<double>& matrix, int probe, const int* marked, int count,
                       int* within);
  // The median of the positive standard errors among count entries (only where use is
  // set, when given); nullopt when none is positive.
  std::optional<double> PositiveMedian(const double* errors, int count, const double* use);
  bool CellInUse(int array, int probe) const {
    const std::size_t cell = Cell(array, probe);
    return mArrayOutlier[Index(array)] == 0 && mProbeOutlier[Index(probe)] == 0 &&
           mSingle[cell] == 0 && mSpike[cell] == 0;
  }
  void BuildArrayOrder();

  ModelOptions mOptions;
  int mProbeSet = -1;
  int mProbes = 0;
  int mArrays = 0;
  int mGroupArrays = 0;             // mArrays before the A and B copies double it
  bool mPhiGiven = false;           // LoadData supplied fixed phi; GetData takes it from the file
  bool mSeparated = false;          // the A and B signals were fitted as two copies of the arrays
  bool mCellsKnown = false;         // the layout gives the probe set's cells
  bool mFailed = false;             // no results could be had; they stay missing until a reset
  const char* mUnusable = nullptr;  // why the data cannot be fitted; null when they can
  int mUnusableCount = 0;

  // Array-major, mProbes values per array.
  std::vector<double> mPm, mMm, mData, mFitted, mResidual, mBackground;
  // The fit's values, array-major and probe-major, rows and columns padded to whole lanes.
  std::vector<double> mWork;
  std::vector<double> mWorkByProbe;
  // Laid out as the work copies: -1 where the fit uses the cell's own value (neither a
  // single outlier nor a spike), 0 where it does not and in the padding.
  std::vector<std::int64_t> mKeptByArray;
  std::vector<std::int64_t> mKeptByProbe;
  // The work copies hold the present data, laid out since the last reset.
  bool mWorkLaidOut = false;
  std::vector<std::pair<int, int>> mLeftOut;  // (array, probe) of the cells a fit leaves out
  std::vector<std::int16_t> mSingle;
  std::vector<std::uint8_t> mSpike;

  // Room for at least arrays x probes values once an iterative method has run.
  std::optional<DB_VECTOR> mQuantileValues;
  std::optional<DB_VECTOR> mErrorValues;
  std::vector<std::int16_t> mFlagBuffer;
  // The outlier step's marked arrays of each probe, probe j's from j x arrays.
  std::vector<int> mMarkedArrays;
  // Each array's limit of the outlier step at work.
  std::array<double, kModelMaxArrays> mArrayLimit{};
  std::optional<DB_VECTOR> mDisplayValues;

  int mDisplayLow = 0;
  int mDisplayHigh = 0;
  int mPass = 0;

  std::array<double, kModelMaxArrays> mTheta{};
  std::array<double, kModelMaxProbes> mPhi{};
  std::array<double, kModelMaxProbes> mPhiInner{};
  std::array<double, kModelMaxProbes> mPhiOuter{};
  std::array<double, kModelMaxArrays> mRowSums{};  // one fit step's sums per array or probe
  bool mFitPhi = true;
  std::array<std::int16_t, kModelMaxArrays> mArrayOutlier{};
  std::array<std::int16_t, kModelMaxProbes> mProbeOutlier{};
  std::array<std::int16_t, kModelMaxArrays> mPreviousArrayOutlier{};
  std::array<std::int16_t, kModelMaxProbes> mPreviousProbeOutlier{};
  int mArraysInUse = 0;
  int mProbesInUse = 0;
  int mSingleOutlierCount = 0;
  int mPresentPercent = 0;

  int mOrderPosition = 0;
  int mOrderDirection = 1;
  std::array<int, kModelMaxProbes> mProbePosition{};
  // Per probe: its perfect-match and mismatch cell (-1 none) and background zone.
  std::array<std::ptrdiff_t, kModelMaxProbes> mPmCell{};
  std::array<std::ptrdiff_t, kModelMaxProbes> mMmCell{};
  std::array<int, kModelMaxProbes> mZone{};
  int mFirstPosition = 0;
  int mLastPosition = 0;
  int mPositionSpan = 0;
  std::array<ArrayOrderEntry, kModelMaxArrays> mOrder{};

  double mIntensityMax = 0.0;
  double mIntensityMin = 65535.0;
  double mDataMax = -65535.0;
  double mDataMin = 65535.0;
  double mExplained = 0.0;
  bool mExplainedPending = false;  // the standard errors' fit is newer than mExplained

  std::array<double, kModelMaxArrays> mResultTheta{};
  std::array<double, kModelMaxArrays> mThetaStdErr{};
  std::array<double, kModelMaxProbes> mResultPhi{};
  std::array<double, kModelMaxProbes> mPhiStdErr{};
  double mMaxPhiStdErr = 0.0;
  std::array<double, kModelMaxArrays> mSinglePerArray{};
  std::array<double, kModelMaxProbes> mSinglePerProbe{};

  bool mChanged = true;
  int mUnchangedPasses = 0;
  bool mDisplayMode = false;
  bool mOnWorker = false;
  const StagedCells* mStaged = nullptr;
  std::vector<LogLine> mKeptLog;
  std::array<char, kModelMaxArrays> mCalls{};
};

// The one model of the process.
extern MODEL Model;

// The group was closed: the model holds no probe set.
void ResetModel();
