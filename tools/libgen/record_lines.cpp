#include "tools/libgen/record_lines.hpp"

namespace libgen {

std::string RecordLinesText(const std::vector<std::vector<std::string>>& records, int blankEvery) {
  std::string text;
  int written = 0;
  for (const std::vector<std::string>& fields : records) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) text += ';';
      text += fields[i];
    }
    text += "\r\n";
    if (blankEvery > 0 && ++written % blankEvery == 0) text += "\r\n";
  }
  return text;
}

}  // namespace libgen
