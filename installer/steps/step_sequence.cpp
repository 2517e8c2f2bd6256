#include "installer/steps/step_sequence.hpp"

#include <cerrno>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "platform/path.hpp"
#include "platform/readable_file.hpp"
#include "platform/system_error.hpp"

namespace quellbrook {

namespace {

constexpr int kProgressSteps = 10;

}  // namespace

bool CheckLoadFields(std::initializer_list<const std::string*> values, std::string& refusal) {
  for (const std::string* value : values) {
    if (value->find_first_of(";\r\n") == std::string::npos) continue;
    refusal = FormatText("The value '%s' holds the load file's separator '%c'.", value->c_str(),
                         kLoadFileSeparator);
    return false;
  }
  return true;
}

int BeginStepRun(const InstallStep& step, ProgressWindow& window, int progressSteps, int code,
                 const char* progressText, const char* firstLogLine, const char* reportTitle,
                 const char* reportRule) {
  window.SetRange(0, progressSteps, 1);
  window.SetStep(1);
  window.SetText("%s", progressText);
  window.Show();
  WriteLogLine(step.logPath, firstLogLine, kLogInfo);
  window.StepIt();
  if (step.session == nullptr || step.session->connected == 0) {
    WriteLogLine(step.logPath, MessageText(kConnectFailed), kLogError);
    return kConnectFailed;
  }
  AppendFormattedLine(step.reportPath, "%s", "");
  AppendFormattedLine(step.reportPath, "%s", reportTitle);
  AppendFormattedLine(step.reportPath, "%s", reportRule);
  window.StepIt();
  RunLoadScript(*step.session, code);
  window.StepIt();
  return kResultSuccess;
}

void BeginStepItem(const InstallStep& step, ProgressWindow& window, const std::string& line) {
  window.Clear();
  window.SetRange(0, kItemProgressSteps, 1);
  window.SetText("%s", line.c_str());
  window.Show();
  window.StepIt();
  WriteLogLine(step.logPath, line, kLogInfo);
}

std::optional<std::string> RunDatabaseActivities(const InstallStep& step, int code,
                                                 ProgressWindow* window) {
  AppendFormattedLine(step.reportPath, "%s", "Database Activities -");
  if (window != nullptr) window->StepIt();
  RunStepProcedure(*step.session, code);
  AppendFormattedLine(step.reportPath, "%s", "");
  if (window != nullptr) window->StepIt();
  LibLogStep last;
  step.session->ReadLastLogStep(&last);
  if (platform::EqualsNoCase(last.status, kLogStatusSuccess)) return std::nullopt;
  return last.message;
}

int RunStepSequence(const InstallStep& step, const StepTexts& texts, const LoadFileWriter& write) {
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  if (const int opened = BeginStepRun(step, window, kProgressSteps, texts.code, texts.progressText,
                                      texts.firstLogLine, texts.reportTitle, texts.reportRule);
      opened != kResultSuccess)
    return opened;
  LibDbSession* session = step.session;

  const std::string sourcePath = texts.reportedSource != nullptr
                                     ? std::string(texts.reportedSource)
                                     : platform::JoinPath(step.sourceFolder, texts.sourceFileName);
  if (texts.reportedSource == nullptr && !platform::CanReadFile(sourcePath)) {
    WriteLogLine(step.logPath,
                 texts.failurePrefix + FormatMessageText(kDevicesFileMissing, sourcePath.c_str()),
                 kLogError);
    RunDropScript(*session, texts.code);
    return kDevicesFileMissing;
  }
  int records = 0;
  std::string refusal;
  if (!write(sourcePath, records, refusal)) {
    const int error = errno;  // before the removal sets it
    std::remove(texts.loadFileName);
    const std::string reason =
        refusal.empty()
            ? platform::WithSystemReason(MessageText(kWriteIntermediateFilesFailed), error)
            : refusal;
    WriteLogLine(step.logPath, texts.failurePrefix + reason, kLogError);
    RunDropScript(*session, texts.code);
    return kWriteIntermediateFilesFailed;
  }
  window.StepIt();
  session->ClearTable(kLibraryLogTable);
  session->ClearTable(texts.temporaryTable);
  window.StepIt();
  BulkLoadStep(*session, texts.loadFileName, texts.code);
  window.StepIt();

  int result = kResultSuccess;
  const int rows = session->CountTableRows(texts.temporaryTable);
  if (rows != records) {
    result = session->dbmsType == kDbmsOracle ? 3020 : 3003;
    WriteLogLine(step.logPath, FormatMessageText(result, records, rows), kLogError);
  } else {
    AppendFormattedLine(step.reportPath, texts.sourceReportLine, sourcePath.c_str());
    AppendFormattedLine(step.reportPath, texts.recordsReportLine, records);
    AppendFormattedLine(step.reportPath, texts.rowsReportLine, rows);
    if (const std::optional<std::string> failed =
            RunDatabaseActivities(step, texts.code, &window)) {
      result = texts.outcomeError;
      WriteLogLine(step.logPath, FormatMessageText(result, failed->c_str()), kLogError);
    }
    window.StepIt();
    std::remove(texts.loadFileName);
    window.StepIt();
  }
  WriteLogLine(step.logPath, result != 0 ? texts.failureLine : texts.successLine, kLogInfo);
  RunDropScript(*session, texts.code);
  return result;
}

}  // namespace quellbrook
