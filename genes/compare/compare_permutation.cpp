#include "genes/compare/compare_permutation.hpp"

#include <cstdint>
#include <utility>

#include "engine/numerics/numerics.hpp"
#include "engine/numerics/random_deviates.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/compare/compare_pass.hpp"
#include "platform/runtime_rand.hpp"

namespace {

bool PairsMatch(const COMPARE_CRITERION& c) {
  return c.BaselineCount() == c.ExperimentCount();
}

}  // namespace

bool PermuteGrouping(COMPARE_CRITERION& comparison) {
  if (comparison.usePaired != 0) {
    if (!PairsMatch(comparison)) {
      LogMessage(kPairSizeMessage, 0, kLogRed);
      return false;
    }
    for (std::size_t i = 0; i < comparison.baseline.size(); ++i)
      if (platform::Rand() % 2 == 0) std::swap(comparison.baseline[i], comparison.experiment[i]);
    return true;
  }
  std::vector<int> pooled = comparison.baseline;
  pooled.insert(pooled.end(), comparison.experiment.begin(), comparison.experiment.end());
  RandomPermutation(pooled.data(), static_cast<int>(pooled.size()));
  const auto split = pooled.begin() + comparison.BaselineCount();
  comparison.baseline.assign(pooled.begin(), split);
  comparison.experiment.assign(split, pooled.end());
  return true;
}

std::string FalseDiscoverySummary(int genesObtained, int rounds, double median, double p90) {
  if (genesObtained <= 0) return {};
  return MessageBuffer(
      "Obtained %d genes; False Discovery Rate (Number) of %d permutations, Median: %.1f%% "
      "(%.0f), 90th percentile: %.1f%% (%.0f)",
      genesObtained, rounds, median * 100.0 / genesObtained, median, p90 * 100.0 / genesObtained,
      p90);
}

bool EstimateFalseDiscovery(const ComparePass& pass, std::vector<std::uint8_t>& geneStatus,
                            int genesObtained, int rounds, std::string& fileText,
                            FalseDiscoveryEstimate& estimate) {
  estimate = FalseDiscoveryEstimate{};
  if (rounds < 1 || rounds > kMaxPermutationCount) {
    LogMessage(MessageBuffer(kPermutationCountMessage, rounds), 0, kLogRed);
    return false;
  }
  COMPARE_CRITERIA permuted;
  permuted.count = pass.criteria->count;
  for (int i = 0; i < permuted.count; ++i)
    permuted.entries[static_cast<std::size_t>(i)] =
        pass.criteria->entries[static_cast<std::size_t>(i)];
  LogMessage(kPermutingMessage);
  LogMessage(MessageBuffer(kOriginalComparisonMessage, permuted.DescribeComparisons().c_str()));

  // Sets of different sizes have no pairs (their paired test is left out), so their
  // labels are shuffled like those of an unpaired comparison; said once, not every round.
  for (int j = 0; j < permuted.count; ++j) {
    COMPARE_CRITERION& entry = permuted.entries[static_cast<std::size_t>(j)];
    if (!entry.isParenthesis && entry.usePaired != 0 && !PairsMatch(entry)) {
      LogMessage(kPairSizeMessage, 0, kLogRed);
      entry.usePaired = 0;
    }
  }

  ComparePass round = pass;
  round.criteria = &permuted;
  round.onlyPassed = false;
  round.writer = nullptr;
  estimate.counts.reserve(static_cast<std::size_t>(rounds));
  for (int i = 1; i <= rounds; ++i) {
    for (int j = 0; j < permuted.count; ++j) {
      COMPARE_CRITERION& entry = permuted.entries[static_cast<std::size_t>(j)];
      if (!entry.isParenthesis) PermuteGrouping(entry);
    }
    int count = 0;
    if (!EvaluateGenes(round, geneStatus, count)) return false;
    estimate.counts.push_back(count);
    LogMessage(
        MessageBuffer(kPermutationRoundMessage, i, permuted.DescribeComparisons().c_str(), count));
  }
  std::vector<double> scratch = estimate.counts;
  estimate.median = SelectQuantile(scratch.data(), static_cast<int>(scratch.size()), 0.5);
  scratch = estimate.counts;
  estimate.p90 = SelectQuantile(scratch.data(), static_cast<int>(scratch.size()), 0.9);
  estimate.summary = FalseDiscoverySummary(genesObtained, rounds, estimate.median, estimate.p90);
  if (!estimate.summary.empty()) {
    LogMessage("\n    " + estimate.summary);
    fileText += '[';
    fileText += estimate.summary;
    fileText += "]\n";
  }
  return true;
}
