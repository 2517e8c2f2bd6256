// Image/Export CEL and Tools/Export Probe Set driven through the window with clicks and
// keys on their dialogs: the files written where the choices say, their contents read
// back to the group's planes, and the log blocks of an export, a cancel, a missing
// current array and a stop.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <fstream>
#include <sstream>

#include "engine/array/chip_data.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/services/running_scope.hpp"
#include "shell/dialogs/array/export_cel_dialog.hpp"
#include "shell/dialogs/array/export_probe_dialog.hpp"
#include "shell/tests/group_commands_test.hpp"

namespace {

using ProbeLevelExportCommandsTest = GroupCommandsTest;

// Near the left edge: a check box or radio takes clicks on its box and text only.
void Click(QWidget* control) {
  ASSERT_NE(control, nullptr);
  QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(6, control->height() / 2));
}

void ClickOk(QDialog& dialog) {
  auto* box = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(box, nullptr);
  QPushButton* ok = box->button(QDialogButtonBox::Ok);
  QTest::mouseClick(ok, Qt::LeftButton);
}

void Show(QDialog& dialog) {
  dialog.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

TEST_F(ProbeLevelExportCommandsTest, ExportsWrittenThroughTheDialogsReadBackToThePlanes) {
  CMainFrame& frame = OpenFrame();
  OpenLiver(frame);
  Group& group = TheGroup();
  group.Settings().CUR_ARRAY = -1;

  // All arrays, with the word "copy" typed into the names and the probe-set columns.
  prompts.dialogAnswer = [](QDialog& dialog) {
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export CEL file"));
    Click(Control<QRadioButton>(dialog, ExportCelDialog::kAllArrays));
    Click(Control<QCheckBox>(dialog, ExportCelDialog::kInsertWord));
    auto* word = Control<QLineEdit>(dialog, ExportCelDialog::kWord);
    EXPECT_EQ(word->text(), QStringLiteral("new"));
    word->setFocus();
    QTest::keyClick(word, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(word, QStringLiteral("copy"));
    Click(Control<QCheckBox>(dialog, ExportCelDialog::kProbeSetColumns));
    ClickOk(dialog);
    return dialog.result();
  };
  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportCel));
  std::vector<std::string> expected = {"{Save CEL file"};
  for (int a = 0; a < 3; ++a)
    expected.push_back("      Unnormalized cel file " +
                       platform::JoinPath(Folder(), group.Array(a).name + " copy.cel") + " saved");
  expected.insert(expected.end(), {"Finished}", ""});
  EXPECT_EQ(LinesFrom(before), expected);
  EXPECT_EQ(ExportCelDialog::CelExportWord(), "copy");
  EXPECT_TRUE(group.RunOptions().celExportProbeSetColumns);
  for (int a = 0; a < 3; ++a) {
    // The reader stops at once when no analysis runs.
    const RaisedAnalysisRunning running;
    CHIP_DATA back;
    ASSERT_TRUE(
        back.ReadTextCel(platform::JoinPath(Folder(), group.Array(a).name + " copy.cel").c_str()));
    EXPECT_EQ(back.plane1, group.Array(a).intensities) << a;
  }

  // The current array with none chosen; then a cancel.
  const auto acceptWithEnter = [](QDialog& dialog) {
    Show(dialog);
    EXPECT_TRUE(Control<QRadioButton>(dialog, ExportCelDialog::kCurrentArray)->isChecked());
    Control<QLineEdit>(dialog, ExportCelDialog::kWord)->setFocus();
    QTest::keyClick(&dialog, Qt::Key_Return);
    return dialog.result();
  };
  prompts.dialogAnswer = acceptWithEnter;
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportCel));
  EXPECT_EQ(
      LinesFrom(before),
      (std::vector<std::string>{"{Save CEL file", "  No current array selected", "Finished}", ""}));
  prompts.dialogAnswer = [](QDialog& dialog) {
    Show(dialog);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    return dialog.result();
  };
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportCel));
  EXPECT_EQ(LinesFrom(before), (std::vector<std::string>{"{Save CEL file", "Finished}", ""}));

  // A stop during the write keeps the file that was there and ends the block.
  group.Settings().CUR_ARRAY = 0;
  const std::string kept = platform::JoinPath(Folder(), group.Array(0).name + ".cel");
  std::ofstream(kept) << "old\n";
  int pumps = 0;
  const std::function<void()> pump = SetPumpHook([&pumps] {
    if (++pumps == 3) AnalysisRunning = 0;
    QCoreApplication::processEvents();
  });
  prompts.dialogAnswer = acceptWithEnter;
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportCel));
  SetPumpHook(pump);
  EXPECT_EQ(
      LinesFrom(before),
      (std::vector<std::string>{"{Save CEL file", "  User stop command issued", "Finished}", ""}));
  EXPECT_EQ(FileLines(kept), std::vector<std::string>{"old"});

  // The current probe set's values with their cell positions; PSI switched on and off
  // again on the way.
  const int unit = 2;
  group.Settings().CUR_UNIT = unit;
  const std::string name(Layout.units[unit].Name());
  prompts.dialogAnswer = [&name](QDialog& dialog) {
    Show(dialog);
    auto* current = Control<QRadioButton>(dialog, ExportProbeDialog::kCurrentProbeSet);
    EXPECT_TRUE(current->isChecked());
    EXPECT_EQ(current->text().toStdString(), "Current probe set: " + name);
    auto* psi = Control<QCheckBox>(dialog, ExportProbeDialog::kExportPsi);
    Click(psi);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export probe sensitivity index in text files"));
    EXPECT_EQ(Control<QPushButton>(dialog, ExportProbeDialog::kOutputFile)->text().toStdString(),
              "liver " + name + " PSI data.xls");
    Click(psi);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export PM and MM probe values"));
    Click(Control<QCheckBox>(dialog, ExportProbeDialog::kPositionColumns));
    ClickOk(dialog);
    return dialog.result();
  };
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kExportProbeSet));
  const std::string table = platform::JoinPath(Folder(), "liver " + name + " probe data.xls");
  EXPECT_EQ(LinesFrom(before),
            (std::vector<std::string>{"{Export PM and MM probe values or PSI",
                                      "  File " + table + " exported", "Finished}", ""}));
  const std::vector<std::string> rows = FileLines(table);
  const auto pairs = Layout.Positions(unit);
  ASSERT_EQ(rows.size(), 1 + pairs.size() * 3);
  EXPECT_EQ(rows[0], "X\tY\tPosition\tProbeset\tProbe\tArray\tPM\tMM\t");
  // The engine's tests check every value; here the first row, pair 0 on array 0.
  const PairPositions& pair = pairs[0];
  const auto& plane = group.Array(0).intensities;
  std::ostringstream first;
  first << pair[1].x << '\t' << pair[1].y << '\t' << Layout.Cell(pair[1].x, pair[1].y).value << '\t'
        << name << "\t0\t0\t" << plane[Layout.CellIndex(pair[1].x, pair[1].y)] << '\t'
        << plane[Layout.CellIndex(pair[0].x, pair[0].y)] << '\t';
  EXPECT_EQ(rows[1], first.str());
}

}  // namespace
