// The common road of the analysis commands.
#include "shell/commands/run_analysis_command.hpp"

#include <chrono>
#include <utility>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "shell/services/output_files.hpp"
#include "shell/shell_frame.hpp"

namespace {

int gActiveJobs = 0;

// Counts the job for the span of its run, however it ends.
class ActiveJob {
 public:
  ActiveJob() { ++gActiveJobs; }
  ~ActiveJob() { --gActiveJobs; }
  ActiveJob(const ActiveJob&) = delete;
  ActiveJob& operator=(const ActiveJob&) = delete;
};

long long NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string ClosingLine(ElapsedTime elapsed, long long start) {
  switch (elapsed) {
    case ElapsedTime::kMinutes:
      return "Finished in " + ElapsedTimeText(start, NowSeconds()) + "}\n";
    case ElapsedTime::kClock:
      return "Finished in " + ClockSpanText(start, NowSeconds()) + "}\n";
    case ElapsedTime::kNone:
      break;
  }
  return "Finished}\n";
}

}  // namespace

bool AnalysisJobActive() {
  return gActiveJobs > 0;
}

std::string ClockSpanText(long long startSeconds, long long endSeconds) {
  const long long total = endSeconds - startSeconds + 1;
  return MessageBuffer("%02d hours %02d minutes %02d seconds", static_cast<int>(total / 3600),
                       static_cast<int>(total / 60 % 60), static_cast<int>(total % 60));
}

AnalysisCommand SelfLoggingCommand(std::function<bool()> dialog, std::function<bool()> job) {
  AnalysisCommand command;
  command.dialog = std::move(dialog);
  command.jobOpensBlock = true;
  command.jobClosesBlock = true;
  command.job = [job = std::move(job)](AnalysisOutcome&) { return job(); };
  return command;
}

bool RunAnalysisCommand(ShellFrame& frame, const AnalysisCommand& command) {
  if (command.openBeforeDialog) LogMessage("{" + command.title, 0, kLogBlue);
  if (command.dialog && !command.dialog()) {
    if (command.openBeforeDialog && !command.cancelLine.empty())
      LogMessage(command.cancelLine + "\n", 0, kLogBlue);
    return false;
  }
  // The engine reads the user's choices from the group's settings.
  TheGroup().WriteGroupSettings();
  if (!command.openBeforeDialog && !command.jobOpensBlock)
    LogMessage("{" + command.title, 0, kLogBlue);

  // The old result goes before the job replaces the data its view draws, since views
  // repaint while the job pumps messages.
  if (command.item) {
    frame.DeleteViewItem(command.item->view);
    if (command.item->freshView) frame.DestroyRightView(command.item->view);
  }

  const long long start = NowSeconds();
  AnalysisOutcome outcome;
  bool succeeded = false;
  {
    const ActiveJob active;
    const RaisedAnalysisRunning running;
    succeeded = command.job && command.job(outcome);
  }
  // What the status bar said during the job (a refused close among it) ends with it.
  frame.SetStatusText(0, "");
  if (!succeeded) {
    LogMessage(command.failureLine + "\n", 0, command.failureInRed ? kLogRed : kLogBlue);
    return false;
  }

  // Files first, so their links stay inside the block.
  for (const ResultFile& file : outcome.files) RegisterOutputFile(file.path, file.insertIntoLog);
  if (command.item) {
    const std::string& label = outcome.itemLabel.empty() ? command.item->label : outcome.itemLabel;
    frame.InsertViewItem(command.item->view, label, command.item->image);
  }
  if (!command.jobClosesBlock) LogMessage(ClosingLine(command.elapsed, start), 0, kLogBlue);
  // Selected last: a log line would bring the log back into the right pane.
  if (command.item) frame.SelectViewItem(command.item->view);
  return true;
}
