// Stand-in for the Oracle script runner: [-s] user/password@server @script. The login is
// also the schema the script works in. Errors are printed and the script goes on.
#include <cstdio>
#include <string>

#include "tools/dbtools/sqlplus_script.hpp"
#include "tools/dbtools/tool_arguments.hpp"
#include "tools/dbtools/tool_session.hpp"

int main(int argc, char** argv) {
  std::string loginWord;
  std::string script;
  std::string unknown;
  for (const std::string& word : dbtools::ArgumentWords(argc, argv)) {
    if (word == "-s" || word == "-S") continue;
    if (word.starts_with("-") && unknown.empty()) unknown = word;
    if (!word.empty() && word[0] == '@')
      script = word.substr(1);
    else if (loginWord.empty())
      loginWord = word;
  }
  if (!unknown.empty()) std::printf("sqlplus: unknown option %s\n", unknown.c_str());
  const std::optional<dbtools::OracleLogin> login = dbtools::ParseOracleLogin(loginWord);
  if (!unknown.empty() || !login || script.empty()) {
    std::fputs("usage: sqlplus [-s] user/password@server @script\n", stdout);
    return 2;
  }
  dbtools::ToolConnection connection;
  connection.dialect = quellbrook::SqlDialect::kOracle;
  connection.server = login->server;
  connection.user = login->user;
  connection.password = login->password;
  std::string error;
  const std::unique_ptr<dbtools::ToolSession> session =
      dbtools::ToolSession::Connect(connection, error);
  if (!session) {
    std::printf("ERROR: invalid username/password; logon denied (%s)\n", error.c_str());
    return 1;
  }
  std::string text;
  if (!dbtools::ReadToolFile(script, dbtools::kMaxScriptBytes, text, error)) {
    std::printf("ERROR: %s\n", error.c_str());
    return 1;
  }
  bool failed = false;
  for (const dbtools::ScriptUnit& unit : dbtools::SplitPlusScript(text)) {
    if (unit.kind == dbtools::ScriptUnit::Kind::kExit) break;
    if (unit.kind == dbtools::ScriptUnit::Kind::kPrompt) {
      std::printf("%s\n", unit.text.c_str());
      continue;
    }
    std::string out;
    if (!session->Run(unit.text, out, error)) {
      out += "ERROR: " + error + "\n";
      failed = true;
    }
    std::fputs(out.c_str(), stdout);
  }
  return failed ? 1 : 0;
}
