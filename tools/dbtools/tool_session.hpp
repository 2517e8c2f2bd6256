// A database tool's connection and the statements it runs on it: stored procedures are
// created, dropped and executed here (kept in the database's procedures table), CREATE
// TABLE and CREATE PROCEDURE need the login's grant unless it is the administrator, and
// what a statement gives back is printed the way the tools print results.
//
// A failing statement inside a procedure or block does what it does on the real servers.
// SQL Server: the statement alone is undone, its error printed, and the procedure goes on,
// unless SET XACT_ABORT ON (kept until the procedure returns) is in force: then the
// transaction is rolled back and the procedure and the batch stop. Oracle: the statement
// is undone and the block's EXCEPTION WHEN OTHERS THEN handler runs (RAISE in it passes
// the error on); without a handler the error leaves the block, and everything the
// top-level call did is undone.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "installer/framework/db_connection.hpp"
#include "tools/dbtools/tool_arguments.hpp"

namespace dbtools {

// The administrator login, which holds every permission.
inline constexpr const char* kAdministratorLogin = "sa";
// Stored procedures calling each other no deeper than this.
inline constexpr int kMaxProcedureDepth = 32;

// The login a tool connects with.
struct ToolConnection {
  quellbrook::SqlDialect dialect = quellbrook::SqlDialect::kSqlServer;
  std::string server;
  std::string user;
  std::string password;
  std::string database;  // SQL Server only; Oracle works in the login's schema
};

class ToolSession {
 public:
  // Connects through the server's files; nothing, with the reason in error, when the
  // server, login or database can't be had.
  static std::unique_ptr<ToolSession> Connect(const ToolConnection& connection, std::string& error);

  // Runs one statement (without its ';'), printing its rows or its count of changed rows
  // to out; false, with the reason in error, when it failed.
  [[nodiscard]] bool Run(std::string_view statement, std::string& out, std::string& error);

  quellbrook::DbConnection& Connection() { return *mConnection; }
  // Errors printed inside procedures that did not stop them.
  int PassedErrors() const { return mPassedErrors; }
  quellbrook::SqlDialect Dialect() const { return mConnection->Dialect(); }

 private:
  bool RunAtDepth(std::string_view statement, std::string& out, std::string& error, int depth);
  bool CreateProcedure(std::string_view statement, bool replace, std::string& error);
  bool DropProcedure(std::string_view name, std::string& error);
  bool CallProcedure(std::string_view name, std::string& out, std::string& error, int depth);
  bool RunBody(std::string_view body, std::string& out, std::string& error, int depth);
  bool RunStatements(std::string_view text, std::string& out, std::string& error, int depth);
  bool RunOracleCall(std::string_view statement, std::string& out, std::string& error);
  bool MayCreate(const char* permission) const;
  bool RunPlain(std::string_view statement, std::string& out, std::string& error);

  std::unique_ptr<quellbrook::DbConnection> mConnection;
  bool mAbortOnError = false;  // SET XACT_ABORT
  int mPassedErrors = 0;
};

// SQL Server's tools: the session of the login in -S, -U and -P to database; nullptr, with
// the tools' "Login failed" line printed, when it cannot be opened.
std::unique_ptr<ToolSession> ConnectGluedLogin(const GluedOptions& options,
                                               const std::string& database);

}  // namespace dbtools
