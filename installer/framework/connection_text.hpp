// The connection text of a database connection: "Provider=...;User ID=...;..." built from
// the session's settings and parsed back into its properties. A value that holds ';', '=',
// a quote or surrounding blanks is written in double quotes (a quote inside doubled), so
// no value can add or change another property.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quellbrook {

inline constexpr const char* kSqlServerProvider = "SQLOLEDB";
inline constexpr const char* kOracleProvider = "OraOLEDB.Oracle.1";

struct ConnectionProperties {
  std::string provider;
  std::string user;
  std::string password;
  std::string dataSource;
  std::string initialCatalog;  // empty when the text names none (Oracle)
  bool operator==(const ConnectionProperties&) const = default;
};

// The value as it stands in a connection text: as it is when plain, else quoted.
std::string QuoteConnectionValue(std::string_view value);

// "Provider=%s;User ID=%s;Password=%s;Data Source=%s;Initial Catalog=%s;" with each value
// as QuoteConnectionValue gives it.
std::string BuildConnectionText(const ConnectionProperties& properties);

// Reads "key=value;" pairs: keys without regard to case and surrounding blanks, values
// plain (trimmed) or in single or double quotes. Provider, User ID, Password, Data Source
// and Initial Catalog are kept; other keys are ignored. Nothing, with the reason in error,
// for a pair without '=', an unclosed quote, text after a closing quote or a key given
// twice.
std::optional<ConnectionProperties> ParseConnectionText(std::string_view text,
                                                        std::string* error = nullptr);

}  // namespace quellbrook
