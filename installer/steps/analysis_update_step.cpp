#include "installer/steps/analysis_update_step.hpp"

#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

constexpr int kProgressSteps = 7;
constexpr int kToolRan = 1;

bool Connected(const LibDbSession* session) {
  return session != nullptr && session->connected != 0;
}

void ReportHeading(const std::string& reportPath, const char* title) {
  AppendFormattedLine(reportPath, "%s", "");
  AppendFormattedLine(reportPath, "%s", title);
  AppendFormattedLine(reportPath, "%s", "--------------------------");
}

// 0 when the newest library log row says the update succeeded, else 3022 logged with the
// row's message.
int CheckOutcome(LibDbSession& session, const std::string& logPath) {
  LibLogStep last;
  session.ReadLastLogStep(&last);
  if (platform::EqualsNoCase(last.status, kLogStatusSuccess)) return kResultSuccess;
  WriteLogLine(logPath, FormatMessageText(kAnalysisUpdateFailed, last.message.c_str()), kLogError);
  return kAnalysisUpdateFailed;
}

}  // namespace

int AnalysisUpdateStep::UpdateLabMetadata() {
  WriteLogLine(logPath, "Start Update TREL3 metadata...", kLogInfo);
  if (!Connected(session)) {
    WriteLogLine(logPath, MessageText(kConnectFailed), kLogError);
    return kConnectFailed;
  }
  ReportHeading(reportPath, "Update TREL3 Metadata Information:");
  // An older step's row must not answer for this script.
  session->ClearTable(kLibraryLogTable);
  if (RunMetadataUpdateScript(*session) != kToolRan) return kResultSuccess;
  return CheckOutcome(*session, logPath);
}

int AnalysisUpdateStep::UpdateAnalysisParams() {
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  window.SetRange(0, kProgressSteps, 1);
  window.SetStep(1);
  window.SetText("%s", "Update Analysis Parameters to database...");
  window.Show();
  WriteLogLine(logPath, "Start Updating Analysis Parameters...", kLogInfo);
  window.StepIt();
  if (!Connected(session)) {
    WriteLogLine(logPath, MessageText(kConnectFailed), kLogError);
    return kConnectFailed;
  }
  ReportHeading(reportPath, "Update Analysis Parameters:");

  RunDropScript(*session, kStepMetadataUpdate);
  window.StepIt();
  const int loaded = RunLoadScript(*session, kStepScanParameterUpdate);
  window.StepIt();
  int result = kAnalysisUpdateFailed;
  if (loaded == kToolRan) {
    session->ClearTable(kLibraryLogTable);
    if (RunStepProcedure(*session, kStepScanParameterUpdate) == kToolRan)
      result = CheckOutcome(*session, logPath);
    RunDropScript(*session, kStepScanParameterUpdate);
  }
  WriteLogLine(logPath,
               result == kResultSuccess ? "Update Analysis Parameters Successfully."
                                        : "Update Analysis Parameters Failed.",
               kLogInfo);
  return result;
}

}  // namespace quellbrook
