// The reference-checksum tests' tables: a name (a written file, a case) and the sum of
// its bytes, printed as the lines of the table a deliberate change puts in the test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

using ReferenceSumTable = std::map<std::string, std::uint64_t>;

inline std::string SumTableLines(const ReferenceSumTable& sums) {
  std::string table;
  char line[160];
  for (const auto& [name, sum] : sums) {
    std::snprintf(line, sizeof line, "      {\"%s\", 0x%016llxull},\n", name.c_str(),
                  static_cast<unsigned long long>(sum));
    table += line;
  }
  return table;
}
