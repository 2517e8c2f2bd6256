// The window's side of the engine's services: one prompt service for the engine's
// questions and the shell's dialogs, the toolkit's message box with the buttons and icon
// asked for, files the engine registers as tree items a click opens, and view requests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "engine/services/output_file_registry.hpp"
#include "engine/services/user_prompt.hpp"
#include "engine/services/view_requests.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using ShellServicesTest = ShellTest;

TEST_F(ShellServicesTest, EngineQuestionsAndShellDialogsGoToTheOneScriptedService) {
  EXPECT_EQ(&Prompt(), static_cast<UserPrompt*>(&prompts));
  EXPECT_EQ(&Prompts(), static_cast<PromptService*>(&prompts));
  prompts.messageAnswers = {kAnswerNo};
  EXPECT_EQ(AfxMessageBox("Replace the list?", MessageButtons::kYesNo, MessageIcon::kQuestion),
            kAnswerNo);
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("c200"));
  EXPECT_EQ(Prompts().RunDialog(dialog), QDialog::Rejected);

  ASSERT_EQ(prompts.prompts.size(), 2u);
  EXPECT_EQ(prompts.prompts[0].kind, RecordedPrompt::Kind::kMessage);
  EXPECT_EQ(prompts.prompts[0].caption, "Zelko");
  EXPECT_EQ(prompts.prompts[0].icon, MessageIcon::kQuestion);
  EXPECT_EQ(prompts.prompts[1].kind, RecordedPrompt::Kind::kDialog);
  EXPECT_EQ(prompts.prompts[1].text, "c200");
}

// Clicks the button of the message box once it is up, looking for it every 10 ms for two
// seconds.
void ClickWhenShown(QMessageBox::StandardButton button, QMessageBox::Icon& icon,
                    QMessageBox::StandardButtons& buttons, int triesLeft = 200) {
  QTimer::singleShot(10, [=, &icon, &buttons] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      if (triesLeft > 0) ClickWhenShown(button, icon, buttons, triesLeft - 1);
      return;
    }
    icon = box->icon();
    buttons = box->standardButtons();
    QTest::mouseClick(box->button(button), Qt::LeftButton);
  });
}

TEST(WindowPrompts, MessageBoxesShowTheButtonsAndIconAskedForAndGiveTheClickedAnswer) {
  struct Case {
    MessageButtons buttons;
    MessageIcon icon;
    QMessageBox::StandardButton click;
    QMessageBox::StandardButtons shown;
    QMessageBox::Icon shownIcon;
    int answer;
  };
  const Case cases[] = {
      {MessageButtons::kYesNoCancel, MessageIcon::kQuestion, QMessageBox::No,
       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question, kAnswerNo},
      {MessageButtons::kOkCancel, MessageIcon::kWarning, QMessageBox::Cancel,
       QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Warning, kAnswerCancel},
      {MessageButtons::kOk, MessageIcon::kStop, QMessageBox::Ok, QMessageBox::Ok,
       QMessageBox::Critical, kAnswerOk},
      {MessageButtons::kYesNo, MessageIcon::kNone, QMessageBox::Yes,
       QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon, kAnswerYes},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.answer);
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons;
    ClickWhenShown(test.click, icon, buttons);
    EXPECT_EQ(WindowPrompts().MessageBox("Go on?", "Zelko", test.buttons, test.icon), test.answer);
    EXPECT_EQ(icon, test.shownIcon);
    EXPECT_EQ(buttons, test.shown);
  }
}

TEST_F(ShellServicesTest, AFileTheEngineRegistersIsATreeItemThatAClickOpens) {
  CMainFrame& frame = OpenFrame();
  const std::string path = File("demo compare result.xls");
  RegisterOutputFile(path, false);
  QTreeWidgetItem* item = frame.LeftView().ViewItem(VIEW_ANALYSIS)->child(0);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(0), QStringLiteral("demo compare result"));
  EXPECT_TRUE(opener.opened.empty());

  CLeftView& tree = frame.LeftView();
  tree.scrollToItem(item);
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
  EXPECT_EQ(opener.opened, std::vector<std::string>{path});
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
}

TEST_F(ShellServicesTest, ViewRequestsSwitchTheRightPane) {
  CMainFrame& frame = OpenFrame();
  Views().ShowView(RightPaneView::kClustering);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CLUSTER);
  EXPECT_EQ(frame.PaneView(), frame.RightViews(VIEW_CLUSTER));
  // With no arrays the plots view prepares no review; its pane is shown all the same.
  EXPECT_FALSE(Views().ShowNormalizationReview());
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_PLOTS);
  Views().ShowView(RightPaneView::kAnalysisLog);
  EXPECT_EQ(frame.PaneView(), &frame.AnalysisView());
}

}  // namespace
