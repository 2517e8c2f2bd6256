// Genotype calls of normal reference samples, one byte per sample and unit of the open
// array type, read from a tab-delimited file; from them each SNP's heterozygosity rate
// and how strongly its zygosity follows the previous SNP's, which the haplotype-aware
// LOH model uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "genome/info/genome_info.hpp"

struct GroupSettings;

// Genotype codes; a code of at most kCallAB is a call.
inline constexpr std::uint8_t kCallAA = 0;
inline constexpr std::uint8_t kCallBB = 1;
inline constexpr std::uint8_t kCallAB = 2;
inline constexpr std::uint8_t kNoCall = 3;

// Longest line of the reference genotype file.
inline constexpr std::size_t kRefGenotypeLineLength = 499999;
// Progress is shown and a stop honoured every this many lines.
inline constexpr int kRefGenotypeProgressStep = 500;
// A rate counted from fewer samples than this is unknown (-1).
inline constexpr int kMinReferenceSamples = 3;
// The largest table of calls (samples x units bytes) that is allocated.
inline constexpr std::size_t kMaxReferenceBytes = std::size_t{2} << 30;
// The LOH method that uses the reference genotypes.
inline constexpr int kHaplotypeLohMethod = 2;

inline constexpr const char* kRefGenotypeOpenFailedMessage =
    "    Reading normal reference genotype file '%s' failed";
inline constexpr const char* kRefGenotypeReadingMessage =
    "    Reading normal reference genotype file '%s'...";
inline constexpr const char* kRefGenotypeLineMessage = "      Line %d";
inline constexpr const char* kRefGenotypeStoppedMessage = "    User Stopped";
inline constexpr const char* kRefGenotypeDoneMessage =
    "      Read data for %d SNP markers and %d samples";
inline constexpr const char* kRefGenotypeNoSamplesMessage =
    "    No reference samples named in the header line; file not read";
inline constexpr const char* kRefGenotypeTooLargeMessage =
    "    Too many reference samples for the units of this array; file not read";
inline constexpr const char* kReferenceStatisticsMessage =
    "      Compute SNP heterozygous rate and dependence probability from reference normal "
    "samples...";

class REFERENCE_GENOTYPES {
 public:
  int sampleCount = 0;
  int unitCount = 0;
  // 1 after a complete read; 0 before and after a failed or stopped one.
  std::uint8_t loaded = 0;

  // The calls of one sample, one per unit.
  const std::uint8_t* Row(int sample) const {
    return calls.data() + static_cast<std::size_t>(sample) * static_cast<std::size_t>(unitCount);
  }
  std::uint8_t Call(int sample, int unit) const { return Row(sample)[unit]; }

  // Reads the file for the units of the loaded layout, replacing the table.
  bool ReadRefGenotypeFile(const char* path);
  // Over the first n samples (all when n is -1): the share of heterozygous calls among the
  // calls, -1 with fewer than three calls.
  float HetRate(int unit, int n = -1) const;
  // Over the samples called at both units: of those homozygous at unit, the share also
  // homozygous at nextUnit; of those heterozygous, the share also heterozygous. Each is -1
  // when fewer than three samples count.
  void DependenceProb(int unit, int nextUnit, float* homRate, float* hetRate, int n = -1) const;

  void Clear();

 private:
  int Samples(int n) const { return n < 0 || n > sampleCount ? sampleCount : n; }

  std::vector<std::uint8_t> calls;  // sampleCount rows of unitCount codes
};

extern REFERENCE_GENOTYPES ReferenceGenotypes;

// The code of one call as reference files write it: AA or A, BB or B, AB (A and any other
// second letter) or H; anything else is no call.
std::uint8_t GenotypeCode(std::string_view field);

// Writes each unit's heterozygosity rate and, but for the last unit of each chromosome,
// its dependences on the next unit into info.Unit, walking info's position lists.
void ComputeReferenceRates(GENOME_INFO& info, const REFERENCE_GENOTYPES& reference);

// The step after a genome information read: with a reference genotype file set and the
// haplotype LOH method chosen, reads the file and computes the rates; true when there is
// nothing to do.
bool ComputeReferenceStatistics(GENOME_INFO& info, const GroupSettings& settings);
