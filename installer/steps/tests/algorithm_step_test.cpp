// The algorithm step: its load file from "Algorithm.ini", then the whole common run through
// the stand-in tools and our scripts and its failure exits on the SQL Server road, and the
// run on both roads.
#include "installer/steps/algorithm_step.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/framework/ini_readers.hpp"
#include "installer/framework/message_table.hpp"
#include "installer/steps/tests/step_road.hpp"
#include "platform/tests/file_size_limit.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::WriteWholeFile;

class AlgorithmStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    Configure(mStep);
  }

  std::string Source() const { return StepRoadTest::Source(kAlgorithmSourceFile); }
  std::vector<std::string> Algorithms() {
    return Rows(
        "SELECT alg_name || '|' || coalesce(alg_id, '') || '|' || userset_flag FROM KORX_ALGORITHM "
        "ORDER BY 1");
  }

  AlgorithmStep mStep;
};

TEST_P(AlgorithmStepTest, LoadFileSkipsNamelessEntriesTrimsAndFollowsTheVersion) {
  WriteWholeFile(Source(),
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
  WriteWholeFile(Source(), "[Other]\n");
  ASSERT_TRUE(alone.WriteAlgorithmFile(Source(), count));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ReadWholeFile(Work(kAlgorithmLoadFile)), "");

  // A value with the separator would shift every later field: refused.
  WriteWholeFile(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A\nAlg1ProgID=x;y\n");
  std::string refusal;
  EXPECT_FALSE(alone.WriteAlgorithmFile(Source(), count, &refusal));
  EXPECT_EQ(refusal, "The value 'x;y' holds the load file's separator ';'.");
}

TEST_P(AlgorithmStepTest, InstallsThroughTheToolsAndReports) {
  WriteWholeFile(Source(),
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

TEST_P(AlgorithmStepTest, FailuresReportTheirErrorAndAlwaysDropTheTemporaryObjects) {
  AlgorithmStep unconnected;
  unconnected.logPath = mStep.logPath;
  EXPECT_EQ(unconnected.RunAlgorithmStep(), 3004);

  // No source file: 1001, and the load script's table is dropped again.
  EXPECT_EQ(mStep.RunAlgorithmStep(), 1001);
  EXPECT_EQ(mSession.CountTableRows("LOAD_ALG"), 0);
  // A refused value: 2001 with the reason, dropped too, nothing installed.
  WriteWholeFile(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A;B\n");
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
  WriteWholeFile(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);
  EXPECT_EQ(Algorithms(), std::vector<std::string>{"A||0"});
}

TEST_P(AlgorithmStepTest, CountsBeyondWhatTheFileCanHoldAreNotReadKeyByKey) {
  // A count far beyond the file's bytes: the entries there are installed, at once.
  WriteWholeFile(Source(), "[Algorithms]\nNumAlgorithms=2147483647\nAlg1Name=A\nAlg3Name=C\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0);
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"A||0", "C||0"}));
  // A file that could list more than 10000 algorithms is refused before any is read.
  WriteWholeFile(Source(), "[Algorithms]\nNumAlgorithms=2147483647\nAlg1Name=B\n;" +
                               std::string(10000, 'x') + "\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 2001);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Install Algorithms Failed. More than 10000 algorithms in " + Source() +
                "; file not read.");
  EXPECT_FALSE(std::filesystem::exists(Work(kAlgorithmLoadFile)));
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"A||0", "C||0"}));
}

TEST_P(AlgorithmStepTest, RowCountAndLibraryLogDecideTheOutcome) {
  WriteWholeFile(Source(), "[Algorithms]\nNumAlgorithms=1\nAlg1Name=A\n");
  // A procedure that logs its own failure; the status is compared without case.
  auto procedureLogging = [&](const char* status) {
    WriteWholeFile(Work("sql_load_alg.sql"),
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
  WriteWholeFile(Work("sql_load_alg.sql"),
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

TEST_P(AlgorithmStepTest, TheMostAlgorithmsInstallInOneRun) {
  std::string text = "[Algorithms]\nNumAlgorithms=10000\n";
  for (int i = 1; i <= kMaxIniEntries; ++i) {
    const std::string n = std::to_string(i);
    text += "Alg" + n + "Name=Algorithm " + n + "\nAlg" + n + "ID=" + n + "\nAlg" + n +
            "Type=Expr\nAlg" + n + "ProgID=Kandorvale.Alg." + n + "\nAlg" + n + "CifName=cif" + n +
            "\nAlg" + n + "UsersetFlag=" + std::to_string(i % 2) + "\n";
  }
  WriteWholeFile(Source(), text);
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0) << ReadWholeFile(mStep.logPath);
  const std::vector<std::string> rows = Algorithms();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kMaxIniEntries));
  EXPECT_NE(std::find(rows.begin(), rows.end(), "Algorithm 10000|10000|0"), rows.end());
}

// A disk that fills while the load file is written: a write failure, not rows that went
// missing in the load, and no part of the file is left behind.
TEST_P(AlgorithmStepTest, AFullDiskFailsTheLoadFileNotTheLoad) {
  std::string text = "[Algorithms]\nNumAlgorithms=3000\n";
  for (int i = 1; i <= 3000; ++i)
    text += "Alg" + std::to_string(i) + "Name=" + std::string(200, 'a') + "\n";
  WriteWholeFile(Source(), text);
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

INSTANTIATE_TEST_SUITE_P(Roads, AlgorithmStepTest, ::testing::Values(Road::kSqlServer),
                         testing::RoadName);

// The run on either road: on Oracle a login works in its own schema through sqlplus and the
// loader.
class AlgorithmStepRoadsTest : public AlgorithmStepTest {};

TEST_P(AlgorithmStepRoadsTest, InstallsThroughTheRoadsToolsAndDropsTheTemporaryTable) {
  WriteWholeFile(Source(),
                 "[Algorithms]\nNumAlgorithms=2\nAlg1Name=Stat\nAlg1ID=1\nAlg2Name=Geno\n");
  EXPECT_EQ(mStep.RunAlgorithmStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"Geno||0", "Stat|1|0"}));
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Install Algorithms Successfully.");
  EXPECT_EQ(mSession.TablesExist({"LOAD_ALG"}, mSession.workDatabase), 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, AlgorithmStepRoadsTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
