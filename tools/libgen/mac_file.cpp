#include "tools/libgen/mac_file.hpp"

namespace libgen {

std::string MacFileName(const std::string& protocol) {
  return protocol + ".MAC";
}

std::string MacText(const MacFile& mac) {
  std::string text;
  for (const std::string& line : mac.leadingLines) text += line + "\r\n";
  int step = 1;
  for (const MacVariable& variable : mac.variables) {
    text += "VAR:" + variable.name + "," + variable.value;
    if (!variable.extra.empty()) text += "," + variable.extra;
    text += "\r\n";
    text += "STEP " + std::to_string(step++) + ",WASH\r\n";
  }
  return text;
}

MacFile StandardMac() {
  MacFile mac;
  mac.leadingLines = {"; fluidics protocol", "var:Ignored,7", "NAME:Wash and stain"};
  mac.variables = {{"WashTemp", "25", ""},
                   {"Cycles", " 10 ", ""},
                   {"StainTemp", "35", "C"},
                   {"Holding", "", ""}};
  return mac;
}

}  // namespace libgen
