#include "installer/framework/install_driver.hpp"

#include <string>
#include <vector>

#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

// Until the content steps exist a run that reaches them must not look like a success.
constexpr const char* kStepsNotBuilt = "The library content steps are not built in this version.";
constexpr const char* kUpdateNotBuilt = "Library update is not built in this version.";

std::string RoleWord(int server) {
  return server == 1 ? "QIRO Server" : "Client";
}

std::string TrimSourceFolder(const std::string& folder) {
  std::string trimmed = TrimRight(folder);
  while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/')) trimmed.pop_back();
  return trimmed;
}

void PrepareSession(LibDbSession& session, const InstallParameters& parameters) {
  session.scriptOutputFile = platform::JoinPath(parameters.libraryFolder, kToolLogFileName);
  session.installLog = parameters.installLog;
  session.reportFile = parameters.reportFile;
  session.libraryFolder = parameters.libraryFolder;
}

}  // namespace

int RunInstall(InstallParameters& parameters) {
  const std::string& log = parameters.installLog;
  if (parameters.libraryFolder.empty() || parameters.protocolFolder.empty() ||
      parameters.sourceFolder.empty() || parameters.arrayTypes.empty() || log.empty() ||
      parameters.reportFile.empty()) {
    parameters.errorText = std::string(MessageText(kInvalidCommandParameters));
    WriteLogLine(log, parameters.errorText, kLogError);
    return kInvalidCommandParameters;
  }
  parameters.sourceFolder = TrimSourceFolder(parameters.sourceFolder);

  const int server = IsServerMachine();
  IsTarnwellInstalled();
  IsPirodexInstalled();
  IsSequenceInstallEnabled();
  const std::string role = RoleWord(server);
  WriteLogLine(log, FormatText("*** Start %s Library Installation ***", role.c_str()), kLogInfo);
  const std::string finish = FormatText("*** Finish %s Library Installation ***\n", role.c_str());
  auto finishWith = [&](int result) {
    WriteLogLine(log, finish, kLogInfo);
    return result;
  };
  auto failWith = [&](int number) {
    const std::string text(MessageText(number));
    parameters.errorText += text;
    WriteLogLine(log, text, kLogError);
    return finishWith(number);
  };

  std::vector<std::string> types;
  SplitList(parameters.arrayTypes, types, ',', 0);
  if (types.empty()) return kResultSuccess;

  const std::string typeIni = platform::JoinPath(parameters.sourceFolder, kTypeIniFileName);
  std::vector<std::string> typeFolders;
  bool missingFolder = false;
  for (const std::string& type : types) {
    std::string folder = GetArrayTypePath(typeIni, type);
    if (folder.empty()) {
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
  PrepareSession(primary, parameters);
  PrepareSession(geneInfo, parameters);

  std::string processDatabase;
  if (GetDatabaseName(primary.dbmsType, processDatabase) == 0)
    return failWith(kProcessDatabaseNameMissing);
  primary.processDatabase = processDatabase;
  std::string geneInfoDatabase;
  if (GetGeneInfoDatabaseName(geneInfoDatabase) == 0) return failWith(kGeneInfoDatabaseNameMissing);

  if (primary.dbmsType == kDbmsSqlServer) {
    std::string folder, message;
    const int found = FindSqlToolsFolder(folder, message);
    if (found != 0) {
      WriteLogLine(log, message, kLogInfo);
      return finishWith(found);
    }
    primary.sqlToolsFolder = folder;
  } else if (primary.dbmsType == kDbmsOracle) {
    geneInfo.InitSession(geneInfoDatabase.c_str());
  }
  if (primary.connected == 0) return failWith(kConnectFailed);

  WriteLogLine(log, kStepsNotBuilt, kLogError);
  return finishWith(kThereAreErrors);
}

int RunUpdate(InstallParameters& parameters) {
  WriteLogLine(parameters.installLog, kUpdateNotBuilt, kLogError);
  return kThereAreErrors;
}

}  // namespace quellbrook
