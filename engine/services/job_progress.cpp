// The installed job progress and its default over the log channel and AnalysisRunning.
#include "engine/services/job_progress.hpp"

namespace {

class LogChannelProgress final : public JobProgress {
 public:
  void Pump() override { PumpMessages(); }
  void ShowProgress(std::string_view line) override { LogMessage(line, 1); }
  bool StopRequested() override { return AnalysisRunning == 0; }
  void SetRunning(bool running) override { AnalysisRunning = running ? 1 : 0; }
};

LogChannelProgress gLogChannelProgress;
JobProgress* gProgress = &gLogChannelProgress;

}  // namespace

JobProgress& Progress() {
  return *gProgress;
}

JobProgress* SetJobProgress(JobProgress* progress) {
  JobProgress* previous = gProgress == &gLogChannelProgress ? nullptr : gProgress;
  gProgress = progress != nullptr ? progress : &gLogChannelProgress;
  return previous;
}
