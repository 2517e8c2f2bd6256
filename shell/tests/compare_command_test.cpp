// Analysis/Compare Samples from end to end on a generated group, opened and modelled
// through the window: two comparisons chosen on the sheet's pages find exactly the genes
// planted as changed on both experiment arrays; the log block with the permutation
// estimate, the result file registered in the tree, and the list (with its true samples)
// offered again from that file at the next start.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "genes/compare/compare_criteria.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/dialogs/samples/compare_combine_page.hpp"
#include "shell/dialogs/samples/compare_sample_page.hpp"
#include "shell/services/output_files.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/group_commands_test.hpp"
#include "tools/synth/whole_group.hpp"

namespace {

using compare_events::Click;
using compare_events::ClickRow;
using compare_events::ClickTab;
using compare_events::Type;
using Sample = CCompareSampleDlg;
using Combine = CCompareCombineDlg;

class CompareCommandTest : public GroupCommandsTest {
 protected:
  void TearDown() override {
    CompareCriteria.Clear();
    CompareCriteria.working = COMPARE_CRITERION{};
    GroupCommandsTest::TearDown();
  }

  // On the sample page: baseline sample 1 against experiment sample `experiment`, a fold
  // of 2 either way on the fold itself, and the default difference of 100.
  static void ChooseComparison(PropertySheet& sheet, int experiment) {
    PropertyPage& page = *sheet.Page(0);
    auto& baseline = *Find<QListWidget>(page, Sample::kBaselineList);
    auto& experiments = *Find<QListWidget>(page, Sample::kExperimentList);
    if (!baseline.item(0)->isSelected()) ClickRow(baseline, 0);
    for (int row = 0; row < experiments.count(); ++row)
      if (experiments.item(row)->isSelected() != (row == experiment)) ClickRow(experiments, row);
    auto& lowerBound = *Find<QCheckBox>(page, Sample::kUseLowerBound);
    if (lowerBound.isChecked()) Click(lowerBound);
    Type(*Find<QLineEdit>(page, Sample::kEoverB), "2");
  }
};

TEST_F(CompareCommandTest, TwoComparisonsFindTheGenesPlantedAsChangedOnBothArrays) {
  synth::WholeGroupOptions options;
  options.chip.dimension = 100;
  options.chip.unitCount = 240;
  options.chip.chipType = "CompareChip";
  options.group.arrays = 4;
  options.group.changedPercent = 40;
  // Arrays as bright as the baseline: the fold of a gene is the generator's own, at every
  // level of expression.
  options.group.curves = {synth::BrightnessCurve{}};
  options.name = "whole";
  options.distinctScanTimes = true;
  options.sideFiles = true;
  const std::optional<synth::WholeGroupTruth> truth = WrittenWholeGroup(options);
  ASSERT_TRUE(truth.has_value());
  const std::string folder = WholeFolder();

  CMainFrame& frame = OpenFrame();
  prompts.dialogAnswer = AnswerOpenGroup("whole", platform::JoinPath(folder, truth->dataFileList),
                                         platform::JoinPath(folder, truth->chipFile));
  ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
  ASSERT_EQ(TheGroup().NumArrays(), 4);
  // The arrays are as bright as each other, so the model is fitted without normalising.
  prompts.AcceptDialogs();
  ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
  ASSERT_TRUE(TheGroup().Modelled);
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kCompareSamples)->isEnabled());

  // A cancelled sheet still leaves its block.
  std::size_t before = LogLines().size();
  prompts.dialogAnswer = nullptr;
  ASSERT_TRUE(frame.OnCommand(ids::kCompareSamples));
  EXPECT_EQ(LinesFrom(before),
            (std::vector<std::string>{"{Compare samples", "Comparison not completed}", ""}));

  // Sample 1 against sample 2, and sample 1 against sample 3.
  prompts.dialogAnswer = [](QDialog& dialog) {
    // The options sheet reached from this one is closed again.
    if (dialog.windowTitle() != QStringLiteral("Compare Samples"))
      return static_cast<int>(QDialog::Rejected);
    auto& sheet = dynamic_cast<PropertySheet&>(dialog);
    sheet.show();
    ChooseComparison(sheet, 1);
    ClickTab(sheet, 1);
    auto& list = *Find<QTableWidget>(*sheet.Page(1), Combine::kComparisonList);
    ClickRow(list, list.rowCount() - 1);
    ClickTab(sheet, 0);
    ChooseComparison(sheet, 2);
    ClickTab(sheet, 1);
    Click(*Find<QPushButton>(*sheet.Page(1), Combine::kInsertComparison));
    Click(*Find<QCheckBox>(*sheet.Page(1), Combine::kPermute));
    Type(*Find<QLineEdit>(*sheet.Page(1), Combine::kPermutationCount), "10");
    // The options reached from the sheet open at their Analysis page.
    Click(*Find<QPushButton>(*sheet.Page(1), ids::kOptionsButton));
    EXPECT_EQ(TheGroup().Settings().OPTION_PAGE, kAnalysisOptionsPageIndex);
    // Closed from the sample page: the other page's choices still hold.
    ClickTab(sheet, 0);
    sheet.accept();
    return sheet.result();
  };
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kCompareSamples));
  EXPECT_EQ(AnalysisRunning, 0);
  ASSERT_EQ(CompareCriteria.count, 2);

  // The genes the generator changed on both experiment arrays, among those expressed;
  // the generator's control probe sets are left out, as the settings say.
  ASSERT_EQ(TheGroup().Settings().OMIT_VOSK, 1);
  std::set<std::string> planted;
  for (std::size_t u = 0; u < truth->chip.units.size(); ++u) {
    const int unit = static_cast<int>(u);
    const std::string& name = truth->chip.units[u].name;
    if (truth->group.present[u] == 'P' && truth->group.Changed(1, unit) &&
        truth->group.Changed(2, unit) && name.rfind("KORX", 0) != 0)
      planted.insert(name);
  }
  ASSERT_GT(planted.size(), 5u);

  const std::string resultFile = platform::JoinPath(Folder(), "whole compare result.xls");
  EXPECT_EQ(TheGroup().Settings().COMPARE_COMPARISON_FILE, resultFile);
  std::set<std::string> found;
  std::vector<std::string> fileLines;
  {
    std::ifstream file(resultFile, std::ios::binary);
    for (std::string line; std::getline(file, line);) fileLines.push_back(line);
  }
  const auto table = std::find(fileLines.begin(), fileLines.end(), "[COMPARE_RESULT]");
  ASSERT_NE(table, fileLines.end());
  ASSERT_NE(table + 1, fileLines.end());
  EXPECT_EQ(table[1].rfind("probe set\t", 0), 0u);
  for (auto line = table + 2; line != fileLines.end() && !line->empty() && (*line)[0] != '$';
       ++line)
    found.insert(line->substr(0, line->find('\t')));
  EXPECT_EQ(found, planted);

  const std::string satisfied = MessageBuffer(
      "    %d genes satisfied the comparison filtering criteria", static_cast<int>(found.size()));
  const std::vector<std::string> lines = LinesFrom(before);
  ASSERT_GT(lines.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 6),
            (std::vector<std::string>{
                "{Compare samples", "  Writing comparison result in '" + resultFile + "'...",
                satisfied, "", "  Permuting samples to assess False Discovery Rate (FDR)...",
                "    Original comparison: [1 vs. 2] and [1 vs. 3]"}));
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(),
                    [](const std::string& line) { return line.rfind("    Permutation ", 0) == 0; }),
      10);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"Finished}", ""}));
  // The estimate closes the file.
  const std::string estimate =
      MessageBuffer("[Obtained %d genes; False Discovery Rate (Number) of 10 permutations, ",
                    static_cast<int>(found.size()));
  EXPECT_EQ(fileLines.back().rfind(estimate, 0), 0u) << fileLines.back();
  const std::vector<std::string>& registered = OutputFiles().paths;
  const auto at = std::find(registered.begin(), registered.end(), resultFile);
  ASSERT_NE(at, registered.end());
  const QTreeWidgetItem* analysis = frame.LeftView().ViewItem(VIEW_ANALYSIS);
  ASSERT_NE(analysis, nullptr);
  ASSERT_EQ(analysis->childCount(), OutputFiles().Count());
  EXPECT_EQ(analysis->child(static_cast<int>(at - registered.begin()))->text(0),
            QStringLiteral("whole compare result"));

  // The next start offers the list kept in the result file.
  CompareCriteria.Clear();
  std::vector<std::string> offered;
  prompts.dialogAnswer = [&offered](QDialog& dialog) {
    auto& sheet = dynamic_cast<PropertySheet&>(dialog);
    sheet.SetActivePage(1);
    auto& list = *Find<QTableWidget>(*sheet.Page(1), Combine::kComparisonList);
    for (int row = 0; row < list.rowCount(); ++row)
      offered.push_back(list.item(row, 0)->text().toStdString() + " " +
                        (list.item(row, 2) ? list.item(row, 2)->text().toStdString() : ""));
    return static_cast<int>(QDialog::Rejected);
  };
  ASSERT_TRUE(frame.OnCommand(ids::kCompareSamples));
  EXPECT_EQ(offered, (std::vector<std::string>{"( 2", "and 3", ") "}));
}

}  // namespace
