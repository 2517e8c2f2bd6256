// A whole installation through qbhost on both databases, on a generated library with
// every content the steps install: controls, fluidics protocols, gene information and
// sequences reach their tables beside the assays, algorithms, templates and devices, and
// a damaged gene information file ends the run before the sequences.
#include <gtest/gtest.h>
#include <sqlite3.h>

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
#include "tools/libgen/cif_files.hpp"
#include "tools/libgen/gin_file.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/listed_files.hpp"
#include "tools/libgen/parameter_files.hpp"
#include "tools/libgen/registry_file.hpp"
#include "tools/libgen/standard_contents.hpp"
#include "tools/libgen/template_files.hpp"

namespace quellbrook {
namespace {

using testing::MakeGeneInfoTables;
using testing::NonEmptyLogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::RoadName;
using testing::RunProgram;

constexpr const char* kGeneLogin = "GENEINFO";

class InstallEveryContentTest : public testing::InstallRoadTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SetUpServer(kGeneLogin));
    std::string error;
    mGene = MakeGeneInfoTables(mSandbox.Folder(), Oracle(), Oracle() ? kGeneLogin : "sa", kPassword,
                               error);
    ASSERT_TRUE(mGene) << error;
    // The process database knows the assays.
    Execute(*mLab,
            "CREATE TABLE korx_assay (assay_name TEXT);"
            "INSERT INTO korx_assay VALUES ('ALL'), ('Expr3'), ('Geno2');");
    // The host's working folder holds no scripts: they are found beside the library.
    std::filesystem::create_directories(Fluidics());
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
  std::string RunHost(const std::vector<std::string>& call, const char* folder = "work") {
    std::vector<std::string> arguments = {QBHOST_PROGRAM, "--library", QUELLBROOK_LIBRARY_PATH};
    arguments.insert(arguments.end(), call.begin(), call.end());
    return RunProgram(arguments, mSandbox.File(folder)).output;
  }
  std::string Fluidics() const { return mSandbox.File("fluidics"); }

  // The description records the generator's rows give.
  static int DescriptionRecords(unsigned seed) {
    return libgen::RowTruth(libgen::StandardGin(libgen::kStandardGinRows, 40, seed)).descriptions;
  }

  std::unique_ptr<DbConnection> mGene;
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

// A host working in the library folder: the analysis files a type lists are copied there,
// and a library file named like one of our load scripts must not stand in for it.
TEST_P(InstallEveryContentTest, ALibraryFileNamedLikeOurScriptIsNeverRun) {
  const std::string definition =
      platform::JoinPath(mLibrary.TypeFolder("Chip_A"), libgen::kAnalysisIniName);
  std::string ini = ReadWholeFile(definition);
  const std::size_t count = ini.find("NumProtocols=1");
  ASSERT_NE(count, std::string::npos) << ini;
  ini.replace(count, 14, "NumProtocols=2");
  const std::vector<libgen::ListedFile> planted = {
      {"sql_load_gin.sql", "", "CREATE TABLE PLANTED (x int)\r\nGO\r\n"},
      {"ora_load_gin.sql", "", "CREATE TABLE PLANTED (x NUMBER);\r\nEXIT\r\n"},
      {"sql_drop_cif.sql", "", "CREATE TABLE PLANTED (x int)\r\nGO\r\n"},
      {"ora_drop_cif.sql", "", "CREATE TABLE PLANTED (x NUMBER);\r\nEXIT\r\n"}};
  ini += "Protocol2NumFiles=4\r\n";
  for (std::size_t i = 0; i < planted.size(); ++i)
    ini += "Protocol2File" + std::to_string(i + 1) + "=" + planted[i].name + "\r\n";
  ASSERT_TRUE(libgen::WriteTextFile(definition, ini));
  ASSERT_TRUE(libgen::WriteListedFiles(mLibrary, "Chip_A", {planted}));

  const std::vector<std::string> call = {
      "InstallLib", mSandbox.File("lib"), Fluidics(), mSandbox.File("source"),
      "",           "Chip_A,Chip_B",      Log(),      mSandbox.File("report.txt")};
  EXPECT_EQ(RunHost(call, "lib"), "InstallLib 0\n") << ReadWholeFile(Log());
  // The second run finds the first run's copies waiting in its working folder.
  EXPECT_EQ(RunHost(call, "lib"), "InstallLib 0\n") << ReadWholeFile(Log());
  for (const libgen::ListedFile& file : planted)
    EXPECT_EQ(ReadWholeFile(mSandbox.File("lib/" + file.name)), file.content) << file.name;
  // No database of the server holds the planted table.
  int databases = 0;
  for (const auto& entry : std::filesystem::directory_iterator(mSandbox.Folder())) {
    if (entry.path().extension() != ".db") continue;
    ++databases;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(entry.path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    int found = -1;
    sqlite3_exec(
        db, "SELECT count(*) FROM sqlite_master WHERE upper(name) = 'PLANTED'",
        [](void* out, int, char** values, char**) {
          *static_cast<int*>(out) = std::atoi(values[0]);
          return 0;
        },
        &found, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(found, 0) << entry.path();
  }
  EXPECT_GE(databases, 3);
  EXPECT_EQ(Count(*mGene, "KORX_PROBE_SEQUENCE"), "5");
}

// A library that could write the installer's own keys would choose the tools the next install
// runs with the database login: its Registry.ini points the SQL client's path at a folder of
// its own holding an osql and a bcp, and names a login of its choosing.
TEST_P(InstallEveryContentTest, ALibraryCannotRewriteTheInstallersRegistry) {
  if (Oracle()) GTEST_SKIP() << "only a client with its own database writes registry keys";
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "FALSE");
  mSandbox.CreateRegistryKey(kBrandiskellKey);
  mSandbox.SetRegistryText(kComponentPathKey, "", mSandbox.File("component"));
  ASSERT_TRUE(libgen::WriteTextFile(mSandbox.File("component/pembservice.exe"), ""));
  const std::string planted = platform::JoinPath(mLibrary.TypeFolder("Chip_A"), "tools");
  const std::string marker = mSandbox.File("planted-tool-ran");
  for (const char* tool : {"osql", "bcp"}) {
    const std::string path = platform::JoinPath(planted, std::string("binn/") + tool);
    ASSERT_TRUE(libgen::WriteTextFile(path, "#!/bin/sh\necho \"$@\" >> " + marker + "\n"));
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  const std::string ini = platform::JoinPath(mLibrary.TypeFolder("Chip_A"), "Registry.ini");
  const std::string clientSetup(kSqlClientSetupKey);
  const std::string defaultUser(kDbDefaultUserKey);
  ASSERT_TRUE(libgen::WriteTextFile(
      ini, libgen::RegistryIniText(
               3, {{"HKEY_LOCAL_MACHINE", clientSetup, kSqlPathValue, "REG_SZ", planted},
                   {"HKEY_LOCAL_MACHINE", defaultUser, "", "", "planted"},
                   {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Lab\\Chip_A", "Paths", "REG_SZ", "a"}})));
  EXPECT_EQ(Install(), "InstallLib 3027\n");
  EXPECT_EQ(Install(), "InstallLib 3027\n");

  EXPECT_FALSE(std::filesystem::exists(marker)) << ReadWholeFile(marker);
  const platform::RegistryStore store =
      platform::ReadRegistryFile(platform::RegistryFilePath()).store;
  EXPECT_FALSE(store.KeyExists(platform::kHkeyLocalMachine, clientSetup));
  EXPECT_EQ(store.String(platform::kHkeyLocalMachine, defaultUser, ""), "sa");
  EXPECT_EQ(store.String(platform::kHkeyLocalMachine, "SOFTWARE\\Lab\\Chip_A", "Paths"), "a");
  // Each run refuses them again, in red, into the one log.
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  for (const std::string& key :
       {"Key1 HKEY_LOCAL_MACHINE\\" + clientSetup, "Key2 HKEY_LOCAL_MACHINE\\" + defaultUser})
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         "ERROR: Cannot insert registry key. " + key + " in " + ini +
                             " is a key of the installer or the system."),
              2)
        << ReadWholeFile(Log());
}

// A value wider than its column is refused by the load itself, as the servers' loaders
// refuse it: bcp's character mode has no field lengths, and a loader field without a length
// of its own takes at most 255 characters. The step sees fewer rows than records and fails;
// nothing reaches the laboratory's table.
TEST_P(InstallEveryContentTest, AnOverLongValueIsRefusedByTheLoadAndFailsTheStep) {
  // The reader keeps 259 characters of the second identifier.
  ASSERT_TRUE(libgen::WriteTextFile(
      mSandbox.File("source/Algorithm.ini"),
      libgen::AlgorithmIniText(
          {{"Stat", "1", "Expression", "Kand.Stat.1", "Stat.CIF", "1"},
           {"Wide", std::string(100, '6'), "Expression", "P", "W.CIF", "1"},
           {"Long", std::string(300, '7'), "Expression", "P", "L.CIF", "1"}})));
  EXPECT_EQ(Install(), Oracle() ? "InstallLib 3020\n" : "InstallLib 3003\n")
      << ReadWholeFile(Log());
  EXPECT_EQ(Count(*mLab, "KORX_ALGORITHM"), "0");
  const std::vector<std::string> log = NonEmptyLogMessages(Log());
  EXPECT_NE(std::find(log.begin(), log.end(), "Install Algorithms Failed."), log.end())
      << ReadWholeFile(Log());
  if (Oracle()) {
    const std::string loaderLog = ReadWholeFile(mSandbox.File("lib/sqlldr.log"));
    for (const char* line :
         {"Record 2: Rejected - ORA-12899: value too large for column LOAD_ALG.alg_id (maximum: "
          "64)",
          "Record 3: Rejected - Error on table LOAD_ALG, column alg_id. Field in data file "
          "exceeds maximum length",
          "  1 Rows successfully loaded.", "  2 Rows not loaded due to data errors."})
      EXPECT_NE(loaderLog.find(line), std::string::npos) << line << "\n" << loaderLog;
    const std::string rejected = ReadWholeFile(mSandbox.File("lib/badrec.log"));
    EXPECT_EQ(std::count(rejected.begin(), rejected.end(), '\n'), 2) << rejected;
    EXPECT_NE(rejected.find("Wide;" + std::string(100, '6')), std::string::npos) << rejected;
  } else {
    const std::string output = ReadWholeFile(mSandbox.File("lib/sql.log"));
    const std::string truncated =
        "String or binary data would be truncated: column alg_id of table LOAD_ALG holds at "
        "most 64 characters";
    for (const std::string& line : {"Error: record 2: " + truncated,
                                    "Error: record 3: " + truncated, std::string("1 rows copied.")})
      EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, InstallEveryContentTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), RoadName);

}  // namespace
}  // namespace quellbrook
