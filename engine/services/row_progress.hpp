// The readers of cell grids, a row at a time: after each row the window's events are
// handled, every 20th row is shown in the log (replacing the last line), and a user stop
// ends the reading with its red line.
#pragma once

#include "engine/services/log_channel.hpp"

inline constexpr int kProgressEveryRows = 20;

// The pump, the progress and the stop after row; false after a stop.
inline bool RowDone(int row) {
  PumpMessages();
  if (row > 0 && row % kProgressEveryRows == 0) LogMessage(MessageBuffer("      Row %d", row), 1);
  if (AnalysisRunning == 0) {
    LogMessage(kUserStopMessage, 0, kLogRed);
    return false;
  }
  return true;
}
