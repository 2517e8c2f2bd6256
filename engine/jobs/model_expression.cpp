// The model-based expression job.
#include "engine/jobs/model_expression.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/base/ordered_jobs.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/array_summary.hpp"
#include "engine/jobs/expression_transforms.hpp"
#include "engine/jobs/job_timing.hpp"
#include "engine/jobs/model_fit_threads.hpp"
#include "engine/model/model.hpp"
#include "engine/model/probe_data_cache.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/model/staged_cells.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

void ModelResults::Allocate(int arrays, int units) {
  const auto arrayCount = static_cast<std::size_t>(std::max(arrays, 0));
  values.assign(arrayCount,
                std::vector<VALUE_TRIPLE>(static_cast<std::size_t>(std::max(units, 0))));
  arrayOutliers.assign(arrayCount, 0);
  singleOutliers.assign(arrayCount, 0);
}

void StoreModelResults(int unit, const MODEL& model, ModelResults& results) {
  StoreModelTriples(unit, model, results);
  CountModelOutliers(unit, results);
}

void StoreModelTriples(int unit, const MODEL& model, ModelResults& results) {
  const auto u = static_cast<std::size_t>(unit);
  for (std::size_t i = 0; i < results.values.size(); ++i)
    results.values[i][u] = model.StoredTriple(static_cast<int>(i));
}

void CountModelOutliers(int unit, ModelResults& results) {
  const auto u = static_cast<std::size_t>(unit);
  for (std::size_t i = 0; i < results.values.size(); ++i) {
    const VALUE_TRIPLE& triple = results.values[i][u];
    if (triple.outlier == kArrayOutlierWord)
      ++results.arrayOutliers[i];
    else
      results.singleOutliers[i] += std::popcount(static_cast<unsigned>(triple.outlier));
  }
}

bool FitAndStoreProbeSet(int unit, MODEL& model, ModelResults& results) {
  if (!model.GetData(unit)) return false;
  StoreModelResults(unit, model, results);
  return true;
}

namespace {

// The probe data cache of a run without intensity planes, released however the run ends.
class CacheUse {
 public:
  explicit CacheUse(bool used) : mUsed(used) {}
  ~CacheUse() {
    if (mUsed) ProbeCache.FreeProbeCache();
  }
  CacheUse(const CacheUse&) = delete;
  CacheUse& operator=(const CacheUse&) = delete;
  // Loads the block that holds unit when the cache does not; false when that fails.
  bool Provide(int unit) {
    if (!mUsed || ProbeCache.Holds(unit)) return true;
    if (!ProbeCache.LoadProbeBlock()) return false;
    LogMessage(MessageBuffer(kProbeSetProgressMessage, unit));
    return true;
  }

 private:
  bool mUsed;
};

// Fits every probe set into results; the total of probes fitted goes to probes. False
// on a stop or a probe set the model cannot take.
bool FitAllProbeSets(Group& group, ModelResults& results, std::int64_t& probes) {
  if (ModelFitOnThreads(group)) return FitProbeSetsOnThreads(group, results, probes);
  const GroupSettings& settings = group.Settings();
  const bool held = settings.LOAD_PROBE_DATA != 0;
  if (!held && !ProbeCache.AllocProbeCache()) return false;
  CacheUse cache(!held);
  results.Allocate(group.NumArrays(), Layout.unitCount);
  if (held) LogMessage(MessageBuffer(kProbeSetProgressMessage, 0));
  JobProgress& progress = Progress();
  const bool writePsi = settings.PSI_MODE == kPsiWrite;
  // Held planes are read a run of probe sets at a time, plane by plane.
  const bool staging = held && group.HasProbeData;
  StagedCells staged;
  const StagedCellsUse use(Model, staged);
  for (int u = 0; u < Layout.unitCount; ++u) {
    if (staging && !staged.Covers(u)) staged.Gather(group, u, Layout.unitCount);
    if (!cache.Provide(u) || !FitAndStoreProbeSet(u, Model, results)) return false;
    if (writePsi) {
      Psi.StorePsi(u, Model);
      Psi.SetPresentFraction(u, static_cast<float>(group.PresentCallFraction(u, nullptr, 0)));
    }
    progress.Pump();
    if (progress.Stopped()) return false;
    if (u % kProbeSetProgressStep == 0)
      progress.ShowProgress(MessageBuffer(kProbeSetProgressMessage, u));
    probes += Layout.units[static_cast<std::size_t>(u)].pairCount;
  }
  return true;
}

// The fitted tables become the group's.
void TakeResults(Group& group, ModelResults& results, std::int64_t probes) {
  const double units = std::max(Layout.unitCount, 1);
  const double probeCount = static_cast<double>(std::max<std::int64_t>(probes, 1));
  for (int i = 0; i < group.NumArrays(); ++i) {
    ArraySlot& slot = group.Array(i);
    const auto index = static_cast<std::size_t>(i);
    slot.values.swap(results.values[index]);
    slot.arrayOutlierFraction = static_cast<float>(results.arrayOutliers[index] / units);
    slot.singleOutlierFraction = static_cast<float>(results.singleOutliers[index] / probeCount);
  }
  group.Modelled = true;
  group.HasStdErrors = true;
}

// One array's values stored into its QVF file, with the lines the store kept.
struct StoredValues {
  QvfStore stored = QvfStore::kNoFile;
  std::vector<KeptMessage> lines;
};

// The stores of the arrays' values, side by side: each touches only its array's file.
class ValueStoring {
 public:
  using Result = StoredValues;
  struct Context {};

  explicit ValueStoring(const Group& group) : mGroup(group) {}

  Context MakeContext() const { return {}; }

  void Run(std::size_t number, Result& result, Context&) const {
    result.lines.clear();
    const KeepArrayMessages keep(result.lines);
    const ArraySlot& slot = mGroup.Array(static_cast<int>(number));
    try {
      result.stored = StoreQvfValues(slot.dataFile, slot.values, slot.arrayOutlierFraction,
                                     slot.singleOutlierFraction);
    } catch (const std::bad_alloc&) {
      ArrayMessage(MessageBuffer(kQvfValuesNotStoredMessage, QvfPathFor(slot.dataFile).c_str()), 0,
                   kLogRed);
      result.stored = QvfStore::kFailed;
    }
  }

 private:
  const Group& mGroup;
};

// Helpers for the stores: none when two arrays share a QVF file, whose stores must come
// one after the other in the arrays' order.
int StoreHelpers(const Group& group) {
  std::vector<std::string> paths;
  for (int i = 0; i < group.NumArrays(); ++i) paths.push_back(QvfPathFor(group.Array(i).dataFile));
  std::sort(paths.begin(), paths.end());
  if (std::adjacent_find(paths.begin(), paths.end()) != paths.end()) return 0;
  return HelperThreadsFor(paths.size(), 7);
}

// Every array's QVF file gets its values (truncated, not log transformed) and fractions.
// The number of arrays whose file did not take them.
int SaveIntoQvfFiles(Group& group) {
  LogMessage(kSavingExpressionMessage);
  // A QVF file without one of the loaded layout is written whole, so its planes are read
  // even when the group holds none.
  const bool probeLevel = ProbeLevelFlag;
  ProbeLevelFlag = true;
  int unsaved = 0;
  const ValueStoring job(group);
  const auto arrays = static_cast<std::size_t>(group.NumArrays());
  OrderedJobs<ValueStoring> stores(job, arrays, StoreHelpers(group));
  for (std::size_t a = 0; a < arrays; ++a) {
    const ArraySlot& slot = group.Array(static_cast<int>(a));
    // The values go into the file in place where it fits, the same bytes as a rewrite.
    // An array that cannot be read or written is reported in red; its values stay in
    // the group.
    const StoredValues& result = stores.Take(a);
    WriteKeptMessages(result.lines);
    const QvfStore stored = result.stored;
    stores.Done(a);
    // The working array, when it holds this array, must not keep the old values: a later
    // write of it would put them back into the file.
    if (stored == QvfStore::kStored && ChipData.dataPath == slot.dataFile &&
        ChipData.triples.size() == slot.values.size()) {
      ChipData.arrayOutlierPercent = slot.arrayOutlierFraction;
      ChipData.singleOutlierPercent = slot.singleOutlierFraction;
      ChipData.triples = slot.values;
      ChipData.valuesPresent = 1;
    }
    bool saved = stored == QvfStore::kStored;
    if (stored == QvfStore::kNoFile && ChipData.ReadArray(slot.dataFile.c_str(), false, false)) {
      ChipData.arrayOutlierPercent = slot.arrayOutlierFraction;
      ChipData.singleOutlierPercent = slot.singleOutlierFraction;
      ChipData.triples = slot.values;
      ChipData.valuesPresent = 1;
      saved = ChipData.WriteQvf();
    }
    if (!saved) ++unsaved;
    Progress().Pump();
  }
  ProbeLevelFlag = probeLevel;
  return unsaved;
}

}  // namespace

bool ComputeModelExpression() {
  const std::int64_t start = JobStartTime();
  Group& group = TheGroup();
  GroupSettings& settings = group.Settings();
  if (settings.PSI_MODE == kPsiReadAndUse && !Psi.ReadPsiFile(settings.PSI_FILE_NAME)) return false;
  if (settings.PSI_MODE == kPsiWrite && !Psi.AllocPsiPlanes()) return false;
  if (PmOnly != 0 && settings.MODEL_METHOD == kModelPmMmDifference)
    settings.MODEL_METHOD = kModelPmOnly;
  const std::string method(ModelMethodName(settings.MODEL_METHOD));
  LogMessage(MessageBuffer(kModelMethodMessage, method.c_str()));
  Model.SetDisplayMode(false);

  ModelResults results;
  std::int64_t probes = 0;
  if (!FitAllProbeSets(group, results, probes)) return false;
  LogMessage("");
  TakeResults(group, results, probes);
  if (ArrayType == 0 && (settings.TRUNCATE != 0 || settings.TRUNCATE_PCT != 0))
    TruncateExpression();
  const int unsaved = SaveIntoQvfFiles(group);
  LogMessage("");
  LogTransformExpression();
  WriteArraySummary(true);
  if (settings.LOAD_PROBE_DATA != 0) LogMessage(kCheckImagesMessage);
  // A file that cannot be written is reported by the writer; the values stand.
  if (settings.PSI_MODE == kPsiWrite) static_cast<void>(Psi.WritePsiFile(settings.PSI_FILE_NAME));
  if (unsaved > 0)
    LogJobFinished(start, MessageBuffer(kValuesNotSavedMessage, unsaved, group.NumArrays()));
  else
    LogJobFinished(start);
  return true;
}
