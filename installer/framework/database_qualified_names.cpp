#include "installer/framework/database_qualified_names.hpp"

#include <cctype>

#include "platform/path.hpp"

namespace quellbrook {

namespace {

bool IsNameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#';
}

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#' || c == '$' ||
         c == '@';
}

// Where the table name starts when ".." or ".dbo." follows the database name at `at`.
std::size_t QualifierEnd(std::string_view sql, std::size_t at) {
  std::size_t end = 0;
  if (sql.substr(at, 2) == "..") {
    end = at + 2;
  } else if (sql.substr(at, 1) == "." && platform::EqualsNoCase(sql.substr(at + 1, 3), "dbo") &&
             sql.substr(at + 4, 1) == ".") {
    end = at + 5;
  }
  if (end == 0 || end >= sql.size()) return 0;
  return IsNameStart(sql[end]) || sql[end] == '[' ? end : 0;
}

// One past the closing `close` of a literal, quoted name or comment opened before `from`.
std::size_t SkipPast(std::string_view sql, std::size_t from, std::string_view close) {
  const std::size_t at = sql.find(close, from);
  return at == std::string_view::npos ? sql.size() : at + close.size();
}

}  // namespace

std::vector<DatabaseQualifier> FindDatabaseQualifiers(std::string_view sql) {
  std::vector<DatabaseQualifier> found;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    const std::string_view two = sql.substr(i, 2);
    if (c == '\'') {
      // A quote inside a literal is doubled, which this reads as two literals in a row.
      i = SkipPast(sql, i + 1, "'");
    } else if (c == '"') {
      i = SkipPast(sql, i + 1, "\"");
    } else if (two == "--") {
      i = SkipPast(sql, i + 2, "\n");
    } else if (two == "/*") {
      i = SkipPast(sql, i + 2, "*/");
    } else if (c == '[') {
      const std::size_t close = SkipPast(sql, i + 1, "]");
      const std::size_t end = close <= sql.size() ? QualifierEnd(sql, close) : 0;
      if (end != 0 && close - i >= 3) found.push_back({i, end, sql.substr(i + 1, close - i - 2)});
      i = close;
    } else if (IsNameStart(c) && (i == 0 || (!IsNameChar(sql[i - 1]) && sql[i - 1] != '.'))) {
      std::size_t j = i;
      while (j < sql.size() && IsNameChar(sql[j])) ++j;
      if (const std::size_t end = QualifierEnd(sql, j); end != 0)
        found.push_back({i, end, sql.substr(i, j - i)});
      i = j;
    } else if (IsNameChar(c)) {
      while (i < sql.size() && IsNameChar(sql[i])) ++i;
    } else {
      ++i;
    }
  }
  return found;
}

}  // namespace quellbrook
