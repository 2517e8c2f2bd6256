// Arrays normalised side by side. A helper only reads the array's QVF file, normalises
// and writes it back, with its lines kept; the group's tables, the log and the user stay
// with the calling thread.
#include "engine/jobs/normalize_threads.hpp"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/chip_data.hpp"
#include "engine/base/ordered_jobs.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/commit_behind.hpp"
#include "platform/folder_sync_batch.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

struct NormalizedArray {
  std::unique_ptr<CHIP_DATA> chip;
  std::vector<KeptMessage> lines;
  bool read = false;  // false: the calling thread reads and normalises the array itself
  bool normalised = false;
};

class ArrayNormalization {
 public:
  using Result = NormalizedArray;
  struct Context {};

  ArrayNormalization(const Group& group, const CHIP_DATA& baseline,
                     const InvariantBaseline* prepared, bool force)
      : mGroup(group),
        mBaseline(baseline),
        mPrepared(prepared),
        mForce(force),
        mFolderSyncs(platform::ThreadFolderSyncBatch()),
        mBehind(platform::ThreadCommitBehind()) {}

  Context MakeContext() const { return {}; }

  void Run(std::size_t number, Result& result, Context&) const {
    result.lines.clear();
    result.read = false;
    result.normalised = false;
    if (!result.chip) result.chip.reset(new (std::nothrow) CHIP_DATA);
    if (!result.chip) return;
    try {
      const std::string& path = mGroup.Array(static_cast<int>(number)).dataFile;
      const KeepArrayMessages keep(result.lines);
      // The QVF file is flushed behind, and its folder with the calling thread's.
      const platform::DeferFolderSyncs defer(mFolderSyncs);
      const platform::ShareCommitBehind behind(mBehind);
      CHIP_DATA& chip = *result.chip;
      // What ReadArray does with an array whose QVF file fits; any other file is left to
      // the calling thread, which alone may read the data files.
      chip.dataPath = path;
      result.read = chip.ReadExisting(chip.QvfPath().c_str(), false, true);
      chip.dataPath = path;
      if (!result.read) return;
      result.normalised = chip.NormalizeCel(&mBaseline, mForce, false, true, mPrepared);
    } catch (const std::bad_alloc&) {
      result.read = false;
    }
  }

 private:
  const Group& mGroup;
  const CHIP_DATA& mBaseline;
  const InvariantBaseline* mPrepared;
  bool mForce;
  platform::FolderSyncBatch* mFolderSyncs;
  platform::CommitBehind* mBehind;
};

}  // namespace

bool NormalizeOnThreads(const Group& group) {
  return platform::WorkerThreadCount() > 1 && group.NumArrays() > 1 &&
         group.Settings().VIEW_NORM_PLOT == 0;
}

bool NormalizeArraysOnThreads(Group& group, const CHIP_DATA& baseline,
                              const InvariantBaseline* prepared, bool force) {
  const ArrayNormalization job(group, baseline, prepared, force);
  const auto arrays = static_cast<std::size_t>(group.NumArrays());
  OrderedJobs<ArrayNormalization> jobs(job, arrays, HelperThreadsFor(arrays, 7));
  JobProgress& progress = Progress();
  const bool keepPlanes = group.Settings().LOAD_PROBE_DATA != 0;
  for (std::size_t i = 0; i < arrays; ++i) {
    const NormalizedArray& result = jobs.Take(i);
    if (!result.read) {
      if (!NormalizeProbeArray(static_cast<int>(i), baseline, prepared, force)) return false;
    } else {
      ArraySlot& slot = group.Array(static_cast<int>(i));
      LogMessage(MessageBuffer("  %s", slot.name.c_str()));
      WriteKeptMessages(result.lines);
      if (!result.normalised) return false;
      CHIP_DATA& chip = *result.chip;
      const bool last = i + 1 == arrays;
      // A helper's plane is read afresh for its next array, so it is handed over rather than
      // copied on this thread; the last array's stays in the working array.
      if (keepPlanes && !last) slot.intensities.swap(chip.plane2);
      if (keepPlanes && last) slot.intensities = chip.plane2;
      if (chip.valuesPresent == 0) group.Modelled = false;
      // The working array ends as one thread leaves it: holding the last array.
      if (last) ChipData = std::move(chip);
    }
    jobs.Done(i);
    progress.Pump();
    if (progress.Stopped()) return false;
  }
  return true;
}
