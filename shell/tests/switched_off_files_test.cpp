// File rows the user switched off. One click on a row that can be switched off stores
// "None " before the path (so that the next click brings the path back); every reader of
// such a setting takes that as no file at all: it reads nothing, says nothing in red and
// goes on as the analysis does without the file. First the rows of Analysis/Chromosome,
// each clicked off in the dialog with the mouse; then the readers of the other rows.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/jobs/information_readers.hpp"
#include "genes/info/gene_info.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_command.hpp"
#include "genome/files/chromosome_region.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/reference_genotypes.hpp"
#include "genome/info/snp_info.hpp"
#include "shell/dialogs/genome/chromosome_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/chromosome_study.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

class SwitchedOffFilesTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    ChromosomeStudy::Clear();
    snp_info_table.Clear();
    ReferenceGenotypes.Clear();
    GeneList = GENE_LIST{};
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }

  // The red lines logged from line `from` on.
  std::vector<std::string> RedLinesFrom(std::size_t from) const {
    std::vector<std::string> red;
    for (const auto& [line, colour] : ColouredLinesFrom(from))
      if (colour == QColor(255, 0, 0)) red.push_back(line);
    return red;
  }

  WindowEventPump mPump;
};

// The rows of Analysis/Chromosome that can be switched off, and what the run shows without
// each file.
struct ChromosomeRow {
  int button;
  std::string GroupSettings::*path;
  const char* name;
  std::function<void(const ChromosomeStudy&)> expectNoFile;
};

TEST_F(SwitchedOffFilesTest, EachRowOfTheChromosomeDialogClickedOffIsReadAsNoFile) {
  const std::vector<ChromosomeRow> rows = {
      {ChromosomeDialog::kRefGeneButton, &GroupSettings::REF_GENE_FILE, "refGene",
       [](const ChromosomeStudy&) { EXPECT_TRUE(refgene_info.refGenes.empty()); }},
      {ChromosomeDialog::kCytobandButton, &GroupSettings::CYTOBAND_FILE, "cytoband",
       [](const ChromosomeStudy&) { EXPECT_EQ(genome_info.bandCount, 0); }},
      {ChromosomeDialog::kGeneListButton, &GroupSettings::GENE_LIST_FILE, "gene list",
       [](const ChromosomeStudy& study) {
         EXPECT_EQ(genome_info.totalCount, study.group.MarkerCount()) << "every marker kept";
       }},
  };
  for (const ChromosomeRow& row : rows) {
    SCOPED_TRACE(row.name);
    const ChromosomeStudy study = ChromosomeStudy::Install(mFolder);
    GroupSettings& settings = TheGroup().Settings();
    // A gene list of a few markers, which the run would keep alone if it read the list.
    std::string list;
    for (int u = 0; u < 20; ++u)
      list += study.group.markerNames[static_cast<std::size_t>(u)] + "\n";
    settings.GENE_LIST_FILE = mFolder.Write("genelist.txt", list);
    const std::string path = settings.*row.path;
    ASSERT_FALSE(IsNone(path));

    mFrame.reset();  // a fresh window for each row; the old one goes before its log
    CMainFrame& frame = OpenFrame();
    prompts.dialogAnswer = [&row](QDialog& dialog) {
      dialog.show();
      QTest::mouseClick(Control<QPushButton>(dialog, row.button), Qt::LeftButton);
      auto* box = dialog.findChild<QDialogButtonBox*>();
      QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
      return dialog.result();
    };
    const std::size_t before = LogLines().size();
    ASSERT_TRUE(frame.OnCommand(ids::kChromosome));
    prompts.dialogAnswer = {};
    EXPECT_EQ(settings.*row.path, "None " + path) << "the click keeps the path for the next";
    EXPECT_EQ(RedLinesFrom(before), std::vector<std::string>{});
    std::vector<std::string> lines = LogLines();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    EXPECT_EQ(lines.back().rfind("Finished in ", 0), 0u) << ::testing::PrintToString(lines);
    row.expectNoFile(study);
  }
}

// A reader of a switched-off setting, and what it holds without the file.
struct SettingReader {
  const char* name;
  std::string GroupSettings::*path;
  std::function<void()> read;
  std::function<void()> expectNoFile;
};

TEST_F(SwitchedOffFilesTest, EveryReaderOfASwitchableSettingTakesItsSwitchedOffPathAsNoFile) {
  OpenFrame();
  const ChromosomeStudy study = ChromosomeStudy::Install(mFolder);
  ASSERT_TRUE(ReadGenomeFilesAndGather());
  GroupSettings& settings = TheGroup().Settings();
  // Files that would read: the curve of the calls written out, a region over the first
  // chromosome's markers.
  settings.CURVE_FILE = File("curve.xls");
  chromosome.dataType = kDataLohCall;
  ASSERT_TRUE(WriteCurveFile(chromosome, settings.CURVE_FILE));
  settings.CHRO_REGION_FILE =
      mFolder.Write("regions.txt", std::string(kRegionFileHeader) + "\n1\t0\t1000000\tall\n");
  settings.INFERRED_COPY_FILE = mFolder.Write("inferred copy.xls", "");
  settings.NORMAL_GENOTYPE_FILE = mFolder.Write("reference.txt", "");
  settings.GENE_NAME_FILE = mFolder.Write("gene info.txt", "");
  settings.FILTER_INPUT_LIST = mFolder.Write("input.txt", study.group.markerNames[0] + "\n");

  const std::vector<SettingReader> readers = {
      {"curve file", &GroupSettings::CURVE_FILE,
       [] {
         for (MarkerStats& stats : chromosome.markerStats) stats.summary[kDataCall] = 7.0f;
         EXPECT_TRUE(CurveFile(chromosome, true));
       },
       [] { EXPECT_EQ(chromosome.markerStats[3].summary[kDataCall], 7.0f) << "nothing read"; }},
      {"curve file of the linkage gathering", &GroupSettings::CURVE_FILE,
       [&settings] {
         settings.CHRO_METHOD = kChroLinkage;
         EXPECT_TRUE(chromosome.GetData());
       },
       [] { EXPECT_EQ(chromosome.markerStats[3].summary[kDataCall], kMissingValueFloat); }},
      {"inferred copy file", &GroupSettings::INFERRED_COPY_FILE,
       [&settings] {
         settings.CHRO_METHOD = kChroCopyNumber;
         settings.INFER_COPY_METHOD = 2;
         EXPECT_TRUE(chromosome.GetData());
       },
       [this] {
         const std::vector<std::string> lines = LogLines();
         EXPECT_NE(std::find(lines.begin(), lines.end(), "  Inferring copy number by HMM..."),
                   lines.end())
             << "without a file the model infers";
       }},
      {"region file", &GroupSettings::CHRO_REGION_FILE,
       [&settings] { EXPECT_FALSE(chro_region.ReadRegionFile(settings.CHRO_REGION_FILE)); },
       [] { EXPECT_EQ(chro_region.count, 0); }},
      {"reference genotype file", &GroupSettings::NORMAL_GENOTYPE_FILE,
       [&settings] {
         settings.INFER_NONINFORMATIVE = kHaplotypeLohMethod;
         EXPECT_TRUE(ComputeReferenceStatistics(genome_info, settings));
       },
       [] { EXPECT_FALSE(ReferenceGenotypes.loaded); }},
      {"SNP information file", &GroupSettings::GENE_NAME_FILE,
       [&settings] { EXPECT_FALSE(ReadSnpInfoFile(settings.GENE_NAME_FILE)); },
       [] { EXPECT_FALSE(snp_info_table.Loaded()); }},
      {"gene information file", &GroupSettings::GENE_NAME_FILE,
       [&settings] { EXPECT_FALSE(ReadGeneInfoFile(settings.GENE_NAME_FILE, true)); },
       [] { EXPECT_FALSE(GeneInfo.Loaded()); }},
      {"input gene list", &GroupSettings::FILTER_INPUT_LIST,
       [&settings] {
         EXPECT_EQ(InputGeneListUse(settings.FILTER_INPUT_LIST, 1), GeneListUse::kAllGenes);
       },
       [] {}},
  };
  for (const SettingReader& reader : readers) {
    SCOPED_TRACE(reader.name);
    std::string& path = settings.*reader.path;
    const std::string kept = path;
    path = "None " + kept;
    const std::size_t before = LogLines().size();
    reader.read();
    EXPECT_EQ(RedLinesFrom(before), std::vector<std::string>{});
    reader.expectNoFile();
    path = kept;
  }
}

}  // namespace
