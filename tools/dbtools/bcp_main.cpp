// Stand-in for the SQL Server bulk copy tool, loading only: database..table in file, then
// -c with -t (field) and -r (row) terminators, or -f format file, and -S, -U, -P glued to
// their letters. A record that can't be read or stored is reported and skipped.
#include <cstdio>
#include <string>

#include "installer/framework/batch_line.hpp"
#include "tools/dbtools/bulk_records.hpp"
#include "tools/dbtools/table_loader.hpp"
#include "tools/dbtools/tool_arguments.hpp"
#include "tools/dbtools/tool_session.hpp"

namespace {

int Fail(const std::string& message) {
  std::printf("Error: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const dbtools::GluedOptions options =
      dbtools::ParseGluedOptions(dbtools::ArgumentWords(argc, argv));
  const bool known = dbtools::GluedOptionsKnown(options, "bcp", "ctrfSUP");
  if (!known || options.positional.size() != 3 || options.positional[1] != "in" ||
      options.Has('c') == options.Has('f')) {
    std::fputs(
        "usage: bcp database..table in file (-c [-tfield] [-rrow] | -fformat) "
        "-Sserver -Ulogin -Ppassword\n",
        stdout);
    return 2;
  }
  const std::string& target = options.positional[0];
  const std::size_t dots = target.find("..");
  if (dots == std::string::npos) return Fail("database..table expected, found " + target);

  const std::string table = target.substr(dots + 2);
  const std::unique_ptr<dbtools::ToolSession> session =
      dbtools::ConnectGluedLogin(options, target.substr(0, dots));
  if (!session) return 1;
  std::string error;
  sqlite3* db = session->Connection().Handle();
  const std::optional<std::vector<std::string>> columns = dbtools::TableColumns(db, table, error);
  if (!columns) return Fail(error);

  std::vector<dbtools::BulkField> fields;
  if (options.Has('f')) {
    std::string format;
    if (!dbtools::ReadToolFile(options.Value('f'), dbtools::kMaxScriptBytes, format, error))
      return Fail(error);
    std::optional<std::vector<dbtools::BulkField>> parsed = dbtools::ParseFormatFile(format, error);
    if (!parsed) return Fail(error);
    fields = std::move(*parsed);
    for (const dbtools::BulkField& field : fields)
      if (field.serverColumn > static_cast<int>(columns->size()))
        return Fail("format file names column " + std::to_string(field.serverColumn) + " of " +
                    std::to_string(columns->size()));
  } else {
    const std::optional<std::string> fieldEnd =
        dbtools::DecodeTerminator(options.Has('t') ? options.Value('t') : "\\t");
    const std::optional<std::string> rowEnd =
        dbtools::DecodeTerminator(options.Has('r') ? options.Value('r') : "\\n");
    if (!fieldEnd || !rowEnd) return Fail("terminator can't be read");
    for (std::size_t i = 0; i < columns->size(); ++i)
      fields.push_back({i + 1 < columns->size() ? *fieldEnd : *rowEnd, 0, static_cast<int>(i + 1)});
  }

  // The columns the fields go to, in field order.
  std::vector<std::string> targets;
  for (const dbtools::BulkField& field : fields)
    if (field.serverColumn > 0) targets.push_back((*columns)[field.serverColumn - 1]);

  std::string data;
  if (!dbtools::ReadToolFile(options.positional[2], dbtools::kMaxLoadFileBytes, data, error))
    return Fail(error);
  std::puts("Starting copy...");
  dbtools::TableLoader loader(db, table, targets);
  if (!loader.Begin(error)) return Fail(error);
  dbtools::BulkRecordReader reader(data, fields);
  std::vector<std::string> values;
  long copied = 0;
  long rejected = 0;
  for (;;) {
    const dbtools::BulkRecordReader::Result result = reader.Next(values, error);
    if (result == dbtools::BulkRecordReader::Result::kEnd) break;
    if (result == dbtools::BulkRecordReader::Result::kRecord) {
      std::vector<std::optional<std::string>> row;
      for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].serverColumn > 0) row.emplace_back(values[i]);
      if (loader.Insert(row, error)) {
        ++copied;
        continue;
      }
      error = "record " + std::to_string(reader.RecordNumber()) + ": " + error;
    }
    ++rejected;
    std::printf("Error: %s\n", error.c_str());
  }
  if (!loader.Commit(error)) return Fail(error);
  std::printf("\n%ld rows copied.\n", copied);
  return rejected > 0 ? 1 : 0;
}
