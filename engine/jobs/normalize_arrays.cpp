// The normalisation job.
#include "engine/jobs/normalize_arrays.hpp"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/array/invariant_baseline.hpp"
#include "engine/array/local_background.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/job_cell_kinds.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/job_timing.hpp"
#include "engine/jobs/normalize_threads.hpp"
#include "engine/jobs/qvf_folder_flush.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/user_prompt.hpp"
#include "engine/services/view_requests.hpp"
#include "platform/folder_sync_batch.hpp"

namespace {

// Names go into R's quoted texts.
std::string RQuoted(const std::string& text) {
  std::string quoted;
  for (const char c : text) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

// R's side of the expression-value normalisation; after the first failure (logged in
// red) it draws nothing more.
class NormalizationPlot {
 public:
  explicit NormalizationPlot(bool wanted) : mOn(wanted && RConnection().StartR(true)) {}
  // Plotting goes on while R answers and the user has not ended the review.
  bool On() const { return mOn && mReviewing; }
  bool Connected() const { return mOn; }
  void EndReview() { mReviewing = false; }

  void Run(const std::string& command) {
    if (mOn) Check(RConnection().ExecuteCommand(command));
  }
  void Send(const char* name, const std::vector<double>& values) {
    if (mOn) Check(RConnection().SetVector(name, values));
  }

 private:
  void Check(const RReply& reply) {
    if (reply) return;
    LogMessage("  R: " + reply.error, 0, kLogRed);
    mOn = false;
  }
  bool mOn = false;
  bool mReviewing = true;
};

// A wait of the review; false when the user ends the review there.
bool GoOnReviewing(const char* prompt) {
  if (AfxMessageBox(prompt, MessageButtons::kOkCancel) != kAnswerCancel) return true;
  LogMessage(kReviewEndedMessage);
  return false;
}

// Ending the review turns VIEW_NORM_PLOT off for the rest of the job; the group's own
// setting comes back with the job's end.
class ReviewSettingScope {
 public:
  ReviewSettingScope() : mSaved(TheGroup().Settings().VIEW_NORM_PLOT) {}
  ~ReviewSettingScope() { TheGroup().Settings().VIEW_NORM_PLOT = mSaved; }
  ReviewSettingScope(const ReviewSettingScope&) = delete;
  ReviewSettingScope& operator=(const ReviewSettingScope&) = delete;

 private:
  int mSaved;
};

std::vector<double> AsDoubles(const std::vector<float>& values) {
  return {values.begin(), values.end()};
}

void PlotArray(NormalizationPlot& plot, const std::string& name, const std::string& baselineName,
               const std::vector<std::uint8_t>& invariant, float low, float high) {
  if (!plot.On()) return;
  plot.Run("plot(array, baseline, pch='.', xlab='" + RQuoted(name) + "',ylab='" +
           "baseline: " + RQuoted(baselineName) + "')");
  plot.Run("title(main=paste('cor=',format(cor(array, baseline),digit=3)))");
  plot.Send("invariant", std::vector<double>(invariant.begin(), invariant.end()));
  plot.Run("points(array[invariant==1], baseline[invariant==1],col=2)");
  std::vector<double> x;
  std::vector<double> y;
  Normalizer.CurvePoints(low, high, x, y);
  plot.Send("x", x);
  plot.Send("y", y);
  plot.Run("lines(x, y, col=3)");
  plot.Run("abline(0,1,col=4)");
  if (plot.On() && !GoOnReviewing(kRPlotPrompt)) plot.EndReview();
}

// The array's values (missing kept) and their extremes.
std::vector<float> ValuesOf(const ArraySlot& slot, std::size_t units, float& low, float& high) {
  std::vector<float> values(units, kMissingValueFloat);
  low = 0.0f;
  high = 0.0f;
  bool first = true;
  for (std::size_t u = 0; u < std::min(units, slot.values.size()); ++u) {
    const float value = slot.values[u].value;
    values[u] = value;
    if (IsMissing(value)) continue;
    low = first ? value : std::min(low, value);
    high = first ? value : std::max(high, value);
    first = false;
  }
  return values;
}

// The array's value table after normalisation; a value of 0 gives no ratio for its
// standard error, which then stays as it was.
std::vector<VALUE_TRIPLE> Normalized(const ArraySlot& slot, const std::vector<float>& normalized,
                                     bool scaleErrors) {
  std::vector<VALUE_TRIPLE> table = slot.values;
  for (std::size_t u = 0; u < std::min(table.size(), normalized.size()); ++u) {
    VALUE_TRIPLE& triple = table[u];
    if (IsMissing(triple.value)) continue;
    if (scaleErrors && triple.value != 0.0f) triple.stdErr *= normalized[u] / triple.value;
    triple.value = normalized[u];
  }
  return table;
}

bool NormalizeProbeLevel(Group& group, bool force) {
  JobProgress& progress = Progress();
  progress.SetRunning(true);
  std::unique_ptr<CHIP_DATA> baseline(new (std::nothrow) CHIP_DATA);
  if (!baseline) {
    LogMessage(kBaselineAllocationMessage, 0, kLogRed);
    return false;
  }
  const ArraySlot& base = group.Array(group.BaselineArray);
  LogMessage(MessageBuffer("  Baseline array: %s", base.name.c_str()));
  // Each array's QVF file reaches the disk before it takes its place; their folders are
  // flushed once, after the last (or, when the job stops part way, as it ends). Each file's
  // flush waits on the disk behind the next arrays' normalisation.
  const bool onThreads = NormalizeOnThreads(group);
  QvfWrites qvfWrites;
  // Every array's quantiles and invariant set read the one table of the layout's cells.
  const JobCellKinds cellKinds;
  if (!baseline->ReadArray(base.dataFile.c_str(), false, true)) return false;
  LogMessage(MessageBuffer("    Median probe intensity: %d", baseline->RawMedian()));
  if (group.Settings().VIEW_NORM_PLOT != 0) LogMessage(kViewPlotsMessage);
  // The baseline's ranking for the invariant set, once for every array; an array that
  // cannot have it ranks the baseline itself.
  InvariantBaseline ranked;
  const InvariantBaseline* prepared =
      group.Settings().NORM_METHOD == 0 && ranked.Prepare(*baseline) ? &ranked : nullptr;
  if (onThreads) {
    if (!NormalizeArraysOnThreads(group, *baseline, prepared, force)) return false;
  } else {
    for (int i = 0; i < group.NumArrays(); ++i)
      if (!NormalizeProbeArray(i, *baseline, prepared, force)) return false;
  }
  baseline.reset();
  if (!qvfWrites.Finish()) return false;
  LogMessage("");
  if (group.Settings().LOAD_PROBE_DATA != 0) ComputeBackground(-1);
  return true;
}

}  // namespace

bool NormalizeProbeArray(int array, const CHIP_DATA& baseline, const InvariantBaseline* prepared,
                         bool force) {
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  ArraySlot& slot = group.Array(array);
  LogMessage(MessageBuffer("  %s", slot.name.c_str()));
  if (settings.VIEW_NORM_PLOT != 0) {
    settings.CUR_ARRAY = array;
    Views().ShowView(RightPaneView::kPlots);
    group.SelectBaselineComparison();
    if (!Views().ShowNormalizationReview()) return false;
    if (!SameFileName(slot.dataFile, baseline.dataPath)) {
      Views().ShowView(RightPaneView::kPlots);
      if (!GoOnReviewing(kNextArrayPrompt)) settings.VIEW_NORM_PLOT = 0;
    }
    // The review normalised the array in the working array and saved it; take it from
    // its file if the working array holds another one by now.
    if (!SameFileName(ChipData.dataPath, slot.dataFile) &&
        !ChipData.ReadArray(slot.dataFile.c_str(), false, false))
      return false;
  } else {
    if (!ChipData.ReadArray(slot.dataFile.c_str(), false, true)) return false;
    if (!ChipData.NormalizeCel(&baseline, force, false, true, prepared)) return false;
  }
  if (settings.LOAD_PROBE_DATA != 0) slot.intensities = ChipData.plane2;
  if (ChipData.valuesPresent == 0) group.Modelled = false;
  return true;
}

bool NormalizeArrays(bool force) {
  const std::int64_t start = JobStartTime();
  Group& group = TheGroup();
  const ReviewSettingScope review;
  if (group.BaselineArray < 0 || group.BaselineArray >= group.NumArrays()) {
    LogMessage(kNoBaselineMessage, 0, kLogRed);
    return false;
  }
  const bool normalized =
      group.HasProbeData ? NormalizeProbeLevel(group, force) : NormalizeInvariantSet();
  if (!normalized) {
    // Arrays before the one that failed may be normalised, the rest not.
    if (group.HasProbeData) group.Normalized = false;
    return false;
  }
  group.Normalized = true;
  LogEnabled = 1;
  LogJobFinished(start);
  return true;
}

bool NormalizeInvariantSet() {
  Group& group = TheGroup();
  const int baselineArray = group.BaselineArray;
  if (baselineArray < 0 || baselineArray >= group.NumArrays()) {
    LogMessage(kNoBaselineMessage, 0, kLogRed);
    return false;
  }
  const ArraySlot& base = group.Array(baselineArray);
  LogMessage(kInvariantSetMessage);
  LogMessage(MessageBuffer("  Baseline array is %s\n", base.name.c_str()));
  // Every array's table has one entry per probe set, the baseline's among them.
  const std::size_t units = base.values.size();
  float baseLow = 0.0f;
  float baseHigh = 0.0f;
  const std::vector<float> reference = ValuesOf(base, units, baseLow, baseHigh);

  NormalizationPlot plot(group.Settings().VIEW_NORM_PLOT != 0);
  if (plot.On()) {
    plot.Run("windows()");
    plot.Send("baseline", AsDoubles(reference));
  }
  std::vector<std::vector<VALUE_TRIPLE>> tables(static_cast<std::size_t>(group.NumArrays()));
  bool failed = false;
  for (int i = 0; i < group.NumArrays() && !failed; ++i) {
    if (i == baselineArray) continue;
    const ArraySlot& slot = group.Array(i);
    float low = 0.0f;
    float high = 0.0f;
    std::vector<float> values = ValuesOf(slot, units, low, high);
    LogMessage(MessageBuffer("  Array %s", slot.name.c_str()));
    plot.Send("array", AsDoubles(values));
    std::vector<std::uint8_t> invariant;
    if (!InvariantSetScaling(values.data(), reference.data(), static_cast<int>(units), &invariant,
                             plot.On())) {
      LogMessage(MessageBuffer(kArrayNotNormalizedMessage, slot.name.c_str()), 0, kLogRed);
      failed = true;
      break;
    }
    tables[static_cast<std::size_t>(i)] = Normalized(slot, values, group.HasStdErrors);
    PlotArray(plot, slot.name, base.name, invariant, low, high);
  }
  if (plot.Connected())
    for (const char* name : {"array", "baseline", "invariant", "x", "y"})
      plot.Run(std::string("remove(") + name + ")");
  if (failed) return false;
  for (int i = 0; i < group.NumArrays(); ++i)
    if (i != baselineArray) group.Array(i).values.swap(tables[static_cast<std::size_t>(i)]);
  return true;
}
