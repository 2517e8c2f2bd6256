// Tables named with their database the SQL Server way, NAME..TABLE or NAME.dbo.TABLE (the
// database name may stand in brackets), found in a statement text outside its literals,
// quoted names and comments. The connection answers them by attaching the other database.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quellbrook {

struct DatabaseQualifier {
  std::size_t begin = 0;  // where the database name (or its opening bracket) starts
  std::size_t end = 0;    // one past the ".." or ".dbo." before the table name
  std::string_view database;
};

std::vector<DatabaseQualifier> FindDatabaseQualifiers(std::string_view sql);

}  // namespace quellbrook
