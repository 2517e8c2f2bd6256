// The sequence step on both roads: the SIF files of the types that have sequences loaded
// into the gene-information database, warnings carried to the later types, and an error
// never hidden by a warning.
#include "installer/steps/sequence_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/gene_info_road.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/sif_file.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;

class SequenceStepTest : public testing::GeneInfoRoadTest {
 protected:
  void SetUp() override {
    GeneInfoRoadTest::SetUp();
    if (HasFatalFailure()) return;
    ConfigureThreeTypes(mStep);
    ASSERT_TRUE(libgen::WriteTextFile(Source("TWLib.ini"),
                                      libgen::TypeIniText({{"Chip_A", "A_Files", "", true},
                                                           {"Chip_B", "B_Files", "", false},
                                                           {"Chip_C", "C_Files", "", true}})));
  }
  std::string SifPath(const std::string& type, const std::string& folder) const {
    return LibFile(folder, type + ".SIF");
  }
  void Write(const std::string& type, const std::string& folder,
             const std::vector<libgen::SifProbeSet>& probeSets) {
    ASSERT_TRUE(libgen::WriteTextFile(SifPath(type, folder),
                                      libgen::SifText({{"Sequence file", ";"}, probeSets})));
  }
  std::vector<std::string> Sequences() {
    return GeneRows(
        "SELECT array_type || '|' || probe_set_name || '|' || sequence FROM KORX_PROBE_SEQUENCE "
        "ORDER BY 1");
  }

  SequenceStep mStep;
};

TEST_P(SequenceStepTest, InstallsTheTypesThatHaveSequences) {
  Write("Chip_A", "A_Files", {{"1000_at", "ACGT"}, {"1001_at", "  GGCC  "}});
  Write("Chip_B", "B_Files", {{"never_at", "TTTT"}});
  Write("Chip_C", "C_Files", {{"2000_at", "AAAA"}});
  ASSERT_EQ(mStep.RunSequenceStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Sequences(), (std::vector<std::string>{"Chip_A|1000_at|ACGT", "Chip_A|1001_at|GGCC",
                                                   "Chip_C|2000_at|AAAA"}));
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{
                "Start Installing Sequences...", "Install Sequences for Chip_A...",
                "Install Sequences for Chip_A Successfully.", "No Sequences for Chip_B.",
                "Install Sequences for Chip_C...", "Install Sequences for Chip_C Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_NE(report.find("\nInstall Sequences:\n-----------------\nArray Type:\t\tChip_A\n"
                        "Source SIF File:\t\t" +
                        SifPath("Chip_A", "A_Files") + "\nSource SIF File Date:\t\t"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Number of Sequences in the source file:\t2\n"
                        "Number of Sequences uploaded to temporary tables:\t2\n\n"
                        "Database Activities -\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("No Sequences for Chip_B.\nArray Type:\t\tChip_C\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kSequenceLoadFile)));
  EXPECT_EQ(mGene->TablesExist({"LOAD_SIF_FILE"}, mGene->workDatabase), 0);
}

TEST_P(SequenceStepTest, AWarningCarriesOverAndAnErrorOutranksIt) {
  Write("Chip_A", "A_Files", {{"1000_at", "ACGT"}, {"1001_at", "   "}});
  // Chip_C has no SIF file although its entry says it has sequences.
  EXPECT_EQ(mStep.RunSequenceStep(), 2005);
  std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end()),
            (std::vector<std::string>{
                "WARNING: Cannot install sequence for probe set 1001_at for Chip_A.  The sequence "
                "is empty.",
                "Install Sequences for Chip_A Successfully with Warning.",
                "No Sequences for Chip_B.", "Install Sequences for Chip_C...",
                "ERROR: " + SifPath("Chip_C", "C_Files") + " file not found.",
                "Install Sequences for Chip_C Failed."}));
  EXPECT_EQ(Sequences(), std::vector<std::string>{"Chip_A|1000_at|ACGT"});

  // Once warned, a later type that succeeds is reported with the warning too.
  std::filesystem::remove(mStep.logPath);
  Write("Chip_C", "C_Files", {{"2000_at", "AAAA"}});
  EXPECT_EQ(mStep.RunSequenceStep(), 4001);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "Install Sequences for Chip_C Successfully with Warning.");
}

TEST_P(SequenceStepTest, ASequenceHoldingTheSeparatorLoadsNothingOfItsType) {
  Write("Chip_A", "A_Files", {{"1000_at", "ACGT"}, {"1001_at", "AC;GT"}});
  Write("Chip_C", "C_Files", {{"2000_at", "AAAA"}});
  EXPECT_EQ(mStep.RunSequenceStep(), 2005);
  EXPECT_EQ(LoggedErrors(), std::vector<std::string>{"ERROR: The probe set '1001_at' of " +
                                                     SifPath("Chip_A", "A_Files") +
                                                     " holds the load file's separator ';'."});
  EXPECT_EQ(Sequences(), std::vector<std::string>{"Chip_C|2000_at|AAAA"});
}

INSTANTIATE_TEST_SUITE_P(Roads, SequenceStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
