// The Oracle loader's control files, as far as the install steps use them:
//   LOAD DATA [INFILE 'file' | INFILE *] [INSERT | APPEND | REPLACE | TRUNCATE]
//   INTO TABLE name [INSERT | APPEND | REPLACE | TRUNCATE]
//   FIELDS TERMINATED BY 'x' | X'hex' [OPTIONALLY ENCLOSED BY 'x'] [TRAILING NULLCOLS]
//   (column [FILLER] [type and length], ...)
// Words in any case; "--" comments and an OPTIONS (...) clause are passed over.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbtools {

// A field without a length of its own is read as CHAR(255), as the real loader reads it.
inline constexpr std::size_t kDefaultLoaderFieldLength = 255;

struct LoaderColumn {
  std::string name;
  bool filler = false;                                // read from the record and dropped
  std::size_t maxLength = kDefaultLoaderFieldLength;  // CHAR(n) gives n
};

struct LoaderControl {
  enum class Method { kInsert, kAppend, kReplace, kTruncate };
  std::string dataFile;  // empty when the control file names none
  Method method = Method::kInsert;
  std::string table;
  std::string terminator;
  std::string enclosure;  // empty: fields are not enclosed
  bool trailingNullColumns = false;
  std::vector<LoaderColumn> columns;
};

// Nothing, with the reason in error, for a control file this loader can't take.
std::optional<LoaderControl> ParseLoaderControl(std::string_view text, std::string& error);

// The fields of one data line: cut at the terminator outside the enclosure, with one pair
// of enclosing characters removed.
std::vector<std::string> SplitLoaderRecord(std::string_view line, const LoaderControl& control);

}  // namespace dbtools
