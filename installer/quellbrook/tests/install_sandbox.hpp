// Test support for whole installations: the laboratory's tables as a server holds them
// before an install, made from our schema files, and qbhost run as a child process.
// SQL Server keeps the laboratory's tables in the process database and the library log in
// the work database; Oracle keeps both in the laboratory login's own schema.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "platform/path.hpp"
#include "platform/process.hpp"
#include "scramble/tamsk.h"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/standard_contents.hpp"

namespace quellbrook::testing {

// A schema file of ours as one statement text.
inline std::string SchemaText(const char* name) {
  std::ifstream file(platform::JoinPath(STEPS_DATA_FOLDER, name), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  std::string sql = text.str();
  for (const std::string end : {"GO\n", "EXIT\n"})
    for (std::size_t at; (at = sql.find(end)) != std::string::npos;)
      sql.replace(at, end.size(), ";\n");
  return sql;
}

inline std::unique_ptr<DbConnection> OpenDatabase(const std::string& folder, bool oracle,
                                                  const std::string& login,
                                                  const std::string& password,
                                                  const std::string& database) {
  return DbConnection::Open(folder, {oracle ? kOracleProvider : kSqlServerProvider, login, password,
                                     GetLocalComputerName(), oracle ? "" : database});
}

// Registers a server of the road in the sandbox: the registry's database keys (the password
// scrambled, version 3.1), the stand-in tools linked where the road looks for them (SQL
// Server: the binn folder of its registered setup folder; Oracle: oracleTools, which the
// caller puts on PATH) and the logins: SQL Server's "sa", or Oracle's laboratory login and,
// when named, its gene-information login, each with its create permissions.
inline void RegisterServer(DatabaseSandbox& sandbox, bool oracle, const char* labLogin,
                           const char* password, const std::string& oracleTools,
                           const char* geneLogin = nullptr) {
  std::string scrambled = password;
  EncryptText(scrambled.data());
  sandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
  sandbox.SetRegistryText(kPembVersionKey, "", "3.1");
  sandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
  sandbox.SetRegistryText(kDbDefaultUserKey, "", oracle ? labLogin : "sa");
  sandbox.SetRegistryText(kDbPublishTypeKey, "", oracle ? "ORACLE" : "SQL Server");
  const std::string tools = oracle ? oracleTools : sandbox.File("mssql/binn");
  std::filesystem::create_directories(tools);
  for (const char* tool : {"osql", "bcp", "sqlplus", "sqlldr"})
    std::filesystem::create_symlink(platform::JoinPath(DBTOOLS_BIN_FOLDER, tool),
                                    platform::JoinPath(tools, tool));
  if (!oracle) {
    sandbox.SetRegistryText(kSqlServerSetupKey, kSqlPathValue, sandbox.File("mssql"));
    ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", password));
    return;
  }
  if (geneLogin != nullptr) sandbox.SetRegistryText(kGeneInfoDatabaseNameKey, "", geneLogin);
  for (const char* login : {labLogin, geneLogin}) {
    if (login == nullptr) continue;
    ASSERT_TRUE(AddLogin(sandbox.Folder(), login, password));
    ASSERT_TRUE(GrantCreatePermissions(sandbox.Folder(), login, login));
  }
}

// Makes the laboratory's tables for the login (SQL Server: "sa" with the process database
// made) and answers a connection to where they are; nothing, with the reason in error, when
// a script fails.
inline std::unique_ptr<DbConnection> MakeLaboratoryTables(const std::string& folder, bool oracle,
                                                          const std::string& login,
                                                          const std::string& password,
                                                          std::string& error) {
  if (!oracle) {
    if (!CreateDatabase(folder, kDefaultProcessDatabase, &error)) return nullptr;
    auto work = OpenDatabase(folder, false, login, password, kDefaultWorkDatabase);
    if (!work || !work->Execute(SchemaText("sql_lib_log.sql"), nullptr, &error)) return nullptr;
  }
  auto lab = OpenDatabase(folder, oracle, login, password, kDefaultProcessDatabase);
  if (!lab ||
      !lab->Execute(SchemaText(oracle ? "ora_schema.sql" : "sql_schema.sql"), nullptr, &error))
    return nullptr;
  return lab;
}

// The gene-information database's tables, for its own login on Oracle or "sa" in its
// database on SQL Server.
inline std::unique_ptr<DbConnection> MakeGeneInfoTables(const std::string& folder, bool oracle,
                                                        const std::string& login,
                                                        const std::string& password,
                                                        std::string& error) {
  if (!oracle && !CreateDatabase(folder, kDefaultGeneInfoDatabase, &error)) return nullptr;
  auto gene = OpenDatabase(folder, oracle, login, password, kDefaultGeneInfoDatabase);
  if (!gene ||
      !gene->Execute(SchemaText(oracle ? "ora_geneinfo_schema.sql" : "sql_geneinfo_schema.sql"),
                     nullptr, &error))
    return nullptr;
  return gene;
}

struct HostRun {
  int exitCode = -1;
  std::string output;
};

// Runs the program (first argument) to its end, collecting what it prints; gives up after
// about two minutes.
inline HostRun RunProgram(const std::vector<std::string>& arguments,
                          const std::string& workingFolder) {
  platform::ChildProcess child;
  platform::SpawnFailure failure;
  HostRun run;
  if (!child.Start({arguments, workingFolder, {}}, failure)) return run;
  char buffer[4096];
  for (int waited = 0; waited < 1200; ++waited) {
    child.WaitForOutput(100);
    long count;
    while ((count = child.ReadOutput(buffer, sizeof buffer)) > 0)
      run.output.append(buffer, static_cast<std::size_t>(count));
    if (child.PeekOutput() == platform::OutputState::kClosed && child.WaitForEnd(1000)) break;
  }
  if (child.HasEnded() && WIFEXITED(child.ExitStatus()))
    run.exitCode = WEXITSTATUS(child.ExitStatus());
  return run;
}

// A whole installation's server of either road: the stand-in tools linked into the
// sandbox's "tools" folder (on PATH for Oracle), the laboratory's tables, the host's "work"
// and "lib" folders, and the generated standard library in "source".
class InstallRoadTest : public ::testing::TestWithParam<Road> {
 protected:
  static constexpr const char* kLabLogin = "LABUSER";
  static constexpr const char* kPassword = "ti ger";

  InstallRoadTest() : mPath("PATH", mSandbox.File("tools") + ":/usr/bin:/bin") {}

  bool Oracle() const { return GetParam() == Road::kOracle; }

  // geneLogin: Oracle's gene-information login, when the test installs gene information.
  void SetUpServer(const char* geneLogin = nullptr) {
    ASSERT_NO_FATAL_FAILURE(RegisterServer(mSandbox, Oracle(), kLabLogin, kPassword,
                                           mSandbox.File("tools"), geneLogin));
    std::string error;
    mLab = MakeLaboratoryTables(mSandbox.Folder(), Oracle(), Oracle() ? kLabLogin : "sa", kPassword,
                                error);
    ASSERT_TRUE(mLab) << error;
    for (const char* folder : {"work", "lib"})
      std::filesystem::create_directories(mSandbox.File(folder));
    ASSERT_TRUE(libgen::WriteStandardLibrary(mLibrary, error)) << error;
  }

  std::string Log() const { return mSandbox.File("install.log"); }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::unique_ptr<DbConnection> mLab;
  libgen::LibraryFolder mLibrary{mSandbox.File("source"), libgen::StandardLibrary()};
};

}  // namespace quellbrook::testing
