// A whole installation through qbhost, a child process as a host would run it, on a
// library that the generator writes: assays, algorithms, templates, devices and scan and
// analysis parameters reach their tables on both databases, a type whose CIF fails its
// check is left out, and a damaged or missing content file ends the run with its
// error and leaves the later contents uninstalled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "installer/quellbrook/tests/install_sandbox.hpp"
#include "platform/path.hpp"
#include "platform/process.hpp"
#include "scramble/tamsk.h"
#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/parameter_files.hpp"
#include "tools/libgen/template_files.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::EnvironmentVariable;
using testing::NonEmptyLogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::RoadName;

constexpr const char* kOracleLogin = "LABUSER";
constexpr const char* kGeneInfoLogin = "GENEINFO";
constexpr const char* kPassword = "ti ger";

class InstallContentsTest : public ::testing::TestWithParam<Road> {
 protected:
  InstallContentsTest()
      : mPath("PATH", std::string(DBTOOLS_BIN_FOLDER) + ":" +
                          (std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin")) {}

  bool Oracle() const { return GetParam() == Road::kOracle; }

  void SetUp() override {
    mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");
    std::string scrambled = kPassword;
    EncryptText(scrambled.data());
    mSandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
    if (Oracle()) {
      mSandbox.SetRegistryText(kDbPublishTypeKey, "", "ORACLE");
      mSandbox.SetRegistryText(kDbDefaultUserKey, "", kOracleLogin);
      mSandbox.SetRegistryText(kGeneInfoDatabaseNameKey, "", kGeneInfoLogin);
      for (const char* login : {kOracleLogin, kGeneInfoLogin}) {
        ASSERT_TRUE(AddLogin(mSandbox.Folder(), login, kPassword));
        ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), login, login));
      }
    } else {
      const std::filesystem::path binn = mSandbox.File("mssql/binn");
      std::filesystem::create_directories(binn);
      for (const char* tool : {"osql", "bcp"})
        std::filesystem::create_symlink(platform::JoinPath(DBTOOLS_BIN_FOLDER, tool), binn / tool);
      mSandbox.SetRegistryText(kSqlServerSetupKey, kSqlPathValue, mSandbox.File("mssql"));
      mSandbox.SetRegistryText(kDbPublishTypeKey, "", "SQL Server");
      mSandbox.SetRegistryText(kDbDefaultUserKey, "", "sa");
      ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", kPassword));
    }
    std::string error;
    mLabDb = testing::MakeLaboratoryTables(mSandbox.Folder(), Oracle(),
                                           Oracle() ? kOracleLogin : "sa", kPassword, error);
    ASSERT_TRUE(mLabDb) << error;

    mWork = mSandbox.File("work");
    std::filesystem::create_directories(mWork);
    for (const auto& entry : std::filesystem::directory_iterator(STEPS_DATA_FOLDER))
      std::filesystem::copy_file(entry.path(),
                                 platform::JoinPath(mWork, entry.path().filename().string()));
    std::filesystem::create_directories(mSandbox.File("lib"));

    libgen::LibraryFolder library(mSandbox.File("source"), libgen::StandardLibrary());
    ASSERT_TRUE(library.Write(error)) << error;
    ASSERT_TRUE(libgen::WriteStandardParameterFiles(library, error)) << error;
    ASSERT_TRUE(libgen::WriteTextFile(library.File(libgen::kAssayProtocolName),
                                      libgen::AssayProtocolText(libgen::StandardAssaySteps(), 2)));
    ASSERT_TRUE(libgen::WriteTextFile(library.File(libgen::kTemplateFileName),
                                      libgen::TemplateText(libgen::StandardTemplateAttributes())));
    mLibrary = std::make_unique<libgen::LibraryFolder>(library);
  }

  std::vector<std::string> Rows(const std::string& query) {
    std::vector<std::string> rows;
    std::string error;
    EXPECT_TRUE(mLabDb->Execute(
        query, [&](const DbRow& row) { rows.push_back(row[0].value_or("NULL")); }, &error))
        << error;
    return rows;
  }

  // The host's output line for the call.
  std::string Install() {
    const std::vector<std::string> arguments{QBHOST_PROGRAM,
                                             "--library",
                                             QUELLBROOK_LIBRARY_PATH,
                                             "InstallLib",
                                             mSandbox.File("lib"),
                                             mSandbox.File("fluidics"),
                                             mSandbox.File("source"),
                                             "",
                                             "Chip_A,Chip_B",
                                             Log(),
                                             Report()};
    return testing::RunProgram(arguments, mWork).output;
  }
  std::string Log() const { return mSandbox.File("install.log"); }
  std::string Report() const { return mSandbox.File("report.txt"); }
  std::string Source(std::string_view name) const { return mLibrary->File(name); }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::unique_ptr<DbConnection> mLabDb;
  std::unique_ptr<libgen::LibraryFolder> mLibrary;
  std::string mWork;
};

TEST_P(InstallContentsTest, AssaysAlgorithmsTemplatesAndDevicesReachTheirTables) {
  const std::string output = Install();
  ASSERT_EQ(output.rfind("InstallLib ", 0), 0u) << output;

  std::vector<std::string> protocols;
  for (const libgen::AssayProtocolStep& step : libgen::StandardAssaySteps())
    protocols.push_back(step.assay + "|" + step.stepNumber + "|" + step.text);
  EXPECT_EQ(Rows("SELECT assay_name || '|' || step_number || '|' || coalesce(step_text, '') "
                 "FROM KORX_ASSAY_PROTOCOL ORDER BY assay_name, step_number"),
            protocols);
  EXPECT_EQ(Rows("SELECT alg_name || '|' || userset_flag FROM KORX_ALGORITHM ORDER BY 1"),
            (std::vector<std::string>{"Geno|0", "Stat|1"}));
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_MIAME_TEMPLATE"), std::vector<std::string>{"4"});
  EXPECT_EQ(Rows("SELECT device_name || '|' || anno_id || '|' || device_desc || '|' || "
                 "device_prefix FROM KORX_DEVICE ORDER BY 1"),
            (std::vector<std::string>{"Scan3000|SC3000|Array scanner|S3K",
                                      "Wash450|FS450|Fluidics station|F45"}));

  const std::vector<std::string> expected{"*** Start QIRO Server Library Installation ***",
                                          "Start Installing Assays and Assay Protocols...",
                                          "Install Assays and Assay Protocols Successfully.",
                                          "Start Installing Algorithms...",
                                          "Install Algorithms Successfully.",
                                          "Start Installing Templates...",
                                          "Install Templates Successfully."};
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  ASSERT_GT(log.size(), expected.size()) << ReadWholeFile(Log());
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + expected.size()), expected);
  const auto devices = std::find(log.begin(), log.end(), "Start Installing Devices...");
  ASSERT_NE(devices, log.end());
  EXPECT_EQ(*(devices + 1), "Install Devices Successfully.");
  EXPECT_EQ(log.back(), "*** Finish QIRO Server Library Installation ***");

  const std::string report = ReadWholeFile(Report());
  for (const std::string& line :
       {"Source Assay Protocol File:\t" + Source(libgen::kAssayProtocolName) +
            "\nNumber of Assay Protocols in the source file:\t5\n"
            "Number of Assay Protocols uploaded to temporary tables:\t5\n",
        "Source Template File:\t" + Source(libgen::kTemplateFileName) +
            "\nNumber of Template Attributes in the source file:\t4\n",
        "Source Device File:\t" + Source(libgen::kDevicesIniName) +
            "\nNumber of Devices in the source file:\t2\n"
            "Number of Devices uploaded to temporary tables:\t2\n"})
    EXPECT_NE(report.find(line), std::string::npos) << line;
  for (const char* loadFile : {"assay.txt", "Alg.txt", "template.txt", "Dev.txt"})
    EXPECT_FALSE(std::filesystem::exists(platform::JoinPath(mWork, loadFile))) << loadFile;
}

TEST_P(InstallContentsTest, ADamagedOrMissingContentFileEndsTheRunWithItsError) {
  // A step text holding the separator: nothing of the assays, and no later content.
  const std::string assays = Source(libgen::kAssayProtocolName);
  ASSERT_TRUE(libgen::WriteTextFile(assays, "E;H;1;Wash\r\nE;H;2;Stain; scan\r\n"));
  EXPECT_EQ(Install(), "InstallLib 2001\n");
  EXPECT_EQ(
      NonEmptyLogMessages(Log()),
      (std::vector<std::string>{"*** Start QIRO Server Library Installation ***",
                                "Start Installing Assays and Assay Protocols...",
                                "ERROR: Install Assays and Assay Protocols failed. Line 2 of " +
                                    assays + " has 5 fields where 4 are expected.",
                                "*** Finish QIRO Server Library Installation ***"}));
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_ASSAY_PROTOCOL"), std::vector<std::string>{"0"});
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_ALGORITHM"), std::vector<std::string>{"0"});

  // Without its template file the run stops after the algorithms, which stay installed.
  ASSERT_TRUE(libgen::WriteTextFile(assays, "E;H;1;Wash\r\n"));
  std::filesystem::remove(Source(libgen::kTemplateFileName));
  std::filesystem::remove(Log());
  EXPECT_EQ(Install(), "InstallLib 1001\n");
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "ERROR: Install Templates failed. " +
                                     Source(libgen::kTemplateFileName) + " file not found.");
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_ALGORITHM"), std::vector<std::string>{"2"});
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_DEVICE"), std::vector<std::string>{"0"});
}

TEST_P(InstallContentsTest, ADataObjectBefore31TakesNoTemplatesOrDevices) {
  mSandbox.SetRegistryText(kPembVersionKey, "", "3.0");
  const std::string output = Install();
  ASSERT_EQ(output.rfind("InstallLib ", 0), 0u) << output;
  // Algorithms go in the older layout, without their user-set flag.
  EXPECT_EQ(Rows("SELECT alg_name || '|' || coalesce(userset_flag, 'unset') FROM KORX_ALGORITHM "
                 "ORDER BY 1"),
            (std::vector<std::string>{"Geno|unset", "Stat|unset"}));
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_ASSAY_PROTOCOL"), std::vector<std::string>{"5"});
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_MIAME_TEMPLATE"), std::vector<std::string>{"0"});
  EXPECT_EQ(Rows("SELECT count(*) FROM KORX_DEVICE"), std::vector<std::string>{"0"});
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 5),
            (std::vector<std::string>{"*** Start QIRO Server Library Installation ***",
                                      "Start Installing Assays and Assay Protocols...",
                                      "Install Assays and Assay Protocols Successfully.",
                                      "Start Installing Algorithms...",
                                      "Install Algorithms Successfully."}));
  for (const char* absent : {"Start Installing Templates...", "Start Installing Devices..."})
    EXPECT_EQ(std::find(log.begin(), log.end(), absent), log.end()) << absent;
}

// The parameters the standard files give: each type's scan parameters for the scanner
// serving both types, then its analysis parameters.
std::vector<std::string> StandardParameterRows() {
  std::vector<std::string> rows;
  for (const auto& [assay, type] : {std::pair{"Expression", "Chip_A"}, {"Genotyping", "Chip_B"}}) {
    const std::string head = std::string(assay) + "|" + type + "||";
    rows.push_back(head + "Scan3000|Pixel|3|string|Scan|Scan");
    rows.push_back(head + "Scan3000|Resolution|1.5|string|Scan|Scan");
  }
  for (const auto& [assay, type, cif] :
       {std::tuple{"Expression", "Chip_A", "Stat.CIF"}, {"Genotyping", "Chip_B", "Geno.CIF"}}) {
    const std::string head = std::string(assay) + "|" + type + "||";
    const std::string algorithm = head + cif + "|";
    for (const std::string& row :
         {head + "Server|Algorithm Name|Type A|string|Def|Server",
          algorithm + "Spacing|4|int|Def|Algorithm",
          algorithm + "ExpectGhostGrids|FALSE|string|Def|Algorithm",
          algorithm + "Edge|2|int|Def|Algorithm", algorithm + "Scale|0.5|float|Def|Algorithm",
          algorithm + "ProgID||string|Def|Algorithm",
          algorithm + "UsersetUsed||string|Def|Algorithm"})
      rows.push_back(row);
  }
  return rows;
}

constexpr const char* kParameterRowsQuery =
    "SELECT assay_type || '|' || array_type || '|' || coalesce(part_number, '') || '|' || label "
    "|| '|' || param_name || '|' || coalesce(param_value, '') || '|' || param_type || '|' || "
    "kind || '|' || param_group FROM KORX_ALGORITHM_PARAM ORDER BY rowid";

TEST_P(InstallContentsTest, EveryTypesScanAndAnalysisParametersReachTheirTable) {
  const std::string output = Install();
  ASSERT_EQ(output.rfind("InstallLib ", 0), 0u) << output;
  EXPECT_EQ(Rows(kParameterRowsQuery), StandardParameterRows()) << ReadWholeFile(Log());

  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  const auto first = std::find(log.begin(), log.end(), "Validate CIF file for Chip_A...");
  ASSERT_GE(std::distance(first, log.end()), 11);
  EXPECT_EQ(
      std::vector<std::string>(first, first + 11),
      (std::vector<std::string>{
          "Validate CIF file for Chip_A...", "Validate CIF file for Chip_A successfully.",
          "Validate CIF file for Chip_B...", "Validate CIF file for Chip_B successfully.",
          "Copying Chip_A Scan Files...", "Copying Chip_B Scan Files...",
          "Start Installing Scan Parameters...", "Install Scan3000 Scan Parameters for Chip_A...",
          "Install Scan3000 Scan Parameters for Chip_A into database successfully.",
          "Install Scan3000 Scan Parameters for Chip_B...",
          "Install Scan3000 Scan Parameters for Chip_B into database successfully."}));
  // The fluidics step comes between.
  const auto analysis =
      std::find(log.begin(), log.end(), "Copying Chip_A Analysis Library Files...");
  ASSERT_NE(analysis, log.end());
  EXPECT_EQ(
      std::vector<std::string>(analysis, std::min(analysis + 7, log.end())),
      (std::vector<std::string>{
          "Copying Chip_A Analysis Library Files...", "Copying Chip_B Analysis Library Files...",
          "Start Installing Analysis Parameters...", "Install Analysis Parameters for Chip_A...",
          "Install Analysis Parameters for Chip_A Successfully.",
          "Install Analysis Parameters for Chip_B...",
          "Install Analysis Parameters for Chip_B Successfully."}));
  // The listed analysis and scan files reach the library folder.
  for (const char* name :
       {"Chip_A.PSI", "Chip_B.PSI", "Chip_A_Scan3000.SCN", "Chip_B_Scan3000.SCN"})
    EXPECT_TRUE(std::filesystem::exists(platform::JoinPath(mSandbox.File("lib"), name))) << name;
  const std::string report = ReadWholeFile(Report());
  for (const std::string& line :
       {"Array Type:\t\tChip_B\nScanner Type:\tScan3000\nSource CIF File:\t\t" +
            libgen::CifPath(*mLibrary, "Chip_B"),
        std::string("Number of Analysis Parameters in the source file:\t7\n"
                    "Number of Anlaysis Parameters uploaded to temporary tables:\t7\n")})
    EXPECT_NE(report.find(line), std::string::npos) << line;
  for (const char* loadFile : {"scan.txt", "cif.txt"})
    EXPECT_FALSE(std::filesystem::exists(platform::JoinPath(mWork, loadFile))) << loadFile;
}

TEST_P(InstallContentsTest, ATypeWhoseCifFailsItsCheckIsLeftOutOfEveryLaterStep) {
  // Chip_B's CIF lacks the scanner's section: it fails the scan check and nothing of it is
  // installed by the later steps; the run ends with 2011. (No fluidics station and no
  // sequences, whose files this library lacks.)
  libgen::LibrarySpec spec = libgen::StandardLibrary();
  spec.types[0].sequences = false;
  spec.devices.pop_back();
  ASSERT_TRUE(libgen::WriteTextFile(Source(libgen::kTypeIniName), libgen::TypeIniText(spec.types)));
  ASSERT_TRUE(
      libgen::WriteTextFile(Source(libgen::kDevicesIniName), libgen::DevicesIniText(spec.devices)));
  ASSERT_TRUE(libgen::WriteTextFile(libgen::CifPath(*mLibrary, "Chip_B"),
                                    libgen::IniText(libgen::StandardCifSections({}))));
  EXPECT_EQ(Install(), "InstallLib 2011\n") << ReadWholeFile(Log());
  std::vector<std::string> rows = StandardParameterRows();
  std::vector<std::string> chipA;
  std::copy_if(rows.begin(), rows.end(), std::back_inserter(chipA),
               [](const std::string& row) { return row.find("|Chip_A|") != std::string::npos; });
  EXPECT_EQ(Rows(kParameterRowsQuery), chipA);
  std::vector<std::string> log = NonEmptyLogMessages(Log());
  const auto dropped =
      std::find(log.begin(), log.end(),
                "Validate CIF file for Chip_B failed.  Please correct the CIF file " +
                    libgen::CifPath(*mLibrary, "Chip_B") + " and retry.");
  ASSERT_NE(dropped, log.end());
  for (auto line = dropped + 1; line != log.end(); ++line)
    EXPECT_EQ(line->find("Chip_B"), std::string::npos) << *line;
  EXPECT_FALSE(std::filesystem::exists(platform::JoinPath(mSandbox.File("lib"), "Chip_B.PSI")));
  EXPECT_EQ(log.back(), "*** Finish QIRO Server Library Installation ***");

  // With every type failing, the run stops after the check, without its finish banner.
  ASSERT_TRUE(libgen::WriteTextFile(libgen::CifPath(*mLibrary, "Chip_A"), "[Server]\r\n"));
  std::filesystem::remove(Log());
  EXPECT_EQ(Install(), "InstallLib 2009\n");
  log = NonEmptyLogMessages(Log());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(),
            "Validation failed for all selected probe arrays and the library installation will be "
            "abort. Please perform the corrective actions and retry.");
  EXPECT_EQ(std::find(log.begin(), log.end(), "Start Installing Scan Parameters..."), log.end());
}

INSTANTIATE_TEST_SUITE_P(Roads, InstallContentsTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), RoadName);

}  // namespace
}  // namespace quellbrook
