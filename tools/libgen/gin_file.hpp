// An array type's gene information (GIN) file in its LibFiles folder, named after the
// type: a version line (or a version-1 first line), the URL part, a column header line and
// tab-separated rows of probe sets.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace libgen {

inline constexpr int kGinClassificationCount = 10;

struct GinRow {
  std::string index;
  std::string identifier;
  std::string identifierSource;  // version 2 only: version 1 has no such column
  std::string probeSetName;
  std::string description;
  std::string group;
  std::string sequenceType;
  std::array<std::string, kGinClassificationCount> classifications;
};

struct GinFile {
  int version = 2;
  // Version 2: the lines that follow the URL count. Version 1: one identifier source (line
  // 2) and one URL (line 3).
  std::vector<std::string> urlLines;
  std::string identifierSource;
  std::string url;
  // Written before the rows as the "Index" line; no header line when false.
  bool headerLine = true;
  std::array<std::string, kGinClassificationCount> classificationTitles;
  std::vector<GinRow> rows;
};

// The file name of the type's GIN file.
std::string GinFileName(const std::string& type);

// The file's text, CRLF lines; rows with only as many columns as their version has.
std::string GinText(const GinFile& gin);

// A version-2 file of `probeSets` rows whose descriptions are `descriptionLength`
// characters long, two URL lines and classification values that fill some columns and
// leave others empty, made from the seed.
GinFile StandardGin(int probeSets, std::size_t descriptionLength, unsigned seed);

// What a conversion of the file's rows must give: the filled classification values, and
// the description records (one per filled value, at least one per row).
struct GinRowTruth {
  int descriptions = 0;
  int populated = 0;
};
GinRowTruth RowTruth(const GinFile& gin);

}  // namespace libgen
