// The pathway editor driven as a user drives it: real mouse and key events on the
// offscreen view, each step's picture checked against the pathway's boxes and arrows and
// saved beside the build; its commands, the Analysis/Pathway command and both dialogs.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>

#include "genes/info/gene_info.hpp"
#include "genes/pathway/pathway.hpp"
#include "platform/path.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/pathway/edit_arrow_dialog.hpp"
#include "shell/views/pathway/edit_node_dialog.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"
#include "shell/views/pathway/pathway_view.hpp"

namespace {

bool Dark(const QImage& image, int x, int y) {
  return qGray(image.pixel(x, y)) < 128;
}

// A dark pixel at one of the two nearest to a point on a line drawn without antialiasing.
bool DarkNear(const QImage& image, double x, double y) {
  return Dark(image, static_cast<int>(x), static_cast<int>(y)) ||
         Dark(image, static_cast<int>(x + 0.5), static_cast<int>(y + 0.5));
}

class PathwayViewTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ClearPathway();
  }
  void TearDown() override {
    ShellTest::TearDown();
    ClearPathway();
    ClearGeneInfo();
  }

  PathwayView& ShowPathwayView() {
    CMainFrame& frame = OpenFrame();
    frame.ShowView(VIEW_PATHWAY);
    auto* view = dynamic_cast<PathwayView*>(frame.RightViews(VIEW_PATHWAY));
    EXPECT_NE(view, nullptr);
    return *view;
  }

  // Three nodes in a row on the free-spot grid, joined 0 -> 1, 1 -> 2 and 0 -> 2.
  static void ThreeNodes() {
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(AddNode());
    ASSERT_TRUE(EditArrow(0, 1, 2, true, kActivation));
    ASSERT_TRUE(EditArrow(1, 2, 3, true, kInhibition));
    ASSERT_TRUE(EditArrow(0, 2, 0, true, kBinding));
    ThePathway().currentNode = -1;
  }

  // A menu command as the user picks it: enabled, then triggered.
  static void Pick(CMainFrame& frame, int id) {
    frame.UpdateCommandUi();
    QAction* action = frame.Action(id);
    ASSERT_NE(action, nullptr) << id;
    ASSERT_TRUE(action->isEnabled()) << id;
    action->trigger();
  }

  static const PATHWAY_NODE& Node(int i) { return ThePathway().nodes[static_cast<std::size_t>(i)]; }
  // The box as drawn, with its corners in order.
  static PATHWAY_NODE Drawn(int i) {
    PATHWAY_NODE node = Node(i);
    OrderCorners(node);
    return node;
  }
  static void ExpectBox(int i, int left, int top, int right, int bottom) {
    const PATHWAY_NODE& n = Node(i);
    EXPECT_EQ(std::tuple(n.left, n.top, n.right, n.bottom), std::tuple(left, top, right, bottom))
        << "node " << i;
  }
  static QPoint Centre(int i) {
    return {(Node(i).left + Node(i).right) / 2, (Node(i).top + Node(i).bottom) / 2};
  }

  // The page as painted, saved for people to look at; every node's outline is dark
  // where the model puts it, and every arrow's line a quarter along.
  QImage CheckPicture(PathwayView& view, const char* file) {
    QApplication::processEvents();
    const QImage image = view.Canvas()->grab().toImage();
    EXPECT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
    EXPECT_TRUE(mFrame->grab().save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/") + file));
    const PATHWAY& pathway = ThePathway();
    for (int i = 0; i < pathway.nodeCount; ++i) {
      const PATHWAY_NODE node = Drawn(i);
      const int midX = (node.left + node.right) / 2;
      const int midY = (node.top + node.bottom) / 2;
      EXPECT_TRUE(Dark(image, node.left, midY)) << file << " node " << i;
      EXPECT_TRUE(Dark(image, node.right - 1, midY)) << file << " node " << i;
      EXPECT_TRUE(Dark(image, midX, node.top)) << file << " node " << i;
      EXPECT_TRUE(Dark(image, midX, node.bottom - 1)) << file << " node " << i;
    }
    for (int i = 0; i < pathway.arrowCount; ++i) {
      const PATHWAY_ARROW& arrow = pathway.arrows[static_cast<std::size_t>(i)];
      const ArrowShape shape =
          ComputeArrowShape(Drawn(arrow.startNode), Drawn(arrow.endNode), arrow.interaction);
      const double x = shape.start.x + (shape.end.x - shape.start.x) / 4;
      const double y = shape.start.y + (shape.end.y - shape.start.y) / 4;
      // Antialiasing off: the line's pixel is one of the two nearest.
      EXPECT_TRUE(DarkNear(image, x, y)) << file << " arrow " << i;
      const double length = std::hypot(shape.end.x - shape.start.x, shape.end.y - shape.start.y);
      if (length < 20) continue;
      const double ux = (shape.end.x - shape.start.x) / length;
      const double uy = (shape.end.y - shape.start.y) / length;
      for (const double side : {-2.0, 2.0}) {
        // The head is filled: 7 back from the tip it is wider than the line.
        if (arrow.interaction == kActivation) {
          EXPECT_TRUE(
              DarkNear(image, shape.end.x - 7 * ux - side * uy, shape.end.y - 7 * uy + side * ux))
              << file << " head of arrow " << i;
        }
        // The bar stands across the end, 8 either side of it.
        if (arrow.interaction == kInhibition) {
          const double along = 4 * side / kInhibitionBarLength;
          EXPECT_TRUE(DarkNear(image, shape.end.x + along * (shape.barTo.x - shape.barFrom.x),
                               shape.end.y + along * (shape.barTo.y - shape.barFrom.y)))
              << file << " bar of arrow " << i;
        }
      }
    }
    return image;
  }
};

TEST_F(PathwayViewTest, MouseMovesResizesAndKeysDelete) {
  ThreeNodes();
  PathwayView& view = ShowPathwayView();
  QWidget* canvas = view.Canvas();
  CheckPicture(view, "pathway_view_1_start.png");

  // Press on node 1 and drag: it moves by the drag and becomes current.
  const PATHWAY_NODE before = Node(1);
  const QPoint grab = Centre(1);
  QTest::mousePress(canvas, Qt::LeftButton, {}, grab);
  EXPECT_EQ(view.Drag(), PathwayDrag::kMoving);
  QTest::mouseMove(canvas, grab + QPoint(10, 60));
  QTest::mouseMove(canvas, grab + QPoint(30, 150));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, grab + QPoint(30, 150));
  EXPECT_EQ(ThePathway().currentNode, 1);
  ExpectBox(1, before.left + 30, before.top + 150, before.right + 30, before.bottom + 150);
  QImage image = CheckPicture(view, "pathway_view_2_moved.png");
  EXPECT_FALSE(Dark(image, (before.left + before.right) / 2 + 40, before.top));

  // The bottom-right corner, dragged past the top-left: a normalised box.
  const PATHWAY_NODE moved = Node(1);
  const QPoint corner(moved.right, moved.bottom);
  QTest::mouseMove(canvas, corner + QPoint(-2, 1));
  EXPECT_EQ(view.Drag(), PathwayDrag::kOverCorner);
  QTest::mousePress(canvas, Qt::LeftButton, {}, corner + QPoint(-2, 1));
  EXPECT_EQ(view.Drag(), PathwayDrag::kResizing);
  QTest::mouseMove(canvas, QPoint(moved.left - 40, moved.top - 30));
  EXPECT_LT(Node(1).right, Node(1).left);  // inside out while dragged
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(moved.left - 40, moved.top - 30));
  // The corner followed the mouse from where it was grabbed, 2 left of it and 1 below.
  ExpectBox(1, moved.left - 38, moved.top - 31, moved.left, moved.top);
  image = CheckPicture(view, "pathway_view_3_resized.png");
  EXPECT_FALSE(Dark(image, moved.right - 1, moved.bottom - 1));

  // The corner dragged onto the top-left: the box keeps a size that a click still finds.
  const PATHWAY_NODE small = Node(1);
  QTest::mouseMove(canvas, QPoint(small.right, small.bottom));
  ASSERT_EQ(view.Drag(), PathwayDrag::kOverCorner);
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(small.right, small.bottom));
  QTest::mouseMove(canvas, QPoint(small.left, small.top));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(small.left, small.top));
  ExpectBox(1, small.left, small.top, small.left + kMinNodeSide, small.top + kMinNodeSide);
  QTest::keyClick(&view, Qt::Key_Escape);
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(small.left + 5, small.top + 5));
  EXPECT_EQ(ThePathway().currentNode, 1);
  CheckPicture(view, "pathway_view_3b_smallest.png");

  // Delete: node 1 and both of its arrows go; 0 -> 2 stays as 0 -> 1.
  const PATHWAY_NODE deleted = Node(1);
  QTest::keyClick(&view, Qt::Key_Delete);
  ASSERT_EQ(ThePathway().nodeCount, 2);
  ASSERT_EQ(ThePathway().arrowCount, 1);
  EXPECT_EQ(ThePathway().arrows[0].endNode, 1);
  image = CheckPicture(view, "pathway_view_4_deleted.png");
  EXPECT_FALSE(Dark(image, deleted.left + 2, deleted.top));

  // A press on empty page keeps the current node; Esc drops it.
  QTest::mouseClick(canvas, Qt::LeftButton, {}, Centre(0));
  EXPECT_EQ(ThePathway().currentNode, 0);
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(5, 400));
  EXPECT_EQ(ThePathway().currentNode, 0);
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(ThePathway().currentNode, -1);
  QTest::keyClick(&view, Qt::Key_Delete);  // nothing current: nothing deleted
  EXPECT_EQ(ThePathway().nodeCount, 2);

  // Dragged off the page's top-left corner, node 0 comes back whole at its edge.
  const PATHWAY_NODE first = Node(0);
  QTest::mouseMove(canvas, Centre(0));
  QTest::mousePress(canvas, Qt::LeftButton, {}, Centre(0));
  QTest::mouseMove(canvas, Centre(0) - QPoint(first.left + 70, first.top + 20));
  QTest::mouseRelease(canvas, Qt::LeftButton, {},
                      Centre(0) - QPoint(first.left + 70, first.top + 20));
  ExpectBox(0, 0, 0, first.right - first.left, first.bottom - first.top);
  CheckPicture(view, "pathway_view_5_at_edge.png");

  // Node 0 is current: its frame, a pixel outside the box, comes and goes with the timer.
  bool seen[2] = {false, false};
  for (int wait = 0; wait < 30 && !(seen[0] && seen[1]); ++wait) {
    QTest::qWait(100);
    const bool framed = Dark(canvas->grab().toImage(), Node(0).right, Node(0).bottom);
    EXPECT_EQ(framed, view.BlinkShown());
    seen[framed ? 1 : 0] = true;
  }
  EXPECT_TRUE(seen[0] && seen[1]);
}

TEST_F(PathwayViewTest, CommandsFollowTheNodes) {
  PathwayView& view = ShowPathwayView();
  CMainFrame& frame = *mFrame;
  EXPECT_TRUE(frame.CommandUi(ids::kPathwayOpen).enabled);
  EXPECT_FALSE(frame.CommandUi(ids::kPathwaySave).enabled);
  EXPECT_FALSE(frame.CommandUi(ids::kPathwayDeleteNode).enabled);
  ASSERT_TRUE(AddNode());
  EXPECT_TRUE(frame.CommandUi(ids::kPathwaySave).enabled);
  EXPECT_FALSE(frame.OnCommand(ids::kPathwayEditArrow));
  QTest::keyClick(&view, Qt::Key_A);
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kDialog), 0);
  QTest::keyClick(&view, Qt::Key_N);
  ASSERT_EQ(prompts.CountOf(RecordedPrompt::Kind::kDialog), 1);
  EXPECT_EQ(prompts.prompts.back().caption, "Edit Node");

  ASSERT_TRUE(AddNode());
  EXPECT_TRUE(frame.CommandUi(ids::kPathwayEditArrow).enabled);
  QTest::keyClick(&view, Qt::Key_A);
  ASSERT_EQ(prompts.CountOf(RecordedPrompt::Kind::kDialog), 2);
  EXPECT_EQ(prompts.prompts.back().caption, "Edit Arrow");

  // The delete command is the Delete key's work.
  EXPECT_TRUE(frame.OnCommand(ids::kPathwayDeleteNode));
  EXPECT_EQ(ThePathway().nodeCount, 1);
  EXPECT_FALSE(frame.OnCommand(ids::kPathwayDeleteNode));
}

// Save and Open through their commands; the file read replaces a pathway whose current
// node and corner grab would lie past the new node count.
TEST_F(PathwayViewTest, OpenForgetsWhatPointedIntoTheOldPathway) {
  ThreeNodes();
  PathwayView& view = ShowPathwayView();
  CMainFrame& frame = *mFrame;
  const std::string saved = File("saved pathway.txt");
  SetNodeName(1, "Tp53");
  const PATHWAY before = ThePathway();
  prompts.fileAnswers.push_back(saved);
  Pick(frame, ids::kPathwaySave);
  EXPECT_EQ(TheGroup().Settings().PATHWAY_FILE, saved);

  const std::string small = File("small.txt");
  std::ofstream(small) << "NUM_NODE=1\nNODE0_NAME=Unknown1\nNODE0_POS=60\t60\t200\t120\t\n"
                          "NUM_ARROW=0\n";
  // Node 1 current, with the mouse over its corner (offscreen, the screen ends at 800).
  QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, Centre(1));
  const QPoint corner(Node(1).right, Node(1).bottom);
  QTest::mouseMove(view.Canvas(), corner);
  ASSERT_EQ(view.Drag(), PathwayDrag::kOverCorner);
  prompts.fileAnswers.push_back(small);
  Pick(frame, ids::kPathwayOpen);
  EXPECT_EQ(prompts.prompts.back().request.startFile, saved);
  ASSERT_EQ(ThePathway().nodeCount, 1);
  EXPECT_EQ(ValidCurrentNode(ThePathway()), -1);
  EXPECT_EQ(view.Drag(), PathwayDrag::kNone);
  QTest::mousePress(view.Canvas(), Qt::LeftButton, {}, corner);
  QTest::mouseMove(view.Canvas(), corner + QPoint(20, 20));
  QTest::mouseRelease(view.Canvas(), Qt::LeftButton, {}, corner + QPoint(20, 20));
  QTest::keyClick(&view, Qt::Key_Delete);
  ASSERT_EQ(ThePathway().nodeCount, 1);
  EXPECT_EQ(Node(0).right, 200);
  CheckPicture(view, "pathway_view_6_opened.png");

  // The saved file brings the three nodes back, on a page wide enough for them.
  prompts.fileAnswers.push_back(saved);
  Pick(frame, ids::kPathwayOpen);
  ASSERT_EQ(ThePathway().nodeCount, 3);
  ASSERT_EQ(ThePathway().arrowCount, 3);
  for (int i = 0; i < 3; ++i) {
    const PATHWAY_NODE& was = before.nodes[static_cast<std::size_t>(i)];
    ExpectBox(i, was.left, was.top, was.right, was.bottom);
    EXPECT_EQ(std::pair(Node(i).name, Node(i).placeholder), std::pair(was.name, was.placeholder));
    const PATHWAY_ARROW& a = ThePathway().arrows[static_cast<std::size_t>(i)];
    const PATHWAY_ARROW& b = before.arrows[static_cast<std::size_t>(i)];
    EXPECT_EQ(std::tuple(a.startNode, a.endNode, a.effectTime, a.interaction),
              std::tuple(b.startNode, b.endNode, b.effectTime, b.interaction));
  }
  EXPECT_GE(view.Canvas()->width(), Node(2).right);
  CheckPicture(view, "pathway_view_7_reopened.png");
}

TEST_F(PathwayViewTest, PathwayCommandStartsOrReadsTheGroupsFile) {
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kPathway)->isEnabled()) << "not modelled";
  TheGroup().Modelled = true;
  GroupSettings& settings = TheGroup().Settings();
  settings.PATHWAY_FILE.clear();
  ASSERT_TRUE(AddNode());
  Pick(frame, ids::kPathway);
  EXPECT_EQ(ThePathway().nodeCount, 0);
  EXPECT_EQ(settings.PATHWAY_FILE,
            platform::JoinPath(settings.WORKING_DIR, TheGroup().Name() + " pathway.txt"));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PATHWAY);
  EXPECT_TRUE(frame.HasViewItem(VIEW_PATHWAY));

  std::ofstream(settings.PATHWAY_FILE)
      << "NUM_NODE=2\nNODE0_NAME=Unknown1\nNODE0_POS=50\t50\t250\t110\t\n"
         "NODE1_NAME=Unknown2\nNODE1_POS=250\t360\t50\t300\t\nNUM_ARROW=1\nARROW0=0\t1\t4\t1\n";
  frame.ShowView(VIEW_ANALYSIS);
  Pick(frame, ids::kPathway);
  ASSERT_EQ(ThePathway().nodeCount, 2);
  EXPECT_EQ(ThePathway().arrows[0].effectTime, 4);
  EXPECT_EQ(TopLevelLabels(frame.LeftView()), (std::vector<std::string>{"Analysis", "Pathway"}));
  auto* view = dynamic_cast<PathwayView*>(frame.PaneView());
  ASSERT_NE(view, nullptr);
  // Node 1's corners come swapped from the file: drawn and found all the same.
  CheckPicture(*view, "pathway_view_8_inhibition.png");
  QTest::mouseClick(view->Canvas(), Qt::LeftButton, {}, QPoint(150, 330));
  EXPECT_EQ(ThePathway().currentNode, 1);
  ExpectBox(1, 50, 300, 250, 360);
}

// Edit Node's buttons, clicked in the dialog as the view opens it.
TEST_F(PathwayViewTest, EditNodeButtons) {
  GeneInfo.genes.resize(4);
  GeneInfo.genes[0].Name = "Cdk2";
  GeneInfo.genes[2].Name = "Tp53";  // gene 1 has no name and is left out
  GeneInfo.genes[3].Name = "Myc";
  PathwayView& view = ShowPathwayView();
  int step = 0;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    auto* names = Control<QComboBox>(dialog, EditNodeDialog::kGeneName);
    EXPECT_EQ(names->count(), 4);
    EXPECT_EQ(names->currentText(), "Unknown");
    auto click = [&](int id) {
      QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton);
    };
    click(EditNodeDialog::kSelect);  // no nodes: nothing
    EXPECT_EQ(ThePathway().currentNode, -1);
    for (int i = 0; i < 3; ++i) click(EditNodeDialog::kInsert);
    EXPECT_EQ(ThePathway().currentNode, 2);
    click(EditNodeDialog::kSelect);  // wraps to the first
    EXPECT_EQ(ThePathway().currentNode, 0);
    names->setCurrentIndex(names->findText(QStringLiteral("Tp53")));
    click(EditNodeDialog::kAssign);
    EXPECT_EQ(Node(0).name, "Tp53");
    click(EditNodeDialog::kSelect);
    click(EditNodeDialog::kDelete);
    EXPECT_EQ(ThePathway().nodeCount, 2);
    EXPECT_EQ(Node(1).name, "Unknown1");
    CheckScreenshot(dialog, "edit_node_dialog.png", QStringLiteral("&Assign gene"));
    ++step;
    return QDialog::Rejected;
  };
  QTest::keyClick(&view, Qt::Key_N);
  EXPECT_EQ(step, 1);
  CheckPicture(view, "pathway_view_9_named.png");
}

TEST_F(PathwayViewTest, EditArrowButtons) {
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(AddNode());
  ThePathway().currentNode = 1;
  // Two nodes of one name: the one picked is the one at its place in the list.
  SetNodeName(0, "Myc");
  SetNodeName(2, "Myc");
  PathwayView& view = ShowPathwayView();
  int changes = 0;
  EditArrowDialog dialog(&view, [&changes] { ++changes; });
  auto* start = Control<QComboBox>(dialog, EditArrowDialog::kStart);
  auto* end = Control<QComboBox>(dialog, EditArrowDialog::kEnd);
  auto* kind = Control<QComboBox>(dialog, EditArrowDialog::kInteraction);
  auto* lag = Control<QLineEdit>(dialog, EditArrowDialog::kEffectTime);
  EXPECT_EQ(start->currentIndex(), 1);
  EXPECT_EQ(end->currentIndex(), 0);
  auto click = [&](int id) { QTest::mouseClick(Control<QPushButton>(dialog, id), Qt::LeftButton); };

  click(EditArrowDialog::kInsert);  // Unknown1 -> the first Myc
  ASSERT_EQ(ThePathway().arrowCount, 1);
  EXPECT_EQ(ThePathway().arrows[0].endNode, 0);
  start->setCurrentIndex(2);  // the second Myc -> the first: two nodes of one name
  click(EditArrowDialog::kInsert);
  ASSERT_EQ(ThePathway().arrowCount, 2);
  EXPECT_EQ(std::pair(ThePathway().arrows[1].startNode, ThePathway().arrows[1].endNode),
            std::pair(2, 0));
  ASSERT_TRUE(EditArrow(2, 0, 1, false, kActivation));
  start->setCurrentIndex(0);  // Myc -> Myc: the same node
  kind->setCurrentIndex(kInhibition);
  lag->setText(QStringLiteral("1000"));
  const std::size_t asked = prompts.prompts.size();
  click(EditArrowDialog::kInsert);
  ASSERT_EQ(prompts.prompts.size(), asked + 1);
  EXPECT_EQ(prompts.prompts.back().text, kSameNodeMessage);
  start->setCurrentIndex(1);
  end->setCurrentIndex(2);
  lag->setText(QStringLiteral("1001"));
  click(EditArrowDialog::kInsert);  // beyond the lags a pathway holds
  EXPECT_EQ(ThePathway().arrowCount, 1);
  EXPECT_EQ(changes, 2);

  lag->setText(QStringLiteral("0"));
  click(EditArrowDialog::kDelete);  // no arrow joins Unknown1 and the second Myc
  EXPECT_EQ(ThePathway().arrowCount, 1);
  end->setCurrentIndex(0);
  click(EditArrowDialog::kDelete);
  EXPECT_EQ(ThePathway().arrowCount, 0);
  click(EditArrowDialog::kDelete);  // none left: refused, no repaint
  EXPECT_EQ(changes, 3);
  CheckScreenshot(dialog, "edit_arrow_dialog.png", QStringLiteral("&Insert"));
}

}  // namespace
