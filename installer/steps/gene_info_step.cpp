#include "installer/steps/gene_info_step.hpp"

#include <cstdio>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/progress_window.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/file_date.hpp"
#include "installer/steps/gin_reader.hpp"
#include "installer/steps/library_copier.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

constexpr int kGeneInfoFailed = 3006;
constexpr int kGeneInfoRowsLostSqlServer = 3018;
constexpr int kGeneInfoRowsLostOracle = 3021;
constexpr const char* kHeaderTable = "LOAD_GIN_HEAD";
constexpr const char* kUrlTable = "LOAD_GIN_URL";
constexpr const char* kDescriptionTable = "LOAD_GIN_DES";

void RemoveLoadFiles() {
  std::remove(kGinDescriptionLoadFile);
  std::remove(kGinHeaderLoadFile);
  std::remove(kGinUrlLoadFile);
}

}  // namespace

int GeneInfoStep::RunGeneInfoStep() {
  if (arrayTypes.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  if (const int opened = BeginStepRun(*this, window, 3, kStepGeneInfoDescription,
                                      "Installing Gene Information into database...",
                                      "Start Installing Gene Information...",
                                      "Install GeneInfo:", "-----------------");
      opened != kResultSuccess)
    return opened;

  int overall = kResultSuccess;
  for (std::size_t i = 0; i < arrayTypes.size(); ++i) {
    const std::string& type = arrayTypes[i];
    const std::string folder = i < typeFolders.size() ? typeFolders[i] : std::string();
    const std::string ginPath = platform::JoinPath(
        platform::JoinPath(platform::JoinPath(sourceFolder, folder), kLibFilesFolder),
        type + ".GIN");
    if (!platform::FileExists(ginPath)) {
      const std::string none = FormatText("No Gene Information for %s.", type.c_str());
      WriteLogLine(logPath, none, kLogInfo);
      AppendFormattedLine(reportPath, "%s", none.c_str());
      continue;
    }
    BeginStepItem(*this, window, FormatText("Install Gene Information for %s...", type.c_str()));

    RemoveLoadFiles();
    GinReader reader;
    reader.sourceFolder = sourceFolder;
    reader.typeName = type;
    reader.typeFolder = folder;
    reader.descriptionFile = kGinDescriptionLoadFile;
    reader.urlFile = kGinUrlLoadFile;
    reader.headerFile = kGinHeaderLoadFile;
    int result = reader.RunGinRead();
    window.StepIt();
    if (result != kResultSuccess) {
      // Nothing of a refused file is loaded; say why it was refused.
      RemoveLoadFiles();
      std::string message = FormatMessageText(result, ginPath.c_str());
      if (!reader.refusal.empty()) message = TrimRight(message) + " " + reader.refusal;
      WriteLogLine(logPath, message, kLogError);
    } else {
      session->ClearTable(kLibraryLogTable);
      session->ClearTable(kHeaderTable);
      session->ClearTable(kUrlTable);
      session->ClearTable(kDescriptionTable);
      window.StepIt();
      BulkLoadStep(*session, kGinUrlLoadFile, kStepGeneInfoUrl);
      BulkLoadStep(*session, kGinHeaderLoadFile, kStepGeneInfoHeader);
      BulkLoadStep(*session, kGinDescriptionLoadFile, kStepGeneInfoDescription);
      window.StepIt();
      const int headerRows = session->CountTableRows(kHeaderTable);
      const int urlRows = session->CountTableRows(kUrlTable);
      const int descriptionRows = session->CountTableRows(kDescriptionTable);
      if (headerRows != reader.headerCount || urlRows != reader.urlCount ||
          descriptionRows != reader.descriptionCount) {
        result =
            session->dbmsType == kDbmsOracle ? kGeneInfoRowsLostOracle : kGeneInfoRowsLostSqlServer;
        WriteLogLine(logPath,
                     FormatMessageText(result, reader.descriptionCount, descriptionRows,
                                       reader.headerCount, headerRows, reader.urlCount, urlRows),
                     kLogError);
      } else {
        AppendFormattedLine(reportPath, "Array Type:\t\t%s", type.c_str());
        AppendFormattedLine(reportPath, "Source GIN File:\t\t%s", reader.ginPath.c_str());
        AppendFormattedLine(reportPath, "Source GIN File Date:\t\t%s",
                            FileDateText(reader.ginPath).c_str());
        AppendFormattedLine(reportPath, "GIN File Version:\t%d", reader.version);
        AppendFormattedLine(reportPath, "Number of URLs in the source file:\t\t%d",
                            reader.urlCount);
        AppendFormattedLine(reportPath, "Number of URLs uploaded to temporary tables:\t%d",
                            urlRows);
        AppendFormattedLine(reportPath, "Header Exists?:\t\t%s",
                            reader.headerLineSeen != 0 ? "Yes" : "No");
        AppendFormattedLine(reportPath, "Number of GIN Desc. in the source file:\t%d",
                            reader.rowCount);
        AppendFormattedLine(reportPath, "Number of Annotation in the source file:\t%d",
                            reader.populatedDescriptionCount);
        // Counted from the file, not the table.
        AppendFormattedLine(
            reportPath, "Number of GIN Desc. and Annotation uploaded to temporary tables:\t%d\n",
            reader.rowCount + reader.populatedDescriptionCount);
        if (const std::optional<std::string> failed =
                RunDatabaseActivities(*this, kStepGeneInfoDescription, &window)) {
          result = kGeneInfoFailed;
          WriteLogLine(logPath, FormatMessageText(result, type.c_str(), failed->c_str()),
                       kLogError);
        }
        window.StepIt();
        RemoveLoadFiles();
        window.StepIt();
      }
    }
    WriteLogLine(logPath,
                 FormatText(result != 0 ? "Install Gene Information for %s Failed."
                                        : "Install Gene Information for %s Successfully.",
                            type.c_str()),
                 kLogInfo);
    if (overall == kResultSuccess) overall = result;
  }
  RunDropScript(*session, kStepGeneInfoDescription);
  return overall;
}

}  // namespace quellbrook
