#include "installer/framework/declared_columns.hpp"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <vector>

#include "installer/framework/db_connection.hpp"
#include "installer/framework/text_functions.hpp"

namespace quellbrook {

namespace {

constexpr const char* kGuardPrefix = "zelko_fit_";

std::string QuotedName(std::string_view name) {
  return EnclosedInQuotes(name, '"');
}

std::string TextLiteral(std::string_view text) {
  return EnclosedInQuotes(text, '\'');
}

// Runs a query, handing each row's texts to onRow; false on any failure.
template <typename Handler>
bool Query(sqlite3* db, const std::string& sql, int columns, Handler onRow, std::string* error) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
    return FailWith(error, sqlite3_errmsg(db));
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) {
      const unsigned char* text = sqlite3_column_text(statement, c);
      row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
    }
    onRow(row);
  }
  sqlite3_finalize(statement);
  return step == SQLITE_DONE || FailWith(error, sqlite3_errmsg(db));
}

// The checks of one table's columns, one SELECT RAISE each; empty when none is bounded.
std::string GuardBody(sqlite3* db, const std::string& schema, const std::string& table,
                      SqlDialect dialect, bool& ok, std::string* error) {
  std::string body;
  ok = Query(
      db, "PRAGMA " + QuotedName(schema) + ".table_info(" + QuotedName(table) + ")", 3,
      [&](const std::vector<std::string>& row) {
        const std::string& column = row[1];
        const DeclaredColumn declared = ParseDeclaredType(row[2]);
        const std::string value = "NEW." + QuotedName(column);
        std::string message;
        std::string refused;
        switch (declared.kind) {
          case DeclaredColumn::Kind::kFree:
            return;
          case DeclaredColumn::Kind::kText:
            message = dialect == SqlDialect::kOracle
                          ? FormatText("ORA-12899: value too large for column %s.%s (maximum: %zu)",
                                       table.c_str(), column.c_str(), declared.width)
                          : FormatText(
                                "String or binary data would be truncated: column %s of "
                                "table %s holds at most %zu characters",
                                column.c_str(), table.c_str(), declared.width);
            refused = FormatText("length(CAST(%s AS BLOB)) > %zu", value.c_str(), declared.width);
            break;
          case DeclaredColumn::Kind::kInteger:
          case DeclaredColumn::Kind::kNumber:
            message = dialect == SqlDialect::kOracle
                          ? FormatText("ORA-01722: invalid number for column %s.%s", table.c_str(),
                                       column.c_str())
                          : FormatText("Conversion failed: column %s of table %s takes %s",
                                       column.c_str(), table.c_str(),
                                       declared.kind == DeclaredColumn::Kind::kInteger ? "integers"
                                                                                       : "numbers");
            refused = value + " IS NOT NULL AND typeof(" + value + ") NOT IN ('integer'" +
                      (declared.kind == DeclaredColumn::Kind::kNumber ? ", 'real')" : ")");
            break;
        }
        body += "SELECT RAISE(ABORT, " + TextLiteral(message) + ") WHERE " + refused + ";\n";
      },
      error);
  return body;
}

// Brings one trigger to its definition, what follows "CREATE TRIGGER" (none when empty).
bool PutTrigger(sqlite3* db, const std::string& schema, const std::string& name,
                const std::string& definition, std::string* error) {
  // The catalogue keeps the text without the schema it was made in.
  const std::string wanted = definition.empty() ? definition : "CREATE TRIGGER " + definition;
  std::string existing;
  if (!Query(
          db,
          "SELECT sql FROM " + QuotedName(schema) + ".sqlite_master WHERE type = 'trigger' AND " +
              "name = " + TextLiteral(name),
          1, [&](const std::vector<std::string>& row) { existing = row[0]; }, error))
    return false;
  if (existing == wanted) return true;
  std::string sql;
  if (!existing.empty()) sql = "DROP TRIGGER " + QuotedName(schema) + "." + QuotedName(name) + ";";
  if (!definition.empty()) sql += "CREATE TRIGGER " + QuotedName(schema) + "." + definition;
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
  FailWith(error, message != nullptr ? message : "the guard of a table could not be made");
  sqlite3_free(message);
  return false;
}

}  // namespace

DeclaredColumn ParseDeclaredType(std::string_view type) {
  const std::string upper = UpperText(TrimText(type));
  const std::size_t open = upper.find('(');
  const std::string base = TrimText(upper.substr(0, open));
  std::vector<std::string> sizes;
  if (open != std::string::npos) {
    const std::size_t close = upper.find(')', open);
    SplitList(upper.substr(open + 1, close == std::string::npos ? close : close - open - 1), sizes,
              ',', 0);
  }
  // The size's leading number; "max" gives 0, no bound.
  const auto size = [&](std::size_t i) -> std::size_t {
    if (i >= sizes.size()) return 0;
    const std::string text = TrimText(sizes[i]);
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0])) == 0) return 0;
    return static_cast<std::size_t>(std::strtoul(text.c_str(), nullptr, 10));
  };
  DeclaredColumn column;
  if (base == "VARCHAR" || base == "VARCHAR2" || base == "NVARCHAR" || base == "NVARCHAR2" ||
      base == "CHAR" || base == "NCHAR" || base == "CHARACTER") {
    column.width = size(0);
    if (column.width > 0) column.kind = DeclaredColumn::Kind::kText;
  } else if (base == "INT" || base == "INTEGER" || base == "SMALLINT" || base == "BIGINT" ||
             base == "TINYINT") {
    column.kind = DeclaredColumn::Kind::kInteger;
  } else if (base == "NUMBER" || base == "NUMERIC" || base == "DECIMAL" || base == "FLOAT" ||
             base == "REAL" || base == "DOUBLE PRECISION") {
    // A number with fewer decimals than it carries is rounded, not refused.
    column.kind = DeclaredColumn::Kind::kNumber;
  }
  return column;
}

bool GuardDeclaredColumns(sqlite3* db, SqlDialect dialect, std::string* error) {
  std::vector<std::string> schemas;
  if (!Query(
          db, "PRAGMA database_list", 2,
          [&](const std::vector<std::string>& row) { schemas.push_back(row[1]); }, error))
    return false;
  for (const std::string& schema : schemas) {
    std::vector<std::string> tables;
    if (!Query(
            db,
            "SELECT name FROM " + QuotedName(schema) +
                ".sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                "AND name NOT LIKE 'zelko\\_%' ESCAPE '\\'",
            1, [&](const std::vector<std::string>& row) { tables.push_back(row[0]); }, error))
      return false;
    for (const std::string& table : tables) {
      bool ok = true;
      const std::string body = GuardBody(db, schema, table, dialect, ok, error);
      if (!ok) return false;
      for (const char* event : {"INSERT", "UPDATE"}) {
        const std::string name =
            kGuardPrefix + std::string(event[0] == 'I' ? "insert_" : "update_") + table;
        const std::string definition = body.empty()
                                           ? std::string()
                                           : QuotedName(name) + " BEFORE " + event + " ON " +
                                                 QuotedName(table) + " BEGIN\n" + body + "END";
        if (!PutTrigger(db, schema, name, definition, error)) return false;
      }
    }
  }
  return true;
}

bool DefinesTable(std::string_view statement) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < statement.size() && words.size() < 3) {
    const char c = statement[i];
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++i;
    } else if (statement.substr(i, 2) == "--") {
      const std::size_t end = statement.find('\n', i);
      i = end == std::string_view::npos ? statement.size() : end + 1;
    } else if (statement.substr(i, 2) == "/*") {
      const std::size_t end = statement.find("*/", i + 2);
      i = end == std::string_view::npos ? statement.size() : end + 2;
    } else if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
      const std::size_t begin = i;
      while (i < statement.size() && std::isalpha(static_cast<unsigned char>(statement[i])) != 0)
        ++i;
      words.push_back(UpperText(statement.substr(begin, i - begin)));
    } else {
      break;
    }
  }
  if (words.size() < 2) return false;
  if (words[0] == "ALTER") return words[1] == "TABLE";
  if (words[0] != "CREATE") return false;
  if (words[1] == "TABLE") return true;
  return (words[1] == "TEMP" || words[1] == "TEMPORARY") && words.size() > 2 && words[2] == "TABLE";
}

}  // namespace quellbrook
