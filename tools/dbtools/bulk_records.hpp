// The records of a bulk-load file: the bulk copy tool's non-XML format files (version,
// field count, then per field its order, type SQLCHAR, prefix length 0, length, quoted
// terminator, server column order (0: skipped), column name and collation) and the
// reading of a file's records field by field, each field ending at its own terminator.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbtools {

struct BulkField {
  std::string terminator;
  std::size_t maxLength = 0;  // 0: no limit
  int serverColumn = 0;       // 1-based; 0: the field is read and dropped
};

// Nothing, with the reason in error, for a format file this tool can't take.
std::optional<std::vector<BulkField>> ParseFormatFile(std::string_view text, std::string& error);

// The fields of one record at a time. A terminator "\n" also takes "\r\n" (the '\r' is
// dropped), and "\r\n" also takes "\n", so files with either line ending load alike.
class BulkRecordReader {
 public:
  BulkRecordReader(std::string_view data, std::vector<BulkField> fields)
      : mData(data), mFields(std::move(fields)) {}

  enum class Result { kRecord, kEnd, kBad };
  // The next record's fields in file order; kBad, with the reason in error, for a record
  // cut short or with a field longer than its length (the reader then stands after the
  // next line end).
  Result Next(std::vector<std::string>& values, std::string& error);
  long RecordNumber() const { return mRecord; }

 private:
  std::string_view mData;
  std::vector<BulkField> mFields;
  std::size_t mPosition = 0;
  long mRecord = 0;
};

}  // namespace dbtools
