// A fluidics protocol (MAC) file: the station's protocol script, of which only the
// "VAR:" lines (name, value and further comma-separated pieces) carry what is installed.
#pragma once

#include <string>
#include <vector>

namespace libgen {

struct MacVariable {
  std::string name;
  std::string value;
  std::string extra;  // a third piece after the value; none when empty
};

struct MacFile {
  std::vector<std::string> leadingLines;  // written before the variables
  std::vector<MacVariable> variables;
};

// The file name of a protocol's MAC file.
std::string MacFileName(const std::string& protocol);

// The file's text, CRLF lines: the leading lines, then one "VAR:" line per variable with
// a step line after each.
std::string MacText(const MacFile& mac);

// A protocol of four variables, one with a third piece and one with blanks around its
// value, with comment lines and a lower-case "var:" line that is not a variable.
MacFile StandardMac();

}  // namespace libgen
