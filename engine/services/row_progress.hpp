// The readers of cell grids, a row at a time: after each row the window's events are
// handled, every 20th row is shown in the log (replacing the last line), and a user stop
// ends the reading with its red line.
#pragma once

#include "engine/services/job_progress.hpp"

inline constexpr int kProgressEveryRows = 20;

// The pump, the progress and the stop after row; false after a stop.
inline bool RowDone(int row) {
  JobProgress& progress = Progress();
  progress.Pump();
  if (row > 0 && row % kProgressEveryRows == 0)
    progress.ShowProgress(MessageBuffer("      Row %d", row));
  return !progress.Stopped();
}
