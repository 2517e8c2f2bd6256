// The SNP information of the open group on SNP arrays: per unit its identifier, a second
// text, the length of the restriction fragment that carries it and its allele frequency
// in three populations; the frequency the hidden Markov models ask for; and the list of
// SNPs that pass a quality filter over the sample groups.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Longest line of the SNP information file.
inline constexpr std::size_t kSnpInfoLineLength = 19999;
// Lines naming units not on the array that end the read.
inline constexpr int kMaxUnknownSnps = 500;
// Progress is shown and a stop honoured every this many SNPs found.
inline constexpr int kSnpInfoProgressStep = 300;
inline constexpr int kSnpFilterPumpStep = 1000;
inline constexpr int kPopulationCount = 3;  // Asian, African American, Caucasian
// ALLELE_FREQ_TYPE that answers 0.5 for every SNP.
inline constexpr int kEqualAlleleFrequency = 3;

inline constexpr const char* kNotSnpInfoFileMessage =
    "  Not a SNP information file or not saved in tab-delimited text format; Specify genome "
    "info file at 'Analysis/Chromosome' and specify SNP info file here";
inline constexpr const char* kSnpInfoAllocationMessage =
    "  Memory allocation for SNP information failed";
inline constexpr const char* kUnknownSnpsMessage =
    "  500 SNPs in the info file not found on array; wrong SNP info file?";
inline constexpr const char* kNonFiniteFrequencyMessage =
    "    %d SNP lines with an allele frequency that is not a finite number were skipped";
inline constexpr const char* kTooFewSnpsMessage =
    "    Found SNP information for fewer than 1/4 of the SNPs on array; wrong SNP information "
    "file?";
inline constexpr const char* kOneSampleGroupMessage =
    "  Only found 1 sample group; use 'Tools/Array list file' to separate samples or pairs by "
    "'Standardize separator'; or click 'Tools/Array list file/Do not use'";

struct SNP_INFO {
  std::string id;
  std::string secondText;
  int fragmentLength = -1;
  // Index 0 Asian, 1 African American, 2 Caucasian; -1 when not given.
  std::array<float, kPopulationCount> alleleFrequency{-1, -1, -1};
};

class SnpInfoTable {
 public:
  // One per unit of the layout; empty while no file is loaded.
  std::vector<SNP_INFO> snps;

  bool Loaded() const { return !snps.empty(); }
  void Clear() { std::vector<SNP_INFO>().swap(snps); }
};

extern SnpInfoTable snp_info_table;

// Reads the SNP information file into snp_info_table (freed first); false with no table.
bool ReadSnpInfoFile(const std::string& path);
// The frequency of the population chosen by ALLELE_FREQ_TYPE; 0.5 when nothing better is
// known.
float GetAlleleFrequency(int unit);

// Limits of the quality filter, chosen in its dialog for the run and not saved.
extern int MaxFragmentLength;
extern int MinCallRatePercent;
// Writes FILTER_OUTPUT_LIST: the SNPs whose fragment is short enough and whose calls
// agree within the sample groups often enough.
bool FilterSnpsByQuality();

// Fuzz entry: the reader on the bytes (through a scratch file) on the loaded layout.
bool FuzzReadSnpInfo(const std::uint8_t* data, std::size_t size);
