// The table of cell kinds the running jobs' arrays share.
#include "engine/chip/job_cell_kinds.hpp"

#include <mutex>

namespace {

struct SharedKinds {
  std::mutex mutex;
  int jobs = 0;  // running, on any thread
  std::shared_ptr<const CellKinds> kinds;
};

SharedKinds& Shared() {
  static SharedKinds shared;
  return shared;
}

}  // namespace

JobCellKinds::JobCellKinds() {
  SharedKinds& shared = Shared();
  const std::lock_guard<std::mutex> lock(shared.mutex);
  ++shared.jobs;
}

JobCellKinds::~JobCellKinds() {
  SharedKinds& shared = Shared();
  const std::lock_guard<std::mutex> lock(shared.mutex);
  if (--shared.jobs == 0) shared.kinds.reset();
}

std::shared_ptr<const CellKinds> LayoutCellKinds() {
  SharedKinds& shared = Shared();
  std::unique_lock<std::mutex> lock(shared.mutex);
  if (shared.jobs == 0) {
    lock.unlock();
    return CellKinds::Build(Layout);
  }
  if (!shared.kinds || !shared.kinds->Fits(Layout)) shared.kinds = CellKinds::Build(Layout);
  return shared.kinds;
}
