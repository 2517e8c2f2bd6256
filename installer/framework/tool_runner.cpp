#include "installer/framework/tool_runner.hpp"

#include <optional>

#include "installer/framework/copied_files.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/hidden_wait.hpp"
#include "installer/framework/install_log.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/text_functions.hpp"
#include "installer/framework/tool_command_lines.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

ToolLogin LoginOf(const LibDbSession& session, const std::string& login,
                  const std::string& loginPassword) {
  return {session.dataSourceName, login, loginPassword};
}

// Runs a built line; nothing, after a log line, when a value kept it from being built.
std::optional<int> RunBuiltLine(const LibDbSession& session, const char* tool,
                                const CommandLine& line, const std::string& refused) {
  if (line) return RunCommandBatch(*line);
  WriteLogLine(session.installLog,
               FormatText("Cannot run %s: the %s holds a double quote or a control character", tool,
                          refused.c_str()),
               kLogError);
  return std::nullopt;
}

int RunLine(const LibDbSession& session, const char* tool, const CommandLine& line,
            const std::string& refused) {
  return RunBuiltLine(session, tool, line, refused).value_or(0);
}

std::optional<int> BulkLoad(const LibDbSession& session, const std::string& loadFile,
                            const std::string& option, const std::string& outputFile,
                            const std::string& database, const std::string& table,
                            const std::string& login, const std::string& loginPassword) {
  std::string refused;
  if (session.dbmsType == kDbmsSqlServer)
    return RunBuiltLine(
        session, kBulkCopyTool,
        SqlServerBulkLoadCommand(session.sqlToolsFolder, LoginOf(session, login, loginPassword),
                                 database, table, loadFile, option, outputFile, &refused),
        refused);
  if (session.dbmsType == kDbmsOracle)
    return RunBuiltLine(
        session, kOracleLoaderTool,
        OracleBulkLoadCommand(LoginOf(session, login, loginPassword), option, loadFile,
                              session.libraryFolder, outputFile, &refused),
        refused);
  return 0;
}

// A script or loader file: ours beside the library first; the current folder's only when
// the library has none of that name and this process did not copy it out of a library
// folder (refused in red). Nothing when there is none to run.
std::optional<std::string> StepFile(const LibDbSession& session, const char* name) {
  if (!session.scriptFolder.empty()) {
    std::string beside = platform::JoinPath(session.scriptFolder, name);
    if (platform::FileExists(beside)) return beside;
  }
  if (!platform::FileExists(name)) return std::nullopt;
  if (IsCopiedFile(name)) {
    WriteLogLine(session.installLog,
                 FormatText("The file %s in the current folder was copied from the library and "
                            "is not run",
                            name),
                 kLogError);
    return std::nullopt;
  }
  return name;
}

// The step file, or nothing after a log line naming what it is.
std::optional<std::string> FoundStepFile(const LibDbSession& session, const char* name,
                                         const char* what) {
  std::optional<std::string> file = StepFile(session, name);
  if (!file)
    WriteLogLine(session.installLog, FormatText("Cannot find %s %s", what, name), kLogError);
  return file;
}

// The script for the session's DBMS, run when its file exists, its output going to
// outputFile.
int RunDbmsScript(const LibDbSession& session, const char* sqlScript, const char* oracleScript,
                  const std::string& outputFile) {
  const char* name = session.dbmsType == kDbmsSqlServer ? sqlScript
                     : session.dbmsType == kDbmsOracle  ? oracleScript
                                                        : nullptr;
  if (name == nullptr) return 0;
  const std::optional<std::string> script = FoundStepFile(session, name, "script file");
  if (!script) return 0;
  return RunSqlScript(session, *script, outputFile, session.user, session.password,
                      session.workDatabase);
}

}  // namespace

int RunLoadScript(const LibDbSession& session, int code) {
  const StepNames* names = FindStepNames(code, session.version);
  if (names == nullptr) return 0;
  return RunDbmsScript(session, names->sqlLoadScript, names->oracleLoadScript,
                       session.scriptOutputFile);
}

int RunDropScript(const LibDbSession& session, int code) {
  const StepNames* names = FindStepNames(code, session.version);
  if (names == nullptr) return 0;
  return RunDbmsScript(session, names->sqlDropScript, names->oracleDropScript,
                       session.scriptOutputFile);
}

bool BulkLoadStep(const LibDbSession& session, const std::string& loadFile, int code) {
  const StepNames* names = FindStepNames(code, session.version);
  if (names == nullptr || loadFile.empty()) return false;
  std::string option;
  const char* table = nullptr;
  if (session.dbmsType == kDbmsSqlServer) {
    std::string formatFile;
    if (names->bcpFormatFile && names->bcpOption != nullptr) {
      const std::optional<std::string> found =
          FoundStepFile(session, names->bcpOption, "format file");
      if (!found) return false;
      formatFile = *found;
    }
    option = BcpOptionText(*names, formatFile);
    table = names->temporaryTable;
    if (option.empty() || table == nullptr) return false;
  } else if (session.dbmsType == kDbmsOracle) {
    if (names->controlFile == nullptr) return false;
    const std::optional<std::string> controlFile =
        FoundStepFile(session, names->controlFile, "control file");
    if (!controlFile) return false;
    std::string refused;
    const CommandLine control = OracleControlOption(*controlFile, &refused);
    if (!control) {
      WriteLogLine(session.installLog,
                   FormatText("Cannot run %s: the %s holds a double quote or a control character",
                              kOracleLoaderTool, refused.c_str()),
                   kLogError);
      return false;
    }
    option = *control;
  } else {
    return false;
  }
  // Whether the tool loaded anything shows in the table's row count; only a command that
  // could not be built fails here.
  return BulkLoad(session, loadFile, option, session.scriptOutputFile, session.workDatabase,
                  table != nullptr ? table : "", session.user, session.password)
      .has_value();
}

int RunStepProcedure(const LibDbSession& session, int code) {
  const StepNames* names = FindStepNames(code, session.version);
  if (names == nullptr) return 0;
  if (session.dbmsType == kDbmsOracle) {
    if (names->oracleRunScript == nullptr) return 0;
    const std::optional<std::string> script =
        FoundStepFile(session, names->oracleRunScript, "script file");
    if (!script) return 0;
    return RunSqlScript(session, *script, session.reportFile, session.user, session.password,
                        session.workDatabase);
  }
  if (names->storedProcedure == nullptr) return 0;
  return RunProcedure(session, names->storedProcedure, session.workDatabase, session.reportFile,
                      session.user, session.password);
}

int RunMetadataUpdateScript(const LibDbSession& session) {
  return RunDbmsScript(session, kSqlMetadataUpdateScript, kOracleMetadataUpdateScript,
                       session.reportFile);
}

int RunSqlScript(const LibDbSession& session, const std::string& script,
                 const std::string& outputFile, const std::string& login,
                 const std::string& loginPassword, const std::string& database) {
  std::string refused;
  if (session.dbmsType == kDbmsSqlServer)
    return RunLine(
        session, kSqlScriptTool,
        SqlServerScriptCommand(session.sqlToolsFolder, LoginOf(session, login, loginPassword),
                               database, script, outputFile, &refused),
        refused);
  if (session.dbmsType == kDbmsOracle)
    return RunLine(
        session, kOracleScriptTool,
        OracleScriptCommand(LoginOf(session, login, loginPassword), script, outputFile, &refused),
        refused);
  return 0;
}

int RunProcedure(const LibDbSession& session, const std::string& procedure,
                 const std::string& database, const std::string& outputFile,
                 const std::string& login, const std::string& loginPassword) {
  if (session.dbmsType != kDbmsSqlServer) return 0;
  std::string refused;
  return RunLine(
      session, kSqlScriptTool,
      SqlServerProcedureCommand(session.sqlToolsFolder, LoginOf(session, login, loginPassword),
                                database, procedure, outputFile, &refused),
      refused);
}

int RunBulkLoad(const LibDbSession& session, const std::string& loadFile, const std::string& option,
                const std::string& outputFile, const std::string& database,
                const std::string& table, const std::string& login,
                const std::string& loginPassword) {
  return BulkLoad(session, loadFile, option, outputFile, database, table, login, loginPassword)
      .value_or(0);
}

}  // namespace quellbrook
