// The choices a hierarchical clustering runs with: distance measure, linkage, child order,
// the kept distance triangle and the standardisation of rows and columns. Taken from the
// group settings at the start of a run, so that the engine itself reads no global setting.
#pragma once

#include <vector>

struct GroupSettings;

// Values of DIST_MEASURE.
enum ClusterDistance : int {
  kDistanceCorrelation = 0,          // 1 - r
  kDistanceAbsoluteCorrelation = 1,  // 1 - |r|
  kDistanceRankCorrelation = 2,      // 1 - rs
  kDistanceEuclidean = 3,            // root mean square of the differences
};

// Values of LINKAGE_METHOD.
enum ClusterLinkage : int {
  kLinkageCentroid = 0,
  kLinkageAverage = 1,
};

// Values of GENE_ORDERING: which child of a merge is drawn first.
enum ClusterOrdering : int {
  kOrderByTightness = 0,
  kOrderByPeakingTime = 1,
};

struct ClusterOptions {
  int distance = kDistanceCorrelation;
  int linkage = kLinkageCentroid;
  int ordering = kOrderByTightness;
  bool storeDistance = true;
  bool standardizeRows = true;
  bool standardizeColumns = false;
  bool clusterGenes = true;
  bool clusterSamples = false;
  // The sample whose value centres every gene row, or -1 for the row's mean.
  int referenceSample = -1;
  // First sample of each standardisation block, ascending from 0. Two or more blocks make
  // each block of a gene row standardised on its own; fewer mean the whole row at once.
  std::vector<int> blockStarts;
  // Enrichment thresholds: a branch is reported below these p-values.
  double geneSignificance = 0.001;
  double sampleSignificance = 0.01;
  // Threads for the distance triangle; 0 takes the worker pool's count. The tree does not
  // depend on it.
  int threads = 0;
};

// The standardisation reference chosen on the options page: 0 the mean, k the k-th
// sample (from 1). Not saved with the settings; it lasts for the process.
int StandardizeReference();
void SetStandardizeReference(int reference);

// The options of the group's settings, with the sample grouping's "Standardize" blocks
// when USE_STD_SEP is on (the reference then forced to the mean).
ClusterOptions ClusterOptionsFromSettings(const GroupSettings& settings);

// Standardises one gene row of m values as the group's genes are: each block of
// blockStarts on its own when there are two or more, else the whole row, centred on the
// value of referenceSample when that is a sample, else on the mean (StandardizeMissing).
void StandardizeGeneRow(double* x, int m, const std::vector<int>& blockStarts, int referenceSample);
