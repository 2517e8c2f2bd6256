// Analysis/Chromosome end to end on a generated SNP study with planted losses: the dialog,
// the log block, the genome files read and the data gathered, and view 8 shown under its
// "Chromosome" item; a file that cannot be read ends the block with its closing line and
// leaves no item.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <regex>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_command.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "shell/dialogs/genome/chromosome_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/chromosome_study.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"

namespace {

class ChromosomeCommandTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    ChromosomeStudy::Clear();
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }
  // Runs the command with the dialog accepted as it stands; the log lines it added.
  std::vector<std::string> Run(CMainFrame& frame) {
    const std::size_t before = LogLines().size();
    prompts.AcceptDialogs();
    EXPECT_TRUE(frame.OnCommand(ids::kChromosome));
    std::vector<std::string> all = LogLines();
    // Closing lines end with a line break of their own.
    while (!all.empty() && all.back().empty()) all.pop_back();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
  }

  WindowEventPump mPump;
};

TEST_F(ChromosomeCommandTest, GathersTheStudyAndShowsItAlongTheChromosomes) {
  ChromosomeStudy::Install(mFolder);
  CMainFrame& frame = OpenFrame();
  ASSERT_TRUE(frame.CommandUi(ids::kChromosome).enabled) << "a SNP group";

  // Cancel: no block, no item.
  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kChromosome));
  EXPECT_EQ(LogLines().size(), before);
  EXPECT_EQ(prompts.prompts.back().text, "c165");

  std::vector<std::string> lines = Run(frame);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), std::string("{") + kChromosomeCommandTitle);
  EXPECT_TRUE(std::regex_match(
      lines.back(), std::regex("Finished in [0-9]{2} hours [0-9]{2} minutes [0-9]{2} seconds\\}")))
      << lines.back();
  EXPECT_EQ(LineColour(static_cast<int>(LogLines().size()) - 1), QColor(0, 0, 255));
  EXPECT_EQ(AnalysisRunning, 0);
  EXPECT_EQ(TopLevelLabels(frame.LeftView()).back(), "Chromosome");
  EXPECT_EQ(frame.LeftView().currentItem(), frame.LeftView().ViewItem(VIEW_CHROMOSOME));
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CHROMOSOME);
  auto* view = dynamic_cast<CChromosomeView*>(frame.PaneView());
  ASSERT_NE(view, nullptr);

  // What was gathered: the three files read, the LOH calls inferred, and the planted loss
  // of T0 called lost where the normal beside it was heterozygous.
  EXPECT_GT(refgene_info.refGeneCount, 20);
  EXPECT_GT(genome_info.bandCount, 0);
  EXPECT_EQ(chromosome.dataType, kDataLohCall);
  const int tumour = SampleGrouping.FindSample("T0");
  ASSERT_GE(tumour, 0);
  int lost = 0;
  for (int u = 45; u <= 94; ++u) lost += chromosome.lohCodes.Row(tumour)[u] < 0.5f ? 1 : 0;
  EXPECT_GE(lost, 45);

  QApplication::processEvents();
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  EXPECT_TRUE(frame.grab().save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/chromosome_command.png")));

  // A genome file that cannot be read: the block closes as not completed, the old item and
  // view are gone.
  TheGroup().Settings().GENOME_INFO_FILE = File("absent genome.txt");
  RegionsMode = ShowSampleTree = true;
  lines = Run(frame);
  EXPECT_FALSE(RegionsMode || ShowSampleTree) << "no dendrogram of data that is gone";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Not completed}");
  EXPECT_EQ(frame.LeftView().ViewItem(VIEW_CHROMOSOME), nullptr);
  EXPECT_EQ(frame.RightViews(VIEW_CHROMOSOME), nullptr);
  EXPECT_NE(frame.CurrentViewIndex(), VIEW_CHROMOSOME);
}

}  // namespace
