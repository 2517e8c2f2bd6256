// The gene information step on both roads: each type's GIN file split by the reader and
// loaded into the gene-information database, a type without a GIN file passed over, and a
// refused file or lost rows failing only their own type.
#include "installer/steps/gene_info_step.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/gene_info_road.hpp"
#include "platform/tests/file_size_limit.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;

// Version 2: one URL line, a column header line, a row with two classifications and a
// row with none.
libgen::GinFile ChipAGin() {
  libgen::GinFile gin;
  gin.urlLines = {"GenBank; http://g.example/?id= ;acc"};
  for (int i = 0; i < libgen::kGinClassificationCount; ++i)
    gin.classificationTitles[static_cast<std::size_t>(i)] = "C" + std::to_string(i + 1);
  libgen::GinRow first{"0", "NM_1", "RefSeq", "1000_at", "kinase", "1", "Consensus", {}};
  first.classifications[0] = "term a";
  first.classifications[2] = "term c";
  gin.rows = {first, {"1", "NM_2", "GenBank", "1001_at", "ligase", "2", "Exemplar", {}}};
  return gin;
}

// Version 1 without a header line: the identifier source comes from line 2.
libgen::GinFile ChipCGin() {
  libgen::GinFile gin;
  gin.version = 1;
  gin.identifierSource = "UniGene";
  gin.url = "http://u.example/";
  gin.headerLine = false;
  libgen::GinRow row{"5", "NM_9", "", "2000_at", "x", "3", "Consensus", {}};
  row.classifications[0] = "c1 value";
  gin.rows = {row};
  return gin;
}

class GeneInfoStepTest : public testing::GeneInfoRoadTest {
 protected:
  void SetUp() override {
    GeneInfoRoadTest::SetUp();
    if (HasFatalFailure()) return;
    ConfigureThreeTypes(mStep);
  }
  std::string GinPath(const std::string& type, const std::string& folder) const {
    return LibFile(folder, type + ".GIN");
  }
  void Write(const std::string& type, const std::string& folder, const libgen::GinFile& gin) {
    ASSERT_TRUE(libgen::WriteTextFile(GinPath(type, folder), libgen::GinText(gin)));
  }
  std::vector<std::string> Urls() {
    return GeneRows(
        "SELECT array_type || '|' || identifier_source || '|' || link_name || '|' || "
        "coalesce(url, '') FROM KORX_GIN_URL ORDER BY 1");
  }
  std::vector<std::string> Descriptions() {
    return GeneRows(
        "SELECT array_type || '|' || probe_index || '|' || identifier || '|' || "
        "identifier_source || '|' || probe_set_name || '|' || description || '|' || group_name "
        "|| '|' || sequence_type || '|' || coalesce(class_title, '') || '|' || "
        "coalesce(class_value, '') FROM KORX_GIN_DESCRIPTION ORDER BY 1");
  }
  std::vector<std::string> Headers() {
    return GeneRows(
        "SELECT array_type || '|' || chip_type_title || '|' || index_title || '|' || "
        "coalesce(source_title, '') || '|' || class_title_1 || '|' || class_title_10 "
        "FROM KORX_GIN_HEADER ORDER BY 1");
  }

  GeneInfoStep mStep;
};

TEST_P(GeneInfoStepTest, InstallsEachTypesGeneInformationAndPassesOverATypeWithout) {
  Write("Chip_A", "A_Files", ChipAGin());
  Write("Chip_C", "C_Files", ChipCGin());
  ASSERT_EQ(mStep.RunGeneInfoStep(), 0) << ReadWholeFile(mStep.logPath);

  EXPECT_EQ(Urls(), (std::vector<std::string>{"Chip_A|GenBank|http://g.example/?id=|acc",
                                              "Chip_C|UniGene|UniGene|http://u.example/"}));
  EXPECT_EQ(Descriptions(),
            (std::vector<std::string>{
                "Chip_A|0|NM_1|RefSeq|1000_at|kinase|1|Consensus|C1|term a",
                "Chip_A|0|NM_1|RefSeq|1000_at|kinase|1|Consensus|C3|term c",
                "Chip_A|1|NM_2|GenBank|1001_at|ligase|2|Exemplar||",
                "Chip_C|5|NM_9|UniGene|2000_at|x|3|Consensus|Classification 1|c1 value"}));
  // Chip_A's own titles; Chip_C has no header line and gets the default ones.
  EXPECT_EQ(Headers(),
            (std::vector<std::string>{"Chip_A|Chip Type|Index|Identifier Source|C1|C10",
                                      "Chip_C|Chip Type|Index|Identifier Source|Classification 1|"
                                      "Classification 10"}));

  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{
                "Start Installing Gene Information...", "Install Gene Information for Chip_A...",
                "Install Gene Information for Chip_A Successfully.",
                "No Gene Information for Chip_B.", "Install Gene Information for Chip_C...",
                "Install Gene Information for Chip_C Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  const std::string blockA =
      "\nInstall GeneInfo:\n-----------------\nArray Type:\t\tChip_A\nSource GIN File:\t\t" +
      GinPath("Chip_A", "A_Files") + "\nSource GIN File Date:\t\t";
  ASSERT_NE(report.find(blockA), std::string::npos) << report;
  const std::string countsA =
      "GIN File Version:\t2\nNumber of URLs in the source file:\t\t1\n"
      "Number of URLs uploaded to temporary tables:\t1\nHeader Exists?:\t\tYes\n"
      "Number of GIN Desc. in the source file:\t2\nNumber of Annotation in the source file:\t2\n"
      "Number of GIN Desc. and Annotation uploaded to temporary tables:\t4\n\n"
      "Database Activities -\n";
  const std::size_t a = report.find(countsA);
  const std::size_t b = report.find("No Gene Information for Chip_B.\n");
  const std::size_t c = report.find("Array Type:\t\tChip_C\n");
  ASSERT_NE(a, std::string::npos) << report;
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(report.find("Header Exists?:\t\tNo\n", c), std::string::npos);
  for (const char* file : {kGinDescriptionLoadFile, kGinHeaderLoadFile, kGinUrlLoadFile})
    EXPECT_FALSE(std::filesystem::exists(Work(file))) << file;
  EXPECT_EQ(mGene->TablesExist({"LOAD_GIN_DES"}, mGene->workDatabase), 0);

  // A second run replaces each type's rows rather than adding to them.
  ASSERT_EQ(mStep.RunGeneInfoStep(), 0);
  EXPECT_EQ(Descriptions().size(), 4u);
  EXPECT_EQ(Headers().size(), 2u);
}

TEST_P(GeneInfoStepTest, ARefusedFileFailsItsTypeAndTheNextIsStillInstalled) {
  // The URL line's last value holds the load file's separator.
  libgen::GinFile damaged = ChipAGin();
  damaged.urlLines = {"GenBank;http://g.example/;acc;more"};
  Write("Chip_A", "A_Files", damaged);
  Write("Chip_C", "C_Files", ChipCGin());
  EXPECT_EQ(mStep.RunGeneInfoStep(), 2004);
  EXPECT_EQ(LoggedErrors(),
            std::vector<std::string>{
                "ERROR: Failed to read the GIN file " + GinPath("Chip_A", "A_Files") +
                ". The URL value 'acc;more' holds the load file's separator ';'."});
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_NE(std::find(log.begin(), log.end(), "Install Gene Information for Chip_A Failed."),
            log.end());
  EXPECT_EQ(log.back(), "Install Gene Information for Chip_C Successfully.");
  EXPECT_EQ(GeneRows("SELECT count(*) FROM KORX_GIN_DESCRIPTION WHERE array_type = 'Chip_A'"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(Urls(), std::vector<std::string>{"Chip_C|UniGene|UniGene|http://u.example/"});
  for (const char* file : {kGinDescriptionLoadFile, kGinHeaderLoadFile, kGinUrlLoadFile})
    EXPECT_FALSE(std::filesystem::exists(Work(file))) << file;
}

TEST_P(GeneInfoStepTest, AFullDiskIsAWriteFailureThatLeavesNoLoadFile) {
  Write("Chip_A", "A_Files", libgen::StandardGin(2000, 300, 3));
  mStep.arrayTypes = {"Chip_A"};
  mStep.typeFolders = {"A_Files"};
  {
    platform::testing::FileSizeLimit limit(256 << 10);
    EXPECT_EQ(mStep.RunGeneInfoStep(), 2001);
  }
  EXPECT_EQ(LoggedErrors(), std::vector<std::string>{"ERROR: Failed to write the intermediate "
                                                     "files. gin.des: File too large."});
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Install Gene Information for Chip_A Failed.");
  for (const char* file : {kGinDescriptionLoadFile, kGinHeaderLoadFile, kGinUrlLoadFile})
    EXPECT_FALSE(std::filesystem::exists(Work(file))) << file;
  EXPECT_TRUE(Descriptions().empty());
}

TEST_P(GeneInfoStepTest, LostRowsFailTheTypeWithTheRoadsMessageAndKeepTheLoadFiles) {
  // Without its loader file the descriptions never reach their table.
  std::filesystem::remove(Work(Oracle() ? "ora_gin_des.ctl" : "bcp_des.fmt"));
  Write("Chip_A", "A_Files", ChipAGin());
  mStep.arrayTypes = {"Chip_A"};
  mStep.typeFolders = {"A_Files"};
  EXPECT_EQ(mStep.RunGeneInfoStep(), Oracle() ? 3021 : 3018);
  // (The load first says that its control or format file is missing.)
  const std::vector<std::string> errors = LoggedErrors();
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors.front(), Oracle() ? "ERROR: Cannot find control file ora_gin_des.ctl"
                                     : "ERROR: Cannot find format file bcp_des.fmt");
  EXPECT_EQ(errors.back(), "ERROR: Failed to populate temporary tables.");
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  const auto at = std::find(log.begin(), log.end(), errors.back());
  ASSERT_LT(at + 3, log.end());
  EXPECT_EQ(*(at + 1), "Total descriptions = 3, # of populated descriptions = 0.");
  EXPECT_EQ(*(at + 2), "Total header = 1, # of populated header = 1");
  EXPECT_EQ(*(at + 3), "Total URL = 1, # of populated URL = 1.");
  EXPECT_EQ(log.back(), "Install Gene Information for Chip_A Failed.");
  EXPECT_TRUE(std::filesystem::exists(Work(kGinDescriptionLoadFile)));
  EXPECT_TRUE(Descriptions().empty());
  EXPECT_EQ(mGene->TablesExist({"LOAD_GIN_HEAD"}, mGene->workDatabase), 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, GeneInfoStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
