// Mapping the mutation of a cross between a mutated and a background strain: each
// offspring's genotype chances along the chromosomes, from its calls through a three-state
// HMM, weighed by its affected status, give a log10 likelihood ratio per marker summed over
// the offspring into the call type's summary (CHROMOSOME::InferEnu).
#pragma once

#include <array>

inline constexpr const char* kEnuColumn = "ENU";
inline constexpr const char* kEnuAffectedColumn = "Affected";
inline constexpr const char* kEnuParentsMessage =
    "  The 1st sample must be 'Mutated' and 2nd be 'Background'";
inline constexpr const char* kEnuOffspringMessage = "      Found %d non-parental samples";
// Our own: a generation digit the table does not hold (the sample and its label).
inline constexpr const char* kEnuGenerationMessage =
    "  Sample %d: generation '%c' is not one of 0 to 5; the sample is not used";
inline constexpr const char* kEnuAllocationMessage = "  Allocation failed in InferEnu()";
// Our own: a chromosome beyond the model's length (name, markers, stretch length).
inline constexpr const char* kEnuStretchMessage =
    "    Chromosome %s has %d markers; it is mapped in stretches of %d";
// Our own: an offspring whose status no genotype of its generation allows (the sample).
inline constexpr const char* kEnuPhenotypeMessage =
    "  Sample %d: no genotype of its generation gives its affected status; the sample is not "
    "used";
inline constexpr const char* kEnuNoDataMessage = "  No SNP calls gathered for the ENU analysis";
inline constexpr const char* kEnuNoCallsMessage =
    "  The offspring have no genotype call on any marker";
// The lowest log10 ratio one offspring adds at a marker.
inline constexpr float kEnuLogFloor = -10.0f;

// Genotype states, numbered as the calls: homozygous A, homozygous B, AB.
inline constexpr int kEnuStates = 3;
// Symbols: the three calls and no call.
inline constexpr int kEnuSymbols = 4;
inline constexpr int kEnuGenerations = 6;
// The chances of the two allele origins (x, y) by generation digit.
inline constexpr std::array<std::array<float, 2>, kEnuGenerations> kEnuGenerationTable = {
    {{0, 0}, {0, 0}, {0.5f, 0.5f}, {0.5f, 0.01f}, {0.5f, 0.25f}, {0.99f, 0.5f}}};
// The call-based score's weight of an error spread over the three calls.
inline constexpr float kEnuErrorShare = 0.33333334f;

// The three genotype chances of an offspring of a generation: x y, (1 - x)(1 - y) and
// y (1 - x) + x (1 - y).
std::array<float, kEnuStates> EnuStartChances(int generation);
// The start chances weighed by the chance of the phenotype in each state and scaled to
// sum 1: affectedGivenState for an affected offspring, one minus it otherwise. All zero
// when the phenotype cannot occur.
std::array<float, kEnuStates> EnuPhenotypeWeights(const std::array<float, kEnuStates>& start,
                                                  const std::array<float, kEnuStates>& affected,
                                                  bool isAffected);
