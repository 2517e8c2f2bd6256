// One line of the batch file through which the installer runs a database tool, read the
// way the command interpreter reads it: the program and its arguments (blanks separate
// words, double quotes group them and are dropped), then an optional redirection of the
// program's output, ">>" appending or ">" replacing, outside quotes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellbrook {

struct BatchCommand {
  std::vector<std::string> arguments;  // the program first
  std::string outputFile;              // empty: the output is not kept
  bool appendOutput = true;
};

// Nothing for a blank line, a line with an unclosed quote, a redirection without a file or
// with more than one, or a redirection with no program before it.
std::optional<BatchCommand> ParseBatchLine(std::string_view line);

// The program file for a name as the line gives it: backslashes count as separators, and a
// name ending in ".exe" (any case) is also looked for without it. A name without a folder
// is looked for in the folders of PATH. Empty when no such program file exists.
std::string ResolveToolProgram(std::string_view name);

// A path as a tool line gives it, with its backslashes turned into separators.
std::string ToolPath(std::string_view path);

}  // namespace quellbrook
