#include "tools/synth/filter_data.hpp"

#include <stdexcept>

#include "tools/synth/random.hpp"

namespace synth {

namespace {

// Offsets -1 .. 1 evenly spaced, for n spread values (0 for one value).
double Offset(int i, int n) {
  return n > 1 ? 2.0 * i / (n - 1) - 1.0 : 0.0;
}

}  // namespace

bool PlantedPasses(FilterKind kind, FilterCriterion criterion) {
  switch (criterion) {
    case FilterCriterion::kVariation:
      return kind != FilterKind::kFlat && kind != FilterKind::kNoise;
    case FilterCriterion::kPresence:
      return kind != FilterKind::kAbsent;
    case FilterCriterion::kReplicate:
      return kind != FilterKind::kNoisyReplicates;
    case FilterCriterion::kExpression:
      return kind != FilterKind::kLow;
  }
  return false;
}

std::string FilterData::ArrayListText() const {
  std::string text;
  for (int g = 0; g < groups; ++g) {
    for (int i = 0; i < samplesPerGroup; ++i) {
      for (int r = 0; r < replicates; ++r)
        text += "a" + std::to_string((g * samplesPerGroup + i) * replicates + r + 1) + "\n";
      text += "--- Replicate---\n";
    }
    text += "--- Standardize---\n";
  }
  return text;
}

FilterData MakeFilterData(const FilterDataOptions& options) {
  if (options.groups < 2 || options.groups > kMaxFilterGroups || options.samplesPerGroup < 1 ||
      options.replicates < 2)
    throw std::invalid_argument("two to seven groups and two replicates at least");
  SynthRandom random(options.seed);
  FilterData data;
  data.groups = options.groups;
  data.samplesPerGroup = options.samplesPerGroup;
  data.replicates = options.replicates;
  for (int k = 0; k < kFilterKinds && k < static_cast<int>(options.genesPerKind.size()); ++k)
    for (int g = 0; g < options.genesPerKind[static_cast<std::size_t>(k)]; ++g)
      data.kinds.push_back(static_cast<FilterKind>(k));
  random.Shuffle(data.kinds);

  const std::size_t genes = data.kinds.size();
  const int arrays = data.Arrays();
  data.values.assign(static_cast<std::size_t>(arrays), std::vector<float>(genes));
  data.calls.assign(static_cast<std::size_t>(arrays), std::vector<char>(genes, 'P'));
  for (std::size_t gene = 0; gene < genes; ++gene) {
    const FilterKind kind = data.kinds[gene];
    for (int a = 0; a < arrays; ++a) {
      const int r = a % data.replicates;
      const int sample = a / data.replicates;
      const int i = sample % data.samplesPerGroup;
      const int group = sample / data.samplesPerGroup;
      // Group levels 1, 4, 16, ... times the base (low genes 20, 40, 60, ...); samples 5%
      // and replicates 2% apart.
      double level = 400.0;
      for (int k = 0; k < group; ++k) level *= 4.0;
      double replicateSpread = 0.02;
      switch (kind) {
        case FilterKind::kFlat:
          level = 1000.0;
          break;
        case FilterKind::kLow:
          level = 20.0 * (group + 1);
          break;
        case FilterKind::kNoisyReplicates:
          replicateSpread = 0.6;
          break;
        default:
          break;
      }
      double v = level * (1.0 + 0.05 * Offset(i, data.samplesPerGroup)) *
                 (1.0 + replicateSpread * Offset(r, data.replicates));
      if (kind == FilterKind::kNoise) v = 1000.0 + 100.0 * random.Normal();
      data.values[static_cast<std::size_t>(a)][gene] = static_cast<float>(v);
      if (kind == FilterKind::kAbsent) data.calls[static_cast<std::size_t>(a)][gene] = 'A';
    }
  }
  return data;
}

}  // namespace synth
