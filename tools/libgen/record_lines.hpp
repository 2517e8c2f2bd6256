// Library files that ship already in the load file's layout: records of fields joined by
// ';', one a line, as a maker writes them (CRLF line ends).
#pragma once

#include <string>
#include <vector>

namespace libgen {

// The records' lines, with a blank line after every blankEvery records (0: none).
std::string RecordLinesText(const std::vector<std::vector<std::string>>& records,
                            int blankEvery = 0);

}  // namespace libgen
