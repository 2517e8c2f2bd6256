// Cutting the texts the database tools read into what they run: a script into batches at
// its GO lines, a batch into statements at the semicolons that stand outside quotes and
// comments, and the leading words of a statement for telling its kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dbtools {

// The batches of a script: the text between lines that hold only GO (any case, blanks
// around it allowed). Blank batches are dropped.
std::vector<std::string> SplitBatches(std::string_view script);

// The statements of a text, cut at ';' outside quotes ('...', "...", [...]) and comments
// (-- to the end of the line, /* ... */), trimmed, without their ';'; blank ones dropped.
std::vector<std::string> SplitStatements(std::string_view text);

// The text's words up to count, upper-cased: a word is a run of letters, digits, '_', '#',
// '$' or '.'; comments and other characters are skipped.
std::vector<std::string> LeadingWords(std::string_view text, std::size_t count);

// The text after the first whole word equal to word (any case) outside quotes and
// comments; npos when there is none.
std::size_t FindWord(std::string_view text, std::string_view word);

}  // namespace dbtools
