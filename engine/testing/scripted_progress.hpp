// Test support: job progress that records its progress lines, counts pumps and stop polls,
// and asks for a stop at a chosen poll. Lines still go to the log, so a captured log reads
// as it would with the default progress. Installed while alive.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/services/job_progress.hpp"

class ScriptedProgress final : public JobProgress {
 public:
  ScriptedProgress() : mPrevious(SetJobProgress(this)) {}
  ~ScriptedProgress() override { SetJobProgress(mPrevious); }
  ScriptedProgress(const ScriptedProgress&) = delete;
  ScriptedProgress& operator=(const ScriptedProgress&) = delete;

  // The poll (counted from 1) at which the user asks to stop; 0 for never.
  int stopAtPoll = 0;

  std::vector<std::string> progressLines;
  int pumps = 0;
  int polls = 0;
  bool running = true;

  void Pump() override {
    ++pumps;
    PumpMessages();
  }
  void ShowProgress(std::string_view line) override {
    progressLines.emplace_back(line);
    LogMessage(line, 1);
  }
  bool StopRequested() override {
    if (++polls == stopAtPoll) running = false;
    return !running;
  }
  void SetRunning(bool value) override { running = value; }

 private:
  JobProgress* mPrevious;
};
