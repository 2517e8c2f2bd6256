// The chromosome view's commands on a gathered SNP study: every enable and
// check rule in one table, the display switches and searches with their
// effects, and the analyses and exports with their log blocks, messages and
// files.
#include <gtest/gtest.h>

#define MATHLIB_STANDALONE
#include <Rmath.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/stat_connector.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/inference/chromosome_curve.hpp"
#include "genome/inference/random_seed.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "shell/dialogs/genome/cluster_snp_dialog.hpp"
#include "shell/dialogs/genome/export_snp_dialog.hpp"
#include "shell/dialogs/genome/find_ref_gene_dialog.hpp"
#include "shell/dialogs/genome/linkage_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/output_files.hpp"
#include "shell/tests/chromosome_study.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/chromosome/chromosome_layout.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"
#include "shell/views/pane/export_image_command.hpp"

namespace {

using compare_events::Type;

class ChromosomeViewCommandsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // Permutations draw from R's generator; the tests after these find it as it was.
    get_seed(&mSeeds[0], &mSeeds[1]);
    TheGroup().SetName("study");
    TheGroup().Settings().WORKING_DIR = Folder();
  }
  void TearDown() override {
    set_seed(mSeeds[0], mSeeds[1]);
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
    DisplayInferred = chromosome.displayInferred = true;
    PermuteUseInferred = false;
    ShellTest::TearDown();
    ChromosomeStudy::Clear();
    // Limits and thresholds (the permutation's among them) outlive a gathering.
    chromosome = CHROMOSOME{};
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }

  // The study gathered by Analysis/Chromosome with the method, its view shown.
  CMainFrame& Gather(int method, const std::function<void(synth::SnpGroupTruth&)>& edit = {}) {
    mStudy = ChromosomeStudy::Install(mFolder, edit);
    TheGroup().Settings().CHRO_METHOD = method;
    CMainFrame& frame = OpenFrame();
    prompts.dialogAnswer = Accept();
    EXPECT_TRUE(frame.OnCommand(ids::kChromosome));
    prompts.dialogAnswer = {};
    EXPECT_NE(dynamic_cast<CChromosomeView*>(frame.PaneView()), nullptr);
    return frame;
  }
  // A dialog answered by changing it first, then OK as the user presses it.
  static std::function<int(QDialog&)> Accept(std::function<void(QDialog&)> fill = {}) {
    return [fill](QDialog& dialog) {
      dialog.show();
      if (fill) fill(dialog);
      if (auto* box = dialog.findChild<QDialogButtonBox*>())
        compare_events::Click(*box->button(QDialogButtonBox::Ok));
      return dialog.result();
    };
  }
  std::vector<std::string> LinesFrom(std::size_t from) const {
    std::vector<std::string> all = LogLines();
    // Closing lines end with a line break of their own.
    while (!all.empty() && all.back().empty()) all.pop_back();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
  }

  ChromosomeStudy mStudy;
  WindowEventPump mPump;
  unsigned int mSeeds[2] = {0, 0};
};

TEST_F(ChromosomeViewCommandsTest, RulesFollowTheDataTypeTheFlagsAndTheMethod) {
  CMainFrame& frame = Gather(kChroLoh);
  GroupSettings& settings = TheGroup().Settings();
  const int refGenes = refgene_info.refGeneCount;
  ASSERT_GT(refGenes, 0);
  const auto baseline = [&] {
    chromosome.dataType = kDataLohCall;
    chromosome.currentSample = 0;
    ArrayType = 1;
    RegionsMode = false;
    DisplayInferred = true;
    settings.CHRO_METHOD = kChroLoh;
    settings.CHRO_CUR_CHRO = 0;
    settings.PROPORTIONAL_DIST = 0;
    settings.VIEW_ALL_CHROMOSOME = 0;
    refgene_info.refGeneCount = refGenes;
    refgene_info.refGeneKeyword.clear();
    AnalysisRunning = 0;
  };
  const auto type = [](int dataType) { return [dataType] { chromosome.dataType = dataType; }; };
  const auto linkage = [&settings](std::function<void()> more) {
    return [&settings, more] {
      settings.CHRO_METHOD = kChroLinkage;
      if (more) more();
    };
  };
  const auto rawCopies = [](std::function<void()> more) {
    return [more] {
      chromosome.dataType = kDataCopyNumber;
      DisplayInferred = false;
      if (more) more();
    };
  };
  struct Rule {
    const char* what;
    std::function<void()> set;
    int id;
    bool enabled;
    bool checked;
  };
  const std::vector<Rule> rules = {
      {"refGenes loaded", {}, ids::kChroFindGene, true, false},
      {"no refGenes", [] { refgene_info.refGeneCount = 0; }, ids::kChroFindGene, false, false},
      {"no keyword yet", {}, ids::kChroFindNextGene, false, false},
      {"a keyword", [] { refgene_info.refGeneKeyword = "A*"; }, ids::kChroFindNextGene, true,
       false},
      {"proportional off", {}, ids::kChroProportionalDistance, true, false},
      {"proportional on", [&] { settings.PROPORTIONAL_DIST = 1; }, ids::kChroProportionalDistance,
       true, true},
      {"regions shown", [] { RegionsMode = true; }, ids::kChroProportionalDistance, false, false},
      {"one chromosome", {}, ids::kChroShowAll, true, false},
      {"all chromosomes", [&] { settings.VIEW_ALL_CHROMOSOME = 1; }, ids::kChroShowAll, true, true},
      {"regions shown", [] { RegionsMode = true; }, ids::kChroShowAll, false, false},
      {"any type", type(kDataHaplotype), ids::kChroNextDataType, true, false},
      {"inferred LOH shown", {}, ids::kChroDisplayInferred, true, true},
      {"observed LOH shown", [] { DisplayInferred = false; }, ids::kChroDisplayInferred, true,
       false},
      {"calls", type(kDataCall), ids::kChroDisplayInferred, false, true},
      {"log2 ratios", type(kDataLog2Ratio), ids::kChroDisplayInferred, false, true},
      {"copy number", type(kDataCopyNumber), ids::kChroDisplayInferred, true, true},
      {"clustering calls", type(kDataCall), ids::kChroClustering, true, false},
      {"clustering LOH", {}, ids::kChroClustering, true, false},
      {"clustering copies", type(kDataCopyNumber), ids::kChroClustering, true, false},
      {"clustering sharing", type(kDataAlleleSharing), ids::kChroClustering, false, false},
      {"clustering expression arrays", [] { ArrayType = 0; }, ids::kChroClustering, false, false},
      {"clustering while running", [] { AnalysisRunning = 1; }, ids::kChroClustering, false, false},
      {"linkage", linkage({}), ids::kChroLinkageAnalysis, true, false},
      {"linkage on the 23rd chromosome", linkage([&] { settings.CHRO_CUR_CHRO = 22; }),
       ids::kChroLinkageAnalysis, false, false},
      {"linkage on the 22nd", linkage([&] { settings.CHRO_CUR_CHRO = 21; }),
       ids::kChroLinkageAnalysis, true, false},
      {"linkage under the LOH method", {}, ids::kChroLinkageAnalysis, false, false},
      {"linkage on expression arrays", linkage([] { ArrayType = 0; }), ids::kChroLinkageAnalysis,
       false, false},
      {"permute LOH calls", {}, ids::kChroPermuteData, true, false},
      {"permute sharing", type(kDataAlleleSharing), ids::kChroPermuteData, true, false},
      {"permute copies", type(kDataCopyNumber), ids::kChroPermuteData, false, false},
      {"permute while running", [] { AnalysisRunning = 1; }, ids::kChroPermuteData, false, false},
      {"ENU", {}, ids::kChroEnu, true, false},
      {"export", {}, ids::kChroExportSnpData, true, false},
      {"histogram of raw copies", rawCopies({}), ids::kChroRawCopyHistogram, true, false},
      {"histogram of inferred copies", type(kDataCopyNumber), ids::kChroRawCopyHistogram, false,
       false},
      {"histogram without a sample", rawCopies([] { chromosome.currentSample = -1; }),
       ids::kChroRawCopyHistogram, false, false},
      {"histogram of LOH", [] { DisplayInferred = false; }, ids::kChroRawCopyHistogram, false,
       false},
      {"export image", {}, ids::kExportImage, true, false},
      {"find gene", {}, ids::kFindGene, true, false},
  };
  for (const Rule& rule : rules) {
    baseline();
    if (rule.set) rule.set();
    const CommandState state = frame.CommandUi(rule.id);
    EXPECT_EQ(state.enabled, rule.enabled) << rule.what;
    EXPECT_EQ(state.checked, rule.checked) << rule.what;
  }
  // The menu shows the rule.
  baseline();
  settings.VIEW_ALL_CHROMOSOME = 1;
  frame.UpdateCommandUi();
  EXPECT_TRUE(frame.Action(ids::kChroShowAll)->isChecked());
  EXPECT_FALSE(frame.Action(ids::kChroFindNextGene)->isEnabled());
  EXPECT_FALSE(frame.Action(ids::kChroRawCopyHistogram)->isEnabled());
  baseline();
}

TEST_F(ChromosomeViewCommandsTest, DisplaySwitchesToggleAndTheImageIsNamedAfterTheChromosome) {
  CMainFrame& frame = Gather(kChroLoh);
  GroupSettings& settings = TheGroup().Settings();
  // Each switch twice: on, then back off.
  for (const auto& [id, flag] :
       {std::pair{ids::kChroProportionalDistance, &settings.PROPORTIONAL_DIST},
        std::pair{ids::kChroShowAll, &settings.VIEW_ALL_CHROMOSOME}}) {
    const int before = *flag;
    ASSERT_TRUE(frame.OnCommand(id));
    EXPECT_EQ(*flag, before == 0 ? 1 : 0) << id;
    ASSERT_TRUE(frame.OnCommand(id));
    EXPECT_EQ(*flag, before) << id;
  }

  // The next type the method offers, round the types.
  for (int step = 0; step < kChroDataTypeCount; ++step) {
    int expected = chromosome.dataType;
    do expected = (expected + 1) % kChroDataTypeCount;
    while (!MethodOffersDataType(kChroLoh, expected));
    ASSERT_TRUE(frame.OnCommand(ids::kChroNextDataType));
    EXPECT_EQ(chromosome.dataType, expected) << step;
  }

  // Inferred values are switched on the LOH calls, and the gathered data
  // follow.
  chromosome.dataType = kDataLohCall;
  ASSERT_TRUE(DisplayInferred);
  ASSERT_TRUE(frame.OnCommand(ids::kChroDisplayInferred));
  EXPECT_FALSE(DisplayInferred);
  EXPECT_FALSE(chromosome.displayInferred);
  chromosome.dataType = kDataCall;
  EXPECT_FALSE(frame.OnCommand(ids::kChroDisplayInferred)) << "greyed on calls";
  EXPECT_FALSE(DisplayInferred);

  // View/Export Image offers the group and the chromosome shown, none while all
  // are.
  settings.CHRO_CUR_CHRO = 1;
  EXPECT_EQ(PaneViewPicture(frame).defaultName, File("study chro_2"));
  settings.VIEW_ALL_CHROMOSOME = 1;
  EXPECT_EQ(PaneViewPicture(frame).defaultName, File("study chro_"));
}

TEST_F(ChromosomeViewCommandsTest, SearchesGoToTheRefGeneOrMarkerOrSayWhyNot) {
  CMainFrame& frame = Gather(kChroLoh);
  GroupSettings& settings = TheGroup().Settings();
  // A refGene on the second chromosome whose name no other refGene contains.
  int target = -1;
  for (int i = 0; i < refgene_info.refGeneCount && target < 0; ++i) {
    const REFGENE_ENTRY& gene = refgene_info.refGenes[static_cast<std::size_t>(i)];
    if (gene.chro != 1) continue;
    int holders = 0;
    for (const REFGENE_ENTRY& other : refgene_info.refGenes)
      holders += other.name.find(gene.name) != std::string::npos ? 1 : 0;
    if (holders == 1) target = i;
  }
  ASSERT_GE(target, 0);
  const std::string name = refgene_info.refGenes[static_cast<std::size_t>(target)].name;
  settings.VIEW_ALL_CHROMOSOME = 1;
  settings.PROPORTIONAL_DIST = 0;

  const auto findRefGene = [&](const std::string& keyword, const std::string& id) {
    prompts.dialogAnswer = Accept([keyword, id](QDialog& dialog) {
      QLineEdit& keywords = *Control<QLineEdit>(dialog, FindRefGeneDialog::kKeywords);
      Type(keywords, keyword.c_str());
      if (keyword.empty()) QTest::keyClick(&keywords, Qt::Key_Backspace);
      Type(*Control<QLineEdit>(dialog, FindRefGeneDialog::kLocusLinkId), id.c_str());
    });
    EXPECT_TRUE(frame.OnCommand(ids::kChroFindGene));
  };
  findRefGene(name, "0");
  EXPECT_TRUE(prompts.Messages().empty());
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 1);
  EXPECT_EQ(settings.VIEW_ALL_CHROMOSOME, 0);
  EXPECT_EQ(settings.PROPORTIONAL_DIST, 1);
  EXPECT_EQ(refgene_info.refGeneKeyword, name);
  // Find Next comes round to the only match again.
  settings.CHRO_CUR_CHRO = 0;
  ASSERT_TRUE(frame.OnCommand(ids::kChroFindNextGene));
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 1);

  // Misses: the keyword is kept; without one the message has nothing between
  // its quotes.
  findRefGene("NOSUCHGENE", "0");
  EXPECT_EQ(refgene_info.refGeneKeyword, "NOSUCHGENE");
  findRefGene("", "987654");
  ASSERT_TRUE(frame.OnCommand(ids::kChroFindNextGene));
  EXPECT_EQ(prompts.Messages(),
            (std::vector<std::string>{"No genes found containing 'NOSUCHGENE'",
                                      "No genes found containing ''",
                                      "No genes found containing 'NOSUCHGENE'"}));
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 1) << "a miss leaves the view";

  // View/Find Gene: a marker of the third chromosome becomes current there.
  const auto findMarker = [&](const std::string& marker) {
    prompts.dialogAnswer = Accept([marker](QDialog& dialog) {
      Type(*Control<QLineEdit>(dialog, ids::kFindProbeSetName), marker.c_str());
    });
    EXPECT_TRUE(frame.OnCommand(ids::kFindGene));
  };
  findMarker(mStudy.group.markerNames[560]);
  EXPECT_EQ(settings.CUR_UNIT, 560);
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 2);
  EXPECT_EQ(prompts.Messages().size(), 3u);
  // A marker the genome does not place is named in the message.
  genome_info.Unit[7].chro = -1;
  findMarker(mStudy.group.markerNames[7]);
  EXPECT_EQ(prompts.Messages().back(),
            "Gene or marker " + mStudy.group.markerNames[7] + " [] not mapped to any chromsome");
  EXPECT_EQ(settings.CUR_UNIT, 560);
}

TEST_F(ChromosomeViewCommandsTest, ExportsWriteTheirFilesAndAnalysesLogTheirBlocks) {
  CMainFrame& frame = Gather(kChroLoh);
  // Export SNP data, the data under view, then the significant regions.
  const std::string data = File("study snp data.xls");
  const auto exportAs = [&](int choice, const std::string& file) {
    prompts.fileAnswers = {file};
    prompts.dialogAnswer = Accept([choice](QDialog& dialog) {
      compare_events::Click(
          *Control<QRadioButton>(dialog, choice == ExportSnpDialog::kExportDataUnderView
                                             ? ExportSnpDialog::kDataUnderView
                                             : ExportSnpDialog::kSignificantRegions));
      compare_events::Click(*Control<QPushButton>(dialog, ExportSnpDialog::kOutputFile));
    });
    EXPECT_TRUE(frame.OnCommand(ids::kChroExportSnpData));
  };
  exportAs(ExportSnpDialog::kExportDataUnderView, data);
  ASSERT_TRUE(std::filesystem::exists(data));
  EXPECT_EQ(prompts.Messages().back(), "File " + data + " exported");
  ASSERT_GE(OutputFiles().Count(), 1);
  EXPECT_EQ(OutputFiles().paths.back(), data);
  const std::string regions = File("study regions.xls");
  exportAs(ExportSnpDialog::kExportSignificantRegions, regions);
  EXPECT_TRUE(std::filesystem::exists(regions));
  EXPECT_EQ(prompts.Messages().back(), "File " + regions + " exported");
  // A folder that does not exist cannot take the file.
  exportAs(ExportSnpDialog::kExportDataUnderView, File("no folder/data.xls"));
  EXPECT_EQ(prompts.Messages().back(), "Can't write file; is it open in Excel?");
  const int registered = OutputFiles().Count();

  // Permute Data: its block closes with "}", the curve's range comes from the
  // rounds.
  std::size_t before = LogLines().size();
  // The failed export's red line brought the log forward; back to the view.
  frame.ShowView(VIEW_CHROMOSOME);
  chromosome.dataType = kDataLohCall;
  prompts.dialogAnswer = Accept();
  ASSERT_TRUE(frame.OnCommand(ids::kChroPermuteData));
  std::vector<std::string> lines = LinesFrom(before);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), kPermuteStartMessage);
  EXPECT_EQ(lines.back(), "}");
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CHROMOSOME);
  EXPECT_LT(chromosome.Min[kDataLohCall], chromosome.Max[kDataLohCall]);

  // Linkage: the seed offered is the clock's, the settings are written before
  // the run, and a run without a pedigree file closes as not completed.
  std::string offered;
  const std::string settingsFile = TheGroup().SettingsPath(TheGroup().Name());
  prompts.dialogAnswer = [&](QDialog& dialog) {
    offered = Control<QLineEdit>(dialog, LinkageDialog::kRandomSeed)->text().toStdString();
    std::filesystem::remove(settingsFile);
    return QDialog::Accepted;
  };
  TheGroup().Settings().CHRO_METHOD = kChroLinkage;
  TheGroup().Settings().PEDIGREE_FILE = "";
  const auto start = static_cast<std::int64_t>(std::time(nullptr));
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kChroLinkageAnalysis));
  const auto end = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_TRUE(offered == std::to_string(DefaultRandomSeed(start)) ||
              offered == std::to_string(DefaultRandomSeed(end)))
      << offered;
  EXPECT_TRUE(std::filesystem::exists(settingsFile));
  EXPECT_EQ(AnalysisRunning, 0);
  lines = LinesFrom(before);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "{Linkage analysis using SNP data");
  EXPECT_EQ(lines.back(), "Not completed}");

  // ENU on a group without the cross's sample information ends its block all
  // the same and leaves the log shown.
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS) << "the log shows the failed run";
  frame.ShowView(VIEW_CHROMOSOME);
  before = LogLines().size();
  prompts.dialogAnswer = Accept();
  ASSERT_TRUE(frame.OnCommand(ids::kChroEnu));
  lines = LinesFrom(before);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "{ENU analysis...");
  EXPECT_EQ(lines.back(), "Finished}");
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_ANALYSIS);
  EXPECT_EQ(OutputFiles().Count(), registered);
}

TEST_F(ChromosomeViewCommandsTest, ClusteringOrdersSamplesAndTheRegionsOfTheRegionFile) {
  CMainFrame& frame = Gather(kChroLoh);
  // Regions around the three planted stretches, each on its own chromosome.
  const auto& pos = mStudy.group.pos;
  const std::string regions = mFolder.Write(
      "regions.txt", std::string(kRegionFileHeader) + "\n1\t" + std::to_string(pos[40]) + "\t" +
                         std::to_string(pos[99]) + "\tloss\n2\t" + std::to_string(pos[320]) + "\t" +
                         std::to_string(pos[399]) + "\tgain\n3\t" + std::to_string(pos[520]) +
                         "\t" + std::to_string(pos[600]) + "\tgain4\n");
  const auto cluster = [&](const std::string& file) {
    prompts.fileAnswers = {file};
    prompts.dialogAnswer = Accept([](QDialog& dialog) {
      compare_events::Click(*Control<QCheckBox>(dialog, ClusterSnpDialog::kClusterSamples));
      compare_events::Click(*Control<QCheckBox>(dialog, ClusterSnpDialog::kClusterRegions));
      compare_events::Click(*Control<QPushButton>(dialog, ClusterSnpDialog::kRegionFile));
    });
    const std::size_t before = LogLines().size();
    EXPECT_TRUE(frame.OnCommand(ids::kChroClustering));
    return LinesFrom(before);
  };
  std::vector<std::string> lines = cluster(regions);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "{Sample clustering based on SNP data");
  EXPECT_EQ(lines.back(), "Finished}");
  EXPECT_TRUE(RegionsMode);
  EXPECT_TRUE(ShowSampleTree);
  EXPECT_TRUE(ShowRegionTree);
  EXPECT_EQ(chro_region.count, 3);
  EXPECT_EQ(GroupTree().order.size(), static_cast<std::size_t>(SampleGrouping.GroupCount()));
  EXPECT_EQ(RegionTree().order.size(), 3u);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_CHROMOSOME);
  EXPECT_EQ(frame.LeftView().currentItem(), frame.LeftView().ViewItem(VIEW_CHROMOSOME));
  EXPECT_FALSE(frame.CommandUi(ids::kChroShowAll).enabled) << "rows are regions now";

  // A region file that cannot be read: the markers come back and only samples
  // are ordered.
  lines = cluster(File("absent regions.txt"));
  ASSERT_FALSE(lines.empty());
  EXPECT_FALSE(RegionsMode);
  EXPECT_FALSE(ShowRegionTree);
  EXPECT_TRUE(frame.CommandUi(ids::kChroShowAll).enabled);
}

// The chance of more than max(hits - 1, 0) members among drawn samples of total, members of
// them having the category (so at least one even for no hits), summed term by term.
double UpperTail(int hits, int members, int total, int drawn) {
  const auto choose = [](int n, int k) {
    return k < 0 || k > n ? -INFINITY
                          : std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0);
  };
  double p = 0;
  for (int k = std::max(hits, 1); k <= std::min(members, drawn); ++k)
    p += std::exp(choose(members, k) + choose(total - members, drawn - k) - choose(total, drawn));
  return p;
}

TEST_F(ChromosomeViewCommandsTest, AHighlightedSampleBranchCountsTheCategoryUnderThePointer) {
  CMainFrame& frame = Gather(kChroLoh);
  // A category column that tells normals from tumours.
  std::string info = "Array\tName\tKind\n";
  for (const synth::SnpGroupArray& array : mStudy.group.arrays)
    info += array.name + (array.normal ? "\t\tnormal\n" : "\t\ttumour\n");
  ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(mFolder.Write("kinds.txt", info)));
  prompts.dialogAnswer = Accept([](QDialog& dialog) {
    compare_events::Click(*Control<QCheckBox>(dialog, ClusterSnpDialog::kClusterSamples));
  });
  frame.ShowView(VIEW_CHROMOSOME);  // the reading's log lines brought the log forward
  ASSERT_TRUE(frame.OnCommand(ids::kChroClustering));
  prompts.dialogAnswer = {};
  ASSERT_TRUE(ShowSampleTree);
  OrderedTree& tree = GroupTree();
  ASSERT_TRUE(tree.Built());
  GroupSettings& settings = TheGroup().Settings();
  settings.PIXEL_HT2 = 8;
  settings.DENDRO_HT = 80;
  auto& view = *dynamic_cast<CChromosomeView*>(frame.PaneView());
  view.Relayout();
  view.verticalScrollBar()->setValue(0);
  view.horizontalScrollBar()->setValue(0);
  QCoreApplication::processEvents();
  const ChromosomeGeometry& g = view.Geometry();

  // A branch's samples and its tumours among them, its groups found by walking down.
  const std::function<void(int, int&, int&)> tally = [&](int n, int& samples, int& tumours) {
    if (n >= tree.tree.ItemCount()) {
      tally(tree.tree.Node(n).left, samples, tumours);
      tally(tree.tree.Node(n).right, samples, tumours);
      return;
    }
    for (int k = 0; k < SampleGrouping.GroupSize(n); ++k) {
      ++samples;
      tumours +=
          SampleGrouping.SampleName(SampleGrouping.GroupFirstSample(n) + k)[0] == 'N' ? 0 : 1;
    }
  };
  int allTumours = 0;
  for (const synth::SnpGroupArray& array : mStudy.group.arrays) allTumours += array.normal ? 0 : 1;
  const int total = static_cast<int>(mStudy.group.arrays.size());

  // Over the first tumour's cell of the category row.
  int column = -1;
  for (int c = 0; c < g.ColumnCount() && column < 0; ++c)
    if (SampleGrouping.SampleName(g.columns.sampleOfColumn[static_cast<std::size_t>(c)])[0] != 'N')
      column = c;
  ASSERT_GE(column, 0);
  const QPoint cell(g.ColumnX(column) + 1, g.infoTop + 1);
  const std::string all = MessageBuffer("[all: %d/%d]", allTumours, total);
  // The pointer comes to the cell from beside it, so that it moves.
  const auto hover = [&view, cell] {
    QTest::mouseMove(view.viewport(), cell - view.ScrollOffset() + QPoint(1, 0));
    QTest::mouseMove(view.viewport(), cell - view.ScrollOffset());
  };
  hover();
  ASSERT_TRUE(view.StatusText().ends_with(all)) << view.StatusText();
  const QRect band(g.left, 0, g.right - g.left, g.in.dendroHeight / 2 + 2);
  const auto blue = [&view, &band] {
    QImage image(view.Geometry().picWidth, view.Geometry().picHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.Draw(painter);
    int count = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
      for (int x = band.left(); x <= band.right(); ++x)
        count += image.pixel(x, y) == qRgb(0, 0, 255);
    return count;
  };
  EXPECT_EQ(blue(), 0);

  // A click on a branch's bar highlights it: drawn again in blue, counted in the status.
  int withTumours = 0;
  for (int branch = tree.tree.ItemCount(); branch < tree.tree.NodeCount(); ++branch) {
    SCOPED_TRACE(branch);
    const TreePoint left = SampleTreeNodePoint(g, tree, tree.tree.Node(branch).left);
    const TreePoint right = SampleTreeNodePoint(g, tree, tree.tree.Node(branch).right);
    const QPoint bar((left.x + right.x) / 2, SampleTreeNodePoint(g, tree, branch).y);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, bar - view.ScrollOffset());
    ASSERT_EQ(tree.highlighted, branch);
    EXPECT_GT(blue(), 0);
    hover();
    int samples = 0;
    int tumours = 0;
    tally(branch, samples, tumours);
    withTumours += tumours > 0 ? 1 : 0;
    const std::string& text = view.StatusText();
    const std::string head = all + MessageBuffer(" [highlighted: %d/%d, PValue=", tumours, samples);
    const std::size_t at = text.find(head);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("]")) << text;
    const double p = std::stod(text.substr(at + head.size()));
    EXPECT_NEAR(p, UpperTail(tumours, allTumours, total, samples), 1e-6) << text;
  }
  EXPECT_GT(withTumours, 1);

  // Esc drops the highlight.
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(tree.highlighted, -1);
  hover();
  EXPECT_TRUE(view.StatusText().ends_with(all)) << view.StatusText();
  EXPECT_EQ(blue(), 0);
}

TEST_F(ChromosomeViewCommandsTest, KeysRunTheMenusCommandsOnlyWhereTheMenuWould) {
  CMainFrame& frame = Gather(kChroLoh);
  auto* view = dynamic_cast<CChromosomeView*>(frame.PaneView());
  ASSERT_NE(view, nullptr);
  GroupSettings& settings = TheGroup().Settings();
  const int proportional = settings.PROPORTIONAL_DIST;
  QTest::keyClick(view, Qt::Key_P);
  EXPECT_NE(settings.PROPORTIONAL_DIST, proportional);
  QTest::keyClick(view, Qt::Key_P);
  EXPECT_EQ(settings.PROPORTIONAL_DIST, proportional);

  // C asks for the clustering only where the menu offers it.
  int asked = 0;
  prompts.dialogAnswer = [&asked](QDialog&) {
    ++asked;
    return int(QDialog::Rejected);
  };
  const std::size_t before = LogLines().size();
  for (const auto& [arrays, type, offered] :
       {std::tuple{0, kDataLohCall, false}, std::tuple{1, kDataAlleleSharing, false},
        std::tuple{1, kDataLohCall, true}, std::tuple{1, kDataCall, true}}) {
    ArrayType = arrays;
    chromosome.dataType = type;
    const int was = asked;
    EXPECT_EQ(frame.CommandUi(ids::kChroClustering).enabled, offered) << arrays << type;
    QTest::keyClick(view, Qt::Key_C);
    EXPECT_EQ(asked - was, offered ? 1 : 0) << arrays << " " << type;
  }
  ArrayType = 1;
  EXPECT_EQ(LogLines().size(), before) << "nothing ran without the dialog's OK";
}

// The real R behind a link that also reads back, just before the histogram is
// drawn, the vector R holds under the name the command gave it.
class ReadBackLink final : public RLink {
 public:
  explicit ReadBackLink(std::size_t expected) : mExpected(expected), mPrevious(SetRLink(this)) {}
  ~ReadBackLink() override { SetRLink(mPrevious); }
  ReadBackLink(const ReadBackLink&) = delete;
  ReadBackLink& operator=(const ReadBackLink&) = delete;

  RReply Start() override { return R().Start(); }
  RReply SetVector(std::string_view name, std::span<const double> values) override {
    return R().SetVector(name, values);
  }
  RReply SetMatrix(std::string_view name, const RMatrix& matrix) override {
    return R().SetMatrix(name, matrix);
  }
  RReply GetMatrix(std::string_view name, RMatrix& matrix) override {
    return R().GetMatrix(name, matrix);
  }
  RReply ExecuteCommand(std::string_view command) override {
    commands.emplace_back(command);
    if (command.starts_with("hist(")) {
      const std::string name(command.substr(5, command.find(',') - 5));
      RMatrix held(static_cast<int>(mExpected), 1);
      EXPECT_TRUE(R().GetMatrix(name, held)) << name;
      received = held.values;
    }
    return R().ExecuteCommand(command);
  }

  std::vector<std::string> commands;
  std::vector<double> received;

 private:
  static RLink& R() { return DefaultStatConnector(); }
  std::size_t mExpected;
  RLink* mPrevious;
};

TEST_F(ChromosomeViewCommandsTest, HistogramHandsRTheSampleRawCopiesUnderAPlainName) {
  // A sample whose name is R code: it must end up as a name and nothing else.
  const std::string hostile = "x\"); system(\"touch pwned\"); (\"";
  CMainFrame& frame = Gather(kChroCopyNumber, [&hostile](synth::SnpGroupTruth& group) {
    group.arrays.back().name = hostile;
  });
  const int sample = SampleGrouping.FindSample(hostile);
  ASSERT_GE(sample, 0);
  chromosome.dataType = kDataCopyNumber;
  DisplayInferred = chromosome.displayInferred = false;
  chromosome.currentSample = sample;
  // Five markers at twenty copies and five without a signal.
  ASSERT_FALSE(chromosome.log2Data);
  TheGroup().Settings().USE_PAIRED_NORMAL = 0;
  TheGroup().Settings().PARENT_SPECIFIC_COPY = 0;
  for (int u = 0; u < 10; ++u)
    chromosome.signal.Row(sample)[u] =
        u < 5 ? 10 * chromosome.markerStats[static_cast<std::size_t>(u)].mean : kMissingValueFloat;
  std::vector<double> expected;
  for (int u = 0; u < chromosome.unitCount; ++u) {
    const float copies = chromosome.GetValue(sample, u);
    if (u < 10) {
      EXPECT_TRUE(copies > 8 || copies < 0) << u;
    }
    if (copies >= 0 && copies <= 8) expected.push_back(copies);
  }
  ASSERT_GT(expected.size(), static_cast<std::size_t>(chromosome.unitCount) * 9 / 10);
  ASSERT_TRUE(frame.CommandUi(ids::kChroRawCopyHistogram).enabled);

  ReadBackLink link(expected.size());
  ASSERT_TRUE(frame.OnCommand(ids::kChroRawCopyHistogram));
  EXPECT_EQ(link.received, expected);
  // R's make.names of 'x");.system("touch.pwned");.(".raw.copy'.
  const std::string name = "x....system..touch.pwned.......raw.copy";
  ASSERT_GE(link.commands.size(), 3u);
  EXPECT_EQ(link.commands.front(), "windows()");
  EXPECT_EQ(link.commands[link.commands.size() - 2],
            "hist(" + name + ",breaks=seq(0,8,.1),freq=F,col=5)");
  EXPECT_EQ(link.commands.back(), "remove(" + name + ")");
  for (const std::string& command : link.commands)
    EXPECT_EQ(command.find("pwned\""), std::string::npos) << command;
  EXPECT_FALSE(std::filesystem::exists("pwned"));
  EXPECT_FALSE(std::filesystem::exists(File("pwned")));
  EXPECT_TRUE(RConnection().ExecuteCommand("stopifnot(!exists('" + name + "'))"));
}

}  // namespace
