// Text routines shared by the readers; hand-written so that hot loops allocate nothing.
#include "engine/base/text_helpers.hpp"

#include <climits>
#include <cstdint>

#include "platform/path.hpp"

namespace {

char LowerAscii(char ch) {
  return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

void SkipWhite(std::string_view& text) {
  std::size_t i = 0;
  while (i < text.size() && IsScanWhite(text[i])) ++i;
  text.remove_prefix(i);
}

}  // namespace

bool IsNone(std::string_view text) {
  return text.empty() || StartsWithNoCase(text, "None");
}

bool IsUnsetPath(std::string_view text) {
  return text.empty() || platform::EqualsNoCase(text, "None");
}

std::string ChangeExtension(std::string_view path, std::string_view suffix) {
  const std::size_t dot = path.rfind('.');
  std::string result(dot == std::string_view::npos ? path : path.substr(0, dot));
  result += suffix;
  return result;
}

std::string_view SkipPast(std::string_view text, char ch) {
  const std::size_t at = text.find(ch);
  if (at == std::string_view::npos) return {};
  return text.substr(at + 1);
}

bool CutAtTab(std::string_view& text, std::string_view* rest) {
  const std::size_t tab = text.find('\t');
  if (tab == std::string_view::npos) {
    if (rest != nullptr) *rest = {};
    return false;
  }
  if (rest != nullptr) *rest = text.substr(tab + 1);
  text = text.substr(0, tab);
  return true;
}

int ReadIntAfterEquals(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return 0;
  std::string_view value = line.substr(equals + 1);
  int number = 0;
  return ScanInt(value, number) ? number : 0;
}

bool ScanInt(std::string_view& text, int& value) {
  SkipWhite(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t firstDigit = i;
  std::int64_t magnitude = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > static_cast<std::int64_t>(INT_MAX) + 1) return false;
    ++i;
  }
  if (i == firstDigit) return false;
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX || signedValue < INT_MIN) return false;
  value = static_cast<int>(signedValue);
  text.remove_prefix(i);
  return true;
}

bool ScanWord(std::string_view& text, std::string_view& word) {
  SkipWhite(text);
  std::size_t i = 0;
  while (i < text.size() && !IsScanWhite(text[i])) ++i;
  if (i == 0) return false;
  word = text.substr(0, i);
  text.remove_prefix(i);
  return true;
}

bool ScanChar(std::string_view& text, char& ch) {
  if (text.empty()) return false;
  ch = text.front();
  text.remove_prefix(1);
  return true;
}

void SkipWhiteSpace(std::string_view& text) {
  SkipWhite(text);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  return true;
}
