// Our stored procedures when a statement in them fails, on both databases: a laboratory
// table narrower than the load table refuses the procedure's insert. With the error
// handling they ship with, the procedure's work is undone and no 'SUCCESS' row follows;
// without it the stand-in servers behave as the real ones do (SQL Server goes on to its
// 'SUCCESS' row, Oracle undoes the call and logs nothing), which is why every procedure
// carries it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "installer/framework/environment.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/quellbrook/tests/install_sandbox.hpp"
#include "platform/path.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::EnvironmentVariable;
using testing::ReadWholeFile;

constexpr const char* kLabLogin = "LABUSER";
constexpr const char* kPassword = "ti ger";

class ProcedureErrorsTest : public ::testing::TestWithParam<bool> {
 protected:
  ProcedureErrorsTest() : mPath("PATH", mSandbox.File("tools") + ":/usr/bin:/bin") {}

  bool Oracle() const { return GetParam(); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(
        testing::RegisterServer(mSandbox, Oracle(), kLabLogin, kPassword, mSandbox.File("tools")));
    std::string error;
    mLab = testing::MakeLaboratoryTables(mSandbox.Folder(), Oracle(), Oracle() ? kLabLogin : "sa",
                                         kPassword, error);
    ASSERT_TRUE(mLab) << error;
    // The laboratory's identifiers are narrower than the load table's.
    Execute("DROP TABLE KORX_ALGORITHM");
    Execute(
        std::string("CREATE TABLE KORX_ALGORITHM (alg_name varchar(255), alg_id varchar(8), "
                    "alg_type varchar(64), prog_id varchar(255), cif_name varchar(255), "
                    "userset_flag varchar(8))"));
    Execute("INSERT INTO KORX_ALGORITHM VALUES ('Stat', '1', 'Expression', 'P', 'S.CIF', '1')");

    mPreviousFolder = std::filesystem::current_path();
    std::filesystem::create_directories(mSandbox.File("work"));
    std::filesystem::current_path(mSandbox.File("work"));
    mSession.InitSession(nullptr);
    ASSERT_EQ(mSession.connected, 1);
    std::filesystem::create_directories(mSandbox.File("lib"));
    mSession.libraryFolder = mSandbox.File("lib");
    mSession.scriptOutputFile = mSandbox.File("lib/sql.log");
    mSession.installLog = mSandbox.File("install.log");
    mSession.reportFile = mSandbox.File("report.txt");
    mSession.sqlToolsFolder = mSandbox.File("mssql/binn");
    mSession.scriptFolder = STEPS_DATA_FOLDER;
  }
  void TearDown() override { std::filesystem::current_path(mPreviousFolder); }

  void Execute(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(mLab->Execute(sql, nullptr, &error)) << sql << ": " << error;
  }
  std::string Algorithms() {
    std::string rows;
    std::string error;
    EXPECT_TRUE(mLab->Execute(
        "SELECT alg_name, alg_id FROM KORX_ALGORITHM ORDER BY alg_name",
        [&](const DbRow& row) { rows += row[0].value_or("") + "=" + row[1].value_or("") + " "; },
        &error))
        << error;
    return rows;
  }

  // The algorithm step's scripts, load and procedure with an identifier that fits the load
  // table (64) but not the laboratory's (8); the library log's newest row after it.
  LibLogStep RunAlgorithmProcedure() {
    EXPECT_EQ(RunLoadScript(mSession, kStepAlgorithm), 1)
        << ReadWholeFile(mSession.scriptOutputFile);
    const std::string loadFile = mSandbox.File("work/alg.txt");
    std::ofstream(loadFile) << "Stat;" << std::string(20, '9') << ";Expression;P;S.CIF;1\n";
    EXPECT_TRUE(BulkLoadStep(mSession, loadFile, kStepAlgorithm));
    EXPECT_EQ(mSession.CountTableRows("LOAD_ALG"), 1) << ReadWholeFile(mSession.scriptOutputFile);
    mSession.ClearTable(kLibraryLogTable);
    RunStepProcedure(mSession, kStepAlgorithm);
    LibLogStep last;
    mSession.ReadLastLogStep(&last);
    RunDropScript(mSession, kStepAlgorithm);
    return last;
  }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::unique_ptr<DbConnection> mLab;
  LibDbSession mSession;
  std::filesystem::path mPreviousFolder;
};

TEST_P(ProcedureErrorsTest, AFailedInsertUndoesTheProcedureAndLogsNoSuccess) {
  const LibLogStep last = RunAlgorithmProcedure();
  EXPECT_NE(last.status, kLogStatusSuccess) << ReadWholeFile(mSession.reportFile);
  if (Oracle()) {
    EXPECT_EQ(last.status, "FAILED");
    EXPECT_EQ(last.message, "Algorithms not loaded");
    EXPECT_NE(ReadWholeFile(mSession.reportFile)
                  .find("ORA-12899: value too large for column KORX_ALGORITHM.alg_id (maximum: 8)"),
              std::string::npos)
        << ReadWholeFile(mSession.reportFile);
  }
  // The procedure's delete of the old row went with the failed insert.
  EXPECT_EQ(Algorithms(), "Stat=1 ");
}

TEST_P(ProcedureErrorsTest, WithoutItsErrorHandlingTheServerWouldGoOn) {
  // Our scripts, less the error handling.
  const std::string stripped = mSandbox.File("stripped");
  std::filesystem::copy(STEPS_DATA_FOLDER, stripped);
  const std::string script =
      platform::JoinPath(stripped, Oracle() ? "ora_load_alg.sql" : "sql_load_alg.sql");
  const std::string text = ReadWholeFile(script);
  const std::string without =
      Oracle() ? std::regex_replace(text, std::regex("EXCEPTION[\\s\\S]*RAISE;\n"), "")
               : std::regex_replace(text, std::regex("SET XACT_ABORT ON;\n"), "");
  ASSERT_NE(without, text);
  std::ofstream(script, std::ios::binary | std::ios::trunc) << without;
  mSession.scriptFolder = stripped;

  const LibLogStep last = RunAlgorithmProcedure();
  if (Oracle()) {
    // The call is undone whole: no row, and nothing to tell the step why.
    EXPECT_EQ(last.status, "");
    EXPECT_EQ(Algorithms(), "Stat=1 ");
  } else {
    // The insert alone failed: the old row is gone and the log says all went well.
    EXPECT_EQ(last.status, kLogStatusSuccess);
    EXPECT_EQ(Algorithms(), "");
  }
}

// Every procedure we ship carries its handling: SQL Server's sets XACT_ABORT before its first
// statement; Oracle's ends in a handler that undoes its work, logs 'FAILED' and raises.
TEST(ShippedProcedures, EachCarriesItsErrorHandling) {
  int procedures = 0;
  for (const auto& entry : std::filesystem::directory_iterator(STEPS_DATA_FOLDER)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".sql") continue;
    const std::string text = ReadWholeFile(entry.path().string());
    const std::regex created(name.rfind("ora_", 0) == 0
                                 ? "CREATE OR REPLACE PROCEDURE (\\w+) AS\\nBEGIN\\n"
                                   "(?:(?!\\nEND )[\\s\\S])*\\nEXCEPTION\\n  WHEN OTHERS THEN\\n"
                                   "    ROLLBACK;\\n    INSERT INTO KORX_LIB_LOG \\(step, status, "
                                   "message\\) VALUES \\(\\d+, 'FAILED', '[^']+'\\);\\n"
                                   "    COMMIT;\\n    RAISE;\\nEND \\1;"
                                 : "CREATE PROCEDURE \\w+ AS\\nSET XACT_ABORT ON;\\n");
    const std::regex any("CREATE (OR REPLACE )?PROCEDURE");
    const auto count = [&](const std::regex& pattern) {
      return std::distance(std::sregex_iterator(text.begin(), text.end(), pattern),
                           std::sregex_iterator());
    };
    EXPECT_EQ(count(created), count(any)) << name;
    procedures += static_cast<int>(count(any));
  }
  // Ten load procedures and two update procedures on each road.
  EXPECT_EQ(procedures, 24);
}

INSTANTIATE_TEST_SUITE_P(Roads, ProcedureErrorsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& road) {
                           return road.param ? "Oracle" : "SqlServer";
                         });

}  // namespace
}  // namespace quellbrook
