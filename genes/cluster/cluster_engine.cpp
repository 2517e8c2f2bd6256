// The clustering job: the trees made from the gene list and the group's sample values,
// clustered or read from a tree file, and made current only when complete.
#include "genes/cluster/cluster_engine.hpp"

#include <string_view>
#include <utility>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/cluster/functional_clusters.hpp"

namespace {

std::unique_ptr<CLUSTER> gGeneTree;
std::unique_ptr<CLUSTER> gSampleTree;

// The probe sets to cluster, in list order.
std::vector<int> ListedUnits() {
  std::vector<int> units;
  const int places = std::min(GeneList.length, static_cast<int>(GeneList.entries.size()));
  for (int k = 0; k < places; ++k) {
    const int unit = GeneList.ListedUnit(k);
    if (unit >= 0) units.push_back(unit);
  }
  return units;
}

// The genes of the current tree that the view left unmarked.
std::vector<int> UnmarkedUnits() {
  std::vector<int> units;
  if (gGeneTree) {
    for (int leaf = 0; leaf < gGeneTree->ItemCount(); ++leaf) {
      const CLUSTER_NODE& node = gGeneTree->Node(leaf);
      if (node.mark == 0)
        units.push_back(node.item);
      else
        GeneList.SetListed(node.item, false);
    }
    // The marked genes leave the gene list too, so later commands see what is clustered.
    GeneList.FitLayout();
    for (std::size_t k = 0; k < units.size() && k < GeneList.entries.size(); ++k)
      GeneList.entries[k].unit = units[k];
    GeneList.length = static_cast<int>(units.size());
    GeneList.NumInteresting = GeneList.length;
  }
  LogMessage(MessageBuffer(kUnselectedGenesMessage, static_cast<int>(units.size())));
  return units;
}

void FillGeneLeaves(CLUSTER& genes, const std::vector<int>& units) {
  for (int g = 0; g < genes.ItemCount(); ++g) {
    CLUSTER_NODE& leaf = genes.Node(g);
    const int unit = units[static_cast<std::size_t>(g)];
    leaf.item = unit;
    for (int j = 0; j < genes.ValueCount(); ++j) {
      double value = MISSING_VALUE;
      double se = 0.0;
      char call = 0;
      SampleGrouping.GetSampleValue(unit, j, &value, &se, &call);
      const auto k = static_cast<std::size_t>(j);
      leaf.profile[k] = value;
      leaf.values[k] = IsMissing(value) ? kMissingValueFloat : static_cast<float>(value);
      leaf.errors[k] = static_cast<float>(se);
    }
  }
}

}  // namespace

CLUSTER* GeneTree() {
  return gGeneTree.get();
}

CLUSTER* SampleTree() {
  return gSampleTree.get();
}

void FreeClusterTrees() {
  gGeneTree.reset();
  gSampleTree.reset();
}

void SetClusterTrees(std::unique_ptr<CLUSTER> genes, std::unique_ptr<CLUSTER> samples) {
  gGeneTree = std::move(genes);
  gSampleTree = std::move(samples);
}

void FillSampleProfiles(const CLUSTER& genes, CLUSTER& samples) {
  const bool raw = samples.options.standardizeColumns;
  for (int i = 0; i < samples.ItemCount() && i < genes.ValueCount(); ++i) {
    CLUSTER_NODE& sample = samples.Node(i);
    for (int j = 0; j < samples.ValueCount() && j < genes.ItemCount(); ++j) {
      const CLUSTER_NODE& gene = genes.Node(j);
      const auto k = static_cast<std::size_t>(i);
      double value = gene.profile[k];
      if (raw && !gene.values.empty())
        value = gene.values[k] == kMissingValueFloat ? MISSING_VALUE : gene.values[k];
      sample.profile[static_cast<std::size_t>(j)] = value;
    }
  }
}

bool ClusterTrees(CLUSTER& genes, CLUSTER* samples) {
  LogMessage(kBeginClusteringMessage);
  const ClusterOptions& options = genes.options;
  if (options.clusterGenes) {
    if (!genes.Run(true)) return false;
  } else if (options.standardizeRows) {
    genes.StandardizeRows(true);
  }
  if (!options.clusterSamples || samples == nullptr) {
    Progress().SetRunning(false);
    return true;
  }
  FillSampleProfiles(genes, *samples);
  return samples->Run(false);
}

bool RunHierarchicalClustering(bool fromGeneList) {
  GroupSettings& settings = TheGroup().Settings();
  const ClusterOptions options = ClusterOptionsFromSettings(settings);
  bool treeFile = false;
  std::vector<int> units;
  if (fromGeneList) {
    if (ReadGeneList(&treeFile, std::string_view(), false) < 0) return false;
    units = ListedUnits();
  } else {
    units = UnmarkedUnits();
  }
  const int sampleCount = SampleGrouping.SampleCount();
  if (units.empty() || sampleCount <= 0) {
    LogMessage(kNoGenesOrSamplesMessage, 0, kLogRed);
    return false;
  }

  std::unique_ptr<CLUSTER> genes =
      CLUSTER::Create(static_cast<int>(units.size()), sampleCount, false);
  if (!genes) {
    LogMessage(kGeneTreeAllocationMessage, 0, kLogRed);
    return false;
  }
  genes->options = options;
  FillGeneLeaves(*genes, units);
  // Before anything standardises them: a tree file's profiles, genes only standardised,
  // and the samples' profiles are made from these too.
  genes->TakeNonFiniteAsMissing();

  std::unique_ptr<CLUSTER> samples;
  if (options.clusterSamples) {
    samples = CLUSTER::Create(sampleCount, genes->ItemCount(), true);
    if (!samples) {
      LogMessage(kSampleTreeAllocationMessage, 0, kLogRed);
      return false;
    }
    samples->options = options;
    for (int j = 0; j < sampleCount; ++j) samples->Node(j).item = SampleGrouping.GetSampleArray(j);
  }

  const bool built = treeFile ? ReadTreeFile(*genes, samples) : ClusterTrees(*genes, samples.get());
  Progress().SetRunning(false);
  if (!built) return false;
  SetClusterTrees(std::move(genes), std::move(samples));
  LogMessage("");
  // The pairs of the last trees go with them. A refused pair (the limit) ends the
  // enrichment; the trees stand all the same.
  FunctionalClusters.count = 0;
  const bool genesRecorded = !options.clusterGenes || GeneTree()->FindGeneClusters();
  if (genesRecorded && options.clusterSamples && SampleTree() != nullptr)
    static_cast<void>(SampleTree()->FindSampleClusters());
  return true;
}
