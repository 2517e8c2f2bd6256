// Samples with planted classes.
#include "tools/synth/planted_sample_classes.hpp"

#include <string>

#include "tools/synth/random.hpp"

namespace synth {

PlantedClassTruth MakePlantedClasses(const PlantedClassOptions& options) {
  SynthRandom random(options.seed);
  std::vector<std::vector<double>> centres;
  for (int c = 0; c < options.classes; ++c) {
    std::vector<double> centre(static_cast<std::size_t>(options.genes));
    for (double& v : centre) v = options.separation * random.Normal();
    centres.push_back(std::move(centre));
  }
  PlantedClassTruth truth;
  for (int c = 0; c < options.classes; ++c)
    for (int k = 0; k < options.samplesPerClass; ++k) {
      truth.classOf.push_back(c);
      truth.told.push_back(k >= options.unknownPerClass);
    }
  std::vector<std::size_t> order(truth.classOf.size());
  for (std::size_t j = 0; j < order.size(); ++j) order[j] = j;
  random.Shuffle(order);
  std::vector<int> classOf;
  std::vector<bool> told;
  for (std::size_t j : order) {
    classOf.push_back(truth.classOf[j]);
    told.push_back(truth.told[j]);
  }
  truth.classOf = std::move(classOf);
  truth.told = std::move(told);

  PlantedClusterTruth& group = truth.group;
  group.samples = static_cast<int>(truth.classOf.size());
  for (int g = 0; g < options.genes; ++g) {
    group.geneNames.push_back("pc" + std::to_string(g));
    group.clusterOf.push_back(0);
    const double level = 6.0 + 4.0 * random.Uniform();
    std::vector<double> values;
    std::vector<double> errors;
    for (int j = 0; j < group.samples; ++j) {
      const auto c = static_cast<std::size_t>(truth.classOf[static_cast<std::size_t>(j)]);
      // Kept as the float the group stores, so the truth is exactly what is read back.
      values.push_back(
          static_cast<float>(level + centres[c][static_cast<std::size_t>(g)] + random.Normal()));
      errors.push_back(0.1 + 0.1 * random.Uniform());
    }
    group.values.push_back(std::move(values));
    group.errors.push_back(std::move(errors));
  }
  for (int j = 0; j < group.samples; ++j) group.sampleNames.push_back("sample" + std::to_string(j));
  return truth;
}

}  // namespace synth
