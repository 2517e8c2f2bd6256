// The false discovery estimate of a comparison run: the sample labels of every
// comparison permuted round after round, the genes that pass each time counted, and
// the median and 90th percentile of those counts set against the true count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "genes/compare/compare_criteria.hpp"

inline constexpr int kMaxPermutationCount = 10000;

inline constexpr const char* kPermutingMessage =
    "  Permuting samples to assess False Discovery Rate (FDR)...";
inline constexpr const char* kOriginalComparisonMessage = "    Original comparison: %s\n";
inline constexpr const char* kPermutationRoundMessage =
    "    Permutation %2d: %s, genes obtained: %d";
inline constexpr const char* kPairSizeMessage =
    "    Error: BaseSize != ExperiSize in PermuteGrouping()";
// Our own: printf form with the count asked for.
inline constexpr const char* kPermutationCountMessage =
    "  The number of permutations %d is not between 1 and 10000";

// Permutes the labels of one comparison in place with the run-time rand(): a paired
// comparison exchanges each pair with probability one half (sizes must match, else the
// error is logged and nothing changes); any other shuffles its pooled samples.
bool PermuteGrouping(COMPARE_CRITERION& comparison);

// The summary of the rounds: median and 90th percentile of the counts.
struct FalseDiscoveryEstimate {
  std::vector<double> counts;  // genes passing in each round
  double median = 0.0;
  double p90 = 0.0;
  // "Obtained ... 90th percentile: ...%% (...)"; empty when no gene passed on the true labels.
  std::string summary;
};

// The summary text of counts against the true count; empty when genesObtained is 0.
std::string FalseDiscoverySummary(int genesObtained, int rounds, double median, double p90);

struct ComparePass;

// Runs rounds of permuted labels on a copy of the pass's list (the list itself keeps its
// true labels): each round permutes every comparison, counts the genes that pass with
// the pass (which must write nothing) over the genes geneStatus makes eligible (their
// status then tells the last round), and logs the count. With genesObtained above 0 the
// summary is logged and appended to fileText as "[summary]". rounds must lie between 1
// and kMaxPermutationCount. False when the user stopped.
[[nodiscard]] bool EstimateFalseDiscovery(const ComparePass& pass,
                                          std::vector<std::uint8_t>& geneStatus, int genesObtained,
                                          int rounds, std::string& fileText,
                                          FalseDiscoveryEstimate& estimate);
