#include "installer/steps/parameter_load.hpp"

#include <cstdio>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"

namespace quellbrook {

int BeginParameterRun(const InstallStep& step, ProgressWindow& window,
                      const ParameterRunTexts& texts) {
  return BeginStepRun(step, window, 3, kStepAnalysisParameters, texts.progressText,
                      texts.firstLogLine, texts.reportTitle, texts.reportRule);
}

void PrepareConversion(CifParamConverter& converter, const InstallStep& step,
                       const std::string& type, const std::string& cifPath, const char* outputFile,
                       const std::string& definitionIniPath) {
  converter.destFolder = step.destFolder;
  converter.sourceFolder = step.sourceFolder;
  converter.logPath = step.logPath;
  converter.reportPath = step.reportPath;
  converter.typeName = type;
  converter.cifPath = cifPath;
  converter.outputFile = outputFile;
  converter.definitionIniPath = definitionIniPath;
}

void BeginParameterItem(const InstallStep& step, ProgressWindow& window, const std::string& line) {
  window.Clear();
  window.SetRange(0, 8, 1);
  window.SetStep(1);
  window.SetText("%s", line.c_str());
  window.Show();
  window.StepIt();
  WriteLogLine(step.logPath, line, kLogInfo);
}

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

int LoadConversion(const InstallStep& step, ProgressWindow& window,
                   const CifParamConverter& converter, int converted, int& warningsSeen,
                   const std::function<void()>& reportBlock) {
  if (warningsSeen == 0) warningsSeen = converter.warningFlag;
  window.StepIt();
  if (converted != kResultSuccess) {
    // Nothing half-written is left to be taken for a whole file.
    std::remove(converter.outputFile.c_str());
    return converted;
  }
  return LoadConvertedParameters(step, window, converter.outputFile.c_str(), converter.recordCount,
                                 reportBlock);
}

}  // namespace quellbrook
