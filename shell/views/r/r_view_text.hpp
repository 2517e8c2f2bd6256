// The R view's text work, apart from the window: turning what the user typed into what R
// evaluates, and the expression table that Get expression hands to R with the statements
// that load it. Names and paths reach R as quoted data only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A command text as the view runs it.
struct RCommandText {
  // The text without its comments, line breaks kept: what the output shows after "> ".
  std::string echo;
  // The lines joined into one statement and wrapped: print(...) for a bare expression,
  // {...} otherwise; empty when nothing but comments and blanks was typed.
  std::string statement;
};

// Comments ('#' to the end of its line, outside strings, raw strings and `names`) are
// removed, keeping each line break. Line breaks outside strings become ";", or a blank
// where R would read on: inside parentheses or brackets, after an operator or comma, or
// before "else". A text without "(", "{", ";", "=", "<-" or "->" is a bare expression
// and is wrapped as print(text); any other as {text}. Lines end in "\n" or "\r\n".
RCommandText PrepareRCommand(std::string_view text);

// The statement that evaluates a prepared one in R's workspace and prints its value when
// R's console would (the value is visible), so a call such as summary(x) shows its result.
std::string ConsoleStatement(std::string_view statement);

// The length of text less an unfinished UTF-8 character at its end (R's output comes in
// pieces that may end inside one); bytes that are no UTF-8 count as whole.
std::size_t WholeUtf8Length(std::string_view text);

// The statement that makes R's working folder the folder.
std::string SetWorkingFolderStatement(std::string_view folder);

// The group's data frame in R: the group name, with "R" in front when it starts with a
// digit, made a syntactic R name (platform::RSyntacticName).
std::string RDataFrameName(std::string_view groupName);
// "<folder>/<group name>_expression_R.txt".
std::string ExpressionFilePath(std::string_view folder, std::string_view groupName);

// Writes the open group's expression values for R: a title line "probe_set" and the
// sample names of the sample grouping, then per probe set of the chip layout its name and
// each sample's value (empty when missing), tab-separated. Values are written exactly
// (the shortest text that reads back as the same number); tabs and line breaks inside
// names become blanks. The file is replaced only when complete; false when it cannot be
// written, with the system's error number in *error when error is given.
bool WriteExpressionFile(const std::string& path, int* error = nullptr);

// What Get expression runs once the file is written: the table read into the data frame
// (name and path as quoted strings, the name through make.names), then its dimensions
// printed.
std::vector<std::string> LoadExpressionStatements(std::string_view dataFrame,
                                                  std::string_view path);
// The lines appended to the command box afterwards: hints naming the data frame, and an
// empty line.
std::vector<std::string> ExpressionHintLines(std::string_view dataFrame);
