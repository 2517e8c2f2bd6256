#include "installer/framework/db_connection.hpp"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

#include "installer/framework/database_files.hpp"
#include "installer/framework/database_qualified_names.hpp"
#include "installer/framework/declared_columns.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/path.hpp"

namespace quellbrook {

namespace {

// Takes the next word (up to a blank or ',') off the front of text.
std::string_view NextWord(std::string_view& text) {
  text = TrimmedView(text);
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end]) && text[end] != ',') ++end;
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

// A name as SQL Server writes it, with or without brackets.
std::string_view Unbracketed(std::string_view name) {
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
    return name.substr(1, name.size() - 2);
  return name;
}

std::string CellText(const unsigned char* text, int bytes) {
  const std::size_t kept =
      std::min<std::size_t>(static_cast<std::size_t>(bytes), kColumnTextBytes - 1);
  return std::string(reinterpret_cast<const char*>(text), kept);
}

}  // namespace

DbConnection::~DbConnection() {
  sqlite3_close(mDb);
}

std::unique_ptr<DbConnection> DbConnection::Open(const std::string& folder,
                                                 const ConnectionProperties& properties,
                                                 std::string* error) {
  std::unique_ptr<DbConnection> connection(new DbConnection());
  if (properties.provider == kSqlServerProvider) {
    connection->mDialect = SqlDialect::kSqlServer;
  } else if (properties.provider == kOracleProvider) {
    connection->mDialect = SqlDialect::kOracle;
  } else {
    FailWith(error, "provider '" + properties.provider + "' is not registered");
    return nullptr;
  }
  if (properties.dataSource.empty() ||
      !platform::EqualsNoCase(properties.dataSource, GetLocalComputerName())) {
    FailWith(error, "server '" + properties.dataSource + "' does not exist or access denied");
    return nullptr;
  }
  switch (CheckLogin(folder, properties.user, properties.password)) {
    case LoginCheck::kAccepted:
      break;
    case LoginCheck::kNoServer:
      FailWith(error, "server '" + properties.dataSource + "' has no master database");
      return nullptr;
    case LoginCheck::kUnknownLogin:
    case LoginCheck::kWrongPassword:
      FailWith(error, "login failed for user '" + properties.user + "'");
      return nullptr;
  }
  connection->mFolder = folder;
  connection->mLogin = properties.user;
  if (connection->mDialect == SqlDialect::kOracle) {
    if (!connection->OpenFile(properties.user, true, error)) return nullptr;
    return connection;
  }
  const std::string catalog =
      properties.initialCatalog.empty() ? std::string(kMasterDatabase) : properties.initialCatalog;
  if (!connection->Use(catalog, error)) return nullptr;
  return connection;
}

bool DbConnection::OpenFile(std::string_view database, bool create, std::string* error) {
  const std::optional<std::string> path = DatabaseFilePath(mFolder, database);
  if (!path) return FailWith(error, "'" + std::string(database) + "' is not a valid database name");
  if (!std::filesystem::is_regular_file(*path)) {
    if (!create) return FailWith(error, "database '" + std::string(database) + "' does not exist");
    if (!CreateDatabase(mFolder, database, error)) return false;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path->c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    FailWith(error, db != nullptr ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return false;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMilliseconds);
  if (mDialect == SqlDialect::kOracle) {
    // Oracle keeps unquoted names in upper case, and so does its catalogue.
    const char* view =
        "CREATE TEMP VIEW user_objects AS SELECT rowid AS object_id,"
        " upper(type) AS object_type, upper(name) AS object_name FROM main.sqlite_master"
        " WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'zelko\\_%' ESCAPE '\\'";
    if (sqlite3_exec(db, view, nullptr, nullptr, nullptr) != SQLITE_OK) {
      FailWith(error, sqlite3_errmsg(db));
      sqlite3_close(db);
      return false;
    }
  }
  sqlite3_close(mDb);
  mDb = db;
  mDatabase = std::string(database);
  mAttached.clear();
  return true;
}

bool DbConnection::Use(std::string_view database, std::string* error) {
  if (mDialect == SqlDialect::kOracle) return true;
  return OpenFile(database, platform::EqualsNoCase(database, kTempDatabase), error);
}

bool DbConnection::Execute(std::string_view sql, const DbRowHandler& onRow, std::string* error) {
  std::string_view text = TrimmedView(sql);
  while (!text.empty() && text.back() == ';') text = TrimmedView(text.substr(0, text.size() - 1));
  if (mDialect == SqlDialect::kSqlServer) {
    std::string_view rest = text;
    const std::string_view verb = NextWord(rest);
    if (platform::EqualsNoCase(verb, "USE")) {
      const std::string_view name = Unbracketed(NextWord(rest));
      if (!TrimmedView(rest).empty()) return FailWith(error, "USE takes one database name");
      return Use(name, error);
    }
    if (platform::EqualsNoCase(verb, "EXEC") || platform::EqualsNoCase(verb, "EXECUTE")) {
      std::string_view after = rest;
      if (platform::EqualsNoCase(NextWord(after), "sp_tables") && TrimmedView(after).empty())
        return ListTables(onRow, error);
    }
    if (platform::EqualsNoCase(verb, "REVOKE")) {
      const std::size_t from = [&] {
        // The last " FROM " separates the permissions from the login.
        for (std::size_t i = rest.size(); i-- > 0;)
          if (i + 6 <= rest.size() && IsBlank(rest[i]) &&
              platform::EqualsNoCase(rest.substr(i + 1, 4), "FROM") && IsBlank(rest[i + 5]))
            return i;
        return std::string_view::npos;
      }();
      if (from == std::string_view::npos) return FailWith(error, "REVOKE needs FROM and a login");
      return Revoke(rest.substr(0, from), Unbracketed(TrimmedView(rest.substr(from + 6))), error);
    }
    std::string qualified;
    if (!QualifyOtherDatabases(text, qualified, error)) return false;
    if (!qualified.empty()) return RunSqlite(qualified, onRow, error);
  }
  return RunSqlite(text, onRow, error);
}

bool DbConnection::QualifyOtherDatabases(std::string_view sql, std::string& qualified,
                                         std::string* error) {
  const std::vector<DatabaseQualifier> qualifiers = FindDatabaseQualifiers(sql);
  std::size_t copied = 0;
  for (const DatabaseQualifier& qualifier : qualifiers) {
    std::string schema;
    if (!AttachedSchema(qualifier.database, schema, error)) return false;
    qualified.append(sql.substr(copied, qualifier.begin - copied));
    qualified += schema;
    qualified += '.';
    copied = qualifier.end;
  }
  if (!qualifiers.empty()) qualified.append(sql.substr(copied));
  return true;
}

bool DbConnection::AttachedSchema(std::string_view database, std::string& schema,
                                  std::string* error) {
  if (platform::EqualsNoCase(database, mDatabase)) {
    schema = "main";
    return true;
  }
  const std::optional<std::string> path = DatabaseFilePath(mFolder, database);
  if (!path) return FailWith(error, "'" + std::string(database) + "' is not a valid database name");
  const std::string name = std::filesystem::path(*path).stem().string();
  // SQLite's own schema names can't name a database of the server.
  if (name == "main" || name == "temp")
    return FailWith(error, "database '" + std::string(database) + "' can't be named from another");
  schema = "\"" + name + "\"";
  if (std::find(mAttached.begin(), mAttached.end(), name) != mAttached.end()) return true;
  if (!std::filesystem::is_regular_file(*path)) {
    if (!platform::EqualsNoCase(database, kTempDatabase))
      return FailWith(error, "database '" + std::string(database) + "' does not exist");
    if (!CreateDatabase(mFolder, database, error)) return false;
  }
  const std::string sql = "ATTACH DATABASE ?1 AS " + schema;
  sqlite3_stmt* statement = nullptr;
  bool ok = sqlite3_prepare_v2(mDb, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK;
  if (ok) {
    sqlite3_bind_text(statement, 1, path->c_str(), -1, SQLITE_TRANSIENT);
    ok = sqlite3_step(statement) == SQLITE_DONE;
  }
  if (!ok) FailWith(error, sqlite3_errmsg(mDb));
  sqlite3_finalize(statement);
  if (ok) mAttached.push_back(name);
  return ok;
}

bool DbConnection::RunSqlite(std::string_view sql, const DbRowHandler& onRow, std::string* error) {
  if (mDb == nullptr) return FailWith(error, "no database is open");
  const char* next = sql.data();
  const char* end = sql.data() + sql.size();
  while (next < end) {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(mDb, next, static_cast<int>(end - next), &statement, &tail) != SQLITE_OK)
      return FailWith(error, sqlite3_errmsg(mDb));
    next = tail;
    if (statement == nullptr) continue;  // only blanks or a comment were left
    const int columns = sqlite3_column_count(statement);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
      if (!onRow) continue;
      DbRow row(static_cast<std::size_t>(columns));
      for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(statement, c) == SQLITE_NULL) continue;
        const unsigned char* value = sqlite3_column_text(statement, c);
        row[static_cast<std::size_t>(c)] = CellText(value, sqlite3_column_bytes(statement, c));
      }
      onRow(row);
    }
    const bool definesTable = step == SQLITE_DONE && DefinesTable(sqlite3_sql(statement));
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) return FailWith(error, sqlite3_errmsg(mDb));
    // The rest of the text, and every later one, already meets the new table's guards.
    if (definesTable && !GuardDeclaredColumns(mDb, mDialect, error)) return false;
  }
  return true;
}

bool DbConnection::ListTables(const DbRowHandler& onRow, std::string* error) {
  const std::string sql =
      "SELECT ?1, 'dbo', name, CASE type WHEN 'view' THEN 'VIEW' ELSE 'TABLE' END, NULL"
      " FROM main.sqlite_master WHERE type IN ('table', 'view')"
      " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'zelko\\_%' ESCAPE '\\'"
      " ORDER BY name";
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(mDb, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
    return FailWith(error, sqlite3_errmsg(mDb));
  sqlite3_bind_text(statement, 1, mDatabase.c_str(), -1, SQLITE_TRANSIENT);
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
    DbRow row(5);
    for (int c = 0; c < 4; ++c)
      row[static_cast<std::size_t>(c)] =
          CellText(sqlite3_column_text(statement, c), sqlite3_column_bytes(statement, c));
    if (onRow) onRow(row);
  }
  sqlite3_finalize(statement);
  return step == SQLITE_DONE || FailWith(error, sqlite3_errmsg(mDb));
}

bool DbConnection::Revoke(std::string_view permissions, std::string_view login,
                          std::string* error) {
  if (!IsPlainIdentifier(login)) return FailWith(error, "REVOKE needs a plain login name");
  std::vector<std::string> revoked;
  std::string_view rest = permissions;
  while (!TrimmedView(rest).empty()) {
    const std::string_view create = NextWord(rest);
    const std::string_view object = NextWord(rest);
    if (platform::EqualsNoCase(create, "CREATE") && platform::EqualsNoCase(object, "TABLE"))
      revoked.emplace_back(kCreateTablePermission);
    else if (platform::EqualsNoCase(create, "CREATE") &&
             platform::EqualsNoCase(object, "PROCEDURE"))
      revoked.emplace_back(kCreateProcedurePermission);
    else
      return FailWith(error, "REVOKE knows only CREATE TABLE and CREATE PROCEDURE");
    rest = TrimmedView(rest);
    if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
  }
  if (revoked.empty()) return FailWith(error, "REVOKE names no permission");
  if (CheckLogin(mFolder, login, "") == LoginCheck::kUnknownLogin)
    return FailWith(error, "'" + std::string(login) + "' is not a login of this server");
  sqlite3* master = nullptr;
  const std::string path = *DatabaseFilePath(mFolder, kMasterDatabase);
  if (sqlite3_open_v2(path.c_str(), &master, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    FailWith(error, master != nullptr ? sqlite3_errmsg(master) : "out of memory");
    sqlite3_close(master);
    return false;
  }
  sqlite3_busy_timeout(master, kBusyTimeoutMilliseconds);
  const std::string sql = std::string("DELETE FROM ") + kPermissionsTable +
                          " WHERE database_name = ?1 AND login = ?2 AND permission = ?3";
  bool ok = true;
  for (const std::string& permission : revoked) {
    sqlite3_stmt* statement = nullptr;
    ok = sqlite3_prepare_v2(master, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK;
    if (ok) {
      sqlite3_bind_text(statement, 1, mDatabase.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(statement, 2, login.data(), static_cast<int>(login.size()),
                        SQLITE_TRANSIENT);
      sqlite3_bind_text(statement, 3, permission.c_str(), -1, SQLITE_TRANSIENT);
      ok = sqlite3_step(statement) == SQLITE_DONE;
    }
    if (!ok) FailWith(error, sqlite3_errmsg(master));
    sqlite3_finalize(statement);
    if (!ok) break;
  }
  sqlite3_close(master);
  return ok;
}

}  // namespace quellbrook
