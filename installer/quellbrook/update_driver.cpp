#include "installer/quellbrook/update_driver.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/quellbrook/driver_steps.hpp"
#include "installer/steps/analysis_parameter_step.hpp"
#include "installer/steps/analysis_update_step.hpp"
#include "installer/steps/cif_validation.hpp"
#include "installer/steps/device_step.hpp"
#include "installer/steps/fluidics_step.hpp"
#include "installer/steps/scan_parameter_step.hpp"

namespace quellbrook {

namespace {

constexpr const char* kServerStart = "*** Start QIRO Server Library Update ***";
constexpr const char* kServerFinish = "*** Finish QIRO Server Library Update ***\n";
constexpr const char* kImportStart = "*** Start Library Files Import ***";
constexpr const char* kImportFinish = "*** Finish Library Files Import ***\n";

std::vector<DeviceRecord> ScannerRecords(const std::vector<DeviceRecord>& devices) {
  std::vector<DeviceRecord> scanners;
  for (const DeviceRecord& device : devices)
    if (IsDeviceType(device, kScannerDeviceType)) scanners.push_back(device);
  return scanners;
}

// A failed scanner map outranks a failed check, which outranks errors, then warnings.
int FoldImportResult(const RunFlags& flags, int scannerMapResult) {
  if (scannerMapResult == 0) return kScanParameterUpdateFailed;
  if (!flags.allValid) return kValidationFailed;
  if (flags.errors) return kThereAreErrors;
  if (flags.warnings) return kThereAreWarnings;
  return flags.running;
}

// A type whose name would leave the library folder can't be checked; it fails as a type
// with a broken CIF does.
bool DropUnsafeTypes(std::vector<std::string>& types, const std::string& log) {
  std::vector<std::string> kept;
  for (const std::string& type : types) {
    if (IsSafeTypeName(type, log)) kept.push_back(type);
  }
  const bool allSafe = kept.size() == types.size();
  types = std::move(kept);
  return allSafe;
}

// The run's one session, its process database named, the SQL Server tools found (always, or
// only on a SQL Server) and the connection checked; 0, or the failure's number.
int OpenSession(LibDbSession& session, InstallParameters& parameters,
                const std::string& libraryFolder, bool sqlServerAlways) {
  session.InitSession(nullptr);
  PrepareSession(session, parameters, libraryFolder);
  if (const int result = SetProcessDatabase(session, parameters); result != 0) return result;
  if (sqlServerAlways || session.dbmsType == kDbmsSqlServer) {
    if (const int result = SetSqlToolsFolder(session, parameters.installLog); result != 0)
      return result;
  }
  return CheckConnected(session, parameters);
}

}  // namespace

int RunUpdate(InstallParameters& parameters) {
  std::string versionText;
  GetDataObjectVersion(versionText);
  if (std::strtod(versionText.c_str(), nullptr) <= kLastUnupdatableVersion)
    return RefuseRun(parameters, kCannotUpdateOldServer);
  const int server = IsServerMachine();
  const int localDatabase = IsLocalDatabaseClient();
  if (server == 1) return UpdateServerLibrary(parameters);
  if (localDatabase == 1) return ImportLibraryFiles(parameters);
  return RefuseRun(parameters, kCannotUpdateWithoutClient);
}

int UpdateServerLibrary(InstallParameters& parameters) {
  const std::string& log = parameters.installLog;
  if (parameters.libraryFolder.empty() || parameters.sourceFolder.empty() || log.empty() ||
      parameters.reportFile.empty())
    return RefuseRun(parameters, kInvalidCommandParameters);
  parameters.sourceFolder = TrimFolderText(parameters.sourceFolder);
  WriteLogLine(log, kServerStart, kLogInfo);
  auto finishWith = [&](int result) {
    WriteLogLine(log, kServerFinish, kLogInfo);
    return result;
  };

  LibDbSession session;
  if (const int result = OpenSession(session, parameters, parameters.libraryFolder, false);
      result != 0)
    return finishWith(result);

  const StepSetup configure{parameters.libraryFolder, parameters, session};
  RunFlags flags;
  AnalysisUpdateStep update;
  configure(update);
  if (const int result = update.UpdateLabMetadata(); result != 0) return finishWith(result);
  if (const int result = RunCatalogueSteps(configure, flags, true); result != 0)
    return finishWith(result);

  SourceDevices devices;
  if (const int result = ReadSourceDevices(parameters, devices); result != 0)
    return finishWith(result);
  // Only scanners have parameters to derive; devices of other types are no concern here.
  const std::vector<DeviceRecord> scanners = ScannerRecords(devices.records);
  if (const int result = RunDeviceStep(configure, devices); result != 0) return finishWith(result);

  {
    ScanParamStep scan;
    configure(scan);
    scan.cifFolder = parameters.libraryFolder;
    scan.devices = scanners;
    // The derivation logs its own failures and never ends the update.
    scan.UpdateScanParams();
  }
  if (const int result = update.UpdateAnalysisParams(); result != 0) return finishWith(result);
  return finishWith(flags.errors ? kThereAreErrors : kResultSuccess);
}

int ImportLibraryFiles(InstallParameters& parameters) {
  const std::string& log = parameters.installLog;
  if (parameters.libraryFolder.empty() || parameters.sourceFolder.empty() || log.empty() ||
      parameters.reportFile.empty() ||
      (!parameters.protocols.empty() && parameters.protocolFolder.empty()))
    return RefuseRun(parameters, kInvalidCommandParameters);
  parameters.sourceFolder = TrimFolderText(parameters.sourceFolder);
  const std::string libraryFolder = TrimFolderText(parameters.libraryFolder);
  const std::string fluidicsFolder = TrimFolderText(parameters.protocolFolder);
  std::string localLibrary, scriptFolder;
  GetLocalLibraryPath(localLibrary);
  GetScriptFolder(scriptFolder);
  WriteLogLine(log, kImportStart, kLogInfo);
  auto finishWith = [&](int result) {
    WriteLogLine(log, kImportFinish, kLogInfo);
    return result;
  };

  std::vector<std::string> types, protocols;
  SplitList(parameters.arrayTypes, types, ',', 0);
  SplitList(parameters.protocols, protocols, ',', 0);
  if (types.empty() && protocols.empty()) return kResultSuccess;

  LibDbSession session;
  // A client's own database is always SQL Server.
  if (const int result = OpenSession(session, parameters, localLibrary, true); result != 0)
    return finishWith(result);

  const StepSetup configure{localLibrary, parameters, session};
  RunFlags flags;
  if (const int result = RunCatalogueSteps(configure, flags, true); result != 0)
    return finishWith(result);

  SourceDevices devices;
  if (const int result = ReadSourceDevices(parameters, devices); result != 0)
    return finishWith(result);
  std::vector<std::string> scanners, stations;
  if (const int result = SortDevicesByType(devices, log, scanners, stations); result != 0)
    return finishWith(result);
  if (const int result = RunDeviceStep(configure, devices); result != 0) return finishWith(result);

  const bool selected = !types.empty();
  flags.allValid = DropUnsafeTypes(types, log);
  int scannerMapResult = 1;
  {
    ScanParamStep maps;
    configure(maps);
    maps.cifFolder = libraryFolder;
    // A fluidics station has no scan parameters, so no maps to be asked for.
    maps.devices = ScannerRecords(devices.records);
    scannerMapResult = maps.FilterTypesByScannerMaps(types);
  }
  {
    InstallStep folders;
    configure(folders);
    if (!ValidateImportCifs(folders, libraryFolder, scanners, types)) flags.allValid = false;
  }
  if (selected && types.empty()) {
    WriteLogLine(log, MessageText(kValidationFailedForAll), kLogInfo);
    return kValidationFailedForAll;
  }

  if (!types.empty()) {
    ScanParamStep scan;
    configure(scan);
    scan.destFolder = libraryFolder;
    scan.arrayTypes = types;
    scan.scanners = scanners;
    if (const int result = scan.ImportScanParams(); EndsRun(flags, result))
      return finishWith(result);
  }
  if (!protocols.empty()) {
    FluidicsStep fluidics;
    configure(fluidics);
    fluidics.destFolder = scriptFolder;
    fluidics.sourceFolder = fluidicsFolder;
    fluidics.protocols = protocols;
    // A failed copy has logged in red; nothing of it is loaded, and the run must not end as
    // a success.
    if (fluidics.CopyProtocolFiles() != kResultSuccess) {
      flags.errors = true;
    } else if (const int result = fluidics.ImportFluidicsProtocols(); result != kResultSuccess) {
      return finishWith(result);
    }
  }
  {
    AnalysisParamStep analysis;
    configure(analysis);
    analysis.arrayTypes = types;
    analysis.copySourceFolder = libraryFolder;
    const int copied = analysis.CopyLibraryFilesForTypes();
    NoteCopyResult(flags, copied);
    if (copied == kResultSuccess) {
      if (const int result = analysis.ImportAnalysisParams(); EndsRun(flags, result))
        return finishWith(result);
    }
  }
  return finishWith(FoldImportResult(flags, scannerMapResult));
}

}  // namespace quellbrook
