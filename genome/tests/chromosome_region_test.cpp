#include "genome/files/chromosome_region.hpp"

#include <gtest/gtest.h>

#include <string>

#include "engine/group/sample_grouping.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_files.hpp"

namespace {

class RegionFileTest : public GenomeFixture {
 protected:
  void SetUp() override {
    GenomeFixture::SetUp();
    UseUnits(Names("U", 600));
    ArrayType = 1;
    mTruth = synth::MakeGenome(Names("U", 600), synth::GenomeOptions{.seed = 11, .snpArray = true});
    ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
        WriteFile("genome_info.txt", synth::GenomeInfoText(mTruth))));
    ASSERT_TRUE(genome_info.GetUnitPos());
  }
  void TearDown() override {
    chro_region.Clear();
    GenomeFixture::TearDown();
  }
  // Markers the generator placed on chromosome chro within [begin, end].
  int MarkersIn(int chro, int begin, int end) const {
    int count = 0;
    for (const synth::GenomeUnit& unit : mTruth.units)
      count += unit.chro == chro && unit.pos >= begin && unit.pos <= end ? 1 : 0;
    return count;
  }
  synth::GenomeTruth mTruth;
};

TEST_F(RegionFileTest, TiesEachRegionToTheMarkersInsideItAndDropsEmptyOnes) {
  const std::string longName(80, 'n');
  const std::string text = std::string(kRegionFileHeader) +
                           "\n"
                           "chr1\t200000\t900000\tamp\n"
                           "2\t100000\t600000\t\n"
                           "3\t5000000\t6000000\tbeyond the end\n"
                           "X\t0\t800000\t" +
                           longName + "\n";
  CapturedLog log;
  ASSERT_TRUE(chro_region.ReadRegionFile(WriteFile("regions.txt", text)));
  ASSERT_EQ(chro_region.count, 3);
  const CHRO_REGION_ITEM& amp = chro_region.items[0];
  EXPECT_EQ(amp.name, "1:amp");
  EXPECT_EQ(amp.chromosomeIndex, 0);
  EXPECT_EQ(amp.markerCount, MarkersIn(0, 200000, 900000));
  EXPECT_EQ(amp.last - amp.first + 1, amp.markerCount);
  const auto& list = genome_info.posList[0];
  EXPECT_GE(list[static_cast<std::size_t>(amp.first)].pos, 200000.0f);
  EXPECT_LE(list[static_cast<std::size_t>(amp.last)].pos, 900000.0f);
  if (amp.first > 0) {
    EXPECT_LT(list[static_cast<std::size_t>(amp.first) - 1].pos, 200000.0f);
  }
  if (static_cast<std::size_t>(amp.last) + 1 < list.size()) {
    EXPECT_GT(list[static_cast<std::size_t>(amp.last) + 1].pos, 900000.0f);
  }

  EXPECT_EQ(chro_region.items[1].name, "2");
  EXPECT_EQ(chro_region.items[1].markerCount, MarkersIn(1, 100000, 600000));
  // The region past the chromosome's end held no marker and is gone.
  EXPECT_EQ(chro_region.items[2].chromosomeIndex, 22);
  EXPECT_EQ(chro_region.items[2].name, "X:" + std::string(kRegionNameLength - 2, 'n'));
  EXPECT_EQ(chro_region.items[2].markerCount, MarkersIn(3, 0, 800000));
  EXPECT_EQ(chro_region.totalMarkers,
            amp.markerCount + chro_region.items[1].markerCount + chro_region.items[2].markerCount);
  EXPECT_EQ(chro_region.items[0].groupMeans.size(),
            static_cast<std::size_t>(SampleGrouping.GroupCount()));
  EXPECT_TRUE(
      log.Contains(MessageBuffer(kRegionFileFoundMessage, 3, chro_region.totalMarkers), kLogBlack));
}

TEST_F(RegionFileTest, ReadsACytobandTableFromItsFirstLine) {
  const std::vector<synth::Cytoband> bands = synth::MakeCytobands(mTruth, 3);
  ASSERT_TRUE(chro_region.ReadRegionFile(WriteFile("bands.txt", synth::CytobandText(bands))));
  int held = 0;
  for (const synth::Cytoband& band : bands)
    held += MarkersIn(band.chro, band.start, band.end) > 0 ? 1 : 0;
  EXPECT_EQ(chro_region.count, held);
  EXPECT_EQ(chro_region.items[0].name, "1:" + bands[0].band);
  EXPECT_EQ(chro_region.items[0].markerCount, MarkersIn(0, bands[0].start, bands[0].end));
}

TEST_F(RegionFileTest, RefusesFilesItCannotRead) {
  CapturedLog log;
  EXPECT_FALSE(chro_region.ReadRegionFile(WriteFile("a.txt", "Chro\tFrom\tTo\n1\t0\t9\n")));
  EXPECT_TRUE(log.ContainsRed(std::string(kNotRegionFileMessage) + "Chro\tFrom\tTo"));
  EXPECT_FALSE(chro_region.ReadRegionFile(
      WriteFile("b.txt", std::string(kRegionFileHeader) + "\n1\t0\t900000\nchrQ\t0\t9\n")));
  EXPECT_TRUE(log.ContainsRed(kRegionFileChromosomeMessage));
  EXPECT_FALSE(chro_region.ReadRegionFile(
      WriteFile("c.txt", std::string(kRegionFileHeader) + "\n\t0\t900000\n")));
  EXPECT_FALSE(chro_region.ReadRegionFile(mFolder.File("missing.txt")));
  EXPECT_TRUE(log.ContainsRed("  Reading chromosome region file '"));
  // No region holding a marker is a failure too, and "none" reads nothing at all.
  EXPECT_FALSE(chro_region.ReadRegionFile(
      WriteFile("d.txt", std::string(kRegionFileHeader) + "\n1\t3000000\t4000000\n")));
  log.Clear();
  EXPECT_FALSE(chro_region.ReadRegionFile("none"));
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(chro_region.count, 0);
}

TEST_F(RegionFileTest, KeepsTheFirstThousandRegionsAndSaysSo) {
  std::string text = std::string(kRegionFileHeader) + "\n";
  for (int i = 0; i < kMaxRegionItems + 5; ++i)
    text += "1\t0\t2000000\tr" + std::to_string(i) + "\n";
  text += "\n1\t0\t2000000\tafter the empty line\n";
  CapturedLog log;
  ASSERT_TRUE(chro_region.ReadRegionFile(WriteFile("many.txt", text)));
  EXPECT_EQ(chro_region.count, kMaxRegionItems);
  EXPECT_EQ(chro_region.items.back().name, "1:r999");
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kRegionFileLimitMessage, kMaxRegionItems + 1)));

  // An empty line ends the regions.
  ASSERT_TRUE(chro_region.ReadRegionFile(WriteFile(
      "short.txt", std::string(kRegionFileHeader) + "\n1\t0\t2000000\ta\n\n2\t0\t9\tb\n")));
  EXPECT_EQ(chro_region.count, 1);
}

}  // namespace

namespace {

TEST_F(RegionFileTest, DamagedFilesNeverCrashTheReader) {
  const std::string text = synth::CytobandText(synth::MakeCytobands(mTruth, 5));
  for (std::size_t cut = 0; cut < text.size(); cut += 37) {
    std::string damaged = text.substr(0, cut);
    if (cut % 2 == 0 && !damaged.empty()) damaged[cut / 3] = static_cast<char>(cut * 7);
    FuzzReadRegionFile(reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size());
  }
  EXPECT_TRUE(FuzzReadRegionFile(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace
