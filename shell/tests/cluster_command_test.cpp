// Analysis/Hierarchical Clustering end to end on a generated group with planted gene
// clusters: the dialog, the log block, the view shown under its item, the trees saved as
// a tree file that is registered, and the same clustering shown again from that file
// without being computed again.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>

#include <algorithm>
#include <fstream>
#include <regex>

#include "engine/chip/cdf_layout.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_tree_file.hpp"
#include "shell/dialogs/cluster/cluster_dialog.hpp"
#include "shell/services/output_files.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "shell/views/pane/export_image_command.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

class ClusterCommandTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    // The trees and the planted probe sets are the process's: gone for the next test.
    FreeClusterTrees();
    Layout = CDF_LAYOUT{};
  }

  // Runs the command with the dialog accepted as it stands, samples clustered too.
  std::vector<std::string> RunClustering(CMainFrame& frame) {
    const std::size_t before = LogLines().size();
    prompts.dialogAnswer = [](QDialog& dialog) {
      Control<QCheckBox>(dialog, ClusterDialog::kClusterSamples)->setChecked(true);
      dialog.accept();
      return dialog.result();
    };
    EXPECT_TRUE(frame.OnCommand(ids::kHierarchicalClustering));
    std::vector<std::string> all = LogLines();
    // Closing lines end with a line break of their own.
    while (!all.empty() && all.back().empty()) all.pop_back();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

  static std::vector<int> LeafOrder(const CLUSTER& tree) {
    std::vector<int> order;
    for (int row = 0; row < tree.n; ++row) order.push_back(tree.RowNode(row));
    return order;
  }

  WindowEventPump mPump;
};

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ClusterCommandTest, ClustersShowsSavesTheTreeAndShowsItAgainFromTheFile) {
  synth::PlantedClusterOptions options;
  options.seed = 7;
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(options);
  synth::InstallPlantedClusterGroup(truth);
  TheGroup().SetName("planted");
  GroupSettings& settings = TheGroup().Settings();
  settings.WORKING_DIR = Folder();
  settings.GENE_LIST_FILE = File("planted gene list.txt");
  std::ofstream(settings.GENE_LIST_FILE) << synth::PlantedGeneListText(truth);
  settings.CLUSTER_GENE = settings.STANDARDIZE_ROW = settings.STORE_DISTANCE = 1;
  CMainFrame& frame = OpenFrame();
  ASSERT_TRUE(frame.CommandUi(ids::kHierarchicalClustering).enabled);

  std::vector<std::string> lines = RunClustering(frame);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "{Hierarchical clustering");
  EXPECT_TRUE(Has(lines, kBeginClusteringMessage));
  EXPECT_TRUE(std::regex_match(
      lines.back(), std::regex("Finished in [0-9]{2} hours [0-9]{2} minutes [0-9]{2} seconds\\}")))
      << lines.back();
  EXPECT_EQ(settings.CLUSTER_SAMPLE, 1);
  ASSERT_NE(SampleTree(), nullptr);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CLUSTER);
  auto* view = dynamic_cast<CClusterView*>(frame.PaneView());
  ASSERT_NE(view, nullptr);
  // View/Export Image takes the view's whole picture.
  const PictureExport picture = PaneViewPicture(frame);
  EXPECT_EQ(picture.size, QSize(view->Geometry().scrollWidth, view->Geometry().scrollHeight));
  EXPECT_EQ(picture.defaultName, File("planted gene list clustering"));
  EXPECT_TRUE(picture.draw);
  EXPECT_EQ(frame.LeftView().currentItem(), frame.LeftView().ViewItem(VIEW_CLUSTER));
  const std::vector<int> geneOrder = LeafOrder(*GeneTree());
  const std::vector<int> sampleOrder = LeafOrder(*SampleTree());
  const float rootHeight = GeneTree()->Node(GeneTree()->Root()).height;

  // Clustering/Save Tree Data: the proposed name, the message and the registered file.
  const std::string treeFile = File("planted gene list cluster tree.xls");
  prompts.fileAnswers.push_back(treeFile);
  ASSERT_TRUE(frame.OnCommand(ids::kClusterSaveTreeData));
  EXPECT_EQ(prompts.prompts[prompts.prompts.size() - 2].request.startFile, treeFile);
  EXPECT_EQ(prompts.prompts.back().text, "Clustering tree saved in " + treeFile);
  ASSERT_EQ(OutputFiles().Count(), 1);
  EXPECT_EQ(OutputFiles().paths[0], treeFile);

  // The tree file as the gene list: read, not clustered, and shown as before.
  settings.GENE_LIST_FILE = treeFile;
  lines = RunClustering(frame);
  EXPECT_TRUE(Has(lines, "  Reading tree file " + treeFile));
  EXPECT_FALSE(Has(lines, kBeginClusteringMessage)) << "nothing is computed again";
  EXPECT_EQ(LeafOrder(*GeneTree()), geneOrder);
  EXPECT_EQ(LeafOrder(*SampleTree()), sampleOrder);
  EXPECT_NEAR(GeneTree()->Node(GeneTree()->Root()).height, rootHeight, 1e-5);
  EXPECT_NE(dynamic_cast<CClusterView*>(frame.PaneView()), nullptr);
  const std::vector<std::string> labels = TopLevelLabels(frame.LeftView());
  EXPECT_EQ(std::count(labels.begin(), labels.end(), "Clustering"), 1) << "replaced, not stacked";
}

TEST_F(ClusterCommandTest, AFailedClusteringClosesItsBlockAndShowsNoView) {
  synth::PlantedClusterOptions options;
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(options);
  synth::InstallPlantedClusterGroup(truth);
  GroupSettings& settings = TheGroup().Settings();
  settings.GENE_LIST_FILE = File("missing gene list.txt");
  CMainFrame& frame = OpenFrame();
  const std::vector<std::string> lines = RunClustering(frame);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "{Hierarchical clustering");
  EXPECT_EQ(lines.back(), "Clustering not completed}");
  EXPECT_FALSE(frame.HasViewItem(VIEW_CLUSTER));
  EXPECT_EQ(frame.RightViews(VIEW_CLUSTER), nullptr);
}

// Clustering/Delete Selected Gene runs the clustering command again, which installs itself
// into the view, on the genes outside the current branch.
TEST_F(ClusterCommandTest, DeleteSelectedGeneClustersTheGenesOutsideTheBranchAgain) {
  synth::PlantedClusterOptions options;
  options.seed = 7;
  const synth::PlantedClusterTruth truth = synth::MakePlantedClusters(options);
  synth::InstallPlantedClusterGroup(truth);
  GroupSettings& settings = TheGroup().Settings();
  settings.WORKING_DIR = Folder();
  settings.GENE_LIST_FILE = File("planted gene list.txt");
  std::ofstream(settings.GENE_LIST_FILE) << synth::PlantedGeneListText(truth);
  settings.CLUSTER_GENE = 1;
  CMainFrame& frame = OpenFrame();
  ASSERT_FALSE(RunClustering(frame).empty());
  CLUSTER* genes = GeneTree();
  ASSERT_NE(genes, nullptr);
  const int before = genes->ItemCount();
  // The smaller branch under the root is the one deleted.
  const CLUSTER_NODE& root = genes->Node(genes->Root());
  const int branch = genes->Node(root.child1).weight <= genes->Node(root.child2).weight
                         ? root.child1
                         : root.child2;
  const int deleted = genes->Node(branch).weight;
  ASSERT_GT(deleted, 0);
  ASSERT_LT(deleted, before);
  genes->currentNode = branch;
  ASSERT_TRUE(frame.CommandUi(ids::kClusterDeleteSelectedGene).enabled);

  const std::size_t lines = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kClusterDeleteSelectedGene));
  const std::vector<std::string> all = LogLines();
  EXPECT_TRUE(std::find(all.begin() + static_cast<std::ptrdiff_t>(lines), all.end(),
                        "{Hierarchical clustering") != all.end());
  ASSERT_NE(GeneTree(), nullptr);
  EXPECT_EQ(GeneTree()->ItemCount(), before - deleted);
  EXPECT_NE(dynamic_cast<CClusterView*>(frame.PaneView()), nullptr);
}

}  // namespace
