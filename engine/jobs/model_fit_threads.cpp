// Probe sets fitted side by side: each helper keeps a model of its own and writes only
// its probe sets' triples; the outlier counts, log lines and user dialogue stay with the
// calling thread.
#include "engine/jobs/model_fit_threads.hpp"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "engine/base/ordered_jobs.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/model_expression.hpp"
#include "engine/model/model.hpp"
#include "engine/model/staged_cells.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

constexpr const char* kModelMemoryMessage = "  Memory not enough for the model fit";

struct FitBlock {
  // Per probe set of the block: the model's log lines and whether it was fitted.
  std::vector<std::vector<MODEL::LogLine>> lines;
  std::vector<char> fitted;
  bool memoryFailed = false;
};

// A helper's model, and its copy of the block's cells.
struct BlockModel {
  std::unique_ptr<MODEL> model;
  StagedCells cells;
};

class BlockFit {
 public:
  using Result = FitBlock;
  using Context = BlockModel;

  BlockFit(const Group& group, int units, ModelResults& results)
      : mGroup(group), mUnits(units), mResults(results) {}

  Context MakeContext() const {
    Context context;
    context.model.reset(new (std::nothrow) MODEL);
    if (context.model) context.model->SetOnWorker(true);
    return context;
  }

  void Run(std::size_t number, Result& block, Context& context) const {
    const int first = static_cast<int>(number) * kModelFitBlock;
    const int count = std::min(kModelFitBlock, mUnits - first);
    block.lines.resize(static_cast<std::size_t>(count));
    block.fitted.assign(static_cast<std::size_t>(count), 0);
    block.memoryFailed = !context.model;
    if (block.memoryFailed) return;
    MODEL* const model = context.model.get();
    try {
      context.cells.Gather(mGroup, first, first + count);
      const StagedCellsUse use(*model, context.cells);
      for (int k = 0; k < count; ++k) {
        const int unit = first + k;
        const bool fitted = model->GetData(unit);
        if (fitted) StoreModelTriples(unit, *model, mResults);
        block.lines[static_cast<std::size_t>(k)] = model->TakeLog();
        block.fitted[static_cast<std::size_t>(k)] = fitted ? 1 : 0;
        // One thread goes no further than a probe set that cannot be fitted.
        if (!fitted) return;
      }
    } catch (const std::bad_alloc&) {
      block.memoryFailed = true;
    }
  }

 private:
  const Group& mGroup;
  int mUnits;
  ModelResults& mResults;
};

}  // namespace

bool ModelFitOnThreads(const Group& group) {
  const GroupSettings& settings = group.Settings();
  return platform::WorkerThreadCount() > 1 && settings.LOAD_PROBE_DATA != 0 &&
         settings.PSI_MODE != kPsiWrite && Layout.unitCount > kModelFitBlock;
}

bool FitProbeSetsOnThreads(Group& group, ModelResults& results, std::int64_t& probes) {
  const int units = Layout.unitCount;
  results.Allocate(group.NumArrays(), units);
  LogMessage(MessageBuffer(kProbeSetProgressMessage, 0));
  const BlockFit fit(group, units, results);
  const auto blocks = static_cast<std::size_t>((units + kModelFitBlock - 1) / kModelFitBlock);
  // The calling thread sleeps while the blocks are fitted (it only logs each probe set's
  // lines and counts its outliers), so every worker thread fits. A block's result is a few
  // bytes, so each block has a slot of its own: the helpers never wait for the calling
  // thread, which, woken beside eight busy helpers, may wait milliseconds for a processor.
  OrderedJobs<BlockFit> jobs(fit, blocks, CollectedHelperThreadsFor(blocks, 8), blocks);
  JobProgress& progress = Progress();
  for (std::size_t b = 0; b < blocks; ++b) {
    const FitBlock& block = jobs.Take(b);
    if (block.memoryFailed) {
      LogMessage(kModelMemoryMessage, 0, kLogRed);
      return false;
    }
    for (std::size_t k = 0; k < block.lines.size(); ++k) {
      const int unit = static_cast<int>(b) * kModelFitBlock + static_cast<int>(k);
      for (const MODEL::LogLine& line : block.lines[k]) LogMessage(line.text, 0, line.colour);
      if (block.fitted[k] == 0) return false;
      CountModelOutliers(unit, results);
      progress.Pump();
      if (progress.Stopped()) return false;
      if (unit % kProbeSetProgressStep == 0)
        progress.ShowProgress(MessageBuffer(kProbeSetProgressMessage, unit));
      probes += Layout.units[static_cast<std::size_t>(unit)].pairCount;
    }
    jobs.Done(b);
  }
  // The process's model ends as a fit in turn leaves it: holding the last probe set. Its
  // lines were written already.
  Model.SetOnWorker(true);
  static_cast<void>(Model.GetData(units - 1));
  static_cast<void>(Model.TakeLog());
  Model.SetOnWorker(false);
  return true;
}
