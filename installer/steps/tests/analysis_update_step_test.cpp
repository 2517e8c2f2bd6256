// The analysis update step on both roads: the metadata update and the update of the
// analysis parameters the database holds, their outcome read from a library log that no
// earlier step's row can answer for, and the failures of their scripts.
#include "installer/steps/analysis_update_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/steps/tests/step_road.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::WriteWholeFile;

class AnalysisUpdateStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    if (HasFatalFailure()) return;
    Configure(mStep);
  }
  // The library log lives in the work database.
  std::string LogTable() const { return Oracle() ? "KORX_LIB_LOG" : "TEMPDB..KORX_LIB_LOG"; }
  void LeaveStaleSuccess() {
    Rows("INSERT INTO " + LogTable() + " (step, status, message) VALUES (3, 'SUCCESS', 'old')");
  }
  std::vector<std::string> Procedures() {
    return Rows(std::string("SELECT name FROM ") + (Oracle() ? "" : "TEMPDB..") + kProceduresTable +
                " ORDER BY name");
  }
  std::vector<std::string> Parameters() {
    return Rows("SELECT array_type || '|' || param_name FROM KORX_ALGORITHM_PARAM ORDER BY 1");
  }
  std::vector<std::string> PresentArrays() {
    return Rows("SELECT probe_array_name FROM KORX_PROBE_ARRAY WHERE deleted_flag = 0 ORDER BY 1");
  }

  AnalysisUpdateStep mStep;
};

TEST_P(AnalysisUpdateStepTest, UpdatesMetadataThenTheAnalysisParameters) {
  Rows(
      "INSERT INTO KORX_ALGORITHM (alg_name, alg_id, userset_flag) VALUES ('Old', '1', NULL), "
      "('Blank', '2', ''), ('Set', '3', '1')");
  Rows(
      "INSERT INTO KORX_PROBE_ARRAY (probe_array_name, deleted_flag) VALUES ('Chip_A', NULL), "
      "('Gone', 1), ('Back', 1), ('Back', 0)");
  Rows(
      "INSERT INTO KORX_ALGORITHM_PARAM (assay_type, array_type, param_name, kind, param_group) "
      "VALUES ('Expr', 'Gone', 'Alpha', 'a', 'Analysis'), ('Expr', 'Back', 'Alpha', 'a', "
      "'Analysis'), ('Expr', 'Chip_N', 'Tau', 'a', 'Analysis'), ('Expr', 'ALL', 'Ctl', 'a', "
      "'Control'), ('Expr', 'Scan_Only', 'Width', 's', 'Scan')");

  LeaveStaleSuccess();
  ASSERT_EQ(mStep.UpdateLabMetadata(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Rows("SELECT alg_name || '|' || userset_flag FROM KORX_ALGORITHM ORDER BY 1"),
            (std::vector<std::string>{"Blank|0", "Old|0", "Set|1"}));
  EXPECT_EQ(PresentArrays(), (std::vector<std::string>{"Back", "Chip_A"}));
  // The update's procedure waits for the analysis parameter update to drop it.
  EXPECT_EQ(Procedures(), std::vector<std::string>{"KORX_SP_UPDATE_TREL30"});

  ASSERT_EQ(mStep.UpdateAnalysisParams(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(),
            (std::vector<std::string>{"ALL|Ctl", "Back|Alpha", "Chip_N|Tau", "Scan_Only|Width"}));
  EXPECT_EQ(PresentArrays(), (std::vector<std::string>{"Back", "Chip_A", "Chip_N"}));
  EXPECT_EQ(Procedures(), std::vector<std::string>{});

  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"Start Update TREL3 metadata...",
                                      "Start Updating Analysis Parameters...",
                                      "Update Analysis Parameters Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_EQ(report.find("\nUpdate TREL3 Metadata Information:\n--------------------------\n"), 0u)
      << report;
  EXPECT_NE(report.find("\nUpdate Analysis Parameters:\n--------------------------\n"),
            std::string::npos);
}

TEST_P(AnalysisUpdateStepTest, FailuresOfTheScriptsAndTheirOutcome) {
  // Without a connection each logs its error and writes no heading.
  mSession.connected = 0;
  EXPECT_EQ(mStep.UpdateLabMetadata(), 3004);
  EXPECT_EQ(mStep.UpdateAnalysisParams(), 3004);
  const std::string notConnected =
      "ERROR: Failed to connect to the database.  Please make sure that the DBMS and QIRO "
      "Server are installed properly.";
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"Start Update TREL3 metadata...", notConnected,
                                      "Start Updating Analysis Parameters...", notConnected}));
  EXPECT_FALSE(std::filesystem::exists(mStep.reportPath));
  mSession.connected = 1;

  // A metadata update that can't run at all gives 0 with its start line and heading only.
  mSession.dbmsType = 0;
  EXPECT_EQ(mStep.UpdateLabMetadata(), 0);
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Start Update TREL3 metadata...");
  EXPECT_EQ(ReadWholeFile(mStep.reportPath),
            "\nUpdate TREL3 Metadata Information:\n--------------------------\n");
  mSession.dbmsType = Oracle() ? kDbmsOracle : kDbmsSqlServer;

  // A metadata update that ran but failed leaves no success of its own (Oracle's handler
  // logs its failure); an older success does not answer for it.
  Rows("DROP TABLE KORX_ALGORITHM");
  LeaveStaleSuccess();
  EXPECT_EQ(mStep.UpdateLabMetadata(), 3022);
  EXPECT_EQ(LoggedErrors().back(), Oracle() ? "ERROR: Failed to update analysis parameters.  "
                                              "Metadata not updated."
                                            : "ERROR: Failed to update analysis parameters.  .");

  // The procedure's own failure with its message.
  const std::string logRow =
      "INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (12, 'Failed', 'no chip');\n";
  if (Oracle())
    WriteWholeFile(Work("ora_update_dp.sql"),
                   "CREATE OR REPLACE PROCEDURE KORX_SP_UPDATE_DP AS\nBEGIN\n" + logRow +
                       "END KORX_SP_UPDATE_DP;\n/\nEXIT\n");
  else
    WriteWholeFile(Work("sql_update_dp.sql"),
                   "CREATE PROCEDURE KORX_SP_UPDATE_DP AS\n" + logRow + "GO\n");
  LeaveStaleSuccess();
  EXPECT_EQ(mStep.UpdateAnalysisParams(), 3022);
  EXPECT_EQ(LoggedErrors().back(), "ERROR: Failed to update analysis parameters.  no chip.");
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Update Analysis Parameters Failed.");
  EXPECT_EQ(Procedures(), std::vector<std::string>{});

  // Without its load script: failed, after the metadata update's leftovers were dropped.
  ASSERT_EQ(RunMetadataUpdateScript(mSession), 1);
  ASSERT_EQ(Procedures(), std::vector<std::string>{"KORX_SP_UPDATE_TREL30"});
  const std::string loadScript = Oracle() ? "ora_update_dp.sql" : "sql_update_dp.sql";
  std::filesystem::remove(Work(loadScript));
  mSession.scriptFolder.clear();
  EXPECT_EQ(mStep.UpdateAnalysisParams(), 3022);
  EXPECT_EQ(LoggedErrors().back(), "ERROR: Cannot find script file " + loadScript);
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Update Analysis Parameters Failed.");
  EXPECT_EQ(Procedures(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Roads, AnalysisUpdateStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
