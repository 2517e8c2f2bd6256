// Pathway/Filter Genes through the window: enabled with more than one node and the
// "Pathway" item, the dialog filled with real clicks and keys, a range refusal that keeps
// it open, a cancel that leaves no block, and a run whose block lists the planted genes.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/services/running_scope.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/pathway/pathway.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/pathway/pathway_filter_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/time_course.hpp"

namespace {

class PathwayFilterCommandTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    synth::TimeCourseOptions options;
    options.genes = 200;
    truth = synth::MakeTimeCourses(options);
    synth::InstallTimeCourseGroup(truth);
    ASSERT_TRUE(synth::WriteGeneInfo(synth::TimeCourseGeneInfo(truth), File("info.txt")));
    {
      const RaisedAnalysisRunning running;
      ASSERT_TRUE(ReadGeneInfoFile(File("info.txt"), true));
    }
    std::ofstream(File("list.txt")) << synth::TimeCourseGeneListText(truth);
    // The planted cascade: its first gene named, the other two to be found.
    ClearPathway();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(AddNode());
    SetNodeName(0, truth.geneNames[static_cast<std::size_t>(truth.motifGenes[0])]);
    RenumberUnknownNodes();
    ASSERT_TRUE(EditArrow(0, 1, 1, true, kActivation));
    ASSERT_TRUE(EditArrow(1, 2, 2, true, kInhibition));
    ThePathway().currentNode = -1;
    TheGroup().Settings().FILTER_INPUT_LIST = "None";
  }
  void TearDown() override {
    ClearPathway();
    ClearGeneInformation();
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
  }
  std::string Planted(int node) const {
    return truth
        .probeSets[static_cast<std::size_t>(truth.motifGenes[static_cast<std::size_t>(node)])];
  }
  static void PressOk(QDialog& dialog) {
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
  }

  synth::TimeCourseTruth truth;
  WindowEventPump mPump;
};

TEST_F(PathwayFilterCommandTest, TheDialogSetsTheFilterThatFindsThePlantedGenes) {
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  QAction* action = frame.Action(ids::kPathwayFilterGenes);
  EXPECT_FALSE(action->isEnabled()) << "no Pathway item yet";
  frame.InsertViewItem(VIEW_PATHWAY, "Pathway", tree_image::kPathway);
  frame.UpdateCommandUi();
  EXPECT_TRUE(action->isEnabled());
  const PATHWAY kept = ThePathway();
  ThePathway().nodeCount = 1;
  frame.UpdateCommandUi();
  EXPECT_FALSE(action->isEnabled()) << "a single node";
  ThePathway() = kept;
  frame.UpdateCommandUi();

  // Cancel: no block.
  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kPathwayFilterGenes));
  EXPECT_EQ(LogLines().size(), before);

  std::vector<std::string> shownList;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    auto* list = Control<QPushButton>(dialog, PathwayFilterDialog::kInputList);
    auto* correlation = Control<QLineEdit>(dialog, PathwayFilterDialog::kCorrelation);
    auto* rank = Control<QCheckBox>(dialog, PathwayFilterDialog::kRankCorrelation);
    shownList.push_back(list->text().toStdString());
    EXPECT_EQ(correlation->text().toStdString(), "0.9");
    prompts.fileAnswers.push_back(File("list.txt"));
    compare_events::Click(*list);
    shownList.push_back(list->text().toStdString());
    compare_events::Type(*correlation, "1.5");
    PressOk(dialog);
    EXPECT_TRUE(dialog.isVisible()) << "refused, the dialog stays";
    compare_events::Type(*correlation, "0.85");
    compare_events::Click(*rank);
    EXPECT_TRUE(rank->isChecked());
    PressOk(dialog);
    return dialog.result();
  };
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kPathwayFilterGenes));
  std::vector<std::string> messages;
  for (const RecordedPrompt& prompt : prompts.prompts)
    if (prompt.kind == RecordedPrompt::Kind::kMessage) messages.push_back(prompt.text);
  EXPECT_EQ(messages, std::vector<std::string>{NumberRangeMessage(0, 1)});
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kFile), 1);
  EXPECT_EQ(shownList, std::vector<std::string>({"None", File("list.txt")}));
  const GroupSettings& settings = TheGroup().Settings();
  EXPECT_EQ(settings.FILTER_INPUT_LIST, File("list.txt"));
  EXPECT_EQ(settings.PATHWAY_CORR, 0.85);
  EXPECT_TRUE(TheGroup().RunOptions().factorRankCorrelation);

  const std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before + 4);
  EXPECT_EQ(lines[before], "{Filter gene sets by pathway");
  EXPECT_EQ(lines[lines.size() - 2], "Finished}");
  EXPECT_EQ(lines[lines.size() - 3], "    1 consistent sets found");
  const auto has = [&lines](const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  };
  const std::string gene1 = truth.geneNames[static_cast<std::size_t>(truth.motifGenes[1])];
  EXPECT_TRUE(has("      Node 'Unknown1' is " + Planted(1) + ", " + gene1));
  EXPECT_TRUE(has("    Consistent set 1"));
}

TEST_F(PathwayFilterCommandTest, Screenshot) {
  TheGroup().Settings().FILTER_INPUT_LIST = File("list.txt");
  PathwayFilterDialog dialog(nullptr);
  CheckScreenshot(dialog, "pathway_filter_dialog.png", QStringLiteral("Correlation >="));
}

}  // namespace
