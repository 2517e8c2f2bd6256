#include "installer/steps/analysis_parameter_step.hpp"

#include <cstdio>

#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/parent_window_name.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/cif_param_converter.hpp"
#include "installer/steps/file_date.hpp"
#include "installer/steps/item_results.hpp"
#include "installer/steps/parameter_load.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

// The texts that tell the install from the import.
struct RoadTexts {
  ParameterRunTexts opening;
  const char* typeLine;
  const char* successLine;
  const char* warningLine;
  const char* failureLine;
};

constexpr RoadTexts kInstallTexts{
    {"Install Analysis Parameters into database...", "Start Installing Analysis Parameters...",
     "Install Analysis Parameters:", "----------------------------"},
    "Install Analysis Parameters for %s...",
    "Install Analysis Parameters for %s Successfully.",
    "Install Analysis Parameters for %s Successfully with Warning.",
    "Install Analysis Parameters for %s Failed."};
constexpr RoadTexts kImportTexts{
    {"Import Analysis Parameters into database...", "Start Importing Analysis Parameters...",
     "Import Analysis Parameters:", "---------------------------"},
    "Import Analysis Parameters for %s...",
    "Import Analysis Parameters for %s Successfully.",
    "Import Analysis Parameters for %s Successfully with Warning.",
    "Import Analysis Parameters for %s Failed."};

}  // namespace

int AnalysisParamStep::CopyAnalysisLibraryFiles() {
  bool missing = false;
  bool failed = false;
  for (std::size_t i = 0; i < arrayTypes.size(); ++i) {
    const std::string& type = arrayTypes[i];
    const std::string definition = platform::JoinPath(
        platform::JoinPath(sourceFolder, i < typeFolders.size() ? typeFolders[i] : type),
        kAnalysisDefinitionName);
    if (!platform::FileExists(definition)) {
      WriteLogLine(logPath,
                   FormatText("Failed to copy the analysis library files for %s. ", type.c_str()) +
                       FormatMessageText(kDevicesFileMissing, definition.c_str()),
                   kLogError);
      missing = true;
      continue;
    }
    if (CopyListedFiles(type, definition,
                        FormatText("Copying %s Analysis Library Files...", type.c_str())) !=
        kCopyDone)
      failed = true;
  }
  // A failed copy is the stronger news: the driver keeps it past any later success.
  if (failed) return kThereAreErrors;
  return missing ? kDevicesFileMissing : kResultSuccess;
}

int AnalysisParamStep::ValidateAnalysisCif(const std::string& cifPath,
                                           const std::string& definitionPath,
                                           const std::string& arrayType, int gridLenient,
                                           int chipLenient, int minForDefault,
                                           int processMissingChipSection) {
  CifParamConverter converter;
  PrepareConversion(converter, *this, arrayType, cifPath, kAnalysisLoadFile, definitionPath);
  converter.gridLenient = gridLenient;
  converter.chipLenient = chipLenient;
  converter.minForDefault = minForDefault;
  converter.processMissingChipSection = processMissingChipSection;
  return converter.RunAnalysisConversion(0);
}

int AnalysisParamStep::CopyLibraryFilesForTypes() {
  bool failed = false;
  for (const std::string& type : arrayTypes)
    if (CopyTypeFiles(copySourceFolder, destFolder, type,
                      FormatText("Copying library files for %s...", type.c_str())) != kCopyDone)
      failed = true;
  return failed ? kThereAreErrors : kResultSuccess;
}

int AnalysisParamStep::InstallAnalysisParams() {
  return RunTypes(false);
}

int AnalysisParamStep::ImportAnalysisParams() {
  return RunTypes(true);
}

int AnalysisParamStep::RunTypes(bool import) {
  const RoadTexts& road = import ? kImportTexts : kInstallTexts;
  if (arrayTypes.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  if (const int opened = BeginParameterRun(*this, window, road.opening); opened != kResultSuccess)
    return opened;

  ItemResults results;
  for (std::size_t i = 0; i < arrayTypes.size(); ++i) {
    const int result = RunType(import, i, window);
    const char* closing = result != kResultSuccess ? road.failureLine
                          : warningsSeen == 1      ? road.warningLine
                                                   : road.successLine;
    WriteLogLine(logPath, FormatText(closing, arrayTypes[i].c_str()), kLogInfo);
    results.Note(result == kResultSuccess && warningsSeen == 1 ? kThereAreWarnings : result);
  }
  RunDropScript(*session, kStepAnalysisParameters);
  return results.Result();
}

int AnalysisParamStep::RunType(bool import, std::size_t index, ProgressWindow& window) {
  const RoadTexts& road = import ? kImportTexts : kInstallTexts;
  const std::string& type = arrayTypes[index];
  std::string assayType;
  std::string cifPath;
  std::string definition;
  if (import) {
    cifPath = platform::JoinPath(destFolder, type + ".CIF");
    // An unreadable tile type stays empty, as the import always took it.
    ReadTileType(cifPath, assayType);
    // The tile type names the definition beside the source files, and nothing elsewhere.
    if (!assayType.empty() && !IsPlainLibraryName(assayType)) {
      WriteLogLine(logPath,
                   FormatText("The tile type '%s' of %s would leave the source folder.",
                              assayType.c_str(), cifPath.c_str()),
                   kLogError);
      return kCifReadFailed;
    }
    definition = platform::JoinPath(sourceFolder, assayType + ".INI");
  } else {
    const std::string typeIni = platform::JoinPath(sourceFolder, kTypeIniName);
    if (!ReadSectionType(type, typeIni, assayType) || assayType.empty()) {
      WriteLogLine(logPath, FormatMessageText(kAssayTypeMissing, typeIni.c_str()), kLogError);
      return kAssayTypeMissing;
    }
    const std::string folder =
        platform::JoinPath(sourceFolder, index < typeFolders.size() ? typeFolders[index] : type);
    cifPath = platform::JoinPath(platform::JoinPath(folder, kLibFilesFolder), type + ".CIF");
    definition = platform::JoinPath(folder, kAnalysisDefinitionName);
  }
  BeginParameterItem(*this, window, FormatText(road.typeLine, type.c_str()));

  std::remove(kAnalysisLoadFile);
  CifParamConverter converter;
  PrepareConversion(converter, *this, type, cifPath, kAnalysisLoadFile, definition);
  converter.assayType = assayType;
  const int lenient = import ? 1 : 0;
  converter.gridLenient = lenient;
  converter.chipLenient = lenient;
  converter.minForDefault = lenient;
  converter.processMissingChipSection = lenient;
  const int converted = converter.RunAnalysisConversion(1);
  const int records = converter.recordCount;
  return LoadConversion(*this, window, converter, converted, warningsSeen, [&] {
    AppendFormattedLine(reportPath, "Array Type:\t\t%s", type.c_str());
    AppendFormattedLine(reportPath, "Source CIF File:\t\t%s", cifPath.c_str());
    AppendFormattedLine(reportPath, "Source CIF File Date:\t\t%s", FileDateText(cifPath).c_str());
    AppendFormattedLine(reportPath, "Number of Analysis Parameters in the source file:\t%d",
                        records);
    AppendFormattedLine(reportPath,
                        "Number of Anlaysis Parameters uploaded to temporary tables:\t%d", records);
    AppendFormattedLine(reportPath, "%s", "Database Activities -");
  });
}

}  // namespace quellbrook
