// The command lines that run the database tools: the script runner, stored procedures and
// the bulk loaders of both DBMSs, one line each as it goes into the batch file. A value is
// written as it is when it needs no quotes, else in double quotes; a value no quotes can
// carry (a double quote or a control character) refuses the whole line, so no login,
// password, name or path can add a word, a switch or a redirection of its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quellbrook {

inline constexpr const char* kSqlScriptTool = "osql.exe";
inline constexpr const char* kBulkCopyTool = "bcp.exe";
inline constexpr const char* kOracleScriptTool = "sqlplus.exe";
inline constexpr const char* kOracleLoaderTool = "sqlldr";
inline constexpr const char* kOracleLoaderLog = "sqlldr.log";
inline constexpr const char* kOracleLoaderBadFile = "badrec.log";

// The server (this computer's name), login and password every tool connects with.
struct ToolLogin {
  std::string server;
  std::string user;
  std::string password;
};

// A refused line names the value that could not be written in refused.
using CommandLine = std::optional<std::string>;

// "<folder>\osql.exe" running a script into the database, its output appended to outputFile.
CommandLine SqlServerScriptCommand(std::string_view toolsFolder, const ToolLogin& login,
                                   std::string_view database, std::string_view script,
                                   std::string_view outputFile, std::string* refused = nullptr);
// sqlplus running a script as the login (an Oracle login is its own schema).
CommandLine OracleScriptCommand(const ToolLogin& login, std::string_view script,
                                std::string_view outputFile, std::string* refused = nullptr);
// osql executing a stored procedure of the database.
CommandLine SqlServerProcedureCommand(std::string_view toolsFolder, const ToolLogin& login,
                                      std::string_view database, std::string_view procedure,
                                      std::string_view outputFile, std::string* refused = nullptr);
// bcp copying loadFile into database..table; option is the step's bcp option as it stands
// on the command line.
CommandLine SqlServerBulkLoadCommand(std::string_view toolsFolder, const ToolLogin& login,
                                     std::string_view database, std::string_view table,
                                     std::string_view loadFile, std::string_view option,
                                     std::string_view outputFile, std::string* refused = nullptr);
// sqlldr with option (control='<file>'), its log and bad-record files in libraryFolder.
CommandLine OracleBulkLoadCommand(const ToolLogin& login, std::string_view option,
                                  std::string_view loadFile, std::string_view libraryFolder,
                                  std::string_view outputFile, std::string* refused = nullptr);

// The Oracle loader's option for a control file.
CommandLine OracleControlOption(std::string_view controlFile, std::string* refused = nullptr);

// A text no quotes can carry on a command line: a double quote or a control character.
bool CannotBeQuoted(std::string_view value);

}  // namespace quellbrook
