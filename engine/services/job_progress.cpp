// The installed job progress and its default over the log channel and AnalysisRunning.
#include "engine/services/job_progress.hpp"

#include "engine/services/installed_service.hpp"

namespace {

class LogChannelProgress final : public JobProgress {
 public:
  void Pump() override { PumpMessages(); }
  void ShowProgress(std::string_view line) override { LogMessage(line, 1); }
  bool StopRequested() override { return AnalysisRunning == 0; }
  void SetRunning(bool running) override { AnalysisRunning = running ? 1 : 0; }
};

LogChannelProgress gLogChannelProgress;
constinit InstalledService<JobProgress> gProgress{gLogChannelProgress};

}  // namespace

JobProgress& Progress() {
  return gProgress.Get();
}

JobProgress* SetJobProgress(JobProgress* progress) {
  return gProgress.Install(progress);
}
