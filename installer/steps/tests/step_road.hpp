// Test support: a step's run on one database road in a sandbox. SQL Server works as "sa"
// in the work database through osql and bcp, its procedures moving the rows into the
// process database; Oracle as a login in its own schema through sqlplus and the loader. The
// work folder, the current folder of the run, holds our scripts and loader files, and the
// laboratory tables are made from our schema.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/step_names.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/install_step.hpp"
#include "platform/path.hpp"
#include "scramble/tamsk.h"

namespace quellbrook::testing {

inline void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class StepRoadTest : public ::testing::TestWithParam<Road> {
 protected:
  StepRoadTest()
      : mPath("PATH", std::string(DBTOOLS_BIN_FOLDER) + ":" +
                          (std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin")) {}

  void SetUp() override {
    mPrevious = std::filesystem::current_path();
    mWork = mSandbox.File("work");
    std::filesystem::create_directories(mWork);
    std::filesystem::create_directories(mSandbox.File("source"));
    std::filesystem::create_directories(mSandbox.File("library"));
    std::filesystem::current_path(mWork);
    for (const auto& entry : std::filesystem::directory_iterator(STEPS_DATA_FOLDER))
      std::filesystem::copy_file(entry.path(), Work(entry.path().filename().string()));
    mSandbox.SetRegistryText(kPembVersionKey, "", "3.1");
    if (Oracle()) {
      ASSERT_TRUE(AddLogin(mSandbox.Folder(), "LABUSER", "ti ger"));
      ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), "LABUSER", "LABUSER"));
      std::string scrambled = "ti ger";
      EncryptText(scrambled.data());
      mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
      mSandbox.SetRegistryText(kDbPublishTypeKey, "", "ORACLE");
      mSandbox.SetRegistryText(kDbDefaultUserKey, "", "LABUSER");
      mSandbox.SetRegistryText(kDbPasswordKey, "", scrambled);
    } else {
      ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
    }
    mSession.InitSession(nullptr);
    ASSERT_EQ(mSession.connected, 1);
    ASSERT_EQ(mSession.dbmsType, Oracle() ? kDbmsOracle : kDbmsSqlServer);
    mSession.sqlToolsFolder = DBTOOLS_BIN_FOLDER;
    mSession.libraryFolder = mSandbox.File("library");
    mSession.scriptOutputFile = platform::JoinPath(mSession.libraryFolder, kSqlLogName);
    mSession.installLog = mSandbox.File("install.log");
    mSession.reportFile = mSandbox.File("report.txt");
    if (Oracle()) {
      ASSERT_EQ(RunSqlScript(mSession, "ora_schema.sql", mSession.scriptOutputFile, mSession.user,
                             mSession.password, mSession.workDatabase),
                1);
    } else {
      // The laboratory's tables are in the process database, the library log in the work
      // database.
      ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), kDefaultProcessDatabase));
      ASSERT_EQ(RunSqlScript(mSession, "sql_schema.sql", mSession.scriptOutputFile, mSession.user,
                             mSession.password, kDefaultProcessDatabase),
                1);
      ASSERT_EQ(RunSqlScript(mSession, "sql_lib_log.sql", mSession.scriptOutputFile, mSession.user,
                             mSession.password, mSession.workDatabase),
                1);
    }
    ASSERT_EQ(mSession.TablesExist({"KORX_LIB_LOG"}, mSession.workDatabase), 1)
        << ReadWholeFile(mSession.scriptOutputFile);
  }
  void TearDown() override { std::filesystem::current_path(mPrevious); }

  bool Oracle() const { return GetParam() == Road::kOracle; }
  std::string Work(std::string_view name) const { return platform::JoinPath(mWork, name); }
  std::string Source(std::string_view name) const {
    return platform::JoinPath(mSandbox.File("source"), name);
  }

  void Configure(InstallStep& step) {
    step.destFolder = mSandbox.File("library");
    step.sourceFolder = mSandbox.File("source");
    step.logPath = mSession.installLog;
    step.reportPath = mSession.reportFile;
    step.session = &mSession;
  }

  // The rows of a query of one text column, in the process database.
  std::vector<std::string> Rows(const std::string& query) {
    std::vector<std::string> rows;
    auto work = DbConnection::Open(
        mSandbox.Folder(),
        {Oracle() ? kOracleProvider : kSqlServerProvider, mSession.user, mSession.password,
         GetLocalComputerName(), Oracle() ? mSession.workDatabase : kDefaultProcessDatabase});
    EXPECT_TRUE(work);
    if (!work) return rows;
    std::string error;
    EXPECT_TRUE(work->Execute(
        query, [&](const DbRow& cells) { rows.push_back(cells[0].value_or("NULL")); }, &error))
        << error;
    return rows;
  }

  // The step's errors in the log.
  std::vector<std::string> LoggedErrors() const {
    std::vector<std::string> errors;
    for (const std::string& line : LogMessages(mSession.installLog))
      if (line.rfind("ERROR: ", 0) == 0) errors.push_back(line);
    return errors;
  }

  DatabaseSandbox mSandbox;
  EnvironmentVariable mPath;
  std::filesystem::path mPrevious;
  std::string mWork;
  LibDbSession mSession;
};

}  // namespace quellbrook::testing
