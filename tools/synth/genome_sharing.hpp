// Genotype calls of two siblings over a run of SNP markers whose sharing identical by
// descent is planted stretch by stretch: four parental haplotypes are drawn from each
// marker's allele frequency, and the second sibling takes both, one or none of the first
// sibling's parental haplotypes. The shared count of every marker comes with the calls.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace synth {

struct SharingPlan {
  int markers = 4000;
  // (first marker, alleles shared) of each stretch; a stretch lasts until the next begins.
  std::vector<std::pair<int, int>> stretches{{0, 2}};
  // A-allele frequencies are drawn evenly from this range.
  double lowFrequency = 0.1;
  double highFrequency = 0.9;
  // Frequencies given per marker instead (several pairs of one genome).
  std::vector<float> frequency;
  double errorRate = 0.005;  // chance that a call is replaced by another genotype
  double noCallRate = 0.02;
  std::uint64_t seed = 1;
};

struct SharingPair {
  std::vector<float> frequency;  // A-allele frequency per marker
  // Genotype codes: 0 A, 1 B, 2 AB, 3 NoCall.
  std::vector<int> first;
  std::vector<int> second;
  std::vector<int> shared;  // the truth per marker: 0, 1 or 2
};

SharingPair DrawSharingPair(const SharingPlan& plan);

}  // namespace synth
