// The scan parameter update: further scanners' sections written into hand-typed CIFs
// through the map files, and on both database roads the derived parameter sets written into
// "scan.txt" and loaded, with the failures of single sets logged while the others go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/scan_parameter_step.hpp"
#include "installer/steps/tests/step_road.hpp"
#include "platform/profile.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/libgen/scanner_map_files.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::WriteWholeFile;

constexpr const char* kChipA =
    "[Chip]\nScale=0.5\n[HP]\nWidth=20\nHeight = 20\nFocusWidth=2\nFocusHeight=2\n"
    "[Grid]\nSpacing=4\n";
constexpr const char* kChipAWithScan7G =
    "[Chip]\nScale=0.5\n[HP]\nWidth=20\nHeight = 20\nFocusWidth=2\nFocusHeight=2\n"
    "[Scan7G]\nWidth=24\nHeight=24\nResolution=1.25\n\n[Grid]\nSpacing=4\n";

class CifScanUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(mLibrary.Write(error)) << error;
    ASSERT_TRUE(libgen::WriteScannerMapFiles(mLibrary, libgen::StandardScanTypes(),
                                             {libgen::StandardScannerMap("Scan7G")}, error))
        << error;
    std::filesystem::create_directories(Cif(""));
    mStep.sourceFolder = mLibrary.Source();
    mStep.cifFolder = mTemp.File("cifs");
    mStep.logPath = mTemp.File("install.log");
    mStep.devices = {{"hp", "Scanner", "", "", ""}, {"Scan7G", "Scanner", "", "", ""}};
  }
  std::string Cif(const std::string& type) const { return mTemp.File("cifs/" + type + ".CIF"); }

  platform::testing::TempFolder mTemp;
  libgen::LibraryFolder mLibrary{mTemp.File("source"), libgen::StandardLibrary()};
  ScanParamStep mStep;
};

TEST_F(CifScanUpdateTest, WritesTheScannersSectionAfterHpAndDropsTypesThatFail) {
  WriteWholeFile(Cif("Chip_A"), kChipA);
  // A lower-case header passes the section test but is no place to insert after.
  WriteWholeFile(Cif("Chip_B"), "[hp]\nWidth=10\nHeight=10\nFocusWidth=1\nFocusHeight=1\n");
  // Values of no scan type.
  WriteWholeFile(Cif("Chip_D"), "[HP]\nWidth=30\nHeight=30\nFocusWidth=3\nFocusHeight=3\n");
  std::vector<std::string> types = {"Chip_A", "Chip_B", "Chip_C", "Chip_D"};
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 0);
  EXPECT_EQ(types, std::vector<std::string>{"Chip_A"});
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")), kChipAWithScan7G);
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(log, (std::vector<std::string>{
                     "Update Scan7G scan parameters for Chip_A...",
                     "Update Scan7G scan parameters for Chip_A successfully.",
                     "Update Scan7G scan parameters for Chip_B...",
                     "ERROR: Cannot find [HP] section in " + Cif("Chip_B") +
                         ".  Update Scan7G scan parameters failed for Chip_B.",
                     "ERROR: Update Scan7G scan parameters for Chip_B failed. Please correct the "
                     "CIF file and retry.",
                     "Update Scan7G scan parameters for Chip_C...",
                     "ERROR: " + Cif("Chip_C") + " file not found.",
                     "ERROR: Update Scan7G scan parameters for Chip_C failed. Please correct the "
                     "CIF file and retry.",
                     "Update Scan7G scan parameters for Chip_D...",
                     "ERROR: Cannot find the appropriate scan type section from the map ini "
                     "files.  Update Scan7G scan parameters failed for Chip_D.",
                     "ERROR: Update Scan7G scan parameters for Chip_D failed. Please correct the "
                     "CIF file and retry."}));
  EXPECT_EQ(ReadWholeFile(Cif("Chip_B")).find("Scan7G"), std::string::npos);

  // Again: the section exists and is updated key by key, so the CIF stays as it is.
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 1);
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")), kChipAWithScan7G);
  // An existing section keeps its other keys; a read-only CIF stays read-only.
  WriteWholeFile(Cif("Chip_A"),
                 "[HP]\r\nWidth=10\r\nHeight=10\r\nFocusWidth=1\r\nFocusHeight=1\r\n"
                 "[Scan7G]\r\nWidth=1\r\nOwn=x\r\n");
  std::filesystem::permissions(Cif("Chip_A"), std::filesystem::perms::owner_read);
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 1);
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")),
            "[HP]\r\nWidth=10\r\nHeight=10\r\nFocusWidth=1\r\nFocusHeight=1\r\n"
            "[Scan7G]\r\nWidth=12\r\nOwn=x\r\nHeight=12\r\nResolution=2.5\r\n");
  EXPECT_EQ(std::filesystem::status(Cif("Chip_A")).permissions(),
            std::filesystem::perms::owner_read);
}

TEST_F(CifScanUpdateTest, AppendsAfterALastHpSectionAndToleratesMissingMaps) {
  // [HP] last, CRLF lines, the last one unended: the section follows a blank line.
  WriteWholeFile(Cif("Chip_A"),
                 "[Chip]\r\nScale=0.5\r\n[HP]\r\nWidth=10\r\nHeight=10\r\nFocusWidth=1\r\n"
                 "FocusHeight=1");
  std::vector<std::string> types = {"Chip_A"};
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 1);
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")),
            "[Chip]\r\nScale=0.5\r\n[HP]\r\nWidth=10\r\nHeight=10\r\nFocusWidth=1\r\n"
            "FocusHeight=1\r\n\r\n[Scan7G]\r\nWidth=12\r\nHeight=12\r\nResolution=2.5\r\n\r\n");

  // A map without declared parameters leaves the CIF as it is, and that is success.
  const std::string before = ReadWholeFile(Cif("Chip_A"));
  libgen::ScannerMap bare = libgen::StandardScannerMap("Bare");
  bare.parameters.clear();
  ASSERT_TRUE(libgen::WriteTextFile(libgen::ScannerMapPath(mLibrary, "Bare"),
                                    libgen::ScannerMapText(bare)));
  mStep.devices = {{"Bare", "Scanner", "", "", ""}};
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 1);
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")), before);

  // Missing map files keep the type but fail the filter; HP alone changes nothing.
  std::filesystem::remove(mStep.logPath);
  mStep.devices = {{"Scan9", "Scanner", "", "", ""}};
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 0);
  EXPECT_EQ(types, std::vector<std::string>{"Chip_A"});
  const std::string map = libgen::ScannerMapPath(mLibrary, "Scan9");
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"ERROR: " + map + " file not found.",
                                      "ERROR: Cannot find scanner parameter map files for Scan9. "
                                      "Update Scan9 scan parameters failed."}));
  mStep.devices = {{"HP", "Scanner", "", "", ""}};
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 1);
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")), before);

  // An empty section of the scanner's before [HP] is filled, not shadowed by a second one.
  WriteWholeFile(Cif("Chip_A"),
                 "[Scan7G]\n[HP]\nWidth=10\nHeight=10\nFocusWidth=1\nFocusHeight=1\n");
  mStep.devices = {{"Scan7G", "Scanner", "", "", ""}};
  EXPECT_EQ(mStep.FilterTypesByScannerMaps(types), 1);
  EXPECT_EQ(ReadWholeFile(Cif("Chip_A")),
            "[Scan7G]\nWidth=12\nHeight=12\nResolution=2.5\n[HP]\nWidth=10\nHeight=10\n"
            "FocusWidth=1\nFocusHeight=1\n");
}

// The laboratory's HP parameter sets: Chip_A (Expression) of scan type 100/9, Chip_B
// (Genotyping) of 50/3, Chip_C of no scan type.
constexpr const char* kHpSets = R"(
CREATE TABLE korx_assay (assay_id INTEGER, assay_name TEXT);
CREATE TABLE korx_annotation_attribute_def (anno_id INTEGER, anno_attr_item INTEGER, term TEXT,
  attr_data_type TEXT);
CREATE TABLE korx_parameter_values (anno_id INTEGER, anno_attr_item INTEGER, param_value TEXT);
INSERT INTO korx_assay VALUES (1, 'Expression'), (2, 'Genotyping');
INSERT INTO KORX_PROBE_ARRAY (probe_array_name, assay_id, deleted_flag) VALUES
  ('Chip_A', 1, 0), ('Chip_B', 2, 0), ('Chip_C', 2, 0);
INSERT INTO KORX_PARAMETER_SET VALUES ('Scan_HP_Chip_A', 'Scan', 'Chip_A', 10),
  ('Scan_HP_Chip_B', 'Scan', 'Chip_B', 20), ('Scan_HP_Chip_C', 'Scan', 'Chip_C', 30);
INSERT INTO korx_annotation_attribute_def SELECT a.anno_id, t.item, t.term, t.type FROM
  (SELECT 10 AS anno_id UNION SELECT 20 UNION SELECT 30) a,
  (SELECT 1 AS item, 'Width' AS term, 'int' AS type UNION SELECT 2, 'Height', 'int'
   UNION SELECT 3, 'FocusWidth', 'int' UNION SELECT 4, 'FocusHeight', 'int'
   UNION SELECT 5, 'Pixel', 'string') t;
INSERT INTO korx_parameter_values VALUES (10, 1, '20'), (10, 2, '20'), (10, 3, '2'),
  (10, 4, '2'), (10, 5, '3'), (20, 1, '10'), (20, 2, '10'), (20, 3, '1'), (20, 4, '1'),
  (20, 5, '3'), (30, 1, '30'), (30, 2, '30'), (30, 3, '3'), (30, 4, '3'), (30, 5, '3');
)";

class ServerScanUpdateTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    std::string error;
    ASSERT_TRUE(mLibrary.Write(error)) << error;
    ASSERT_TRUE(libgen::WriteScannerMapFiles(mLibrary, libgen::StandardScanTypes(),
                                             {libgen::StandardScannerMap("Scan7G")}, error))
        << error;
    mSession.processDatabase = kDefaultProcessDatabase;
    ASSERT_TRUE(Rows(std::string(kHpSets) + "SELECT 1").size() == 1);
    Configure(mStep);
    mStep.devices = {{"HP", "Scanner", "", "", ""}, {"Scan7G", "Scanner", "", "", ""}};
  }
  std::vector<std::string> Parameters() {
    return Rows(
        "SELECT assay_type || '|' || array_type || '|' || coalesce(part_number, '') || '|' || "
        "label || '|' || param_name || '|' || param_value || '|' || param_type || '|' || kind || "
        "'|' || param_group FROM KORX_ALGORITHM_PARAM ORDER BY rowid");
  }

  libgen::LibraryFolder mLibrary{mSandbox.File("source"), libgen::StandardLibrary()};
  ScanParamStep mStep;
};

TEST_P(ServerScanUpdateTest, DerivesEachSetThroughTheMapsAndLoadsIt) {
  // The load file as written, before any load.
  ASSERT_EQ(mStep.FindScannerMapFiles("Scan7G"), 1);
  std::vector<AssayScanParameter> rows;
  ASSERT_EQ(mSession.QueryAssayScanParameters(rows, "HP", "Chip_A"), 1);
  int lines = 0;
  ASSERT_EQ(mStep.WriteScanUpdateFile(kScanLoadFile, mStep.scannerMapPath, "Scan7G", "Chip_A",
                                      "Expression", "100/9", rows, lines),
            1);
  EXPECT_EQ(lines, 7);
  EXPECT_EQ(ReadWholeFile(Work(kScanLoadFile)),
            "Expression;Chip_A;;Scan7G;Width;24;int;Scan;Scan\n"
            "Expression;Chip_A;;Scan7G;Height;24;int;Scan;Scan\n"
            "Expression;Chip_A;;Scan7G;FocusWidth;2;int;Scan;Scan\n"
            "Expression;Chip_A;;Scan7G;FocusHeight;2;int;Scan;Scan\n"
            "Expression;Chip_A;;Scan7G;Pixel;3;string;Scan;Scan\n"
            "Expression;Chip_A;;Scan7G;Resolution;1.25;float;Scan;Scan\n"
            "Expression;Chip_A;;TW;ExpectGhostGrids;TRUE;string;Def;Algorithm\n");

  // Before 3.1 the lines have no part number field.
  mSession.version = 3.0;
  ASSERT_EQ(mStep.WriteScanUpdateFile(kScanLoadFile, mStep.scannerMapPath, "Scan7G", "Chip_A",
                                      "Expression", "100/9", rows, lines),
            1);
  EXPECT_EQ(ReadWholeFile(Work(kScanLoadFile)).substr(0, 48),
            "Expression;Chip_A;Scan7G;Width;24;int;Scan;Scan\n");
  mSession.version = 3.1;

  // Chip_A's part number comes from the library's type list.
  const std::string typeIni = mLibrary.File(libgen::kTypeIniName);
  ASSERT_TRUE(platform::WriteProfileString(typeIni, "TarnwellLibs", "ArraySet1", "Chip_A"));
  ASSERT_TRUE(platform::WriteProfileString(typeIni, "Chip_A", "PartNumber", "900123"));
  EXPECT_EQ(mStep.UpdateScanParams(), 1) << ReadWholeFile(mStep.logPath);
  std::vector<std::string> expected;
  for (const char* row : {"Width|24|int", "Height|24|int", "FocusWidth|2|int", "FocusHeight|2|int",
                          "Pixel|3|string", "Resolution|1.25|float"})
    expected.push_back(std::string("Expression|Chip_A|900123|Scan7G|") + row + "|Scan|Scan");
  expected.push_back("Expression|Chip_A|900123|TW|ExpectGhostGrids|TRUE|string|Def|Algorithm");
  for (const char* row : {"Width|12|int", "Height|12|int", "FocusWidth|1|int", "FocusHeight|1|int",
                          "Pixel|3|string", "Resolution|2.5|float"})
    expected.push_back(std::string("Genotyping|Chip_B||Scan7G|") + row + "|Scan|Scan");
  EXPECT_EQ(Parameters(), expected);
  EXPECT_FALSE(std::filesystem::exists(Work(kScanLoadFile)));

  // Chip_C matches no scan type: logged, and the other sets still loaded.
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(log.front(), "Start Updating Scan7G Scan Parameters...");
  EXPECT_NE(
      std::find(log.begin(), log.end(),
                "ERROR: Cannot find the appropriate scan type section from the " + mStep.hpMapPath +
                    " file.  Update Scan7G scan parameters failed for "
                    "Chip_C."),
      log.end());
  EXPECT_EQ(log.back(), "Update Scan7G Scan Parameters for Chip_C into database failed.");
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Update Scan7G Scan Parameters for Chip_B into database successfully."),
            log.end());
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_EQ(report.rfind("\nUpdate Scan7G Scan Parameters:\n------------------------------\n", 0),
            0u)
      << report;
  EXPECT_NE(report.find("Array Type:\t\tChip_A\nNumber of Scan Parameters updated:\t7\n"
                        "Database Activities -\n"),
            std::string::npos);
}

TEST_P(ServerScanUpdateTest, ASetWithoutHpValuesOrADatabaseWithoutSetsLoadsNothing) {
  // A scanner map without Chip_B's scan type fails that set alone.
  libgen::ScannerMap map = libgen::StandardScannerMap("Scan7G");
  map.scanTypes.erase(map.scanTypes.begin());
  const std::string mapPath = libgen::ScannerMapPath(mLibrary, "Scan7G");
  ASSERT_TRUE(libgen::WriteTextFile(mapPath, libgen::ScannerMapText(map)));
  EXPECT_EQ(mStep.UpdateScanParams(), 1);
  EXPECT_EQ(LoggedErrors(),
            (std::vector<std::string>{
                "ERROR: Cannot find the scan type section '50/3' from the " + mapPath +
                    ". Update Scan7G scan parameters failed for Chip_B.",
                "ERROR: Cannot find the appropriate scan type section from the " + mStep.hpMapPath +
                    " file.  Update Scan7G scan parameters failed for Chip_C."}));
  EXPECT_EQ(Parameters().size(), 7u);
  std::filesystem::remove(mStep.logPath);
  Rows("DELETE FROM KORX_ALGORITHM_PARAM");

  Rows("DELETE FROM korx_parameter_values WHERE anno_id <> 20 OR anno_attr_item = 4");
  std::filesystem::remove(libgen::ScannerMapPath(mLibrary, "Scan7G"));
  EXPECT_EQ(mStep.UpdateScanParams(), 2014);
  ASSERT_TRUE(libgen::WriteTextFile(libgen::ScannerMapPath(mLibrary, "Scan7G"),
                                    libgen::ScannerMapText(libgen::StandardScannerMap("Scan7G"))));
  EXPECT_EQ(mStep.UpdateScanParams(), 1);
  EXPECT_TRUE(Parameters().empty());
  const std::vector<std::string> errors = LoggedErrors();
  ASSERT_EQ(errors.size(), 5u);
  EXPECT_EQ(errors[2],
            "ERROR: Cannot find the HP scan parameters Width, Height, FocusWidth and FocusHeight "
            "from QIRO Server.  Update pellium scan parameters failed for Chip_A.");

  std::filesystem::remove(mStep.reportPath);
  Rows("DELETE FROM KORX_PARAMETER_SET");
  EXPECT_EQ(mStep.UpdateScanParams(), 0);
  EXPECT_FALSE(std::filesystem::exists(mStep.reportPath));
}

INSTANTIATE_TEST_SUITE_P(Roads, ServerScanUpdateTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
