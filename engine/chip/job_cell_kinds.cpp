// The table of cell kinds one job's arrays share.
#include "engine/chip/job_cell_kinds.hpp"

#include <atomic>

namespace {

// The innermost running job's table; set before the job's helpers start.
std::atomic<JobCellKinds*> gJob{nullptr};

}  // namespace

JobCellKinds::JobCellKinds() : mOuter(gJob.exchange(this)) {}

JobCellKinds::~JobCellKinds() {
  gJob.store(mOuter);
}

std::shared_ptr<const CellKinds> JobCellKinds::Current() {
  const std::lock_guard<std::mutex> lock(mMutex);
  if (!mKinds || !mKinds->Fits(Layout)) mKinds = CellKinds::Build(Layout);
  return mKinds;
}

std::shared_ptr<const CellKinds> LayoutCellKinds() {
  JobCellKinds* const job = gJob.load();
  return job != nullptr ? job->Current() : CellKinds::Build(Layout);
}
