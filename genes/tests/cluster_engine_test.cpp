// The clustering job on a group with planted gene clusters, and the tree file: written
// trees read back the same, bad files refused with their line and the current trees
// kept, and the view's row and column lookups.
#include "genes/cluster/cluster_engine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "genes/tests/planted_cluster_group.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

class ClusterEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mTruth = synth::MakePlantedClusters(
        {.clusters = 4, .genesPerCluster = 7, .samples = 9, .missingPercent = 4});
    InstallClusteringGroup(mTruth, mFolder);
  }
  void TearDown() override {
    FreeClusterTrees();
    Layout = CDF_LAYOUT{};
    GeneList = GENE_LIST{};
    DiscardGroup();
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // The leaves (as units) under every node of the gene tree.
  static std::vector<std::set<int>> Branches(const CLUSTER& tree) {
    std::vector<std::set<int>> branches(static_cast<std::size_t>(tree.NodeCount()));
    for (int k = 0; k < tree.NodeCount(); ++k) {
      const CLUSTER_NODE& node = tree.Node(k);
      if (k < tree.ItemCount()) {
        branches[k].insert(node.item);
      } else {
        branches[k] = branches[node.child1];
        branches[k].insert(branches[node.child2].begin(), branches[node.child2].end());
      }
    }
    return branches;
  }

  static void ExpectSameLinks(const CLUSTER& a, const CLUSTER& b) {
    ASSERT_EQ(a.NodeCount(), b.NodeCount());
    for (int k = 0; k < a.NodeCount(); ++k) {
      EXPECT_EQ(a.Node(k).parent, b.Node(k).parent) << k;
      EXPECT_EQ(a.Node(k).child1, b.Node(k).child1) << k;
      EXPECT_EQ(a.Node(k).child2, b.Node(k).child2) << k;
      EXPECT_EQ(a.Node(k).weight, b.Node(k).weight) << k;
      EXPECT_EQ(a.Node(k).item, b.Node(k).item) << k;
      EXPECT_NEAR(a.Node(k).height, b.Node(k).height, 1e-5 * (1 + a.Node(k).height)) << k;
    }
    for (int row = 0; row < a.ItemCount(); ++row) EXPECT_EQ(a.RowNode(row), b.RowNode(row));
  }

  platform::testing::TempFolder mFolder;
  synth::PlantedClusterTruth mTruth;
  CapturedLog mLog;
};

TEST_F(ClusterEngineTest, PlantedClustersBecomeBranchesAndTheViewFindsRowsAndColumns) {
  ASSERT_TRUE(RunHierarchicalClustering(true));
  const CLUSTER* genes = GeneTree();
  const CLUSTER* samples = SampleTree();
  ASSERT_NE(genes, nullptr);
  ASSERT_NE(samples, nullptr);
  EXPECT_EQ(genes->ItemCount(), 28);
  EXPECT_EQ(samples->ItemCount(), 9);
  EXPECT_TRUE(mLog.Contains(kBeginClusteringMessage, kLogBlack));

  const auto branches = Branches(*genes);
  for (int c = 0; c < 4; ++c) {
    std::set<int> planted;
    for (int g = 0; g < mTruth.GeneCount(); ++g)
      if (mTruth.clusterOf[g] == c) planted.insert(g);
    bool found = false;
    for (const auto& branch : branches) found = found || branch == planted;
    EXPECT_TRUE(found) << "planted cluster " << c << " is one branch";
  }

  for (int row = 0; row < 28; ++row) {
    const ClusterCell cell = CellAt(row, 3);
    EXPECT_EQ(FindUnitRow(cell.unit), row);
    EXPECT_EQ(SampleColumn(cell.array), 3);
  }
  SelectTreeRow(genes->Root());
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, genes->Node(genes->RowNode(0)).item);
  EXPECT_EQ(SelectUnitInTree(samples->Root()), samples->Node(samples->RowNode(0)).item);

  // Again without the marked genes of one branch: the rest are clustered.
  GeneTree()->ClearLeafList();
  GeneTree()->GetChildNode(GeneTree()->Node(0).parent, true);
  const int marked = GeneTree()->leafListCount;
  for (int k = 0; k < marked; ++k)
    GeneTree()->Node(GeneTree()->LeafListEntry(k)).mark = kSelectedBranchMark;
  const int markedUnit = GeneTree()->Node(GeneTree()->LeafListEntry(0)).item;
  ASSERT_TRUE(RunHierarchicalClustering(false));
  EXPECT_FALSE(GeneList.Listed(markedUnit));
  EXPECT_EQ(GeneTree()->ItemCount(), 28 - marked);
  EXPECT_EQ(GeneList.NumInteresting, 28 - marked);
  for (int leaf = 0; leaf < GeneTree()->ItemCount(); ++leaf)
    EXPECT_TRUE(GeneList.Listed(GeneTree()->Node(leaf).item));
  EXPECT_TRUE(
      mLog.Contains("Use the unselected " + std::to_string(28 - marked) + " genes", kLogBlack));
}

// Rows of both trees and the root's merged profile: what a read must rebuild.
struct TreeSnapshot {
  std::vector<int> geneRows;
  std::vector<int> sampleRows;
  std::vector<double> rootProfile;
};

TreeSnapshot Snapshot() {
  TreeSnapshot snapshot;
  for (int row = 0; row < GeneTree()->ItemCount(); ++row)
    snapshot.geneRows.push_back(GeneTree()->RowNode(row));
  if (SampleTree() != nullptr)
    for (int row = 0; row < SampleTree()->ItemCount(); ++row)
      snapshot.sampleRows.push_back(SampleTree()->RowNode(row));
  snapshot.rootProfile = GeneTree()->Node(GeneTree()->Root()).profile;
  return snapshot;
}

// The trees now built are those of the snapshot: the same rows, the root's profile to
// nine places.
void ExpectTreesAsIn(const TreeSnapshot& expected) {
  const TreeSnapshot read = Snapshot();
  EXPECT_EQ(read.geneRows, expected.geneRows);
  EXPECT_EQ(read.sampleRows, expected.sampleRows);
  ASSERT_EQ(read.rootProfile.size(), expected.rootProfile.size());
  for (std::size_t k = 0; k < read.rootProfile.size(); ++k)
    EXPECT_NEAR(read.rootProfile[k], expected.rootProfile[k], 1e-9) << k;
}

TEST_F(ClusterEngineTest, ATreeFileReadsBackAsTheSameTrees) {
  ASSERT_TRUE(RunHierarchicalClustering(true));
  const TreeSnapshot clustered = Snapshot();
  const std::string path = mFolder.File("genes cluster tree.xls");
  ASSERT_TRUE(WriteTreeFile(path.c_str()));
  const std::string text = Read(path);
  EXPECT_EQ(text.rfind("TREE_FILE\t28\t9\nName\tNumber\tParent\tChild1\tChild2\tWeight\tDistance\n"
                       "pc0\t0\t",
                       0),
            0u);
  EXPECT_NE(text.find("\nSUPER_SAMPLE\t"), std::string::npos);

  TheGroup().Settings().GENE_LIST_FILE = path;
  mLog.Clear();
  ASSERT_TRUE(RunHierarchicalClustering(true));
  EXPECT_TRUE(mLog.Contains("Reading tree file", kLogBlack));
  EXPECT_FALSE(mLog.Contains(kBeginClusteringMessage, kLogBlack)) << "read, not clustered";
  EXPECT_FALSE(mLog.Contains("Gene 'Name' not found", kLogBlack)) << "the node titles are a header";
  ASSERT_NO_FATAL_FAILURE(ExpectTreesAsIn(clustered));
  const std::string again = mFolder.File("again.xls");
  ASSERT_TRUE(WriteTreeFile(again.c_str()));
  EXPECT_EQ(Read(again), text) << "links, weights and heights to six digits";

  // Without sample lines the sample tree is switched off, and the gene tree still shown.
  const std::string genesOnly =
      mFolder.Write("genes only.xls", text.substr(0, text.find("sample0\t")));
  TheGroup().Settings().GENE_LIST_FILE = genesOnly;
  ASSERT_TRUE(RunHierarchicalClustering(true));
  EXPECT_EQ(SampleTree(), nullptr);
  EXPECT_EQ(TheGroup().Settings().CLUSTER_SAMPLE, 0);
  EXPECT_TRUE(mLog.ContainsRed(kSampleTreeNotFoundMessage));
  EXPECT_EQ(Snapshot().geneRows, clustered.geneRows);
}

TEST_F(ClusterEngineTest, ABadTreeFileIsRefusedWithItsLineAndTheCurrentTreesStay) {
  ASSERT_TRUE(RunHierarchicalClustering(true));
  const std::string path = mFolder.File("tree.xls");
  ASSERT_TRUE(WriteTreeFile(path.c_str()));
  const std::string text = Read(path);
  const CLUSTER* genes = GeneTree();
  const TreeSnapshot before = Snapshot();

  // Line 5 holds node 2; each fault in turn.
  const std::size_t line5 = [&] {
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) at = text.find('\n', at) + 1;
    return at;
  }();
  const std::string rest = text.substr(text.find('\n', line5));
  const std::string name = text.substr(line5, text.find('\t', line5) - line5);
  const struct {
    std::string text;
    std::string fault;
    int line = 5;
  } cases[] = {
      {name + "\t2\tx\t-1\t-1\t1\t0\t", "not an integer"},
      {name + "\t99\t-1\t-1\t-1\t1\t0\t", "outside the tree"},
      {name + "\t1\t-1\t-1\t-1\t1\t0\t", "given twice"},
      {name + "\t2\t-1\t-1\t-1\t1\tnan\t", "height"},
      // The gene list ends at the first internal node: two genes against 28 nodes' worth.
      {"SUPER_GENE\t2\t-1\t-1\t-1\t1\t0\t", "gene count", 1},
  };
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.text);
    TheGroup().Settings().GENE_LIST_FILE =
        mFolder.Write("bad.xls", text.substr(0, line5) + bad.text + rest);
    mLog.Clear();
    EXPECT_FALSE(RunHierarchicalClustering(true));
    EXPECT_TRUE(
        mLog.ContainsRed("Line " + std::to_string(bad.line) + " of the tree file is not valid"));
    EXPECT_TRUE(mLog.ContainsRed(bad.fault));
    EXPECT_EQ(GeneTree(), genes) << "the current trees stay";
    EXPECT_EQ(Snapshot().geneRows, before.geneRows);
  }

  // Links that do not make a tree: node 2's parent swapped for another's.
  std::string looped = text;
  const std::size_t parentField = looped.find('\t', looped.find('\t', line5) + 1) + 1;
  looped.replace(parentField, looped.find('\t', parentField) - parentField, "0");
  TheGroup().Settings().GENE_LIST_FILE = mFolder.Write("looped.xls", looped);
  mLog.Clear();
  EXPECT_FALSE(RunHierarchicalClustering(true));
  EXPECT_TRUE(mLog.ContainsRed("The gene tree in the tree file is not valid"));
  EXPECT_EQ(GeneTree(), genes);

  // A sample leaf naming another sample than its node's.
  std::string swapped = text;
  const std::size_t sampleLine = swapped.find("\nsample0\t") + 1;
  swapped.replace(sampleLine, 7, "sample1");
  const auto lineNumber = std::count(text.begin(), text.begin() + sampleLine, '\n') + 1;
  TheGroup().Settings().GENE_LIST_FILE = mFolder.Write("swapped.xls", swapped);
  mLog.Clear();
  EXPECT_FALSE(RunHierarchicalClustering(true));
  EXPECT_TRUE(mLog.ContainsRed("Line " + std::to_string(lineNumber) +
                               " of the tree file is not valid: the name is not the sample"));
  EXPECT_EQ(GeneTree(), genes);

  // Written for another sample count.
  std::string otherCount = text;
  otherCount.replace(0, otherCount.find('\n'), "TREE_FILE\t28\t8");
  TheGroup().Settings().GENE_LIST_FILE = mFolder.Write("count.xls", otherCount);
  mLog.Clear();
  EXPECT_FALSE(RunHierarchicalClustering(true));
  EXPECT_TRUE(
      mLog.ContainsRed("The number of columns 8 in the tree file does not match the number 9"));
  EXPECT_TRUE(mLog.ContainsRed(kTreeColumnsHintMessage));

  // Truncations and byte flips of a good file never reach outside the trees.
  for (std::size_t cut = 0; cut < text.size(); cut += 13)
    FuzzReadTreeFile(reinterpret_cast<const std::uint8_t*>(text.data()), cut);
  std::string flipped = text;
  for (std::size_t at = 0; at < flipped.size(); at += 11) {
    flipped[at] = static_cast<char>(flipped[at] ^ 0x11);
    FuzzReadTreeFile(reinterpret_cast<const std::uint8_t*>(flipped.data()), flipped.size());
  }
}

TEST_F(ClusterEngineTest, ValuesThatAreNotFiniteAreMissingWhenClusteredAndWhenATreeIsRead) {
  // The group's values with the marker, then with NaN and infinite values in its place.
  const std::pair<int, int> cells[] = {{0, 2}, {5, 4}, {11, 0}};
  const double odd[] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
  for (const auto& [gene, sample] : cells)
    mTruth.values[static_cast<std::size_t>(gene)][static_cast<std::size_t>(sample)] = MISSING_VALUE;
  synth::InstallPlantedClusterGroup(mTruth);
  ASSERT_TRUE(RunHierarchicalClustering(true));
  const TreeSnapshot marked = Snapshot();
  const std::string path = mFolder.File("tree.xls");
  ASSERT_TRUE(WriteTreeFile(path.c_str()));

  for (std::size_t i = 0; i < 3; ++i)
    mTruth.values[static_cast<std::size_t>(cells[i].first)]
                 [static_cast<std::size_t>(cells[i].second)] = odd[i];
  synth::InstallPlantedClusterGroup(mTruth);
  const std::string genes = TheGroup().Settings().GENE_LIST_FILE;
  for (const std::string& list : {genes, path}) {
    SCOPED_TRACE(list);
    TheGroup().Settings().GENE_LIST_FILE = list;
    mLog.Clear();
    ASSERT_TRUE(RunHierarchicalClustering(true));
    EXPECT_TRUE(mLog.ContainsRed(MessageBuffer(kNonFiniteValuesMessage, 3)));
    ASSERT_NO_FATAL_FAILURE(ExpectTreesAsIn(marked));
  }
}

TEST_F(ClusterEngineTest, NothingToClusterFailsAndKeepsTheTrees) {
  ASSERT_TRUE(RunHierarchicalClustering(true));
  const CLUSTER* genes = GeneTree();
  TheGroup().Settings().GENE_LIST_FILE = mFolder.Write("none.txt", "Probe set\nnothing\n");
  EXPECT_FALSE(RunHierarchicalClustering(true));
  EXPECT_TRUE(mLog.ContainsRed("Error: no genes or samples found"));
  EXPECT_EQ(GeneTree(), genes);
  TheGroup().Settings().GENE_LIST_FILE = mFolder.File("missing.txt");
  EXPECT_FALSE(RunHierarchicalClustering(true));
  EXPECT_EQ(GeneTree(), genes);
}

TEST_F(ClusterEngineTest, OptionsTakeTheStandardisationBlocksAndReference) {
  GroupSettings& settings = TheGroup().Settings();
  SetStandardizeReference(2);
  EXPECT_EQ(ClusterOptionsFromSettings(settings).referenceSample, 1) << "the second sample";
  SampleGrouping.ReadArrayListFile(
      mFolder.Write("arrays.txt", "sample0\nsample1\nsample2\nStandardize\nsample3\nsample4\n"));
  settings.USE_STD_SEP = 1;
  const ClusterOptions blocks = ClusterOptionsFromSettings(settings);
  EXPECT_EQ(blocks.blockStarts, std::vector<int>({0, 3}));
  EXPECT_EQ(blocks.referenceSample, -1) << "blocks are centred on their own means";
  settings.USE_STD_SEP = 0;
  EXPECT_TRUE(ClusterOptionsFromSettings(settings).blockStarts.empty());
  SetStandardizeReference(0);
  SampleGrouping.SetDefaultGrouping();
}

}  // namespace
