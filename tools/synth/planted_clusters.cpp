// Planted gene clusters and the in-memory group that carries them.
#include "tools/synth/planted_clusters.hpp"

#include <algorithm>

#include "engine/base/missing_value.hpp"
#include "tools/synth/modelled_group.hpp"
#include "tools/synth/random.hpp"

namespace synth {

PlantedClusterTruth MakePlantedClusters(const PlantedClusterOptions& options) {
  SynthRandom random(options.seed);
  PlantedClusterTruth truth;
  truth.samples = options.samples;
  std::vector<std::vector<double>> centres;
  for (int c = 0; c < options.clusters; ++c) {
    std::vector<double> centre(static_cast<std::size_t>(options.samples));
    for (double& v : centre) v = random.Normal();
    centres.push_back(std::move(centre));
  }
  std::vector<int> order;
  for (int c = 0; c < options.clusters; ++c)
    for (int k = 0; k < options.genesPerCluster; ++k) order.push_back(c);
  if (options.shuffleGenes) random.Shuffle(order);

  for (std::size_t g = 0; g < order.size(); ++g) {
    const int cluster = order[g];
    truth.geneNames.push_back("pc" + std::to_string(g));
    truth.clusterOf.push_back(cluster);
    // Expression levels differ from gene to gene; the shape is the cluster's.
    const double level = 6.0 + 4.0 * random.Uniform();
    const double scale = 0.5 + random.Uniform();
    std::vector<double> values;
    std::vector<double> errors;
    for (int j = 0; j < options.samples; ++j) {
      const double shape = centres[static_cast<std::size_t>(cluster)][static_cast<std::size_t>(j)];
      // Kept as the float the group stores, so the truth is exactly what is read back.
      const double value =
          static_cast<float>(level + scale * (shape + options.noise * random.Normal()));
      const bool missing = random.Chance(options.missingPercent);
      values.push_back(missing ? MISSING_VALUE : value);
      errors.push_back(0.1 + 0.1 * random.Uniform());
    }
    truth.values.push_back(std::move(values));
    truth.errors.push_back(std::move(errors));
  }
  for (int j = 0; j < options.samples; ++j)
    truth.sampleNames.push_back("sample" + std::to_string(j));
  return truth;
}

void InstallPlantedClusterGroup(const PlantedClusterTruth& truth) {
  InstallValueArrays(truth.geneNames, truth.sampleNames, truth.values, &truth.errors);
  FinishModelledGroup(true);
}

PlantedTermTruth MakePlantedTerms(const PlantedClusterTruth& clusters,
                                  const PlantedTermOptions& options) {
  GeneInfoOptions info;
  info.seed = options.seed;
  info.termColumns = 1;
  info.vocabulary = options.vocabulary;
  info.maxTermsPerGene = options.backgroundPerGene;
  PlantedTermTruth truth;
  truth.info = MakeGeneInfo(clusters.geneNames, info);
  int count = 0;
  for (int cluster : clusters.clusterOf) count = std::max(count, cluster + 1);
  for (int c = 0; c < count; ++c) truth.clusterTerms.push_back("Planted term " + std::to_string(c));
  truth.plantedTermOf = clusters.clusterOf;
  if (options.shuffle) {
    SynthRandom random(options.seed ^ 0x5eedULL);
    random.Shuffle(truth.plantedTermOf);
  }
  for (std::size_t g = 0; g < truth.info.genes.size(); ++g) {
    std::vector<std::string>& terms = truth.info.genes[g].terms.front();
    terms.insert(terms.begin(),
                 truth.clusterTerms[static_cast<std::size_t>(truth.plantedTermOf[g])]);
  }
  return truth;
}

std::string PlantedGeneListText(const PlantedClusterTruth& truth) {
  std::string text = "Probe set\n";
  for (const std::string& name : truth.geneNames) text += name + "\n";
  return text;
}

}  // namespace synth
