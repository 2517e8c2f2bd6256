// The algorithm step on the SQL Server road: its load file from "Algorithm.ini", then the
// whole common run through the stand-in tools and our scripts, and its failure exits.
#include "installer/steps/algorithm_step.hpp"
#include "installer/framework/tests/log_lines.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/ini_readers.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tool_runner.hpp"
#include "platform/path.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::EnvironmentVariable;
using testing::ReadWholeFile;

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

using testing::LogMessages;

class AlgorithmStepTest : public ::testing::Test {
 protected:
  AlgorithmStepTest()
      : mPath("PATH", std::string(DBTOOLS_BIN_FOLDER) + ":" +
                          (std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin")) {}

  void SetUp() override {
    mPrevious = std::filesystem::current_path();
    mWork = mSandbox.File("work");
    std::filesystem::create_directories(mWork);
    std::filesystem::create_directories(mSandbox.File("source"));
    std::filesystem::create_directories(mSandbox.File("library"));
    std::filesystem::current_path(mWork);
    for (const char* script : {"sql_load_alg.sql", "sql_drop_alg.sql"})
      std::filesystem::copy_file(platform::JoinPath(STEPS_DATA_FOLDER, script), Work(script));
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");
    mSession.InitSession(nullptr);
    ASSERT_EQ(mSession.connected, 1);
    mSession.sqlToolsFolder = DBTOOLS_BIN_FOLDER;
    mSession.libraryFolder = mSandbox.File("library");
    mSession.scriptOutputFile = platform::JoinPath(mSession.libraryFolder, kSqlLogName);
    mSession.installLog = mSandbox.File("install.log");
    mSession.reportFile = mSandbox.File("report.txt");
    // The laboratory's tables in the process database, the library log in the work database.
    ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), kDefaultProcessDatabase));
    for (const auto& [database, script] : {std::pair{kDefaultProcessDatabase, "sql_schema.sql"},
                                           std::pair{kDefaultWorkDatabase, "sql_lib_log.sql"}}) {
      auto db = DbConnection::Open(
          mSandbox.Folder(), {kSqlServerProvider, "sa", "", GetLocalComputerName(), database});
      ASSERT_TRUE(db);
      std::string error;
      std::string schema = ReadWholeFile(platform::JoinPath(STEPS_DATA_FOLDER, script));
      for (std::size_t at; (at = schema.find("GO\n")) != std::string::npos;)
        schema.replace(at, 3, ";\n");
      ASSERT_TRUE(db->Execute(schema, nullptr, &error)) << error;
    }

    mStep.destFolder = mSandbox.File("library");
    mStep.sourceFolder = mSandbox.File("source");
    mStep.logPath = mSession.installLog;
    mStep.reportPath = mSession.reportFile;
    mStep.session = &mSession;
  }
  void TearDown() override { std::filesystem::current_path(mPrevious); }

  std::string Work(std::string_view name) const { return platform::JoinPath(mWork, name); }
  std::string Source() const {
    return platform::JoinPath(mStep.sourceFolder, kAlgorithmSourceFile);
  }

  std::vector<std::string> Algorithms() {
    std::vector<std::string> rows;
    auto work = DbConnection::Open(
        mSandbox.Folder(),
        {kSqlServerProvider, "sa", "", GetLocalComputerName(), kDefaultProcessDatabase});
    EXPECT_TRUE(work);
    std::string error;
    EXPECT_TRUE(work->Execute(
        "SELECT alg_name || '|' || coalesce(alg_id, '') || '|' || userset_flag FROM KORX_ALGORITHM "
        "ORDER BY 1",
        [&](const DbRow& cells) { rows.push_back(cells[0].value_or("NULL")); }, &error))
        << error;
    return rows;
  }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::filesystem::path mPrevious;
  std::string mWork;
  LibDbSession mSession;
  AlgorithmStep mStep;
};

TEST_F(AlgorithmStepTest, LoadFileSkipsNamelessEntriesTrimsAndFollowsTheVersion) {
  WriteText(Source(),
            "[Algorithms]\nNumAlgorithms=3\n"
            "Alg1Name= Stat \nAlg1ID=1\nAlg1Type=Expr\nAlg1ProgID=P.1\nAlg1CifName=stat.cif\n"
            "Alg2Name=\nAlg2ID=2\n"
            "Alg3Name=Geno\nAlg3ID= 3 \nAlg3UsersetFlag=1\n");
  int count = -1;
  ASSERT_TRUE(mStep.WriteAlgorithmFile(Source(), count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ReadWholeFile(Work(kAlgorithmLoadFile)), "Stat;1;Expr;P.1;stat.cif;0\nGeno;3;;;;1\n");

  mSession.version = 3.0;
  ASSERT_TRUE(mStep.WriteAlgorithmFile(Source(), count));
  EXPECT_EQ(ReadWholeFile(Work(kAlgorithmLoadFile)), "Stat;1;Expr;P.1;stat.cif\nGeno;3;;;\n");

  AlgorithmStep alone;
  WriteText(Source(), "[Other]\n");
  ASSERT_TRUE(alone.WriteAlgorithmFile(Source(), count));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ReadWholeFile(Work(kAlgorithmLoadFile)), "");

  // A value with the separator would shift every later field: refused.
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A\nAlg1ProgID=x;y\n");
  std::string refusal;
  EXPECT_FALSE(alone.WriteAlgorithmFile(Source(), count, &refusal));
  EXPECT_EQ(refusal, "The value 'x;y' holds the load file's separator ';'.");
}

TEST_F(AlgorithmStepTest, InstallsThroughTheToolsAndReports) {
  WriteText(Source(),
            "[Algorithms]\nNumAlgorithms=2\nAlg1Name=Stat\nAlg1ID=1\nAlg2Name=Geno\nAlg2ID=7\n"
            "Alg2UsersetFlag=1\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"Geno|7|1", "Stat|1|0"}));
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"Start Installing Algorithms...",
                                      "Install Algorithms Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_NE(
      report.find("\nInstall Algorithms:\n------------------\nSource Algorithm File:\t" + Source() +
                  "\nNumber of Algorithms in the source file:\t2\n"
                  "Number of Algorithms uploaded to temporary tables:\t2\n"
                  "Database Activities -\n"),
      std::string::npos)
      << report;
  EXPECT_FALSE(std::filesystem::exists(Work(kAlgorithmLoadFile)));
  // The drop script ran: a second run creates the table and procedure afresh.
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);
  EXPECT_EQ(Algorithms().size(), 2u);
}

TEST_F(AlgorithmStepTest, FailuresReportTheirErrorAndAlwaysDropTheTemporaryObjects) {
  AlgorithmStep unconnected;
  unconnected.logPath = mStep.logPath;
  EXPECT_EQ(unconnected.RunAlgorithmStep(), 3004);

  // No source file: 1001, and the load script's table is dropped again.
  EXPECT_EQ(mStep.RunAlgorithmStep(), 1001);
  EXPECT_EQ(mSession.CountTableRows("LOAD_ALG"), 0);
  // A refused value: 2001 with the reason, dropped too, nothing installed.
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A;B\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 2001);
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[1].rfind("ERROR: Failed to connect", 0), 0u) << log[1];
  EXPECT_EQ(log[3], "ERROR: Install Algorithms Failed. " + Source() + " file not found.");
  EXPECT_EQ(
      log[5],
      "ERROR: Install Algorithms Failed. The value 'A;B' holds the load file's separator ';'.");
  EXPECT_TRUE(Algorithms().empty());

  // The drops really ran: the load script can create its table again and the step works.
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);
  EXPECT_EQ(Algorithms(), std::vector<std::string>{"A||0"});
}

TEST_F(AlgorithmStepTest, CountsBeyondWhatTheFileCanHoldAreNotReadKeyByKey) {
  // A count far beyond the file's bytes: the entries there are installed, at once.
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=2147483647\nAlg1Name=A\nAlg3Name=C\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"A||0", "C||0"}));
  // A file that could list more than 10000 algorithms is refused before any is read.
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=2147483647\nAlg1Name=B\n;" +
                          std::string(10000, 'x') + "\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 2001);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Install Algorithms Failed. More than 10000 algorithms in " + Source() +
                "; file not read.");
  EXPECT_FALSE(std::filesystem::exists(Work(kAlgorithmLoadFile)));
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"A||0", "C||0"}));
}

TEST_F(AlgorithmStepTest, RowCountAndLibraryLogDecideTheOutcome) {
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A\n");
  // A procedure that logs its own failure; the status is compared without case.
  auto procedureLogging = [&](const char* status) {
    WriteText(Work("sql_load_alg.sql"),
              "CREATE TABLE LOAD_ALG (a varchar(9), b varchar(9), c varchar(9), d varchar(9),"
              " e varchar(9), f varchar(9))\nGO\nCREATE PROCEDURE KORX_SP_LOAD_ALG AS\n"
              "INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (1, '" +
                  std::string(status) + "', 'no room');\nGO\n");
  };
  procedureLogging("FAILED");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 3011);
  procedureLogging("success");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);

  // A temporary table that refuses the record's empty field: no rows, 3003, the file stays.
  WriteText(Work("sql_load_alg.sql"),
            "CREATE TABLE LOAD_ALG (a varchar(9), b varchar(9) NOT NULL, c varchar(9),"
            " d varchar(9), e varchar(9), f varchar(9))\nGO\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 3003);
  EXPECT_EQ(ReadWholeFile(Work(kAlgorithmLoadFile)), "A;;;;;0\n");
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  std::vector<std::string> errors;
  for (const std::string& line : log)
    if (line.rfind("ERROR: ", 0) == 0) errors.push_back(line);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "ERROR: Failed to install algorithms. no room.");
  EXPECT_EQ(errors[1], "ERROR: Failed to populate temporary tables.");
  EXPECT_EQ(log.back(), "Install Algorithms Failed.");
  // The drop script ran after the mismatch as after every other exit.
  EXPECT_EQ(mSession.CountTableRows("LOAD_ALG"), 0);
  EXPECT_FALSE(mSession.TablesExist({"LOAD_ALG"}, kDefaultWorkDatabase));
}

TEST_F(AlgorithmStepTest, TheMostAlgorithmsInstallInOneRun) {
  std::string text = "[Algorithms]\nNumAlgorithms=10000\n";
  for (int i = 1; i <= kMaxIniEntries; ++i) {
    const std::string n = std::to_string(i);
    text += "Alg" + n + "Name=Algorithm " + n + "\nAlg" + n + "ID=" + n + "\nAlg" + n +
            "Type=Expr\nAlg" + n + "ProgID=Kandorvale.Alg." + n + "\nAlg" + n + "CifName=cif" + n +
            "\nAlg" + n + "UsersetFlag=" + std::to_string(i % 2) + "\n";
  }
  WriteText(Source(), text);
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0) << ReadWholeFile(mStep.logPath);
  const std::vector<std::string> rows = Algorithms();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kMaxIniEntries));
  EXPECT_NE(std::find(rows.begin(), rows.end(), "Algorithm 10000|10000|0"), rows.end());
}

// A disk that fills while the load file is written: a write failure, not rows that went
// missing in the load, and no part of the file is left behind.
TEST_F(AlgorithmStepTest, AFullDiskFailsTheLoadFileNotTheLoad) {
  std::string text = "[Algorithms]\nNumAlgorithms=3000\n";
  for (int i = 1; i <= 3000; ++i)
    text += "Alg" + std::to_string(i) + "Name=" + std::string(200, 'a') + "\n";
  WriteText(Source(), text);
  {
    platform::testing::FileSizeLimit limit(256 << 10);
    EXPECT_EQ(mStep.RunAlgorithmStep(), kWriteIntermediateFilesFailed);
  }
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Install Algorithms Failed. Failed to write the intermediate files. Alg.txt: "
            "File too large.");
  EXPECT_FALSE(std::filesystem::exists(Work(kAlgorithmLoadFile)));
  EXPECT_TRUE(Algorithms().empty());
}

// The same step on the Oracle road: a server whose login works in its own schema.
TEST_F(AlgorithmStepTest, InstallsThroughSqlPlusAndTheLoaderOnOracle) {
  ASSERT_TRUE(AddLogin(mSandbox.Folder(), "LABUSER", "ti ger"));
  ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), "LABUSER", "LABUSER"));
  std::string scrambled = "ti ger";
  EncryptText(scrambled.data());
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
  mSandbox.SetRegistryText(kDbPublishTypeKey, "", "ORACLE");
  mSandbox.SetRegistryText(kDbDefaultUserKey, "", "LABUSER");
  mSandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
  LibDbSession oracle;
  oracle.InitSession(nullptr);
  ASSERT_EQ(oracle.dbmsType, kDbmsOracle);
  ASSERT_EQ(oracle.connected, 1);
  oracle.libraryFolder = mSession.libraryFolder;
  oracle.scriptOutputFile = mSession.scriptOutputFile;
  oracle.installLog = mSession.installLog;
  oracle.reportFile = mSession.reportFile;
  for (const char* file :
       {"ora_schema.sql", "ora_load_alg.sql", "ora_alg.ctl", "ora_run_alg.sql", "ora_drop_alg.sql"})
    std::filesystem::copy_file(platform::JoinPath(STEPS_DATA_FOLDER, file), Work(file));
  ASSERT_EQ(RunSqlScript(oracle, "ora_schema.sql", oracle.scriptOutputFile, oracle.user,
                         oracle.password, oracle.workDatabase),
            1);
  mStep.session = &oracle;
  WriteText(Source(), "[Algorithms]\nNumAlgorithms=2\nAlg1Name=Stat\nAlg1ID=1\nAlg2Name=Geno\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(oracle.CountTableRows("KORX_ALGORITHM"), 2);
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Install Algorithms Successfully.");
  EXPECT_EQ(oracle.TablesExist({"KORX_ALGORITHM"}, oracle.workDatabase), 1);
  EXPECT_EQ(oracle.TablesExist({"LOAD_ALG"}, oracle.workDatabase), 0);
}

}  // namespace
}  // namespace quellbrook
