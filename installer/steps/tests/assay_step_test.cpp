// The assay step on both roads: its load file copied from "Assay_protocol.txt" whole line
// by line, the install through the tools, and its refusals and failure exits.
#include "installer/steps/assay_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"
#include "tools/libgen/assay_files.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::WriteWholeFile;

class AssayStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    Configure(mStep);
    mStep.sourceFileName = kAssaySourceFile;
  }
  std::string SourceFile() const { return Source(kAssaySourceFile); }
  std::vector<std::string> Protocols() {
    return Rows(
        "SELECT assay_name || '|' || protocol_name || '|' || step_number || '|' || "
        "coalesce(step_text, '') FROM KORX_ASSAY_PROTOCOL ORDER BY assay_name, step_number");
  }

  AssayStep mStep;
};

TEST_P(AssayStepTest, LoadFileHoldsTheDataLinesWholeAndRefusesShiftedFields) {
  // CRLF and LF lines, blank lines and a last line without its end.
  WriteWholeFile(SourceFile(), "A;P;1;wash\r\n\r\n\nA;P;2;\nB;Q;1;x y\r\n\r\nB;Q;2;end");
  int count = -1;
  ASSERT_TRUE(mStep.CopyAssayFile(SourceFile(), count));
  EXPECT_EQ(count, 4);
  EXPECT_EQ(ReadWholeFile(Work(kAssayLoadFile)), "A;P;1;wash\nA;P;2;\nB;Q;1;x y\nB;Q;2;end\n");

  // A line far past any fixed line buffer is one record, not several.
  const std::string longText(5000, 'w');
  WriteWholeFile(SourceFile(), "A;P;1;" + longText + "\nA;P;2;short\n");
  ASSERT_TRUE(mStep.CopyAssayFile(SourceFile(), count));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ReadWholeFile(Work(kAssayLoadFile)), "A;P;1;" + longText + "\nA;P;2;short\n");

  // A step text holding the separator would shift its fields: the file is refused.
  WriteWholeFile(SourceFile(), "A;P;1;ok\nA;P;2;stain; scan\n");
  std::string refusal;
  EXPECT_FALSE(mStep.CopyAssayFile(SourceFile(), count, &refusal));
  EXPECT_EQ(refusal, "Line 2 of " + SourceFile() + " has 5 fields where 4 are expected.");
}

TEST_P(AssayStepTest, InstallsTheLibrarysProtocolsAndReports) {
  const std::vector<libgen::AssayProtocolStep> steps = libgen::StandardAssaySteps();
  WriteWholeFile(SourceFile(), libgen::AssayProtocolText(steps, 2));
  std::filesystem::permissions(SourceFile(), std::filesystem::perms::owner_read);
  ASSERT_EQ(mStep.RunAssayStep(), 0) << ReadWholeFile(mSession.installLog);
  std::vector<std::string> expected;
  for (const libgen::AssayProtocolStep& step : steps)
    expected.push_back(step.assay + "|" + step.protocol + "|" + step.stepNumber + "|" + step.text);
  EXPECT_EQ(Protocols(), expected);
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"Start Installing Assays and Assay Protocols...",
                                      "Install Assays and Assay Protocols Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_NE(report.find("\nInstall Assays and Assay Protocols:\n"
                        "-----------------------------------\n"
                        "Source Assay Protocol File:\t" +
                        SourceFile() +
                        "\nNumber of Assay Protocols in the source file:\t5\n"
                        "Number of Assay Protocols uploaded to temporary tables:\t5\n"
                        "Database Activities -\n"),
            std::string::npos)
      << report;
  EXPECT_FALSE(std::filesystem::exists(Work(kAssayLoadFile)));
  // A second run replaces the assays' protocols and finds its temporary objects dropped.
  ASSERT_EQ(mStep.RunAssayStep(), 0);
  EXPECT_EQ(Protocols().size(), steps.size());
  EXPECT_EQ(mSession.TablesExist({"LOAD_PROTOCOL_FILE"}, mSession.workDatabase), 0);
}

TEST_P(AssayStepTest, FailuresLeaveNothingHalfInstalled) {
  EXPECT_EQ(mStep.RunAssayStep(), 1001);
  WriteWholeFile(SourceFile(), "A;P;1;ok\nA;P;2\n");
  EXPECT_EQ(mStep.RunAssayStep(), 2001);
  EXPECT_FALSE(std::filesystem::exists(Work(kAssayLoadFile)));
  EXPECT_EQ(LoggedErrors(), (std::vector<std::string>{
                                "ERROR: Install Assays and Assay Protocols failed. " +
                                    SourceFile() + " file not found.",
                                "ERROR: Install Assays and Assay Protocols failed. Line 2 of " +
                                    SourceFile() + " has 3 fields where 4 are expected."}));
  EXPECT_TRUE(Protocols().empty());
  EXPECT_EQ(mSession.TablesExist({"LOAD_PROTOCOL_FILE"}, mSession.workDatabase), 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, AssayStepTest, ::testing::Values(Road::kSqlServer, Road::kOracle),
                         testing::RoadName);

}  // namespace
}  // namespace quellbrook
