#include "installer/quellbrook/install_driver.hpp"

#include <string>
#include <vector>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/quellbrook/driver_steps.hpp"
#include "installer/steps/analysis_parameter_step.hpp"
#include "installer/steps/cif_validation.hpp"
#include "installer/steps/device_step.hpp"
#include "installer/steps/fluidics_step.hpp"
#include "installer/steps/gene_info_step.hpp"
#include "installer/steps/registry_key_step.hpp"
#include "installer/steps/scan_parameter_step.hpp"
#include "installer/steps/sequence_step.hpp"
#include "platform/path.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

namespace {

std::string RoleWord(int server) {
  return server == 1 ? "QIRO Server" : "Client";
}

}  // namespace

int FoldInstallResult(const RunFlags& flags) {
  if (flags.running == kResultSuccess && !flags.allValid) return kValidationFailed;
  if (flags.errors) return kThereAreErrors;
  // A step's error outranks a later step's warning.
  if (flags.running != kResultSuccess && flags.running != kThereAreWarnings) return flags.running;
  if (flags.warnings) return kThereAreWarnings;
  return flags.running;
}

int RunInstall(InstallParameters& parameters) {
  const std::string& log = parameters.installLog;
  if (parameters.libraryFolder.empty() || parameters.protocolFolder.empty() ||
      parameters.sourceFolder.empty() || parameters.arrayTypes.empty() || log.empty() ||
      parameters.reportFile.empty())
    return RefuseRun(parameters, kInvalidCommandParameters);
  parameters.sourceFolder = TrimFolderText(parameters.sourceFolder);

  const int server = IsServerMachine();
  const std::string role = RoleWord(server);
  WriteLogLine(log, FormatText("*** Start %s Library Installation ***", role.c_str()), kLogInfo);
  const std::string finish = FormatText("*** Finish %s Library Installation ***\n", role.c_str());
  auto finishWith = [&](int result) {
    WriteLogLine(log, finish, kLogInfo);
    return result;
  };
  auto failWith = [&](int number) { return finishWith(ReportDriverError(parameters, number)); };

  std::vector<std::string> types;
  SplitList(parameters.arrayTypes, types, ',', 0);
  if (types.empty()) return kResultSuccess;

  const std::string typeIni = platform::JoinPath(parameters.sourceFolder, kTypeIniName);
  const platform::ProfileText typeSections = platform::ProfileText::Read(typeIni);
  std::vector<std::string> typeFolders;
  bool missingFolder = false;
  for (const std::string& type : types) {
    if (!type.empty() && !IsSafeTypeName(type, log)) {
      missingFolder = true;
      typeFolders.emplace_back();
      continue;
    }
    std::string folder = GetArrayTypePath(typeSections, type);
    if (!folder.empty() && !IsRelativeLibraryPath(folder)) {
      WriteLogLine(log,
                   FormatText("The path '%s' of %s in %s would leave the source folder.",
                              folder.c_str(), type.c_str(), typeIni.c_str()),
                   kLogError);
      missingFolder = true;
    } else if (folder.empty()) {
      WriteLogLine(log, FormatMessageText(kFilePathMissing, type.c_str(), typeIni.c_str()),
                   kLogError);
      missingFolder = true;
    }
    typeFolders.push_back(std::move(folder));
  }
  if (missingFolder) return kFilePathMissing;

  LibDbSession primary;
  primary.InitSession(nullptr);
  LibDbSession geneInfo;
  PrepareSession(primary, parameters, parameters.libraryFolder);
  PrepareSession(geneInfo, parameters, parameters.libraryFolder);

  if (const int result = SetProcessDatabase(primary, parameters); result != 0)
    return finishWith(result);
  std::string geneInfoDatabase;
  if (GetGeneInfoDatabaseName(geneInfoDatabase) == 0) return failWith(kGeneInfoDatabaseNameMissing);

  if (primary.dbmsType == kDbmsSqlServer) {
    if (const int result = SetSqlToolsFolder(primary, log); result != 0) return finishWith(result);
  } else if (primary.dbmsType == kDbmsOracle) {
    geneInfo.InitSession(geneInfoDatabase.c_str());
  }
  if (const int result = CheckConnected(primary, parameters); result != 0)
    return finishWith(result);

  const bool databaseRole = server == 1 || primary.localDatabase == 1;
  const bool version31 = IsVersionAtLeast31(primary.version);
  RunFlags flags;
  const StepSetup configure{parameters.libraryFolder, parameters, primary};

  if (databaseRole) {
    if (const int result = RunCatalogueSteps(configure, flags, version31); result != 0)
      return finishWith(result);
  }

  SourceDevices devices;
  if (const int result = ReadSourceDevices(parameters, devices); result != 0)
    return finishWith(result);
  std::vector<std::string> scanners, fluidics;
  if (const int result = SortDevicesByType(devices, log, scanners, fluidics); result != 0)
    return finishWith(result);
  if (version31 && databaseRole) {
    if (const int result = RunDeviceStep(configure, devices); result != 0)
      return finishWith(result);
  }

  if (databaseRole) {
    const bool selected = !types.empty();
    InstallStep folders;
    configure(folders);
    flags.allValid = ValidateTypeCifs(folders, scanners, types, typeFolders);
    if (selected && types.empty()) {
      WriteLogLine(log, MessageText(kValidationFailedForAll), kLogInfo);
      return kValidationFailedForAll;
    }
  }
  if (!types.empty() && !scanners.empty()) {
    ScanParamStep scan;
    configure(scan);
    scan.arrayTypes = types;
    scan.typeFolders = typeFolders;
    scan.scanners = scanners;
    // A scan file copy that failed carries no result of the run, so it is kept as an error.
    if (scan.CopyScanFiles() != kResultSuccess) {
      flags.errors = true;
    } else if (databaseRole) {
      if (const int result = scan.RunScanParamStep(); EndsRun(flags, result))
        return finishWith(result);
    }
  }
  if (!types.empty() && !fluidics.empty()) {
    FluidicsStep fluidicsStep;
    configure(fluidicsStep);
    fluidicsStep.destFolder = parameters.protocolFolder;
    fluidicsStep.types = types;
    fluidicsStep.typeFolders = typeFolders;
    fluidicsStep.stations = fluidics;
    // A copy that failed has logged in red; the run must not end as a success.
    if (fluidicsStep.CopyFluidicsFiles() != 0) {
      flags.errors = true;
    } else if (databaseRole) {
      if (const int result = fluidicsStep.RunFluidicsStep(); EndsRun(flags, result))
        return finishWith(result);
    }
  }
  {
    AnalysisParamStep analysis;
    configure(analysis);
    analysis.arrayTypes = types;
    analysis.typeFolders = typeFolders;
    const int copied = analysis.CopyAnalysisLibraryFiles();
    NoteCopyResult(flags, copied);
    // A missing definition too: later steps replace the running result.
    if (copied != kResultSuccess) flags.errors = true;
    if (copied == kResultSuccess && databaseRole) {
      if (const int result = analysis.InstallAnalysisParams(); EndsRun(flags, result))
        return finishWith(result);
    }
  }
  if (server == 0 && primary.localDatabase == 1) {
    RegistryKeyStep registryKeys;
    configure(registryKeys);
    registryKeys.types = types;
    registryKeys.typeFolders = typeFolders;
    flags.running = registryKeys.RunRegistryKeyStep();
    if (flags.running != 0) flags.errors = true;
  }
  const bool tarnwell = IsTarnwellInstalled() == 1;
  const bool pirodex = IsPirodexInstalled() == 1;
  // The gene-information database's steps over the types: on Oracle its own login, on SQL
  // Server the primary session working in it for the step, its own database back after.
  const std::string workDatabase = primary.workDatabase;
  auto runOnGeneInfo = [&](auto& step, auto run) {
    configure(step);
    step.arrayTypes = types;
    step.typeFolders = typeFolders;
    if (primary.dbmsType == kDbmsOracle) {
      step.session = &geneInfo;
    } else {
      primary.workDatabase = geneInfoDatabase;
      step.session = &primary;
    }
    const int result = run(step);
    primary.workDatabase = workDatabase;
    return result;
  };
  if (databaseRole || tarnwell || pirodex) {
    if (primary.dbmsType == kDbmsOracle && geneInfo.connected == 0) return failWith(kConnectFailed);
    GeneInfoStep geneInfoStep;
    flags.running =
        runOnGeneInfo(geneInfoStep, [](GeneInfoStep& step) { return step.RunGeneInfoStep(); });
    if (flags.running != 0) return finishWith(flags.running);
  }
  if (databaseRole || IsSequenceInstallEnabled() == 1 || pirodex) {
    if (primary.dbmsType == kDbmsOracle && geneInfo.connected == 0) return failWith(kConnectFailed);
    SequenceStep sequences;
    const int result =
        runOnGeneInfo(sequences, [](SequenceStep& step) { return step.RunSequenceStep(); });
    if (EndsRun(flags, result)) return finishWith(result);
  }
  return finishWith(FoldInstallResult(flags));
}

}  // namespace quellbrook
