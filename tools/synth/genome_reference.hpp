// A reference genotype file of normal samples with known truth: every sample's call at
// every SNP (written in the spellings such files use), SNPs missing from the file, lines
// naming SNPs not on the array, and SNPs with too few calls to count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

struct ReferenceGenotypeOptions {
  int samples = 12;
  // Chance that a sample's call is missing.
  int noCallPercent = 8;
  // Chance that a sample keeps the zygosity of its previous SNP rather than drawing anew.
  double keepZygosity = 0.5;
  // Every absentEvery-th SNP is left out of the file, and every sparseEvery-th keeps only
  // two called samples (0: none).
  int absentEvery = 13;
  int sparseEvery = 7;
  // Lines naming SNPs not on the array, spread through the file.
  int unknownLines = 5;
  // Header columns written after an empty header field, and their values on every line
  // (not samples).
  int trailingColumns = 0;
  std::uint64_t seed = 1;
};

struct ReferenceGenotypeTruth {
  std::vector<std::string> units;  // the array's SNPs, in array order
  // codes[sample][unit]: 0 AA, 1 BB, 2 AB, 3 no call (every sample of an absent SNP).
  std::vector<std::vector<std::uint8_t>> codes;
  std::vector<bool> inFile;
  int samples = 0;
  int linesFound = 0;  // data lines naming a SNP of the array
  int lines = 0;       // all data lines
  ReferenceGenotypeOptions options;
};

ReferenceGenotypeTruth MakeReferenceGenotypes(const std::vector<std::string>& units,
                                              const ReferenceGenotypeOptions& options);
bool WriteReferenceGenotypes(const ReferenceGenotypeTruth& truth, const std::string& path);

}  // namespace synth
