// The control step on both roads: "Controls.INI" turned into parameter records of the
// assays the database knows (both record layouts, typed here by hand), installed through
// the parameters' load, and its refusals and quiet exits.
#include "installer/steps/control_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "tools/libgen/controls_file.hpp"
#include "tools/libgen/library_folder.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;

class ControlStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    if (HasFatalFailure()) return;
    Configure(mStep);
    ASSERT_TRUE(libgen::WriteTextFile(
        Source("Algorithm.ini"), libgen::AlgorithmIniText(libgen::StandardLibrary().algorithms)));
    // The assays the laboratory database knows, in its process database.
    if (!Oracle()) {
      ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), kDefaultProcessDatabase));
    }
    auto process = DbConnection::Open(
        mSandbox.Folder(),
        {Oracle() ? kOracleProvider : kSqlServerProvider, mSession.user, mSession.password,
         GetLocalComputerName(), Oracle() ? "" : kDefaultProcessDatabase});
    ASSERT_TRUE(process);
    std::string error;
    ASSERT_TRUE(
        process->Execute("CREATE TABLE korx_assay (assay_name TEXT);"
                         "INSERT INTO korx_assay VALUES ('ALL'), ('Expr3'), (' geno2 ');",
                         nullptr, &error))
        << error;
  }
  void WriteControls(const std::vector<libgen::ControlSetSpec>& sets) {
    ASSERT_TRUE(libgen::WriteTextFile(Source(kControlsSourceFile), libgen::ControlsIniText(sets)));
  }
  std::vector<libgen::ControlSetSpec> Sets() const {
    return {{"Expr3", "stat", {{"AFFX-Hyb", {"h1", "   ", "h2"}}, {"Empty", {}}}},
            {"NoSuch", "Stat", {{"X", {"x1"}}}},
            {"", "Stat", {}},
            {"Geno2", "NONE", {{"G", {"g1"}}}}};
  }
  std::vector<std::string> Parameters() {
    return Rows(
        "SELECT assay_type || '|' || array_type || '|' || coalesce(part_number, '') || '|' || "
        "coalesce(label, '') || '|' || param_name || '|' || param_value || '|' || param_type "
        "FROM KORX_ALGORITHM_PARAM ORDER BY rowid");
  }

  ControlStep mStep;
};

TEST_P(ControlStepTest, WritesTheKnownAssaysControlsInBothLayouts) {
  WriteControls(Sets());
  std::vector<ControlSet> sets;
  ASSERT_EQ(mStep.ReadControlsIni(Source(kControlsSourceFile), sets), 0);
  int members = -1, records = -1;
  ASSERT_TRUE(mStep.WriteControlsFile(sets, members, records));
  EXPECT_EQ(members, 3);
  EXPECT_EQ(records, 6);
  EXPECT_EQ(ReadWholeFile(Work(kControlsLoadFile)),
            "Expr3;ALL;;Stat.CIF;AFFX-Hyb Count;2;int;Def;Algorithm\n"
            "Expr3;ALL;;Stat.CIF;AFFX-Hyb1;h1;string;Def;Algorithm\n"
            "Expr3;ALL;;Stat.CIF;AFFX-Hyb2;h2;string;Def;Algorithm\n"
            "Expr3;ALL;;Stat.CIF;Empty Count;0;int;Def;Algorithm\n"
            "Geno2;ALL;;;G Count;1;int;Def;Algorithm\n"
            "Geno2;ALL;;;G1;g1;string;Def;Algorithm\n");

  mSession.version = 3.0;
  ASSERT_TRUE(mStep.WriteControlsFile(sets, members, records));
  EXPECT_EQ(ReadWholeFile(Work(kControlsLoadFile)),
            "Expr3;ALL;Stat.CIF;AFFX-Hyb Count;2;string;Def;Algorithm\n"
            "Expr3;ALL;Stat.CIF;AFFX-Hyb1;h1;string;Def;Algorithm\n"
            "Expr3;ALL;Stat.CIF;AFFX-Hyb2;h2;string;Def;Algorithm\n"
            "Expr3;ALL;Stat.CIF;Empty Count;0;string;Def;Algorithm\n"
            "Geno2;ALL;;G Count;1;string;Def;Algorithm\n"
            "Geno2;ALL;;G1;g1;string;Def;Algorithm\n");
}

TEST_P(ControlStepTest, AFullDiskFailsTheLoadFileAndLeavesNoneOfIt) {
  std::vector<std::string> members;
  for (int i = 0; i < 3000; ++i) members.push_back(std::string(100, 'm') + std::to_string(i));
  WriteControls({{"Expr3", "Stat", {{"Many", members}}}});
  std::vector<ControlSet> sets;
  ASSERT_EQ(mStep.ReadControlsIni(Source(kControlsSourceFile), sets), 0);
  int written = -1, records = -1;
  std::string refusal;
  {
    platform::testing::FileSizeLimit limit(128 << 10);
    EXPECT_FALSE(mStep.WriteControlsFile(sets, written, records, &refusal));
  }
  EXPECT_EQ(refusal, "Failed to write the intermediate files. controls.txt: File too large.");
  EXPECT_FALSE(std::filesystem::exists(Work(kControlsLoadFile)));
  ASSERT_TRUE(mStep.WriteControlsFile(sets, written, records));
  EXPECT_EQ(written, 3000);
}

TEST_P(ControlStepTest, InstallsTheControlsOnBothDataObjectVersions) {
  WriteControls(Sets());
  ASSERT_EQ(mStep.RunControlStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(
      Parameters(),
      (std::vector<std::string>{
          "Expr3|ALL||Stat.CIF|AFFX-Hyb Count|2|int", "Expr3|ALL||Stat.CIF|AFFX-Hyb1|h1|string",
          "Expr3|ALL||Stat.CIF|AFFX-Hyb2|h2|string", "Expr3|ALL||Stat.CIF|Empty Count|0|int",
          "Geno2|ALL|||G Count|1|int", "Geno2|ALL|||G1|g1|string"}));
  EXPECT_EQ(
      LogMessages(mStep.logPath),
      (std::vector<std::string>{"Start Installing Controls...", "Install Controls Successfully."}));
  EXPECT_NE(ReadWholeFile(mStep.reportPath)
                .find("\nInstall Controls:\n-----------------\nSource Controls File:\t" +
                      Source(kControlsSourceFile) +
                      "\nNumber of Controls in the source file:\t3\n"
                      "Number of records uploaded to temporary tables:\t6\n"
                      "Database Activities -\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kControlsLoadFile)));
  EXPECT_EQ(mSession.TablesExist({"LOAD_CIF_FILE"}, mSession.workDatabase), 0);

  // An older data object loads the older layout; each parameter is replaced, not doubled.
  mSession.version = 3.0;
  ASSERT_EQ(mStep.RunControlStep(), 0) << ReadWholeFile(mStep.logPath);
  const std::vector<std::string> parameters = Parameters();
  ASSERT_EQ(parameters.size(), 6u);
  EXPECT_EQ(parameters.front(), "Expr3|ALL||Stat.CIF|AFFX-Hyb Count|2|string");
}

TEST_P(ControlStepTest, QuietExitsAndRefusals) {
  EXPECT_EQ(mStep.RunControlStep(), 0);
  WriteControls({{"NoSuch", "Stat", {{"X", {"x1"}}}}, {"Expr3", "Stat", {{"Empty", {}}}}});
  EXPECT_EQ(mStep.RunControlStep(), 0);
  WriteControls({{"Expr3", "Nope", {{"X", {"x1"}}}}});
  EXPECT_EQ(mStep.RunControlStep(), 2015);
  // A member holding the separator would shift its record's fields.
  WriteControls({{"Expr3", "Stat", {{"X", {"x1", "x;2"}}}}});
  EXPECT_EQ(mStep.RunControlStep(), 2001);
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  const std::string algorithms = Source("Algorithm.ini");
  EXPECT_EQ(log, (std::vector<std::string>{
                     "Start Installing Controls...",
                     "Controls.INI not found.  No controls will be installed.",
                     "Start Installing Controls...", "No controls to be installed.",
                     "Start Installing Controls...",
                     "ERROR: Cannot find the algorithm CIF Name for Nope in " + algorithms + ".",
                     "Start Installing Controls...",
                     "ERROR: Install Controls failed. The value 'x;2' holds the load file's "
                     "separator ';'."}));
  EXPECT_TRUE(Parameters().empty());
  EXPECT_FALSE(std::filesystem::exists(Work(kControlsLoadFile)));
  EXPECT_EQ(mSession.TablesExist({"LOAD_CIF_FILE"}, mSession.workDatabase), 0);
}

TEST_P(ControlStepTest, CountsBeyondWhatTheFileHoldsAreNotReadKeyByKey) {
  // Counts far beyond the file's bytes give empty sets and controls, read in no time.
  ASSERT_TRUE(
      libgen::WriteTextFile(Source(kControlsSourceFile),
                            "[Controls]\nNumControlSets=2000000000\nControlSet1Assay=Expr3\n"
                            "ControlSet1Alg=Stat\n[Expr3]\nNumControls=2000000000\n"
                            "Control1=X\nControl1Name1=x1\n"));
  EXPECT_EQ(mStep.RunControlStep(), 0);
  EXPECT_EQ(Parameters().size(), 2u);
  // A file that could hold more than 10000 controls is refused before any is read.
  std::string text =
      "[Controls]\nNumControlSets=1\nControlSet1Assay=Expr3\nControlSet1Alg=Stat\n"
      "[Expr3]\nNumControls=10001\n";
  text += std::string(10001, ';') + "\n";
  ASSERT_TRUE(libgen::WriteTextFile(Source(kControlsSourceFile), text));
  EXPECT_EQ(mStep.RunControlStep(), 2001);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Install Controls failed. More than 10000 controls in " +
                Source(kControlsSourceFile) + "; file not read.");
}

INSTANTIATE_TEST_SUITE_P(Roads, ControlStepTest, ::testing::Values(Road::kSqlServer, Road::kOracle),
                         testing::RoadName);

}  // namespace
}  // namespace quellbrook
