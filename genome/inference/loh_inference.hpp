// Loss-of-heterozygosity inference over the chromosome data of SNP arrays: for every
// sample group the tumour's (or the single sample's) row of lohCodes becomes the chance of
// retention at each marker. Paired groups read their LOH codes, single samples their own
// calls; three methods: the same-boundary fill of paired codes, a two-state model, and a
// four-state model whose haplotype bit follows the reference genotypes, after which LOH
// runs that the reference samples share are taken back.
#pragma once

#include <string>
#include <vector>

#include "genome/chromosome/chromosome.hpp"

class GENOME_INFO;
class REFERENCE_GENOTYPES;
class SAMPLE_GROUPING;
struct GroupSettings;

enum LohMethod { kLohSameBoundary = 0, kLohHmm = 1, kLohHaplotypeHmm = 2 };

// Per cent of agreeing homozygous calls for a reference sample to count as identical.
inline constexpr int kHaplotypeIdentity = 95;
// A marker's value before the same-boundary fill gives it one.
inline constexpr float kUnfilledRetention = 0.5f;
// A marker is in LOH when its LOH chance passes this.
inline constexpr float kLohRunChance = 0.5f;

inline constexpr const char* kNoReferenceGenotypesMessage =
    "  No normal reference genotypes read; cannot use the '%s' method";
inline constexpr const char* kInferringLohMessage = "  Inferring LOH using the '%s' method...\n";
inline constexpr const char* kSameBoundaryMessage =
    "    Use the same boundary method to fill in noninformative in paired LOH analysis...";
inline constexpr const char* kLohHmmAllocationMessage =
    "    Allocation of HMM failed in CHROMOSOME::InferLohCall";
inline constexpr const char* kLohChromosomeMessage = "    Chromosome";
inline constexpr const char* kLohStretchMessage = "    Chro %s, Sample %s, marker %d - %d";
inline constexpr const char* kEstimatedRateWord = "Estimated";
inline constexpr const char* kInferredRateWord = "Inferred";
inline constexpr const char* kLohRateMessage = " sample LOH rate: ";
inline constexpr const char* kHaplotypeCheckMessage =
    "    Check whether some LOH regions are likely due to haplotype structure...";
inline constexpr const char* kHaplotypeRunMessage =
    "      Chro %s, %s, at %.0fMb, %d markers, identical with %.0f%% of %d reference samples, "
    "%s";
inline constexpr const char* kHaplotypeStoppedMessage = "      User stopped";
// Settings that would divide by zero or leave the models without meaning are refused.
inline constexpr const char* kLohHetRateRefusedMessage =
    "    Average het rate must be above 0 and at most 1; LOH not inferred";
inline constexpr const char* kLohErrorRateRefusedMessage =
    "    Genotyping error must lie within 0 and 1; LOH not inferred";
inline constexpr const char* kLohLengthRefusedMessage =
    "    HMM length must lie within 1 and 12000; LOH not inferred";
inline constexpr const char* kLohNotCompletedMessage = "    LOH inference not completed";

struct LohSettings {
  int method = kLohHmm;  // INFER_NONINFORMATIVE
  double errorRate = 0.01;
  float hetRate = 0.27f;   // AVERAGE_HET_RATE
  int alleleFreqType = 3;  // 0: every SNP 0.5, so no het rate per marker
  int hmmLength = 10000;   // markers per stretch
  int haplotypeThreshold = 10;
  int haplotypeIdentity = kHaplotypeIdentity;

  static LohSettings From(const GroupSettings& settings);
};

// A sample group as the inference sees it: consecutive samples, the first the normal (or
// the only sample), with the gender of its first sample's array and that sample's name.
struct LohGroup {
  int first = 0;
  int size = 1;
  char gender = 'F';
  std::string name;

  bool Paired() const { return size > 1; }
  // The row the inference writes: the tumour's, or the only sample's.
  int Target() const { return Paired() ? first + 1 : first; }
};

struct LohRun {
  std::vector<LohGroup> groups;
  LohSettings settings;
  const GENOME_INFO* info = nullptr;
  const REFERENCE_GENOTYPES* reference = nullptr;  // the haplotype method only
  // Where the method fallen back to is kept for the later models (the group's
  // INFER_NONINFORMATIVE); none when null.
  int* methodSetting = nullptr;
};

// The groups of the sample grouping, each with its first array's gender from the
// chromosome data; groups beyond the chromosome's samples are left out.
std::vector<LohGroup> LohGroupsOf(const SAMPLE_GROUPING& grouping, const CHROMOSOME& chro);
// A run over the open group: its grouping, settings, genome information and reference
// genotypes.
LohRun OpenGroupLohRun(const CHROMOSOME& chro);

// False, with the refusal in red, when a setting would make the models meaningless.
bool AcceptLohSettings(const LohSettings& settings);
