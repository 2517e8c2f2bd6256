#include "installer/framework/database_files.hpp"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "installer/framework/text_functions.hpp"

namespace quellbrook {

namespace {

// One open SQLite file, closed when it goes.
class SqliteFile {
 public:
  SqliteFile(const std::string& path, int flags) {
    if (sqlite3_open_v2(path.c_str(), &mDb, flags, nullptr) != SQLITE_OK) {
      mError = mDb != nullptr ? sqlite3_errmsg(mDb) : "out of memory";
      sqlite3_close(mDb);
      mDb = nullptr;
      return;
    }
    sqlite3_busy_timeout(mDb, kBusyTimeoutMilliseconds);
  }
  ~SqliteFile() { sqlite3_close(mDb); }
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  sqlite3* Db() const { return mDb; }
  const std::string& Error() const { return mError; }

  // Runs a statement with text parameters; false with the reason in mError.
  bool Run(const char* sql, std::initializer_list<std::string_view> parameters) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(mDb, sql, -1, &statement, nullptr) != SQLITE_OK) {
      mError = sqlite3_errmsg(mDb);
      return false;
    }
    int index = 1;
    for (std::string_view parameter : parameters)
      sqlite3_bind_text(statement, index++, parameter.data(), static_cast<int>(parameter.size()),
                        SQLITE_TRANSIENT);
    int step = SQLITE_ROW;
    while (step == SQLITE_ROW) step = sqlite3_step(statement);
    if (step != SQLITE_DONE) mError = sqlite3_errmsg(mDb);
    sqlite3_finalize(statement);
    return step == SQLITE_DONE;
  }

  // The first column of the first row, or nothing.
  std::optional<std::string> Text(const char* sql,
                                  std::initializer_list<std::string_view> parameters) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(mDb, sql, -1, &statement, nullptr) != SQLITE_OK) return std::nullopt;
    int index = 1;
    for (std::string_view parameter : parameters)
      sqlite3_bind_text(statement, index++, parameter.data(), static_cast<int>(parameter.size()),
                        SQLITE_TRANSIENT);
    std::optional<std::string> text;
    if (sqlite3_step(statement) == SQLITE_ROW) {
      const unsigned char* value = sqlite3_column_text(statement, 0);
      text = value != nullptr ? reinterpret_cast<const char*>(value) : "";
    }
    sqlite3_finalize(statement);
    return text;
  }

 private:
  sqlite3* mDb = nullptr;
  std::string mError;
};

std::optional<std::string> MasterPath(const std::string& folder) {
  return DatabaseFilePath(folder, kMasterDatabase);
}

// Opens the master database for writing, making it and its tables when missing.
bool OpenMasterForWriting(const std::string& folder, std::unique_ptr<SqliteFile>& master,
                          std::string* error) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  master =
      std::make_unique<SqliteFile>(*MasterPath(folder), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (master->Db() == nullptr) return FailWith(error, master->Error());
  const std::string logins = std::string("CREATE TABLE IF NOT EXISTS ") + kLoginsTable +
                             " (login TEXT PRIMARY KEY COLLATE NOCASE, password TEXT NOT NULL)";
  const std::string permissions =
      std::string("CREATE TABLE IF NOT EXISTS ") + kPermissionsTable +
      " (database_name TEXT COLLATE NOCASE, login TEXT COLLATE NOCASE, permission TEXT,"
      " UNIQUE (database_name, login, permission))";
  if (!master->Run(logins.c_str(), {}) || !master->Run(permissions.c_str(), {}))
    return FailWith(error, master->Error());
  return true;
}

}  // namespace

std::string DatabaseFolder() {
  const char* configured = std::getenv(kDatabaseFolderVariable);
  if (configured != nullptr && *configured != '\0') return configured;
  const char* home = std::getenv("HOME");
  const std::string base = home != nullptr && *home != '\0' ? home : ".";
  return base + "/.zelko/databases";
}

bool IsPlainIdentifier(std::string_view name) {
  if (name.empty() || name.size() > kMaxIdentifierLength) return false;
  if (std::isdigit(static_cast<unsigned char>(name.front()))) return false;
  for (char c : name) {
    const bool allowed =
        std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$';
    if (!allowed || static_cast<unsigned char>(c) > 0x7F) return false;
  }
  return true;
}

std::optional<std::string> DatabaseFilePath(const std::string& folder, std::string_view name) {
  if (!IsPlainIdentifier(name)) return std::nullopt;
  return folder + "/" + LowerText(name) + kDatabaseFileExtension;
}

LoginCheck CheckLogin(const std::string& folder, std::string_view login,
                      std::string_view password) {
  const std::string path = *MasterPath(folder);
  if (!std::filesystem::is_regular_file(path)) return LoginCheck::kNoServer;
  SqliteFile master(path, SQLITE_OPEN_READONLY);
  if (master.Db() == nullptr) return LoginCheck::kNoServer;
  const std::string sql = std::string("SELECT password FROM ") + kLoginsTable + " WHERE login = ?1";
  const std::optional<std::string> stored = master.Text(sql.c_str(), {login});
  if (!stored) return LoginCheck::kUnknownLogin;
  return *stored == password ? LoginCheck::kAccepted : LoginCheck::kWrongPassword;
}

bool AddLogin(const std::string& folder, std::string_view login, std::string_view password,
              std::string* error) {
  if (!IsPlainIdentifier(login)) return FailWith(error, "login is not a plain name");
  std::unique_ptr<SqliteFile> master;
  if (!OpenMasterForWriting(folder, master, error)) return false;
  const std::string sql = std::string("INSERT INTO ") + kLoginsTable +
                          " (login, password) VALUES (?1, ?2)"
                          " ON CONFLICT (login) DO UPDATE SET password = excluded.password";
  if (!master->Run(sql.c_str(), {login, password})) return FailWith(error, master->Error());
  return true;
}

bool GrantCreatePermissions(const std::string& folder, std::string_view database,
                            std::string_view login, std::string* error) {
  if (!IsPlainIdentifier(database) || !IsPlainIdentifier(login))
    return FailWith(error, "database or login is not a plain name");
  std::unique_ptr<SqliteFile> master;
  if (!OpenMasterForWriting(folder, master, error)) return false;
  const std::string sql = std::string("INSERT OR IGNORE INTO ") + kPermissionsTable +
                          " (database_name, login, permission) VALUES (?1, ?2, ?3)";
  for (const char* permission : {kCreateTablePermission, kCreateProcedurePermission})
    if (!master->Run(sql.c_str(), {database, login, permission}))
      return FailWith(error, master->Error());
  return true;
}

bool HasPermission(const std::string& folder, std::string_view database, std::string_view login,
                   std::string_view permission) {
  const std::string path = *MasterPath(folder);
  if (!std::filesystem::is_regular_file(path)) return false;
  SqliteFile master(path, SQLITE_OPEN_READONLY);
  if (master.Db() == nullptr) return false;
  const std::string sql = std::string("SELECT 1 FROM ") + kPermissionsTable +
                          " WHERE database_name = ?1 AND login = ?2 AND permission = ?3";
  return master.Text(sql.c_str(), {database, login, permission}).has_value();
}

bool CreateDatabase(const std::string& folder, std::string_view name, std::string* error) {
  const std::optional<std::string> path = DatabaseFilePath(folder, name);
  if (!path) return FailWith(error, "database name is not a plain name");
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  SqliteFile database(*path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (database.Db() == nullptr) return FailWith(error, database.Error());
  const std::string procedures = std::string("CREATE TABLE IF NOT EXISTS ") + kProceduresTable +
                                 " (name TEXT PRIMARY KEY COLLATE NOCASE, body TEXT NOT NULL)";
  if (!database.Run(procedures.c_str(), {})) return FailWith(error, database.Error());
  return std::filesystem::is_regular_file(*path) || FailWith(error, "file was not made");
}

}  // namespace quellbrook
