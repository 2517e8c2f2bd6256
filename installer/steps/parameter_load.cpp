#include "installer/steps/parameter_load.hpp"

#include <cstdio>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "platform/path.hpp"

namespace quellbrook {

int LoadConvertedParameters(const InstallStep& step, ProgressWindow& window, const char* loadFile,
                            int records, const std::function<void()>& reportBlock) {
  LibDbSession& session = *step.session;
  session.ClearTable(kLibraryLogTable);
  session.ClearTable(kParameterTable);
  window.StepIt();
  // A failed load shows as missing rows.
  BulkLoadStep(session, loadFile, kStepAnalysisParameters);
  window.StepIt();
  const int rows = session.CountTableRows(kParameterTable);
  if (rows != records) {
    const int result = session.dbmsType == kDbmsOracle ? 3020 : 3003;
    WriteLogLine(step.logPath, FormatMessageText(result, records, rows), kLogError);
    return result;
  }
  reportBlock();
  window.StepIt();
  RunStepProcedure(session, kStepAnalysisParameters);
  AppendFormattedLine(step.reportPath, "%s", "");
  window.StepIt();
  int result = kResultSuccess;
  LibLogStep last;
  session.ReadLastLogStep(&last);
  if (!platform::EqualsNoCase(last.status, kLogStatusSuccess)) {
    result = kInstallCifParametersFailed;
    WriteLogLine(step.logPath, FormatMessageText(result, last.message.c_str()), kLogError);
  }
  window.StepIt();
  std::remove(loadFile);
  window.StepIt();
  return result;
}

}  // namespace quellbrook
