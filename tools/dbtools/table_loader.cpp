#include "tools/dbtools/table_loader.hpp"

#include "installer/framework/database_files.hpp"

namespace dbtools {

std::optional<std::vector<std::string>> TableColumns(sqlite3* db, std::string_view table,
                                                     std::string& error) {
  if (!quellbrook::IsPlainIdentifier(table)) {
    error = "table name is not a plain name: " + std::string(table);
    return std::nullopt;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info(?1)", -1, &statement, nullptr) !=
      SQLITE_OK) {
    error = sqlite3_errmsg(db);
    return std::nullopt;
  }
  sqlite3_bind_text(statement, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
  std::vector<std::string> columns;
  while (sqlite3_step(statement) == SQLITE_ROW)
    columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
  sqlite3_finalize(statement);
  if (columns.empty()) {
    error = "there is no table named " + std::string(table);
    return std::nullopt;
  }
  return columns;
}

TableLoader::~TableLoader() {
  sqlite3_finalize(mInsert);
  if (mOpen) sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool TableLoader::Begin(std::string& error) {
  std::string sql = "INSERT INTO \"" + mTable + "\" (";
  std::string places;
  for (std::size_t i = 0; i < mColumns.size(); ++i) {
    if (i > 0) {
      sql += ", ";
      places += ", ";
    }
    sql += "\"" + mColumns[i] + "\"";
    places += "?" + std::to_string(i + 1);
  }
  sql += ") VALUES (" + places + ")";
  if (sqlite3_exec(mDb, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(mDb, sql.c_str(), -1, &mInsert, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(mDb);
    return false;
  }
  mOpen = true;
  return true;
}

bool TableLoader::Insert(const std::vector<std::optional<std::string>>& values,
                         std::string& error) {
  sqlite3_reset(mInsert);
  sqlite3_clear_bindings(mInsert);
  for (std::size_t i = 0; i < values.size() && i < mColumns.size(); ++i) {
    const int place = static_cast<int>(i + 1);
    if (values[i] && !values[i]->empty())
      sqlite3_bind_text(mInsert, place, values[i]->c_str(), static_cast<int>(values[i]->size()),
                        SQLITE_TRANSIENT);
    else
      sqlite3_bind_null(mInsert, place);
  }
  if (sqlite3_step(mInsert) == SQLITE_DONE) return true;
  error = sqlite3_errmsg(mDb);
  return false;
}

bool TableLoader::Commit(std::string& error) {
  sqlite3_finalize(mInsert);
  mInsert = nullptr;
  if (sqlite3_exec(mDb, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
    mOpen = false;
    return true;
  }
  error = sqlite3_errmsg(mDb);
  return false;
}

}  // namespace dbtools
