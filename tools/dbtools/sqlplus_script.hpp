// A script as the Oracle script runner reads it: its own commands on lines of their own
// (SET, PROMPT, REM, SPOOL, WHENEVER, SHOW, EXIT, QUIT), SQL statements ended by ';' at
// the end of a line or by a line holding only '/', and blocks (BEGIN, DECLARE, CREATE
// PROCEDURE) that only a '/' line ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbtools {

struct ScriptUnit {
  enum class Kind { kStatement, kPrompt, kExit };
  Kind kind = Kind::kStatement;
  std::string text;  // the statement without its ';', or the prompt's text
};

std::vector<ScriptUnit> SplitPlusScript(std::string_view script);

}  // namespace dbtools
