// What the chromosome data show for a data type: copy numbers and log2 ratios against the
// normal mean or the paired normal, the limits of each type, the stepping through the
// types a method offers, and the runs of significant markers.
#include <cmath>
#include <memory>

#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/tests/genome_test_support.hpp"

namespace {

class ChromosomeDataTypeTest : public GenomeFixture {
 protected:
  // Units on chromosomes by index, at the given positions; NumChro covers the highest.
  static void Place(const std::vector<int>& chro, const std::vector<float>& pos) {
    genome_info.Unit.assign(chro.size(), UNIT_POS{});
    genome_info.NumChro = 0;
    genome_info.chroCount.fill(0);
    for (std::size_t u = 0; u < chro.size(); ++u) {
      genome_info.Unit[u].chro = static_cast<std::int16_t>(chro[u]);
      genome_info.Unit[u].pos = pos[u];
      ++genome_info.chroCount[static_cast<std::size_t>(chro[u])];
      genome_info.NumChro = std::max(genome_info.NumChro, chro[u] + 1);
    }
    ASSERT_TRUE(genome_info.GetUnitPos());
  }
  // Arrays of the given names in the group, grouped by the array list text.
  void MakeArrays(const std::vector<std::string>& names, const std::string& list) {
    TheGroup().ClearGroup();
    for (const std::string& name : names) {
      TheGroup().NextArraySlot() = ArraySlot{};
      TheGroup().NextArraySlot().name = name;
      ASSERT_TRUE(TheGroup().CountArray());
    }
    SampleGrouping.ReadArrayListFile(WriteFile("arrays.txt", list));
  }

  std::unique_ptr<CHROMOSOME> mData = std::make_unique<CHROMOSOME>();
};

TEST_F(ChromosomeDataTypeTest, CopyNumberAndLog2RatioAgainstTheNormalMeanOrThePairedNormal) {
  UseUnits(Names("u", 4));
  Place({0, 0, 22, 22}, {100, 200, 100, 200});
  // A male normal paired with a tumour, and a single sample.
  MakeArrays({"N", "T", "S"}, "N\nT\nStandardize\nS\n");
  ASSERT_EQ(SampleGrouping.GroupCount(), 2);
  ASSERT_TRUE(mData->Allocate(3, 4, TablesFor(kChroCopyNumber, true, false)));
  mData->gender[0] = 'M';
  const float normal[4] = {400, -5, 300, 300};
  const float tumour[4] = {600, 150, 450, 0};
  for (int u = 0; u < 4; ++u) {
    mData->markerStats[u].mean = 500;
    mData->signal.Row(0)[u] = normal[u];
    mData->signal.Row(1)[u] = tumour[u];
    mData->signal.Row(2)[u] = 250;
    mData->inferred.Row(1)[u] = 3.5f;
  }
  mData->signal.Row(2)[3] = kMissingValueFloat;
  mData->dataType = kDataCopyNumber;
  EXPECT_EQ(mData->GetValue(1, 0), 3.5f);  // the inferred value while it is displayed
  mData->displayInferred = false;
  EXPECT_FLOAT_EQ(mData->GetValue(1, 0), 2 * 600 / 500.0f);
  EXPECT_FLOAT_EQ(mData->GetValue(2, 0), 1.0f);
  EXPECT_EQ(mData->GetValue(2, 3), kMissingValueFloat);
  EXPECT_EQ(mData->GetValue(1, 3), 0.0f);  // no signal is no copy, never negative

  TheGroup().Settings().USE_PAIRED_NORMAL = 1;
  // The male normal stands for two copies on X only: his autosomes are taken as they are.
  EXPECT_FLOAT_EQ(mData->GetValue(1, 0), 2 * 600 / 400.0f);
  EXPECT_FLOAT_EQ(mData->GetValue(1, 2), 2 * 450 / 600.0f);
  EXPECT_FLOAT_EQ(mData->GetValue(1, 1), 2 * 150 / 1.0f);  // a normal at or below 0 is 1
  // The normal itself and a sample alone keep the normal mean.
  EXPECT_FLOAT_EQ(mData->GetValue(0, 0), 2 * 400 / 500.0f);
  EXPECT_FLOAT_EQ(mData->GetValue(2, 0), 1.0f);
  mData->gender[0] = 'F';
  EXPECT_FLOAT_EQ(mData->GetValue(1, 2), 2 * 450 / 300.0f);

  mData->dataType = kDataLog2Ratio;
  EXPECT_FLOAT_EQ(mData->GetValue(1, 0), std::log2(600 / 400.0f));
  EXPECT_EQ(mData->GetValue(1, 3), -4.0f);
  TheGroup().Settings().USE_PAIRED_NORMAL = 0;
  mData->signal.Row(2)[1] = 0.5f;
  EXPECT_FLOAT_EQ(mData->GetValue(2, 1), std::log2(0.5f / 500));
  mData->truncateLog2 = true;
  EXPECT_EQ(mData->GetValue(2, 1), -4.0f);
  EXPECT_FLOAT_EQ(mData->GetValue(2, 0), std::log2(250 / 500.0f));
  mData->log2Data = true;
  EXPECT_EQ(mData->GetValue(2, 0), 250.0f);
  EXPECT_EQ(mData->GetValue(2, 3), kMissingValueFloat);
  mData->dataType = kDataLohCall;
  EXPECT_EQ(mData->GetValue(2, 0), kMissingValueFloat);
  EXPECT_EQ(mData->GetValue(7, 0), kMissingValueFloat);
}

TEST_F(ChromosomeDataTypeTest, RegionsAreMaximalRunsOfSignificantMarkersInPositionOrder) {
  ArrayType = 1;
  // Chromosome 0 listed out of position order; chromosome 1 ends on a significant run.
  UseUnits(Names("u", 8));
  Place({0, 0, 0, 0, 0, 1, 1, 1}, {500, 100, 400, 200, 300, 10, 20, 30});
  ASSERT_TRUE(mData->Allocate(1, 8, TablesFor(kChroLoh, true, false)));
  mData->dataType = kDataLohCall;
  mData->Min[1] = 0;
  mData->Threshold[1] = 0.25f;
  mData->Max[1] = 0.5f;
  // Along chromosome 0 (positions 100..500): 0.3, 0.1, 0.25, 0.6, missing.
  const float summary[8] = {kMissingValueFloat, 0.3f, 0.6f, 0.1f, 0.25f, 0.0f, 0.5f, 0.9f};
  for (int u = 0; u < 8; ++u) mData->markerStats[u].summary[kDataLohCall] = summary[u];

  CapturedLog log;
  ASSERT_TRUE(mData->FindSignificantRegions(true));
  ASSERT_EQ(mData->regionCount, 3);
  EXPECT_EQ(mData->regions[0].chro, 0);
  EXPECT_EQ(mData->regions[0].first, 0);
  EXPECT_EQ(mData->regions[0].last, 0);
  EXPECT_EQ(mData->regions[1].first, 2);
  EXPECT_EQ(mData->regions[1].last, 3);
  EXPECT_EQ(mData->regions[2].chro, 1);
  EXPECT_EQ(mData->regions[2].first, 1);
  EXPECT_EQ(mData->regions[2].last, 2);
  EXPECT_TRUE(log.Contains("    Found 3 significant regions", kLogBlack));
  EXPECT_TRUE(mData->IsInSignificantRegion(0, 350));
  EXPECT_FALSE(mData->IsInSignificantRegion(0, 250));
  EXPECT_TRUE(mData->IsInSignificantRegion(1, 30));
  EXPECT_FALSE(mData->IsInSignificantRegion(1, 15));
  mData->currentRegion = 2;  // the search wraps round from the view's region
  EXPECT_TRUE(mData->IsInSignificantRegion(0, 100));

  // Min and Max as thresholds: the limits themselves are significant, missing never.
  mData->useMinMax = 1;
  EXPECT_TRUE(mData->IsSignificant(-1, 0.0f));
  EXPECT_TRUE(mData->IsSignificant(-1, 0.5f));
  EXPECT_FALSE(mData->IsSignificant(-1, 0.49f));
  EXPECT_FALSE(mData->IsSignificant(0, 0.0f));
  mData->FindSignificantRegions(false);
  ASSERT_EQ(mData->regionCount, 2);  // 0.6 alone, then 0.0, 0.5, 0.9
  EXPECT_EQ(mData->regions[0].first, 3);
  EXPECT_EQ(mData->regions[0].last, 3);
  EXPECT_EQ(mData->regions[1].first, 0);
  EXPECT_EQ(mData->regions[1].last, 2);
  ArrayType = 0;
  EXPECT_FALSE(mData->IsSignificant(-1, 5.0f));
}

TEST_F(ChromosomeDataTypeTest, TheRegionLimitKeepsTheFirst2000RunsAndSaysSo) {
  ArrayType = 1;
  const int units = 2 * kMaxChroRegions + 3;
  UseUnits(Names("u", units));
  std::vector<int> chro(static_cast<std::size_t>(units), 0);
  std::vector<float> pos;
  for (int u = 0; u < units; ++u) pos.push_back(static_cast<float>(u));
  Place(chro, pos);
  ASSERT_TRUE(mData->Allocate(1, units, TablesFor(kChroLoh, true, false)));
  mData->dataType = kDataLohCall;
  mData->Threshold[1] = 0.5f;
  for (int u = 0; u < units; ++u)
    mData->markerStats[u].summary[kDataLohCall] = u % 2 == 0 ? 1.0f : 0.0f;
  CapturedLog log;
  mData->FindSignificantRegions(true);
  EXPECT_EQ(mData->regionCount, kMaxChroRegions);
  EXPECT_EQ(mData->regions.back().first, 2 * (kMaxChroRegions - 1));
  EXPECT_TRUE(log.ContainsRed(kRegionLimitMessage));
  EXPECT_FALSE(log.Contains("significant regions", kLogBlack));

  // The log2 ratio and the raw copy number have no regions.
  mData->dataType = kDataLog2Ratio;
  mData->FindSignificantRegions(false);
  EXPECT_EQ(mData->regionCount, 0);
}

TEST_F(ChromosomeDataTypeTest, DataTypesStepThroughWhatTheMethodOffersWithTheirLimits) {
  UseUnits(Names("u", 3));
  Place({0, 0, 0}, {1, 2, 3});
  ASSERT_TRUE(mData->Allocate(1, 3, TablesFor(kChroCopyNumber, true, false)));

  // Linkage: type 0 takes the limits of defaults row 4; a limit already set is kept.
  mData->method = kChroLinkage;
  mData->dataType = kDataCall;
  mData->Threshold[4] = 2.5f;
  ASSERT_TRUE(mData->PrepareDataType());
  EXPECT_EQ(mData->Min[0], -2.0f);
  EXPECT_EQ(mData->Threshold[0], 2.5f);
  EXPECT_EQ(mData->Max[0], 3.0f);
  EXPECT_EQ(mData->Max[4], 3.0f);
  mData->NextDataType(1);
  EXPECT_EQ(mData->dataType, kDataHaplotype);
  mData->NextDataType(1);
  EXPECT_EQ(mData->dataType, kDataCall);
  // Alternating takes the opposite of the last direction, which starts as backward, so
  // the first step goes forward, the next backward.
  mData->method = kChroCopyNumber;
  mData->NextDataType(-1);
  EXPECT_EQ(mData->dataType, kDataLog2Ratio);  // the last step was forward
  mData->dataType = kDataCall;
  mData->lastDirection = std::make_unique<CHROMOSOME>()->lastDirection;
  mData->NextDataType(-1);
  EXPECT_EQ(mData->dataType, kDataLohCall);
  mData->NextDataType(-1);
  EXPECT_EQ(mData->dataType, kDataCall);
  mData->NextDataType(-1);
  EXPECT_EQ(mData->dataType, kDataLohCall);
  mData->NextDataType(0);  // offered: kept
  EXPECT_EQ(mData->dataType, kDataLohCall);
  mData->method = kChroLoh;
  mData->dataType = kDataLog2Ratio;
  mData->NextDataType(0);  // not offered: forward to the next offered
  EXPECT_EQ(mData->dataType, kDataCall);
  EXPECT_EQ(TheGroup().Settings().DISPLAY_RANGE, 2.0);

  // The copy-number type shows the current sample's value per unit, its range 5.
  mData->method = kChroCopyNumber;
  mData->dataType = kDataLohCall;
  mData->displayInferred = false;
  for (int u = 0; u < 3; ++u) {
    mData->markerStats[u].mean = 100;
    mData->signal.Row(0)[u] = 50.0f * static_cast<float>(u + 1);
  }
  mData->computed[kDataLohCall] = true;
  mData->NextDataType(1);
  EXPECT_EQ(mData->dataType, kDataCopyNumber);
  EXPECT_EQ(TheGroup().Settings().DISPLAY_RANGE, 5.0);
  EXPECT_FLOAT_EQ(mData->markerStats[2].summary[kDataCopyNumber], 3.0f);
  EXPECT_FLOAT_EQ(mData->markerStats[0].summary[kDataCopyNumber], 1.0f);
  EXPECT_EQ(mData->Threshold[2], 2.0f);

  // The threshold moves by a share of the range and stays within it.
  mData->StepThreshold(10);
  EXPECT_FLOAT_EQ(mData->Threshold[2], 2.4f);
  mData->StepThreshold(-100);
  EXPECT_EQ(mData->Threshold[2], 0.0f);
  mData->StepThreshold(300);
  EXPECT_EQ(mData->Threshold[2], 4.0f);
}

TEST_F(ChromosomeDataTypeTest, TheViewOrderWalksOneChromosomeOrAllOfThemInPositionOrder) {
  UseUnits(Names("u", 7));
  // Chromosome 1 holds no unit; unit 6 is not placed.
  Place({2, 0, 2, 0, 0, 2, 0}, {30, 300, 10, 100, 200, 20, 50});
  genome_info.Unit[6].chro = -1;
  genome_info.chroCount[0] = 3;
  ASSERT_TRUE(genome_info.GetUnitPos());
  GroupSettings& settings = TheGroup().Settings();
  mData->SetCurrentChromosome(0, -1);  // wraps round to the last
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 2);
  EXPECT_EQ(refgene_info.currentChro, 2);
  mData->SetCurrentChromosome(-1, 2);
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 1);
  mData->SetCurrentChromosome(-1, 1);
  ASSERT_EQ(settings.CHRO_CUR_CHRO, 2);

  // The current chromosome alone, by position: units 2, 5, 0.
  const std::vector<int> alone = {2, 5, 0, -1};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(mData->UnitAtDisplayIndex(k), alone[k]) << k;
  EXPECT_EQ(mData->DisplayIndexOfUnit(0), 2);
  EXPECT_EQ(mData->DisplayIndexOfUnit(3), -1);
  EXPECT_EQ(mData->UnitAtDisplayIndex(-1), -1);
  // Every chromosome in turn: units 3, 4, 1, then 2, 5, 0.
  settings.VIEW_ALL_CHROMOSOME = 1;
  const std::vector<int> all = {3, 4, 1, 2, 5, 0, -1};
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(mData->UnitAtDisplayIndex(k), all[k]) << k;
    if (all[k] >= 0) {
      EXPECT_EQ(mData->DisplayIndexOfUnit(all[k]), k);
    }
  }
  EXPECT_EQ(mData->DisplayIndexOfUnit(6), -1);
  EXPECT_EQ(mData->DisplayIndexOfUnit(7), -1);

  // The current sample's calls over a stretch of chromosome 2's list, ends included.
  ASSERT_TRUE(mData->Allocate(2, 7, TablesFor(kChroLoh, true, false)));
  const std::uint8_t calls[7] = {2, 0, 1, 0, 0, 3, 2};
  for (int u = 0; u < 7; ++u) mData->calls.Row(1)[u] = calls[u];
  mData->currentSample = 1;
  EXPECT_EQ(mData->CallCountText(2, 0, 2), "1 NoCall, 1 A/B, 1 AB");
  EXPECT_EQ(mData->CallCountText(2, 1, 9), "1 NoCall, 0 A/B, 1 AB");
  EXPECT_EQ(mData->CallCountText(0, 0, 2), "0 NoCall, 3 A/B, 0 AB");
  EXPECT_EQ(CHROMOSOME::FormatMb(1234567.0f), "1.234567");
  EXPECT_EQ(CHROMOSOME::FormatMb(500.0f), "0.000500");
}

}  // namespace
