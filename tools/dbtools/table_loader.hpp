// Inserting bulk-loaded records into a table of the tool's database: one transaction for
// the whole load, a record's empty fields stored as NULL, and every rejected record
// counted with its reason.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbtools {

// The table's column names in order; nothing, with the reason in error, for a name that is
// not a plain identifier or a table that doesn't exist.
std::optional<std::vector<std::string>> TableColumns(sqlite3* db, std::string_view table,
                                                     std::string& error);

class TableLoader {
 public:
  // Columns are those named, in the order the values will come.
  TableLoader(sqlite3* db, std::string table, std::vector<std::string> columns)
      : mDb(db), mTable(std::move(table)), mColumns(std::move(columns)) {}
  ~TableLoader();
  TableLoader(const TableLoader&) = delete;
  TableLoader& operator=(const TableLoader&) = delete;

  // Starts the transaction; false with the reason in error.
  [[nodiscard]] bool Begin(std::string& error);
  // One record, a value (or NULL) per column; false with the reason in error.
  [[nodiscard]] bool Insert(const std::vector<std::optional<std::string>>& values,
                            std::string& error);
  // Commits; false with the reason in error (the load is then rolled back).
  [[nodiscard]] bool Commit(std::string& error);

 private:
  sqlite3* mDb;
  std::string mTable;
  std::vector<std::string> mColumns;
  sqlite3_stmt* mInsert = nullptr;
  bool mOpen = false;
};

}  // namespace dbtools
