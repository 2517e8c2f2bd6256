// Expression profiles with planted gene clusters: each cluster has a random centre
// profile over the samples, and each of its genes is that centre scaled, shifted and
// with a little noise, so every gene correlates closely with its own cluster and hardly
// with the others. Can be put into the started group in memory (probe sets named
// "pc<k>", one array per sample with values and standard errors), ready for clustering.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/synth/gene_info_model.hpp"

namespace synth {

struct PlantedClusterOptions {
  int clusters = 4;
  int genesPerCluster = 5;
  int samples = 8;
  double noise = 0.05;     // of the centre's spread
  int missingPercent = 0;  // values left out at random
  std::uint64_t seed = 1;
  bool shuffleGenes = true;  // genes of a cluster not next to each other
};

struct PlantedClusterTruth {
  int samples = 0;
  std::vector<std::string> geneNames;       // probe set names, gene order
  std::vector<int> clusterOf;               // per gene
  std::vector<std::vector<double>> values;  // per gene, per sample; MISSING_VALUE left out
  std::vector<std::vector<double>> errors;  // per gene, per sample
  std::vector<std::string> sampleNames;     // the arrays' names
  int GeneCount() const { return static_cast<int>(geneNames.size()); }
};

PlantedClusterTruth MakePlantedClusters(const PlantedClusterOptions& options);

// Replaces the chip layout by the truth's probe sets (no cells) and the started group's
// arrays by one array per sample holding the values, with standard errors; the sample
// grouping becomes one sample per array. The gene list lists every probe set.
void InstallPlantedClusterGroup(const PlantedClusterTruth& truth);

// The gene list file text naming every gene of the truth, one per line.
std::string PlantedGeneListText(const PlantedClusterTruth& truth);

// Gene information for planted clusters: one term column in which every gene of cluster c
// carries the planted term clusterTerms[c], and every gene also a few background terms
// drawn at random. With shuffle the planted terms are dealt to random genes in the same
// numbers, so that no branch holds one beyond chance.
struct PlantedTermOptions {
  std::uint64_t seed = 1;
  int vocabulary = 20;        // background terms
  int backgroundPerGene = 2;  // at most, per gene
  bool shuffle = false;
};

struct PlantedTermTruth {
  GeneInfoTruth info;
  std::vector<std::string> clusterTerms;  // per cluster
  // Per gene, in gene order, the cluster whose planted term it carries.
  std::vector<int> plantedTermOf;
};

PlantedTermTruth MakePlantedTerms(const PlantedClusterTruth& clusters,
                                  const PlantedTermOptions& options);

}  // namespace synth
