// The database server's files, the connection text and the connection's dialects, on
// databases made in a temporary folder.
#include "installer/framework/db_connection.hpp"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/framework/connection_text.hpp"
#include "installer/framework/database_files.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/tests/database_sandbox.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;

ConnectionProperties SqlServerLogin(std::string user, std::string password,
                                    std::string catalog = "TEMPDB") {
  return {kSqlServerProvider, std::move(user), std::move(password), GetLocalComputerName(),
          std::move(catalog)};
}

std::vector<std::vector<std::string>> Rows(DbConnection& connection, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  std::string error;
  EXPECT_TRUE(connection.Execute(
      sql,
      [&](const DbRow& row) {
        std::vector<std::string> texts;
        for (const DbCell& cell : row) texts.push_back(cell ? *cell : "<NULL>");
        rows.push_back(texts);
      },
      &error))
      << sql << ": " << error;
  return rows;
}

TEST(ConnectionText, BuildsTheProviderTextAndQuotesOnlyValuesThatNeedIt) {
  EXPECT_EQ(BuildConnectionText({"SQLOLEDB", "sa", "", "LABHOST", "TEMPDB"}),
            "Provider=SQLOLEDB;User ID=sa;Password=;Data Source=LABHOST;Initial Catalog=TEMPDB;");
  EXPECT_EQ(BuildConnectionText({"SQLOLEDB", "qiro", "x;Initial Catalog=master", "H", "TEMPDB"}),
            "Provider=SQLOLEDB;User ID=qiro;Password=\"x;Initial Catalog=master\";Data "
            "Source=H;Initial Catalog=TEMPDB;");
  EXPECT_EQ(QuoteConnectionValue("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(QuoteConnectionValue(" padded"), "\" padded\"");
  EXPECT_EQ(QuoteConnectionValue("it's"), "\"it's\"");
}

TEST(ConnectionText, ParsingGivesBackEveryValueItWasBuiltFrom) {
  for (const std::string password :
       {"", "plain", "a;b", "k=v", "\"q\"", "it's", " lead", "tail "}) {
    const ConnectionProperties built{"SQLOLEDB", "user", password, "HOST", "TEMPDB"};
    const auto parsed = ParseConnectionText(BuildConnectionText(built));
    ASSERT_TRUE(parsed) << password;
    EXPECT_EQ(*parsed, built) << password;
  }
}

TEST(ConnectionText, NoPasswordOfSeparatorsQuotesAndBlanksChangesAnotherProperty) {
  // Every password of up to four characters drawn from the characters that matter.
  const std::string alphabet = ";=\"' aX";
  std::vector<std::string> passwords{""};
  for (std::size_t length = 1; length <= 4; ++length) {
    std::vector<std::string> longer;
    for (const std::string& shorter : passwords)
      if (shorter.size() == length - 1)
        for (char c : alphabet) longer.push_back(shorter + c);
    passwords.insert(passwords.end(), longer.begin(), longer.end());
  }
  ASSERT_GT(passwords.size(), 2000u);
  for (const std::string& password : passwords) {
    const ConnectionProperties built{"SQLOLEDB", "qiro", password, "HOST", "TEMPDB"};
    const auto parsed = ParseConnectionText(BuildConnectionText(built));
    ASSERT_TRUE(parsed) << "[" << password << "]";
    ASSERT_EQ(*parsed, built) << "[" << password << "]";
  }
}

TEST(ConnectionText, ReadsHandWrittenTextsAndRefusesDamagedOnes) {
  const auto parsed = ParseConnectionText(
      " provider = SQLOLEDB ; USER ID='o''k' ;;Extended Properties=x;"
      "data source=H");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->provider, "SQLOLEDB");
  EXPECT_EQ(parsed->user, "o'k");
  EXPECT_EQ(parsed->dataSource, "H");
  EXPECT_EQ(parsed->initialCatalog, "");

  std::string error;
  EXPECT_FALSE(ParseConnectionText("Password=a;Password=b;", &error));
  EXPECT_NE(error.find("twice"), std::string::npos);
  EXPECT_FALSE(ParseConnectionText("Password=\"open;", &error));
  EXPECT_FALSE(ParseConnectionText("Password=\"a\"b;", &error));
  EXPECT_FALSE(ParseConnectionText("Provider=SQLOLEDB;junk;", &error));
}

TEST(DatabaseFiles, NamesFilesOnlyForPlainNamesWithoutRegardToCase) {
  EXPECT_EQ(DatabaseFilePath("/srv", "TEMPDB"), "/srv/tempdb.db");
  EXPECT_EQ(DatabaseFilePath("/srv", "Trel_3#$"), "/srv/trel_3#$.db");
  for (const char* bad : {"", "../etc", "a b", "1abc", "x;y", "a/b", "caf\xe9"})
    EXPECT_FALSE(DatabaseFilePath("/srv", bad)) << bad;
  EXPECT_FALSE(DatabaseFilePath("/srv", std::string(129, 'a')));
  EXPECT_TRUE(DatabaseFilePath("/srv", std::string(128, 'a')));
}

TEST(DatabaseFiles, ChecksLoginsAgainstTheMasterDatabase) {
  DatabaseSandbox sandbox;
  EXPECT_EQ(CheckLogin(sandbox.Folder(), "sa", ""), LoginCheck::kNoServer);
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "qiro", "first"));
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "QIRO", "s3cret;x"));
  EXPECT_EQ(CheckLogin(sandbox.Folder(), "sa", ""), LoginCheck::kAccepted);
  EXPECT_EQ(CheckLogin(sandbox.Folder(), "Qiro", "s3cret;x"), LoginCheck::kAccepted);
  EXPECT_EQ(CheckLogin(sandbox.Folder(), "qiro", "first"), LoginCheck::kWrongPassword);
  EXPECT_EQ(CheckLogin(sandbox.Folder(), "qiro", "S3CRET;x"), LoginCheck::kWrongPassword);
  EXPECT_EQ(CheckLogin(sandbox.Folder(), "nobody", ""), LoginCheck::kUnknownLogin);
  EXPECT_FALSE(AddLogin(sandbox.Folder(), "x' OR '1'='1", ""));
}

TEST(DbConnection, OpensOnlyWithTheRightProviderServerLoginAndCatalog) {
  DatabaseSandbox sandbox;
  std::string error;
  EXPECT_FALSE(DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", ""), &error));
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "qiro", "pw"));

  EXPECT_TRUE(DbConnection::Open(sandbox.Folder(), SqlServerLogin("SA", "")));
  EXPECT_TRUE(std::filesystem::exists(sandbox.Folder() + "/tempdb.db"));
  EXPECT_FALSE(DbConnection::Open(sandbox.Folder(), SqlServerLogin("qiro", "PW"), &error));
  EXPECT_EQ(error, "login failed for user 'qiro'");
  EXPECT_FALSE(DbConnection::Open(sandbox.Folder(), SqlServerLogin("qiro", "pw", "TREL3"), &error));
  EXPECT_EQ(error, "database 'TREL3' does not exist");
  ASSERT_TRUE(CreateDatabase(sandbox.Folder(), "trel3"));
  const auto trel = DbConnection::Open(sandbox.Folder(), SqlServerLogin("qiro", "pw", "TREL3"));
  ASSERT_TRUE(trel);
  EXPECT_EQ(trel->CurrentDatabase(), "TREL3");

  ConnectionProperties elsewhere = SqlServerLogin("sa", "");
  elsewhere.dataSource = "not-" + GetLocalComputerName();
  EXPECT_FALSE(DbConnection::Open(sandbox.Folder(), elsewhere));
  ConnectionProperties unknownProvider = SqlServerLogin("sa", "");
  unknownProvider.provider = "MSDASQL";
  EXPECT_FALSE(DbConnection::Open(sandbox.Folder(), unknownProvider));
}

TEST(DbConnection, SqlServerDialectSwitchesDatabasesAndListsTables) {
  DatabaseSandbox sandbox;
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  ASSERT_TRUE(CreateDatabase(sandbox.Folder(), "TREL3"));
  const auto connection = DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", ""));
  ASSERT_TRUE(connection);
  ASSERT_EQ(Rows(*connection, "CREATE TABLE LOAD_ALG (a TEXT); CREATE VIEW v AS SELECT 1").size(),
            0u);
  EXPECT_EQ(Rows(*connection, "EXEC sp_tables"),
            (std::vector<std::vector<std::string>>{{"TEMPDB", "dbo", "LOAD_ALG", "TABLE", "<NULL>"},
                                                   {"TEMPDB", "dbo", "v", "VIEW", "<NULL>"}}));
  EXPECT_TRUE(Rows(*connection, "use [TREL3];").empty());
  EXPECT_EQ(connection->CurrentDatabase(), "TREL3");
  EXPECT_TRUE(Rows(*connection, "execute SP_TABLES").empty());
  std::string error;
  EXPECT_FALSE(connection->Execute("USE nowhere", nullptr, &error));
  EXPECT_EQ(connection->CurrentDatabase(), "TREL3");
  EXPECT_FALSE(connection->Execute("USE x; DROP TABLE y", nullptr, &error));
  EXPECT_FALSE(connection->Execute("SELECT count(*) FROM LOAD_ALG", nullptr, &error));
}

TEST(DbConnection, SqlServerNamesTablesOfOtherDatabasesOutsideLiteralsAndComments) {
  DatabaseSandbox sandbox;
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  ASSERT_TRUE(CreateDatabase(sandbox.Folder(), "TREL3"));
  const auto process = DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", "", "TREL3"));
  const auto work = DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", ""));
  ASSERT_TRUE(process && work);
  ASSERT_TRUE(Rows(*process, "CREATE TABLE KORX_DEVICE (name TEXT, note TEXT)").empty());
  ASSERT_TRUE(Rows(*work, "CREATE TABLE LOAD_DEV (name TEXT)").empty());
  ASSERT_TRUE(Rows(*work, "INSERT INTO LOAD_DEV VALUES ('d1'), ('d2')").empty());
  // Both spellings and a bracketed name; the literal and the comments keep their dots.
  ASSERT_TRUE(Rows(*work,
                   "INSERT INTO trel3..KORX_DEVICE (name, note) SELECT name, 'a..b' FROM "
                   "TEMPDB.dbo.LOAD_DEV; -- x..y\n"
                   "/* TREL3..nowhere */ INSERT INTO [TREL3].DBO.KORX_DEVICE VALUES ('d3', NULL)")
                  .empty());
  EXPECT_EQ(
      Rows(*process, "SELECT name, note FROM KORX_DEVICE ORDER BY name"),
      (std::vector<std::vector<std::string>>{{"d1", "a..b"}, {"d2", "a..b"}, {"d3", "<NULL>"}}));
  // A transaction spans both databases: a rollback leaves neither changed.
  ASSERT_TRUE(Rows(*work,
                   "BEGIN TRANSACTION; DELETE FROM TREL3..KORX_DEVICE; DELETE FROM LOAD_DEV;"
                   " ROLLBACK")
                  .empty());
  EXPECT_EQ(Rows(*process, "SELECT count(*) FROM KORX_DEVICE"),
            (std::vector<std::vector<std::string>>{{"3"}}));
  EXPECT_EQ(Rows(*work, "SELECT count(*) FROM LOAD_DEV"),
            (std::vector<std::vector<std::string>>{{"2"}}));
  // A database that doesn't exist is not made; tempdb is, on first use.
  std::string error;
  EXPECT_FALSE(work->Execute("SELECT * FROM NOWHERE..T", nullptr, &error));
  EXPECT_EQ(error, "database 'NOWHERE' does not exist");
  EXPECT_FALSE(std::filesystem::exists(sandbox.Folder() + "/nowhere.db"));
  EXPECT_FALSE(work->Execute("SELECT * FROM main..T", nullptr, &error));
  std::filesystem::remove(sandbox.Folder() + "/tempdb.db");
  EXPECT_TRUE(Rows(*process, "CREATE TABLE tempdb..T2 (x TEXT)").empty());
  EXPECT_TRUE(std::filesystem::exists(sandbox.Folder() + "/tempdb.db"));
}

// SQLite stores any value in any column; the servers refuse a text wider than its column's
// declared width and a non-number in a number column. Each case on both dialects: made with
// CREATE TABLE or ALTER TABLE, inserted or updated, in the current database or another.
TEST(DbConnection, ValuesBeyondTheDeclaredColumnAreRefusedAsTheServersRefuseThem) {
  DatabaseSandbox sandbox;
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "lab", "pw"));
  ASSERT_TRUE(CreateDatabase(sandbox.Folder(), "TREL3"));
  struct Case {
    const char* sql;
    const char* sqlServerError;  // "" when accepted
    const char* oracleError;
  };
  const std::string wide = std::string(65, 'w');
  const std::vector<Case> cases = {
      {"INSERT INTO t (code) VALUES ('abcd')", "", ""},
      {"INSERT INTO t (code) VALUES ('abcde')",
       "String or binary data would be truncated: column code of table t holds at most 4 "
       "characters",
       "ORA-12899: value too large for column t.code (maximum: 4)"},
      // Bytes count, as in the servers' single-byte columns.
      {"INSERT INTO t (code) VALUES ('\xc3\xa9\xc3\xa9\xc3\xa9')",
       "String or binary data would be truncated: column code of table t holds at most 4 "
       "characters",
       "ORA-12899: value too large for column t.code (maximum: 4)"},
      {"INSERT INTO t (n, x) VALUES (' 12 ', 1.5)", "", ""},
      // Oracle rounds what its number column has no decimals for.
      {"INSERT INTO t (n) VALUES ('12.5')", "Conversion failed: column n of table t takes integers",
       ""},
      {"INSERT INTO t (n) VALUES ('12a')", "Conversion failed: column n of table t takes integers",
       "ORA-01722: invalid number for column t.n"},
      {"INSERT INTO t (x) VALUES ('abc')", "Conversion failed: column x of table t takes numbers",
       "ORA-01722: invalid number for column t.x"},
      {"INSERT INTO t (free, note) VALUES ('any length at all', NULL)", "", ""},
      {"UPDATE t SET code = 'toolong' WHERE code = 'abcd'",
       "String or binary data would be truncated: column code of table t holds at most 4 "
       "characters",
       "ORA-12899: value too large for column t.code (maximum: 4)"},
      {"ALTER TABLE t ADD COLUMN tag char(2)", "", ""},
      {"INSERT INTO t (tag) VALUES ('abc')",
       "String or binary data would be truncated: column tag of table t holds at most 2 "
       "characters",
       "ORA-12899: value too large for column t.tag (maximum: 2)"},
  };
  for (const bool oracle : {false, true}) {
    SCOPED_TRACE(oracle ? "Oracle" : "SQL Server");
    const ConnectionProperties login =
        oracle ? ConnectionProperties{kOracleProvider, "lab", "pw", GetLocalComputerName(), ""}
               : SqlServerLogin("sa", "");
    const auto connection = DbConnection::Open(sandbox.Folder(), login);
    ASSERT_TRUE(connection);
    ASSERT_TRUE(Rows(*connection, oracle ? "CREATE TABLE t (code VARCHAR2(4), n NUMBER(10), "
                                           "x NUMBER, free CLOB, note VARCHAR2(64))"
                                         : "CREATE TABLE t (code varchar(4), n int, x float, "
                                           "free text, note varchar(64))")
                    .empty());
    int inserted = 0;
    for (const Case& c : cases) {
      std::string error;
      const std::string expected = oracle ? c.oracleError : c.sqlServerError;
      EXPECT_EQ(connection->Execute(c.sql, nullptr, &error), expected.empty()) << c.sql;
      if (!expected.empty()) {
        EXPECT_EQ(error, expected) << c.sql;
      }
      if (expected.empty() && std::string_view(c.sql).substr(0, 6) == "INSERT") ++inserted;
    }
    EXPECT_EQ(Rows(*connection, "SELECT count(*), max(code) FROM t"),
              (std::vector<std::vector<std::string>>{{std::to_string(inserted), "abcd"}}));
    // Dropping the table drops its guards; the catalogue never shows them.
    EXPECT_TRUE(Rows(*connection, "DROP TABLE t").empty());
    EXPECT_EQ(Rows(*connection, "SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"),
              (std::vector<std::vector<std::string>>{{"0"}}));
  }
  // A table made in another database through its qualified name is guarded there too.
  const auto work = DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", ""));
  ASSERT_TRUE(work);
  ASSERT_TRUE(Rows(*work, "CREATE TABLE TREL3..KORX_T (id varchar(8))").empty());
  std::string error;
  EXPECT_FALSE(work->Execute("INSERT INTO TREL3..KORX_T VALUES ('" + wide + "')", nullptr, &error));
  const auto process = DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", "", "TREL3"));
  ASSERT_TRUE(process);
  EXPECT_FALSE(process->Execute("INSERT INTO KORX_T VALUES ('123456789')", nullptr, &error));
  EXPECT_TRUE(Rows(*process, "INSERT INTO KORX_T VALUES ('12345678')").empty());
}

TEST(DbConnection, CellsAreTextsCutToTheColumnBufferWithNullKept) {
  DatabaseSandbox sandbox;
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  const auto connection = DbConnection::Open(sandbox.Folder(), SqlServerLogin("sa", ""));
  ASSERT_TRUE(connection);
  const auto rows = Rows(*connection, "SELECT 42, NULL, 1.5, printf('%.300c', 'x')");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "42");
  EXPECT_EQ(rows[0][1], "<NULL>");
  EXPECT_EQ(rows[0][2], "1.5");
  EXPECT_EQ(rows[0][3], std::string(kColumnTextBytes - 1, 'x'));
}

TEST(DbConnection, OracleWorksInTheLoginsSchemaWithItsCatalogueView) {
  DatabaseSandbox sandbox;
  ASSERT_TRUE(AddLogin(sandbox.Folder(), "trel3", "pw"));
  const ConnectionProperties oracle{kOracleProvider, "trel3", "pw", GetLocalComputerName(), ""};
  const auto connection = DbConnection::Open(sandbox.Folder(), oracle);
  ASSERT_TRUE(connection);
  EXPECT_EQ(connection->Dialect(), SqlDialect::kOracle);
  EXPECT_TRUE(connection->Use("elsewhere"));
  EXPECT_EQ(connection->CurrentDatabase(), "trel3");
  ASSERT_TRUE(
      Rows(*connection, "CREATE TABLE korx_device (x TEXT); CREATE INDEX i ON korx_device (x)")
          .empty());
  const auto rows = Rows(*connection,
                         "SELECT object_id, object_type, object_name, '', '' FROM user_objects "
                         "WHERE object_type = 'TABLE'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NE(rows[0][0], "<NULL>");
  EXPECT_EQ(rows[0], (std::vector<std::string>{rows[0][0], "TABLE", "KORX_DEVICE", "", ""}));
  std::string error;
  EXPECT_FALSE(connection->Execute("USE trel3", nullptr, &error));
}

TEST(DbConnection, RevokeRemovesTheLoginsCreatePermissionsInTheCurrentDatabase) {
  DatabaseSandbox sandbox;
  const std::string folder = sandbox.Folder();
  ASSERT_TRUE(AddLogin(folder, "sa", ""));
  ASSERT_TRUE(AddLogin(folder, "qiro", "pw"));
  ASSERT_TRUE(CreateDatabase(folder, "TREL3"));
  ASSERT_TRUE(GrantCreatePermissions(folder, "TEMPDB", "qiro"));
  ASSERT_TRUE(GrantCreatePermissions(folder, "TREL3", "qiro"));
  const auto connection = DbConnection::Open(folder, SqlServerLogin("sa", ""));
  ASSERT_TRUE(connection);
  EXPECT_TRUE(Rows(*connection, "REVOKE CREATE TABLE, CREATE PROCEDURE FROM QIRO").empty());
  EXPECT_FALSE(HasPermission(folder, "tempdb", "qiro", kCreateTablePermission));
  EXPECT_FALSE(HasPermission(folder, "tempdb", "qiro", kCreateProcedurePermission));
  EXPECT_TRUE(HasPermission(folder, "TREL3", "qiro", kCreateTablePermission));
  EXPECT_TRUE(HasPermission(folder, "TREL3", "qiro", kCreateProcedurePermission));

  std::string error;
  EXPECT_FALSE(connection->Execute("REVOKE CREATE TABLE FROM nobody", nullptr, &error));
  EXPECT_FALSE(connection->Execute("REVOKE CREATE TABLE FROM ", nullptr, &error));
  EXPECT_FALSE(connection->Execute("REVOKE DROP TABLE FROM qiro", nullptr, &error));
  EXPECT_FALSE(connection->Execute("REVOKE CREATE TABLE FROM x' OR '1'='1", nullptr, &error));
}

}  // namespace
}  // namespace quellbrook
