// The tool runner driving the real stand-in tools as child processes against a server made
// in a temporary folder: scripts create tables and procedures, the bulk loaders fill them
// from load files through a format file or a control file, and the rows are read back
// through the database session. Also values that must not change what a command line
// does.
#include "installer/framework/tool_runner.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "installer/framework/copied_files.hpp"
#include "installer/framework/database_files.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/hidden_wait.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "platform/path.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::EnvironmentVariable;
using testing::ReadWholeFile;

void WriteText(const std::string& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Scrambled(std::string text) {
  EncryptText(text.data());
  return text;
}

// Runs the test in a folder of its own, where the runner writes its batch file and finds
// the scripts, with the stand-in tools on PATH.
class ToolRunnerTest : public ::testing::Test {
 protected:
  ToolRunnerTest()
      : mPath("PATH",
              std::string(DBTOOLS_BIN_FOLDER) + ":" +
                  (std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin")) {}

  void SetUp() override {
    mPreviousFolder = std::filesystem::current_path();
    mWork = mSandbox.File("work");
    std::filesystem::create_directories(mWork);
    std::filesystem::current_path(mWork);
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
  }
  void TearDown() override { std::filesystem::current_path(mPreviousFolder); }

  // A plain client's session: SQL Server, "sa" without a password, work database TEMPDB.
  void InitSqlServerSession(LibDbSession& session) {
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");
    session.InitSession(nullptr);
    ASSERT_EQ(session.connected, 1);
    FillFileFields(session);
    session.sqlToolsFolder = DBTOOLS_BIN_FOLDER;
  }

  // A server publishing to Oracle whose login LABUSER works in its own schema.
  void InitOracleSession(LibDbSession& session) {
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "LABUSER", "ti ger"));
    ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), "LABUSER", "LABUSER"));
    mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
    mSandbox.SetRegistryText(kDbPublishTypeKey, "", "ORACLE");
    mSandbox.SetRegistryText(kDbDefaultUserKey, "", "LABUSER");
    mSandbox.SetRegistryText(kDbPasswordKey, "", Scrambled("ti ger"));
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");
    session.InitSession(nullptr);
    ASSERT_EQ(session.dbmsType, kDbmsOracle);
    ASSERT_EQ(session.connected, 1);
    FillFileFields(session);
  }

  void FillFileFields(LibDbSession& session) {
    std::filesystem::create_directories(mSandbox.File("library"));
    session.libraryFolder = mSandbox.File("library");
    session.scriptOutputFile = platform::JoinPath(session.libraryFolder, kSqlLogName);
    session.reportFile = mSandbox.File("report.txt");
    session.installLog = mSandbox.File("install.log");
  }

  std::string Work(std::string_view name) const { return platform::JoinPath(mWork, name); }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::filesystem::path mPreviousFolder;
  std::string mWork;
};

TEST_F(ToolRunnerTest, SqlServerStepCreatesLoadsRunsItsProcedureAndDrops) {
  LibDbSession session;
  InitSqlServerSession(session);
  WriteText(Work("sql_load_dev.sql"),
            "CREATE TABLE LOAD_DEV (name varchar(64), kind varchar(32), note varchar(255));\n"
            "CREATE TABLE KORX_LIB_LOG (step int, status varchar(32), message varchar(255))\n"
            "go\n"
            "CREATE PROCEDURE KORX_SP_LOAD_DEV AS\n"
            "BEGIN TRANSACTION;\n"
            "INSERT INTO KORX_LIB_LOG (step, status, message)\n"
            "  SELECT 2, 'SUCCESS', name FROM LOAD_DEV WHERE note = 'sec;ond' AND kind IS NULL;\n"
            "COMMIT TRANSACTION;\n"
            "GO\n");
  WriteText(Work("sql_drop_dev.sql"), "DROP PROCEDURE KORX_SP_LOAD_DEV\nGO\nDROP TABLE LOAD_DEV\n");
  // The middle field is read and dropped; the last one ends at the line end.
  WriteText(Work("bcp_dev.fmt"),
            "8.0\n3\n"
            "1  SQLCHAR  0  64   \"|\"     1  name  \"\"\n"
            "2  SQLCHAR  0  0    \"|\"     0  skip  \"\"\n"
            "3  SQLCHAR  0  255  \"\\r\\n\"  3  note  \"\"\n");
  WriteText(Work("devices.txt"), "Scanner1|x|first\r\nFluidics 2|y|sec;ond\r\n");

  EXPECT_EQ(RunLoadScript(session, kStepDevice), 1);
  EXPECT_TRUE(BulkLoadStep(session, Work("devices.txt"), kStepDevice));
  EXPECT_EQ(session.CountTableRows("LOAD_DEV"), 2);
  EXPECT_EQ(RunStepProcedure(session, kStepDevice), 1);
  LibLogStep last;
  ASSERT_EQ(session.ReadLastLogStep(&last), 1);
  EXPECT_EQ(last.step, "2");
  EXPECT_EQ(last.status, "SUCCESS");
  EXPECT_EQ(last.message, "Fluidics 2");

  EXPECT_EQ(RunDropScript(session, kStepDevice), 1);
  EXPECT_EQ(session.CountTableRows("LOAD_DEV"), 0);
  EXPECT_EQ(RunStepProcedure(session, kStepDevice), 1);
  EXPECT_NE(ReadWholeFile(session.reportFile).find("no procedure named KORX_SP_LOAD_DEV"),
            std::string::npos);
  // Every tool appended its output; the batch file is gone.
  EXPECT_NE(ReadWholeFile(session.scriptOutputFile).find("2 rows copied."), std::string::npos);
  EXPECT_FALSE(platform::FileExists(Work(kBatchFileName)));
}

TEST_F(ToolRunnerTest, OracleStepLoadsThroughItsControlFileAndRunScript) {
  LibDbSession session;
  InitOracleSession(session);
  WriteText(Work("ora_load_alg.sql"),
            "SET ECHO OFF\n"
            "CREATE TABLE LOAD_ALG (alg_name VARCHAR2(64), param VARCHAR2(64),\n"
            "  value VARCHAR2(64));\n"
            "CREATE TABLE KORX_LIB_LOG (step NUMBER, status VARCHAR2(32), message VARCHAR2(255));\n"
            "CREATE OR REPLACE PROCEDURE KORX_SP_LOAD_ALG AS\n"
            "BEGIN\n"
            "  INSERT INTO KORX_LIB_LOG (step, status, message)\n"
            "    SELECT 1, 'SUCCESS', value FROM LOAD_ALG WHERE param = 'Alpha';\n"
            "END KORX_SP_LOAD_ALG;\n"
            "/\n"
            "EXIT\n");
  WriteText(Work("ora_alg.ctl"),
            "-- algorithm parameters\n"
            "LOAD DATA\nINFILE *\nAPPEND\nINTO TABLE LOAD_ALG\n"
            "FIELDS TERMINATED BY ';' OPTIONALLY ENCLOSED BY '\"'\n"
            "(alg_name CHAR(64), param, value)\n");
  WriteText(Work("ora_run_alg.sql"), "BEGIN\n  KORX_SP_LOAD_ALG;\nEND;\n/\nEXIT\n");
  WriteText(Work("alg.txt"), "Stat;Alpha;\"0.05;x\"\nStat;Tau;\nBroken\n");

  EXPECT_EQ(RunLoadScript(session, kStepAlgorithm), 1);
  // The folder's trailing backslash goes before the loader's files are named in it.
  session.libraryFolder += "\\";
  EXPECT_TRUE(BulkLoadStep(session, Work("alg.txt"), kStepAlgorithm));
  EXPECT_EQ(session.CountTableRows("LOAD_ALG"), 2);
  EXPECT_EQ(RunStepProcedure(session, kStepAlgorithm), 1);
  LibLogStep last;
  ASSERT_EQ(session.ReadLastLogStep(&last), 1);
  EXPECT_EQ(last.status, "SUCCESS");
  EXPECT_EQ(last.message, "0.05;x");

  const std::string library = mSandbox.File("library");
  EXPECT_NE(
      ReadWholeFile(platform::JoinPath(library, "sqlldr.log")).find("2 Rows successfully loaded."),
      std::string::npos);
  EXPECT_EQ(ReadWholeFile(platform::JoinPath(library, "badrec.log")), "Broken\n");
  EXPECT_NE(ReadWholeFile(session.scriptOutputFile).find("logical record count 3"),
            std::string::npos);
  WriteText(Work("ora_drop_alg.sql"), "DROP PROCEDURE KORX_SP_LOAD_ALG;\nDROP TABLE LOAD_ALG;\n");
  EXPECT_EQ(RunDropScript(session, kStepAlgorithm), 1);
  EXPECT_EQ(session.CountTableRows("LOAD_ALG"), 0);
  WriteText(Work(kOracleMetadataUpdateScript), "PROMPT data objects updated\nEXIT\n");
  EXPECT_EQ(RunMetadataUpdateScript(session), 1);
  // After what the run script's procedure printed.
  EXPECT_EQ(ReadWholeFile(session.reportFile), "(1 row affected)\ndata objects updated\n");
  // Procedures exist only on SQL Server.
  EXPECT_EQ(RunProcedure(session, "KORX_SP_LOAD_ALG", "TEMPDB", session.reportFile, session.user,
                         session.password),
            0);
}

TEST_F(ToolRunnerTest, WrongPasswordOrMissingGrantLoadsNothing) {
  LibDbSession session;
  InitSqlServerSession(session);
  WriteText(Work("sql_load_sif.sql"), "CREATE TABLE LOAD_SIF_FILE (a varchar(9), b varchar(9));\n");
  ASSERT_EQ(RunLoadScript(session, kStepSequence), 1);
  WriteText(Work("sif.txt"), "1;2\n3;4\n");

  session.password = "not the password";
  EXPECT_TRUE(BulkLoadStep(session, Work("sif.txt"), kStepSequence));
  EXPECT_EQ(session.CountTableRows("LOAD_SIF_FILE"), 0);
  EXPECT_NE(ReadWholeFile(session.scriptOutputFile).find("Login failed for user 'sa'"),
            std::string::npos);

  // A login without the grant to create may not make the step's tables.
  ASSERT_TRUE(AddLogin(mSandbox.Folder(), "clerk", ""));
  session.user = "clerk";
  session.password = "";
  WriteText(Work("sql_load_MIAME_sample.sql"), "CREATE TABLE LOAD_MIAME_FILE (a varchar(9));\n");
  EXPECT_EQ(RunLoadScript(session, kStepTemplate), 1);
  EXPECT_NE(ReadWholeFile(session.scriptOutputFile).find("CREATE TABLE permission denied to clerk"),
            std::string::npos);
  EXPECT_FALSE(session.TablesExist({"LOAD_MIAME_FILE"}, "TEMPDB"));
}

TEST_F(ToolRunnerTest, ValuesWithShellCharactersReachTheToolIntactOrAreRefused) {
  const std::string password = "p ss>>evil.txt & del x";
  ASSERT_TRUE(AddLogin(mSandbox.Folder(), "labuser", password));
  ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), "tempdb", "labuser"));
  LibDbSession session;
  InitSqlServerSession(session);
  session.user = "labuser";
  session.password = password;
  session.scriptOutputFile = mSandbox.File("my library/sql output.log");
  std::filesystem::create_directories(mSandbox.File("my library"));
  WriteText(Work("sql_load_cif.sql"), "CREATE TABLE LOAD_CIF_FILE (a varchar(9));\n");

  EXPECT_EQ(RunLoadScript(session, kStepAnalysisParameters), 1);
  EXPECT_TRUE(session.TablesExist({"LOAD_CIF_FILE"}, "TEMPDB"));
  EXPECT_FALSE(platform::FileExists(Work("evil.txt")));
  EXPECT_TRUE(platform::FileExists(session.scriptOutputFile));

  session.password = "a\"b";
  EXPECT_EQ(RunDropScript(session, kStepAnalysisParameters), 0);
  EXPECT_EQ(RunStepProcedure(session, kStepAnalysisParameters), 0);
  EXPECT_NE(ReadWholeFile(session.installLog)
                .find("ERROR: Cannot run osql.exe: the password holds a double quote or a "
                      "control character"),
            std::string::npos);
}

TEST_F(ToolRunnerTest, StepsWithoutNamesOrFilesRunNothing) {
  LibDbSession session;
  InitSqlServerSession(session);
  EXPECT_EQ(RunLoadScript(session, kStepNone), 0);
  EXPECT_FALSE(BulkLoadStep(session, Work("x.txt"), kStepNone));
  EXPECT_EQ(RunLoadScript(session, kStepMetadataUpdate), 0);
  EXPECT_FALSE(BulkLoadStep(session, Work("x.txt"), kStepMetadataUpdate));
  EXPECT_EQ(RunStepProcedure(session, kStepMetadataUpdate), 0);
  EXPECT_FALSE(BulkLoadStep(session, Work("x.txt"), kStepScanParameterUpdate));
  EXPECT_FALSE(BulkLoadStep(session, "", kStepAssay));
  EXPECT_FALSE(platform::FileExists(session.scriptOutputFile));

  EXPECT_EQ(RunLoadScript(session, kStepAssay), 0);
  EXPECT_NE(ReadWholeFile(session.installLog)
                .find("ERROR: Cannot find script file "
                      "sql_load_protocol_steps.sql"),
            std::string::npos);
  session.dbmsType = kDbmsOracle;
  EXPECT_FALSE(BulkLoadStep(session, Work("x.txt"), kStepAssay));
  EXPECT_NE(
      ReadWholeFile(session.installLog).find("ERROR: Cannot find control file ora_protocol.ctl"),
      std::string::npos);
  session.dbmsType = kDbmsNone;
  EXPECT_EQ(RunMetadataUpdateScript(session), 0);
  EXPECT_EQ(RunSqlScript(session, "a.sql", "o.log", "sa", "", "TEMPDB"), 0);
  EXPECT_FALSE(platform::FileExists(Work("Lib_script.bat")));
}

// Our scripts beside the library come first: a file of the same name in the current folder
// (which may be the library folder a step copies into) is taken only where the script
// folder has none, and never when an install of this process copied it there.
TEST_F(ToolRunnerTest, ScriptsComeFromTheScriptFolderBeforeTheCurrentOne) {
  LibDbSession session;
  InitOracleSession(session);
  const std::string scripts = mSandbox.File("scripts");
  std::filesystem::create_directories(scripts);
  session.scriptFolder = scripts;
  WriteText(platform::JoinPath(scripts, "ora_load_alg.sql"),
            "CREATE TABLE LOAD_ALG (alg_name VARCHAR2(64));\n"
            "CREATE TABLE KORX_LIB_LOG (step NUMBER, status VARCHAR2(32), message VARCHAR2(99));\n"
            "EXIT\n");
  WriteText(platform::JoinPath(scripts, "ora_alg.ctl"),
            "LOAD DATA\nINFILE *\nAPPEND\nINTO TABLE LOAD_ALG\nFIELDS TERMINATED BY ';'\n"
            "(alg_name)\n");
  const auto logged = [](const char* where) {
    return std::string("INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (1, 'SUCCESS', '") +
           where + "');\nEXIT\n";
  };
  WriteText(platform::JoinPath(scripts, "ora_run_alg.sql"), logged("beside"));
  WriteText(platform::JoinPath(scripts, "ora_drop_alg.sql"), "DROP TABLE LOAD_ALG;\nEXIT\n");
  WriteText(Work("alg.txt"), "Stat\nGeno\n");
  WriteText(Work("ora_run_alg.sql"), logged("here"));
  const auto lastMessage = [&] {
    LibLogStep last;
    EXPECT_EQ(session.ReadLastLogStep(&last), 1);
    return last.message;
  };

  EXPECT_EQ(RunLoadScript(session, kStepAlgorithm), 1);
  EXPECT_TRUE(BulkLoadStep(session, Work("alg.txt"), kStepAlgorithm));
  EXPECT_EQ(session.CountTableRows("LOAD_ALG"), 2);
  EXPECT_EQ(RunStepProcedure(session, kStepAlgorithm), 1);
  EXPECT_EQ(lastMessage(), "beside");

  std::filesystem::remove(platform::JoinPath(scripts, "ora_run_alg.sql"));
  EXPECT_EQ(RunStepProcedure(session, kStepAlgorithm), 1);
  EXPECT_EQ(lastMessage(), "here");

  // A copy out of a library, by whatever path it was copied, is not run.
  WriteText(Work("ora_run_alg.sql"), logged("copied"));
  NoteCopiedFile(mSandbox.File("work/../work/ora_run_alg.sql"));
  EXPECT_EQ(RunStepProcedure(session, kStepAlgorithm), 0);
  EXPECT_EQ(lastMessage(), "here");
  EXPECT_NE(ReadWholeFile(session.installLog)
                .find("ERROR: The file ora_run_alg.sql in the current folder was copied from the "
                      "library and is not run"),
            std::string::npos);
  EXPECT_EQ(RunDropScript(session, kStepAlgorithm), 1);
  EXPECT_EQ(session.CountTableRows("LOAD_ALG"), 0);

  // Neither place has it: the bare name is reported missing.
  session.scriptFolder = mSandbox.File("elsewhere");
  EXPECT_EQ(RunLoadScript(session, kStepAlgorithm), 0);
  EXPECT_NE(
      ReadWholeFile(session.installLog).find("ERROR: Cannot find script file ora_load_alg.sql"),
      std::string::npos);
}

TEST_F(ToolRunnerTest, MetadataUpdateScriptRunsIntoTheReportFile) {
  LibDbSession session;
  InitSqlServerSession(session);
  WriteText(Work(kSqlMetadataUpdateScript), "PRINT 'data objects updated'\n");
  EXPECT_EQ(RunMetadataUpdateScript(session), 1);
  EXPECT_EQ(ReadWholeFile(session.reportFile), "data objects updated\n");
}

}  // namespace
}  // namespace quellbrook
