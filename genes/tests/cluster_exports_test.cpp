// The clustering exports on a generated group with planted gene clusters, each file read
// back and held against the trees: branch tables by the gene list reader and by a parse
// of their values, the cut computed here from the node heights, the sample correlation
// matrix against a Pearson computed here over the shared present values, and the probe
// sets of the marked genes' identifiers.
#include "genes/cluster/cluster_exports.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "genes/tests/planted_cluster_group.hpp"
#include "platform/system_error.hpp"
#include "platform/tests/failing_writes.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

using Table = std::vector<std::vector<std::string>>;

class ClusterExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mTruth = synth::MakePlantedClusters(
        {.clusters = 4, .genesPerCluster = 6, .samples = 8, .missingPercent = 6, .seed = 11});
    InstallClusteringGroup(mTruth, mFolder);
    TheGroup().SetName("planted");
    TheGroup().Settings().WORKING_DIR = mFolder.Path().string();
    ASSERT_TRUE(RunHierarchicalClustering(true));
    mLog.Clear();
  }
  void TearDown() override {
    FreeClusterTrees();
    ClearGeneInformation();
    Layout = CDF_LAYOUT{};
    GeneList = GENE_LIST{};
    DiscardGroup();
  }

  // Identifiers shared by units 0 and 1, 2 and 3 ...; none for every fifth unit.
  static std::string LocusOf(int unit) {
    return unit % 5 == 4 ? std::string() : std::to_string(700 + unit / 2);
  }
  void LoadGeneInfo() {
    std::string text = GeneInfoHeader({});
    for (int g = 0; g < mTruth.GeneCount(); ++g)
      text += mTruth.geneNames[g] + "\tNM_" + std::to_string(g) + "\t" + LocusOf(g) + "\tgene" +
              std::to_string(g) + "\tdescription " + std::to_string(g) + "\n";
    ASSERT_TRUE(ReadGeneInfoFile(mFolder.Write("info.txt", text), true));
  }

  static Table Read(const std::string& path) {
    Table table;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> fields;
      std::stringstream split(line);
      std::string field;
      while (std::getline(split, field, '\t')) fields.push_back(field);
      if (!line.empty() && line.back() == '\t') fields.emplace_back();
      table.push_back(fields);
    }
    return table;
  }

  // A leaf of the subtree is one whose chain of parents reaches node; in row order.
  static std::vector<int> LeavesUnder(const CLUSTER& tree, int node) {
    std::vector<int> leaves;
    for (int leaf = 0; leaf < tree.ItemCount(); ++leaf)
      for (int up = leaf; up >= 0; up = tree.Node(up).parent)
        if (up == node) leaves.push_back(leaf);
    std::sort(leaves.begin(), leaves.end(),
              [&](int a, int b) { return tree.Node(a).position < tree.Node(b).position; });
    return leaves;
  }

  // The clusters of a cut: the nodes not above the height whose parent is, in row order.
  static std::vector<int> CutClusters(const CLUSTER& tree, float height) {
    std::vector<int> clusters;
    for (int k = 0; k < tree.NodeCount(); ++k) {
      const CLUSTER_NODE& node = tree.Node(k);
      if (node.height <= height && (node.parent < 0 || tree.Node(node.parent).height > height))
        clusters.push_back(k);
    }
    // Clusters share no leaf, so their first leaves order them.
    std::sort(clusters.begin(), clusters.end(), [&](int a, int b) {
      return tree.Node(LeavesUnder(tree, a).front()).position <
             tree.Node(LeavesUnder(tree, b).front()).position;
    });
    return clusters;
  }

  // "%.2f" of the value, or an empty field for a missing one.
  static void ExpectField(const std::string& field, double value, const std::string& where) {
    if (IsMissing(value)) {
      EXPECT_EQ(field, "") << where;
      return;
    }
    ASSERT_FALSE(field.empty()) << where;
    EXPECT_NEAR(std::strtod(field.c_str(), nullptr), value, 0.0051) << where;
  }

  platform::testing::TempFolder mFolder;
  synth::PlantedClusterTruth mTruth;
  CapturedLog mLog;
  int mBranchError = 0;  // the branch export's error number, for the writer table
};

struct BranchCase {
  int node;
  bool standardized;
  bool cut;
  bool colored;
  bool geneInfo;
};

TEST_F(ClusterExportsTest, BranchTablesReadBackAsTheTreesHoldThem) {
  CLUSTER& genes = *GeneTree();
  CLUSTER& samples = *SampleTree();
  const int root = genes.Root();
  const int child = genes.Node(root).child2;
  const int leaf = genes.RowNode(5);
  const int inner = genes.Node(leaf).parent;
  std::vector<BranchCase> cases;
  for (const int node : {root, child, inner, leaf})
    for (const bool standardized : {false, true}) {
      cases.push_back({node, standardized, false, false, node == child});
      cases.push_back({node, standardized, true, false, node == inner});
      cases.push_back({node, standardized, false, true, node == leaf});
    }
  // The sample tree's selection keeps only its marked samples, in column order.
  const int sampleBranch = samples.Node(samples.RowNode(2)).parent;
  const std::vector<int> columns = LeavesUnder(samples, sampleBranch);
  ASSERT_GE(columns.size(), 2u);

  for (std::size_t c = 0; c < cases.size(); ++c) {
    const BranchCase& k = cases[c];
    const std::string where = "case " + std::to_string(c);
    const bool sampleSelection = c % 2 == 1;
    samples.ClearMarks();
    samples.currentNode = -1;
    if (sampleSelection) {
      samples.currentNode = sampleBranch;
      for (const int sample : columns) samples.Node(sample).mark = kSelectedBranchMark;
    }
    std::vector<int> shown = columns;
    if (!sampleSelection) {
      shown.clear();
      for (int column = 0; column < samples.ItemCount(); ++column)
        shown.push_back(samples.RowNode(column));
    }
    ClearGeneInformation();
    if (k.geneInfo) LoadGeneInfo();
    TheGroup().Settings().LOCUS_LINK_NAME = c % 4 < 2 ? 1 : 0;
    genes.coloredCount = 0;
    if (k.colored) {
      ASSERT_TRUE(genes.SetBranchColor(genes.Node(genes.Node(root).child1).child1, 0x00FF00));
      ASSERT_TRUE(genes.SetBranchColor(genes.RowNode(genes.ItemCount() - 1), 0x0000FF));
    }
    genes.currentNode = k.node;
    std::vector<int> branches{k.node};
    if (k.cut) branches = CutClusters(genes, genes.Node(k.node).height);
    if (k.colored)
      branches.insert(branches.end(), genes.coloredNodes.begin(),
                      genes.coloredNodes.begin() + genes.coloredCount);
    const bool numbered = k.cut || k.colored;

    const std::string path = mFolder.File("branch.xls");
    ASSERT_TRUE(ExportBranchData(path, k.standardized, k.cut, k.colored)) << where;
    const Table table = Read(path);
    std::vector<std::string> header{"probe set"};
    if (k.geneInfo) header.push_back("NAME");
    for (const int sample : shown) header.push_back(SampleGrouping.SampleName(sample));
    header.emplace_back();
    ASSERT_FALSE(table.empty());
    EXPECT_EQ(table[0], header) << where;

    std::size_t line = 1;
    std::vector<int> listed;
    const std::size_t first = k.geneInfo ? 2 : 1;
    for (std::size_t b = 0; b < branches.size(); ++b) {
      if (numbered) {
        ASSERT_LT(line, table.size()) << where;
        EXPECT_EQ(table[line++],
                  std::vector<std::string>{"[Cluster " + std::to_string(b + 1) + "]"})
            << where;
      }
      const std::vector<int> leaves = LeavesUnder(genes, branches[b]);
      for (const int g : leaves) {
        ASSERT_LT(line, table.size()) << where;
        const std::vector<std::string>& row = table[line++];
        const int unit = genes.Node(g).item;
        ASSERT_EQ(row.size(), first + shown.size() + 1) << where;
        EXPECT_EQ(row[0], mTruth.geneNames[unit]) << where;
        if (k.geneInfo) {
          EXPECT_EQ(row[1], (c % 4 < 2 ? "gene" : "description ") + std::to_string(unit)) << where;
        }
        for (std::size_t j = 0; j < shown.size(); ++j) {
          const auto sample = static_cast<std::size_t>(shown[j]);
          ExpectField(row[first + j],
                      k.standardized ? genes.Node(g).profile[sample] : mTruth.values[unit][sample],
                      where + " " + row[0]);
        }
        if (std::find(listed.begin(), listed.end(), unit) == listed.end()) listed.push_back(unit);
      }
      if (!k.standardized) continue;
      ASSERT_LT(line, table.size()) << where;
      const std::vector<std::string>& mean = table[line++];
      EXPECT_EQ(mean[0], "Mean") << where;
      for (std::size_t j = 0; j < shown.size(); ++j)
        ExpectField(mean[first + j],
                    genes.Node(branches[b]).profile[static_cast<std::size_t>(shown[j])], where);
      if (branches[b] < genes.ItemCount()) continue;
      ASSERT_LT(line, table.size()) << where;
      const std::vector<std::string>& spread = table[line++];
      EXPECT_EQ(spread[0], "Standard Deviation") << where;
      for (std::size_t j = 0; j < shown.size(); ++j) {
        std::vector<double> present;
        for (const int g : leaves) {
          const double v = genes.Node(g).profile[static_cast<std::size_t>(shown[j])];
          if (!IsMissing(v)) present.push_back(v);
        }
        double mean2 = 0.0;
        for (const double v : present) mean2 += v / static_cast<double>(present.size());
        double squares = 0.0;
        for (const double v : present) squares += (v - mean2) * (v - mean2);
        const double sd = present.empty()       ? MISSING_VALUE
                          : present.size() == 1 ? 0.0
                                                : std::sqrt(squares / (present.size() - 1.0));
        ExpectField(spread[first + j], sd, where + " spread");
      }
    }
    EXPECT_EQ(line, table.size()) << where << ": nothing after the last branch";

    // The gene list reader takes the same probe sets in the same order.
    ASSERT_EQ(ReadGeneList(nullptr, path, false), static_cast<int>(listed.size())) << where;
    for (std::size_t p = 0; p < listed.size(); ++p)
      EXPECT_EQ(GeneList.ListedUnit(static_cast<int>(p)), listed[p]) << where;
  }
  EXPECT_EQ(genes.leafListCount, static_cast<int>(LeavesUnder(genes, genes.currentNode).size()))
      << "the leaf list holds the current branch again";
}

TEST_F(ClusterExportsTest, BranchExportRefusesWithoutCurrentBranchOrWithChangedSamples) {
  const std::string path = mFolder.File("branch.xls");
  GeneTree()->currentNode = -1;
  EXPECT_FALSE(ExportBranchData(path, false, false, false));
  GeneTree()->currentNode = GeneTree()->Root();
  EXPECT_FALSE(ExportBranchData(mFolder.File("no folder/branch.xls"), false, false, false));
  // The array list changed after the clustering: the columns are no longer these samples.
  SampleGrouping.ReadArrayListFile(mFolder.Write(
      "three.txt",
      mTruth.sampleNames[0] + "\n" + mTruth.sampleNames[1] + "\n" + mTruth.sampleNames[2] + "\n"));
  ASSERT_EQ(SampleGrouping.SampleCount(), 3);
  EXPECT_FALSE(ExportBranchData(path, true, false, false));
  EXPECT_FALSE(ExportCorrelationMatrix());
  EXPECT_TRUE(mLog.ContainsRed("has 8 samples but the sample grouping now has 3"));
  EXPECT_FALSE(std::filesystem::exists(path));
  FreeClusterTrees();
  EXPECT_FALSE(ExportBranchData(path, false, false, false));
  EXPECT_FALSE(ExportCorrelationMatrix());
  EXPECT_TRUE(mLog.ContainsRed(kNoGeneTreeMessage));
}

// Pearson's r written out from sums, with the matrix's rules where it has none.
double ReferenceCorrelation(const CLUSTER& genes, int a, int b) {
  double n = 0, sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  for (int g = 0; g < genes.ItemCount(); ++g) {
    const double x = genes.Node(g).profile[static_cast<std::size_t>(a)];
    const double y = genes.Node(g).profile[static_cast<std::size_t>(b)];
    if (IsMissing(x) || IsMissing(y)) continue;
    n += 1;
    sx += x;
    sy += y;
    sxx += x * x;
    syy += y * y;
    sxy += x * y;
  }
  if (n == 0) return -1.0;
  if (n == 1) return 1.0;
  const double vx = n * sxx - sx * sx;
  const double vy = n * syy - sy * sy;
  if (vx <= 1e-12 * n * sxx || vy <= 1e-12 * n * syy) return -1.0;
  return (n * sxy - sx * sy) / std::sqrt(vx * vy);
}

TEST_F(ClusterExportsTest, CorrelationMatrixIsPearsonOverSharedValuesWithoutDividingByZero) {
  CLUSTER& genes = *GeneTree();
  const int n = genes.ItemCount();
  for (int g = 0; g < n; ++g) {
    std::vector<double>& p = genes.Node(g).profile;
    p[5] = g == 0 ? 0.75 : MISSING_VALUE;  // one value: shares at most one gene
    if (!IsMissing(p[6])) p[6] = 0.5;      // no spread
    p[4] = g < n / 2 ? MISSING_VALUE : p[4];
    p[7] = g < n / 2 ? p[7] : MISSING_VALUE;  // nothing in common with sample 4
  }
  genes.Node(0).profile[7] = 1.5;  // sample 7 against 5: exactly one shared gene
  ASSERT_TRUE(ExportCorrelationMatrix());
  const std::string path = mFolder.File("planted corr matrix.xls");
  EXPECT_TRUE(mLog.Contains("  Exported sample correlation into file '" + path + "'", kLogBlack));
  const Table table = Read(path);
  ASSERT_EQ(table.size(), 9u);
  std::vector<std::string> header{"Sample"};
  for (int j = 0; j < 8; ++j) header.push_back(SampleGrouping.SampleName(j));
  header.emplace_back();
  EXPECT_EQ(table[0], header);
  for (int a = 0; a < 8; ++a) {
    ASSERT_EQ(table[a + 1].size(), 10u);
    EXPECT_EQ(table[a + 1][0], SampleGrouping.SampleName(a));
    for (int b = 0; b < 8; ++b) {
      const double expected = ReferenceCorrelation(genes, a, b);
      EXPECT_NEAR(std::strtod(table[a + 1][b + 1].c_str(), nullptr), expected, 2e-5)
          << a << " with " << b;
    }
  }
  EXPECT_EQ(table[1 + 4][1 + 7], "-1") << "no gene in common";
  EXPECT_EQ(table[1 + 5][1 + 7], "1") << "one gene in common";
  EXPECT_EQ(table[1 + 6][1 + 6], "-1") << "no spread";
  EXPECT_EQ(table[1 + 0][1 + 0], "1") << "a spread sample against itself";

  TheGroup().Settings().WORKING_DIR = mFolder.File("missing folder");
  mLog.Clear();
  EXPECT_FALSE(ExportCorrelationMatrix());
  EXPECT_TRUE(mLog.ContainsRed("failed; is it open in Excel?"));
}

TEST_F(ClusterExportsTest, SameGeneProbeSetsOfTheMarkedGenesOrNothingWithoutAMark) {
  LoadGeneInfo();
  CLUSTER& genes = *GeneTree();
  const auto written = [this] {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(mFolder.Path()))
      if (entry.path().string().find("_same_gene") != std::string::npos)
        files.push_back(entry.path().string());
    return files;
  };

  // Nothing marked: no name to take; said in red, nothing written.
  genes.ClearMarks();
  genes.currentNode = genes.Root();
  ExportSameGeneProbeSets();
  EXPECT_TRUE(mLog.ContainsRed(kSameGeneNoMarkMessage));
  EXPECT_TRUE(written().empty());

  // Marked: the leaves of a branch, plus units 0 and 1 (one identifier) and unit 4 (none).
  std::vector<int> marked = LeavesUnder(genes, genes.Node(genes.RowNode(3)).parent);
  for (int leaf = 0; leaf < genes.ItemCount(); ++leaf)
    if (genes.Node(leaf).item <= 1 || genes.Node(leaf).item == 4) marked.push_back(leaf);
  for (const int leaf : marked) genes.Node(leaf).mark = kSelectedBranchMark;
  std::sort(marked.begin(), marked.end());
  marked.erase(std::unique(marked.begin(), marked.end()), marked.end());
  std::string expected = "probe_set\tGeneID\tName\n";
  int lines = 0;
  for (const int leaf : marked) {
    const std::string locus = LocusOf(genes.Node(leaf).item);
    if (locus.empty()) continue;
    for (int unit = 0; unit < mTruth.GeneCount(); ++unit) {
      if (LocusOf(unit) != locus) continue;
      expected += mTruth.geneNames[unit] + "\t" + locus + "\tgene" + std::to_string(unit) + "\n";
      ++lines;
    }
  }
  mLog.Clear();
  ExportSameGeneProbeSets();
  const std::string path =
      mFolder.File(mTruth.geneNames[genes.Node(marked[0]).item] + "_same_gene.txt");
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), expected);
  EXPECT_TRUE(mLog.Contains(kSameGeneStartMessage, kLogBlue));
  EXPECT_TRUE(mLog.Contains("  Write " + std::to_string(lines) + " probe sets into '" + path + "'",
                            kLogBlack));
  EXPECT_TRUE(mLog.Contains("Finished}", kLogBlue));

  TheGroup().Settings().WORKING_DIR = mFolder.File("missing folder");
  mLog.Clear();
  ExportSameGeneProbeSets();
  EXPECT_TRUE(mLog.ContainsRed("check if 'Options/Analysis/Working directory' is correct"));
  EXPECT_TRUE(mLog.ContainsRed("Not finished}"));
}

}  // namespace

namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

// The exports on a full disk and in a read-only folder: a red line naming the file with the
// system's reason (the branch export gives the system's error number to the view, which
// words it), and the file of the last export whole as it was.
TEST_F(ClusterExportsTest, EveryExportReportsAFailedWriteWithItsReasonAndKeepsTheOldFile) {
  LoadGeneInfo();
  CLUSTER& genes = *GeneTree();
  for (int leaf = 0; leaf < genes.ItemCount(); leaf += 2)
    genes.Node(leaf).mark = kSelectedBranchMark;
  const int first = [&genes] {
    for (int leaf = 0; leaf < genes.ItemCount(); ++leaf)
      if (genes.Node(leaf).mark != 0) return leaf;
    return -1;
  }();
  ASSERT_GE(first, 0);
  struct Export {
    const char* what;
    std::string path;
    std::function<bool()> run;
    bool saysInRed = true;
  };
  genes.currentNode = genes.Root();
  const std::vector<Export> exports = {
      {"correlation matrix", mFolder.File("planted corr matrix.xls"),
       [] { return ExportCorrelationMatrix(); }},
      {"same-gene probe sets",
       mFolder.File(mTruth.geneNames[genes.Node(first).item] + "_same_gene.txt"),
       [this] {
         mLog.Clear();
         ExportSameGeneProbeSets();
         return !mLog.ContainsRed("Not finished}");
       }},
      {"branch data", mFolder.File("branch.xls"),
       [this] {
         errno = 0;
         const bool written = ExportBranchData(mFolder.File("branch.xls"), true, false, false);
         mBranchError = written ? 0 : errno;
         return written;
       },
       false},
  };
  for (const Export& exported : exports) {
    ASSERT_TRUE(exported.run()) << exported.what;
    const std::string before = FileText(exported.path);
    ASSERT_FALSE(before.empty()) << exported.what;
    for (const platform::testing::WriteFailureCase& failure :
         platform::testing::kWriteFailureCases) {
      SCOPED_TRACE(std::string(exported.what) + ", " + failure.what);
      mLog.Clear();
      bool written = true;
      {
        const platform::testing::FailingWrites failing(failure);
        written = exported.run();
      }
      EXPECT_FALSE(written);
      if (exported.saysInRed) {
        EXPECT_TRUE(mLog.ContainsRed(exported.path));
        EXPECT_TRUE(mLog.ContainsRed("(" + platform::SystemErrorText(failure.error) + ")"));
      } else {
        EXPECT_EQ(mBranchError, failure.error) << platform::SystemErrorText(mBranchError);
      }
      EXPECT_EQ(FileText(exported.path), before);
    }
  }
}
