#include "genes/filter/factor_design.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "genes/filter/factor_anova.hpp"
#include "genes/filter/sample_values.hpp"

namespace {

// Thresholds below this are shown in exponent form.
constexpr double kExponentThreshold = 0.00001;

std::vector<int> CodesOf(int slot, int categories) {
  std::vector<int> codes(static_cast<std::size_t>(SampleGrouping.SampleCount()), -1);
  for (int s = 0; s < SampleGrouping.SampleCount(); ++s) {
    const int code = SampleGrouping.ClassCode(slot, s);
    if (code >= 0 && code < categories) codes[static_cast<std::size_t>(s)] = code;
  }
  return codes;
}

int HeldCategories(const std::vector<int>& codes, int categories, const std::vector<bool>& known) {
  std::vector<bool> held(static_cast<std::size_t>(categories), false);
  for (std::size_t s = 0; s < codes.size(); ++s)
    if (known[s]) held[static_cast<std::size_t>(codes[s])] = true;
  int count = 0;
  for (const bool h : held) count += h ? 1 : 0;
  return count;
}

double LoggedPValue(const FactorDesign& design, int probeSet) {
  std::vector<double> values(design.first.size());
  const FactorTest test = TestFactor(design, probeSet, values);
  if (test.status == FactorTestStatus::kTooManyCategories)
    LogMessage(MessageBuffer(kInteractionCategoriesMessage, kMaxInteractionCategories,
                             std::max(design.heldFirst, design.heldSecond)),
               0, kLogRed);
  if (test.status == FactorTestStatus::kNoReplicates)
    LogMessage(std::string(kReplicatesNeededMessage) +
                   std::string(Layout.units[static_cast<std::size_t>(probeSet)].Name()),
               0, kLogRed);
  return test.p;
}

}  // namespace

FactorNames SplitFactorNames(std::string_view factors) {
  const std::size_t comma = factors.find(", ");
  if (comma == std::string_view::npos) return {std::string(factors), {}};
  return {std::string(factors.substr(0, comma)), std::string(factors.substr(comma + 2))};
}

std::string ThresholdText(double threshold) {
  return MessageBuffer(threshold < kExponentThreshold ? "%e" : "%f", threshold);
}

FactorDesign FactorDesignFromGrouping(int factors) {
  FactorDesign design;
  design.factors = factors == 2 ? 2 : 1;
  design.firstCategories = SampleGrouping.ClassCount(0);
  design.first = CodesOf(0, design.firstCategories);
  if (design.factors == 2) {
    design.secondCategories = SampleGrouping.ClassCount(1);
    design.second = CodesOf(1, design.secondCategories);
  }
  std::vector<bool> known(design.first.size(), false);
  for (std::size_t s = 0; s < known.size(); ++s) {
    known[s] = design.first[s] >= 0 && (design.factors == 1 || design.second[s] >= 0);
    design.known += known[s] ? 1 : 0;
  }
  design.heldFirst = HeldCategories(design.first, design.firstCategories, known);
  if (design.factors == 2)
    design.heldSecond = HeldCategories(design.second, design.secondCategories, known);
  design.blockStarts = ClusterOptionsFromSettings(TheGroup().Settings()).blockStarts;
  return design;
}

void GetStandardizedSampleValues(std::span<double> out, int probeSet,
                                 const std::vector<int>& blockStarts) {
  GetSampleValues(out.data(), probeSet, 0);
  StandardizeGeneRow(out.data(), static_cast<int>(out.size()), blockStarts, -1);
}

FactorTest TestFactor(const FactorDesign& design, int probeSet, std::span<double> values) {
  FactorTest test;
  if (design.TooManyCategories()) {
    test.status = FactorTestStatus::kTooManyCategories;
    return test;
  }
  GetStandardizedSampleValues(values, probeSet, design.blockStarts);
  if (design.factors == 1) {
    test.p = OneWayAnova(values, design.first, design.firstCategories).p;
    return test;
  }
  const TwoWayAnovaTable table = TwoWayAnova(values, design.first, design.firstCategories,
                                             design.second, design.secondCategories, true);
  if (table.used > 0 && table.residualDf <= 0) test.status = FactorTestStatus::kNoReplicates;
  test.p = table.interaction.p;
  return test;
}

double OneWayAnovaPValue(int probeSet) {
  return LoggedPValue(FactorDesignFromGrouping(1), probeSet);
}

double InteractionPValue(int probeSet) {
  return LoggedPValue(FactorDesignFromGrouping(2), probeSet);
}
