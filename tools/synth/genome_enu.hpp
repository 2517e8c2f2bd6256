// ENU crosses with their truth: a mutated strain (homozygous A at every marker), a
// background strain (homozygous B) and offspring of given generations. Each offspring's
// two allele origins follow the generation's chances and recombine along every chromosome;
// the genotype at a planted mutation locus decides whether the offspring is affected, and
// calls carry errors and no calls at known rates.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

// The chances (first, second) that an allele comes from the mutated strain, by generation
// digit.
inline constexpr std::array<std::array<double, 2>, 6> kEnuOriginChances = {
    {{0, 0}, {0, 0}, {0.5, 0.5}, {0.5, 0.01}, {0.5, 0.25}, {0.99, 0.5}}};

struct EnuPlan {
  std::vector<int> markersPerChromosome{300, 300};
  double spacingMb = 0.5;  // between neighbouring markers of a chromosome
  // Positions (bp) of every marker in genome order instead, when given.
  std::vector<float> positions;
  std::vector<int> generations;  // one digit 0 to 5 per offspring
  int mutationChromosome = 0;
  int mutationMarker = 150;  // within its chromosome
  // The chance of being affected with genotype AA, BB and AB (the calls' numbering).
  std::array<double, 3> penetrance{1, 0, 0};
  double errorRate = 0.01;  // a call replaced by another genotype
  double noCallRate = 0.02;
  std::uint64_t seed = 1;
};

struct EnuCross {
  // Sample 0 the mutated strain, 1 the background strain, then the offspring.
  std::vector<std::string> names;
  std::vector<std::string> labels;  // "M", "B" or the generation digit
  std::vector<bool> affected;       // offspring drawn affected; parents never
  // Markers in genome order: chromosome and position (bp).
  std::vector<int> chromosome;
  std::vector<float> position;
  // The markers' names, when the cross lies on a chip's units; else they go by number.
  std::vector<std::string> markerNames;
  // Per sample and marker: the true genotype and the call (0 A, 1 B, 2 AB, 3 NoCall).
  std::vector<std::vector<int>> genotype;
  std::vector<std::vector<int>> calls;
  int mutationIndex = 0;  // the planted locus in genome order

  int MarkerCount() const { return static_cast<int>(chromosome.size()); }
};

EnuCross DrawEnuCross(const EnuPlan& plan);

// Each member its own sample group.
std::string EnuArrayListText(const EnuCross& cross);

// The sample information: per sample its name, the "ENU" label and the "Affected" status.
std::string EnuSampleInfoText(const EnuCross& cross);
// The locus (chromosome index, marker), then per offspring and marker: the marker's name,
// chromosome index, position, the true genotype and the call.
std::string EnuTruthText(const EnuCross& cross);

}  // namespace synth
