// A whole installation through qbhost on both databases, on a generated library with
// every content the steps install: controls, fluidics protocols, gene information and
// sequences reach their tables beside the assays, algorithms, templates and devices, and
// a damaged gene information file ends the run before the sequences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
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
#include "platform/registry.hpp"
#include "scramble/tamsk.h"
#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/parameter_files.hpp"
#include "tools/libgen/registry_file.hpp"
#include "tools/libgen/standard_contents.hpp"
#include "tools/libgen/template_files.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::EnvironmentVariable;
using testing::MakeGeneInfoTables;
using testing::MakeLaboratoryTables;
using testing::NonEmptyLogMessages;
using testing::ReadWholeFile;
using testing::RunProgram;

enum class Road { kSqlServer, kOracle };

constexpr const char* kLabLogin = "LABUSER";
constexpr const char* kGeneLogin = "GENEINFO";
constexpr const char* kPassword = "ti ger";

class InstallEveryContentTest : public ::testing::TestWithParam<Road> {
 protected:
  InstallEveryContentTest() : mPath("PATH", mSandbox.File("tools") + ":/usr/bin:/bin") {}

  bool Oracle() const { return GetParam() == Road::kOracle; }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(testing::RegisterServer(mSandbox, Oracle(), kLabLogin, kPassword,
                                                    mSandbox.File("tools"), kGeneLogin));
    std::string error;
    mLab = MakeLaboratoryTables(mSandbox.Folder(), Oracle(), Oracle() ? kLabLogin : "sa", kPassword,
                                error);
    ASSERT_TRUE(mLab) << error;
    mGene = MakeGeneInfoTables(mSandbox.Folder(), Oracle(), Oracle() ? kGeneLogin : "sa", kPassword,
                               error);
    ASSERT_TRUE(mGene) << error;
    // The process database knows the assays.
    Execute(*mLab,
            "CREATE TABLE korx_assay (assay_name TEXT);"
            "INSERT INTO korx_assay VALUES ('ALL'), ('Expr3'), ('Geno2');");

    // The host's working folder holds no scripts: they are found beside the library.
    std::filesystem::create_directories(mSandbox.File("work"));
    std::filesystem::create_directories(mSandbox.File("lib"));
    std::filesystem::create_directories(Fluidics());
    ASSERT_TRUE(libgen::WriteStandardLibrary(mLibrary, error)) << error;
  }

  static void Execute(DbConnection& db, const std::string& sql) {
    std::string error;
    ASSERT_TRUE(db.Execute(sql, nullptr, &error)) << error;
  }
  static std::string Count(DbConnection& db, const char* table) {
    std::string count;
    std::string error;
    EXPECT_TRUE(db.Execute(
        std::string("SELECT count(*) FROM ") + table,
        [&](const DbRow& row) { count = row[0].value_or(""); }, &error))
        << error;
    return count;
  }

  std::string Install() {
    return RunHost({"InstallLib", mSandbox.File("lib"), Fluidics(), mSandbox.File("source"), "",
                    "Chip_A,Chip_B", Log(), mSandbox.File("report.txt")});
  }
  std::string RunHost(const std::vector<std::string>& call) {
    std::vector<std::string> arguments = {QBHOST_PROGRAM, "--library", QUELLBROOK_LIBRARY_PATH};
    arguments.insert(arguments.end(), call.begin(), call.end());
    return RunProgram(arguments, mSandbox.File("work")).output;
  }
  std::string Log() const { return mSandbox.File("install.log"); }
  std::string Fluidics() const { return mSandbox.File("fluidics"); }

  // The description records the generator's rows give.
  static int DescriptionRecords(unsigned seed) {
    return libgen::RowTruth(libgen::StandardGin(libgen::kStandardGinRows, 40, seed)).descriptions;
  }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::unique_ptr<DbConnection> mLab;
  std::unique_ptr<DbConnection> mGene;
  libgen::LibraryFolder mLibrary{mSandbox.File("source"), libgen::StandardLibrary()};
};

TEST_P(InstallEveryContentTest, EveryContentReachesItsTable) {
  ASSERT_EQ(Install(), "InstallLib 0\n") << ReadWholeFile(Log());
  // Seven control records, two scan parameters of each type and seven analysis parameters
  // of each type.
  const std::string contents = "KORX_ALGORITHM_PARAM=25 KORX_FLUIDICS_PROTOCOL=5 ";
  auto labContents = [&] {
    return "KORX_ALGORITHM_PARAM=" + Count(*mLab, "KORX_ALGORITHM_PARAM") +
           " KORX_FLUIDICS_PROTOCOL=" + Count(*mLab, "KORX_FLUIDICS_PROTOCOL") + " ";
  };
  // Seeds 1 and 3: Chip_A's GIN file, then its SIF file (seed 2), then Chip_B's GIN file.
  const std::string descriptions = std::to_string(DescriptionRecords(1) + DescriptionRecords(3));
  auto geneContents = [&] {
    return Count(*mGene, "KORX_GIN_URL") + " " + Count(*mGene, "KORX_GIN_HEADER") + " " +
           Count(*mGene, "KORX_GIN_DESCRIPTION") + " " + Count(*mGene, "KORX_PROBE_SEQUENCE");
  };
  EXPECT_EQ(labContents(), contents);
  EXPECT_EQ(geneContents(), "4 2 " + descriptions + " 5");
  EXPECT_EQ(Count(*mLab, "KORX_ALGORITHM"), "2");
  for (const char* mac : {"Hyb_Chip_A.MAC", "Wash_Chip_A.MAC"})
    EXPECT_TRUE(std::filesystem::exists(platform::JoinPath(Fluidics(), mac))) << mac;

  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  const auto controls = std::find(log.begin(), log.end(), "Start Installing Controls...");
  ASSERT_NE(controls, log.end()) << ReadWholeFile(Log());
  EXPECT_EQ(std::vector<std::string>(controls, log.end()),
            (std::vector<std::string>{
                "Start Installing Controls...",
                "Install Controls Successfully.",
                "Start Installing Devices...",
                "Install Devices Successfully.",
                "Validate CIF file for Chip_A...",
                "Validate CIF file for Chip_A successfully.",
                "Validate CIF file for Chip_B...",
                "Validate CIF file for Chip_B successfully.",
                "Copying Chip_A Scan Files...",
                "Copying Chip_B Scan Files...",
                "Start Installing Scan Parameters...",
                "Install Scan3000 Scan Parameters for Chip_A...",
                "Install Scan3000 Scan Parameters for Chip_A into database successfully.",
                "Install Scan3000 Scan Parameters for Chip_B...",
                "Install Scan3000 Scan Parameters for Chip_B into database successfully.",
                "Copying Chip_A Fluidics Files...",
                "Start Installing Fluidics Protocols...",
                "Install Wash450 Fluidics Protocols Hyb_Chip_A for Chip_A...",
                "Install Wash450 Fluidics Protocols Hyb_Chip_A for Chip_A Successfully.",
                "Install Wash450 Fluidics Protocols Wash_Chip_A for Chip_A...",
                "Install Wash450 Fluidics Protocols Wash_Chip_A for Chip_A Successfully.",
                "Copying Chip_A Analysis Library Files...",
                "Copying Chip_B Analysis Library Files...",
                "Start Installing Analysis Parameters...",
                "Install Analysis Parameters for Chip_A...",
                "Install Analysis Parameters for Chip_A Successfully.",
                "Install Analysis Parameters for Chip_B...",
                "Install Analysis Parameters for Chip_B Successfully.",
                "Start Installing Gene Information...",
                "Install Gene Information for Chip_A...",
                "Install Gene Information for Chip_A Successfully.",
                "Install Gene Information for Chip_B...",
                "Install Gene Information for Chip_B Successfully.",
                "Start Installing Sequences...",
                "Install Sequences for Chip_A...",
                "Install Sequences for Chip_A Successfully.",
                "No Sequences for Chip_B.",
                "*** Finish QIRO Server Library Installation ***"}));
  const std::string report = ReadWholeFile(mSandbox.File("report.txt"));
  for (const std::string& block :
       {std::string("Number of Controls in the source file:\t5\n"
                    "Number of records uploaded to temporary tables:\t7\n"),
        std::string("Fluidics Station:\t\tWash450\n"),
        "Array Type:\t\tChip_B\nSource GIN File:\t\t" + mLibrary.LibFiles("Chip_B") +
            "/Chip_B.GIN\n",
        std::string("Number of Sequences in the source file:\t5\n"
                    "Number of Sequences uploaded to temporary tables:\t5\n\n")})
    EXPECT_NE(report.find(block), std::string::npos) << block;
  // Every load file was deleted after its load.
  EXPECT_TRUE(std::filesystem::is_empty(mSandbox.File("work")));

  // The installed types and hybridization protocols are registered in the process
  // database, where the catalogue reads them, once however often the library is installed.
  const std::string installed =
      "GetInstalledList 1\narrayTypes=Chip_A,Chip_B\nprotocols=Hyb_Chip_A,Wash_Chip_A\n";
  auto registered = [&] { return RunHost({"GetInstalledList"}); };
  EXPECT_EQ(registered(), installed);

  // A second install replaces what the first installed.
  ASSERT_EQ(Install(), "InstallLib 0\n");
  EXPECT_EQ(labContents(), contents);
  EXPECT_EQ(geneContents(), "4 2 " + descriptions + " 5");
  EXPECT_EQ(registered(), installed);
}

TEST_P(InstallEveryContentTest, ADamagedGinFileEndsTheRunBeforeTheSequences) {
  libgen::GinFile gin = libgen::StandardGin(2, 10, 7);
  gin.urlLines = {"GenBank;http://g.example/;acc;more"};
  const std::string path = mLibrary.LibFiles("Chip_B") + "/Chip_B.GIN";
  ASSERT_TRUE(libgen::WriteTextFile(path, libgen::GinText(gin)));
  EXPECT_EQ(Install(), "InstallLib 2004\n");
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
            (std::vector<std::string>{
                "ERROR: Failed to read the GIN file " + path +
                    ". The URL value 'acc;more' holds the load file's separator ';'.",
                "Install Gene Information for Chip_B Failed.",
                "*** Finish QIRO Server Library Installation ***"}));
  EXPECT_EQ(Count(*mGene, "KORX_GIN_URL"), "2");
  EXPECT_EQ(Count(*mGene, "KORX_PROBE_SEQUENCE"), "0");
  EXPECT_TRUE(std::filesystem::is_empty(mSandbox.File("work")));
}

// A client with its own database (no server flag, the local database service present)
// also writes the registry keys its types list; a refused entry keeps the run from success.
TEST_P(InstallEveryContentTest, ALocalDatabaseClientWritesItsTypesRegistryKeys) {
  if (Oracle()) GTEST_SKIP() << "a client's own database is always SQL Server";
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "FALSE");
  mSandbox.CreateRegistryKey(kBrandiskellKey);
  mSandbox.SetRegistryText(kComponentPathKey, "", mSandbox.File("component"));
  ASSERT_TRUE(libgen::WriteTextFile(mSandbox.File("component/pembservice.exe"), ""));
  const std::string ini = platform::JoinPath(mLibrary.TypeFolder("Chip_A"), "Registry.ini");
  ASSERT_TRUE(libgen::WriteTextFile(
      ini, libgen::RegistryIniText(
               2, {{"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Chip_A", "Paths", "REG_SZ", "a,b"},
                   {"HKEY_NOWHERE", "SOFTWARE\\Lab", "", "", "x"}})));
  EXPECT_EQ(Install(), "InstallLib 3027\n");
  const platform::RegistryStore store =
      platform::ReadRegistryFile(platform::RegistryFilePath()).store;
  EXPECT_EQ(store.String(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\Chip_A", "Paths"), "a,b");
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  EXPECT_EQ(log.front(), "*** Start Client Library Installation ***");
  const auto keys = std::find(log.begin(), log.end(), "Start Installing Registry Keys...");
  ASSERT_NE(keys, log.end()) << ReadWholeFile(Log());
  EXPECT_EQ(*(keys - 1), "Install Analysis Parameters for Chip_B Successfully.");
  EXPECT_EQ(*(keys + 1),
            "ERROR: Cannot insert registry key. Unknown root key HKEY_NOWHERE for RootKey2 in " +
                ini + ".");
  EXPECT_EQ(*(keys + 2), "Start Installing Gene Information...");
  EXPECT_EQ(Count(*mGene, "KORX_PROBE_SEQUENCE"), "5");
}

std::string RoadName(const ::testing::TestParamInfo<Road>& road) {
  return road.param == Road::kSqlServer ? "SqlServer" : "Oracle";
}

INSTANTIATE_TEST_SUITE_P(Roads, InstallEveryContentTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), RoadName);

}  // namespace
}  // namespace quellbrook
