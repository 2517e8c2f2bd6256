// The navigation tree under real mouse clicks: a written file opens from its item while
// the highlight stays on the view on screen.
#include <gtest/gtest.h>

#include <QTest>

#include "shell/services/output_files.hpp"
#include "shell/tests/shell_test.hpp"

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

}  // namespace
