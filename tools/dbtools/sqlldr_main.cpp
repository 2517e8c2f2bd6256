// Stand-in for the Oracle bulk loader: user/password@server control='file' [data='file']
// [log='file'] [bad='file'] [direct=true]. One record a line; rejected records go to the
// bad file, and the log file tells how many rows were loaded and rejected.
#include <cstdio>
#include <string>

#include "platform/path.hpp"
#include "platform/system_error.hpp"
#include "tools/dbtools/loader_control.hpp"
#include "tools/dbtools/table_loader.hpp"
#include "tools/dbtools/tool_arguments.hpp"
#include "tools/dbtools/tool_session.hpp"

namespace {

struct LoadReport {
  std::string logFile;
  std::string log;
  int Finish(const std::string& message, int code) {
    log += message + "\n";
    if (const int error = logFile.empty() ? 0 : dbtools::WriteToolFile(logFile, log))
      std::printf("%s\n",
                  platform::WithSystemReason("cannot write log file " + logFile, error).c_str());
    std::printf("%s\n", message.c_str());
    return code;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words = dbtools::ArgumentWords(argc, argv);
  std::string loginWord = dbtools::KeywordValue(words, "userid").value_or("");
  if (loginWord.empty())
    for (const std::string& word : words)
      if (word.find('=') == std::string::npos) {
        loginWord = word;
        break;
      }
  const std::optional<dbtools::OracleLogin> login = dbtools::ParseOracleLogin(loginWord);
  const std::optional<std::string> controlFile = dbtools::KeywordValue(words, "control");
  const std::string unknown =
      dbtools::UnknownKeywordWord(words, {"userid", "control", "data", "log", "bad", "direct"});
  if (!unknown.empty()) std::printf("sqlldr: unknown parameter %s\n", unknown.c_str());
  if (!unknown.empty() || !login || !controlFile) {
    std::fputs(
        "usage: sqlldr user/password@server control='file' [data='file'] "
        "[log='file'] [bad='file'] [direct=true]\n",
        stdout);
    return 2;
  }
  LoadReport report;
  report.logFile = dbtools::KeywordValue(words, "log").value_or("");
  const std::string badFile = dbtools::KeywordValue(words, "bad").value_or("");
  report.log = "Control File:   " + *controlFile + "\n";

  std::string error;
  std::string text;
  if (!dbtools::ReadToolFile(*controlFile, dbtools::kMaxScriptBytes, text, error))
    return report.Finish("Error: " + error, 1);
  const std::optional<dbtools::LoaderControl> control = dbtools::ParseLoaderControl(text, error);
  if (!control) return report.Finish("Error in control file: " + error, 1);
  const std::string dataFile = dbtools::KeywordValue(words, "data").value_or(control->dataFile);
  if (dataFile.empty()) return report.Finish("Error: no data file named", 1);
  report.log += "Data File:      " + dataFile + "\nTable " + control->table + "\n";

  dbtools::ToolConnection connection;
  connection.dialect = quellbrook::SqlDialect::kOracle;
  connection.server = login->server;
  connection.user = login->user;
  connection.password = login->password;
  const std::unique_ptr<dbtools::ToolSession> session =
      dbtools::ToolSession::Connect(connection, error);
  if (!session)
    return report.Finish("Error: invalid username/password; logon denied (" + error + ")", 1);
  sqlite3* db = session->Connection().Handle();
  const std::optional<std::vector<std::string>> tableColumns =
      dbtools::TableColumns(db, control->table, error);
  if (!tableColumns) return report.Finish("Error: " + error, 1);

  // The columns the fields go to; a column the table lacks refuses the load.
  std::vector<std::string> targets;
  for (const dbtools::LoaderColumn& column : control->columns) {
    if (column.filler) continue;
    bool found = false;
    for (const std::string& name : *tableColumns)
      if (platform::EqualsNoCase(name, column.name)) found = true;
    if (!found)
      return report.Finish("Error: table " + control->table + " has no column " + column.name, 1);
    targets.push_back(column.name);
  }

  std::string data;
  if (!dbtools::ReadToolFile(dataFile, dbtools::kMaxLoadFileBytes, data, error))
    return report.Finish("Error: " + error, 1);

  const std::string quotedTable = "\"" + control->table + "\"";
  if (control->method == dbtools::LoaderControl::Method::kInsert) {
    std::string count;
    if (!session->Connection().Execute(
            "SELECT count(*) FROM " + quotedTable,
            [&](const quellbrook::DbRow& row) { count = row[0].value_or(""); }, &error))
      return report.Finish("Error: " + error, 1);
    if (count != "0")
      return report.Finish("Error: table " + control->table +
                               " must be empty to load with INSERT; use APPEND or REPLACE",
                           1);
  } else if (control->method != dbtools::LoaderControl::Method::kAppend) {
    if (!session->Connection().Execute("DELETE FROM " + quotedTable, {}, &error))
      return report.Finish("Error: " + error, 1);
  }

  dbtools::TableLoader loader(db, control->table, targets);
  if (!loader.Begin(error)) return report.Finish("Error: " + error, 1);
  long records = 0;
  long loaded = 0;
  std::string rejected;
  std::string_view rest(data);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++records;
    const std::vector<std::string> fields = dbtools::SplitLoaderRecord(line, *control);
    std::vector<std::optional<std::string>> row;
    bool fits = true;
    for (std::size_t i = 0; i < control->columns.size() && fits; ++i) {
      const dbtools::LoaderColumn& column = control->columns[i];
      if (i >= fields.size() && !control->trailingNullColumns) {
        error = "column not found before end of logical record";
        fits = false;
      } else if (i < fields.size() && fields[i].size() > column.maxLength) {
        error = "Error on table " + control->table + ", column " + column.name +
                ". Field in data file exceeds maximum length";
        fits = false;
      }
      if (column.filler) continue;
      row.push_back(i < fields.size() ? std::optional<std::string>(fields[i]) : std::nullopt);
    }
    if (fits && loader.Insert(row, error)) {
      ++loaded;
      continue;
    }
    report.log += "Record " + std::to_string(records) + ": Rejected - " + error + "\n";
    rejected.append(line);
    rejected.push_back('\n');
  }
  if (!loader.Commit(error)) return report.Finish("Error: " + error, 1);
  if (const int badError =
          rejected.empty() || badFile.empty() ? 0 : dbtools::WriteToolFile(badFile, rejected))
    report.log += platform::WithSystemReason("cannot write bad file " + badFile, badError) + "\n";
  report.log += "  " + std::to_string(loaded) + " Rows successfully loaded.\n  " +
                std::to_string(records - loaded) + " Rows not loaded due to data errors.\n";
  return report.Finish("Load completed - logical record count " + std::to_string(records) + ".",
                       records == loaded ? 0 : 1);
}
