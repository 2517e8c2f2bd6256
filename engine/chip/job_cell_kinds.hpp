// The cell kinds of the layout for the work on an array: while a job that takes many
// arrays runs, they all share one table, made when the first asks and dropped when the
// last running job ends; outside a job each asks for a table made then. The shared table
// is made anew when the layout is rewritten meanwhile (as when the first array loads the
// cell table of a layout read without it): its generation or its shape has changed.
#pragma once

#include <memory>

#include "engine/chip/cell_kinds.hpp"

// Held by a job for as long as its arrays are read.
class JobCellKinds {
 public:
  JobCellKinds();
  ~JobCellKinds();
  JobCellKinds(const JobCellKinds&) = delete;
  JobCellKinds& operator=(const JobCellKinds&) = delete;
};

// The table of the process's layout as it is now: the running jobs' shared one, or one
// made now when no job runs. Safe on any thread.
std::shared_ptr<const CellKinds> LayoutCellKinds();
