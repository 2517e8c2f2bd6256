#include "genome/files/region_summary.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include <string>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/tests/chromosome_files_support.hpp"
#include "platform/system_error.hpp"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

class RegionSummaryTest : public ChromosomeFilesFixture {
 protected:
  void SetUp() override {
    ChromosomeFilesFixture::SetUp();
    MakeGenome(kUnits, 21);
    mBands = synth::MakeCytobands(mTruth, 4);
    ASSERT_TRUE(
        genome_info.ReadCytobandFile(WriteFile("cytoband.txt", synth::CytobandText(mBands))));
    ASSERT_TRUE(genome_info.GetUnitPos());
    mGenes = synth::MakeRefGenes(mTruth, 120, 4);
    ASSERT_TRUE(refgene_info.ReadFile(WriteFile("refGene.txt", synth::RefGeneText(mGenes))));
    AddSamples(3);
    RegionPerRow = false;
    mPath = mFolder.File("summary.xls");
  }
  void TearDown() override {
    RegionPerRow = false;
    ChromosomeFilesFixture::TearDown();
  }
  int UnitAt(int chro, int place) const {
    return genome_info.posList[static_cast<std::size_t>(chro)][static_cast<std::size_t>(place)]
        .index;
  }
  float PosAt(int chro, int place) const {
    return genome_info.posList[static_cast<std::size_t>(chro)][static_cast<std::size_t>(place)].pos;
  }
  static std::string Mb(float pos) { return MessageBuffer("%.6f", pos * 1e-6); }
  // The generator's genes on chromosome index chro overlapping [start, end], by start.
  std::vector<const synth::RefGeneRow*> GenesIn(int chro, float start, float end) const {
    std::vector<const synth::RefGeneRow*> genes;
    for (const synth::RefGeneRow& gene : mGenes) {
      const int index = gene.chro == 3 ? 22 : gene.chro;
      if (gene.chro >= 0 && index == chro && gene.start <= end && gene.end >= start)
        genes.push_back(&gene);
    }
    std::stable_sort(genes.begin(), genes.end(),
                     [](auto* a, auto* b) { return a->start < b->start; });
    return genes;
  }
  std::vector<std::string> BandNames(int chro, float start, float end) const {
    std::vector<std::string> names;
    for (const synth::Cytoband& band : mBands) {
      const int index = band.chro == 3 ? 22 : band.chro;
      if (index == chro && band.start <= end && band.end >= start)
        names.push_back(genome_info.GetChroName(index) + band.band);
    }
    return names;
  }

  static constexpr int kUnits = 500;
  std::vector<synth::Cytoband> mBands;
  std::vector<synth::RefGeneRow> mGenes;
  CHROMOSOME mChro;
  std::string mPath;
};

TEST_F(RegionSummaryTest, BlocksListBandsValueChangesAndGenes) {
  mChro.method = kChroLoh;
  mChro.dataType = kDataLohCall;
  ASSERT_TRUE(mChro.Allocate(3, kUnits, TablesFor(kChroLoh, true, false)));
  mChro.Threshold[kDataLohCall] = 0.5f;
  mChro.genesPerRegion = 1000;
  // Chromosome 1: places 10..14 at 0.8 and 15..19 at 0.9; chromosome 2: place 5 alone.
  for (int u = 0; u < kUnits; ++u) {
    mChro.markerStats[static_cast<std::size_t>(u)].summary[kDataLohCall] = 0.1f;
    mChro.calls.Row(0)[u] = static_cast<std::uint8_t>(u % 4);
  }
  for (int k = 10; k < 20; ++k)
    mChro.markerStats[static_cast<std::size_t>(UnitAt(0, k))].summary[kDataLohCall] =
        k < 15 ? 0.8f : 0.9f;
  mChro.markerStats[static_cast<std::size_t>(UnitAt(1, 5))].summary[kDataLohCall] = 0.7f;
  ASSERT_TRUE(mChro.FindSignificantRegions(false));
  ASSERT_EQ(mChro.regionCount, 2);

  TheGroup().Settings().ARRAY_LIST_FILE = "pairs.txt";
  ASSERT_TRUE(WriteRegionSummary(mChro, mPath));
  const std::vector<std::string> lines = Lines(ReadFile(mPath));
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Array list file: pairs.txt");
  EXPECT_EQ(lines[1], "Data type: Inferred LOH call");
  EXPECT_EQ(lines[2], "Curve threshold: >= 0.5");
  EXPECT_EQ(lines[3] + "\n", kRegionBlockHeader);

  // The block of the first region runs from place 9 to place 20.
  std::vector<std::string> want = {"Region 1, all samples, Chromosome 1"};
  for (const std::string& band : BandNames(0, PosAt(0, 9), PosAt(0, 20))) {
    bool found = false;
    for (const synth::Cytoband& b : mBands)
      if (b.chro == 0 && "1" + b.band == band) {
        want.push_back("Cytoband\t" + Mb(static_cast<float>(b.start)) + "\t" +
                       Mb(static_cast<float>(b.end)) + "\t\t" + band);
        found = true;
      }
    ASSERT_TRUE(found);
  }
  auto snp = [&](int k, const char* value) {
    const int unit = UnitAt(0, k);
    return "SNP\t" + Mb(PosAt(0, k)) + "\t\t" + value + "\t" + UnitName(unit) + "[" +
           std::string(genome_info.Unit[static_cast<std::size_t>(unit)].Text()) + "]";
  };
  auto calls = [&](int from, int to) {
    int none = 0, homozygous = 0, heterozygous = 0;
    for (int k = from; k <= to; ++k) {
      const int call = UnitAt(0, k) % 4;
      none += call == 3;
      homozygous += call < 2;
      heterozygous += call == 2;
    }
    return MessageBuffer("%d NoCall, %d A/B, %d AB", none, homozygous, heterozygous);
  };
  want.push_back(snp(9, "0.10"));
  want.push_back(snp(10, "0.80"));
  want.push_back("SNP\t4 more markers\t\t0.80\t" + calls(11, 14));
  want.push_back(snp(15, "0.90"));
  want.push_back("SNP\t4 more markers\t\t0.90\t" + calls(16, 19));
  want.push_back(snp(20, "0.10"));
  for (const synth::RefGeneRow* gene : GenesIn(0, PosAt(0, 9), PosAt(0, 20)))
    want.push_back("Gene\t" + Mb(static_cast<float>(gene->start)) + "\t\t" + gene->name + " (LL " +
                   std::to_string(gene->geneId) + ")");
  ASSERT_GE(lines.size(), 4 + want.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 4,
                                     lines.begin() + 4 + static_cast<long>(want.size())),
            want);
  EXPECT_EQ(lines[4 + want.size()], "Region 2, all samples, Chromosome 2");
}

TEST_F(RegionSummaryTest, RowsGoSampleGroupBySampleGroupForCopyNumber) {
  GroupSamples("S1\nS2\nStandardize\nS3\n");
  ASSERT_EQ(SampleGrouping.GroupCount(), 2);
  mChro.method = kChroCopyNumber;
  mChro.dataType = kDataCopyNumber;
  mChro.displayInferred = true;
  ASSERT_TRUE(mChro.Allocate(3, kUnits, TablesFor(kChroCopyNumber, true, false)));
  mChro.Threshold[kDataCopyNumber] = 3.0f;
  mChro.Min[kDataCopyNumber] = 0.0f;
  mChro.Max[kDataCopyNumber] = 4.0f;
  mChro.genesPerRegion = 1;
  for (int s = 0; s < 3; ++s)
    for (int u = 0; u < kUnits; ++u) mChro.inferred.Row(s)[u] = 2.0f;
  // S2 (the first group's tumour) gains places 30..39 of chromosome 1, S3 places 3..8 of
  // chromosome 3, unevenly.
  for (int k = 30; k < 40; ++k) mChro.inferred.Row(1)[UnitAt(0, k)] = k < 35 ? 4.0f : 6.0f;
  for (int k = 3; k < 9; ++k) mChro.inferred.Row(2)[UnitAt(2, k)] = 3.0f;
  mChro.currentSample = 0;
  ASSERT_TRUE(mChro.PrepareDataType());
  EXPECT_EQ(mChro.regionCount, 0);

  RegionPerRow = true;
  ASSERT_TRUE(WriteRegionSummary(mChro, mPath));
  const std::vector<std::string> lines = Lines(ReadFile(mPath));
  EXPECT_EQ(lines[1], "Data type: Inferred Copy number");
  EXPECT_EQ(lines[3] + "\n", kRegionRowHeader);
  auto row = [&](int chro, int first, int last, const char* sample, const char* mean) {
    const std::vector<std::string> bands = BandNames(chro, PosAt(chro, first), PosAt(chro, last));
    std::string place = bands.empty() ? genome_info.GetChroName(chro) : bands.front();
    if (bands.size() > 1) place += "-" + bands.back();
    return place + "\t" + Mb(PosAt(chro, first)) + "\t" + Mb(PosAt(chro, last)) + "\t" +
           Mb(PosAt(chro, last) - PosAt(chro, first)) + "\t" + std::to_string(last - first + 1) +
           "\t" + sample + "\t" + mean;
  };
  std::vector<std::string> want = {row(0, 30, 39, "S2", "5.00")};
  auto genes = [&](int chro, int first, int last) {
    const auto list = GenesIn(chro, PosAt(chro, first), PosAt(chro, last));
    if (list.empty()) return;
    want.push_back("Gene\t" + Mb(static_cast<float>(list[0]->start)) + "\t\t" + list[0]->name +
                   " (LL " + std::to_string(list[0]->geneId) + ")");
    if (list.size() > 1)
      want.push_back("Gene\t " + std::to_string(list.size() - 1) + " more genes");
  };
  genes(0, 30, 39);
  want.push_back(row(2, 3, 8, "S3", "3.00"));
  genes(2, 3, 8);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()), want);
  // The first sample and its regions are back.
  EXPECT_EQ(mChro.currentSample, 0);
  EXPECT_EQ(mChro.regionCount, 0);
}

TEST_F(RegionSummaryTest, RefusesAFileItCannotWrite) {
  ASSERT_TRUE(mChro.Allocate(3, kUnits, TablesFor(kChroLoh, true, false)));
  CapturedLog log;
  const std::string path = mFolder.File("no/such/folder/s.xls");
  EXPECT_FALSE(WriteRegionSummary(mChro, path));
  EXPECT_TRUE(log.ContainsRed("  Error: Writing file '" + path +
                              "' failed; is it open in Excel? (" +
                              platform::SystemErrorText(ENOENT) + ")"));
}

}  // namespace
