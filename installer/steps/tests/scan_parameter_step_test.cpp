// The scan parameter step on both roads: each pair of type and serving scanner converted
// into "scan.txt" and loaded, with records typed from the conversion rules; the scan file
// copy, the CIF check, the import, and the folding where an error outranks the warnings
// of later pairs and of types no scanner serves.
#include "installer/steps/scan_parameter_step.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"
#include "tools/libgen/listed_files.hpp"
#include "tools/libgen/parameter_files.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;

std::vector<std::string> ScanRows(const std::string& assay, const std::string& type,
                                  const std::string& scanner) {
  const std::string head = assay + "|" + type + "||" + scanner + "|";
  return {head + "Pixel|3|string|Scan|Scan", head + "Resolution|1.5|string|Scan|Scan"};
}

// The standard library with a second scanner that serves Chip_B only.
libgen::LibrarySpec TwoScanners() {
  libgen::LibrarySpec spec = libgen::StandardLibrary();
  spec.devices.push_back({"Scan7G", "Scanner", "Second scanner", "SC7G", "S7G", {"Chip_B"}});
  return spec;
}

class ScanParamStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    std::string error;
    ASSERT_TRUE(mLibrary.Write(error)) << error;
    ASSERT_TRUE(libgen::WriteStandardParameterFiles(mLibrary, error)) << error;
    Configure(mStep);
    mStep.arrayTypes = {"Chip_A", "Chip_B"};
    mStep.typeFolders = {"ChipA_Files", "ChipB_Files"};
    mStep.scanners = {"Scan3000", "Scan7G"};
  }
  std::vector<std::string> Parameters() {
    return Rows(
        "SELECT assay_type || '|' || array_type || '|' || coalesce(part_number, '') || '|' || "
        "label || '|' || param_name || '|' || coalesce(param_value, '') || '|' || param_type || "
        "'|' || kind || '|' || param_group FROM KORX_ALGORITHM_PARAM ORDER BY rowid");
  }
  std::string Cif(const char* type) const { return libgen::CifPath(mLibrary, type); }
  void WriteCif(const char* type, const std::vector<libgen::IniSection>& sections) {
    ASSERT_TRUE(libgen::WriteTextFile(Cif(type), libgen::IniText(sections)));
  }
  std::vector<std::string> AllRows() {
    std::vector<std::string> rows = ScanRows("Expression", "Chip_A", "Scan3000");
    for (const char* scanner : {"Scan3000", "Scan7G"})
      for (const std::string& row : ScanRows("Genotyping", "Chip_B", scanner)) rows.push_back(row);
    return rows;
  }

  libgen::LibraryFolder mLibrary{mSandbox.File("source"), TwoScanners()};
  ScanParamStep mStep;
};

TEST_P(ScanParamStepTest, InstallsEachServingScannersParametersAndReportsThem) {
  ASSERT_EQ(mStep.RunScanParamStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(), AllRows());
  EXPECT_EQ(
      LogMessages(mStep.logPath),
      (std::vector<std::string>{
          "Start Installing Scan Parameters...", "Install Scan3000 Scan Parameters for Chip_A...",
          "Install Scan3000 Scan Parameters for Chip_A into database successfully.",
          "Install Scan3000 Scan Parameters for Chip_B...",
          "Install Scan3000 Scan Parameters for Chip_B into database successfully.",
          "Install Scan7G Scan Parameters for Chip_B...",
          "Install Scan7G Scan Parameters for Chip_B into database successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_EQ(report.rfind("\nInstall Scan Parameters:\n------------------------\n", 0), 0u);
  EXPECT_NE(report.find("Array Type:\t\tChip_B\nScanner Type:\tScan7G\nSource CIF File:\t\t" +
                        Cif("Chip_B") + "\nSource CIF File Date:\t\t"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Number of Scan7G Scan Parameters in the source file:\t2\n"
                        "Number of Scan7G Scan Parameters uploaded to temporary tables:\t2\n"
                        "Database Activities -\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kScanLoadFile)));
  EXPECT_EQ(mSession.TablesExist({"LOAD_CIF_FILE"}, mSession.workDatabase), 0);

  // Before 3.1 the records have no part number field.
  mSandbox.SetRegistryText(kPembVersionKey, "", "3.0");
  mSession.version = 3.0;
  ASSERT_EQ(mStep.RunScanParamStep(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(), AllRows());
}

TEST_P(ScanParamStepTest, ErrorsOutrankWarningsOfLaterPairsAndUnservedTypes) {
  // Chip_A's CIF lacks its scanner section: its one pair fails. Chip_B's pairs succeed,
  // and a third type no scanner serves warns; the step still gives Chip_A's error.
  std::vector<libgen::IniSection> sections = libgen::StandardCifSections({});
  WriteCif("Chip_A", sections);
  libgen::LibrarySpec spec = TwoScanners();
  spec.types.push_back({"Chip_C", "ChipC_Files", "Expression"});
  ASSERT_TRUE(
      libgen::WriteTextFile(mLibrary.File(libgen::kTypeIniName), libgen::TypeIniText(spec.types)));
  mStep.arrayTypes.push_back("Chip_C");
  mStep.typeFolders.push_back("ChipC_Files");
  EXPECT_EQ(mStep.RunScanParamStep(), 2002);
  std::vector<std::string> log = LogMessages(mStep.logPath);
  ASSERT_EQ(log.size(), 9u);
  EXPECT_EQ(log[2], "ERROR: Scan3000 INI section is missing in " + Cif("Chip_A") + ".");
  EXPECT_EQ(log[3], "Install Scan3000 Scan Parameters for Chip_A into database failed.");
  EXPECT_EQ(log[8],
            "WARNING: No scanner is supported for Chip_C. Please check Device.INI in the install "
            "folder");
  EXPECT_NE(ReadWholeFile(mStep.reportPath)
                .find("No scanner is supported for Chip_C. Please check Device.INI in the install "
                      "folder\n\n"),
            std::string::npos);
  std::vector<std::string> rows = AllRows();
  rows.erase(rows.begin(), rows.begin() + 2);
  EXPECT_EQ(Parameters(), rows);

  // A type without an assay type is an error, after which the unserved type only warns.
  std::filesystem::remove(mStep.logPath);
  spec.types[1].assayType.clear();
  ASSERT_TRUE(
      libgen::WriteTextFile(mLibrary.File(libgen::kTypeIniName), libgen::TypeIniText(spec.types)));
  mStep.arrayTypes = {"Chip_B", "Chip_C"};
  EXPECT_EQ(mStep.RunScanParamStep(), 3019);
  // Alone, the unserved type's warning is the step's result.
  mStep.arrayTypes = {"Chip_C"};
  EXPECT_EQ(mStep.RunScanParamStep(), 4001);
}

TEST_P(ScanParamStepTest, AWarningOfOnePairStaysWithTheLaterPairs) {
  // Chip_B's Scan3000 resolution comes from its declared default, with a warning.
  ASSERT_TRUE(
      libgen::WriteTextFile(libgen::ScannerIniPath(mLibrary, "Chip_B", "Scan3000"),
                            libgen::ScannerIniText("Scan3000", {{"Pixel", "", std::nullopt}},
                                                   {{"Resolution", "", std::string("9")}})));
  std::vector<libgen::IniSection> sections = libgen::StandardCifSections({"Scan3000", "Scan7G"});
  sections[4].keys = {{"Other", "x"}};  // no resolution for Scan3000
  WriteCif("Chip_B", sections);
  mStep.arrayTypes = {"Chip_B"};
  mStep.typeFolders = {"ChipB_Files"};
  EXPECT_EQ(mStep.RunScanParamStep(), 4001);
  const std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(log[3],
            "Install Scan3000 Scan Parameters for Chip_B into database successfully with "
            "warning.");
  EXPECT_EQ(log.back(),
            "Install Scan7G Scan Parameters for Chip_B into database successfully with warning.");
  std::vector<std::string> rows = Parameters();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1], "Genotyping|Chip_B||Scan3000|Resolution|9|string|Scan|Scan");
}

TEST_P(ScanParamStepTest, ALoadThatLosesRowsFailsItsPairAndKeepsTheLoadFile) {
  // Without the loader's format or control file nothing reaches the temporary table.
  std::filesystem::remove(Work(Oracle() ? "ora_cif.ctl" : "bcp_cif.fmt"));
  mStep.arrayTypes = {"Chip_A"};
  EXPECT_EQ(mStep.RunScanParamStep(), Oracle() ? 3020 : 3003);
  // The message runs over several lines: its counts are the lines written and the rows.
  const std::string log = ReadWholeFile(mStep.logPath);
  EXPECT_NE(log.find("ERROR: Failed to populate temporary tables.\nTotal records = 2 and # of "
                     "populated records = 0.\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(Oracle() ? "free tablespaces" : "(tempdb)"), std::string::npos);
  const std::string loadFile = ReadWholeFile(Work(kScanLoadFile));
  EXPECT_EQ(std::count(loadFile.begin(), loadFile.end(), '\n'), 2);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "Install Scan3000 Scan Parameters for Chip_A into database failed.");
  EXPECT_TRUE(Parameters().empty());
  EXPECT_EQ(ReadWholeFile(mStep.reportPath).find("Array Type:"), std::string::npos);
}

TEST_P(ScanParamStepTest, CopiesScanFilesOfServingPairsAndChecksCifs) {
  ASSERT_EQ(mStep.CopyScanFiles(), 0) << ReadWholeFile(mStep.logPath);
  for (const char* name : {"Chip_A_Scan3000.SCN", "Chip_B_Scan3000.SCN", "Chip_B_Scan7G.SCN"})
    EXPECT_TRUE(std::filesystem::exists(platform::JoinPath(mStep.destFolder, name))) << name;
  // Scan7G does not serve Chip_A: no file, no error.
  EXPECT_FALSE(std::filesystem::exists(platform::JoinPath(mStep.destFolder, "Chip_A_Scan7G.SCN")));

  const std::string scannerIni = libgen::ScannerIniPath(mLibrary, "Chip_B", "Scan7G");
  std::filesystem::remove(scannerIni);
  EXPECT_EQ(mStep.CopyScanFiles(), 1001);
  EXPECT_EQ(LoggedErrors().back(),
            "ERROR: Failed to copy the scan files for Chip_B. " + scannerIni + " file not found.");
  std::filesystem::remove(
      platform::JoinPath(libgen::ListedFilesFolder(mLibrary, "Chip_A"), "Chip_A_Scan3000.SCN"));
  EXPECT_EQ(mStep.CopyScanFiles(), 3027);

  // The check: a clean pair, a missing scanner INI, and a scanner name that would climb.
  EXPECT_EQ(
      mStep.ValidateScanCif(Cif("Chip_B"), libgen::ScannerIniPath(mLibrary, "Chip_B", "Scan3000"),
                            "Chip_B", "Scan3000"),
      0);
  EXPECT_EQ(mStep.ValidateScanCif(Cif("Chip_B"), scannerIni, "Chip_B", "Scan7G"), 2002);
  EXPECT_EQ(mStep.ValidateScanCif(Cif("Chip_B"), scannerIni, "Chip_B", "../Scan7G"), 2002);
  EXPECT_EQ(LoggedErrors().back(),
            "ERROR: The scanner name '../Scan7G' would leave the type folder.");
  EXPECT_FALSE(std::filesystem::exists(Work(kScanLoadFile)));
}

TEST_P(ScanParamStepTest, ImportTakesEveryScannerForEveryTypeFromTheClientsFolder) {
  std::vector<libgen::IniSection> sections = libgen::StandardCifSections({"Scan3000"});
  sections.push_back({"TileTypes", {{"Type1", "Tile9"}}});
  ASSERT_TRUE(libgen::WriteTextFile(platform::JoinPath(mStep.destFolder, "Chip_A.CIF"),
                                    libgen::IniText(sections)));
  ASSERT_TRUE(libgen::WriteTextFile(Source("Scan3000.INI"),
                                    libgen::StandardScannerIniText("Chip_A", "Scan3000")));
  mStep.arrayTypes = {"Chip_A"};
  mStep.typeFolders.clear();
  mStep.scanners = {"Scan3000"};
  ASSERT_EQ(mStep.ImportScanParams(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(), ScanRows("Tile9", "Chip_A", "Scan3000"));
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "Import Scan3000 Scan Parameters for Chip_A into database successfully.");
  // Nothing to do: no line at all; no connection: 3004.
  std::filesystem::remove(mStep.logPath);
  mStep.arrayTypes.clear();
  EXPECT_EQ(mStep.RunScanParamStep(), 0);
  EXPECT_FALSE(std::filesystem::exists(mStep.logPath));
  mStep.arrayTypes = {"Chip_A"};
  mStep.session = nullptr;
  EXPECT_EQ(mStep.RunScanParamStep(), 3004);
}

INSTANTIATE_TEST_SUITE_P(Roads, ScanParamStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
