// File fields, links, the folder browser and the prompt filter.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "shell/dialogs/common/static_link.hpp"
#include "shell/dialogs/links/open_link.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using ShellHelpersTest = ShellTest;

TEST_F(ShellHelpersTest, BrowseFileNameSwitchesAPathOffAndOnAgain) {
  QPushButton button;
  std::string path = "/data/a.xls";
  BrowseFileName(&button, path, true, true, "");
  EXPECT_EQ(path, "None /data/a.xls");
  EXPECT_EQ(button.text(), QStringLiteral("None"));
  EXPECT_TRUE(prompts.prompts.empty());

  // Pressing again opens the dialog at the switched-off path; Cancel changes nothing.
  BrowseFileName(&button, path, true, true, "all genes");
  ASSERT_EQ(prompts.prompts.size(), 1u);
  const FileDialogRequest& request = prompts.prompts[0].request;
  EXPECT_EQ(request.startFile, "/data/a.xls");
  EXPECT_TRUE(request.open);
  EXPECT_EQ(request.filter,
            "Tab-delimited Text Files (*.xls;*.txt)|*.xls;*.txt|All Files (*.*)|*.*||");
  EXPECT_EQ(path, "None /data/a.xls");
  EXPECT_EQ(button.text(), QStringLiteral("None"));

  prompts.fileAnswers.push_back("/data/b.xls");
  BrowseFileName(&button, path, false, true, "all genes");
  EXPECT_FALSE(prompts.prompts.back().request.open);
  EXPECT_EQ(path, "/data/b.xls");
  EXPECT_EQ(button.text(), QStringLiteral("/data/b.xls"));

  BrowseFileName(&button, path, true, true, "all genes");
  EXPECT_EQ(button.text(), QStringLiteral("all genes"));
}

TEST_F(ShellHelpersTest, BrowseFileNameStartsEmptyForAShortUnsetPath) {
  QLineEdit edit;
  std::string path = "None";
  BrowseFileName(&edit, path, true, false, "");
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].request.startFile, "");

  // Without switching off, a set path opens the dialog at itself.
  path = "/data/c.txt";
  BrowseFileName(&edit, path, true, false, "");
  EXPECT_EQ(prompts.prompts.back().request.startFile, "/data/c.txt");
}

TEST_F(ShellHelpersTest, BrowseFileNameRefusesAPathTooLongForTheSettings) {
  QLineEdit edit;
  std::string path = "/data/a.xls";
  prompts.fileAnswers.push_back("/" + std::string(kMaxSettingTextLength, 'x'));
  BrowseFileName(&edit, path, true, false, "");
  EXPECT_EQ(path, "/data/a.xls");
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), 1);
}

TEST_F(ShellHelpersTest, ShowFileNameShowsTheOffTextForUnsetPaths) {
  QPushButton button;
  ShowFileName(&button, "None", "all genes");
  EXPECT_EQ(button.text(), QStringLiteral("all genes"));
  ShowFileName(&button, "None /data/a.xls", "");
  EXPECT_EQ(button.text(), QStringLiteral("None"));
  ShowFileName(&button, "", "");
  EXPECT_EQ(button.text(), QStringLiteral("None"));
  ShowFileName(&button, "/data/list.txt", "all genes");
  EXPECT_EQ(button.text(), QStringLiteral("/data/list.txt"));
}

TEST_F(ShellHelpersTest, OpenLinkWithTheLinkDialogCopiesAndTells) {
  const std::string address = "https://zelko.example.org/manual.html";
  OpenLink(address);
  EXPECT_EQ(opener.opened, std::vector<std::string>{address});
  EXPECT_TRUE(prompts.prompts.empty());

  TheGroup().Settings().LINK_DIALOG = 1;
  QString shown;
  prompts.dialogAnswer = [&shown](QDialog& dialog) {
    if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("c1197"))) shown = edit->text();
    return int(QDialog::Accepted);
  };
  OpenLink(address);
  EXPECT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), address);
  ASSERT_EQ(prompts.prompts.size(), 1u);
  EXPECT_EQ(prompts.prompts[0].text, "c167");
  EXPECT_EQ(prompts.prompts[0].caption, "Go to an online link");
  EXPECT_EQ(shown.toStdString(), address);
}

TEST_F(ShellHelpersTest, StaticLinkOpensAndTurnsVisited) {
  CStaticLink link(QStringLiteral("Help"), "https://zelko.example.org/", nullptr);
  EXPECT_EQ(link.TextColour(), kLinkUnvisitedColour);
  EXPECT_TRUE(link.font().underline());
  QTest::mouseClick(&link, Qt::RightButton);
  EXPECT_TRUE(opener.opened.empty());
  QTest::mouseClick(&link, Qt::LeftButton);
  EXPECT_EQ(opener.opened, std::vector<std::string>{"https://zelko.example.org/"});
  EXPECT_EQ(link.TextColour(), kLinkVisitedColour);
  EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(128, 0, 128));
}

TEST_F(ShellHelpersTest, StatusTextGoesToTheMessagePane) {
  SetStatusText(0, "before the window");  // no window yet: nothing happens
  CMainFrame& frame = OpenFrame();
  SetStatusText(0, "Analysis outputs");
  EXPECT_EQ(frame.StatusPaneText(0), QStringLiteral("Analysis outputs"));
}

TEST_F(ShellHelpersTest, FolderBrowserStartsAtTheStartFolderAndShowsTheSelection) {
  QFileDialog browser(nullptr, QStringLiteral("Data folder"));
  browser.setFileMode(QFileDialog::Directory);
  browser.setOption(QFileDialog::DontUseNativeDialog);
  AddFolderBrowserStatusLine(browser);
  BrowseFolderStart = Folder();
  EXPECT_EQ(BrowseFolderCallback(browser, FolderBrowseEvent::kInitialized, QString()), 0);
  EXPECT_EQ(browser.directory().absolutePath().toStdString(), Folder());
  EXPECT_EQ(BrowseFolderCallback(browser, FolderBrowseEvent::kSelectionChanged,
                                 QStringLiteral("/data/arrays")),
            0);
  EXPECT_EQ(FolderBrowserStatusText(browser), QStringLiteral("/data/arrays"));
  BrowseFolderStart.clear();
}

TEST(PromptService, FiltersAreConvertedForTheToolkit) {
  EXPECT_EQ(
      ToolkitFilter("Tab-delimited Text Files (*.xls;*.txt)|*.xls;*.txt|All Files (*.*)|*.*||"),
      QStringLiteral("Tab-delimited Text Files (*.xls *.txt);;All Files (*)"));
  EXPECT_EQ(ToolkitFilter(""), QString());
}

}  // namespace
