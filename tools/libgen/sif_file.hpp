// An array type's probe sequence (SIF) file in its LibFiles folder, named after the type:
// header lines up to a ';' line, then a name line ('>' and the probe set) and a sequence
// line per probe set.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace libgen {

struct SifProbeSet {
  std::string name;
  std::string sequence;
};

struct SifFile {
  std::vector<std::string> headerLines;  // the last one should begin with ';'
  std::vector<SifProbeSet> probeSets;
};

// The file name of the type's SIF file.
std::string SifFileName(const std::string& type);

// The file's text, CRLF lines.
std::string SifText(const SifFile& sif);

// `count` probe sets with sequences of 25 to 60 bases made from the seed.
SifFile StandardSif(int count, unsigned seed);

}  // namespace libgen
