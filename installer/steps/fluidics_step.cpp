#include "installer/steps/fluidics_step.hpp"

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
#include "installer/steps/mac_reader.hpp"
#include "installer/steps/step_sequence.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

constexpr int kFluidicsFailed = 3007;
constexpr const char* kFluidicsTable = "LOAD_MAC_FILE";

std::string FolderOf(const std::vector<std::string>& folders, std::size_t i) {
  return i < folders.size() ? folders[i] : std::string();
}

}  // namespace

int FluidicsStep::CopyFluidicsFiles() {
  const platform::ProfileText devicesIni =
      platform::ProfileText::Read(platform::JoinPath(sourceFolder, kDevicesIniName));
  bool missing = false;
  bool failed = false;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string typeFolder = platform::JoinPath(sourceFolder, FolderOf(typeFolders, i));
    for (const std::string& station : stations) {
      if (!IsInArraySet(station, types[i], devicesIni)) continue;
      const std::string ini = platform::JoinPath(typeFolder, station + ".INI");
      if (!IsPlainLibraryName(station) || !platform::FileExists(ini)) {
        WriteLogLine(logPath,
                     FormatText("Failed to copy the fluidics files for %s. ", types[i].c_str()) +
                         FormatMessageText(kDevicesFileMissing, ini.c_str()),
                     kLogError);
        missing = true;
        continue;
      }
      if (CopyListedFiles(types[i], ini,
                          FormatText("Copying %s Fluidics Files...", types[i].c_str())) !=
          kCopyDone)
        failed = true;
    }
  }
  if (missing) return kDevicesFileMissing;
  return failed ? kThereAreErrors : kResultSuccess;
}

int FluidicsStep::RunFluidicsStep() {
  if (types.empty()) return kResultSuccess;
  ProgressWindow window(FindTopLevelWindow(ParentWindowName()), "", 1);
  if (const int opened = BeginStepRun(*this, window, 3, kStepFluidics,
                                      "Install Fluidics Protocols into database...",
                                      "Start Installing Fluidics Protocols...",
                                      "Install Fluidics Protocols:", "---------------------------");
      opened != kResultSuccess) {
    errorText += MessageText(kConnectFailed);
    return opened;
  }

  const platform::ProfileText devicesIni =
      platform::ProfileText::Read(platform::JoinPath(sourceFolder, kDevicesIniName));
  int overall = kResultSuccess;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const std::string& type = types[i];
    const std::string typeFolder = platform::JoinPath(sourceFolder, FolderOf(typeFolders, i));
    for (const std::string& station : stations) {
      if (!IsInArraySet(station, type, devicesIni)) continue;
      std::vector<std::string> stationProtocols;
      if (IsPlainLibraryName(station))
        ReadProtocolList(stationProtocols, platform::JoinPath(typeFolder, station + ".INI"));
      if (stationProtocols.empty()) window.SetStep(8);
      for (const std::string& protocol : stationProtocols) {
        BeginStepItem(*this, window,
                      FormatText("Install %s Fluidics Protocols %s for %s...", station.c_str(),
                                 protocol.c_str(), type.c_str()));
        const int result = LoadProtocol(
            window, protocol,
            platform::JoinPath(platform::JoinPath(typeFolder, kLibFilesFolder), protocol + ".MAC"),
            station);
        WriteLogLine(
            logPath,
            FormatText(result != 0 ? "Install %s Fluidics Protocols %s for %s Failed."
                                   : "Install %s Fluidics Protocols %s for %s Successfully.",
                       station.c_str(), protocol.c_str(), type.c_str()),
            kLogInfo);
        if (overall == kResultSuccess) overall = result;
      }
    }
  }
  RunDropScript(*session, kStepFluidics);
  return overall;
}

int FluidicsStep::LoadProtocol(ProgressWindow& window, const std::string& protocol,
                               const std::string& macPath, const std::string& station) {
  std::remove(kFluidicsLoadFile);
  int result = kResultSuccess;
  MacReader reader;
  if (!IsPlainLibraryName(protocol)) {
    WriteLogLine(
        logPath,
        FormatText("The protocol name '%s' would leave the library folder.", protocol.c_str()),
        kLogError);
    result = kMacReadFailed;
  } else {
    reader.outputFile = kFluidicsLoadFile;
    reader.macPath = macPath;
    reader.protocolName = protocol;
    reader.logPath = logPath;
    result = reader.RunMacRead();
  }
  window.StepIt();
  if (result != kResultSuccess) return result;

  session->ClearTable(kLibraryLogTable);
  session->ClearTable(kFluidicsTable);
  BulkLoadStep(*session, kFluidicsLoadFile, kStepFluidics);
  window.StepIt();
  const int rows = session->CountTableRows(kFluidicsTable);
  if (rows != reader.recordCount) {
    result = session->dbmsType == kDbmsOracle ? 3020 : 3003;
    WriteLogLine(logPath, FormatMessageText(result, reader.recordCount, rows), kLogError);
    return result;
  }
  const std::string date = FileDateText(macPath);
  if (station.empty()) {
    AppendFormattedLine(reportPath, "Source Fluidics Protocol File:\t\t%s", macPath.c_str());
    AppendFormattedLine(reportPath, "Source Fluidics Protocol File Date:\t\t%s", date.c_str());
  } else {
    AppendFormattedLine(reportPath, "Fluidics Station:\t\t%s", station.c_str());
    AppendFormattedLine(reportPath, "Source Fluidics File:\t\t%s", macPath.c_str());
    AppendFormattedLine(reportPath, "Source Fluidics File Date:\t\t%s", date.c_str());
  }
  AppendFormattedLine(reportPath, "Number of Protocol Steps in the source file:\t%d",
                      reader.recordCount);
  AppendFormattedLine(reportPath, "Number of Protocol Steps uploaded to temporary tables:\t%d",
                      rows);
  if (const std::optional<std::string> failed =
          RunDatabaseActivities(*this, kStepFluidics, &window)) {
    result = kFluidicsFailed;
    WriteLogLine(logPath, FormatMessageText(result, failed->c_str()), kLogError);
  }
  window.StepIt();
  std::remove(kFluidicsLoadFile);
  window.StepIt();
  return result;
}

}  // namespace quellbrook
