// Library updates through qbhost: old data objects and plain clients are refused; a server
// updates its database content on both databases and goes on whatever the derivation of
// further scanners' scan parameters answers; a client with its own database imports the
// chosen types and protocols, and tells a failed scanner map from a type that can't be
// updated.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "installer/quellbrook/tests/install_sandbox.hpp"
#include "installer/quellbrook/update_driver.hpp"
#include "platform/path.hpp"
#include "scramble/tamsk.h"
#include "tools/libgen/cif_files.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/parameter_files.hpp"
#include "tools/libgen/scanner_map_files.hpp"
#include "tools/libgen/standard_contents.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::NonEmptyLogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::RoadName;
using testing::RunProgram;

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of the log from the first that starts with `from`.
std::vector<std::string> LogFrom(const std::vector<std::string>& log, const std::string& from) {
  const auto start = std::find_if(log.begin(), log.end(), [&](const std::string& line) {
    return line.compare(0, from.size(), from) == 0;
  });
  return {start, log.end()};
}

class UpdateTest : public testing::InstallRoadTest {
 protected:
  void SetUp() override { SetUpServer(); }

  void Execute(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(mLab->Execute(sql, nullptr, &error)) << error;
  }
  // Each row's cells joined by '|'.
  std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> rows;
    std::string error;
    EXPECT_TRUE(mLab->Execute(
        sql,
        [&](const DbRow& row) {
          std::string line;
          for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + row[i].value_or("");
          rows.push_back(line);
        },
        &error))
        << error;
    return rows;
  }

  std::string Update(const std::string& types, const std::string& protocols) {
    return RunProgram({QBHOST_PROGRAM, "--library", QUELLBROOK_LIBRARY_PATH, "UpdateLib",
                       mSandbox.File("lib"), Fluidics(), mSandbox.File("source"), "", types,
                       protocols, Log(), mSandbox.File("report.txt")},
                      mSandbox.File("work"))
        .output;
  }
  // The fluidics protocol folder an import reads: the MAC files of Chip_A's station.
  std::string Fluidics() const { return mLibrary.LibFiles("Chip_A"); }
};

TEST_P(UpdateTest, OldDataObjectsAndPlainClientsAreRefusedBeforeAnyBanner) {
  mSandbox.SetRegistryText(kPembVersionKey, "", "3.0");
  EXPECT_EQ(Update("Chip_A", ""), "UpdateLib 1008\n");
  mSandbox.SetRegistryText(kPembVersionKey, "", "3.01");
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "FALSE");
  EXPECT_EQ(Update("Chip_A", ""), "UpdateLib 1009\n");
  EXPECT_EQ(NonEmptyLogMessages(Log()),
            (std::vector<std::string>{
                "ERROR: Cannot update QIRO Server version 3.0 or earlier.",
                "ERROR: Cannot update library.  Please verify that QIRO 1.0 is installed on the "
                "local client workstation."}));
}

// The server derives further scanners' scan parameters from the database's HP sets
// through the library's map files. Whatever the derivation answers, and however it fails,
// the update goes on; devices of other types neither stop it nor reach the derivation.
TEST_P(UpdateTest, AServerUpdatesWhateverTheScanDerivationAnswers) {
  libgen::LibrarySpec spec = libgen::StandardLibrary();
  spec.devices.push_back({"Oven1", "Oven", "Hybridization oven", "OV1", "OV", {}});
  ASSERT_TRUE(
      libgen::WriteTextFile(mLibrary.File("Devices.ini"), libgen::DevicesIniText(spec.devices)));
  // Chip_A's HP set holds the values of the map's scan type "100/9".
  Execute(
      "CREATE TABLE korx_assay (assay_id TEXT, assay_name TEXT);"
      "CREATE TABLE korx_annotation_attribute_def (anno_id TEXT, anno_attr_item INTEGER, term "
      "TEXT, attr_data_type TEXT);"
      "CREATE TABLE korx_parameter_values (anno_id TEXT, anno_attr_item INTEGER, param_value "
      "TEXT);"
      "INSERT INTO korx_assay VALUES ('A1', 'Expression');"
      "INSERT INTO korx_probe_array (probe_array_name, assay_id, deleted_flag) VALUES "
      "('Chip_A', 'A1', 0);"
      "INSERT INTO korx_parameter_set VALUES ('Scan_HP_Chip_A', 'Scan', 'Chip_A', 'N1');"
      "INSERT INTO korx_annotation_attribute_def VALUES ('N1', 1, 'Width', 'int'), ('N1', 2, "
      "'Height', 'int'), ('N1', 3, 'FocusWidth', 'int'), ('N1', 4, 'FocusHeight', 'int'), "
      "('N1', 5, 'Resolution', 'float');"
      "INSERT INTO korx_parameter_values VALUES ('N1', 1, '640'), ('N1', 2, '20'), ('N1', 3, "
      "'2'), ('N1', 4, '2'), ('N1', 5, '1.0');");
  auto derivation = [&] { return LogFrom(NonEmptyLogMessages(Log()), "Start Updating Scan3000"); };
  const std::vector<std::string> end = {"Start Updating Analysis Parameters...",
                                        "Update Analysis Parameters Successfully.",
                                        "*** Finish QIRO Server Library Update ***"};
  auto then = [&](std::vector<std::string> lines) {
    lines.insert(lines.end(), end.begin(), end.end());
    return lines;
  };

  // A width no scan type has: the set fails and the derivation answers 1.
  EXPECT_EQ(Update("", ""), "UpdateLib 0\n") << ReadWholeFile(Log());
  const std::string hpMap = libgen::HpMapPath(mLibrary);
  EXPECT_EQ(derivation(),
            then({"Start Updating Scan3000 Scan Parameters...",
                  "ERROR: Cannot find the appropriate scan type section from the " + hpMap +
                      " file.  Update Scan3000 scan parameters failed for Chip_A.",
                  "Update Scan3000 Scan Parameters for Chip_A into database failed."}));
  const std::vector<std::string> first = NonEmptyLogMessages(Log());
  EXPECT_EQ(std::vector<std::string>(first.begin(), first.begin() + 3),
            (std::vector<std::string>{"*** Start QIRO Server Library Update ***",
                                      "Start Update TREL3 metadata...",
                                      "Start Installing Assays and Assay Protocols..."}));
  EXPECT_TRUE(Contains(first, "Install Devices Successfully.")) << ReadWholeFile(Log());
  EXPECT_EQ(Rows("SELECT device_name FROM KORX_DEVICE ORDER BY device_name"),
            (std::vector<std::string>{"Oven1", "Scan3000", "Wash450"}));

  // Without the scanner's map the derivation answers 2014; the update still goes on.
  const std::string scannerMap = libgen::ScannerMapPath(mLibrary, "Scan3000");
  const std::string mapText = ReadWholeFile(scannerMap);
  std::filesystem::remove(scannerMap);
  std::filesystem::remove(Log());
  EXPECT_EQ(Update("", ""), "UpdateLib 0\n") << ReadWholeFile(Log());
  EXPECT_EQ(derivation(),
            then({"Start Updating Scan3000 Scan Parameters...",
                  "ERROR: " + scannerMap + " file not found.",
                  "ERROR: Cannot find scanner parameter map files for Scan3000. Update Scan3000 "
                  "scan parameters failed."}));

  // The map back and the width right: the map's values replace the database's.
  ASSERT_TRUE(libgen::WriteTextFile(scannerMap, mapText));
  Execute("UPDATE korx_parameter_values SET param_value = '20' WHERE anno_attr_item = 1;");
  std::filesystem::remove(Log());
  EXPECT_EQ(Update("", ""), "UpdateLib 0\n") << ReadWholeFile(Log());
  EXPECT_EQ(derivation(),
            then({"Start Updating Scan3000 Scan Parameters...",
                  "Update Scan3000 Scan Parameters for Chip_A into database successfully."}));
  EXPECT_EQ(Rows("SELECT assay_type, array_type, label, param_name, param_value, kind FROM "
                 "KORX_ALGORITHM_PARAM WHERE array_type = 'Chip_A' ORDER BY label, param_name"),
            (std::vector<std::string>{"Expression|Chip_A|Scan3000|FocusHeight|2|Scan",
                                      "Expression|Chip_A|Scan3000|FocusWidth|2|Scan",
                                      "Expression|Chip_A|Scan3000|Height|24|Scan",
                                      "Expression|Chip_A|Scan3000|Resolution|1.25|Scan",
                                      "Expression|Chip_A|Scan3000|Width|24|Scan",
                                      "Expression|Chip_A|TW|ExpectGhostGrids|TRUE|Def"}));
}

// A client with its own database (SQL Server): the scanner's map goes into each chosen
// type's CIF, the types are checked, and what passes is imported with the chosen protocols.
TEST_P(UpdateTest, AClientImportsItsChosenTypesAndProtocols) {
  if (Oracle()) GTEST_SKIP() << "a client's own database is always SQL Server";
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "FALSE");
  mSandbox.CreateRegistryKey(kBrandiskellKey);
  mSandbox.SetRegistryText(kComponentPathKey, "", mSandbox.File("component"));
  ASSERT_TRUE(libgen::WriteTextFile(mSandbox.File("component/pembservice.exe"), ""));
  mSandbox.SetRegistryText(kLocalLibraryPathKey, "", mSandbox.File("local"));
  mSandbox.SetRegistryText(kDefaultPreferencesKey, kScriptDirValue, mSandbox.File("scripts"));
  for (const char* folder : {"local", "scripts"})
    std::filesystem::create_directories(mSandbox.File(folder));
  auto writeCif = [&](const std::string& type, const std::string& tileType) {
    std::vector<libgen::IniSection> sections = libgen::StandardCifSections({});
    sections.push_back(libgen::HpSection(libgen::StandardScanTypes()[1]));
    sections.push_back({"TileTypes", {{"Type1", tileType}}});
    ASSERT_TRUE(libgen::WriteTextFile(platform::JoinPath(mSandbox.File("lib"), type + ".CIF"),
                                      libgen::IniText(sections)));
  };
  writeCif("Chip_A", "Expression");
  writeCif("Chip_B", "Mapping");
  ASSERT_TRUE(libgen::WriteTextFile(mLibrary.File("Scan3000.INI"),
                                    libgen::StandardScannerIniText("Chip_A", "Scan3000")));
  std::filesystem::copy_file(platform::JoinPath(mLibrary.TypeFolder("Chip_A"), "Analysis.ini"),
                             mLibrary.File("Expression.INI"));

  EXPECT_EQ(Update("Chip_A,Chip_B", "Hyb_Chip_A,Wash_Chip_A"), "UpdateLib 2011\n")
      << ReadWholeFile(Log());
  const std::string chipB = platform::JoinPath(mSandbox.File("lib"), "Chip_B.CIF");
  EXPECT_EQ(
      LogFrom(NonEmptyLogMessages(Log()), "Validate CIF file for Chip_B..."),
      (std::vector<std::string>{
          "Validate CIF file for Chip_B...",
          "Only Expression, Universal and Resequencing tile types can be updated.  Mapping "
          "is not supported.",
          "Validate CIF file for Chip_B failed.  Please correct the CIF file " + chipB +
              " and retry.",
          "Start Importing Scan Parameters...", "Import Scan3000 Scan Parameters for Chip_A...",
          "Import Scan3000 Scan Parameters for Chip_A into database successfully.",
          "Start Importing Fluidics Protocols...", "Import Fluidics Protocols Hyb_Chip_A...",
          "Import Fluidics Protocols Hyb_Chip_A Successfully.",
          "Import Fluidics Protocols Wash_Chip_A...",
          "Import Fluidics Protocols Wash_Chip_A Successfully.",
          "Start Importing Analysis Parameters...", "Import Analysis Parameters for Chip_A...",
          "Import Analysis Parameters for Chip_A Successfully.",
          "*** Finish Library Files Import ***"}));
  // The map's value went into the CIF and from there into the database.
  EXPECT_EQ(Rows("SELECT assay_type, array_type, label, param_name, param_value FROM "
                 "KORX_ALGORITHM_PARAM WHERE kind = 'Scan' ORDER BY param_name"),
            (std::vector<std::string>{"Expression|Chip_A|Scan3000|Pixel|3",
                                      "Expression|Chip_A|Scan3000|Resolution|1.25"}));
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_FLUIDICS_PROTOCOL"), std::vector<std::string>{"5"});
  EXPECT_TRUE(std::filesystem::exists(mSandbox.File("local/Chip_A.CIF")));
  EXPECT_FALSE(std::filesystem::exists(mSandbox.File("local/Chip_B.CIF")));
  EXPECT_TRUE(std::filesystem::exists(mSandbox.File("scripts/Wash_Chip_A.MAC")));

  // A scanner without its map outranks the type that can't be updated.
  std::filesystem::remove(libgen::ScannerMapPath(mLibrary, "Scan3000"));
  EXPECT_EQ(Update("Chip_A,Chip_B", ""), "UpdateLib 2010\n") << ReadWholeFile(Log());

  // No types, two protocols: the catalogue and the protocols, and no type is checked.
  std::filesystem::remove(Log());
  EXPECT_EQ(Update("", "Hyb_Chip_A,Wash_Chip_A"), "UpdateLib 0\n") << ReadWholeFile(Log());
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  EXPECT_EQ(log.front(), "*** Start Library Files Import ***");
  EXPECT_TRUE(Contains(log, "Install Assays and Assay Protocols Successfully."))
      << ReadWholeFile(Log());
  EXPECT_TRUE(Contains(log, "Import Fluidics Protocols Wash_Chip_A Successfully."));
  EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& line) {
    return line.find("Validate CIF") != std::string::npos ||
           line.find("Scan Parameters") != std::string::npos;
  })) << ReadWholeFile(Log());
  EXPECT_EQ(log.back(), "*** Finish Library Files Import ***");
}

// Each road checks its own slots: the import needs the protocol folder only for protocols,
// the server never; with nothing chosen the import ends after its banner.
TEST(UpdateRoads, EachRoadChecksItsOwnSlots) {
  DatabaseSandbox sandbox;
  InstallParameters parameters;
  parameters.libraryFolder = sandbox.File("lib");
  parameters.sourceFolder = sandbox.File("source");
  parameters.installLog = sandbox.File("install.log");
  parameters.reportFile = sandbox.File("report.txt");
  parameters.protocols = "Hyb_Chip_A";
  EXPECT_EQ(ImportLibraryFiles(parameters), 1007);
  EXPECT_EQ(parameters.errorText, "Invalid DLL command parameters.\n");
  // No SQL tools on this machine: the server road stops there, after its banner.
  EXPECT_EQ(UpdateServerLibrary(parameters), 3017);
  parameters.protocols.clear();
  EXPECT_EQ(ImportLibraryFiles(parameters), 0);
  const std::vector<std::string> log = NonEmptyLogMessages(parameters.installLog);
  ASSERT_GE(log.size(), 4u) << ReadWholeFile(parameters.installLog);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 2),
            (std::vector<std::string>{"ERROR: Invalid DLL command parameters.",
                                      "*** Start QIRO Server Library Update ***"}));
  EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
            (std::vector<std::string>{"*** Finish QIRO Server Library Update ***",
                                      "*** Start Library Files Import ***"}));
}

INSTANTIATE_TEST_SUITE_P(Roads, UpdateTest, ::testing::Values(Road::kSqlServer, Road::kOracle),
                         RoadName);

}  // namespace
}  // namespace quellbrook
