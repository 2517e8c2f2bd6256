#include "installer/steps/sequence_step.hpp"

#include <cstdio>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/file_date.hpp"
#include "installer/steps/sif_reader.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

constexpr int kSequencesFailed = 3008;
constexpr const char* kSequenceTable = "LOAD_SIF_FILE";

}  // namespace

int SequenceStep::RunSequenceStep() {
  warningsSeen = 0;
  if (arrayTypes.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  window.SetRange(0, 3, 1);
  window.SetStep(1);
  window.SetText("%s", "Installing Sequences into database...");
  window.Show();
  WriteLogLine(logPath, "Start Installing Sequences...", kLogInfo);
  window.StepIt();
  if (session == nullptr || session->connected == 0) {
    WriteLogLine(logPath, MessageText(kConnectFailed), kLogError);
    return kConnectFailed;
  }
  AppendFormattedLine(reportPath, "%s", "");
  AppendFormattedLine(reportPath, "%s", "Install Sequences:");
  AppendFormattedLine(reportPath, "%s", "-----------------");
  RunLoadScript(*session, kStepSequence);

  const platform::ProfileText typeIni =
      platform::ProfileText::Read(platform::JoinPath(sourceFolder, kTypeIniName));
  int overall = kResultSuccess;
  for (std::size_t i = 0; i < arrayTypes.size(); ++i) {
    const std::string& type = arrayTypes[i];
    if (!HasSequences(type, typeIni)) {
      const std::string none = FormatText("No Sequences for %s.", type.c_str());
      WriteLogLine(logPath, none, kLogInfo);
      AppendFormattedLine(reportPath, "%s", none.c_str());
      continue;
    }
    BeginStepItem(*this, window, FormatText("Install Sequences for %s...", type.c_str()));

    std::remove(kSequenceLoadFile);
    SifReader reader;
    reader.sourceFolder = sourceFolder;
    reader.typeName = type;
    reader.typeFolder = i < typeFolders.size() ? typeFolders[i] : std::string();
    reader.outputFile = kSequenceLoadFile;
    reader.logPath = logPath;
    int result = reader.RunSifRead();
    if (warningsSeen == 0) warningsSeen = reader.warningFlag;
    if (result == kResultSuccess) {
      session->ClearTable(kLibraryLogTable);
      session->ClearTable(kSequenceTable);
      BulkLoadStep(*session, kSequenceLoadFile, kStepSequence);
      const int rows = session->CountTableRows(kSequenceTable);
      if (rows == reader.recordCount) {
        AppendFormattedLine(reportPath, "Array Type:\t\t%s", type.c_str());
        AppendFormattedLine(reportPath, "Source SIF File:\t\t%s", reader.sifPath.c_str());
        AppendFormattedLine(reportPath, "Source SIF File Date:\t\t%s",
                            FileDateText(reader.sifPath).c_str());
        AppendFormattedLine(reportPath, "Number of Sequences in the source file:\t%d",
                            reader.recordCount);
        AppendFormattedLine(reportPath, "Number of Sequences uploaded to temporary tables:\t%d\n",
                            rows);
        if (const std::optional<std::string> failed =
                RunDatabaseActivities(*this, kStepSequence, nullptr)) {
          result = kSequencesFailed;
          WriteLogLine(logPath, FormatMessageText(result, type.c_str(), failed->c_str()),
                       kLogError);
        }
        std::remove(kSequenceLoadFile);
      } else {
        result = session->dbmsType == kDbmsOracle ? 3020 : 3003;
        WriteLogLine(logPath, FormatMessageText(result, reader.recordCount, rows), kLogError);
      }
    }
    std::string outcome = "Install Sequences for %s Failed.";
    if (result == kResultSuccess && warningsSeen != 0) {
      outcome = "Install Sequences for %s Successfully with Warning.";
      result = kThereAreWarnings;
    } else if (result == kResultSuccess) {
      outcome = "Install Sequences for %s Successfully.";
    }
    WriteLogLine(logPath, FormatText(outcome.c_str(), type.c_str()), kLogInfo);
    // A later type's error outranks an earlier type's warning.
    if (overall == kResultSuccess ||
        (overall == kThereAreWarnings && result != kResultSuccess && result != kThereAreWarnings))
      overall = result;
  }
  RunDropScript(*session, kStepSequence);
  return overall;
}

}  // namespace quellbrook
