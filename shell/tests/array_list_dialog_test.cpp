// The array list file dialog driven with real clicks and keys on a dialog that is shown
// but never run modally, and Tools/Array List File around it: lines inserted after the
// selected line, the automatic separators, the category selection, sorting, the file
// written on Save & Use or the dialog kept open when it cannot be, and Do not use.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/dialogs/group/array_list_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using Lines = std::vector<std::string>;

const std::string kRep = "--- Replicate---";
const std::string kStd = "--- Standardize---";

class ArrayListDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    for (const char* name : {"liverA1", "liverA2", "liverB1", "brain1", "Liver9"}) {
      TheGroup().NextArraySlot().name = name;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    TheGroup().SetName("grp");
    TheGroup().Settings().WORKING_DIR = Folder();
    TheGroup().Settings().ARRAY_LIST_FILE.clear();
    std::ofstream(File("info.txt"), std::ios::binary) << "Array\tName\tTissue\n"
                                                         "liverA1\t\tliver\n"
                                                         "liverA2\t\tliver\n"
                                                         "liverB1\t\tliver\n"
                                                         "brain1\t\tbrain\n"
                                                         "Liver9\t\tliver\n";
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(File("info.txt")));
    SampleGrouping.SetDefaultGrouping();
  }
  void TearDown() override {
    SampleInfo.Clear();
    SampleGrouping.ClearSelection();
    ArrayListFileChosen = false;
    ShellTest::TearDown();
  }

  static Lines Items(QListWidget* list) {
    Lines lines;
    for (int row = 0; row < list->count(); ++row)
      lines.push_back(list->item(row)->text().toStdString());
    return lines;
  }
  // A click on a line of a list; with Ctrl it joins the selection.
  static void ClickRow(QListWidget* list, int row, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                      list->visualItemRect(list->item(row)).center());
  }
  static void Click(QWidget& dialog, int id) {
    auto* button = Control<QPushButton>(dialog, id);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Replaces the field's text by typing.
  static void Type(QWidget& dialog, int id, const QString& text) {
    auto* edit = Control<QLineEdit>(dialog, id);
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  static Lines FileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The log's lines without the empty ones a closing line break leaves at the end.
  Lines Log() const {
    Lines lines = LogLines();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }
  bool LogHas(const std::string& line) const {
    const Lines lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
};

TEST_F(ArrayListDialogTest, UserBuildsAListWithSeparatorsAndSavesIt) {
  OpenFrame();
  TheGroup().Settings().USE_STD_SEP = 0;
  ArrayListDialog dialog(TheGroup().Settings(), nullptr);
  const std::string proposed = File("grp array list.txt");
  prompts.dialogAnswer = [&](QDialog& shown) {
    if (shown.objectName() == ControlName(SelectSampleDialog::kDialogId)) {
      // Tissue brain.
      auto* categories = Control<QListWidget>(shown, SelectSampleDialog::kCategoryList);
      categories->item(1)->setSelected(true);
      shown.accept();
      return shown.result();
    }
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    auto* all = Control<QListWidget>(shown, ArrayListDialog::kAllArrays);
    auto* used = Control<QListWidget>(shown, ArrayListDialog::kUsedArrays);
    auto* name = Control<QLineEdit>(shown, ArrayListDialog::kFileName);
    EXPECT_EQ(Items(all), (Lines{"liverA1", "liverA2", "liverB1", "brain1", "Liver9"}));
    EXPECT_TRUE(Items(used).empty());
    EXPECT_TRUE(name->text().isEmpty());
    EXPECT_EQ(Control<QLineEdit>(shown, ArrayListDialog::kCompareCharacters)->text(), "5");

    // Nothing selected on the right: the arrays go to the end, in order.
    ClickRow(all, 0);
    ClickRow(all, 4, Qt::ControlModifier);
    Click(shown, ArrayListDialog::kAddArray);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "Liver9"}));
    EXPECT_EQ(name->text().toStdString(), proposed);
    // After the selected line, so several arrays land there in reverse order.
    ClickRow(used, 0);
    ClickRow(all, 1);
    ClickRow(all, 2, Qt::ControlModifier);
    Click(shown, ArrayListDialog::kAddArray);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverB1", "liverA2", "Liver9"}));
    Click(shown, ArrayListDialog::kAddReplicate);
    EXPECT_EQ(Items(used), (Lines{"liverA1", kRep, "liverB1", "liverA2", "Liver9"}));

    // Six characters: liverA, liverB, liverA and Liver9 (case aside) differ in turn.
    Type(shown, ArrayListDialog::kCompareCharacters, "6");
    const Lines replicates{"liverA1", kRep, "liverB1", kRep, "liverA2", kRep, "Liver9"};
    Click(shown, ArrayListDialog::kAutoReplicates);
    EXPECT_EQ(Items(used), replicates);
    Click(shown, ArrayListDialog::kAutoReplicates);
    EXPECT_EQ(Items(used), replicates) << "twice is the same as once";
    // Five characters: "liver" and "Liver" are the same start.
    Type(shown, ArrayListDialog::kCompareCharacters, "5");
    Click(shown, ArrayListDialog::kAutoReplicates);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverB1", "liverA2", "Liver9"}));
    // The standardize separators drop every replicate one; a standardize line differs
    // from the array after it.
    ClickRow(used, 1);
    Click(shown, ArrayListDialog::kAddReplicate);
    Click(shown, ArrayListDialog::kAddStandardize);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverB1", kStd, kRep, "liverA2", "Liver9"}));
    Click(shown, ArrayListDialog::kAutoStandardize);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverB1", kStd, kStd, "liverA2", "Liver9"}));

    // No characters to compare: refused, the list left alone.
    Type(shown, ArrayListDialog::kCompareCharacters, "0");
    Click(shown, ArrayListDialog::kAutoReplicates);
    EXPECT_EQ(prompts.prompts.back().text, kAutomaticSeparatorRefusedMessage);
    EXPECT_EQ(Items(used).size(), 6u);

    ClickRow(used, 2);
    ClickRow(used, 3, Qt::ControlModifier);
    Click(shown, ArrayListDialog::kDelete);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverB1", "liverA2", "Liver9"}));

    // By category: the brain array is selected and added after the selected line.
    ClickRow(used, 3);
    Click(shown, ArrayListDialog::kSelectByCategory);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverB1", "liverA2", "Liver9", "brain1"}));
    EXPECT_TRUE(all->item(3)->isSelected());
    // Sorted without regard to case; the rows no longer follow the arrays' numbers.
    Click(shown, ArrayListDialog::kSort);
    EXPECT_EQ(Items(all), (Lines{"brain1", "Liver9", "liverA1", "liverA2", "liverB1"}));
    EXPECT_FALSE(Control<QPushButton>(shown, ArrayListDialog::kSelectByCategory)->isEnabled());

    auto* separators = Control<QCheckBox>(shown, ArrayListDialog::kUseStandardizeSeparators);
    QTest::mouseClick(separators, Qt::LeftButton, Qt::NoModifier,
                      QPoint(6, separators->height() / 2));
    Click(shown, ArrayListDialog::kSaveAndUse);
    return shown.result();
  };
  EXPECT_EQ(Prompts().RunDialog(dialog), QDialog::Accepted);
  EXPECT_EQ(TheGroup().Settings().ARRAY_LIST_FILE, proposed);
  EXPECT_EQ(TheGroup().Settings().USE_STD_SEP, 1);
  EXPECT_EQ(FileLines(proposed), (Lines{"liverA1", "liverB1", "liverA2", "Liver9", "brain1"}));
  EXPECT_TRUE(LogHas("  Writing array list file " + proposed + "..."));
}

TEST_F(ArrayListDialogTest, AFailedSaveKeepsTheDialogOpenAndDoNotUseDropsTheList) {
  OpenFrame();
  GroupSettings& settings = TheGroup().Settings();
  settings.ARRAY_LIST_FILE = File("old list.txt");
  std::ofstream(settings.ARRAY_LIST_FILE, std::ios::binary)
      << "liverA1\nliverA2\n" + kRep + "\n\nbrain1\n";
  std::ofstream(File("other.txt"), std::ios::binary) << "Liver9\r\nbrain1\r\n";
  prompts.fileAnswers.push_back(File("no such list.txt"));
  prompts.fileAnswers.push_back(File("other.txt"));
  ArrayListDialog dialog(settings, nullptr);
  prompts.dialogAnswer = [&](QDialog& shown) {
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    auto* used = Control<QListWidget>(shown, ArrayListDialog::kUsedArrays);
    EXPECT_EQ(Items(used), (Lines{"liverA1", "liverA2", kRep})) << "up to the empty line";
    EXPECT_EQ(Control<QLineEdit>(shown, ArrayListDialog::kFileName)->text().toStdString(),
              settings.ARRAY_LIST_FILE);

    // A file that does not open is logged and changes nothing.
    Click(shown, ArrayListDialog::kOpen);
    EXPECT_EQ(Items(used).size(), 3u);
    Click(shown, ArrayListDialog::kOpen);
    EXPECT_EQ(Items(used), (Lines{"Liver9", "brain1"}));

    const std::string unwritable = File("no folder/list.txt");
    Type(shown, ArrayListDialog::kFileName, QString::fromStdString(unwritable));
    Click(shown, ArrayListDialog::kSaveAndUse);
    EXPECT_EQ(prompts.prompts.back().text,
              "Writing array list file " + unwritable + " failed (No such file or directory)");
    EXPECT_TRUE(shown.isVisible());
    EXPECT_EQ(settings.ARRAY_LIST_FILE, File("old list.txt")) << "not named before it is written";

    Click(shown, ArrayListDialog::kDoNotUse);
    return shown.result();
  };
  EXPECT_EQ(Prompts().RunDialog(dialog), QDialog::Accepted);
  EXPECT_TRUE(LogHas("  Reading file '" + File("no such list.txt") +
                     "' failed (No such file or directory)"));
  EXPECT_TRUE(settings.ARRAY_LIST_FILE.empty());
  EXPECT_TRUE(
      LogHas("  No arrays selected or no file name specified; use all arrays with no replicates"));
  EXPECT_EQ(FileLines(File("old list.txt")).size(), 5u) << "the old file is left as it was";
}

TEST_F(ArrayListDialogTest, ToolsArrayListFileRebuildsTheSamplesFromTheChosenList) {
  CMainFrame& frame = OpenFrame();
  ASSERT_TRUE(frame.CommandUi(ids::kArrayListFile).enabled);
  // Cancelled: the block still closes.
  prompts.dialogAnswer = [](QDialog& shown) {
    shown.reject();
    return shown.result();
  };
  const std::size_t before = LogLines().size();
  frame.OnCommand(ids::kArrayListFile);
  const Lines lines = Log();
  EXPECT_EQ(Lines(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
            (Lines{"{Use array list file", "", "Finished}"}));
  EXPECT_FALSE(ArrayListFileChosen);

  prompts.dialogAnswer = [this](QDialog& shown) {
    shown.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    auto* all = Control<QListWidget>(shown, ArrayListDialog::kAllArrays);
    for (int row = 0; row < all->count(); ++row)
      ClickRow(all, row, row == 0 ? Qt::NoModifier : Qt::ControlModifier);
    Click(shown, ArrayListDialog::kAddArray);
    Type(shown, ArrayListDialog::kCompareCharacters, "6");
    Click(shown, ArrayListDialog::kAutoReplicates);
    CheckScreenshot(shown, "array_list_dialog.png", QStringLiteral("Add array"));
    shown.show();
    // Enter saves once the focus is off the push buttons.
    Control<QListWidget>(shown, ArrayListDialog::kUsedArrays)->setFocus();
    QTest::keyClick(&shown, Qt::Key_Return);
    return shown.result();
  };
  frame.OnCommand(ids::kArrayListFile);
  // liverA1 liverA2 | liverB1 | brain1 | Liver9.
  EXPECT_EQ(SampleGrouping.ArrayCount(), 5);
  EXPECT_EQ(SampleGrouping.SampleCount(), 4);
  EXPECT_EQ(SampleGrouping.SampleName(0), "liverA1 *");
  EXPECT_TRUE(ArrayListFileChosen);
  EXPECT_EQ(TheGroup().Settings().ARRAY_LIST_FILE, File("grp array list.txt"));
  EXPECT_EQ(Log().back(), "Finished}");
  EXPECT_FALSE(LogHas(
      "  Redo 'Analysis/Clustering' or 'Analysis/Chromosome' if you changed the array list file"))
      << "no view was made over the old samples";
}

}  // namespace
