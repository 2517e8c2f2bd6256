// Where the laboratory database server keeps its data here: one SQLite file per database in
// a folder named by the environment, and a master database whose tables hold the server's
// logins and the create permissions they were granted. The database session and the
// stand-ins for the command-line tools open the same files through these routines.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quellbrook {

// The environment variable that names the folder of database files.
inline constexpr const char* kDatabaseFolderVariable = "ZELKO_DATABASE_DIR";
// $ZELKO_DATABASE_DIR when set and not empty, else ".zelko/databases" in the user's home
// folder ($HOME, or the current folder without one).
std::string DatabaseFolder();

// The database that holds the logins; it must exist for any connection to succeed.
inline constexpr const char* kMasterDatabase = "master";
// The work database, which the server always has: its file is made on first use.
inline constexpr const char* kTempDatabase = "tempdb";
inline constexpr const char* kDatabaseFileExtension = ".db";
// How long a writer waits for another process holding the same file.
inline constexpr int kBusyTimeoutMilliseconds = 5000;

// Tables of the server's own whose names start with this prefix; the catalogue never lists
// them, so they look like the system tables of a real server.
inline constexpr const char* kServerTablePrefix = "zelko_";
// In the master database: login (compared without regard to case) and password (exact).
inline constexpr const char* kLoginsTable = "zelko_logins";
// In the master database: a row (database, login, permission) per grant; the permission is
// "CREATE TABLE" or "CREATE PROCEDURE". REVOKE removes rows.
inline constexpr const char* kPermissionsTable = "zelko_permissions";
// In every database: stored procedures by name (compared without regard to case) with the
// SQL text of their body.
inline constexpr const char* kProceduresTable = "zelko_procedures";

// A database, login, table or procedure name: 1 to 128 ASCII letters, digits, '_', '#' or
// '$', not starting with a digit. Anything else is refused before it reaches a file name
// or an SQL text.
inline constexpr std::size_t kMaxIdentifierLength = 128;
bool IsPlainIdentifier(std::string_view name);

// The file of a database: the folder, '/', the name in lower case and ".db". Nothing for
// a name that is not a plain identifier. Database names compare without regard to case.
std::optional<std::string> DatabaseFilePath(const std::string& folder, std::string_view name);

enum class LoginCheck {
  kAccepted,
  kNoServer,       // no master database in the folder
  kUnknownLogin,   // no such login
  kWrongPassword,  // the login exists with another password
};

// Checks a login against the master database of the folder.
LoginCheck CheckLogin(const std::string& folder, std::string_view login, std::string_view password);

// Makes the master database when missing and adds the login, or changes its password.
// False, with the reason in error, when the file can't be written or the login is not a
// plain identifier.
[[nodiscard]] bool AddLogin(const std::string& folder, std::string_view login,
                            std::string_view password, std::string* error = nullptr);

// Gives the login CREATE TABLE and CREATE PROCEDURE in the database (what a server's
// administrator would do before the installer ran).
[[nodiscard]] bool GrantCreatePermissions(const std::string& folder, std::string_view database,
                                          std::string_view login, std::string* error = nullptr);

inline constexpr const char* kCreateTablePermission = "CREATE TABLE";
inline constexpr const char* kCreateProcedurePermission = "CREATE PROCEDURE";

// True when the login holds the permission in the database; false too when the master
// database can't be read.
bool HasPermission(const std::string& folder, std::string_view database, std::string_view login,
                   std::string_view permission);

// Makes a database file, holding only the procedures table, when missing. False for a name that is
// not a plain identifier or a file that can't be made.
[[nodiscard]] bool CreateDatabase(const std::string& folder, std::string_view name,
                                  std::string* error = nullptr);

}  // namespace quellbrook
