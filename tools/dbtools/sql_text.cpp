#include "tools/dbtools/sql_text.hpp"

#include <cctype>
#include <string>
#include <utility>

#include "installer/framework/text_functions.hpp"

namespace dbtools {

namespace {

bool IsWordChar(char ch) {
  const auto byte = static_cast<unsigned char>(ch);
  return std::isalnum(byte) != 0 || ch == '_' || ch == '#' || ch == '$' || ch == '.';
}

// The index past a quoted part or comment starting at i, or i itself when none starts there.
std::size_t SkipQuotedOrComment(std::string_view text, std::size_t i) {
  const char ch = text[i];
  if (ch == '\'' || ch == '"' || ch == '[') {
    const char close = ch == '[' ? ']' : ch;
    std::size_t j = i + 1;
    while (j < text.size()) {
      if (text[j] == close) {
        // A doubled quote stands for one inside the text.
        if (close != ']' && j + 1 < text.size() && text[j + 1] == close) {
          j += 2;
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return text.size();
  }
  if (ch == '-' && i + 1 < text.size() && text[i + 1] == '-') {
    const std::size_t end = text.find('\n', i);
    return end == std::string_view::npos ? text.size() : end;
  }
  if (ch == '/' && i + 1 < text.size() && text[i + 1] == '*') {
    const std::size_t end = text.find("*/", i + 2);
    return end == std::string_view::npos ? text.size() : end + 2;
  }
  return i;
}

// The next word from i on outside strings and comments, upper-cased, with i moved past it;
// empty at the end. With namesAreWords, the words inside [bracketed] and "double-quoted"
// names count too.
std::string NextWord(std::string_view text, std::size_t& i, bool namesAreWords) {
  while (i < text.size()) {
    const std::size_t skipped = SkipQuotedOrComment(text, i);
    if (skipped != i && !(namesAreWords && (text[i] == '[' || text[i] == '"'))) {
      i = skipped;
      continue;
    }
    if (!IsWordChar(text[i])) {
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < text.size() && IsWordChar(text[i])) ++i;
    return quellbrook::UpperText(text.substr(begin, i - begin));
  }
  return {};
}

}  // namespace

std::vector<std::string> SplitBatches(std::string_view script) {
  std::vector<std::string> batches;
  std::string batch;
  while (!script.empty()) {
    const std::size_t end = script.find('\n');
    const std::string_view line = script.substr(0, end);
    script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
    if (quellbrook::UpperText(quellbrook::TrimText(line)) == "GO") {
      if (!quellbrook::TrimText(batch).empty()) batches.push_back(batch);
      batch.clear();
      continue;
    }
    batch.append(line);
    batch.push_back('\n');
  }
  if (!quellbrook::TrimText(batch).empty()) batches.push_back(batch);
  return batches;
}

std::vector<std::string> SplitStatements(std::string_view text) {
  std::vector<std::string> statements;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t skipped = SkipQuotedOrComment(text, i);
    if (skipped != i) {
      i = skipped;
      continue;
    }
    if (text[i] == ';') {
      std::string statement = quellbrook::TrimText(text.substr(start, i - start));
      if (!statement.empty()) statements.push_back(std::move(statement));
      start = i + 1;
    }
    ++i;
  }
  std::string last = quellbrook::TrimText(text.substr(start));
  if (!last.empty()) statements.push_back(std::move(last));
  return statements;
}

std::vector<std::string> LeadingWords(std::string_view text, std::size_t count) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (words.size() < count) {
    std::string word = NextWord(text, i, true);
    if (word.empty()) break;
    words.push_back(std::move(word));
  }
  return words;
}

std::size_t FindWord(std::string_view text, std::string_view word) {
  const std::string wanted = quellbrook::UpperText(word);
  std::size_t i = 0;
  for (;;) {
    const std::string found = NextWord(text, i, false);
    if (found.empty()) return std::string_view::npos;
    if (found == wanted) return i;
  }
}

}  // namespace dbtools
