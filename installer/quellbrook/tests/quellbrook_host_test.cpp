// libQuellbrook as a host sees it: its exported names and needed libraries, and its
// exports called through qbhost, a child process that loads it with dlopen.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
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
#include "platform/tests/file_size_limit.hpp"
#include "platform/tests/temp_folder.hpp"
#include "scramble/tamsk.h"
#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/library_folder.hpp"
#include "tools/libgen/parameter_files.hpp"
#include "tools/libgen/standard_contents.hpp"
#include "tools/libgen/template_files.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;
using testing::EnvironmentVariable;
using testing::HostRun;
using testing::ReadWholeFile;
using testing::RunProgram;

HostRun RunHost(std::vector<std::string> arguments, const std::string& workingFolder = "") {
  arguments.insert(arguments.begin(), QBHOST_PROGRAM);
  return RunProgram(arguments, workingFolder);
}

std::vector<std::string> CommandLines(const std::string& command) {
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return lines;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) lines.emplace_back(line);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return lines;
}

using testing::LogMessages;

// The library resolves libTamsk only beside itself, as a host's own folder would serve it.
class WithoutLibraryPath {
 public:
  WithoutLibraryPath() {
    if (const char* path = std::getenv("LD_LIBRARY_PATH")) mPrevious = path;
    ::unsetenv("LD_LIBRARY_PATH");
  }
  ~WithoutLibraryPath() {
    if (mPrevious) ::setenv("LD_LIBRARY_PATH", mPrevious->c_str(), 1);
  }

 private:
  std::optional<std::string> mPrevious;
};

TEST(QuellbrookLibrary, ExportsExactlyTheSixCallsAndNeedsTamsk) {
  std::set<std::string> names;
  for (const std::string& line :
       CommandLines(std::string("'") + QUELLBROOK_NM_PROGRAM + "' -D --defined-only '" +
                    QUELLBROOK_LIBRARY_PATH + "'")) {
    std::istringstream fields(line);
    std::string field, name;
    while (fields >> field) name = field;
    if (!name.empty()) names.insert(name);
  }
  EXPECT_EQ(names,
            (std::set<std::string>{"CreateAuditReport", "CreateUpdateReport", "GetInstalledList",
                                   "InstallLib", "SetParentWindowName", "UpdateLib"}));

  bool needsTamsk = false;
  for (const std::string& line : CommandLines(std::string("'") + QUELLBROOK_READELF_PROGRAM +
                                              "' -d '" + QUELLBROOK_LIBRARY_PATH + "'"))
    if (line.find("(NEEDED)") != std::string::npos &&
        line.find("[libTamsk.so]") != std::string::npos)
      needsTamsk = true;
  EXPECT_TRUE(needsTamsk);
}

TEST(QuellbrookLibrary, LoadingFailsWhereTamskIsMissing) {
  WithoutLibraryPath noPath;
  platform::testing::TempFolder folder;
  const std::filesystem::path copy = folder.Path() / "libQuellbrook.so";
  std::filesystem::copy_file(QUELLBROOK_LIBRARY_PATH, copy);

  HostRun run = RunHost({"--library", copy.string(), "SetParentWindowName", "x"});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.output.find("libTamsk.so"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("SetParentWindowName 1"), std::string::npos);

  std::filesystem::copy_file(TAMSK_LIBRARY_PATH, folder.Path() / "libTamsk.so");
  run = RunHost({"--library", copy.string(), "SetParentWindowName", "x"});
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "SetParentWindowName 1\n");
}

TEST(QuellbrookLibrary, ABadCommandLineCallsNothing) {
  platform::testing::TempFolder folder;
  const std::string report = folder.File("report.txt");
  HostRun run = RunHost({"--library", QUELLBROOK_LIBRARY_PATH, "CreateAuditReport", report, "o",
                         "s", "b", "InstallLib", "only", "two"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(report));
  EXPECT_EQ(RunHost({"--library", QUELLBROOK_LIBRARY_PATH, "Nonsense"}).exitCode, 2);
}

class HostSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
    std::string error;
    mDatabase = testing::MakeLaboratoryTables(mSandbox.Folder(), false, "sa", "", error);
    ASSERT_TRUE(mDatabase) << error;
  }

  void Execute(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(mDatabase->Execute(sql, nullptr, &error)) << error;
  }

  std::string Run(std::vector<std::string> calls) {
    calls.insert(calls.begin(), {"--library", QUELLBROOK_LIBRARY_PATH});
    const HostRun run = RunHost(calls);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return run.output;
  }

  DatabaseSandbox mSandbox;
  std::unique_ptr<DbConnection> mDatabase;
};

TEST_F(HostSessionTest, TheHostsCallsInTheirOrder) {
  Execute(
      "INSERT INTO korx_probe_array (probe_array_name, deleted_flag) VALUES ('ALL', 0),"
      " ('Chip_B', 0), ('Old', 1), ('Chip_A', 0);"
      "INSERT INTO korx_parameter_set (param_set_name, param_type) VALUES"
      " ('Hyb_640', 'Hybridization'), ('W', 'Fluidics'),"
      " ('Hyb_45', 'Hybridization');");
  const std::string report = mSandbox.File("report.txt");
  const std::string log = mSandbox.File("install.log");
  const std::string output = Run({"SetParentWindowName",
                                  "Lab Host",
                                  "GetInstalledList",
                                  "CreateAuditReport",
                                  report,
                                  "Install",
                                  "Chip_A",
                                  "1.0",
                                  "InstallLib",
                                  mSandbox.File("lib"),
                                  mSandbox.File("fl"),
                                  mSandbox.File("src"),
                                  "unused",
                                  "",
                                  log,
                                  report,
                                  "UpdateLib",
                                  "l",
                                  "f",
                                  "s",
                                  "u",
                                  "A",
                                  "P",
                                  log,
                                  report,
                                  "CreateUpdateReport",
                                  mSandbox.File("missing/report.txt"),
                                  "o",
                                  "A",
                                  "P",
                                  "b"});
  EXPECT_EQ(output,
            "SetParentWindowName 1\nGetInstalledList 1\narrayTypes=Chip_B,Chip_A\n"
            "protocols=Hyb_640,Hyb_45\nCreateAuditReport 1\nInstallLib 1007\nUpdateLib 1008\n"
            "CreateUpdateReport 0\n");
  EXPECT_EQ(LogMessages(log),
            (std::vector<std::string>{"ERROR: Invalid DLL command parameters.",
                                      "ERROR: Cannot update QIRO Server version 3.0 or earlier."}));
  EXPECT_GT(std::filesystem::file_size(report), 0u);
  EXPECT_FALSE(std::filesystem::exists(mSandbox.File("missing")));
}

TEST_F(HostSessionTest, InstalledListsFillTheHostsBuffersToTheirLastByte) {
  // 9000 names of 9 characters and no protocols.
  Execute(
      "WITH RECURSIVE n(i) AS (SELECT 10000 UNION ALL SELECT i + 1 FROM n WHERE i < 18999) "
      "INSERT INTO korx_probe_array (probe_array_name, deleted_flag) SELECT 'Chip' || i, 0 FROM "
      "n;");
  const std::string output = Run({"GetInstalledList"});
  const std::string types = "\narrayTypes=";
  const std::size_t start = output.find(types);
  const std::size_t end = output.find("\nprotocols=");
  ASSERT_NE(start, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string list = output.substr(start + types.size(), end - start - types.size());
  EXPECT_EQ(list.size(), 65533u);
  EXPECT_EQ(list.substr(list.size() - 13), "Chip16552,Chi");
  EXPECT_EQ(output.substr(end), "\nprotocols=\n");
}

TEST_F(HostSessionTest, NoConnectionLeavesTheBuffersAlone) {
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
  EXPECT_EQ(Run({"GetInstalledList"}), "GetInstalledList 0\n");
}

// A server installing into SQL Server through the stand-in tools, as a host would run it.
class ServerInstallTest : public HostSessionTest {
 protected:
  void SetUp() override {
    HostSessionTest::SetUp();
    const std::filesystem::path binn = mSandbox.File("mssql/binn");
    std::filesystem::create_directories(binn);
    for (const char* tool : {"osql", "bcp"})
      std::filesystem::create_symlink(platform::JoinPath(DBTOOLS_BIN_FOLDER, tool), binn / tool);
    mSandbox.SetRegistryText(kSqlServerSetupKey, kSqlPathValue, mSandbox.File("mssql"));
    mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
    mSandbox.SetRegistryText(kDbPublishTypeKey, "", "SQL Server");
    mSandbox.SetRegistryText(kDbDefaultUserKey, "", "sa");
    mSandbox.SetRegistryText(kDbPasswordKey, "", "");
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");

    // The host's working folder holds no scripts: they are found beside the library.
    mWork = mSandbox.File("work");
    std::filesystem::create_directories(mWork);
    const std::filesystem::path source = mSandbox.File("source");
    std::filesystem::create_directories(source / "Chip_A");
    std::ofstream(source / "TWLib.ini") << "[Chip_A]\nPath=Chip_A\n";
    std::ofstream(source / "Devices.ini") << "[Devices]\n";
    std::ofstream(source / "Assay_protocol.txt") << "Expr3;Hyb_640;1;Wash\n";
    std::ofstream(source / "Template.txt") << "Sample;Age;number;\n";
    std::ofstream(source / "Algorithm.ini")
        << "[Algorithms]\nNumAlgorithms=2\nAlg1Name=Stat\nAlg1ID=1\nAlg2Name=Geno\nAlg2ID=2\n";
  }

  HostRun Install() {
    return RunHost({"--library", QUELLBROOK_LIBRARY_PATH, "InstallLib", mSandbox.File("lib"),
                    mSandbox.File("fluidics"), mSandbox.File("source"), "", "Chip_A", Log(),
                    mSandbox.File("report.txt")},
                   mWork);
  }
  std::string Log() const { return mSandbox.File("install.log"); }

  std::vector<std::string> Algorithms() {
    std::vector<std::string> names;
    std::string error;
    EXPECT_TRUE(mDatabase->Execute(
        "SELECT alg_name FROM KORX_ALGORITHM ORDER BY 1",
        [&](const DbRow& row) { names.push_back(row[0].value_or("")); }, &error))
        << error;
    return names;
  }

  std::string mWork;
};

// A disk that fills while the algorithms' load file is written: the run ends there as a
// write failure, not as rows lost in the load, and leaves nothing in the working folder.
TEST_F(ServerInstallTest, AFullDiskEndsTheRunAtTheLoadFileThatDidNotFit) {
  std::filesystem::create_directories(mSandbox.File("lib"));
  std::ofstream algorithms(mSandbox.File("source/Algorithm.ini"));
  algorithms << "[Algorithms]\nNumAlgorithms=3000\n";
  for (int i = 1; i <= 3000; ++i)
    algorithms << "Alg" << i << "Name=Algorithm " << i << "\nAlg" << i
               << "ProgID=" << std::string(300, 'p') << "\n";
  algorithms.close();
  HostRun run;
  {
    platform::testing::FileSizeLimit limit(512 << 10);
    run = Install();
  }
  EXPECT_EQ(run.output, "InstallLib 2001\n");
  EXPECT_EQ(
      LogMessages(Log()),
      (std::vector<std::string>{
          "*** Start QIRO Server Library Installation ***",
          "Start Installing Assays and Assay Protocols...",
          "Install Assays and Assay Protocols Successfully.", "Start Installing Algorithms...",
          "ERROR: Install Algorithms Failed. Failed to write the intermediate files. "
          "Alg.txt: File too large.",
          "*** Finish QIRO Server Library Installation ***"}));
  EXPECT_TRUE(Algorithms().empty());
  EXPECT_TRUE(std::filesystem::is_empty(mWork));
}

TEST_F(ServerInstallTest, AlgorithmsAreInstalledAndTheMissingStepsKeepTheRunFromSuccess) {
  std::filesystem::create_directories(mSandbox.File("lib"));
  const HostRun run = Install();
  const std::string cif = mSandbox.File("source") + "/Chip_A/LibFiles/Chip_A.CIF";
  EXPECT_EQ(run.output, "InstallLib 2009\n");
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"Geno", "Stat"}));
  EXPECT_EQ(
      LogMessages(Log()),
      (std::vector<std::string>{
          "*** Start QIRO Server Library Installation ***",
          "Start Installing Assays and Assay Protocols...",
          "Install Assays and Assay Protocols Successfully.", "Start Installing Algorithms...",
          "Install Algorithms Successfully.", "Start Installing Templates...",
          "Install Templates Successfully.", "Start Installing Controls...",
          "Controls.INI not found.  No controls will be installed.",
          // Its only type has no CIF: the run stops after the check.
          "Validate CIF file for Chip_A...", "ERROR: " + cif + " file not found.",
          "Validate CIF file for Chip_A failed.  Please correct the CIF file " + cif +
              " and retry.",
          "Validation failed for all selected probe arrays and the library installation will be "
          "abort. Please perform the corrective actions and retry."}));
  // Every load file was deleted after its load; nothing but them was ever written here.
  EXPECT_TRUE(std::filesystem::is_empty(mWork));
}

TEST_F(ServerInstallTest, AWrongPasswordInstallsNothing) {
  std::string scrambled = "not the password";
  EncryptText(scrambled.data());
  mSandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
  EXPECT_EQ(Install().output, "InstallLib 3004\n");
  EXPECT_TRUE(Algorithms().empty());
  const std::vector<std::string> log = LogMessages(Log());
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].rfind("ERROR: Failed to connect to the database.", 0), 0u) << log[1];
}

using testing::Road;
using testing::RoadName;

// A server of either road installing a generated library through qbhost, with its tools
// in a folder of the sandbox so that one can be taken away, replaced or stopped.
constexpr const char* kLabLogin = "LABUSER";
constexpr const char* kLabPassword = "ti ger";

class HostRoadTest : public ::testing::TestWithParam<Road> {
 protected:
  HostRoadTest() : mPath("PATH", mSandbox.File("tools") + ":/usr/bin:/bin") {}

  bool Oracle() const { return GetParam() == Road::kOracle; }

  void SetUp() override {
    std::string scrambled = kLabPassword;
    EncryptText(scrambled.data());
    mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");
    mSandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
    mSandbox.SetRegistryText(kDbDefaultUserKey, "", Oracle() ? kLabLogin : "sa");
    mSandbox.SetRegistryText(kDbPublishTypeKey, "", Oracle() ? "ORACLE" : "SQL Server");
    std::filesystem::create_directories(ToolsFolder());
    for (const char* tool : Tools()) PutTool(tool);
    if (Oracle()) {
      mSandbox.SetRegistryText(kGeneInfoDatabaseNameKey, "", "GENEINFO");
      for (const char* login : {kLabLogin, "GENEINFO"}) {
        ASSERT_TRUE(AddLogin(mSandbox.Folder(), login, kLabPassword));
        ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), login, login));
      }
    } else {
      mSandbox.SetRegistryText(kSqlServerSetupKey, kSqlPathValue, mSandbox.File("mssql"));
      ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", kLabPassword));
    }
    std::string error;
    mLab = testing::MakeLaboratoryTables(mSandbox.Folder(), Oracle(), Oracle() ? kLabLogin : "sa",
                                         kLabPassword, error);
    ASSERT_TRUE(mLab) << error;
    mTemporary = Open(kDefaultWorkDatabase);
    ASSERT_TRUE(mTemporary);

    mWork = mSandbox.File("work");
    std::filesystem::create_directories(mWork);
    std::filesystem::create_directories(Library());
    libgen::LibraryFolder library(mSandbox.File("source"), libgen::StandardLibrary());
    ASSERT_TRUE(libgen::WriteStandardLibrary(library, error)) << error;
    std::filesystem::create_directories(mSandbox.File("fluidics"));
    // The gene-information database's tables: on Oracle in its own login's schema.
    ASSERT_TRUE(testing::MakeGeneInfoTables(mSandbox.Folder(), Oracle(),
                                            Oracle() ? "GENEINFO" : "sa", kLabPassword, error))
        << error;
  }

  std::unique_ptr<DbConnection> Open(const char* database) {
    return DbConnection::Open(mSandbox.Folder(), {Oracle() ? kOracleProvider : kSqlServerProvider,
                                                  Oracle() ? kLabLogin : "sa", kLabPassword,
                                                  GetLocalComputerName(), database});
  }

  // SQL Server's tools are found in its setup folder, Oracle's on PATH.
  std::string ToolsFolder() const {
    return Oracle() ? mSandbox.File("tools") : mSandbox.File("mssql/binn");
  }
  std::vector<const char*> Tools() const {
    return Oracle() ? std::vector<const char*>{"sqlplus", "sqlldr"}
                    : std::vector<const char*>{"osql", "bcp"};
  }
  const char* Loader() const { return Oracle() ? "sqlldr" : "bcp"; }
  void PutTool(const char* tool) {
    const std::string path = platform::JoinPath(ToolsFolder(), tool);
    std::filesystem::remove(path);
    std::filesystem::create_symlink(platform::JoinPath(DBTOOLS_BIN_FOLDER, tool), path);
  }
  void ReplaceTool(const char* tool, const std::string& script) {
    const std::string path = platform::JoinPath(ToolsFolder(), tool);
    std::filesystem::remove(path);
    std::ofstream(path) << script;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }

  std::string Library() const { return mSandbox.File("lib"); }
  std::string Log() const { return mSandbox.File("install.log"); }
  std::vector<std::string> InstallCall() const {
    return {QBHOST_PROGRAM,
            "--library",
            QUELLBROOK_LIBRARY_PATH,
            "InstallLib",
            Library(),
            mSandbox.File("fluidics"),
            mSandbox.File("source"),
            "",
            "Chip_A,Chip_B",
            Log(),
            mSandbox.File("report.txt")};
  }
  // qbhost's install call, run through the prefix's program when one is given.
  HostRun Install(std::vector<std::string> prefix = {}) {
    for (const std::string& argument : InstallCall()) prefix.push_back(argument);
    return RunProgram(prefix, mWork);
  }

  // Every content table's rows, and which temporary tables are left.
  std::string Contents() {
    std::string text;
    for (const char* table :
         {"KORX_ASSAY_PROTOCOL", "KORX_ALGORITHM", "KORX_MIAME_TEMPLATE", "KORX_DEVICE"}) {
      std::string error;
      EXPECT_TRUE(mLab->Execute(
          std::string("SELECT count(*) FROM ") + table,
          [&](const DbRow& row) { text += std::string(table) + "=" + row[0].value_or("") + " "; },
          &error))
          << error;
    }
    return text;
  }
  std::vector<std::string> LeftTemporaryTables() {
    std::vector<std::string> left;
    for (const char* table :
         {"LOAD_PROTOCOL_FILE", "LOAD_ALG", "LOAD_MIAME_SAMPLE", "LOAD_DEV", "LOAD_DEVICE"}) {
      std::string error;
      if (mTemporary->Execute(std::string("SELECT 1 FROM ") + table, nullptr, &error))
        left.push_back(table);
    }
    return left;
  }

  static constexpr const char* kAllContents =
      "KORX_ASSAY_PROTOCOL=5 KORX_ALGORITHM=2 KORX_MIAME_TEMPLATE=4 KORX_DEVICE=2 ";
  static constexpr const char* kNoContents =
      "KORX_ASSAY_PROTOCOL=0 KORX_ALGORITHM=0 KORX_MIAME_TEMPLATE=0 KORX_DEVICE=0 ";

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::unique_ptr<DbConnection> mLab;        // the laboratory's tables
  std::unique_ptr<DbConnection> mTemporary;  // where the temporary tables are made
  std::string mWork;
};

TEST_P(HostRoadTest, InstallsEveryBuiltContentFromAWorkingFolderWithoutScripts) {
  const HostRun run = Install();
  EXPECT_EQ(run.output, "InstallLib 0\n");
  EXPECT_EQ(Contents(), kAllContents);
  EXPECT_TRUE(LeftTemporaryTables().empty());
  EXPECT_TRUE(std::filesystem::is_empty(mWork));
  // The tools' output went to the library folder's log, the loader's files beside it.
  EXPECT_TRUE(std::filesystem::exists(platform::JoinPath(Library(), "sql.log")));
  EXPECT_EQ(std::filesystem::exists(platform::JoinPath(Library(), "sqlldr.log")), Oracle());
  // A second install replaces what the first installed.
  EXPECT_EQ(Install().output, "InstallLib 0\n");
  EXPECT_EQ(Contents(), kAllContents);
}

TEST_P(HostRoadTest, AMissingToolInstallsNothing) {
  std::filesystem::remove(platform::JoinPath(ToolsFolder(), Loader()));
  const HostRun run = Install();
  const std::vector<std::string> log = LogMessages(Log());
  ASSERT_GE(log.size(), 2u);
  if (Oracle()) {
    // Oracle's tools are not looked for: the loader's absence shows in the row count.
    EXPECT_EQ(run.output, "InstallLib 3020\n");
    EXPECT_EQ(log[2], "ERROR: Failed to populate temporary tables.");
  } else {
    EXPECT_EQ(run.output, "InstallLib 3017\n");
    EXPECT_EQ(log[1], "Cannot find the executable path for bcp.exe and osql.exe files.");
  }
  EXPECT_EQ(log.back(), "*** Finish QIRO Server Library Installation ***");
  EXPECT_EQ(Contents(), kNoContents);
  EXPECT_TRUE(LeftTemporaryTables().empty());
}

TEST_P(HostRoadTest, AWrongPasswordInstallsNothing) {
  std::string scrambled = "not the password";
  EncryptText(scrambled.data());
  mSandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
  EXPECT_EQ(Install().output, "InstallLib 3004\n");
  const std::vector<std::string> log = LogMessages(Log());
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].rfind("ERROR: Failed to connect to the database.", 0), 0u) << log[1];
  EXPECT_EQ(Contents(), kNoContents);
  EXPECT_TRUE(std::filesystem::is_empty(mWork));
}

// The library folder, where every tool writes its output, can't be written.
TEST_P(HostRoadTest, AReadOnlyLibraryFolderInstallsNothing) {
  std::vector<std::string> prefix;
  if (::geteuid() == 0) {
    // Root writes through permissions: the folder is mounted read-only for qbhost alone.
    if (std::system("unshare -m true >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no mount namespace for a read-only folder";
    prefix = {"/usr/bin/unshare",
              "-m",
              "/bin/sh",
              "-c",
              "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" \"$1\" && shift && "
              "exec \"$@\"",
              "sh",
              Library()};
  } else {
    std::filesystem::permissions(Library(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
  }
  const HostRun run = Install(prefix);
  std::filesystem::permissions(Library(), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(run.output, Oracle() ? "InstallLib 3020\n" : "InstallLib 3003\n");
  const std::vector<std::string> help =
      Oracle() ? std::vector<std::string>{"DBMS and process databases were installed correctly.",
                                          "(2) There is enough free tablespaces for the process "
                                          "databases."}
               : std::vector<std::string>{
                     "(1) DBMS and process databases were installed correctly.",
                     "(2) There is enough free space for the temporary database (tempdb)."};
  EXPECT_EQ(LogMessages(Log()),
            (std::vector<std::string>{"*** Start QIRO Server Library Installation ***",
                                      "Start Installing Assays and Assay Protocols...",
                                      "ERROR: Failed to populate temporary tables.",
                                      "Total records = 5 and # of populated records = 0.",
                                      "Please check:", help[0], help[1],
                                      "Install Assays and Assay Protocols Failed.",
                                      "*** Finish QIRO Server Library Installation ***"}))
      << ReadWholeFile(Log());
  EXPECT_EQ(Contents(), kNoContents);
  EXPECT_TRUE(LeftTemporaryTables().empty());
  EXPECT_TRUE(std::filesystem::is_empty(Library()));
}

// A damaged content file ends the run at its step: what came before stays installed,
// nothing of that file reaches a table, and its temporary objects are dropped.
TEST_P(HostRoadTest, ADamagedLibraryFileEndsTheRunWithNothingOfItInstalled) {
  libgen::LibrarySpec spec = libgen::StandardLibrary();
  spec.algorithms[1].progId = "Kand;Geno";
  const std::string algorithms = mSandbox.File("source/Algorithm.ini");
  ASSERT_TRUE(libgen::WriteTextFile(algorithms, libgen::AlgorithmIniText(spec.algorithms)));
  EXPECT_EQ(Install().output, "InstallLib 2001\n");
  EXPECT_EQ(
      LogMessages(Log()),
      (std::vector<std::string>{
          "*** Start QIRO Server Library Installation ***",
          "Start Installing Assays and Assay Protocols...",
          "Install Assays and Assay Protocols Successfully.", "Start Installing Algorithms...",
          "ERROR: Install Algorithms Failed. The value 'Kand;Geno' holds the load file's "
          "separator ';'.",
          "*** Finish QIRO Server Library Installation ***"}));
  EXPECT_EQ(Contents(),
            "KORX_ASSAY_PROTOCOL=5 KORX_ALGORITHM=0 KORX_MIAME_TEMPLATE=0 KORX_DEVICE=0 ");
  EXPECT_TRUE(LeftTemporaryTables().empty());

  // A device of a type no laboratory has: every content but the devices.
  ASSERT_TRUE(libgen::WriteTextFile(
      algorithms, libgen::AlgorithmIniText(libgen::StandardLibrary().algorithms)));
  spec.devices[1].type = "Printer";
  const std::string devices = mSandbox.File("source/Devices.ini");
  ASSERT_TRUE(libgen::WriteTextFile(devices, libgen::DevicesIniText(spec.devices)));
  std::filesystem::remove(Log());
  EXPECT_EQ(Install().output, "InstallLib 3014\n");
  const std::vector<std::string> log = LogMessages(Log());
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2],
            "ERROR: Unknown device type 'Printer'. Please check the device "
            "source file " +
                devices + ".");
  EXPECT_EQ(Contents(),
            "KORX_ASSAY_PROTOCOL=5 KORX_ALGORITHM=2 KORX_MIAME_TEMPLATE=4 KORX_DEVICE=0 ");
  EXPECT_TRUE(LeftTemporaryTables().empty());
}

// A loader stopped by a signal loads nothing: the step's row check fails and its
// temporary objects are dropped; a host stopped in the middle of a load leaves its
// temporary table behind, and the next run installs everything once.
TEST_P(HostRoadTest, AStoppedLoaderOrHostLeavesNothingHalfInstalled) {
  ReplaceTool(Loader(), "#!/bin/sh\nkill -KILL $$\n");
  EXPECT_EQ(Install().output, Oracle() ? "InstallLib 3020\n" : "InstallLib 3003\n");
  EXPECT_EQ(Contents(), kNoContents);
  EXPECT_TRUE(LeftTemporaryTables().empty());

  const std::string marker = mSandbox.File("loader.pid");
  ReplaceTool(Loader(), "#!/bin/sh\necho $$ > '" + marker + "'\nexec sleep 60\n");
  std::vector<std::string> arguments = InstallCall();
  platform::ChildProcess host;
  platform::SpawnFailure failure;
  ASSERT_TRUE(host.Start({arguments, mWork, {}}, failure));
  for (int waited = 0; waited < 300 && !std::filesystem::exists(marker); ++waited) ::usleep(100000);
  ASSERT_TRUE(std::filesystem::exists(marker));
  ::kill(host.Pid(), SIGKILL);
  ASSERT_TRUE(host.WaitForEnd(10000));
  ::usleep(100000);
  pid_t loader = 0;
  std::ifstream(marker) >> loader;
  ASSERT_GT(loader, 0);
  ::kill(loader, SIGKILL);
  EXPECT_EQ(Contents(), kNoContents);
  EXPECT_EQ(LeftTemporaryTables().size(), 1u);

  PutTool(Loader());
  std::filesystem::remove_all(mWork);
  std::filesystem::create_directories(mWork);
  EXPECT_EQ(Install().output, "InstallLib 0\n");
  EXPECT_EQ(Contents(), kAllContents);
  EXPECT_TRUE(LeftTemporaryTables().empty());
}

INSTANTIATE_TEST_SUITE_P(Roads, HostRoadTest, ::testing::Values(Road::kSqlServer, Road::kOracle),
                         RoadName);

}  // namespace
}  // namespace quellbrook
