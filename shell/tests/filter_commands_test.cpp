// The filtering commands from the menu through their dialogs to the engines and back into
// the log: enabled only when the group can be filtered, a cancelled dialog leaves nothing,
// a run leaves its engine's block and file, a refused run its closing line.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/testing/named_units.hpp"
#include "genome/info/snp_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/common/select_factors_dialog.hpp"
#include "shell/dialogs/filter/anova_dialog.hpp"
#include "shell/dialogs/filter/filter_genes_page.hpp"
#include "shell/dialogs/filter/filter_snp_dialog.hpp"
#include "shell/dialogs/filter/percentile_filter_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/output_files.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/group_commands_test.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/whole_group.hpp"

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

class FilterCommandsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    TheGroup().SetName("mice");
    TheGroup().Settings().WORKING_DIR = Folder();
  }
  void TearDown() override {
    snp_info_table.Clear();
    SampleGrouping.ClearSelection();
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }

  void ReadList(const char* text) {
    std::ofstream(File("arrays.txt"), std::ios::binary) << text;
    SampleGrouping.ReadArrayListFile(File("arrays.txt"));
  }

  WindowEventPump mPump;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The block's closing line: the last before the empty line its line break leaves.
std::string LastLine(const std::vector<std::string>& lines) {
  return lines.size() >= 2 ? lines[lines.size() - 2] : std::string();
}

bool Registered(const std::string& path) {
  const std::vector<std::string>& files = OutputFiles().paths;
  return std::find(files.begin(), files.end(), path) != files.end();
}

// A generated group of six arrays, normalised and modelled through the window, with its
// sample information read.
class FilterRoadTest : public GroupCommandsTest {
 protected:
  void OpenModelledGroup(CMainFrame& frame) {
    synth::WholeGroupOptions options;
    options.chip.dimension = 80;
    options.chip.unitCount = 200;
    options.chip.chipType = "FilterChip";
    options.group.arrays = 6;
    options.group.changedPercent = 30;
    options.name = "whole";
    options.distinctScanTimes = true;
    options.sideFiles = true;
    truth = WrittenWholeGroup(options);
    ASSERT_TRUE(truth.has_value());
    folder = WholeFolder();
    prompts.dialogAnswer = AnswerOpenGroup("whole", platform::JoinPath(folder, truth->dataFileList),
                                           platform::JoinPath(folder, truth->chipFile));
    ASSERT_TRUE(frame.OnCommand(ids::kOpenGroup));
    ASSERT_EQ(TheGroup().NumArrays(), 6);
    prompts.AcceptDialogs();
    ASSERT_TRUE(frame.OnCommand(ids::kNormalize));
    ASSERT_TRUE(frame.OnCommand(ids::kModelExpression));
    ASSERT_TRUE(TheGroup().Normalized && TheGroup().Modelled);
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(platform::JoinPath(folder, truth->sampleInfoFile)));
    prompts.dialogAnswer = nullptr;
    frame.UpdateCommandUi();
  }
  void TearDown() override {
    SampleInfo.Clear();
    SampleGrouping.ClearSelection();
    GroupCommandsTest::TearDown();
  }

  std::optional<synth::WholeGroupTruth> truth;
  std::string folder;
};

TEST_F(FilterCommandsTest, FilterSnpsAsksForItsLimitsFirst) {
  // Calls per array (0 AA, 1 BB): U0 agrees everywhere, U1 once not, U2 twice not.
  testing_units::UseUnitNames({"U0", "U1", "U2"});
  ArrayType = 1;
  const std::vector<std::vector<char>> calls = {{0, 0, 0}, {0, 1, 1}, {0, 1, 0}, {0, 1, 1}};
  for (std::size_t a = 0; a < calls.size(); ++a) {
    ArraySlot& slot = TheGroup().NextArraySlot();
    slot.name = "A" + std::to_string(a + 1);
    slot.calls = calls[a];
    ASSERT_TRUE(TheGroup().CountArray());
  }
  std::ofstream(File("snp.txt"), std::ios::binary)
      << "Probe Set\tdbSNP\tSecond\tFragment Length Start Stop\tAsian\tAfrican "
         "American\tCaucasian\nU0\ta\t\t300\nU1\tb\t\t300\nU2\tc\t\t300\n";
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kFilterSnps)->isEnabled()) << "no SNP information yet";
  ASSERT_TRUE(ReadSnpInfoFile(File("snp.txt")));
  ReadList("A1\nA2\nStandardize\nA3\nA4\n");
  TheGroup().Settings().FILTER_OUTPUT_LIST = "";
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kFilterSnps)->isEnabled());

  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kFilterSnps));
  EXPECT_EQ(LogLines().size(), before) << "a cancelled dialog leaves no block";

  MaxFragmentLength = 1000;
  prompts.dialogAnswer = [](QDialog& dialog) {
    dialog.show();
    compare_events::Type(*Control<QLineEdit>(dialog, FilterSnpDialog::kCallRate), "60");
    dialog.accept();
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kFilterSnps));
  const std::string list = platform::JoinPath(Folder(), "mice filtered SNP.xls");
  EXPECT_EQ(TheGroup().Settings().FILTER_OUTPUT_LIST, list);
  EXPECT_EQ(ReadWhole(list),
            "probe set\tfragment_length\tcall_rate\nU0\t300\t1\nU1\t300\t0.75\n"
            "[Filtering criteria: fragment length <= 1000, call rate >= 60%]\n");
  auto lines = ColouredLinesFrom(before);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), std::make_pair(std::string("{Filter SNPs by quality..."), kBlue));
  EXPECT_EQ(lines[lines.size() - 2], std::make_pair(std::string("Finished}"), kBlue));
  EXPECT_EQ(AnalysisRunning, 0);

  // One sample group gives nothing to compare the calls within.
  ReadList("A1\nA2\nA3\nA4\n");
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kFilterSnps));
  lines = ColouredLinesFrom(before);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], std::make_pair(std::string("Not finished}"), kRed));
}

TEST_F(FilterRoadTest, TheFourFiltersRunFromTheMenuOnAModelledGroup) {
  CMainFrame& frame = OpenFrame();
  OpenModelledGroup(frame);
  for (int id : {ids::kFilterGenes, ids::kAnalysisOfVariance, ids::kPercentileFiltering})
    EXPECT_TRUE(frame.Action(id)->isEnabled()) << id;
  EXPECT_FALSE(frame.Action(ids::kAdjustBatchEffect)->isEnabled()) << "one sample group";
  GroupSettings& settings = TheGroup().Settings();
  const std::string workingDir = settings.WORKING_DIR;

  // Filter Genes proposes a list named after the group; a cancelled sheet leaves no block.
  settings.FILTER_OUTPUT_LIST = "";
  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kFilterGenes));
  EXPECT_EQ(LogLines().size(), before);
  const std::string filtered = platform::JoinPath(workingDir, "whole filtered gene.xls");
  EXPECT_EQ(settings.FILTER_OUTPUT_LIST, filtered);
  std::string shownOutput;
  prompts.dialogAnswer = [&shownOutput](QDialog& dialog) {
    auto& sheet = dynamic_cast<PropertySheet&>(dialog);
    sheet.show();
    shownOutput =
        Find<QPushButton>(*sheet.Page(0), CClusterGeneDialog::kOutputList)->text().toStdString();
    auto* variation = Find<QCheckBox>(*sheet.Page(0), CClusterGeneDialog::kUseVariation);
    if (variation->isChecked()) compare_events::Click(*variation);
    auto* expression = Find<QCheckBox>(*sheet.Page(0), CClusterGeneDialog::kUseExpression);
    if (!expression->isChecked()) compare_events::Click(*expression);
    compare_events::Type(*Find<QLineEdit>(*sheet.Page(0), CClusterGeneDialog::kExpressionValue),
                         "100");
    sheet.accept();
    return sheet.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kFilterGenes));
  EXPECT_EQ(shownOutput, filtered);
  EXPECT_EQ(settings.EXPR_FILTER_VALUE, 100.0);
  std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines[before], "{Filter genes");
  EXPECT_EQ(LastLine(lines), "Finished}");
  EXPECT_TRUE(Registered(filtered));
  const std::vector<std::string> list = FileLines(filtered);
  EXPECT_GT(list.size(), 1u);

  // ANOVA over the two treatments: the rows the log counts are those written.
  prompts.dialogAnswer = [](QDialog& dialog) {
    dialog.show();
    if (dialog.objectName() == ControlName(SelectFactorsDialog::kDialogId)) {
      auto* columns = Find<QListWidget>(dialog, SelectFactorsDialog::kColumnList);
      const QList<QListWidgetItem*> treatment =
          columns->findItems(QStringLiteral("Treatment"), Qt::MatchStartsWith);
      EXPECT_EQ(treatment.size(), 1);
      if (!treatment.isEmpty()) compare_events::ClickRow(*columns, columns->row(treatment[0]));
    } else {
      compare_events::Click(*Find<QPushButton>(dialog, AnovaDialog::kFactorButton));
      compare_events::Type(*Find<QLineEdit>(dialog, AnovaDialog::kPvalue), "0.2");
    }
    dialog.accept();
    return dialog.result();
  };
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kAnalysisOfVariance));
  EXPECT_EQ(settings.ANOVA_FACTOR, "Treatment");
  const std::string anova = platform::JoinPath(workingDir, "whole anova filtering.xls");
  lines = LogLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines[before], "{ANOVA or correlation filtering");
  EXPECT_EQ(LastLine(lines), "}");
  int passed = -1;
  for (std::size_t i = before; i < lines.size(); ++i)
    if (lines[i].find(" genes passing ANOVA filtering saved in '" + anova + "'") !=
        std::string::npos)
      passed = std::stoi(lines[i]);
  ASSERT_GT(passed, 0);
  EXPECT_EQ(static_cast<int>(FileLines(anova).size()), passed + 1) << "the title line";
  EXPECT_TRUE(Registered(anova));

  // Percentile filtering into a file of its own.
  const std::string percentile = File("percentile.xls");
  prompts.dialogAnswer = [this, &percentile](QDialog& dialog) {
    dialog.show();
    compare_events::Type(*Find<QLineEdit>(dialog, PercentileFilterDialog::kFold), "1.5");
    prompts.fileAnswers.push_back(percentile);
    compare_events::Click(*Find<QPushButton>(dialog, PercentileFilterDialog::kOutputList));
    dialog.accept();
    return dialog.result();
  };
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kPercentileFiltering));
  EXPECT_EQ(TheGroup().RunOptions().percentileFold, 1.5f);
  lines = LogLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines[before], "{Filter genes by percentiles...");
  EXPECT_EQ(LastLine(lines), "}");
  ASSERT_TRUE(Registered(percentile));
  const std::vector<std::string> table = FileLines(percentile);
  ASSERT_GT(table.size(), 1u) << "a title and some probe sets";
  bool countLogged = false;
  for (std::size_t i = before; i < lines.size(); ++i)
    countLogged =
        countLogged || lines[i].rfind(MessageBuffer("    %d probe sets satisfied the criteria",
                                                    static_cast<int>(table.size()) - 1),
                                      0) == 0;
  EXPECT_TRUE(countLogged);

  // Two sample groups make batches; the adjustment runs at once and only once.
  SampleGrouping.ReadArrayListFile(platform::JoinPath(folder, truth->arrayListFile));
  ASSERT_GT(SampleGrouping.GroupCount(), 1);
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kAdjustBatchEffect)->isEnabled());
  prompts.dialogAnswer = nullptr;
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kAdjustBatchEffect));
  EXPECT_TRUE(TheGroup().Adjusted);
  lines = LogLines();
  ASSERT_GT(lines.size(), before);
  EXPECT_EQ(lines[before].rfind("{Adjust batch effect so that for each gene", 0), 0u);
  EXPECT_EQ(LastLine(lines), "}");
  EXPECT_FALSE(frame.Action(ids::kAdjustBatchEffect)->isEnabled());
  EXPECT_EQ(AnalysisRunning, 0);
}

}  // namespace
