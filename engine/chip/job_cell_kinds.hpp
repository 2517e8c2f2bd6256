// The cell kinds of the layout for the work on an array: a job that takes many arrays
// holds one table for all of them, made when the first asks and dropped at the job's
// end; outside a job each asks for a table made then. A job's table is made anew when
// the layout is rewritten meanwhile (as when the first array loads the cell table of a
// layout read without it): its generation or its shape has changed.
#pragma once

#include <memory>
#include <mutex>

#include "engine/chip/cell_kinds.hpp"

class JobCellKinds {
 public:
  JobCellKinds();
  ~JobCellKinds();
  JobCellKinds(const JobCellKinds&) = delete;
  JobCellKinds& operator=(const JobCellKinds&) = delete;

  // The job's table, made for the layout as it is now when there is none or it no longer
  // fits the layout; safe on any of the job's threads.
  std::shared_ptr<const CellKinds> Current();

 private:
  JobCellKinds* mOuter;
  std::mutex mMutex;
  std::shared_ptr<const CellKinds> mKinds;
};

// The running job's table of the process's layout, or one made now when no job runs.
std::shared_ptr<const CellKinds> LayoutCellKinds();
