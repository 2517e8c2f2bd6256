// The cluster view driven as a user drives it: real mouse clicks and moves on the scrolled
// picture and real keys, on a generated group of planted gene clusters. The branch a
// click selects is checked against the tree's own nearest-node search at the same point.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QTest>

#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/dialogs/image/export_image_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/cluster_view_fixture.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/cluster/cluster_status_text.hpp"
#include "shell/views/frame/left_view.hpp"

namespace {

constexpr int kClusters = 4;
constexpr int kGenesPerCluster = 6;
constexpr int kSamples = 10;

class ClusterViewInteractionTest : public ClusterViewTest {
 protected:
  void SetUp() override {
    ClusterViewTest::SetUp();
    truth = PlantClusters(kClusters, kGenesPerCluster, kSamples, 31);
    GroupSettings& settings = TheGroup().Settings();
    settings.PIXEL_WD = 20;
    settings.PIXEL_HT_ = 12.0f;
    settings.PIXEL_HT2 = 12;
    settings.DENDRO_WD = 150;
    settings.DENDRO_HT = 120;
    settings.FUNC_BAR_WD = 0;
    settings.ADD_NEW_COLOR = 0;
  }

  // Clusters and shows the view in a window large enough for the whole picture.
  CClusterView& Show() {
    EXPECT_TRUE(RunHierarchicalClustering(true));
    CClusterView& view = ShowClusterView();
    mFrame->resize(1800, 1200);
    QApplication::processEvents();
    return view;
  }

  void Click(CClusterView& view, QPoint at, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(view.Canvas(), button, modifiers, at);
  }

  // The leaves in row order.
  static std::vector<int> RowOrder(const CLUSTER& tree) {
    std::vector<int> rows;
    for (int row = 0; row < tree.n; ++row) rows.push_back(tree.RowNode(row));
    return rows;
  }

  // Right-clicks the node's point and checks that exactly its two subtrees swap places
  // in the leaf order; false when another node is nearer to that point.
  bool FlipAt(CClusterView& view, CLUSTER& tree, int node, QPoint at) {
    if (tree.NearestNode(at.x(), at.y()) != node) return false;
    const std::vector<int> before = RowOrder(tree);
    int first = 0;
    int last = 0;
    tree.BranchEnds(node, &first, &last);
    const int firstPart = tree.Node(tree.Node(node).child1).weight;
    Click(view, at, Qt::RightButton);
    std::vector<int> expected = before;
    std::rotate(expected.begin() + first, expected.begin() + first + firstPart,
                expected.begin() + last + 1);
    EXPECT_EQ(RowOrder(tree), expected) << "node " << node;
    return true;
  }

  synth::PlantedClusterTruth truth;
};

TEST_F(ClusterViewInteractionTest, ClickSelectsTheBranchTheGeometryPutsUnderThePixel) {
  CClusterView& view = Show();
  CLUSTER& genes = *GeneTree();
  CLUSTER& samples = *SampleTree();
  const ClusterGeometry& g = view.Geometry();
  GroupSettings& settings = TheGroup().Settings();
  int clicks = 0;
  // Gene dendrogram and support column: the gene node nearest the point becomes current,
  // the sample tree keeps its current node.
  samples.currentNode = samples.Root();
  for (int x = 0; x < g.matrixLeft; x += 9) {
    for (int y = g.matrixTop; y < g.matrixBottom; y += 5) {
      const int expected = genes.NearestNode(x, y);
      ASSERT_TRUE(genes.ValidNode(expected));
      Click(view, {x, y});
      ++clicks;
      ASSERT_EQ(genes.currentNode, expected) << x << "," << y;
      const std::vector<int> leaves = ClusterBranchLeaves(genes, expected);
      EXPECT_EQ(settings.CUR_UNIT, genes.Node(leaves.front()).item);
      EXPECT_EQ(samples.currentNode, samples.Root());
    }
  }
  // Sample dendrogram: the same on the sample tree, the gene tree keeping its node.
  const int geneNode = genes.currentNode;
  for (int x = g.matrixLeft; x < g.matrixRight; x += 7) {
    for (int y = 0; y < settings.DENDRO_HT; y += 6) {
      const int expected = samples.NearestNode(x, y);
      Click(view, {x, y});
      ++clicks;
      ASSERT_EQ(samples.currentNode, expected) << x << "," << y;
      EXPECT_EQ(genes.currentNode, geneNode);
    }
  }
  EXPECT_GT(clicks, 500);
  // Outside every zone, past the last row and beside the matrix: nothing changes.
  const int unit = settings.CUR_UNIT;
  for (const QPoint at :
       {QPoint(g.scrollWidth - 2, g.scrollHeight - 2), QPoint(g.matrixLeft + 3, g.matrixBottom + 2),
        QPoint(g.matrixRight + 2, 3)}) {
    Click(view, at);
    EXPECT_EQ(genes.currentNode, geneNode);
    EXPECT_EQ(settings.CUR_UNIT, unit);
  }
  // A cell: the current row, column, probe set and array follow it.
  Click(view, {g.matrixLeft + 3 * 20 + 4, g.matrixTop + 5 * 12 + 4});
  EXPECT_EQ(view.CurrentRow(), 5);
  EXPECT_EQ(view.CurrentColumn(), 3);
  EXPECT_EQ(settings.CUR_UNIT, genes.Node(genes.RowNode(5)).item);
  EXPECT_EQ(SampleColumn(settings.CUR_ARRAY), 3);
}

TEST_F(ClusterViewInteractionTest, KeysSizeThePictureAsTheirTableSaysAndTheScreenshotFollows) {
  GroupSettings& s = TheGroup().Settings();
  s.PIXEL_WD = 2;
  s.FUNC_BAR_WD = 1;
  s.PIXEL_HT_ = 2.5f;
  s.PIXEL_HT2 = 1;
  CClusterView& view = Show();
  struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    int* setting;
    int expected;
  };
  int cellHeight = 0;  // PIXEL_HT_ as a whole number, for the table below
  const std::vector<Step> steps = {
      {Qt::Key_Left, {}, &s.PIXEL_WD, 1},
      {Qt::Key_Left, {}, &s.PIXEL_WD, 1},  // never below 1
      {Qt::Key_Right, {}, &s.PIXEL_WD, 2},
      {Qt::Key_Left, Qt::ShiftModifier, &s.FUNC_BAR_WD, 0},
      {Qt::Key_Left, Qt::ShiftModifier, &s.FUNC_BAR_WD, 0},  // never below 0
      {Qt::Key_Right, Qt::ShiftModifier, &s.FUNC_BAR_WD, 1},
      {Qt::Key_Left, Qt::ControlModifier, &s.DENDRO_WD, 126},   // min(149, 150 * 5 / 6 + 1)
      {Qt::Key_Right, Qt::ControlModifier, &s.DENDRO_WD, 151},  // max(127, 1.2 * 126)
      {Qt::Key_Up, {}, &cellHeight, 1},                         // 2.5 -> max(1, int(1.5))
      {Qt::Key_Up, {}, &cellHeight, 1},                         // stays at 1
      {Qt::Key_Down, {}, &cellHeight, 2},
      {Qt::Key_Down, {}, &cellHeight, 3},
      {Qt::Key_Up, Qt::ShiftModifier, &s.PIXEL_HT2, 0},
      {Qt::Key_Up, Qt::ShiftModifier, &s.PIXEL_HT2, 0},  // never below 0
      {Qt::Key_Down, Qt::ShiftModifier, &s.PIXEL_HT2, 1},
      {Qt::Key_Up, Qt::ControlModifier, &s.DENDRO_HT, 101},
      {Qt::Key_Down, Qt::ControlModifier, &s.DENDRO_HT, 121},
      {Qt::Key_Down, {}, &cellHeight, 4},
      {Qt::Key_Right, {}, &s.PIXEL_WD, 3},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    QTest::keyClick(&view, static_cast<Qt::Key>(steps[i].key), steps[i].modifiers);
    if (steps[i].setting == &cellHeight) {
      cellHeight = static_cast<int>(s.PIXEL_HT_);
      EXPECT_EQ(static_cast<float>(cellHeight), s.PIXEL_HT_) << "step " << i;
    }
    EXPECT_EQ(*steps[i].setting, steps[i].expected) << "step " << i;
    // The layout follows at once.
    EXPECT_EQ(view.Geometry().matrixLeft, s.DENDRO_WD + 2 * s.PIXEL_WD) << "step " << i;
    EXPECT_EQ(view.Canvas()->size(),
              QSize(view.Geometry().scrollWidth, view.Geometry().scrollHeight));
  }
  // The smallest dendrogram shrinks to 1 and no further.
  s.DENDRO_WD = 2;
  QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(s.DENDRO_WD, 1);
  QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(s.DENDRO_WD, 1);
  s.DENDRO_WD = 150;
  QTest::keyClick(&view, Qt::Key_Down);  // cells of 5 pixels

  // After the keys, a click on the branch of the planted cluster in the first rows: the
  // picture drawn by the view's one drawing routine shows it selected in those rows.
  CLUSTER& genes = *GeneTree();
  int branch = genes.RowNode(0);
  while (genes.Node(branch).weight < kGenesPerCluster) branch = genes.Node(branch).parent;
  const QPoint at(genes.Node(branch).screenX, genes.Node(branch).screenY);
  ASSERT_EQ(genes.NearestNode(at.x(), at.y()), branch);
  QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, at);
  ASSERT_EQ(genes.currentNode, branch);
  const PictureExport picture = view.ExportPicture();
  QImage image(picture.size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    picture.draw(painter);
  }
  SaveScreenshot(image, "cluster_view_selected_branch.png");
  const ClusterGeometry& g = view.Geometry();
  const int bracketX = g.matrixRight + s.PIXEL_WD / 2;
  const int rowHeight = static_cast<int>(s.PIXEL_HT_);
  EXPECT_EQ(genes.markedTotal, kGenesPerCluster);
  for (int row = 0; row < genes.n; ++row) {
    const int middle = g.matrixTop + row * rowHeight + rowHeight / 2;
    EXPECT_EQ(image.pixelColor(bracketX, middle) == QColor(Qt::blue), row < kGenesPerCluster)
        << "row " << row;
  }
  EXPECT_EQ(image.pixelColor(at), QColor(Qt::blue));
}

TEST_F(ClusterViewInteractionTest, CtrlClickColoursUpToTheLimitAndRefusesReservedColours) {
  CClusterView& view = Show();
  CLUSTER& genes = *GeneTree();
  GroupSettings& settings = TheGroup().Settings();
  // Internal nodes that are the nearest to their own point.
  std::vector<int> nodes;
  for (int node = genes.n; node < genes.NodeCount(); ++node) {
    const CLUSTER_NODE& n = genes.Node(node);
    if (n.screenX < view.Geometry().matrixLeft && genes.NearestNode(n.screenX, n.screenY) == node)
      nodes.push_back(node);
  }
  ASSERT_GE(nodes.size(), 21u);
  const auto ctrlClick = [&](int node) {
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, Qt::ControlModifier,
                      QPoint(genes.Node(node).screenX, genes.Node(node).screenY));
  };
  // With colour choice on: black, white and blue are refused, Cancel sets nothing.
  settings.ADD_NEW_COLOR = 1;
  QColor answer;
  prompts.dialogAnswer = [&answer](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName().toStdString(), kClusterColourDialogName);
    auto& colours = dynamic_cast<QColorDialog&>(dialog);
    EXPECT_EQ(colours.currentColor(), QColor(Qt::blue));  // it opens at blue
    if (!answer.isValid()) return int(QDialog::Rejected);
    colours.setCurrentColor(answer);
    return int(QDialog::Accepted);
  };
  for (const QColor refused : {QColor(Qt::black), QColor(Qt::white), QColor(Qt::blue)}) {
    answer = refused;
    ctrlClick(nodes[0]);
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_EQ(prompts.prompts.back().text, kReservedColourMessage);
  }
  answer = QColor();
  ctrlClick(nodes[0]);
  EXPECT_EQ(genes.coloredCount, 0);
  answer = QColor(0, 128, 0);
  ctrlClick(nodes[0]);
  ASSERT_EQ(genes.coloredCount, 1);
  EXPECT_EQ(genes.coloredColors[0], RGB(0, 128, 0));
  // Without it the fixed colour, up to twenty branches.
  settings.ADD_NEW_COLOR = 0;
  const int dialogs = prompts.CountOf(RecordedPrompt::Kind::kDialog);
  for (int k = 1; k < kMaxColoredBranches; ++k) ctrlClick(nodes[static_cast<std::size_t>(k)]);
  ASSERT_EQ(genes.coloredCount, kMaxColoredBranches);
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kDialog), dialogs);
  const auto colouredBefore = genes.coloredNodes;
  ctrlClick(nodes[kMaxColoredBranches]);
  EXPECT_EQ(prompts.prompts.back().text, kColoredBranchLimitMessage);
  EXPECT_EQ(genes.coloredCount, kMaxColoredBranches);
  EXPECT_EQ(genes.coloredNodes, colouredBefore);
  for (int k = 1; k < kMaxColoredBranches; ++k)
    EXPECT_EQ(genes.coloredColors[static_cast<std::size_t>(k)], kDefaultBranchColour);

  // Escape without a resampled clustering deselects everything.
  genes.currentNode = nodes[0];
  settings.CUR_UNIT = genes.Node(0).item;
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(genes.coloredCount, 0);
  EXPECT_EQ(genes.currentNode, -1);
  EXPECT_EQ(SampleTree()->currentNode, -1);
  EXPECT_EQ(settings.CUR_UNIT, -1);
  EXPECT_EQ(view.CurrentRow(), -1);
}

TEST_F(ClusterViewInteractionTest, EscapeAfterARoundRestoresInsteadOfDeselecting) {
  CClusterView& view = Show();
  CLUSTER& genes = *GeneTree();
  int branch = genes.RowNode(0);
  while (genes.Node(branch).weight < kGenesPerCluster) branch = genes.Node(branch).parent;
  const QPoint at(genes.Node(branch).screenX, genes.Node(branch).screenY);
  QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, at);
  ASSERT_EQ(genes.currentNode, branch);
  const std::vector<int> unperturbed = RowOrder(genes);
  const QPoint support(TheGroup().Settings().DENDRO_WD + 5, genes.Node(genes.RowNode(0)).screenY);
  for (int round = 1; round <= 3; ++round) {
    QTest::keyClick(&view, Qt::Key_R);
    ASSERT_EQ(view.ResampleRounds(), round);
    EXPECT_FALSE(view.ShowsUnperturbed());
    // Clicks select nothing on a resampled clustering.
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, QPoint(5, at.y() + 40));
    EXPECT_EQ(GeneTree()->currentNode, branch);
  }
  QTest::mouseMove(view.Canvas(), support);
  const int leafSupport = GeneTree()->Node(GeneTree()->RowNode(0)).support;
  EXPECT_EQ(mFrame->StatusPaneText(0).toStdString(),
            MessageBuffer("As cluster member %d times in %d resampling", leafSupport, 3));
  EXPECT_EQ(LogEnabled, 1);
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_TRUE(view.ShowsUnperturbed());
  EXPECT_EQ(view.ResampleRounds(), 3);
  EXPECT_EQ(GeneTree()->currentNode, branch);
  EXPECT_EQ(RowOrder(*GeneTree()), unperturbed);
  // The second Escape deselects.
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(GeneTree()->currentNode, -1);
  EXPECT_EQ(view.ResampleRounds(), 0);
}

TEST_F(ClusterViewInteractionTest, RightClickSwapsTheSubtreesOfAnInternalNodeOnly) {
  CClusterView& view = Show();
  CLUSTER& genes = *GeneTree();
  int flipped = 0;
  // Every internal node in turn, at its point as the layout has just placed it.
  for (int node = genes.n; node < genes.NodeCount(); ++node) {
    const QPoint at(genes.Node(node).screenX, genes.Node(node).screenY);
    if (at.x() >= TheGroup().Settings().DENDRO_WD) continue;
    flipped += FlipAt(view, genes, node, at) ? 1 : 0;
  }
  EXPECT_GT(flipped, genes.n / 2);
  // A leaf has no subtrees: the order stays.
  for (int row = 0; row < genes.n; row += 5) {
    const int leaf = genes.RowNode(row);
    const QPoint at(TheGroup().Settings().DENDRO_WD - 1, genes.Node(leaf).screenY);
    ASSERT_EQ(genes.NearestNode(at.x(), at.y()), leaf);
    const std::vector<int> before = RowOrder(genes);
    Click(view, at, Qt::RightButton);
    EXPECT_EQ(RowOrder(genes), before);
  }
  // The sample tree's root flips the same way.
  CLUSTER& samples = *SampleTree();
  const CLUSTER_NODE& root = samples.Node(samples.Root());
  EXPECT_TRUE(FlipAt(view, samples, samples.Root(), QPoint(root.screenX, root.screenY)));
}

TEST_F(ClusterViewInteractionTest, StatusLineNamesWhatIsUnderTheMouse) {
  CClusterView& view = Show();
  const CLUSTER& genes = *GeneTree();
  const CLUSTER& samples = *SampleTree();
  const ClusterGeometry& g = view.Geometry();
  TheGroup().HasCalls = false;
  const auto statusAt = [&](QPoint at) {
    QTest::mouseMove(view.Canvas(), at);
    return mFrame->StatusPaneText(0).toStdString();
  };
  for (int row = 0; row < genes.n; row += 3) {
    for (int column = 0; column < genes.m; column += 4) {
      const int leaf = genes.RowNode(row);
      const int sample = samples.RowNode(column);
      const double shown = genes.Node(leaf).profile[static_cast<std::size_t>(sample)];
      const auto gene = static_cast<std::size_t>(leaf);
      const auto s = static_cast<std::size_t>(sample);
      EXPECT_EQ(statusAt({g.matrixLeft + column * 20 + 10, g.matrixTop + row * 12 + 6}),
                MessageBuffer("[%s] [%s, , %c] [%.2f (Raw value:%.1f, StdErr:%.0f)] ",
                              truth.sampleNames[s].c_str(), truth.geneNames[gene].c_str(), ' ',
                              shown, static_cast<float>(truth.values[gene][s]),
                              static_cast<float>(truth.errors[gene][s])));
    }
  }
  const int node = genes.NearestNode(40, g.matrixTop + 30);
  EXPECT_EQ(statusAt({40, g.matrixTop + 30}),
            MessageBuffer("Height of the nearest gene branch: %.3f", genes.Node(node).height));
  const int sampleNode = samples.NearestNode(g.matrixLeft + 30, 20);
  EXPECT_EQ(
      statusAt({g.matrixLeft + 30, 20}),
      MessageBuffer("Height of the nearest sample branch: %.3f", samples.Node(sampleNode).height));
  // Support before any round, a row past the data, beside the picture: the help text.
  EXPECT_EQ(statusAt({g.matrixLeft - 5, g.matrixTop + 6}), kClusterHelpText);
  EXPECT_EQ(statusAt({g.matrixLeft + 10, g.matrixBottom + 1}), kClusterHelpText);
  EXPECT_EQ(statusAt({g.matrixRight + 5, g.matrixTop + 6}), kClusterHelpText);
}

TEST_F(ClusterViewInteractionTest, BranchImageAndDataExportTheSelectedBranch) {
  CClusterView& view = Show();
  CLUSTER& genes = *GeneTree();
  int branch = genes.RowNode(kGenesPerCluster);
  while (genes.Node(branch).weight < kGenesPerCluster) branch = genes.Node(branch).parent;
  genes.currentNode = branch;
  ExportToClipboard = 1;
  prompts.dialogAnswer = [](QDialog& dialog) {
    Control<QRadioButton>(dialog, ExportImageDialog::kCopyToClipboard)->click();
    Control<QRadioButton>(dialog, ExportImageDialog::kFormatBmp)->click();
    return int(QDialog::Accepted);
  };
  ASSERT_TRUE(mFrame->OnCommand(ids::kClusterExportBranchImage));
  const QImage part = QApplication::clipboard()->image();
  int first = 0;
  int last = 0;
  genes.BranchEnds(branch, &first, &last);
  const ClusterGeometry& g = view.Geometry();
  const QRect expected(genes.Node(branch).screenX, g.matrixTop + first * 12,
                       g.scrollWidth - genes.Node(branch).screenX, (last - first + 1) * 12);
  ASSERT_EQ(part.size(), expected.size());
  ASSERT_TRUE(mFrame->OnCommand(ids::kExportImage));
  const QImage whole = QApplication::clipboard()->image().convertToFormat(part.format());
  ASSERT_EQ(whole.size(), QSize(g.scrollWidth, g.scrollHeight));
  EXPECT_EQ(whole.copy(expected), part);

  // The branch's data go to the name its dialog proposes, and the file is announced.
  prompts.dialogAnswer = [](QDialog&) { return int(QDialog::Accepted); };
  ASSERT_TRUE(mFrame->OnCommand(ids::kClusterExportBranchData));
  const std::string table = File("planted cluster data.xls");
  EXPECT_EQ(prompts.prompts.back().text, kBranchDataExportedMessage + table);
  EXPECT_TRUE(std::ifstream(table).good());
}

TEST_F(ClusterViewInteractionTest, FoundGenesAndTreeItemsShowTheirGeneOrBranch) {
  // The gene list leaves out the last probe set.
  std::ofstream list(TheGroup().Settings().GENE_LIST_FILE);
  for (int gene = 0; gene + 1 < truth.GeneCount(); ++gene)
    list << truth.geneNames[static_cast<std::size_t>(gene)] << "\n";
  list.close();
  CClusterView& view = Show();
  const int outside = truth.GeneCount() - 1;
  EXPECT_FALSE(view.ShowUnit(outside));
  EXPECT_EQ(prompts.prompts.back().text,
            MessageBuffer(kGeneNotClusteredMessage,
                          truth.geneNames[static_cast<std::size_t>(outside)].c_str(), ""));
  const int inside = GeneTree()->Node(GeneTree()->RowNode(7)).item;
  EXPECT_TRUE(view.ShowUnit(inside));
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, inside);
  EXPECT_EQ(view.CurrentRow(), 7);

  // A significant branch's item under "Clustering": its branch and term become current.
  CLUSTER& genes = *GeneTree();
  int branch = genes.RowNode(2 * kGenesPerCluster);
  while (genes.Node(branch).weight < kGenesPerCluster) branch = genes.Node(branch).parent;
  FunctionalClusters.count = 2;
  FunctionalClusters.node[1] = branch;
  FunctionalClusters.isGeneTree[1] = 1;
  FunctionalClusters.term[1] = 3;
  FunctionalClusters.column[1] = 0;
  mFrame->InsertViewItem(VIEW_CLUSTER, "Clustering", 4);
  QTreeWidgetItem* item = mFrame->AddClusteringItem("planted term", 7);
  ASSERT_NE(item, nullptr);
  item->setData(0, kFunctionalClusterRole, 1);
  mFrame->LeftView().setCurrentItem(item);
  FunctionalClusters = {};
  EXPECT_EQ(genes.currentNode, branch);
  EXPECT_EQ(GeneInfo.selectedColumn, 0);
  EXPECT_EQ(GeneInfo.selectedTerm, 3);
  int first = 0;
  int last = 0;
  genes.BranchEnds(branch, &first, &last);
  EXPECT_EQ(view.CurrentRow(), first);
  GeneInfo.selectedColumn = GeneInfo.selectedTerm = -1;
}

}  // namespace
