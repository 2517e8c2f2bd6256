// The run every install step shares: progress window, log and report lines, load script,
// load file, bulk load, row check, procedure, outcome check and drop script.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "installer/framework/progress_window.hpp"
#include "installer/steps/install_step.hpp"

namespace quellbrook {

// Field separator of every load file.
inline constexpr char kLoadFileSeparator = ';';

// A step's own texts for the common run.
struct StepTexts {
  int code = 0;
  const char* progressText = "";
  const char* firstLogLine = "";
  const char* reportTitle = "";
  const char* reportRule = "";
  const char* sourceFileName = "";
  // A step whose records come from the driver, not a source file: the path its report
  // names. The source file check is then left out.
  const char* reportedSource = nullptr;
  const char* loadFileName = "";
  const char* temporaryTable = "";
  const char* sourceReportLine = "";   // one %s: the source path
  const char* recordsReportLine = "";  // one %d: records written
  const char* rowsReportLine = "";     // one %d: rows counted
  const char* failurePrefix = "";
  int outcomeError = 0;
  const char* successLine = "";
  const char* failureLine = "";
};

// Writes the load file from the source file: false when it can't; refusal is then the
// reason to log (empty for a file that can't be opened). count gets the records written.
using LoadFileWriter =
    std::function<bool(const std::string& sourcePath, int& count, std::string& refusal)>;

// Opens a step's run: sets the window's range, shows the progress text and logs the first
// line; without a connected session logs and returns kConnectFailed, else writes the
// report's heading and runs the load script of code. The window steps three times when it
// gets that far.
int BeginStepRun(const InstallStep& step, ProgressWindow& window, int progressSteps, int code,
                 const char* progressText, const char* firstLogLine, const char* reportTitle,
                 const char* reportRule);

// How many steps the window counts for one item (an array type or a protocol) of a run.
inline constexpr int kItemProgressSteps = 8;

// Resets the window for one item of a step's run, shows the line, steps once and logs the
// line.
void BeginStepItem(const InstallStep& step, ProgressWindow& window, const std::string& line);

// The database's part of a step's run: the report's "Database Activities -" line, the
// step's procedure of code and a blank report line (the window, when there is one, steps
// after each), then the library log's last line: its message when the procedure did not
// end in success, else nothing.
std::optional<std::string> RunDatabaseActivities(const InstallStep& step, int code,
                                                 ProgressWindow* window);

// 0 or the error of the step. Once the load script has run the drop script always runs, so
// no exit leaves temporary objects behind.
int RunStepSequence(const InstallStep& step, const StepTexts& texts, const LoadFileWriter& write);

// True when no value holds the load file's separator or a line break; else refusal names
// the first value that does.
bool CheckLoadFields(std::initializer_list<const std::string*> values, std::string& refusal);

}  // namespace quellbrook
