#include "tools/libgen/sif_file.hpp"

#include <random>

namespace libgen {

std::string SifFileName(const std::string& type) {
  return type + ".SIF";
}

std::string SifText(const SifFile& sif) {
  std::string text;
  for (const std::string& line : sif.headerLines) text += line + "\r\n";
  for (const SifProbeSet& probeSet : sif.probeSets)
    text += ">" + probeSet.name + "\r\n" + probeSet.sequence + "\r\n";
  return text;
}

SifFile StandardSif(int count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> base(0, 3);
  std::uniform_int_distribution<int> length(25, 60);
  SifFile sif;
  sif.headerLines = {"Probe sequence file", "Version 1", ";"};
  for (int i = 0; i < count; ++i) {
    SifProbeSet probeSet{std::to_string(1000 + i) + "_at", {}};
    probeSet.sequence.resize(static_cast<std::size_t>(length(random)));
    for (char& c : probeSet.sequence) c = "ACGT"[base(random)];
    sif.probeSets.push_back(std::move(probeSet));
  }
  return sif;
}

}  // namespace libgen
