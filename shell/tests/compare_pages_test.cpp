// The two pages of the Compare Samples sheet driven with the mouse and keyboard: the t
// tests offered as the chosen samples allow, thresholds checked before the page is left,
// the first comparison listed by itself; comparisons and parenthesis entries inserted and
// deleted where they may stand; the gene list button's three states; the list read back
// from an earlier result file, with a picture of each page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include <fstream>
#include <string>
#include <vector>

#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "shell/dialogs/common/select_samples_dialog.hpp"
#include "shell/dialogs/samples/compare_combine_page.hpp"
#include "shell/dialogs/samples/compare_sample_page.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using compare_events::Click;
using compare_events::ClickRow;
using compare_events::Type;
using Sample = CCompareSampleDlg;
using Combine = CCompareCombineDlg;

class ComparePagesTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    std::ofstream info(File("info.txt"), std::ios::binary);
    info << "Array\tName\tTissue\n";
    for (int a = 1; a <= 7; ++a) {
      const std::string name = "s" + std::to_string(a);
      TheGroup().NextArraySlot().name = name;
      ASSERT_TRUE(TheGroup().CountArray());
      info << name << "\t\t" << (a % 2 == 1 ? "liver" : "brain") << "\n";
    }
    info.close();
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(File("info.txt")));
    SampleGrouping.SetDefaultGrouping();
    TheGroup().HasCalls = true;
    CompareCriteria.Clear();
    CompareCriteria.working = COMPARE_CRITERION{};
  }
  void TearDown() override {
    CompareCriteria.Clear();
    CompareCriteria.working = COMPARE_CRITERION{};
    SampleInfo.Clear();
    SampleGrouping.ClearSelection();
    ShellTest::TearDown();
  }

  // The sheet as the command builds it, on screen.
  void OpenSheet() {
    mSheet = std::make_unique<PropertySheet>(QStringLiteral("Compare Samples"), nullptr);
    mSheet->AddPage(new Sample(CompareCriteria, mSheet.get()), QStringLiteral("Compare samples"));
    mSheet->AddPage(new Combine(CompareCriteria, nullptr, mSheet.get()),
                    QStringLiteral("Combine comparisons"));
    mSheet->resize(760, 560);
    mSheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mSheet.get()));
  }
  QWidget& Page(int index) { return *mSheet->Page(index); }
  template <typename T>
  T& On(int page, int id) {
    return *Control<T>(Page(page), id);
  }

  void ClickTab(int index) { compare_events::ClickTab(*mSheet, index); }
  void ClickListRow(int row, Qt::KeyboardModifiers keys = {}) {
    compare_events::ClickRow(On<QTableWidget>(1, Combine::kComparisonList), row, keys);
  }

  // The list's "Combine" column.
  std::vector<std::string> CombineColumn() {
    auto& list = On<QTableWidget>(1, Combine::kComparisonList);
    std::vector<std::string> cells;
    for (int row = 0; row < list.rowCount(); ++row)
      cells.push_back(list.item(row, 0)->text().toStdString());
    return cells;
  }
  std::vector<std::string> Row(int row) {
    auto& list = On<QTableWidget>(1, Combine::kComparisonList);
    std::vector<std::string> cells;
    for (int column = 0; column < list.columnCount(); ++column)
      cells.push_back(list.item(row, column) ? list.item(row, column)->text().toStdString() : "");
    return cells;
  }
  int ChosenRow() {
    const auto ranges = On<QTableWidget>(1, Combine::kComparisonList).selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.front().topRow();
  }
  std::string LastMessage() const {
    for (auto it = prompts.prompts.rbegin(); it != prompts.prompts.rend(); ++it)
      if (it->kind == RecordedPrompt::Kind::kMessage) return it->text;
    return {};
  }

  std::unique_ptr<PropertySheet> mSheet;
};

std::vector<int> Selected(const QListWidget& list) {
  std::vector<int> rows;
  for (int row = 0; row < list.count(); ++row)
    if (list.item(row)->isSelected()) rows.push_back(row);
  return rows;
}

TEST_F(ComparePagesTest, SamplesDecideTheTTestsAndTheFirstComparisonIsListedByItself) {
  OpenSheet();
  auto& baseline = On<QListWidget>(0, Sample::kBaselineList);
  auto& experiment = On<QListWidget>(0, Sample::kExperimentList);
  ASSERT_EQ(baseline.count(), 7);
  EXPECT_EQ(baseline.item(6)->text(), QStringLiteral("s7 [7]"));
  auto& pvalue = On<QCheckBox>(0, Sample::kUsePvalue);
  auto& paired = On<QCheckBox>(0, Sample::kUsePaired);
  EXPECT_FALSE(pvalue.isEnabled());

  for (int row : {0, 1, 2}) ClickRow(baseline, row);
  for (int row : {3, 4, 5}) ClickRow(experiment, row);
  EXPECT_TRUE(pvalue.isEnabled());
  ASSERT_TRUE(paired.isEnabled()) << "3 and 3 samples pair up";
  Click(paired);
  ASSERT_TRUE(paired.isChecked());
  ClickRow(experiment, 6);
  EXPECT_TRUE(pvalue.isEnabled());
  EXPECT_FALSE(paired.isEnabled()) << "3 and 4 samples do not pair up";
  EXPECT_FALSE(paired.isChecked()) << "a box taken away is cleared";

  // The reverse thresholds follow the forward ones until edited themselves.
  Type(On<QLineEdit>(0, Sample::kEoverB), "2");
  EXPECT_EQ(On<QLineEdit>(0, Sample::kBoverE).text(), QStringLiteral("2"));
  Type(On<QLineEdit>(0, Sample::kEminusB), "250");
  Type(On<QLineEdit>(0, Sample::kBminusE), "300");
  EXPECT_EQ(On<QLineEdit>(0, Sample::kEminusB).text(), QStringLiteral("250"));

  Click(pvalue);
  Type(On<QLineEdit>(0, Sample::kPvalue), "1.5");
  ClickTab(1);
  EXPECT_EQ(mSheet->ActiveIndex(), 0);
  EXPECT_EQ(LastMessage(), "Please enter a number between 0 and 1.");
  EXPECT_EQ(CompareCriteria.count, 0);
  Type(On<QLineEdit>(0, Sample::kPvalue), "0.01");
  ClickTab(1);
  ASSERT_EQ(mSheet->ActiveIndex(), 1);

  ASSERT_EQ(CompareCriteria.count, 1) << "the first comparison goes in by itself";
  EXPECT_EQ(CompareCriteria.selected, 0);
  const COMPARE_CRITERION& entry = CompareCriteria.entries[0];
  EXPECT_EQ(entry.baseline, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(entry.experiment, (std::vector<int>{3, 4, 5, 6}));
  EXPECT_EQ(entry.usePvalue, 1);
  EXPECT_EQ(entry.usePaired, 0);
  EXPECT_TRUE(entry.showStdErr);
  EXPECT_EQ(Row(0),
            (std::vector<std::string>{"(", "1,2,3", "4,5,6,7", "2.000", "2.000", "Lower Bound",
                                      "250.000", "300.000", "0.0100", "", "", ""}));
  EXPECT_EQ(CombineColumn(), (std::vector<std::string>{"(", ")"}));
  EXPECT_EQ(ChosenRow(), 0);

  // Back on the samples: the chosen category replaces the experiment samples.
  ClickTab(0);
  prompts.dialogAnswer = [](QDialog& dialog) {
    auto* categories = Control<QListWidget>(dialog, SelectSampleDialog::kCategoryList);
    categories->findItems(QStringLiteral("Tissue brain"), Qt::MatchStartsWith)
        .front()
        ->setSelected(true);
    dialog.accept();
    return dialog.result();
  };
  Click(On<QPushButton>(0, Sample::kExperimentByCategory));
  EXPECT_EQ(Selected(experiment), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(Selected(baseline), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(paired.isEnabled());
  ClickTab(1);
  EXPECT_EQ(CompareCriteria.entries[0].experiment, (std::vector<int>{1, 3, 5}))
      << "the selected entry takes the edit";
  EXPECT_EQ(CompareCriteria.count, 1);
}

TEST_F(ComparePagesTest, EntriesGoInAndOutWhereTheyMayStand) {
  CompareCriteria.working.baseline = {0};
  CompareCriteria.working.experiment = {1};
  OpenSheet();
  ClickTab(1);
  ASSERT_EQ(CompareCriteria.count, 1);
  auto& insert = On<QPushButton>(1, Combine::kInsertComparison);
  auto& parenthesis = On<QPushButton>(1, Combine::kInsertParenthesis);
  auto& remove = On<QPushButton>(1, Combine::kDeleteEntry);
  ASSERT_TRUE(insert.isEnabled());

  Click(On<QRadioButton>(1, Combine::kAnd + kCombineOr));
  ClickListRow(0);
  Click(insert);
  Click(On<QRadioButton>(1, Combine::kAnd + kCombineAnd));
  ClickListRow(1);
  Click(parenthesis);
  EXPECT_EQ(CombineColumn(), (std::vector<std::string>{"(", "or", ") and"}));
  Click(parenthesis);
  EXPECT_EQ(LastMessage(), "Cannot insert a parenthesis here") << "two side by side";
  Click(On<QRadioButton>(1, Combine::kAnd + kCombineAndNot));
  Click(insert);
  EXPECT_EQ(CombineColumn(), (std::vector<std::string>{"(", "or", ") and", "(not", ")"}));
  EXPECT_EQ(ChosenRow(), 3);

  // Nothing chosen.
  ClickListRow(3, Qt::ControlModifier);
  ASSERT_EQ(ChosenRow(), -1);
  Click(parenthesis);
  EXPECT_EQ(LastMessage(), "Cannot insert a parenthesis here") << "not first";
  Click(remove);
  EXPECT_EQ(LastMessage(), "Cannot delete");
  EXPECT_EQ(CompareCriteria.count, 4);

  // The closing row stands for the last entry; the same row stays chosen.
  ClickListRow(4);
  Click(remove);
  EXPECT_EQ(CombineColumn(), (std::vector<std::string>{"(", "or", ") and"}));
  ClickListRow(2);
  Click(remove);
  EXPECT_EQ(CombineColumn(), (std::vector<std::string>{"(", "or", ")"}));
  EXPECT_EQ(ChosenRow(), 2);

  // The list holds 28 entries at most.
  QTest::keyClick(&On<QTableWidget>(1, Combine::kComparisonList), Qt::Key_Up);
  ASSERT_EQ(ChosenRow(), 1);
  for (int i = CompareCriteria.count; i < kMaxComparisons; ++i) Click(insert);
  ASSERT_EQ(CompareCriteria.count, kMaxComparisons);
  prompts.prompts.clear();
  const CapturedLog log;
  Click(insert);
  EXPECT_EQ(LastMessage(), "Cannot insert a comparison here");
  EXPECT_EQ(CompareCriteria.count, kMaxComparisons);
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_TRUE(log.ContainsRed(kTooManyComparisonsMessage));

  // Leaving with a comparison chosen hands it to the sample page; the closing row hands
  // over nothing but the samples.
  CompareCriteria.entries[1].experiment = {2, 3};
  ClickListRow(1);
  ClickTab(0);
  EXPECT_EQ(CompareCriteria.selected, 1);
  EXPECT_EQ(Selected(On<QListWidget>(0, Sample::kExperimentList)), (std::vector<int>{2, 3}));
  ClickTab(1);
  EXPECT_EQ(CompareCriteria.entries[1].experiment, (std::vector<int>{2, 3}));
  EXPECT_EQ(CompareCriteria.entries[1].combine, kCombineOr) << "the entry keeps its operator";
  CompareCriteria.working.EoverB = 5.0;
  ClickListRow(kMaxComparisons);
  ClickTab(0);
  EXPECT_EQ(CompareCriteria.selected, -1);
  EXPECT_EQ(CompareCriteria.working.EoverB, 1.2);
  EXPECT_EQ(CompareCriteria.working.experiment, (std::vector<int>{2, 3}));
}

TEST_F(ComparePagesTest, GeneListCyclesAndOpenReadsTheListOfAnEarlierResultFile) {
  // An earlier run's file: (1 vs 2, 3) or (not 4 vs 5), on the genes not in a list.
  COMPARE_CRITERIA earlier;
  earlier.working.baseline = {0};
  earlier.working.experiment = {1, 2};
  ASSERT_TRUE(earlier.InsertComparison(0, kCombineAnd, false));
  ASSERT_TRUE(earlier.InsertComparison(1, kCombineOr, true));
  earlier.working.baseline = {3};
  earlier.working.experiment = {4};
  earlier.working.useLowerBound = 0;
  ASSERT_TRUE(earlier.InsertComparison(2, kCombineAndNot, false));
  GroupSettings& settings = TheGroup().Settings();
  settings.FILTER_INPUT_LIST = File("earlier genes.txt");
  settings.FILTER_INPUT_USE = 0;
  std::string text;
  AppendCriteriaBlock(text, earlier);
  std::ofstream(File("earlier.xls"), std::ios::binary) << text;
  settings.FILTER_INPUT_LIST = "None";
  settings.FILTER_INPUT_USE = 1;

  OpenSheet();
  ClickTab(1);
  auto& genes = On<QPushButton>(1, Combine::kGeneListButton);
  EXPECT_EQ(genes.text(), QStringLiteral("using all genes"));
  prompts.fileAnswers.push_back(File("genes.txt"));
  Click(genes);
  EXPECT_EQ(genes.text().toStdString(), "using " + File("genes.txt"));
  EXPECT_EQ(settings.FILTER_INPUT_USE, 1);
  Click(genes);
  EXPECT_EQ(genes.text().toStdString(), "excluding " + File("genes.txt"));
  EXPECT_EQ(settings.FILTER_INPUT_USE, 0);
  Click(genes);
  EXPECT_EQ(genes.text(), QStringLiteral("using all genes"));
  EXPECT_EQ(settings.FILTER_INPUT_LIST, "None " + File("genes.txt"));
  prompts.fileAnswers.push_back(std::nullopt);
  Click(genes);
  EXPECT_EQ(prompts.prompts.back().request.startFile, File("genes.txt"));
  EXPECT_EQ(genes.text(), QStringLiteral("using all genes")) << "a cancelled choice keeps none";

  prompts.fileAnswers.push_back(File("earlier.xls"));
  Click(On<QPushButton>(1, Combine::kResultFileButton));
  EXPECT_EQ(settings.COMPARE_COMPARISON_FILE, File("earlier.xls"));
  EXPECT_EQ(On<QLineEdit>(1, Combine::kResultFile).text().toStdString(), File("earlier.xls"));
  EXPECT_EQ(CombineColumn(), (std::vector<std::string>{"(", ") or", "(not", ")"}));
  EXPECT_EQ(Row(2)[5], "Fold Change");
  EXPECT_EQ(Row(0)[2], "2,3");
  EXPECT_EQ(ChosenRow(), 0);
  EXPECT_EQ(genes.text().toStdString(), "excluding " + File("earlier genes.txt"));

  // A picture of each page, for people to look at.
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  for (const auto& [index, name] :
       {std::pair{0, "compare_sample_page.png"}, std::pair{1, "compare_combine_page.png"}}) {
    ClickTab(index);
    ASSERT_EQ(mSheet->ActiveIndex(), index);
    const QString path = QStringLiteral(ZELKO_SCREENSHOT_DIR "/") + QString::fromLatin1(name);
    ASSERT_TRUE(mSheet->grab().save(path));
    EXPECT_EQ(QImage(path).size(), mSheet->size() * mSheet->devicePixelRatio());
  }

  // The permutation count is checked before the settings are taken.
  Click(On<QCheckBox>(1, Combine::kOutputAllGenes));
  Click(On<QCheckBox>(1, Combine::kPermute));
  Type(On<QLineEdit>(1, Combine::kPermutationCount), "5");
  mSheet->accept();
  EXPECT_TRUE(mSheet->isVisible());
  EXPECT_EQ(LastMessage(), "Please enter an integer between 10 and 10000.");
  Type(On<QLineEdit>(1, Combine::kPermutationCount), "200");
  QTest::keyClick(&On<QLineEdit>(1, Combine::kPermutationCount), Qt::Key_Return);
  EXPECT_EQ(mSheet->result(), QDialog::Accepted);
  EXPECT_EQ(settings.PERMUTE_NUMBER, 200);
  EXPECT_EQ(settings.PERMUTE_SAMPLE, 1);
  EXPECT_EQ(settings.COMPARE_OUTPUT_ALL, 1);
  EXPECT_EQ(CompareCriteria.selected, 0);
  EXPECT_EQ(CompareCriteria.working.experiment, (std::vector<int>{1, 2}));
}

}  // namespace
