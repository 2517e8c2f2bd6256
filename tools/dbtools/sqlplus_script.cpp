#include "tools/dbtools/sqlplus_script.hpp"

#include "installer/framework/text_functions.hpp"
#include "tools/dbtools/sql_text.hpp"

namespace dbtools {

namespace {

bool IsBlock(std::string_view statement) {
  const std::vector<std::string> words = LeadingWords(statement, 4);
  if (words.empty()) return false;
  if (words[0] == "BEGIN" || words[0] == "DECLARE") return true;
  if (words[0] != "CREATE") return false;
  const std::size_t kind = words.size() > 2 && words[1] == "OR" && words[2] == "REPLACE" ? 3 : 1;
  if (kind >= words.size()) return false;
  return words[kind] == "PROCEDURE" || words[kind] == "FUNCTION" || words[kind] == "PACKAGE" ||
         words[kind] == "TRIGGER";
}

bool IsPlusCommand(const std::string& firstWord) {
  return firstWord == "SET" || firstWord == "REM" || firstWord == "REMARK" ||
         firstWord == "SPOOL" || firstWord == "WHENEVER" || firstWord == "SHOW" ||
         firstWord == "PROMPT" || firstWord == "EXIT" || firstWord == "QUIT";
}

}  // namespace

std::vector<ScriptUnit> SplitPlusScript(std::string_view script) {
  std::vector<ScriptUnit> units;
  std::string buffer;
  const auto finish = [&](std::string text) {
    text = quellbrook::TrimText(text);
    if (!text.empty()) units.push_back({ScriptUnit::Kind::kStatement, text});
    buffer.clear();
  };
  while (!script.empty()) {
    const std::size_t end = script.find('\n');
    std::string line(script.substr(0, end));
    script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = quellbrook::TrimText(line);

    if (quellbrook::TrimText(buffer).empty()) {
      if (trimmed.empty() || trimmed.rfind("--", 0) == 0) continue;
      const std::vector<std::string> words = LeadingWords(trimmed, 1);
      const std::string first = words.empty() ? std::string() : words[0];
      if (IsPlusCommand(first) && trimmed.size() >= first.size() &&
          quellbrook::UpperText(trimmed.substr(0, first.size())) == first) {
        if (first == "EXIT" || first == "QUIT") {
          units.push_back({ScriptUnit::Kind::kExit, {}});
          return units;
        }
        if (first == "PROMPT")
          units.push_back({ScriptUnit::Kind::kPrompt, quellbrook::TrimText(trimmed.substr(6))});
        continue;
      }
    }
    if (trimmed == "/") {
      std::string text = quellbrook::TrimText(buffer);
      if (!IsBlock(text) && !text.empty() && text.back() == ';') text.pop_back();
      finish(text);
      continue;
    }
    buffer += line + "\n";
    if (!IsBlock(buffer) && !trimmed.empty() && trimmed.back() == ';') {
      std::string text = quellbrook::TrimText(buffer);
      text.pop_back();
      finish(text);
    }
  }
  finish(buffer);
  return units;
}

}  // namespace dbtools
