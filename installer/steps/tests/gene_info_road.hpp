// Test support: the gene-information database of a step's road. SQL Server reaches it as
// the work database of the main session, Oracle through a second login of its own schema;
// its tables are made from our gene-information schema.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/tool_runner.hpp"
#include "installer/steps/tests/step_road.hpp"

namespace quellbrook::testing {

class GeneInfoRoadTest : public StepRoadTest {
 protected:
  static constexpr const char* kGeneInfoLogin = "GENEINFO";

  void SetUp() override {
    StepRoadTest::SetUp();
    if (HasFatalFailure()) return;
    if (Oracle()) {
      ASSERT_TRUE(AddLogin(mSandbox.Folder(), kGeneInfoLogin, "ti ger"));
      ASSERT_TRUE(GrantCreatePermissions(mSandbox.Folder(), kGeneInfoLogin, kGeneInfoLogin));
      mGeneOwn = std::make_unique<LibDbSession>();
      mGeneOwn->InitSession(kGeneInfoLogin);
      ASSERT_EQ(mGeneOwn->connected, 1);
      mGeneOwn->libraryFolder = mSession.libraryFolder;
      mGeneOwn->scriptOutputFile = mSession.scriptOutputFile;
      mGeneOwn->installLog = mSession.installLog;
      mGeneOwn->reportFile = mSession.reportFile;
      mGene = mGeneOwn.get();
    } else {
      ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), kDefaultGeneInfoDatabase));
      mSession.workDatabase = kDefaultGeneInfoDatabase;
      mGene = &mSession;
    }
    const char* schema = Oracle() ? "ora_geneinfo_schema.sql" : "sql_geneinfo_schema.sql";
    ASSERT_EQ(RunSqlScript(*mGene, schema, mGene->scriptOutputFile, mGene->user, mGene->password,
                           mGene->workDatabase),
              1);
    ASSERT_EQ(mGene->TablesExist({"KORX_GIN_URL"}, mGene->workDatabase), 1)
        << ReadWholeFile(mGene->scriptOutputFile);
  }

  // A gene-information step of the three types Chip_A, Chip_B and Chip_C in the folders
  // A_Files, B_Files and C_Files, writing into the gene-information database.
  template <class Step>
  void ConfigureThreeTypes(Step& step) {
    Configure(step);
    step.session = mGene;
    step.arrayTypes = {"Chip_A", "Chip_B", "Chip_C"};
    step.typeFolders = {"A_Files", "B_Files", "C_Files"};
  }
  // A type's library file in its folder's "LibFiles", e.g. "Chip_A.GIN".
  std::string LibFile(const std::string& folder, const std::string& name) const {
    return platform::JoinPath(platform::JoinPath(Source(folder), "LibFiles"), name);
  }

  // The rows of a query of one text column in the gene-information database.
  std::vector<std::string> GeneRows(const std::string& query) {
    std::vector<std::string> rows;
    auto db = DbConnection::Open(mSandbox.Folder(),
                                 {Oracle() ? kOracleProvider : kSqlServerProvider, mGene->user,
                                  mGene->password, GetLocalComputerName(), mGene->workDatabase});
    EXPECT_TRUE(db);
    if (!db) return rows;
    std::string error;
    EXPECT_TRUE(db->Execute(
        query, [&](const DbRow& cells) { rows.push_back(cells[0].value_or("NULL")); }, &error))
        << error;
    return rows;
  }

  std::unique_ptr<LibDbSession> mGeneOwn;
  LibDbSession* mGene = nullptr;
};

}  // namespace quellbrook::testing
