#include "tools/synth/genome_chain.hpp"

#include <cmath>

#include "tools/synth/random.hpp"

namespace synth {

namespace {

int DrawFrom(const std::vector<double>& chances, SynthRandom& random) {
  const double u = random.Uniform();
  double sum = 0;
  for (std::size_t k = 0; k < chances.size(); ++k) {
    sum += chances[k];
    if (u < sum) return static_cast<int>(k);
  }
  return static_cast<int>(chances.size()) - 1;
}

std::vector<double> RandomRow(int count, double minChance, SynthRandom& random) {
  std::vector<double> row(static_cast<std::size_t>(count));
  double sum = 0;
  for (double& v : row) {
    v = minChance + random.Uniform();
    sum += v;
  }
  for (double& v : row) v /= sum;
  return row;
}

}  // namespace

double RedrawChance(double distanceMb) {
  if (distanceMb == -1) return 1;
  return 1 - std::exp(-0.02 * distanceMb);
}

Chain DrawChain(const ChainModel& model, std::uint64_t seed) {
  SynthRandom random(seed);
  Chain chain;
  const std::size_t markers = model.distanceMb.size() + 1;
  chain.states.reserve(markers);
  chain.symbols.reserve(markers);
  int state = DrawFrom(model.start, random);
  for (std::size_t t = 0; t < markers; ++t) {
    if (t > 0 && random.Uniform() < RedrawChance(model.distanceMb[t - 1])) {
      state = DrawFrom(model.start, random);
    }
    chain.states.push_back(state);
    chain.symbols.push_back(DrawFrom(model.emission[static_cast<std::size_t>(state)], random));
  }
  return chain;
}

ChainModel RandomChainModel(int states, int symbols, int markers, double maxDistanceMb,
                            bool withUnknown, std::uint64_t seed) {
  SynthRandom random(seed);
  ChainModel model;
  model.start = RandomRow(states, 0.2, random);
  for (int i = 0; i < states; ++i) model.emission.push_back(RandomRow(symbols, 0.05, random));
  for (int t = 0; t + 1 < markers; ++t) {
    model.distanceMb.push_back(withUnknown && random.Chance(10) ? -1.0
                                                                : maxDistanceMb * random.Uniform());
  }
  return model;
}

}  // namespace synth
