// libQuellbrook as a host sees it: its exported names and needed libraries, and its
// exports called through qbhost, a child process that loads it with dlopen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "platform/path.hpp"
#include "platform/process.hpp"
#include "platform/tests/temp_folder.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;

struct HostRun {
  int exitCode = -1;
  std::string output;
};

HostRun RunHost(std::vector<std::string> arguments, const std::string& workingFolder = "") {
  arguments.insert(arguments.begin(), QBHOST_PROGRAM);
  platform::ChildProcess child;
  platform::SpawnFailure failure;
  HostRun run;
  if (!child.Start({arguments, workingFolder, {}}, failure)) return run;
  char buffer[4096];
  for (int waited = 0; waited < 600; ++waited) {
    child.WaitForOutput(100);
    long count;
    while ((count = child.ReadOutput(buffer, sizeof buffer)) > 0)
      run.output.append(buffer, static_cast<std::size_t>(count));
    if (child.PeekOutput() == platform::OutputState::kClosed && child.WaitForEnd(1000)) break;
  }
  if (child.HasEnded() && WIFEXITED(child.ExitStatus()))
    run.exitCode = WEXITSTATUS(child.ExitStatus());
  return run;
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

std::vector<std::string> LogMessages(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);)
    lines.push_back(line.size() >= 20 ? line.substr(20) : line);
  return lines;
}

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
    ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), kDefaultProcessDatabase));
    mDatabase = DbConnection::Open(
        mSandbox.Folder(),
        {kSqlServerProvider, "sa", "", GetLocalComputerName(), kDefaultProcessDatabase});
    ASSERT_TRUE(mDatabase);
    Execute(
        "CREATE TABLE korx_probe_array (probe_array_name TEXT, deleted_flag INTEGER);"
        "CREATE TABLE korx_parameter_set (param_set_name TEXT, param_type TEXT);");
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
      "INSERT INTO korx_probe_array VALUES ('ALL', 0), ('Chip_B', 0), ('Old', 1), ('Chip_A', 0);"
      "INSERT INTO korx_parameter_set VALUES ('Hyb_640', 'Hybridization'), ('W', 'Fluidics'),"
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
            "protocols=Hyb_640,Hyb_45\nCreateAuditReport 1\nInstallLib 1007\nUpdateLib 3027\n"
            "CreateUpdateReport 0\n");
  EXPECT_EQ(LogMessages(log),
            (std::vector<std::string>{"ERROR: Invalid DLL command parameters.",
                                      "ERROR: Library update is not built in this version."}));
  EXPECT_GT(std::filesystem::file_size(report), 0u);
  EXPECT_FALSE(std::filesystem::exists(mSandbox.File("missing")));
}

TEST_F(HostSessionTest, InstalledListsFillTheHostsBuffersToTheirLastByte) {
  // 9000 names of 9 characters and no protocols.
  Execute(
      "WITH RECURSIVE n(i) AS (SELECT 10000 UNION ALL SELECT i + 1 FROM n WHERE i < 18999) "
      "INSERT INTO korx_probe_array SELECT 'Chip' || i, 0 FROM n;");
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
    auto work = DbConnection::Open(
        mSandbox.Folder(), {kSqlServerProvider, "sa", "", GetLocalComputerName(), "TEMPDB"});
    ASSERT_TRUE(work);
    std::ifstream schemaFile(platform::JoinPath(STEPS_DATA_FOLDER, "sql_schema.sql"));
    std::ostringstream schema;
    schema << schemaFile.rdbuf();
    std::string sql = schema.str();
    for (std::size_t at; (at = sql.find("GO\n")) != std::string::npos;) sql.replace(at, 3, ";\n");
    std::string error;
    ASSERT_TRUE(work->Execute(sql, nullptr, &error)) << error;
    mTempDb = std::move(work);

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
    EXPECT_TRUE(mTempDb->Execute(
        "SELECT alg_name FROM KORX_ALGORITHM ORDER BY 1",
        [&](const DbRow& row) { names.push_back(row[0].value_or("")); }, &error))
        << error;
    return names;
  }

  std::string mWork;
  std::unique_ptr<DbConnection> mTempDb;
};

TEST_F(ServerInstallTest, AlgorithmsAreInstalledAndTheMissingStepsKeepTheRunFromSuccess) {
  std::filesystem::create_directories(mSandbox.File("lib"));
  const HostRun run = Install();
  EXPECT_EQ(run.output, "InstallLib 3027\n");
  EXPECT_EQ(Algorithms(), (std::vector<std::string>{"Geno", "Stat"}));
  EXPECT_EQ(
      LogMessages(Log()),
      (std::vector<std::string>{
          "*** Start QIRO Server Library Installation ***",
          "Start Installing Assays and Assay Protocols...",
          "Install Assays and Assay Protocols Successfully.", "Start Installing Algorithms...",
          "Install Algorithms Successfully.", "Start Installing Templates...",
          "Install Templates Successfully.", "ERROR: Control step: not built in this version.",
          "ERROR: CIF validation: not built in this version.",
          "ERROR: Analysis parameter step: not built in this version.",
          "ERROR: Gene information step: not built in this version.",
          "ERROR: Sequence step: not built in this version.",
          "*** Finish QIRO Server Library Installation ***"}));
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

}  // namespace
}  // namespace quellbrook
