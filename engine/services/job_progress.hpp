// Progress and stop of long jobs: the one object through which a job's loops handle
// pending window events, write the progress counter that overwrites its log line, and
// learn that the user asked the analysis to stop.
//
// The default reads and writes AnalysisRunning (Escape and Stop Analysis clear it), writes
// progress lines with LogMessage and pumps through PumpMessages, so the shell's log sink
// and pump hook serve it; tests install a scripted one that stops at a chosen poll.
#pragma once

#include <string_view>

#include "engine/services/log_channel.hpp"

class JobProgress {
 public:
  virtual ~JobProgress() = default;
  // Handles pending window events without waiting; a stop request arrives during them.
  virtual void Pump() = 0;
  // Writes a progress counter ("      Row 20") over the last log line.
  virtual void ShowProgress(std::string_view line) = 0;
  // Whether the user asked the running analysis to stop. Writes nothing.
  virtual bool StopRequested() = 0;
  // Marks the start (true) and the end (false) of an analysis that can be stopped.
  virtual void SetRunning(bool running) = 0;

  // When a stop was asked for, writes the stop line in red and gives true.
  bool Stopped(std::string_view stopLine = kUserStopMessage) {
    if (!StopRequested()) return false;
    LogMessage(stopLine, 0, kLogRed);
    return true;
  }
};

// The progress in use.
JobProgress& Progress();
// nullptr restores the default. Returns the previous one (nullptr when that was the
// default).
JobProgress* SetJobProgress(JobProgress* progress);
