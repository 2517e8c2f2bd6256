#include "genes/filter/factor_correlation.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/numerics/rank_correlation.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "genes/filter/factor_design.hpp"
#include "genes/filter/gene_columns.hpp"
#include "genes/filter/probe_set_blocks.hpp"
#include "genes/filter/sample_values.hpp"
#include "platform/file_replacement.hpp"

namespace {

// Fewer pairs leave no degree of freedom for the p-value.
constexpr int kMinCorrelationPairs = 3;

// The pairs where neither value is missing, unless too few or either side constant.
bool UsablePairs(std::span<const double> x, std::span<const double> y, std::vector<double>& xs,
                 std::vector<double>& ys) {
  xs.clear();
  ys.clear();
  for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
    if (IsMissing(x[i]) || IsMissing(y[i])) continue;
    xs.push_back(x[i]);
    ys.push_back(y[i]);
  }
  const auto constant = [](const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [&v](double value) { return value == v.front(); });
  };
  return static_cast<int>(xs.size()) >= kMinCorrelationPairs && !constant(xs) && !constant(ys);
}

struct Reference {
  std::vector<double> profile;
  std::string label;
};

bool NoTreeRow(int row) {
  LogMessage(MessageBuffer(kNoTreeRowMessage, row), 0, kLogRed);
  return false;
}

}  // namespace

Correlation PearsonCorrelationMissing(std::span<const double> x, std::span<const double> y) {
  // Reused for every probe set a thread tests, so that the filter allocates nothing per gene.
  thread_local std::vector<double> xs;
  thread_local std::vector<double> ys;
  if (!UsablePairs(x, y, xs, ys)) return {};
  const int n = static_cast<int>(xs.size());
  double mx = 0.0;
  double my = 0.0;
  for (int i = 0; i < n; ++i) {
    mx += xs[static_cast<std::size_t>(i)];
    my += ys[static_cast<std::size_t>(i)];
  }
  mx /= n;
  my /= n;
  double sxx = 0.0;
  double syy = 0.0;
  double sxy = 0.0;
  for (int i = 0; i < n; ++i) {
    const double dx = xs[static_cast<std::size_t>(i)] - mx;
    const double dy = ys[static_cast<std::size_t>(i)] - my;
    sxx += dx * dx;
    syy += dy * dy;
    sxy += dx * dy;
  }
  const double r = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
  return {r, CorrelationPValue(r, n)};
}

Correlation SpearmanCorrelationMissing(std::span<const double> x, std::span<const double> y) {
  // Reused for every probe set a thread tests, so that the filter allocates nothing per gene.
  thread_local std::vector<double> xs;
  thread_local std::vector<double> ys;
  if (!UsablePairs(x, y, xs, ys)) return {};
  double d = 0.0;
  double zd = 0.0;
  double probd = 0.0;
  double rs = 0.0;
  double probrs = 0.0;
  SpearmanCorrelation(xs.data(), ys.data(), static_cast<int>(xs.size()), &d, &zd, &probd, &rs,
                      &probrs);
  return {rs, probrs};
}

namespace {

// The table of the genes correlated with the reference at the group's threshold; the
// reference's profile and label are filled in, and found counts the genes listed. row is
// -1 for the sample information's factor, else a checked row of the gene tree.
std::string CorrelatedGenesTable(int row, Reference& reference, int& found) {
  const Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  const CLUSTER* tree = GeneTree();
  const int samples = SampleGrouping.SampleCount();
  const bool rank = group.RunOptions().factorRankCorrelation;
  const bool absolute = group.RunOptions().factorAbsoluteCorrelation;
  const double threshold = settings.ANOVA_PVALUE;
  std::string text = "[";
  if (absolute) text += "Absolute ";
  if (rank) text += "Rank ";
  text += "Correlation p-value <=" + ThresholdText(threshold) + "]\n";

  const std::vector<int> blocks = ClusterOptionsFromSettings(settings).blockStarts;
  reference.profile.assign(static_cast<std::size_t>(samples), MISSING_VALUE);
  if (row == -1) {
    for (int s = 0; s < samples; ++s) {
      const float weight = SampleGrouping.SampleWeight(s);
      if (weight != kMissingValueFloat) reference.profile[static_cast<std::size_t>(s)] = weight;
    }
    reference.label = "factor '" + SplitFactorNames(settings.ANOVA_FACTOR).first + "'";
  } else if (row < tree->ItemCount()) {
    GetStandardizedSampleValues(reference.profile, tree->Node(row).item, blocks);
    reference.label = "gene";
  } else {
    reference.profile = tree->Node(row).profile;
    reference.label = "gene branch";
  }
  WriteGeneColumnsHeader(text);
  text += "correlation\tp value\n";

  const int units = std::max(Layout.unitCount, 0);
  const bool omitControls = settings.OMIT_VOSK != 0;
  std::vector<Correlation> results(static_cast<std::size_t>(units));
  PrepareSampleValueReads();
  RunProbeSetBlocks(
      units,
      [&](int first, int end) {
        std::vector<double> values(static_cast<std::size_t>(samples));
        for (int unit = first; unit < end; ++unit) {
          if (omitControls && IsControlUnit(unit)) continue;
          GetStandardizedSampleValues(values, unit, blocks);
          results[static_cast<std::size_t>(unit)] =
              rank ? SpearmanCorrelationMissing(reference.profile, values)
                   : PearsonCorrelationMissing(reference.profile, values);
        }
      },
      [](int) { PumpMessages(); });

  for (int unit = 0; unit < units; ++unit) {
    const Correlation& c = results[static_cast<std::size_t>(unit)];
    if (IsMissing(c.p) || !(c.r > 0.0 || absolute) || c.p > threshold) continue;
    WriteGeneColumns(text, unit);
    text += MessageBuffer("%g\t%g\n", c.r, c.p);
    ++found;
  }
  return text;
}

}  // namespace

bool WriteFactorFilterResult(const std::string& path, int row) {
  const CLUSTER* tree = GeneTree();
  const int samples = SampleGrouping.SampleCount();
  if (row != -1 &&
      (tree == nullptr || row < 0 || row >= tree->NodeCount() || tree->ValueCount() != samples))
    return NoTreeRow(row);

  Reference reference;
  int found = 0;
  if (!ReplaceFileOrLog(path, MessageBuffer(kCorrelationWriteFailedMessage, path.c_str()),
                        [&](platform::FileReplacement& file) {
                          return WriteFileText(file, CorrelatedGenesTable(row, reference, found));
                        }))
    return false;
  LogMessage("\n  " +
             MessageBuffer(kCorrelatedGenesMessage, found, reference.label.c_str(), path.c_str()));
  RegisterOutputFile(path, false);
  return true;
}
