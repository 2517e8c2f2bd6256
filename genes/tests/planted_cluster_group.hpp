// Test support for the clustering of a whole group: the planted clusters installed as the
// started group with the settings the clustering tests share.
#pragma once

#include "engine/group/group.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/planted_clusters.hpp"

// The planted group as the current group of the folder, set to cluster genes and samples
// by correlation and average linkage, rows standardised and distances kept, nothing
// masked, and every planted gene in the gene list file written beside it.
inline void InstallClusteringGroup(const synth::PlantedClusterTruth& truth,
                                   const platform::testing::TempFolder& folder) {
  StartGroup(folder.Path().string());
  synth::InstallPlantedClusterGroup(truth);
  GroupSettings& s = TheGroup().Settings();
  s.DIST_MEASURE = kDistanceCorrelation;
  s.LINKAGE_METHOD = kLinkageAverage;
  s.STORE_DISTANCE = s.STANDARDIZE_ROW = s.CLUSTER_GENE = s.CLUSTER_SAMPLE = 1;
  s.STANDARDIZE_COL = s.MASK_REDUNDANT = 0;
  s.GENE_LIST_FILE = folder.Write("genes.txt", synth::PlantedGeneListText(truth));
}
