// Samples with planted classes: each class has a centre over the genes, and each of its
// samples is that centre with gene levels and noise added, so the classes sit apart by
// separation (in units of the noise) along every gene. Samples of the classes are dealt
// in shuffled order; a share of them is left without a known class, as the samples a
// classification predicts. The values go into the group as planted clusters do.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/synth/planted_clusters.hpp"

namespace synth {

struct PlantedClassOptions {
  int classes = 3;
  int samplesPerClass = 6;
  int genes = 20;
  double separation = 6.0;  // spread of the class centres, in units of the noise
  int unknownPerClass = 1;  // samples of each class whose class is not told
  std::uint64_t seed = 1;
};

struct PlantedClassTruth {
  // The values, with genes as "pc<k>" and samples as "sample<j>", ready for
  // InstallPlantedClusterGroup; clusterOf there is meaningless.
  PlantedClusterTruth group;
  std::vector<int> classOf;  // per sample, its planted class from 0
  std::vector<bool> told;    // per sample, whether its class is given to the classifier
  int Samples() const { return group.samples; }
};

PlantedClassTruth MakePlantedClasses(const PlantedClassOptions& options);

}  // namespace synth
