// Time courses with planted regulation: a group whose samples are time points, in which a
// few genes drive others after known lags (activation: the target follows the driver that
// many time points later; inhibition: it mirrors it), and every other gene is noise. Can be
// put into the started group in memory (probe sets "tc<k>", one array per time point),
// with gene information naming gene k "Gene<k>".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/synth/gene_info_model.hpp"

namespace synth {

// One planted relation between two nodes of the motif. The driver must come before the
// target in node order, so that the motif is drawn in that order.
struct PlantedRelation {
  int from = 0;
  int to = 1;
  int lag = 1;
  bool inhibition = false;
};

struct TimeCourseOptions {
  std::uint64_t seed = 1;
  int genes = 500;
  int timePoints = 24;
  // The motif: nodes 0 .. motifNodes - 1, each node but the roots driven by exactly one
  // earlier node.
  int motifNodes = 3;
  std::vector<PlantedRelation> relations = {{0, 1, 1, false}, {1, 2, 2, true}};
  double noise = 0.15;  // of the driver's spread, added at every step
  // The motif's genes keep their places but each time course is shuffled in time, so no
  // relation holds beyond chance.
  bool shuffle = false;
  int missingPercent = 0;
};

struct TimeCourseTruth {
  int timePoints = 0;
  std::vector<std::string> probeSets;       // "tc<k>"
  std::vector<std::string> geneNames;       // "Gene<k>"
  std::vector<std::vector<double>> values;  // per gene, per time point; MISSING_VALUE left out
  std::vector<int> motifGenes;              // per motif node, its gene
  std::vector<PlantedRelation> relations;
  int GeneCount() const { return static_cast<int>(probeSets.size()); }
};

TimeCourseTruth MakeTimeCourses(const TimeCourseOptions& options);

// Replaces the chip layout by the truth's probe sets and the started group's arrays by one
// array per time point ("time01", ...), modelled, one sample per array in time order.
void InstallTimeCourseGroup(const TimeCourseTruth& truth);

// A gene list file naming every probe set, in order.
std::string TimeCourseGeneListText(const TimeCourseTruth& truth);

// Gene information without term columns whose names are the truth's gene names.
GeneInfoTruth TimeCourseGeneInfo(const TimeCourseTruth& truth);

}  // namespace synth
