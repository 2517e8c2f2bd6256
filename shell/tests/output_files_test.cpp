// Registering output files: clipboard, announcement, tree items and the limit.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "shell/services/output_files.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using OutputFilesTest = ShellTest;

QString Clipboard() {
  return QGuiApplication::clipboard()->text();
}

TEST_F(OutputFilesTest, SamePathTwiceIsOneItemAndOnTheClipboardEachTime) {
  CMainFrame& frame = OpenFrame();
  const std::string path = File("demo filtered gene.xls");
  RegisterOutputFile(path, false);
  QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
  RegisterOutputFile(path, false);
  EXPECT_EQ(Clipboard().toStdString(), path);
  EXPECT_EQ(OutputFiles().Count(), 1);
  QTreeWidgetItem* analysis = frame.LeftView().ViewItem(VIEW_ANALYSIS);
  ASSERT_EQ(analysis->childCount(), 1);
  EXPECT_EQ(analysis->child(0)->text(0), QStringLiteral("demo filtered gene"));
  EXPECT_EQ(analysis->child(0)->data(0, kTreeImageRole).toInt(), tree_image::kOutputTable);
  EXPECT_TRUE(analysis->isExpanded());
  EXPECT_EQ(prompts.prompts.size(), 0u) << "tables are not announced";
}

TEST_F(OutputFilesTest, ImagesAreAnnouncedAndGetTheImageIcon) {
  CMainFrame& frame = OpenFrame();
  RegisterOutputFile("C:\\out\\plot.JPG", false);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "Image file 'C:\\out\\plot.JPG' saved");
  EXPECT_EQ(prompts.prompts[0].caption, "Export image");
  QTreeWidgetItem* item = frame.LeftView().ViewItem(VIEW_ANALYSIS)->child(0);
  EXPECT_EQ(item->text(0), QStringLiteral("plot"));
  EXPECT_EQ(item->data(0, kTreeImageRole).toInt(), tree_image::kOutputImage);
}

TEST_F(OutputFilesTest, ImageAndLabelRules) {
  EXPECT_TRUE(IsImageFile("/w/a.bmp"));
  EXPECT_TRUE(IsImageFile("/w/a.EMF"));
  EXPECT_TRUE(IsImageFile("/w/a.jpg.txt")) << "anywhere in the path";
  EXPECT_FALSE(IsImageFile("/w/a.Jpg"));
  EXPECT_FALSE(IsImageFile("/w/a.xls"));
  EXPECT_EQ(OutputFileLabel("C:\\out\\a.b\\result"), "result");
  EXPECT_EQ(OutputFileLabel("/out/a.b/result"), "result");
  EXPECT_EQ(OutputFileLabel("/out/x\\table.v2.xls"), "table.v2");
  EXPECT_EQ(OutputFileLabel("plain"), "plain");
}

TEST_F(OutputFilesTest, ClickingAFileItemOpensItAndKeepsTheViewSelected) {
  CMainFrame& frame = OpenFrame();
  CLeftView& tree = frame.LeftView();
  QTreeWidgetItem* plots = tree.InsertViewItem(VIEW_PLOTS, QStringLiteral("Plots"), 19);
  tree.setCurrentItem(plots);
  const std::string path = File("table.xls");
  RegisterOutputFile(path, false);
  tree.setCurrentItem(tree.ViewItem(VIEW_ANALYSIS)->child(0));
  EXPECT_EQ(opener.opened, std::vector<std::string>{path});
  EXPECT_EQ(tree.currentItem(), plots);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
}

TEST_F(OutputFilesTest, TheThousandthFileIsTheLast) {
  CMainFrame& frame = OpenFrame();
  for (int i = 0; i < kMaxOutputFiles; ++i)
    RegisterOutputFile(Folder() + "/table " + std::to_string(i) + ".xls", false);
  EXPECT_EQ(OutputFiles().Count(), kMaxOutputFiles);
  EXPECT_NE(LogLines().back(), kOutputFileLimitMessage);

  RegisterOutputFile(Folder() + "/one more.xls", false);
  EXPECT_EQ(OutputFiles().Count(), kMaxOutputFiles);
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_ANALYSIS)->childCount(), kMaxOutputFiles);
  const auto lines = LogLines();
  EXPECT_EQ(lines.back(), kOutputFileLimitMessage);
  EXPECT_EQ(LineColour(static_cast<int>(lines.size()) - 1), QColor(255, 0, 0));
  EXPECT_EQ(Clipboard().toStdString(), Folder() + "/one more.xls") << "the file is still written";
}

}  // namespace
