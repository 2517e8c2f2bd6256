#include "installer/framework/connection_text.hpp"

#include <set>

#include "installer/framework/text_functions.hpp"

namespace quellbrook {

namespace {

bool NeedsQuotes(std::string_view value) {
  if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()))) return true;
  return value.find_first_of(";=\"'") != std::string_view::npos;
}

// Reads one value starting at pos (just after '='); pos ends after the ';' or at the end.
bool ReadValue(std::string_view text, std::size_t& pos, std::string& value, std::string* error) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
    const char quote = text[pos++];
    value.clear();
    for (;;) {
      if (pos >= text.size()) return FailWith(error, "connection text ends inside a quoted value");
      if (text[pos] == quote) {
        if (pos + 1 < text.size() && text[pos + 1] == quote) {
          value += quote;
          pos += 2;
          continue;
        }
        ++pos;
        break;
      }
      value += text[pos++];
    }
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos < text.size() && text[pos] != ';')
      return FailWith(error, "connection text has text after a quoted value");
    if (pos < text.size()) ++pos;
    return true;
  }
  const std::size_t end = text.find(';', pos);
  const std::size_t stop = end == std::string_view::npos ? text.size() : end;
  value = std::string(TrimmedView(text.substr(pos, stop - pos)));
  pos = end == std::string_view::npos ? text.size() : end + 1;
  return true;
}

}  // namespace

std::string QuoteConnectionValue(std::string_view value) {
  if (!NeedsQuotes(value)) return std::string(value);
  return EnclosedInQuotes(value, '"');
}

std::string BuildConnectionText(const ConnectionProperties& properties) {
  return "Provider=" + QuoteConnectionValue(properties.provider) +
         ";User ID=" + QuoteConnectionValue(properties.user) +
         ";Password=" + QuoteConnectionValue(properties.password) +
         ";Data Source=" + QuoteConnectionValue(properties.dataSource) +
         ";Initial Catalog=" + QuoteConnectionValue(properties.initialCatalog) + ";";
}

std::optional<ConnectionProperties> ParseConnectionText(std::string_view text, std::string* error) {
  ConnectionProperties properties;
  std::set<std::string> seen;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t equals = text.find('=', pos);
    const std::size_t semicolon = text.find(';', pos);
    if (equals == std::string_view::npos ||
        (semicolon != std::string_view::npos && semicolon < equals)) {
      // Blank pieces between separators are allowed; anything else needs a value.
      const std::size_t stop = semicolon == std::string_view::npos ? text.size() : semicolon;
      if (!TrimmedView(text.substr(pos, stop - pos)).empty()) {
        FailWith(error, "connection text has a property without '='");
        return std::nullopt;
      }
      pos = stop == text.size() ? stop : stop + 1;
      continue;
    }
    const std::string key = UpperText(TrimmedView(text.substr(pos, equals - pos)));
    pos = equals + 1;
    std::string value;
    if (!ReadValue(text, pos, value, error)) return std::nullopt;
    if (!seen.insert(key).second) {
      FailWith(error, "connection text gives the property '" + key + "' twice");
      return std::nullopt;
    }
    if (key == "PROVIDER")
      properties.provider = value;
    else if (key == "USER ID")
      properties.user = value;
    else if (key == "PASSWORD")
      properties.password = value;
    else if (key == "DATA SOURCE")
      properties.dataSource = value;
    else if (key == "INITIAL CATALOG")
      properties.initialCatalog = value;
  }
  return properties;
}

}  // namespace quellbrook
