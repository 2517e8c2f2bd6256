// The navigation tree under real mouse clicks: a written file opens from its item while
// the highlight stays on the view on screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include "shell/services/output_files.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/frame/tree_images.hpp"

namespace {

using NavigationTreeTest = ShellTest;

void ClickItem(CLeftView& tree, QTreeWidgetItem* item) {
  const QRect rect = tree.visualItemRect(item);
  ASSERT_FALSE(rect.isEmpty());
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
}

TEST_F(NavigationTreeTest, ClickedFileOpensAndTheHighlightStaysOnTheView) {
  CMainFrame& frame = OpenFrame();
  CLeftView& tree = frame.LeftView();
  QTreeWidgetItem* plots = tree.InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), 19);
  ClickItem(tree, plots);
  ASSERT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  const std::string path = File("demo table.xls");
  RegisterOutputFile(path, false);
  QTreeWidgetItem* file = tree.ViewItem(VIEW_ANALYSIS)->child(0);
  ASSERT_NE(file, nullptr);

  ClickItem(tree, file);
  EXPECT_EQ(opener.opened, std::vector<std::string>{path});
  EXPECT_EQ(tree.currentItem(), plots);
  EXPECT_EQ(tree.selectedItems(), QList<QTreeWidgetItem*>{plots});
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);

  // While an analysis runs a click changes nothing and opens nothing.
  AnalysisRunning = 1;
  ClickItem(tree, file);
  AnalysisRunning = 0;
  EXPECT_EQ(opener.opened.size(), 1u);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  EXPECT_EQ(tree.selectedItems(), QList<QTreeWidgetItem*>{plots});

  // Clicks on view items still move the right pane.
  ClickItem(tree, tree.ViewItem(VIEW_ANALYSIS));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  ClickItem(tree, file);
  EXPECT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(tree.selectedItems(), QList<QTreeWidgetItem*>{tree.ViewItem(VIEW_ANALYSIS)});
}

TEST_F(NavigationTreeTest, EveryItemShowsItsWholeTextAsTooltip) {
  CMainFrame& frame = OpenFrame();
  CLeftView& tree = frame.LeftView();
  const QString longName = QStringLiteral("Clustering of the liver samples against the baseline");
  tree.InsertViewItem(VIEW_CLUSTER, longName, tree_image::kClustering);
  tree.AddClusteringItem(QStringLiteral("Branch of 120 genes with a very long description"),
                         tree_image::kClustering);
  RegisterOutputFile(File("a table whose name is far wider than the pane.xls"), false);
  tree.expandAll();
  std::vector<QTreeWidgetItem*> items;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) {
    items.push_back(tree.topLevelItem(i));
    for (int c = 0; c < tree.topLevelItem(i)->childCount(); ++c)
      items.push_back(tree.topLevelItem(i)->child(c));
  }
  ASSERT_GE(items.size(), 4u);
  for (QTreeWidgetItem* item : items) {
    EXPECT_FALSE(item->text(0).isEmpty());
    EXPECT_EQ(item->toolTip(0), item->text(0));
  }
  // Hovering the cut label shows the tooltip.
  tree.resize(80, tree.height());
  const QPoint at = tree.visualItemRect(tree.ViewItem(VIEW_CLUSTER)).center();
  QHelpEvent hover(QEvent::ToolTip, at, tree.viewport()->mapToGlobal(at));
  QApplication::sendEvent(tree.viewport(), &hover);
  EXPECT_EQ(QToolTip::text(), longName);
  QToolTip::hideText();
}

}  // namespace
