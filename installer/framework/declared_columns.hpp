// What a real server holds a column to and SQLite does not: the width its type declares
// (varchar(64), VARCHAR2(64), char(8)) and, for integer and number columns, that the value
// is a number. The connection keeps every table of its databases under guard triggers that
// refuse such a value, so an insert or update from any tool or procedure fails as the real
// server's would.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct sqlite3;

namespace quellbrook {

enum class SqlDialect;

struct DeclaredColumn {
  enum class Kind { kFree, kText, kInteger, kNumber };
  Kind kind = Kind::kFree;
  std::size_t width = 0;  // kText: the most bytes it holds
};

// The declared type as the server reads it; types it does not bound are kFree.
DeclaredColumn ParseDeclaredType(std::string_view type);

// Makes, remakes or drops the guard triggers of every table in every database open on the
// handle (main, temp and attached), so each matches its table's columns. Messages are the
// dialect's. False, with the reason in error, when the catalogue can't be read or changed.
bool GuardDeclaredColumns(sqlite3* db, SqlDialect dialect, std::string* error);

// True when the statement text creates or alters a table (leading blanks and comments
// passed over), after which the guards are brought up to date.
bool DefinesTable(std::string_view statement);

}  // namespace quellbrook
