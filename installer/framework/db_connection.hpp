// A connection to the laboratory database server as the installer's providers give it:
// opened with a login that the master database must know, working in one database at a
// time, running statements in the SQL Server or the Oracle dialect and handing back each
// row's columns as texts with a NULL marker. SQLite does the work underneath; the forms a
// real server knows and SQLite does not (USE, sp_tables, REVOKE, Oracle's user_objects)
// are answered here.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/framework/connection_text.hpp"

struct sqlite3;

namespace quellbrook {

enum class SqlDialect { kSqlServer, kOracle };

// A column's text buffer, terminator included: longer texts arrive cut to one byte less.
inline constexpr std::size_t kColumnTextBytes = 256;

using DbCell = std::optional<std::string>;  // nothing for NULL
using DbRow = std::vector<DbCell>;
using DbRowHandler = std::function<void(const DbRow&)>;

class DbConnection {
 public:
  // Opens a connection to the server whose files are in folder. The provider chooses the
  // dialect (SQLOLEDB: SQL Server, OraOLEDB.Oracle.1: Oracle); the data source must name
  // this computer (GetLocalComputerName, any case); the login and password must be those of the
  // master database. SQL Server starts in the initial catalog (master when none is given), which
  // must exist, except tempdb, which is made on first use. Oracle works in the login's own schema,
  // the database named like the login, made on first use; it ignores the catalog.
  // Nothing, with the reason in error, when any of this fails.
  static std::unique_ptr<DbConnection> Open(const std::string& folder,
                                            const ConnectionProperties& properties,
                                            std::string* error = nullptr);
  ~DbConnection();
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  SqlDialect Dialect() const { return mDialect; }
  const std::string& Login() const { return mLogin; }
  const std::string& Folder() const { return mFolder; }
  // The database statements run in, as it was named.
  const std::string& CurrentDatabase() const { return mDatabase; }

  // Makes the database current (SQL Server); it must exist, but for tempdb. On Oracle it
  // changes nothing and succeeds.
  [[nodiscard]] bool Use(std::string_view database, std::string* error = nullptr);

  // Runs a statement text in the current database; each row of a result goes to onRow
  // (which may be empty). SQL Server also takes "USE name", "EXEC sp_tables" (qualifier,
  // owner, name, type, remarks per table or view) and "REVOKE CREATE TABLE, CREATE
  // PROCEDURE FROM login", and names a table of another database of the server as
  // DATABASE..TABLE or DATABASE.dbo.TABLE (that database is attached for the text; only
  // tempdb is made when missing); Oracle has the view user_objects (object_id, object_type,
  // object_name, names in upper case). Other texts go to SQLite as they are and may hold
  // several statements. A table made or altered here refuses, as the real server's would, a
  // value wider than its column's declared width or a non-number in a number column
  // (declared_columns.hpp). False, with the reason in error, at the first failing statement.
  [[nodiscard]] bool Execute(std::string_view sql, const DbRowHandler& onRow,
                             std::string* error = nullptr);

  // The SQLite handle of the current database, for the tools that need more.
  sqlite3* Handle() const { return mDb; }

 private:
  DbConnection() = default;
  bool OpenFile(std::string_view database, bool create, std::string* error);
  bool RunSqlite(std::string_view sql, const DbRowHandler& onRow, std::string* error);
  bool ListTables(const DbRowHandler& onRow, std::string* error);
  bool Revoke(std::string_view permissions, std::string_view login, std::string* error);
  bool QualifyOtherDatabases(std::string_view sql, std::string& qualified, std::string* error);
  bool AttachedSchema(std::string_view database, std::string& schema, std::string* error);

  SqlDialect mDialect = SqlDialect::kSqlServer;
  std::string mFolder;
  std::string mLogin;
  std::string mDatabase;
  sqlite3* mDb = nullptr;
  // Other databases attached to mDb, by their schema names (the file names' stems).
  std::vector<std::string> mAttached;
};

}  // namespace quellbrook
