// R string literals and syntactic names.
#include "platform/r_text.hpp"

#include <array>

namespace platform {

namespace {

bool AsciiLetter(char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

bool AsciiDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

// Words R's parser keeps for itself; a name equal to one gets a dot appended.
constexpr std::array<std::string_view, 19> kReservedWords = {
    "if",          "else",     "repeat",        "while",       "function", "for", "next",
    "break",       "TRUE",     "FALSE",         "NULL",        "Inf",      "NaN", "NA",
    "NA_integer_", "NA_real_", "NA_character_", "NA_complex_", "in"};

}  // namespace

std::string RStringLiteral(std::string_view text) {
  std::string literal = "\"";
  literal.reserve(text.size() + 2);
  for (const char ch : text) {
    switch (ch) {
      case '\\':
        literal += "\\\\";
        break;
      case '"':
        literal += "\\\"";
        break;
      case '\n':
        literal += "\\n";
        break;
      case '\r':
        literal += "\\r";
        break;
      case '\t':
        literal += "\\t";
        break;
      default:
        literal.push_back(ch);
    }
  }
  literal.push_back('"');
  return literal;
}

std::string RSyntacticName(std::string_view text) {
  std::string name;
  const bool needsPrefix = text.empty() || (!AsciiLetter(text[0]) && text[0] != '.') ||
                           (text[0] == '.' && text.size() > 1 && AsciiDigit(text[1]));
  if (needsPrefix) name.push_back('X');
  for (const char ch : text)
    name.push_back(AsciiLetter(ch) || AsciiDigit(ch) || ch == '.' || ch == '_' ? ch : '.');
  for (const std::string_view word : kReservedWords)
    if (name == word) {
      name.push_back('.');
      break;
    }
  return name;
}

}  // namespace platform
