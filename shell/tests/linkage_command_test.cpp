// The linkage command through the window on a generated pedigree study: the dialog filled
// with real clicks and keys (a range refusal keeps it open, the seed follows the simulate
// box, the LOH mode stays hidden), then the run whose LOD curve lands in the chromosome
// data; a cancel changes no setting; and the dialog's picture.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/linkage/merlin_interface.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/genome/linkage_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "tools/synth/genome_pedigree.hpp"
#include "tools/synth/genome_pedigree_files.hpp"
#include "tools/synth/genome_pedigree_group.hpp"
#include "tools/synth/genome_snp_group.hpp"

namespace {

class LinkageCommandTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    synth::PedigreePlan plan = synth::PedigreeMapPlan(1, 80, 120, 41);
    plan.children = 7;
    plan.minAffected = 4;
    plan.diseaseFrequency = 0.01;
    plan.penetrance = 0.95;
    plan.diseaseMarker = 40;
    const synth::PedigreeTruth truth = synth::MakePedigree(plan);
    const synth::SnpGroupTruth group = synth::PedigreeSnpGroup(truth);
    synth::InstallSnpGroup(group);
    GroupSettings& s = TheGroup().Settings();
    s.ARRAY_LIST_FILE = File("arrays.txt");
    std::ofstream(s.ARRAY_LIST_FILE) << synth::PedigreeArrayListText(truth);
    SampleGrouping.ReadArrayListFile(s.ARRAY_LIST_FILE);
    std::ofstream(File("pedigree.txt")) << synth::PedigreeFileText(truth);
    genome_info.Unit.assign(static_cast<std::size_t>(group.MarkerCount()), UNIT_POS{});
    genome_info.chroCount.fill(0);
    for (int u = 0; u < group.MarkerCount(); ++u) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
      unit.chro = 0;
      unit.pos = static_cast<float>(group.pos[static_cast<std::size_t>(u)]);
      unit.second = unit.pos * 1e-6f;
      ++genome_info.chroCount[0];
    }
    genome_info.NumChro = 1;
    ASSERT_TRUE(genome_info.GetUnitPos());
    ASSERT_TRUE(chromosome.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                                    TablesFor(kChroLinkage, true, false)));
    ASSERT_TRUE(chromosome.GetCalls());
    s.PEDIGREE_FILE = "";
    s.CALL_MERLIN = 0;
    s.LINKAGE_SIMULATE = 0;
    s.LINKAGE_INHERITANCE = 0;
    s.CHRO_CUR_CHRO = 0;
    s.VIEW_ALL_CHROMOSOME = 0;
    s.CHRO_METHOD = kChroLinkage;
    ArrayType = 1;
  }
  void TearDown() override {
    chromosome.Clear();
    genome_info.Clear();
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
  }
  static void PressOk(QDialog& dialog) {
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
  }

  WindowEventPump mPump;
};

TEST_F(LinkageCommandTest, TheDialogSetsTheModelAndTheRunFillsTheCurve) {
  CMainFrame& frame = OpenFrame();
  const std::string merlinFolder = File("merlin");
  std::vector<std::string> shown;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    auto* pedigree = Control<QPushButton>(dialog, LinkageDialog::kPedigreeFile);
    auto* folder = Control<QPushButton>(dialog, LinkageDialog::kMerlinFolder);
    auto* simulate = Control<QCheckBox>(dialog, LinkageDialog::kSimulate);
    auto* seed = Control<QLineEdit>(dialog, LinkageDialog::kRandomSeed);
    auto* frequency = Control<QLineEdit>(dialog, LinkageDialog::kDiseaseFrequency);
    auto* penetrance = Control<QLineEdit>(dialog, LinkageDialog::kPenetrance);
    auto* phenocopy = Control<QLineEdit>(dialog, LinkageDialog::kPhenocopy);
    EXPECT_FALSE(Control<QRadioButton>(dialog, LinkageDialog::kLoh)->isVisible());
    EXPECT_TRUE(Control<QRadioButton>(dialog, LinkageDialog::kRecessive)->isChecked());
    shown.push_back(pedigree->text().toStdString());
    prompts.fileAnswers.push_back(File("pedigree.txt"));
    compare_events::Click(*pedigree);
    shown.push_back(pedigree->text().toStdString());
    prompts.folderAnswers.push_back(merlinFolder);
    compare_events::Click(*folder);
    shown.push_back(folder->text().toStdString());

    EXPECT_FALSE(seed->isEnabled());
    compare_events::Click(*simulate);
    EXPECT_TRUE(seed->isEnabled());
    compare_events::Click(*simulate);
    EXPECT_FALSE(seed->isEnabled());

    compare_events::Type(*penetrance, "1.5");
    PressOk(dialog);
    EXPECT_TRUE(dialog.isVisible()) << "refused, the dialog stays";
    compare_events::Type(*frequency, "0.01");
    compare_events::Type(*penetrance, "0.95");
    compare_events::Type(*phenocopy, "0.02");
    compare_events::Click(*Control<QRadioButton>(dialog, LinkageDialog::kDominant));
    compare_events::Click(*Control<QCheckBox>(dialog, LinkageDialog::kOneCrossover));
    PressOk(dialog);
    return dialog.result();
  };
  const bool oneCrossover = TheGroup().Settings().ONE_CROSSOVER != 0;
  const std::size_t before = LogLines().size();
  frame.ShowView(VIEW_CHROMOSOME);
  ASSERT_TRUE(frame.CommandUi(ids::kChroLinkageAnalysis).enabled);
  ASSERT_TRUE(frame.OnCommand(ids::kChroLinkageAnalysis));

  EXPECT_EQ(shown, std::vector<std::string>(
                       {"None", File("pedigree.txt"), "Merlin directory: " + merlinFolder}));
  std::vector<std::string> messages;
  for (const RecordedPrompt& prompt : prompts.prompts)
    if (prompt.kind == RecordedPrompt::Kind::kMessage) messages.push_back(prompt.text);
  EXPECT_EQ(messages, std::vector<std::string>{NumberRangeMessage(0, 1)});
  const GroupSettings& s = TheGroup().Settings();
  EXPECT_EQ(s.PEDIGREE_FILE, File("pedigree.txt"));
  EXPECT_EQ(s.MERLIN_DIR, merlinFolder);
  EXPECT_EQ(s.LINKAGE_INHERITANCE, 1);
  EXPECT_FLOAT_EQ(s.LINKAGE_DISEASE_FREQ, 0.01f);
  EXPECT_FLOAT_EQ(s.LINKAGE_PENETRANCE, 0.95f);
  EXPECT_FLOAT_EQ(s.LINKAGE_PHENOCOPY, 0.02f);
  EXPECT_EQ(s.ONE_CROSSOVER != 0, !oneCrossover);
  EXPECT_EQ(s.LINKAGE_SIMULATE, 0);

  const std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before + 3);
  EXPECT_EQ(lines[before], "{Linkage analysis using SNP data");
  EXPECT_EQ(lines[lines.size() - 2].rfind("Finished in", 0), 0u) << lines[lines.size() - 2];
  // Informative markers have a score (the others are skipped); the best lies near the
  // planted locus.
  const std::vector<int> markers = ChromosomeMarkers(chromosome, 0);
  ASSERT_EQ(markers.size(), 80u);
  int best = markers.front(), scored = 0;
  auto lod = [](int unit) {
    return chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall];
  };
  for (const int unit : markers) {
    if (IsMissing(lod(unit))) continue;
    ++scored;
    if (IsMissing(lod(best)) || lod(unit) > lod(best)) best = unit;
  }
  EXPECT_GT(scored, 40);
  EXPECT_GT(lod(best), 0.5f);
  EXPECT_NEAR(genome_info.Unit[static_cast<std::size_t>(best)].second, genome_info.Unit[40].second,
              20.0f);

  // The view with the LOD curve, a picture for people to look at.
  frame.ShowView(VIEW_CHROMOSOME);
  QWidget* view = frame.RightViews(VIEW_CHROMOSOME);
  ASSERT_NE(view, nullptr);
  view->resize(1000, 700);
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  const QImage picture = view->grab().toImage();
  EXPECT_FALSE(picture.isNull());
  EXPECT_TRUE(picture.save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/linkage_lod_curve.png")));
}

TEST_F(LinkageCommandTest, CancelChangesNoSetting) {
  CMainFrame& frame = OpenFrame();
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    compare_events::Type(*Control<QLineEdit>(dialog, LinkageDialog::kPenetrance), "0.5");
    compare_events::Click(*Control<QCheckBox>(dialog, LinkageDialog::kCallMerlin));
    return QDialog::Rejected;
  };
  const float penetrance = TheGroup().Settings().LINKAGE_PENETRANCE;
  frame.ShowView(VIEW_CHROMOSOME);
  const std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kChroLinkageAnalysis));
  EXPECT_EQ(LogLines().size(), before) << "a cancelled dialog starts nothing";
  EXPECT_EQ(TheGroup().Settings().LINKAGE_PENETRANCE, penetrance);
  EXPECT_EQ(TheGroup().Settings().CALL_MERLIN, 0);
}

TEST_F(LinkageCommandTest, Screenshot) {
  TheGroup().Settings().PEDIGREE_FILE = File("pedigree.txt");
  TheGroup().Settings().MERLIN_DIR = "/opt/linkage";
  LinkageDialog dialog(12345, nullptr, nullptr);
  CheckScreenshot(dialog, "linkage_dialog.png", QStringLiteral("Pedigree file:"));
}

}  // namespace
