#include "tools/dbtools/tool_session.hpp"

#include <sqlite3.h>

#include <cstdio>
#include <vector>

#include "installer/framework/connection_text.hpp"
#include "installer/framework/database_files.hpp"
#include "installer/framework/text_functions.hpp"
#include "platform/path.hpp"
#include "tools/dbtools/sql_text.hpp"

namespace dbtools {

namespace {

using quellbrook::SqlDialect;

std::string_view ProcedureName(std::string_view word) {
  // A name may carry its owner (dbo.NAME); the procedure is the last part.
  const std::size_t dot = word.rfind('.');
  return dot == std::string_view::npos ? word : word.substr(dot + 1);
}

// The original spelling of the n-th word (upper-cased in LeadingWords).
std::string OriginalWord(std::string_view statement, std::string_view upperWord) {
  const std::size_t end = FindWord(statement, upperWord);
  if (end == std::string_view::npos) return std::string(upperWord);
  return std::string(statement.substr(end - upperWord.size(), upperWord.size()));
}

// "BEGIN ... END [name]" to what stands between, for Oracle blocks.
std::string BlockInside(std::string_view block) {
  std::string text = quellbrook::TrimText(block);
  const std::size_t begin = FindWord(text, "BEGIN");
  if (begin == std::string::npos) return text;
  std::string inside = text.substr(begin);
  // The last END closes the block; a name and ';' may follow it.
  std::size_t end = std::string::npos;
  for (std::size_t at = FindWord(inside, "END"); at != std::string::npos;) {
    end = at - 3;
    const std::size_t next = FindWord(std::string_view(inside).substr(at), "END");
    at = next == std::string::npos ? std::string::npos : at + next;
  }
  if (end != std::string::npos) inside.resize(end);
  return inside;
}

// sql prepared on db with the procedure's name bound to ?1; nullptr, with the database's
// error, when it cannot be prepared.
sqlite3_stmt* PrepareForName(sqlite3* db, const std::string& sql, std::string_view name,
                             std::string& error) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(db);
    return nullptr;
  }
  sqlite3_bind_text(statement, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  return statement;
}

}  // namespace

std::unique_ptr<ToolSession> ToolSession::Connect(const ToolConnection& connection,
                                                  std::string& error) {
  quellbrook::ConnectionProperties properties;
  properties.provider = connection.dialect == SqlDialect::kOracle ? quellbrook::kOracleProvider
                                                                  : quellbrook::kSqlServerProvider;
  properties.user = connection.user;
  properties.password = connection.password;
  properties.dataSource = connection.server;
  properties.initialCatalog = connection.database;
  std::unique_ptr<quellbrook::DbConnection> opened =
      quellbrook::DbConnection::Open(quellbrook::DatabaseFolder(), properties, &error);
  if (!opened) return nullptr;
  std::unique_ptr<ToolSession> session(new ToolSession);
  session->mConnection = std::move(opened);
  return session;
}

bool ToolSession::Run(std::string_view statement, std::string& out, std::string& error) {
  if (Dialect() == SqlDialect::kOracle) return RunOracleCall(statement, out, error);
  return RunAtDepth(statement, out, error, 0);
}

bool ToolSession::RunOracleCall(std::string_view statement, std::string& out, std::string& error) {
  sqlite3* db = mConnection->Handle();
  // A call outside any transaction is undone whole when it fails; one that ended the
  // transaction itself (COMMIT or ROLLBACK in a handler) keeps what it committed.
  const bool own = sqlite3_get_autocommit(db) != 0 &&
                   sqlite3_exec(db, "SAVEPOINT zelko_call", nullptr, nullptr, nullptr) == SQLITE_OK;
  const bool ran = RunAtDepth(statement, out, error, 0);
  if (own && sqlite3_get_autocommit(db) == 0) {
    if (!ran) sqlite3_exec(db, "ROLLBACK TO zelko_call", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, "RELEASE zelko_call", nullptr, nullptr, nullptr) != SQLITE_OK && ran) {
      error = sqlite3_errmsg(db);
      return false;
    }
  }
  return ran;
}

bool ToolSession::RunAtDepth(std::string_view statement, std::string& out, std::string& error,
                             int depth) {
  const std::vector<std::string> words = LeadingWords(statement, 4);
  if (words.empty()) return true;
  const std::string& first = words[0];
  const auto word = [&](std::size_t i) { return i < words.size() ? words[i] : std::string(); };

  if (first == "CREATE") {
    const bool orReplace = word(1) == "OR" && word(2) == "REPLACE";
    const std::string kind = orReplace ? word(3) : word(1);
    if (kind == "PROC" || kind == "PROCEDURE") return CreateProcedure(statement, orReplace, error);
    if (kind == "TABLE" && !MayCreate(quellbrook::kCreateTablePermission)) {
      error = "CREATE TABLE permission denied to " + mConnection->Login();
      return false;
    }
  }
  if (first == "DROP" && (word(1) == "PROC" || word(1) == "PROCEDURE"))
    return DropProcedure(ProcedureName(OriginalWord(statement, word(2))), error);
  if (first == "EXEC" || first == "EXECUTE")
    return CallProcedure(ProcedureName(OriginalWord(statement, word(1))), out, error, depth);
  if (first == "BEGIN" && (word(1) == "TRAN" || word(1) == "TRANSACTION"))
    return RunPlain("BEGIN", out, error);
  if (first == "BEGIN" || first == "DECLARE")
    return RunBody(BlockInside(statement), out, error, depth);
  if (first == "SET") {
    if (word(1) == "XACT_ABORT") mAbortOnError = word(2) == "ON";
    return true;
  }
  if (first == "COMMIT" || first == "ROLLBACK") {
    if (sqlite3_get_autocommit(mConnection->Handle()) != 0) return true;
    return RunPlain(first, out, error);
  }
  if (first == "PRINT") {
    std::string text = quellbrook::TrimText(statement.substr(FindWord(statement, "PRINT")));
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
      text = text.substr(1, text.size() - 2);
    out += text + "\n";
    return true;
  }
  // In an Oracle block a lone name calls the procedure of that name.
  if (Dialect() == SqlDialect::kOracle && words.size() == 1 &&
      quellbrook::TrimText(statement).size() == first.size() && depth > 0)
    return CallProcedure(quellbrook::TrimText(statement), out, error, depth);
  return RunPlain(statement, out, error);
}

bool ToolSession::MayCreate(const char* permission) const {
  if (platform::EqualsNoCase(mConnection->Login(), kAdministratorLogin)) return true;
  return quellbrook::HasPermission(mConnection->Folder(), mConnection->CurrentDatabase(),
                                   mConnection->Login(), permission);
}

bool ToolSession::CreateProcedure(std::string_view statement, bool replace, std::string& error) {
  if (!MayCreate(quellbrook::kCreateProcedurePermission)) {
    error = "CREATE PROCEDURE permission denied to " + mConnection->Login();
    return false;
  }
  const std::size_t kindEnd = FindWord(statement, "PROCEDURE") != std::string_view::npos
                                  ? FindWord(statement, "PROCEDURE")
                                  : FindWord(statement, "PROC");
  const std::vector<std::string> after = LeadingWords(statement.substr(kindEnd), 1);
  if (after.empty()) {
    error = "procedure name expected";
    return false;
  }
  const std::string name(
      ProcedureName(quellbrook::TrimText(statement.substr(kindEnd)).substr(0, after[0].size())));
  if (!quellbrook::IsPlainIdentifier(name)) {
    error = "procedure name is not a plain name: " + name;
    return false;
  }
  std::size_t bodyStart = FindWord(statement, "AS");
  const std::size_t isStart = FindWord(statement, "IS");
  if (bodyStart == std::string_view::npos ||
      (isStart != std::string_view::npos && isStart < bodyStart))
    bodyStart = isStart;
  if (bodyStart == std::string_view::npos) {
    error = "AS expected before the body of procedure " + name;
    return false;
  }
  std::string body = quellbrook::TrimText(statement.substr(bodyStart));
  if (Dialect() == SqlDialect::kOracle) body = BlockInside(body);

  sqlite3* db = mConnection->Handle();
  const std::string table = quellbrook::kProceduresTable;
  const std::string sql = std::string(replace ? "INSERT OR REPLACE" : "INSERT") + " INTO " + table +
                          " (name, body) VALUES (?1, ?2)";
  sqlite3_stmt* insert = PrepareForName(db, sql, name, error);
  if (insert == nullptr) return false;
  sqlite3_bind_text(insert, 2, body.c_str(), -1, SQLITE_TRANSIENT);
  const int step = sqlite3_step(insert);
  sqlite3_finalize(insert);
  if (step == SQLITE_DONE) return true;
  error = step == SQLITE_CONSTRAINT ? "there is already a procedure named " + name
                                    : std::string(sqlite3_errmsg(db));
  return false;
}

bool ToolSession::DropProcedure(std::string_view name, std::string& error) {
  sqlite3* db = mConnection->Handle();
  const std::string sql =
      std::string("DELETE FROM ") + quellbrook::kProceduresTable + " WHERE name = ?1";
  sqlite3_stmt* remove = PrepareForName(db, sql, name, error);
  if (remove == nullptr) return false;
  const int step = sqlite3_step(remove);
  sqlite3_finalize(remove);
  if (step != SQLITE_DONE) {
    error = sqlite3_errmsg(db);
    return false;
  }
  if (sqlite3_changes(db) > 0) return true;
  error = "there is no procedure named " + std::string(name);
  return false;
}

bool ToolSession::CallProcedure(std::string_view name, std::string& out, std::string& error,
                                int depth) {
  if (depth >= kMaxProcedureDepth) {
    error = "procedures nested deeper than " + std::to_string(kMaxProcedureDepth);
    return false;
  }
  sqlite3* db = mConnection->Handle();
  const std::string sql =
      std::string("SELECT body FROM ") + quellbrook::kProceduresTable + " WHERE name = ?1";
  sqlite3_stmt* select = PrepareForName(db, sql, name, error);
  if (select == nullptr) return false;
  std::string body;
  const bool found = sqlite3_step(select) == SQLITE_ROW;
  if (found) body = reinterpret_cast<const char*>(sqlite3_column_text(select, 0));
  sqlite3_finalize(select);
  if (!found) {
    error = "there is no procedure named " + std::string(name);
    return false;
  }
  const bool abortOnError = mAbortOnError;
  const bool ran = RunBody(body, out, error, depth + 1);
  mAbortOnError = abortOnError;
  return ran;
}

bool ToolSession::RunBody(std::string_view body, std::string& out, std::string& error, int depth) {
  if (Dialect() == SqlDialect::kSqlServer) return RunStatements(body, out, error, depth);
  const std::size_t handlerAt = FindWord(body, "EXCEPTION");
  if (handlerAt == std::string_view::npos) return RunStatements(body, out, error, depth);
  const std::string_view handler = body.substr(handlerAt);
  if (LeadingWords(handler, 3) != std::vector<std::string>{"WHEN", "OTHERS", "THEN"}) {
    error = "only an EXCEPTION WHEN OTHERS THEN handler is understood";
    return false;
  }
  if (RunStatements(body.substr(0, handlerAt - 9), out, error, depth)) return true;
  const std::string raised = error;
  for (const std::string& statement : SplitStatements(handler.substr(FindWord(handler, "THEN")))) {
    if (LeadingWords(statement, 2) == std::vector<std::string>{"RAISE"}) {
      error = raised;
      return false;
    }
    if (!RunAtDepth(statement, out, error, depth + 1)) return false;
  }
  return true;
}

bool ToolSession::RunStatements(std::string_view text, std::string& out, std::string& error,
                                int depth) {
  for (const std::string& statement : SplitStatements(text)) {
    if (RunAtDepth(statement, out, error, depth + 1)) continue;
    if (Dialect() == SqlDialect::kOracle || mAbortOnError) {
      sqlite3* db = mConnection->Handle();
      if (Dialect() == SqlDialect::kSqlServer && sqlite3_get_autocommit(db) == 0)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      return false;
    }
    // A procedure statement's error is printed and the procedure goes on.
    out += "Error: " + error + "\n";
    ++mPassedErrors;
  }
  return true;
}

bool ToolSession::RunPlain(std::string_view statement, std::string& out, std::string& error) {
  long rows = 0;
  bool hasRows = false;
  const bool ok = mConnection->Execute(
      statement,
      [&](const quellbrook::DbRow& row) {
        hasRows = true;
        ++rows;
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
          if (i > 0) line += ' ';
          line += row[i] ? *row[i] : std::string("NULL");
        }
        out += line + "\n";
      },
      &error);
  if (!ok) return false;
  const std::vector<std::string> words = LeadingWords(statement, 1);
  const bool changes =
      !words.empty() && (words[0] == "INSERT" || words[0] == "UPDATE" || words[0] == "DELETE");
  if (changes) rows = sqlite3_changes(mConnection->Handle());
  if (hasRows || changes)
    out += "(" + std::to_string(rows) + (rows == 1 ? " row affected)\n" : " rows affected)\n");
  return true;
}

std::unique_ptr<ToolSession> ConnectGluedLogin(const GluedOptions& options,
                                               const std::string& database) {
  ToolConnection connection;
  connection.server = options.Value('S');
  connection.user = options.Value('U');
  connection.password = options.Value('P');
  connection.database = database;
  std::string error;
  std::unique_ptr<ToolSession> session = ToolSession::Connect(connection, error);
  if (!session)
    std::printf("Login failed for user '%s': %s\n", connection.user.c_str(), error.c_str());
  return session;
}

}  // namespace dbtools
