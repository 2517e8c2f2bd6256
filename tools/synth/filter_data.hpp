// Expression values for testing the gene filters: sample groups of samples with replicate
// arrays, and genes planted so that each kind fails exactly one of the four filters under
// the bounds of FilterBounds (or passes all, or, for the flat and noise genes, varies too
// little). Values follow fixed patterns, so the truth holds for any seed; the seed orders
// the genes and draws the noise genes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

enum class FilterKind {
  kVarying,          // group levels four-fold apart, high, present, tight replicates: passes all
  kFlat,             // one level everywhere with a small spread: fails the variation filter
  kLow,              // varies like kVarying, but below the expression level: fails that filter
  kAbsent,           // varies, but every call absent: fails the present-call filter
  kNoisyReplicates,  // varies, but its replicates spread widely: fails the replicate filter
  kNoise,            // every array drawn from one normal distribution, present: no difference
};
inline constexpr int kFilterKinds = 6;

enum class FilterCriterion { kVariation, kPresence, kReplicate, kExpression };

// The bounds under which the kinds behave as described (deviation / mean variation).
struct FilterBounds {
  static constexpr double kVariationLower = 0.3;
  static constexpr double kVariationUpper = 10.0;
  static constexpr int kPresencePercent = 50;
  static constexpr double kReplicateLower = 0.0;
  static constexpr double kReplicateUpper = 0.2;
  static constexpr double kExpressionLevel = 100.0;
  static constexpr int kExpressionPercent = 50;
  // Noise genes vary by about 0.07 (deviation / mean): a share passing the variation
  // bound above this would be a fault.
  static constexpr double kNoiseVariationShare = 0.01;
};

// Whether a planted kind passes one filter alone. Noise genes pass every filter but
// the variation one, which they pass at most FilterBounds::kNoiseVariationShare of the time.
bool PlantedPasses(FilterKind kind, FilterCriterion criterion);

// Low genes reach the expression level from the fifth group on, in fewer than half the
// samples up to this many groups.
inline constexpr int kMaxFilterGroups = 7;

struct FilterDataOptions {
  std::uint64_t seed = 1;
  int groups = 2;
  int samplesPerGroup = 3;
  int replicates = 2;
  // Genes of each kind, in FilterKind order; shuffled by the seed.
  std::vector<int> genesPerKind = {6, 6, 6, 6, 6, 30};
};

struct FilterData {
  int groups = 0;
  int samplesPerGroup = 0;
  int replicates = 0;
  std::vector<FilterKind> kinds;  // per gene
  // Per array, per gene; array (g x samplesPerGroup + i) x replicates + r is replicate r
  // of sample i of group g, named "a<array + 1>".
  std::vector<std::vector<float>> values;
  std::vector<std::vector<char>> calls;

  int Arrays() const { return groups * samplesPerGroup * replicates; }
  // The array list file that makes those samples and groups.
  std::string ArrayListText() const;
};

FilterData MakeFilterData(const FilterDataOptions& options);

}  // namespace synth
