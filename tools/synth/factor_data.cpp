#include "tools/synth/factor_data.hpp"

#include <cmath>
#include <cstddef>

#include "tools/synth/random.hpp"

namespace synth {

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

std::string FactorData::SampleInfoText(const std::string& prefix) const {
  std::string text = "Array\tName\tTreatment\tBatch\tAge (numeric)\n";
  for (int s = 0; s < samples; ++s) {
    text += prefix + std::to_string(s + 1) + "\t\tt" + std::to_string(first[At(s)]) + "\tb" +
            std::to_string(second[At(s)]) + "\t" + std::to_string(numeric[At(s)]) + "\n";
  }
  return text;
}

FactorData MakeFactorData(const FactorDataOptions& options) {
  SynthRandom random(options.seed);
  FactorData data;
  for (int a = 0; a < options.firstCategories; ++a) {
    for (int b = 0; b < options.secondCategories; ++b) {
      const int cell = a * options.secondCategories + b;
      const int count = options.cellSamples.size() == 1
                            ? options.cellSamples[0]
                            : options.cellSamples[At(cell) % options.cellSamples.size()];
      for (int k = 0; k < count; ++k) {
        data.first.push_back(a);
        data.second.push_back(b);
        data.numeric.push_back(20.0 + 60.0 * random.Uniform());
      }
    }
  }
  data.samples = static_cast<int>(data.first.size());
  double mean = 0.0;
  for (const double v : data.numeric) mean += v;
  mean /= data.samples > 0 ? data.samples : 1;
  double spread = 0.0;
  for (const double v : data.numeric) spread += (v - mean) * (v - mean);
  spread = data.samples > 1 ? std::sqrt(spread / (data.samples - 1)) : 1.0;

  for (std::size_t e = 0; e < options.genesPerEffect.size(); ++e)
    for (int g = 0; g < options.genesPerEffect[e]; ++g)
      data.effects.push_back(static_cast<FactorEffect>(e));
  random.Shuffle(data.effects);

  const int genes = data.Genes();
  data.values.assign(At(data.samples), std::vector<float>(At(genes)));
  data.missing.assign(At(data.samples), std::vector<bool>(At(genes), false));
  for (int g = 0; g < genes; ++g) {
    for (int s = 0; s < data.samples; ++s) {
      const int a = data.first[At(s)];
      const int b = data.second[At(s)];
      double shift = 0.0;
      switch (data.effects[At(g)]) {
        case FactorEffect::kNone:
          break;
        case FactorEffect::kFirstFactor:
          shift = a % 2 == 1 ? options.effect : 0.0;
          break;
        case FactorEffect::kInteraction:
          shift = (a + b) % 2 == 0 ? options.effect : -options.effect;
          break;
        case FactorEffect::kNumeric:
          shift = options.effect * (data.numeric[At(s)] - mean) / spread;
          break;
      }
      data.values[At(s)][At(g)] = static_cast<float>(options.level + shift + random.Normal());
      data.missing[At(s)][At(g)] = random.Chance(options.missingPercent);
    }
  }
  return data;
}

}  // namespace synth
