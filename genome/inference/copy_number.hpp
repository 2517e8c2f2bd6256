// Copy number along the chromosomes, one sample at a time: the copy states and their
// levels, the hidden Markov model over the signals scaled by the normal reference (the
// total, or the two alleles with parent-specific copy number), and the cells that hold
// the result. The state layout and the inference are members of CHROMOSOME (declared
// there); this header holds what they share with their callers.
#pragma once

#include <string>
#include <vector>

#include "genome/chromosome/chromosome.hpp"

class GENOME_INFO;
class SAMPLE_GROUPING;
struct GroupSettings;

// States above the even steps of copy number: the levels 3 (or 2) to 30 of CopyLevels.
inline constexpr int kCopyLevelCount = static_cast<int>(CopyLevels.size());
// Parental states of the parent-specific model, at most; both parents' pairs a <= b make
// the combined states.
inline constexpr int kMaxParentalStates = 20;
// The chance of a state other than normal at the start of each chromosome.
inline constexpr float kAbnormalCopyPrior = 0.1f;
// Total and normal copy number of an autosome, and of X in a male.
inline constexpr float kNormalCopies = 2.0f;
inline constexpr float kMaleXCopies = 1.0f;

inline constexpr const char* kCopyHmmAllocationMessage =
    "    Allocation of HMM failed in InferCopyNumber()";
inline constexpr const char* kCopyChroStartMessage = "      Chro 0";
inline constexpr const char* kCopyStretchMessage = "      Chro %s, marker %d - %d";
inline constexpr const char* kCopyStepRefusedMessage =
    "    Inferred copy step must be above 0; copy number not inferred";
inline constexpr const char* kCopyReferenceUnusableMessage =
    "    Normal reference at or below 0, or without spread, at %d markers of sample %d; "
    "they are taken as missing";

// What one sample's inference takes besides the chromosome data.
struct CopyNumberRun {
  const GENOME_INFO* genome = nullptr;  // marker lists and positions
  int hmmLength = 10000;                // markers per stretch
  bool pairedNormal = false;            // the group's first sample is the reference
  bool parentSpecific = false;          // needs the second signal
  int referenceSample = 0;              // the first sample of the sample's group
  bool referenceMale = false;           // its array's gender is 'M'
};

// The run of a sample of the open group: its settings, grouping and genome information.
CopyNumberRun OpenGroupCopyRun(const CHROMOSOME& chro, int sample);

// The pairs (a, b), a <= b, of parental states in the order a = 0, b = 0..; a = 1, b =
// 1..; and so on.
struct ParentPairs {
  std::vector<int> first, second;
};
ParentPairs MakeParentPairs(int parentalStates);

// The two parental state numbers of a parent-specific cell, the first in the low half of
// the float's four bytes.
float EncodeParentStates(int a, int b);
void DecodeParentStates(float cell, int* a, int* b);
