// The gene filtering dialogs and the export and analysis dialogs driven with the mouse and
// the keyboard: every range refused with the standard message, the states the Filter
// genes page opens in, its three-state gene list button, the rules between choices, what
// each OK stores, and a picture of each.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/snp_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/cluster/export_branch_dialog.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/common/select_factors_dialog.hpp"
#include "shell/dialogs/filter/anova_dialog.hpp"
#include "shell/dialogs/filter/filter_genes_page.hpp"
#include "shell/dialogs/filter/filter_snp_dialog.hpp"
#include "shell/dialogs/filter/percentile_filter_dialog.hpp"
#include "shell/dialogs/genome/enu_dialog.hpp"
#include "shell/dialogs/genome/export_snp_dialog.hpp"
#include "shell/dialogs/genome/find_ref_gene_dialog.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

using compare_events::ClickRow;
using compare_events::Type;

// A check box or radio on its indicator, any other button in its middle.
void Press(QAbstractButton* button) {
  ASSERT_NE(button, nullptr);
  const bool box =
      qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button) != nullptr;
  QTest::mouseClick(
      button, Qt::LeftButton, {},
      box ? QPoint(button->height() / 2, button->height() / 2) : button->rect().center());
}

void PressOk(QDialog& dialog) {
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  Press(buttons->button(QDialogButtonBox::Ok));
}

std::string Text(QWidget* control) {
  return control->property("text").toString().toStdString();
}

class FilterDialogsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    Group& group = TheGroup();
    group.SetName("liver");
    std::ofstream info(File("info.txt"), std::ios::binary);
    info << "Array\tName\tTissue\n";
    for (const char* name : {"a1", "a2", "a3", "a4"}) {
      group.NextArraySlot().name = name;
      ASSERT_TRUE(group.CountArray());
      info << name << "\t\t" << (name[1] < '3' ? "liver" : "brain") << '\n';
    }
    info.close();
    ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(File("info.txt")));
    SampleGrouping.SetDefaultGrouping();
    group.HasCalls = true;
    GroupSettings& settings = group.Settings();
    settings.WORKING_DIR = Folder();
    settings.FILTER_INPUT_LIST = "None";
    settings.FILTER_OUTPUT_LIST = File("kept.xls");
    settings.ANOVA_FACTOR = "None";
    settings.ANOVA_PVALUE = 0.01;
    settings.DISPLAY_RANGE = 2.0;
    settings.USE_STD_SEP = 1;
    MaxFragmentLength = 2000;
    MinCallRatePercent = 90;
  }
  void TearDown() override {
    SampleInfo.Clear();
    chromosome = CHROMOSOME{};
    ArrayType = 0;
    SampleGrouping.ClearSelection();
    ShellTest::TearDown();
  }

  // The Filter Genes sheet as the command builds it, on screen.
  std::unique_ptr<PropertySheet> FilterSheet() {
    auto sheet = std::make_unique<PropertySheet>(QStringLiteral("Filter Genes"), nullptr);
    sheet->AddPage(new CClusterGeneDialog([this] { ++optionsOpened; }, sheet.get()),
                   QStringLiteral("Filter genes"));
    sheet->show();
    return sheet;
  }

  int optionsOpened = 0;
};

TEST_F(FilterDialogsTest, EveryFieldOutsideItsRangeIsRefusedUntilMended) {
  struct Case {
    const char* dialog;
    std::function<std::unique_ptr<QDialog>()> make;
    int field;
    const char* bad;
    std::string message;
    const char* good;
  };
  const auto sheet = [this] { return std::unique_ptr<QDialog>(FilterSheet()); };
  const auto anova = [] { return std::make_unique<AnovaDialog>([] { return true; }, nullptr); };
  const auto percentile = [] { return std::make_unique<PercentileFilterDialog>(nullptr); };
  const auto snpExport = [] { return std::make_unique<ExportSnpDialog>(nullptr, nullptr); };
  const auto enu = [] { return std::make_unique<EnuDialog>(nullptr, nullptr); };
  const auto snpFilter = [] { return std::make_unique<FilterSnpDialog>(nullptr); };
  const auto refGene = [] { return std::make_unique<FindRefGeneDialog>(nullptr); };
  using Page = CClusterGeneDialog;
  const std::vector<Case> cases = {
      {"filter genes", sheet, Page::kPresence, "101", IntegerRangeMessage(0, 100), "100"},
      {"filter genes", sheet, Page::kExpressionPercent, "-1", IntegerRangeMessage(0, 100), "0"},
      {"filter genes", sheet, Page::kVariationLow, "low", kNotANumberMessage, "0.5"},
      {"filter genes", sheet, Page::kReplicateHigh, "2..5", kNotANumberMessage, "2"},
      {"anova", anova, AnovaDialog::kPvalue, "1.5", NumberRangeMessage(0, 1), "1"},
      {"percentile", percentile, PercentileFilterDialog::kFold, "0.5", NumberRangeMessage(1, 1000),
       "1"},
      {"percentile", percentile, PercentileFilterDialog::kNumerator, "101",
       NumberRangeMessage(0, 100), "100"},
      {"percentile", percentile, PercentileFilterDialog::kDenominator, "-0.1",
       NumberRangeMessage(0, 100), "0"},
      {"snp export", snpExport, ExportSnpDialog::kGenesPerRegion, "1001",
       IntegerRangeMessage(0, 1000), "1000"},
      {"enu", enu, EnuDialog::kPenetranceAB, "1.5", NumberRangeMessage(0, 1), "0.3"},
      {"snp filter", snpFilter, FilterSnpDialog::kCallRate, "101", IntegerRangeMessage(0, 100),
       "100"},
      {"snp filter", snpFilter, FilterSnpDialog::kFragmentLength, "5001",
       IntegerRangeMessage(0, 5000), "5000"},
      {"refGene", refGene, FindRefGeneDialog::kLocusLinkId, "12x", kNotAnIntegerMessage, "12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dialog) + " " + std::to_string(c.field) + " '" + c.bad + "'");
    prompts.prompts.clear();
    std::unique_ptr<QDialog> dialog = c.make();
    dialog->show();
    auto* edit = Control<QLineEdit>(*dialog, c.field);
    ASSERT_NE(edit, nullptr);
    Type(*edit, c.bad);
    PressOk(*dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{c.message});
    Type(*edit, c.good);
    PressOk(*dialog);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(prompts.Messages().size(), 1u);
  }
  EXPECT_EQ(TheGroup().Settings().FILTER_PRESENCE, 100);
  EXPECT_EQ(TheGroup().Settings().ANOVA_PVALUE, 1.0);
  EXPECT_EQ(TheGroup().RunOptions().percentileLow, 0.0f);
  EXPECT_EQ(TheGroup().RunOptions().percentileOutput, File("kept.xls"));
  EXPECT_EQ(TheGroup().RunOptions().snpExportGenesPerRegion, 1000);
  // The ENU settings keep the states as the calls number them: AA, BB, AB.
  EXPECT_EQ(chromosome.affectedGivenState[2], 0.3f);
  EXPECT_EQ(MaxFragmentLength, 5000);
  EXPECT_EQ(MinCallRatePercent, 100);
}

TEST_F(FilterDialogsTest, TheFilterPageOffersOnlyTheCriteriaTheGroupCanMeet) {
  struct Case {
    const char* group;
    int arrayType;
    bool calls;
    const char* arrayList;  // "" for one array per sample
    bool callsOffered;
    bool replicatesOffered;
  };
  const Case cases[] = {
      {"expression arrays with calls", 0, true, "", true, false},
      {"expression arrays without calls", 0, false, "", false, false},
      {"replicate arrays", 0, true, "a1\na2\n--- Replicate---\na3\na4\n", true, true},
      {"SNP arrays", 2, true, "a1\na2\n--- Replicate---\na3\na4\n", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    ArrayType = c.arrayType;
    TheGroup().HasCalls = c.calls;
    if (*c.arrayList == '\0') {
      SampleGrouping.SetDefaultGrouping();
    } else {
      std::ofstream(File("arrays.txt"), std::ios::binary) << c.arrayList;
      SampleGrouping.ReadArrayListFile(File("arrays.txt"));
      ASSERT_LT(SampleGrouping.SampleCount(), TheGroup().NumArrays());
    }
    GroupSettings& settings = TheGroup().Settings();
    settings.USE_CALL_FILTER = 0;
    settings.USE_REP_FILTER = 0;
    settings.DISPLAY_RANGE = 2.0;
    settings.USE_STD_SEP = 1;
    auto sheet = FilterSheet();
    auto* calls = Control<QCheckBox>(*sheet, CClusterGeneDialog::kUseCalls);
    auto* replicates = Control<QCheckBox>(*sheet, CClusterGeneDialog::kUseReplicates);
    EXPECT_EQ(calls->isEnabled(), c.callsOffered);
    EXPECT_EQ(Control<QLineEdit>(*sheet, CClusterGeneDialog::kPresence)->isEnabled(),
              c.callsOffered);
    EXPECT_EQ(replicates->isEnabled(), c.replicatesOffered);
    // A click on a criterion the group cannot meet leaves it off.
    Press(calls);
    Press(replicates);
    EXPECT_EQ(calls->isChecked(), c.callsOffered);
    EXPECT_EQ(replicates->isChecked(), c.replicatesOffered);
    PressOk(*sheet);
    ASSERT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(settings.USE_CALL_FILTER, c.callsOffered ? 1 : 0);
    EXPECT_EQ(settings.USE_REP_FILTER, c.replicatesOffered ? 1 : 0);
    const bool snp = c.arrayType != 0;
    EXPECT_EQ(settings.DISPLAY_RANGE, snp ? CClusterGeneDialog::kSnpDisplayRange : 2.0);
    EXPECT_EQ(settings.USE_STD_SEP, snp ? 0 : 1);
  }
}

TEST_F(FilterDialogsTest, TheGeneListButtonCyclesAndTheOutputListIsRequired) {
  GroupSettings& settings = TheGroup().Settings();
  settings.FILTER_OUTPUT_LIST = "None";
  settings.FILTER_VAR_METHOD = 0;
  settings.USE_CV_FILTER = 0;
  settings.USE_EXPR_FILTER = 0;
  auto sheet = FilterSheet();
  auto* input = Control<QPushButton>(*sheet, CClusterGeneDialog::kInputList);
  auto* output = Control<QPushButton>(*sheet, CClusterGeneDialog::kOutputList);
  EXPECT_EQ(Text(input), "using all genes");
  EXPECT_EQ(Text(output), "None");

  const std::string list = File("up genes.txt");
  prompts.fileAnswers.push_back(list);
  Press(input);
  EXPECT_EQ(Text(input), "using " + list);
  Press(input);
  EXPECT_EQ(Text(input), "excluding " + list);
  Press(input);
  EXPECT_EQ(Text(input), "using all genes");
  // Back at all genes, the file dialog starts at the list switched off; Cancel stays.
  Press(input);
  EXPECT_EQ(Text(input), "using all genes");
  ASSERT_EQ(prompts.prompts.size(), 2u);
  EXPECT_TRUE(prompts.prompts[0].request.open);
  EXPECT_EQ(prompts.prompts[0].request.filter, kDataFileFilter);
  EXPECT_EQ(prompts.prompts[1].request.startFile, list);

  auto* measure = Control<QComboBox>(*sheet, CClusterGeneDialog::kVariationMeasure);
  measure->setFocus();
  QTest::keyClick(measure, Qt::Key_Down);
  EXPECT_EQ(settings.FILTER_VAR_METHOD, 1) << "the measure is stored at once";
  Press(Control<QCheckBox>(*sheet, CClusterGeneDialog::kUseVariation));
  Press(Control<QCheckBox>(*sheet, CClusterGeneDialog::kUseExpression));
  Press(Control<QPushButton>(*sheet, ids::kOptionsButton));
  EXPECT_EQ(optionsOpened, 1);

  PressOk(*sheet);
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{CClusterGeneDialog::kNoOutputMessage});
  EXPECT_EQ(settings.USE_CV_FILTER, 0) << "a refused page stores nothing";

  const std::string kept = File("kept genes.xls");
  prompts.fileAnswers.push_back(kept);
  Press(output);
  EXPECT_FALSE(prompts.prompts.back().request.open);
  EXPECT_EQ(Text(output), kept);
  PressOk(*sheet);
  ASSERT_EQ(sheet->result(), QDialog::Accepted);
  EXPECT_EQ(settings.FILTER_OUTPUT_LIST, kept);
  EXPECT_EQ(settings.FILTER_INPUT_LIST, "None " + list);
  EXPECT_EQ(settings.FILTER_INPUT_USE, 0);
  EXPECT_EQ(settings.USE_CV_FILTER, 1);
  EXPECT_EQ(settings.USE_EXPR_FILTER, 1);
}

TEST_F(FilterDialogsTest, AnovaNeedsAFactorOrACurrentGene) {
  bool currentGene = false;
  AnovaDialog dialog([&currentGene] { return currentGene; }, nullptr);
  dialog.show();
  auto* factor = Control<QPushButton>(dialog, AnovaDialog::kFactorButton);
  EXPECT_TRUE(factor->isEnabled());
  EXPECT_EQ(Text(factor), "factor");
  EXPECT_EQ(dialog.ExportFile(), platform::JoinPath(Folder(), "liver anova filtering.xls"));
  EXPECT_EQ(Text(Control<QPushButton>(dialog, AnovaDialog::kExportFile)), dialog.ExportFile());

  PressOk(dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(prompts.Messages(), std::vector<std::string>{AnovaDialog::kNoFactorMessage});
  // A current gene does not make up for a missing factor once ANOVA is chosen.
  currentGene = true;
  Press(Control<QRadioButton>(dialog, AnovaDialog::kUseFactor));
  PressOk(dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(prompts.Messages().size(), 2u);

  prompts.dialogAnswer = [](QDialog& select) {
    select.show();
    ClickRow(*Control<QListWidget>(select, SelectFactorsDialog::kColumnList), 0);
    select.accept();
    return select.result();
  };
  Press(factor);
  EXPECT_EQ(Text(factor), "Tissue");
  Press(Control<QCheckBox>(dialog, AnovaDialog::kRankCorrelation));
  const std::string table = File("tissue.xls");
  prompts.fileAnswers.push_back(table);
  Press(Control<QPushButton>(dialog, AnovaDialog::kExportFile));
  PressOk(dialog);
  ASSERT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Method(), AnovaDialog::kMethodFactor);
  EXPECT_EQ(dialog.ExportFile(), table);
  EXPECT_EQ(TheGroup().Settings().ANOVA_FACTOR, "Tissue");
  EXPECT_TRUE(TheGroup().RunOptions().factorRankCorrelation);
  EXPECT_FALSE(TheGroup().RunOptions().factorAbsoluteCorrelation);

  // Without sample information there is no factor to choose; a current gene is enough.
  SampleInfo.Clear();
  TheGroup().Settings().ANOVA_FACTOR = "None";
  AnovaDialog correlation([] { return true; }, nullptr);
  correlation.show();
  EXPECT_FALSE(Control<QPushButton>(correlation, AnovaDialog::kFactorButton)->isEnabled());
  PressOk(correlation);
  ASSERT_EQ(correlation.result(), QDialog::Accepted);
  EXPECT_EQ(correlation.Method(), AnovaDialog::kMethodCurrentGene);
}

TEST_F(FilterDialogsTest, ChoicesThatExcludeOrSetEachOther) {
  ExportBranchDialog branch(File("branch.xls"), nullptr);
  branch.show();
  auto* cut = Control<QCheckBox>(branch, ExportBranchDialog::kCutTree);
  auto* colored = Control<QCheckBox>(branch, ExportBranchDialog::kColoredBranches);
  EXPECT_FALSE(Control<QCheckBox>(branch, ExportBranchDialog::kStandardized)->isChecked());
  EXPECT_FALSE(cut->isChecked());
  EXPECT_TRUE(colored->isChecked());
  Press(cut);
  EXPECT_TRUE(cut->isChecked());
  EXPECT_FALSE(colored->isChecked());
  Press(colored);
  EXPECT_FALSE(cut->isChecked());
  Press(cut);
  prompts.fileAnswers.push_back(File("other.xls"));
  Press(Control<QPushButton>(branch, ExportBranchDialog::kOutputFile));
  EXPECT_EQ(prompts.prompts.back().request.defaultExtension, "xls");
  EXPECT_EQ(prompts.prompts.back().request.startFile, File("branch.xls"));
  PressOk(branch);
  ASSERT_EQ(branch.result(), QDialog::Accepted);
  EXPECT_EQ(branch.OutputFile(), File("other.xls"));
  EXPECT_TRUE(TheGroup().RunOptions().branchExportCutTree);
  EXPECT_FALSE(TheGroup().RunOptions().branchExportColoredBranches);

  EnuDialog enu(nullptr, nullptr);
  enu.show();
  const auto penetrance = [&enu] {
    return Text(Control<QLineEdit>(enu, EnuDialog::kPenetranceAA)) + " " +
           Text(Control<QLineEdit>(enu, EnuDialog::kPenetranceAB)) + " " +
           Text(Control<QLineEdit>(enu, EnuDialog::kPenetranceBB));
  };
  Press(Control<QRadioButton>(enu, EnuDialog::kDominant));
  EXPECT_EQ(penetrance(), "1 1 0");
  Press(Control<QRadioButton>(enu, EnuDialog::kRecessive));
  EXPECT_EQ(penetrance(), "1 0 0");
  Type(*Control<QLineEdit>(enu, EnuDialog::kPenetranceBB), "0.05");
  Press(Control<QCheckBox>(enu, EnuDialog::kInferGenotypes));
  PressOk(enu);
  ASSERT_EQ(enu.result(), QDialog::Accepted);
  EXPECT_EQ(chromosome.affectedGivenState, (std::array<float, 3>{1, 0.05f, 0}));
  // Inferred genotypes are the default, so the click turned them off.
  EXPECT_EQ(chromosome.usePosterior, 0);

  // The export's kind becomes the next dialog's first choice.
  {
    ExportSnpDialog snp(nullptr, nullptr);
    snp.show();
    EXPECT_EQ(snp.OutputFile(), platform::JoinPath(Folder(), "liver data.xls"));
    EXPECT_TRUE(Control<QRadioButton>(snp, ExportSnpDialog::kDataUnderView)->isChecked());
    Press(Control<QRadioButton>(snp, ExportSnpDialog::kSignificantRegions));
    PressOk(snp);
    EXPECT_EQ(snp.What(), ExportSnpDialog::kExportSignificantRegions);
  }
  ExportSnpDialog again(nullptr, nullptr);
  EXPECT_TRUE(Control<QRadioButton>(again, ExportSnpDialog::kSignificantRegions)->isChecked());
}

TEST_F(FilterDialogsTest, SnpFilterAndRefGeneDialogsStartFromTheirDefaults) {
  TheGroup().Settings().FILTER_OUTPUT_LIST = "";
  FilterSnpDialog filter(nullptr);
  filter.show();
  const std::string proposed = platform::JoinPath(Folder(), "liver filtered SNP.xls");
  auto* output = Control<QPushButton>(filter, FilterSnpDialog::kOutputList);
  EXPECT_EQ(Text(output), proposed);
  EXPECT_EQ(Text(Control<QLineEdit>(filter, FilterSnpDialog::kFragmentLength)), "2000");
  // The list button switches the file off, then back on at the same name.
  Press(output);
  EXPECT_EQ(Text(output), "None");
  prompts.fileAnswers.push_back(proposed);
  Press(output);
  EXPECT_EQ(prompts.prompts.back().request.startFile, proposed);
  Type(*Control<QLineEdit>(filter, FilterSnpDialog::kCallRate), "75");
  PressOk(filter);
  ASSERT_EQ(filter.result(), QDialog::Accepted);
  EXPECT_EQ(MinCallRatePercent, 75);
  EXPECT_EQ(TheGroup().Settings().FILTER_OUTPUT_LIST, proposed);

  FindRefGeneDialog find(nullptr);
  find.show();
  auto* keywords = Control<QLineEdit>(find, FindRefGeneDialog::kKeywords);
  EXPECT_EQ(Text(Control<QLineEdit>(find, FindRefGeneDialog::kLocusLinkId)), "0");
  Type(*keywords, std::string(60, 'k').c_str());
  PressOk(find);
  ASSERT_EQ(find.result(), QDialog::Accepted);
  EXPECT_EQ(find.Keywords(), std::string(FindRefGeneDialog::kMaxKeywordsLength, 'k'));
  EXPECT_EQ(find.LocusLinkId(), 0);
}

TEST_F(FilterDialogsTest, Pictures) {
  auto sheet = FilterSheet();
  CheckScreenshot(*sheet, "filter_genes_sheet.png",
                  QStringLiteral("P call % in the arrays used  >="));
  AnovaDialog anova(nullptr, nullptr);
  CheckScreenshot(anova, "anova_dialog.png", QStringLiteral("P-value <="));
  PercentileFilterDialog percentile(nullptr);
  CheckScreenshot(percentile, "percentile_filter_dialog.png",
                  QStringLiteral("-th percentile    >="));
  ExportBranchDialog branch(File("branch.xls"), nullptr);
  CheckScreenshot(branch, "export_branch_dialog.png",
                  QStringLiteral("&Ouput all colored gene branches"));
  ExportSnpDialog snp(nullptr, nullptr);
  CheckScreenshot(snp, "export_snp_dialog.png", QStringLiteral("genes in each region"));
  EnuDialog enu(nullptr, nullptr);
  CheckScreenshot(enu, "enu_dialog.png", QStringLiteral("Dominant"));
  FilterSnpDialog filter(nullptr);
  CheckScreenshot(filter, "filter_snp_dialog.png", QStringLiteral("Call rate across samples >="));
  FindRefGeneDialog find(nullptr);
  CheckScreenshot(find, "find_ref_gene_dialog.png", QStringLiteral("Keywords:"));
}

}  // namespace
