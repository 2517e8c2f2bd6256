// The chromosome analysis's choices that are not in the settings file: the curve limits
// of each data type, two drawing options of the chromosome view and that view's colour
// range per data type. They last for the run. The options sheet edits them here until the
// chromosome analysis and its view exist and take them over.
#pragma once

#include <array>

// "SNP/Presence call", "LOH call", "Copy number", "Log2 ratio", "Haplotype", "Allele
// sharing": the values of CHRO_DATA.
inline constexpr int kChromosomeDataTypes = 6;

struct ChromosomeOptions {
  // Min, Max and Threshold of the curve along a chromosome, per data type; MISSING_VALUE
  // while unset.
  std::array<float, kChromosomeDataTypes> minimum{};
  std::array<float, kChromosomeDataTypes> maximum{};
  std::array<float, kChromosomeDataTypes> threshold{};
  bool hideConflictLoh = false;  // a conflicting LOH call is drawn as noninformative
  bool truncateLog2 = false;     // small log2 ratios are drawn at -4
  // The view's colour range per data type, which DISPLAY_RANGE follows.
  std::array<double, kChromosomeDataTypes> displayRange{};

  ChromosomeOptions();
};

// The run's one set.
ChromosomeOptions& TheChromosomeOptions();

// CHRO_DATA as an index of the per-type tables (0 for a value out of range).
int ChromosomeDataTypeIndex(int chroData);

// Whether SNP information is loaded, which the allele frequency choice needs. Nothing
// loads it yet; the SNP information reader will set it.
bool SnpInformationLoaded();
void SetSnpInformationLoaded(bool loaded);
