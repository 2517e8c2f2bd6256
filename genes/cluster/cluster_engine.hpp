// The clustering job: the gene tree over the probe sets of the gene list and, with
// CLUSTER_SAMPLE, the sample tree over the samples, built from the open group's values.
// The two trees are process-wide; the cluster view, the tree file and the exports read
// them until the next clustering. A failed clustering leaves the trees of the last
// successful one in place.
#pragma once

#include "genes/cluster/cluster_tree.hpp"

// The sample classification's too.
inline constexpr const char* kNoGenesOrSamplesMessage =
    "  Error: no genes or samples found; please check the gene list file and array list file\n";
inline constexpr const char* kGeneTreeAllocationMessage =
    "    Allocating object \"cluster\" failed";
inline constexpr const char* kSampleTreeAllocationMessage =
    "    Allocating object \"cluster2\" failed";
inline constexpr const char* kBeginClusteringMessage = "  Begin clustering...";
// printf form with the count.
inline constexpr const char* kUnselectedGenesMessage =
    "  Use the unselected %d genes for the new clustering\n";

// The current trees; null when there is none (no clustering yet, or no sample tree).
CLUSTER* GeneTree();
CLUSTER* SampleTree();
// Frees both (the group closes, the process ends).
void FreeClusterTrees();
// Makes these the current trees, freeing the old ones. Tests, and the resampling.
void SetClusterTrees(std::unique_ptr<CLUSTER> genes, std::unique_ptr<CLUSTER> samples);

// The Analysis/Hierarchical Clustering job. fromGeneList: the genes of GENE_LIST_FILE
// (which may be a tree file, then read instead of clustered); otherwise the genes of the
// current gene tree that carry no mark. True on success, the new trees then current.
[[nodiscard]] bool RunHierarchicalClustering(bool fromGeneList);

// Clusters genes (with options.clusterGenes) and samples (with options.clusterSamples):
// the sample profiles are filled from the gene tree first. samples may be null when
// samples are not clustered. False on a failure or a stop.
[[nodiscard]] bool ClusterTrees(CLUSTER& genes, CLUSTER* samples);

// Sample i, gene j of the sample tree from the gene tree: the gene's raw value with
// standardizeColumns, else its profile value.
void FillSampleProfiles(const CLUSTER& genes, CLUSTER& samples);
