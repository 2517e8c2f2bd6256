// The one road every analysis command takes: the user's choices, the group settings
// saved, a blue block in the log around the engine's job with AnalysisRunning raised,
// and on success the written files registered and the result's tree item shown.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class ShellFrame;

// How the closing line of a successful run gives the time the job took.
enum class ElapsedTime {
  kNone,     // "Finished}"
  kMinutes,  // "Finished in 2 minutes 5 seconds}" (the whole seconds, both ends counted)
  kClock,    // "Finished in 00 hours 02 minutes 05 seconds}"
};

// A file the job wrote.
struct ResultFile {
  std::string path;
  bool insertIntoLog = true;  // with INSERT_FILE set, the file also goes into the log
};

// What a successful job hands back for publishing.
struct AnalysisOutcome {
  std::vector<ResultFile> files;  // registered in this order
  std::string itemLabel;          // replaces the result item's label when not empty
};

// The tree item that stands for the result: its view, label and image.
struct ResultItem {
  int view = -1;
  std::string label;
  int image = 0;
  // The old view goes with the old item, so the next use makes a fresh one.
  bool freshView = false;
};

struct AnalysisCommand {
  std::string title;  // the opening line is "{" + title
  // Collects the user's choices; false is Cancel. Empty for commands without a dialog.
  std::function<bool()> dialog;
  // The block opens before the dialog, so a cancelled run still shows it, closed by
  // cancelLine.
  bool openBeforeDialog = false;
  std::string cancelLine;
  // The engine's work: true on success. It reports through the log and polls
  // AnalysisRunning, which the user clears to stop it.
  std::function<bool(AnalysisOutcome& outcome)> job;
  std::string failureLine = "Not completed}";
  bool failureInRed = false;
  ElapsedTime elapsed = ElapsedTime::kNone;
  // The job writes the closing line of a successful run itself.
  bool jobClosesBlock = false;
  // The job writes the opening line itself; title is not logged.
  bool jobOpensBlock = false;
  std::optional<ResultItem> item;
};

// A command whose job writes its whole log block, the opening line and the closing one;
// dialog may be empty.
AnalysisCommand SelfLoggingCommand(std::function<bool()> dialog, std::function<bool()> job);

// Runs the command on the road; true when the job ran and succeeded.
bool RunAnalysisCommand(ShellFrame& frame, const AnalysisCommand& command);

// True while a job of RunAnalysisCommand is on its way (also after the user cleared
// AnalysisRunning, until the job has returned).
bool AnalysisJobActive();

// "%02d hours %02d minutes %02d seconds" of the span from start to end, both ends counted.
std::string ClockSpanText(long long startSeconds, long long endSeconds);
