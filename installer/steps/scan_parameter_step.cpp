#include "installer/steps/scan_parameter_step.hpp"

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
  const char* pairLine;  // scanner, type
  const char* successLine;
  const char* warningLine;
  const char* failureLine;
};

constexpr RoadTexts kInstallTexts{
    {"Install Scan Parameters into database...", "Start Installing Scan Parameters...",
     "Install Scan Parameters:", "------------------------"},
    "Install %s Scan Parameters for %s...",
    "Install %s Scan Parameters for %s into database successfully.",
    "Install %s Scan Parameters for %s into database successfully with warning.",
    "Install %s Scan Parameters for %s into database failed."};
constexpr RoadTexts kImportTexts{
    {"Import Scan Parameters into database...", "Start Importing Scan Parameters...",
     "Import Scan Parameters:", "-----------------------"},
    "Import %s Scan Parameters for %s...",
    "Import %s Scan Parameters for %s into database successfully.",
    "Import %s Scan Parameters for %s into database successfully with warning.",
    "Import %s Scan Parameters for %s into database failed."};

}  // namespace

bool ScanParamStep::PlainScannerName(const std::string& scanner, const std::string& log) {
  if (IsPlainLibraryName(scanner)) return true;
  WriteLogLine(log,
               FormatText("The scanner name '%s' would leave the type folder.", scanner.c_str()),
               kLogError);
  return false;
}

std::string ScanParamStep::TypeFolder(std::size_t index) const {
  return platform::JoinPath(sourceFolder,
                            index < typeFolders.size() ? typeFolders[index] : arrayTypes[index]);
}

int ScanParamStep::CopyScanFiles() {
  const platform::ProfileText devicesIni =
      platform::ProfileText::Read(platform::JoinPath(sourceFolder, kDevicesIniName));
  bool missing = false;
  bool failed = false;
  for (std::size_t i = 0; i < arrayTypes.size(); ++i) {
    const std::string& type = arrayTypes[i];
    for (const std::string& scanner : scanners) {
      if (!IsInArraySet(scanner, type, devicesIni)) continue;
      if (!PlainScannerName(scanner, logPath)) {
        failed = true;
        continue;
      }
      const std::string scannerIni = platform::JoinPath(TypeFolder(i), scanner + ".INI");
      if (!platform::FileExists(scannerIni)) {
        WriteLogLine(logPath,
                     FormatText("Failed to copy the scan files for %s. ", type.c_str()) +
                         FormatMessageText(kDevicesFileMissing, scannerIni.c_str()),
                     kLogError);
        missing = true;
        continue;
      }
      if (CopyListedFiles(type, scannerIni, FormatText("Copying %s Scan Files...", type.c_str())) !=
          kCopyDone)
        failed = true;
    }
  }
  // A failed copy is the stronger news: the driver keeps it past any later success.
  if (failed) return kThereAreErrors;
  return missing ? kDevicesFileMissing : kResultSuccess;
}

int ScanParamStep::ValidateScanCif(const std::string& cifPath, const std::string& scannerIniPath,
                                   const std::string& arrayType, const std::string& scanner) {
  if (!PlainScannerName(scanner, logPath)) return kCifReadFailed;
  CifParamConverter converter;
  PrepareConversion(converter, *this, arrayType, cifPath, kScanLoadFile, scannerIniPath);
  converter.scanner = scanner;
  return converter.RunScanConversion(0);
}

int ScanParamStep::RunScanParamStep() {
  return RunPairs(false);
}

int ScanParamStep::ImportScanParams() {
  return RunPairs(true);
}

int ScanParamStep::RunPairs(bool import) {
  const RoadTexts& road = import ? kImportTexts : kInstallTexts;
  if (arrayTypes.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  if (const int opened = BeginParameterRun(*this, window, road.opening); opened != kResultSuccess)
    return opened;

  const std::string typeIni = platform::JoinPath(sourceFolder, kTypeIniName);
  const platform::ProfileText typeSections = platform::ProfileText::Read(typeIni);
  const platform::ProfileText devicesIni =
      platform::ProfileText::Read(platform::JoinPath(sourceFolder, kDevicesIniName));
  ItemResults results;
  for (std::size_t i = 0; i < arrayTypes.size(); ++i) {
    const std::string& type = arrayTypes[i];
    std::string assayType;
    if (import) {
      // An unreadable tile type stays empty, as the import always took it.
      ReadTileType(platform::JoinPath(destFolder, type + ".CIF"), assayType);
    } else if (!ReadSectionType(type, typeSections, assayType) || assayType.empty()) {
      WriteLogLine(logPath, FormatMessageText(kAssayTypeMissing, typeIni.c_str()), kLogError);
      results.Note(kAssayTypeMissing);
      continue;
    }
    int served = 0;
    for (const std::string& scanner : scanners) {
      if (!import && !IsInArraySet(scanner, type, devicesIni)) continue;
      ++served;
      int result = RunPair(import, i, scanner, assayType, window);
      if (result == kResultSuccess && warningsSeen == 1) result = kThereAreWarnings;
      const char* closing = result == kResultSuccess      ? road.successLine
                            : result == kThereAreWarnings ? road.warningLine
                                                          : road.failureLine;
      WriteLogLine(logPath, FormatText(closing, scanner.c_str(), type.c_str()), kLogInfo);
      results.Note(result);
    }
    if (!import && served == 0) {
      const std::string warning = FormatText(
          "No scanner is supported for %s. Please check Device.INI in the install folder",
          type.c_str());
      AppendFormattedLine(reportPath, "%s", warning.c_str());
      AppendFormattedLine(reportPath, "%s", "");
      WriteLogLine(logPath, warning, kLogWarning);
      // A warning of its own, which an earlier type's error still outranks.
      results.Note(kThereAreWarnings);
    }
  }
  RunDropScript(*session, kStepAnalysisParameters);
  return results.Result();
}

int ScanParamStep::RunPair(bool import, std::size_t index, const std::string& scanner,
                           const std::string& assayType, ProgressWindow& window) {
  const RoadTexts& road = import ? kImportTexts : kInstallTexts;
  const std::string& type = arrayTypes[index];
  BeginParameterItem(*this, window, FormatText(road.pairLine, scanner.c_str(), type.c_str()));
  if (!PlainScannerName(scanner, logPath)) return kCifReadFailed;

  const std::string cifPath =
      import ? platform::JoinPath(destFolder, type + ".CIF")
             : platform::JoinPath(platform::JoinPath(TypeFolder(index), kLibFilesFolder),
                                  type + ".CIF");
  std::remove(kScanLoadFile);
  CifParamConverter converter;
  PrepareConversion(
      converter, *this, type, cifPath, kScanLoadFile,
      platform::JoinPath(import ? sourceFolder : TypeFolder(index), scanner + ".INI"));
  converter.assayType = assayType;
  converter.scanner = scanner;
  const int converted = converter.RunScanConversion(1);
  const int lines = converter.recordCount;
  return LoadConversion(*this, window, converter, converted, warningsSeen, [&] {
    AppendFormattedLine(reportPath, "Array Type:\t\t%s", type.c_str());
    AppendFormattedLine(reportPath, "Scanner Type:\t%s", scanner.c_str());
    AppendFormattedLine(reportPath, "Source CIF File:\t\t%s", cifPath.c_str());
    AppendFormattedLine(reportPath, "Source CIF File Date:\t\t%s", FileDateText(cifPath).c_str());
    AppendFormattedLine(reportPath, "Number of %s Scan Parameters in the source file:\t%d",
                        scanner.c_str(), lines);
    AppendFormattedLine(reportPath,
                        "Number of %s Scan Parameters uploaded to temporary tables:\t%d",
                        scanner.c_str(), lines);
    AppendFormattedLine(reportPath, "%s", "Database Activities -");
  });
}

}  // namespace quellbrook
