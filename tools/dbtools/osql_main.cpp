// Stand-in for the SQL Server script runner: -S server, -U login, -P password (each glued
// to its letter), -d database, then -i script (batches split at GO lines) or -Q query.
// Output goes to standard output; the exit code is 1 when any batch failed or a procedure
// printed an error it went on after.
#include <cstdio>
#include <string>

#include "installer/framework/text_functions.hpp"
#include "tools/dbtools/sql_text.hpp"
#include "tools/dbtools/tool_arguments.hpp"
#include "tools/dbtools/tool_session.hpp"

namespace {

using dbtools::ToolSession;

// A batch that creates a procedure is the procedure whole; any other is cut at ';'.
bool RunBatch(ToolSession& session, const std::string& batch, std::string& out) {
  const std::vector<std::string> words = dbtools::LeadingWords(batch, 2);
  std::vector<std::string> statements;
  if (words.size() == 2 && words[0] == "CREATE" && (words[1] == "PROC" || words[1] == "PROCEDURE"))
    statements.push_back(quellbrook::TrimText(batch));
  else
    statements = dbtools::SplitStatements(batch);
  for (const std::string& statement : statements) {
    std::string error;
    if (!session.Run(statement, out, error)) {
      out += "Error: " + error + "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const dbtools::GluedOptions options =
      dbtools::ParseGluedOptions(dbtools::ArgumentWords(argc, argv));
  // -w (line width) and -n (no numbering) change nothing of the output here.
  const bool known = dbtools::GluedOptionsKnown(options, "osql", "SUPdiQwn");
  if (!known || !options.positional.empty() || (!options.Has('i') && !options.Has('Q'))) {
    std::fputs(
        "usage: osql -Sserver -Ulogin -Ppassword -ddatabase (-iscript | -Qquery) [-wwidth] "
        "[-n]\n",
        stdout);
    return 2;
  }
  const std::unique_ptr<ToolSession> session =
      dbtools::ConnectGluedLogin(options, options.Value('d'));
  if (!session) return 1;
  std::string error;

  std::vector<std::string> batches;
  if (options.Has('i')) {
    std::string script;
    if (!dbtools::ReadToolFile(options.Value('i'), dbtools::kMaxScriptBytes, script, error)) {
      std::printf("Error: %s\n", error.c_str());
      return 1;
    }
    batches = dbtools::SplitBatches(script);
  } else {
    batches.push_back(options.Value('Q'));
  }
  bool failed = false;
  for (const std::string& batch : batches) {
    std::string out;
    if (!RunBatch(*session, batch, out)) failed = true;
    std::fputs(out.c_str(), stdout);
  }
  return failed || session->PassedErrors() > 0 ? 1 : 0;
}
