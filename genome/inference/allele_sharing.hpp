// How many alleles pairs of related samples share identical by descent along the genome:
// a four-state hidden Markov model over the pair's two genotype calls, whose emissions
// follow each marker's allele frequency. The expected sharing goes into every sample's
// inferred values and, averaged over the pairs, into the allele-sharing curve.
#pragma once

#include <array>
#include <utility>

// States: 0 both alleles shared, 1 the first sample's first allele shared, 2 its second,
// 3 nothing; symbols 4 x (first call) + (second call), calls 0 A, 1 B, 2 AB, 3 NoCall.
inline constexpr int kSharingStates = 4;
inline constexpr int kSharingSymbols = 16;
// Row k of the emission table holds allele frequency (k + 1) / 100.
inline constexpr int kSharingRows = 100;
inline constexpr std::array<float, kSharingStates> kSharedAlleles = {2, 1, 1, 0};

inline constexpr const char* kAffectedColumn = "Affected";
inline constexpr const char* kAllPairsMessage =
    "    Infer allele sharing between all the %d pairs of affected...";
inline constexpr const char* kSiblingPairsMessage =
    "    Infer allele sharing between the %d pairs of siblings...";
inline constexpr const char* kSmallSharingGroupMessage =
    "    Error: all sample groups must have 2 or more samples";
inline constexpr const char* kSharingStartMessage = "      Chro 1";
inline constexpr const char* kSharingPairMessage =
    "      Chro %s, Sample pair [%s/%s], marker %d - %d";

using SharingRows =
    std::array<std::array<std::array<float, kSharingSymbols>, kSharingStates>, kSharingRows>;
// log10 emissions by row, state and symbol; filled by each inference.
extern SharingRows AlleleSharingTable;

// log10 of the chance of the pair's calls (symbol) in an IBD state, with A-allele
// frequency p and calls wrong at errorRate; 0 when either call is missing.
float AlleleSharingEmission(double p, int state, int symbol, double errorRate);
void FillAlleleSharingTable(double errorRate);
// The table row of an allele frequency: the nearest tabled frequency, within the table.
int AlleleSharingRow(float frequency);
// Pair number i of all pairs of samples: (1,0), (2,0), (2,1), (3,0), ...
std::pair<int, int> AllPairsPair(int i);
