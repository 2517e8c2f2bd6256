// The analysis parameter step on both roads: each type's CIF converted into "cif.txt" and
// loaded, with records typed from the conversion rules; the copy of the analysis library
// files, the CIF check, the import from a client's folder, and the per-type folding where
// an error outranks a warning.
#include "installer/steps/analysis_parameter_step.hpp"

#include <gtest/gtest.h>

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
using testing::WriteWholeFile;

// The records of a type with the standard parameter files, as the database keeps them.
std::vector<std::string> StandardRows(const std::string& assay, const std::string& type,
                                      const std::string& cifName, bool before31 = false) {
  const std::string head = assay + "|" + type + "||";
  std::vector<std::string> rows = {head + "Server|Algorithm Name|Type A|string|Def|Server",
                                   head + cifName + "|Spacing|4|int|Def|Algorithm"};
  if (!before31) rows.push_back(head + cifName + "|ExpectGhostGrids|FALSE|string|Def|Algorithm");
  rows.push_back(head + cifName + "|Edge|2|int|Def|Algorithm");
  rows.push_back(head + cifName + "|Scale|0.5|float|Def|Algorithm");
  if (!before31) {
    rows.push_back(head + cifName + "|ProgID||string|Def|Algorithm");
    rows.push_back(head + cifName + "|UsersetUsed||string|Def|Algorithm");
  }
  return rows;
}

class AnalysisParamStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    std::string error;
    ASSERT_TRUE(mLibrary.Write(error)) << error;
    ASSERT_TRUE(libgen::WriteStandardParameterFiles(mLibrary, error)) << error;
    Configure(mStep);
    mStep.arrayTypes = {"Chip_A", "Chip_B"};
    mStep.typeFolders = {"ChipA_Files", "ChipB_Files"};
  }
  std::vector<std::string> Parameters() {
    return Rows(
        "SELECT assay_type || '|' || array_type || '|' || coalesce(part_number, '') || '|' || "
        "label || '|' || param_name || '|' || coalesce(param_value, '') || '|' || param_type || "
        "'|' || kind || '|' || param_group FROM KORX_ALGORITHM_PARAM ORDER BY array_type, rowid");
  }
  std::string Cif(const char* type) const { return libgen::CifPath(mLibrary, type); }
  // The standard CIF of Chip_A with one section's keys replaced.
  void WriteChipACif(const libgen::IniSection& replaced) {
    std::vector<libgen::IniSection> sections = libgen::StandardCifSections({"Scan3000"});
    for (libgen::IniSection& section : sections)
      if (section.name == replaced.name) section = replaced;
    ASSERT_TRUE(libgen::WriteTextFile(Cif("Chip_A"), libgen::IniText(sections)));
  }
  std::vector<std::string> Both() {
    std::vector<std::string> rows = StandardRows("Expression", "Chip_A", "Stat.CIF");
    for (const std::string& row : StandardRows("Genotyping", "Chip_B", "Geno.CIF"))
      rows.push_back(row);
    return rows;
  }

  libgen::LibraryFolder mLibrary{mSandbox.File("source"), libgen::StandardLibrary()};
  AnalysisParamStep mStep;
};

TEST_P(AnalysisParamStepTest, InstallsEachTypesParametersAndReportsThem) {
  ASSERT_EQ(mStep.InstallAnalysisParams(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(), Both());
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"Start Installing Analysis Parameters...",
                                      "Install Analysis Parameters for Chip_A...",
                                      "Install Analysis Parameters for Chip_A Successfully.",
                                      "Install Analysis Parameters for Chip_B...",
                                      "Install Analysis Parameters for Chip_B Successfully."}));
  const std::string report = ReadWholeFile(mStep.reportPath);
  EXPECT_EQ(report.rfind("\nInstall Analysis Parameters:\n----------------------------\n", 0), 0u)
      << report;
  EXPECT_NE(report.find("Array Type:\t\tChip_B\nSource CIF File:\t\t" + Cif("Chip_B") +
                        "\nSource CIF File Date:\t\t"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Number of Analysis Parameters in the source file:\t7\n"
                        "Number of Anlaysis Parameters uploaded to temporary tables:\t7\n"
                        "Database Activities -\n"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kAnalysisLoadFile)));
  EXPECT_EQ(mSession.TablesExist({"LOAD_CIF_FILE"}, mSession.workDatabase), 0);
  // A second run replaces the rows rather than adding to them.
  ASSERT_EQ(mStep.InstallAnalysisParams(), 0);
  EXPECT_EQ(Parameters(), Both());
}

TEST_P(AnalysisParamStepTest, ADatabaseBefore31TakesEightFieldRecords) {
  mSandbox.SetRegistryText(kPembVersionKey, "", "3.0");
  mSession.version = 3.0;
  mStep.arrayTypes = {"Chip_A"};
  ASSERT_EQ(mStep.InstallAnalysisParams(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(), StandardRows("Expression", "Chip_A", "Stat.CIF", true));
}

TEST_P(AnalysisParamStepTest, AnErrorOutranksAnEarlierTypesWarning) {
  // Chip_A lacks its scale: the declared default stands in, with a warning, which stays
  // with the step, so the clean Chip_B closes with a warning too.
  WriteChipACif({"Chip", {{"Pixel", "3"}}});
  EXPECT_EQ(mStep.InstallAnalysisParams(), 4001);
  std::vector<std::string> log = LogMessages(mStep.logPath);
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(
      log[2].rfind("WARNING: Scale is missing in the section Chip inside " + Cif("Chip_A"), 0), 0u)
      << log[2];
  EXPECT_EQ(log[3], "Install Analysis Parameters for Chip_A Successfully with Warning.");
  EXPECT_EQ(log[5], "Install Analysis Parameters for Chip_B Successfully with Warning.");
  std::vector<std::string> rows = Parameters();
  ASSERT_EQ(rows.size(), 14u);
  EXPECT_EQ(rows[4], "Expression|Chip_A||Stat.CIF|Scale|1.0|float|Def|Algorithm");

  // Chip_B has no assay type: its error is the step's, not the warning before it.
  std::filesystem::remove(mStep.logPath);
  libgen::LibrarySpec spec = libgen::StandardLibrary();
  spec.types[1].assayType.clear();
  ASSERT_TRUE(
      libgen::WriteTextFile(mLibrary.File(libgen::kTypeIniName), libgen::TypeIniText(spec.types)));
  EXPECT_EQ(mStep.InstallAnalysisParams(), 3019);
  log = LogMessages(mStep.logPath);
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[4], "ERROR: Cannot lookup the assay type from " +
                        mLibrary.File(libgen::kTypeIniName) +
                        ". Please make sure that the file exists.");
  EXPECT_EQ(log[5], "Install Analysis Parameters for Chip_B Failed.");
}

TEST_P(AnalysisParamStepTest, AFailingTypeLeavesNothingHalfLoadedAndTheNextGoesOn) {
  // A missing Grid section fails Chip_A's conversion; a value holding the separator fails
  // Chip_B's. Neither leaves rows, a load file or temporary tables.
  WriteChipACif({"Grid", {}});
  std::vector<libgen::IniSection> sections = libgen::StandardCifSections({"Scan3000"});
  sections[2].keys[0].second = "2; x";
  ASSERT_TRUE(libgen::WriteTextFile(Cif("Chip_B"), libgen::IniText(sections)));
  EXPECT_EQ(mStep.InstallAnalysisParams(), 2002);
  EXPECT_TRUE(Parameters().empty());
  std::vector<std::string> log = LogMessages(mStep.logPath);
  EXPECT_EQ(log[2], "ERROR: Grid INI section is missing in " + Cif("Chip_A") + ".");
  EXPECT_EQ(log[3], "Install Analysis Parameters for Chip_A Failed.");
  EXPECT_EQ(log.back(), "Install Analysis Parameters for Chip_B Failed.");
  EXPECT_FALSE(std::filesystem::exists(Work(kAnalysisLoadFile)));
  EXPECT_EQ(mSession.TablesExist({"LOAD_CIF_FILE"}, mSession.workDatabase), 0);

  // Chip_A mended, Chip_B still refused: Chip_A alone is installed.
  std::filesystem::remove(Cif("Chip_A"));
  std::string error;
  ASSERT_TRUE(libgen::WriteStandardParameterFiles(
      libgen::LibraryFolder(mSandbox.File("source"), {{libgen::StandardLibrary().types[0]},
                                                      libgen::StandardLibrary().devices,
                                                      libgen::StandardLibrary().algorithms}),
      error));
  EXPECT_EQ(mStep.InstallAnalysisParams(), 2002);
  EXPECT_EQ(Parameters(), StandardRows("Expression", "Chip_A", "Stat.CIF"));

  // Nothing to do: no window, no line, no script. Without a connection: 3004.
  std::filesystem::remove(mStep.logPath);
  mStep.arrayTypes.clear();
  EXPECT_EQ(mStep.InstallAnalysisParams(), 0);
  EXPECT_FALSE(std::filesystem::exists(mStep.logPath));
  mStep.arrayTypes = {"Chip_A"};
  mStep.session = nullptr;
  EXPECT_EQ(mStep.InstallAnalysisParams(), 3004);
}

TEST_P(AnalysisParamStepTest, CopiesTheListedFilesFromTheTypesOwnFolderAndChecksCifs) {
  const std::string copied = platform::JoinPath(mStep.destFolder, "Chip_A.PSI");
  ASSERT_EQ(mStep.CopyAnalysisLibraryFiles(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(ReadWholeFile(copied), "probe sets of Chip_A\r\n");
  EXPECT_TRUE(std::filesystem::exists(platform::JoinPath(mStep.destFolder, "Chip_B.PSI")));

  // A missing definition is the type's own error; the other type is still copied.
  std::filesystem::remove(copied);
  std::filesystem::remove(platform::JoinPath(mLibrary.TypeFolder("Chip_B"), "Analysis.ini"));
  EXPECT_EQ(mStep.CopyAnalysisLibraryFiles(), 1001);
  EXPECT_TRUE(std::filesystem::exists(copied));
  EXPECT_EQ(LoggedErrors().back(),
            "ERROR: Failed to copy the analysis library files for Chip_B. " +
                platform::JoinPath(mLibrary.TypeFolder("Chip_B"), "Analysis.ini") +
                " file not found.");
  // A listed file that can't be copied is a failed copy.
  std::filesystem::remove(
      platform::JoinPath(libgen::ListedFilesFolder(mLibrary, "Chip_A"), "Chip_A.PSI"));
  mStep.arrayTypes = {"Chip_A"};
  EXPECT_EQ(mStep.CopyAnalysisLibraryFiles(), 3027);

  // The check converts without writing: a CIF without its Grid section fails unless
  // grids are lenient.
  const std::string definition = platform::JoinPath(mLibrary.TypeFolder("Chip_A"), "Analysis.ini");
  EXPECT_EQ(mStep.ValidateAnalysisCif(Cif("Chip_A"), definition, "Chip_A", 0, 0, 0, 0), 0);
  WriteChipACif({"Grid", {}});
  EXPECT_EQ(mStep.ValidateAnalysisCif(Cif("Chip_A"), definition, "Chip_A", 0, 0, 0, 0), 2002);
  EXPECT_EQ(mStep.ValidateAnalysisCif(Cif("Chip_A"), definition, "Chip_A", 1, 0, 0, 0), 0);
  EXPECT_FALSE(std::filesystem::exists(Work(kAnalysisLoadFile)));
}

TEST_P(AnalysisParamStepTest, ImportTakesTheClientsCifAndItsTileTypesDefinition) {
  // The client's folder holds the CIF, naming its tile type; the definition is named
  // after the tile type, which is also the assay type of the records.
  std::vector<libgen::IniSection> sections = libgen::StandardCifSections({});
  sections.push_back({"TileTypes", {{"Type1", "Tile9"}}});
  ASSERT_TRUE(libgen::WriteTextFile(platform::JoinPath(mStep.destFolder, "Chip_A.CIF"),
                                    libgen::IniText(sections)));
  std::filesystem::copy_file(platform::JoinPath(mLibrary.TypeFolder("Chip_A"), "Analysis.ini"),
                             Source("Tile9.INI"));
  mStep.arrayTypes = {"Chip_A"};
  mStep.typeFolders.clear();
  ASSERT_EQ(mStep.ImportAnalysisParams(), 0) << ReadWholeFile(mStep.logPath);
  EXPECT_EQ(Parameters(), StandardRows("Tile9", "Chip_A", "Stat.CIF"));
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "Import Analysis Parameters for Chip_A Successfully.");
  // A tile type that would climb out of the source folder is refused.
  sections.back().keys[0].second = "../Tile9";
  ASSERT_TRUE(libgen::WriteTextFile(platform::JoinPath(mStep.destFolder, "Chip_A.CIF"),
                                    libgen::IniText(sections)));
  EXPECT_EQ(mStep.ImportAnalysisParams(), 2002);
  EXPECT_EQ(LoggedErrors().back(), "ERROR: The tile type '../Tile9' of " +
                                       platform::JoinPath(mStep.destFolder, "Chip_A.CIF") +
                                       " would leave the source folder.");
  EXPECT_NE(ReadWholeFile(mStep.reportPath)
                .find("Import Analysis Parameters:\n---------------------------\n"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Roads, AnalysisParamStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
