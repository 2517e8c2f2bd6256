// The database session against a server made in a temporary folder, with the machine's
// settings in a sandboxed registry: which login and provider each kind of machine ends up
// with, what reaches the server, and the statements the install steps run.
#include "installer/framework/lib_db_session.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/tests/database_sandbox.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;

std::string Scrambled(std::string text) {
  EncryptText(text.data());
  return text;
}

// A server with the plain client's "sa" login and the installer's own login.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "qiro", "s;3=x'"));
    mSandbox.SetRegistryText(kDbDefaultUserKey, "", "qiro");
    mSandbox.SetRegistryText(kDbPasswordKey, "", Scrambled("s;3=x'"));
  }

  void MakeServer(std::string_view publishType = "SQL") {
    mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
    mSandbox.SetRegistryText(kDbPublishTypeKey, "", publishType);
  }

  void MakeLocalDatabaseClient() {
    mSandbox.CreateRegistryKey(kBrandiskellKey);
    std::ofstream(mSandbox.File("pembservice.exe")) << "service";
    mSandbox.SetRegistryText(kComponentPathKey, "", mSandbox.File(""));
  }

  // Runs statements as "sa" in the database.
  void Sql(const std::string& database, const std::string& sql) {
    auto connection = DbConnection::Open(
        mSandbox.Folder(), {kSqlServerProvider, "sa", "", GetLocalComputerName(), database},
        nullptr);
    ASSERT_TRUE(connection);
    std::string error;
    ASSERT_TRUE(connection->Execute(sql, nullptr, &error)) << error;
  }

  DatabaseSandbox mSandbox;
};

TEST_F(SessionTest, PlainClientLogsInAsSaWithoutPasswordWhateverTheRegistryHolds) {
  mSandbox.SetRegistryText(kPembVersionKey, "", " 3.1 ");
  LibDbSession session;
  session.InitSession("someone");
  EXPECT_EQ(session.role, kRolePlainClient);
  EXPECT_EQ(session.user, "sa");
  EXPECT_EQ(session.password, "");
  EXPECT_EQ(session.dbmsType, kDbmsSqlServer);
  EXPECT_EQ(session.provider, "SQLOLEDB");
  EXPECT_EQ(session.workDatabase, "TEMPDB");
  EXPECT_EQ(session.dataSourceName, GetLocalComputerName());
  EXPECT_EQ(session.connected, 1);
  EXPECT_EQ(session.initialised, 1);
  EXPECT_DOUBLE_EQ(session.version, 3.1);
  EXPECT_EQ(session.LastConnectionText(), "Provider=SQLOLEDB;User ID=sa;Password=;Data Source=" +
                                              GetLocalComputerName() + ";Initial Catalog=TEMPDB;");
}

TEST_F(SessionTest, ServerUnscramblesTheStoredPasswordAndQuotesItInTheConnectionText) {
  MakeServer();
  LibDbSession session;
  session.InitSession(nullptr);
  EXPECT_EQ(session.role, kRoleServer);
  EXPECT_EQ(session.user, "qiro");
  EXPECT_EQ(session.password, "s;3=x'");
  EXPECT_EQ(session.connected, 1);
  EXPECT_EQ(session.LastConnectionText(),
            "Provider=SQLOLEDB;User ID=qiro;Password=\"s;3=x'\";Data Source=" +
                GetLocalComputerName() + ";Initial Catalog=TEMPDB;");
  EXPECT_DOUBLE_EQ(session.version, 3.0);
}

TEST_F(SessionTest, WrongStoredPasswordOrGivenLoginLeavesTheSessionUnconnected) {
  MakeServer();
  mSandbox.SetRegistryText(kDbPasswordKey, "", Scrambled("s;3=y'"));
  LibDbSession wrongPassword;
  wrongPassword.InitSession(nullptr);
  EXPECT_EQ(wrongPassword.password, "s;3=y'");
  EXPECT_EQ(wrongPassword.connected, 0);
  EXPECT_EQ(wrongPassword.initialised, 1);
  EXPECT_EQ(wrongPassword.CountTableRows(kLibraryLogTable), 0);
  EXPECT_EQ(wrongPassword.ReadLastLogStep(nullptr), 0);

  // A given user replaces DBDefaultUser; the password still comes from DBPassword.
  mSandbox.SetRegistryText(kDbPasswordKey, "", Scrambled("s;3=x'"));
  LibDbSession givenUser;
  givenUser.InitSession("other");
  EXPECT_EQ(givenUser.user, "other");
  EXPECT_EQ(givenUser.password, "s;3=x'");
  EXPECT_EQ(givenUser.connected, 0);
}

TEST_F(SessionTest, DbmsKindFollowsPublishTypeOnServersOnly) {
  LibDbSession session;
  mSandbox.SetRegistryText(kDbPublishTypeKey, "", "ORACLE");
  EXPECT_EQ(session.ReadDbmsTypeSetting(), kDbmsSqlServer);  // not a server: not read
  mSandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
  mSandbox.SetRegistryText(kDbPublishTypeKey, "", " oRaClE ");
  EXPECT_EQ(session.ReadDbmsTypeSetting(), kDbmsOracle);
  mSandbox.SetRegistryText(kDbPublishTypeKey, "", "SQL Server");
  EXPECT_EQ(session.ReadDbmsTypeSetting(), kDbmsSqlServer);
  ASSERT_TRUE(platform::UpdateRegistryFile(
      platform::RegistryFilePath(), [](platform::RegistryStore& store) {
        return store.DeleteValue(platform::kHkeyLocalMachine, kDbPublishTypeKey, "");
      }));
  EXPECT_EQ(session.ReadDbmsTypeSetting(), kDbmsNone);
}

TEST_F(SessionTest, OracleServerConnectsThroughPropertiesIntoTheLoginsSchema) {
  MakeServer(" oracle ");
  LibDbSession session;
  session.InitSession(nullptr);
  EXPECT_EQ(session.dbmsType, kDbmsOracle);
  EXPECT_EQ(session.provider, "OraOLEDB.Oracle.1");
  EXPECT_EQ(session.connected, 1);
  EXPECT_EQ(session.LastConnectionText(), "");
  Sql("qiro", "CREATE TABLE LOAD_ALG (x TEXT); INSERT INTO LOAD_ALG VALUES ('a'), ('b')");
  EXPECT_EQ(session.CountTableRows("LOAD_ALG"), 2);
}

TEST_F(SessionTest, LocalDatabaseClientIsAlwaysSqlServer) {
  MakeServer("ORACLE");
  MakeLocalDatabaseClient();
  LibDbSession session;
  session.InitSession(nullptr);
  EXPECT_EQ(session.role, kRoleServer);
  EXPECT_EQ(session.dbmsType, kDbmsSqlServer);
  EXPECT_EQ(session.localDatabase, 1);
  EXPECT_EQ(session.provider, "SQLOLEDB");
  EXPECT_EQ(session.connected, 1);
}

TEST_F(SessionTest, ReadsTheNewestLibraryLogRowTrimmedWithTheLastFetchedWinning) {
  LibDbSession session;
  session.InitSession(nullptr);
  LibLogStep record{"kept", "kept", "kept"};
  EXPECT_EQ(session.ReadLastLogStep(&record), 0);  // no table yet
  EXPECT_EQ(record.status, "kept");

  Sql("TEMPDB", "CREATE TABLE KORX_LIB_LOG (step INTEGER, status TEXT, message TEXT)");
  EXPECT_EQ(session.ReadLastLogStep(&record), 1);
  EXPECT_EQ(record.step, "");
  EXPECT_EQ(record.status, "");
  EXPECT_EQ(record.message, "");

  Sql("TEMPDB",
      "INSERT INTO KORX_LIB_LOG VALUES (1, 'FAILED', 'old'), (2, ' FAILED ', 'first of two'),"
      " (2, '  SUCCESS\t', NULL)");
  EXPECT_EQ(session.ReadLastLogStep(&record), 1);
  EXPECT_EQ(record.step, "2");
  EXPECT_EQ(record.status, "SUCCESS");
  EXPECT_EQ(record.message, "");
  EXPECT_EQ(session.ReadLastLogStep(nullptr), 1);
  EXPECT_EQ(session.LastQueryText(),
            "SELECT step, status, message FROM KORX_LIB_LOG WHERE step = (SELECT MAX(step) FROM "
            "KORX_LIB_LOG)");
}

TEST_F(SessionTest, CountsAndClearsOnlyPlainTablesOfTheWorkDatabase) {
  LibDbSession session;
  session.InitSession(nullptr);
  EXPECT_EQ(session.CountTableRows("LOAD_DEV"), 0);
  EXPECT_EQ(session.ClearTable("LOAD_DEV"), 1);
  Sql("TEMPDB", "CREATE TABLE LOAD_DEV (x TEXT); INSERT INTO LOAD_DEV VALUES ('1'), ('2'), ('3')");
  EXPECT_EQ(session.CountTableRows("load_dev"), 3);
  EXPECT_EQ(session.LastQueryText(), "SELECT count(*) FROM load_dev");
  EXPECT_EQ(session.CountTableRows("LOAD_DEV; DROP TABLE LOAD_DEV"), 0);
  EXPECT_EQ(session.ClearTable("LOAD_DEV WHERE 1=0; DROP TABLE LOAD_DEV"), 1);
  EXPECT_EQ(session.CountTableRows("LOAD_DEV"), 3);
  EXPECT_EQ(session.ClearTable("LOAD_DEV"), 1);
  EXPECT_EQ(session.LastQueryText(), "DELETE FROM LOAD_DEV");
  EXPECT_EQ(session.CountTableRows("LOAD_DEV"), 0);
}

TEST_F(SessionTest, UseDatabaseRefusesWhatIsNotAPlainName) {
  LibDbSession session;
  session.InitSession(nullptr);
  ASSERT_EQ(session.OpenSession(), 1);
  EXPECT_FALSE(session.UseDatabase("TREL3"));
  ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), "TREL3"));
  EXPECT_TRUE(session.UseDatabase("trel3"));
  EXPECT_EQ(session.rowsetSession->CurrentDatabase(), "trel3");
  EXPECT_FALSE(session.UseDatabase("TREL3; DROP TABLE x"));
}

TEST_F(SessionTest, OpenSessionWithoutDataSourceShowsItsStopMessage) {
  std::vector<std::string> shown;
  SetSessionMessageHandler([&](const std::string& text) { shown.push_back(text); });
  struct Uninstall {
    ~Uninstall() { SetSessionMessageHandler(nullptr); }
  } uninstall;
  LibDbSession session;
  EXPECT_EQ(session.OpenSession(), 0);
  MakeServer();
  mSandbox.SetRegistryText(kDbPasswordKey, "", Scrambled("wrong"));
  session.InitSession(nullptr);
  ASSERT_EQ(session.connected, 0);
  EXPECT_EQ(session.CountTableRows("LOAD_DEV"), 0);
  EXPECT_EQ(shown, (std::vector<std::string>{"Local data source not initialized",
                                             "Local data source not initialized"}));

  // The login changed on the server after the connection was made: each new session fails.
  mSandbox.SetRegistryText(kDbPasswordKey, "", Scrambled("s;3=x'"));
  LibDbSession connected;
  connected.InitSession(nullptr);
  ASSERT_EQ(connected.connected, 1);
  ASSERT_TRUE(AddLogin(mSandbox.Folder(), "qiro", "changed"));
  shown.clear();
  EXPECT_EQ(connected.OpenSession(), 0);
  EXPECT_EQ(connected.rowsetSession, nullptr);
  EXPECT_EQ(shown, (std::vector<std::string>{"Failed to open local session for data source '" +
                                             GetLocalComputerName() + "'"}));
}

TEST_F(SessionTest, RevokeNeedsALoginAndTriesSaWithoutThenWithTheSessionPassword) {
  const std::string folder = mSandbox.Folder();
  ASSERT_TRUE(GrantCreatePermissions(folder, "TEMPDB", "qiro"));
  ASSERT_TRUE(GrantCreatePermissions(folder, "TEMPDB", "sa"));
  LibDbSession session;
  session.InitSession(nullptr);
  EXPECT_EQ(session.RevokeCreatePermissions("TEMPDB", ""), 0);
  EXPECT_EQ(session.RevokeCreatePermissions("TEMPDB", "   "), 0);
  EXPECT_EQ(session.RevokeCreatePermissions("TEMPDB", "qiro FROM sa"), 0);
  EXPECT_TRUE(HasPermission(folder, "TEMPDB", "qiro", kCreateTablePermission));
  EXPECT_TRUE(HasPermission(folder, "TEMPDB", "sa", kCreateTablePermission));

  // sa now has a password: only the second try, with the session's, gets in.
  ASSERT_TRUE(AddLogin(folder, "sa", "admin"));
  session.password = "admin";
  EXPECT_EQ(session.RevokeCreatePermissions("TEMPDB", "qiro"), 1);
  EXPECT_FALSE(HasPermission(folder, "TEMPDB", "qiro", kCreateTablePermission));
  EXPECT_FALSE(HasPermission(folder, "TEMPDB", "qiro", kCreateProcedurePermission));
  EXPECT_TRUE(HasPermission(folder, "TEMPDB", "sa", kCreateTablePermission));
  session.password = "not admin";
  EXPECT_EQ(session.RevokeCreatePermissions("TEMPDB", "sa"), 0);
  EXPECT_TRUE(HasPermission(folder, "TEMPDB", "sa", kCreateTablePermission));
}

TEST_F(SessionTest, OnlyAnUninitialisedPlainClientSessionWithALoginRevokesWhenItEnds) {
  const std::string folder = mSandbox.Folder();
  ASSERT_TRUE(GrantCreatePermissions(folder, "TEMPDB", "qiro"));
  {
    LibDbSession initialised;
    initialised.InitSession(nullptr);  // a plain client, sa
    initialised.user = "qiro";
  }
  { LibDbSession neverInitialised; }
  EXPECT_TRUE(HasPermission(folder, "TEMPDB", "qiro", kCreateTablePermission));
  {
    LibDbSession plainClient;
    plainClient.role = kRolePlainClient;
    plainClient.provider = kSqlServerProvider;
    plainClient.dataSourceName = GetLocalComputerName();
    plainClient.workDatabase = "TEMPDB";
  }
  EXPECT_TRUE(HasPermission(folder, "TEMPDB", "qiro", kCreateTablePermission));
  {
    LibDbSession plainClient;
    plainClient.role = kRolePlainClient;
    plainClient.provider = kSqlServerProvider;
    plainClient.dataSourceName = GetLocalComputerName();
    plainClient.workDatabase = "TEMPDB";
    plainClient.user = "qiro";
  }
  EXPECT_FALSE(HasPermission(folder, "TEMPDB", "qiro", kCreateTablePermission));
}

}  // namespace
}  // namespace quellbrook
