// Gathering a generated SNP group along the genome: the arrays' ploidy and gender from the
// sample information, the paired LOH codes through the array list, and signals whose
// normal means recover each marker's known signal per copy, so that planted gains and
// losses show as their copy numbers.
#include <cmath>
#include <memory>

#include "engine/group/sample_info.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_command.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/genome_snp_group.hpp"

namespace {

class ChromosomeGatherTest : public GenomeFixture {
 protected:
  // Installs the group, its array list and sample information, and places its markers.
  void Install(const synth::SnpGroupTruth& truth, bool withSampleInfo = true) {
    synth::InstallSnpGroup(truth);
    TheGroup().Settings().ARRAY_LIST_FILE =
        WriteFile("arrays.txt", synth::SnpGroupArrayListText(truth));
    SampleGrouping.ReadArrayListFile(TheGroup().Settings().ARRAY_LIST_FILE);
    if (withSampleInfo) {
      ASSERT_TRUE(SampleInfo.ReadSampleInfoFile(
          WriteFile("info.txt", synth::SnpGroupSampleInfoText(truth))));
    } else {
      SampleInfo.Clear();
    }
    genome_info.Unit.assign(static_cast<std::size_t>(truth.MarkerCount()), UNIT_POS{});
    genome_info.chroCount.fill(0);
    genome_info.NumChro = 0;
    for (int u = 0; u < truth.MarkerCount(); ++u) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
      unit.chro = static_cast<std::int16_t>(truth.chro[static_cast<std::size_t>(u)]);
      unit.pos = static_cast<float>(truth.pos[static_cast<std::size_t>(u)]);
      unit.second = unit.pos * 1e-6f;  // one cM per Mb
      ++genome_info.chroCount[static_cast<std::size_t>(unit.chro)];
      genome_info.NumChro = std::max(genome_info.NumChro, unit.chro + 1);
    }
    ASSERT_TRUE(genome_info.GetUnitPos());
  }
  // The gathering's first steps, as GetData runs them for a copy-number method.
  bool Gather(int method) {
    const GroupSettings& settings = TheGroup().Settings();
    const bool parentSpecific = settings.PARENT_SPECIFIC_COPY != 0;
    mData->method = method;
    if (!mData->Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                         TablesFor(method, ArrayType != 0, parentSpecific)))
      return false;
    if (ArrayType != 0 && !mData->GetCalls()) return false;
    mData->GetSampleColumns();
    return mData->GetSignals();
  }
  static synth::SnpGroupPlan Plan() {
    synth::SnpGroupPlan plan;
    plan.markersPerChro = {300, 200, 150, 120};
    plan.withX = true;
    plan.normals = 10;
    plan.males = 4;
    plan.pairs = 2;
    plan.singles = 1;
    // T0 (sample 10) gains two copies and loses one; S0 (sample 12) gains one.
    plan.stretches = {{10, 40, 99, 4}, {10, 150, 229, 1}, {12, 320, 399, 3}};
    plan.seed = 7;
    return plan;
  }

  // Markers of a tumour's planted stretches, a margin in from each end, whose copy number
  // is off the planted one by more than 0.5; and those counted.
  std::pair<int, int> MissedCopies(const synth::SnpGroupTruth& truth, int sample,
                                   int margin) const {
    const int array = SampleGrouping.GetSampleArray(sample);
    const synth::SnpGroupArray& planted = truth.arrays[static_cast<std::size_t>(array)];
    int missed = 0;
    int counted = 0;
    for (const synth::CopyStretch& stretch : Plan().stretches) {
      if (stretch.sample != array) continue;
      for (int u = stretch.first + margin; u <= stretch.last - margin; ++u) {
        ++counted;
        const float copies = mData->inferred.Row(sample)[u];
        missed += std::abs(copies - planted.copies[static_cast<std::size_t>(u)]) > 0.5f ? 1 : 0;
      }
    }
    return {missed, counted};
  }

  std::unique_ptr<CHROMOSOME> mData = std::make_unique<CHROMOSOME>();
};

TEST_F(ChromosomeGatherTest, NormalMeansFollowTheSignalPerCopyAndPlantedCopiesShow) {
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(Plan());
  Install(truth);
  TheGroup().Settings().SEPARATE_AB_SIGNAL = 1;
  CapturedLog log;
  ASSERT_TRUE(Gather(kChroCopyNumber));
  EXPECT_TRUE(log.Contains("    Use sample information column 'Ploidy(numeric)'", kLogBlack));
  EXPECT_TRUE(log.Contains("    10 normal samples are used", kLogBlack));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);

  // Ploidy and gender per array, in the group's array order.
  for (std::size_t a = 0; a < truth.arrays.size(); ++a) {
    EXPECT_EQ(mData->ploidy[a], truth.arrays[a].normal ? 2.0f : -1.0f) << a;
    EXPECT_EQ(mData->gender[a], truth.arrays[a].gender) << a;
  }

  // Ten normals, each with a relative noise of 0.05 on either allele: the mean of A + B
  // lies within 5% of two copies (four standard errors, and the background of an allele
  // without copies). A male's single X counts double, so X is no exception.
  const double noise = Plan().noise;
  const double bound = 4 * noise * std::sqrt(2.0 / 10) + synth::kSnpBackgroundCopies;
  int off = 0;
  for (int u = 0; u < truth.MarkerCount(); ++u) {
    const double ratio = mData->markerStats[u].mean / (2.0 * truth.perCopy[u]);
    off += std::abs(ratio - 1) > bound ? 1 : 0;
    EXPECT_GT(mData->markerStats[u].sd, 0.0f);
  }
  EXPECT_LE(off, truth.MarkerCount() / 100) << "means beyond " << bound;

  // Copy number 2v/r of every tumour marker against its planted copies: the ratio's noise
  // is about 0.05 x copies; 0.5 apart is beyond ten standard deviations.
  mData->dataType = kDataCopyNumber;
  mData->displayInferred = false;
  const int normals = Plan().normals;
  int wrong = 0;
  for (int s = normals; s < static_cast<int>(truth.arrays.size()); ++s) {
    const int array = SampleGrouping.GetSampleArray(s);
    const synth::SnpGroupArray& planted = truth.arrays[static_cast<std::size_t>(array)];
    for (int u = 0; u < truth.MarkerCount(); ++u) {
      // A male's single X reads as one copy against the doubled normals.
      const int copies = planted.copies[static_cast<std::size_t>(u)];
      wrong += std::abs(mData->GetValue(s, u) - copies) > 0.5 ? 1 : 0;
    }
  }
  EXPECT_EQ(wrong, 0);

  // The pair's LOH codes: where T0 keeps one copy, a heterozygous normal shows loss.
  const int pairNormal = SampleGrouping.GroupFirstSample(0);
  int losses = 0;
  for (int u = 150; u <= 229; ++u) {
    if (mData->calls.Row(pairNormal)[u] == kSnpCallAB && mData->calls.Row(pairNormal + 1)[u] != 3) {
      EXPECT_EQ(mData->lohCodes.Row(pairNormal + 1)[u], kLohLoss) << u;
      ++losses;
    }
  }
  EXPECT_GT(losses, 20);
}

TEST_F(ChromosomeGatherTest, ParentSpecificMeansAndTrimmingTakeTheirShareOfArrays) {
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(Plan());
  Install(truth);
  GroupSettings& settings = TheGroup().Settings();
  settings.SEPARATE_AB_SIGNAL = 1;
  settings.PARENT_SPECIFIC_COPY = 1;
  ASSERT_TRUE(Gather(kChroCopyNumber));
  ASSERT_FALSE(mData->secondSignal.Empty());
  // The B signal stays apart from the A signal.
  EXPECT_EQ(mData->signal.Row(0)[5], truth.arrays[0].a[5]);
  EXPECT_EQ(mData->secondSignal.Row(0)[5], truth.arrays[0].b[5]);

  // An allele's mean stands for two copies of it (a heterozygote's doubled) once six
  // normals carry it; otherwise it is the total's.
  int checked = 0;
  for (int u = 0; u < truth.MarkerCount(); ++u) {
    const MarkerStats& stats = mData->markerStats[u];
    if (truth.chro[static_cast<std::size_t>(u)] == genome_info.XChroIndex()) continue;
    int withA = 0;
    int withB = 0;
    int called = 0;
    for (int a = 0; a < Plan().normals; ++a) {
      const char call =
          truth.arrays[static_cast<std::size_t>(a)].calls[static_cast<std::size_t>(u)];
      withA += call == kSnpCallA || call == kSnpCallAB ? 1 : 0;
      withB += call == kSnpCallB || call == kSnpCallAB ? 1 : 0;
      called += call != kSnpCallNoCall ? 1 : 0;
    }
    // Too many normals without a call, or an allele no normal carries: no allele means.
    if (Plan().normals - called > 3 || withA == 0 || withB == 0) {
      EXPECT_EQ(stats.meanA, kMissingValueFloat) << u;
      EXPECT_EQ(stats.meanB, kMissingValueFloat) << u;
      continue;
    }
    ASSERT_NE(stats.meanA, kMissingValueFloat) << u;
    if (withA >= 6) {
      EXPECT_NEAR(stats.meanA / (2.0 * truth.perCopy[static_cast<std::size_t>(u)]), 1.0, 0.08) << u;
      ++checked;
    } else {
      EXPECT_EQ(stats.meanA, stats.mean) << u;
      EXPECT_EQ(stats.sdA, stats.sd) << u;
    }
  }
  EXPECT_GT(checked, truth.MarkerCount() / 2);

  // Trimming takes every array, tumours too, and says so.
  settings.PARENT_SPECIFIC_COPY = 0;
  settings.CHRO_TRIMMED_PCT = 20;
  CapturedLog log;
  ASSERT_TRUE(Gather(kChroCopyNumber));
  EXPECT_TRUE(
      log.Contains("    For a SNP or gene, 10.0% of 13 samples with extreme signals", kLogBlack));
  settings.CHRO_TRIMMED_PCT = -20;
  ASSERT_TRUE(Gather(kChroCopyNumber));
  EXPECT_TRUE(log.Contains("% of 10 normal samples with extreme signals", kLogBlack));
}

TEST_F(ChromosomeGatherTest, WithoutNormalsSnpArraysStopAndExpressionDataAreLog2Ratios) {
  synth::SnpGroupPlan plan = Plan();
  plan.markersPerChro = {40, 30};
  plan.withX = false;
  plan.stretches.clear();
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(plan);
  Install(truth, false);
  CapturedLog log;
  EXPECT_FALSE(Gather(kChroCopyNumber));
  EXPECT_TRUE(log.ContainsRed("    0 normal samples are used"));
  EXPECT_TRUE(log.ContainsRed("specify 'Ploidy(numeric)' column as 2"));
  for (int a = 0; a < 3; ++a) EXPECT_EQ(mData->ploidy[a], -1.0f);

  // Expression arrays: the whole gathering takes the values as log2 ratios.
  ArrayType = 0;
  GroupSettings& settings = TheGroup().Settings();
  settings.CHRO_METHOD = kChroExpression;
  settings.SEPARATE_AB_SIGNAL = 1;
  log.Clear();
  ASSERT_TRUE(mData->GetData());
  EXPECT_TRUE(mData->log2Data);
  EXPECT_EQ(mData->dataType, kDataLog2Ratio);
  EXPECT_EQ(settings.SEPARATE_AB_SIGNAL, 0);
  EXPECT_TRUE(log.Contains("      Regard as log2 ratio data", kLogBlack));
  const auto array3 = static_cast<std::size_t>(SampleGrouping.GetSampleArray(3));
  EXPECT_EQ(mData->GetValue(3, 7), truth.arrays[array3].a[7]);
  EXPECT_EQ(mData->markerStats[7].summary[kDataLog2Ratio], truth.arrays[0].a[7]);

  // A group without modelled values has no signals to gather.
  TheGroup().Modelled = false;
  log.Clear();
  EXPECT_FALSE(mData->GetData());
  EXPECT_TRUE(log.ContainsRed("please do Normalization and Model-based expression first"));
}

TEST_F(ChromosomeGatherTest, GetDataInfersThePlantedCopyNumbersByEachMethod) {
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(Plan());
  Install(truth);
  GroupSettings& settings = TheGroup().Settings();
  settings.SEPARATE_AB_SIGNAL = 1;
  settings.CHRO_METHOD = kChroCopyNumber;
  const int tumour = SampleGrouping.FindSample("T0");
  const int single = SampleGrouping.FindSample("S0");
  ASSERT_GE(tumour, 0);
  ASSERT_GE(single, 0);

  // Median smoothing over 11 markers: inside a stretch, 5 markers from its ends, the
  // window holds the planted copies only.
  settings.INFER_COPY_METHOD = 1;
  settings.MEDIAN_SMOOTH_WINDOW = 11;
  CapturedLog log;
  ASSERT_TRUE(mData->GetData());
  EXPECT_EQ(mData->dataType, kDataCopyNumber);
  EXPECT_EQ(settings.CHRO_DATA, kDataCopyNumber);
  EXPECT_TRUE(mData->displayInferred);
  for (const int sample : {tumour, single}) {
    const auto [missed, counted] = MissedCopies(truth, sample, 5);
    EXPECT_GT(counted, 50);
    EXPECT_EQ(missed, 0) << sample;
  }
  EXPECT_EQ(mData->markerStats[3].summary[kDataCopyNumber], mData->inferred.Row(0)[3]);

  // A file that cannot be read falls back to smoothing, and says so.
  settings.INFER_COPY_METHOD = 2;
  settings.INFERRED_COPY_FILE = mFolder.File("absent.xls");
  log.Clear();
  ASSERT_TRUE(mData->GetData());
  EXPECT_EQ(settings.INFER_COPY_METHOD, 1);
  EXPECT_TRUE(log.ContainsRed(kInferredCopyFallbackMessage));
  EXPECT_EQ(MissedCopies(truth, tumour, 5).first, 0);

  // The hidden Markov model finds the stretches to within a few markers of their ends.
  settings.INFER_COPY_METHOD = 0;
  log.Clear();
  ASSERT_TRUE(mData->GetData());
  EXPECT_TRUE(log.Contains("  Inferring copy number by HMM...", kLogBlack));
  EXPECT_TRUE(log.Contains("    Sample T0", kLogBlack));
  for (const int sample : {tumour, single}) {
    const auto [missed, counted] = MissedCopies(truth, sample, 2);
    EXPECT_LE(missed, counted / 20) << sample;
  }

  // Parent-specific cells hold both parents' states; the copy-number type shows their sum.
  settings.PARENT_SPECIFIC_COPY = 1;
  ASSERT_TRUE(mData->GetData());
  ASSERT_FALSE(mData->secondSignal.Empty());
  mData->currentSample = tumour;
  ASSERT_TRUE(mData->PrepareDataType());
  const synth::SnpGroupArray& planted =
      truth.arrays[static_cast<std::size_t>(SampleGrouping.GetSampleArray(tumour))];
  int missed = 0;
  int counted = 0;
  for (const synth::CopyStretch& stretch : Plan().stretches) {
    if (truth.arrays[static_cast<std::size_t>(stretch.sample)].name != "T0") continue;
    for (int u = stretch.first + 2; u <= stretch.last - 2; ++u, ++counted) {
      const float copies = mData->markerStats[u].summary[kDataCopyNumber];
      missed += std::abs(copies - planted.copies[static_cast<std::size_t>(u)]) > 0.5f ? 1 : 0;
    }
  }
  EXPECT_GT(counted, 100);
  EXPECT_LE(missed, counted / 10);
  settings.PARENT_SPECIFIC_COPY = 0;

  // A step of 0 is refused before any model is made.
  settings.INFER_STEP = 0;
  log.Clear();
  EXPECT_FALSE(mData->GetData());
  EXPECT_EQ(log.CountInColour(kLogRed), 1);
}

TEST_F(ChromosomeGatherTest, AMouseXHoldsOneCopyInMalesAndTwoInFemales) {
  // Mouse expression arrays: the genome information names the species, whose X follows 19
  // autosomes; males are doubled there for the normal means and read as one copy.
  synth::SnpGroupPlan plan = Plan();
  plan.autosomes = 19;
  plan.expression = true;
  plan.stretches = {};
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(plan);
  Install(truth);
  ASSERT_TRUE(genome_info.ReadGenomeInfoFile(
      WriteFile("zmus430_genome.txt", synth::SnpGroupGenomeInfoText(truth))));
  ASSERT_EQ(genome_info.XChroIndex(), 19);
  GroupSettings& settings = TheGroup().Settings();
  settings.CHRO_METHOD = kChroExpression;
  settings.INFER_COPY_METHOD = 0;
  ASSERT_TRUE(mData->GetData());

  const double bound = 4 * plan.noise * std::sqrt(2.0 / 10) + synth::kSnpBackgroundCopies;
  int onX = 0;
  int offMean = 0;
  int offCopies = 0;
  for (int u = 0; u < truth.MarkerCount(); ++u) {
    if (truth.chro[static_cast<std::size_t>(u)] != 19) continue;
    ++onX;
    const double ratio = mData->markerStats[u].mean / (2.0 * truth.perCopy[u]);
    offMean += std::abs(ratio - 1) > bound ? 1 : 0;
    for (int s = 0; s < mData->sampleCount; ++s) {
      const synth::SnpGroupArray& array =
          truth.arrays[static_cast<std::size_t>(SampleGrouping.GetSampleArray(s))];
      offCopies += mData->inferred.Row(s)[u] != static_cast<float>(array.copies[u]) ? 1 : 0;
    }
  }
  ASSERT_EQ(onX, 120);
  EXPECT_LE(offMean, onX / 100);
  EXPECT_LE(offCopies, onX * mData->sampleCount / 100);
}

TEST_F(ChromosomeGatherTest, GetDataInfersLohAndFailsWholeWhenTheInferenceCannotRun) {
  synth::SnpGroupPlan plan = Plan();
  plan.stretches = {{10, 40, 139, 1}};
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(plan);
  Install(truth);
  GroupSettings& settings = TheGroup().Settings();
  settings.CHRO_METHOD = kChroLoh;
  CapturedLog log;
  ASSERT_TRUE(mData->GetData());
  EXPECT_TRUE(log.Contains("  Inferring LOH using the 'Hidden Markov Model' method...", kLogBlack));
  EXPECT_EQ(mData->dataType, kDataLohCall);
  EXPECT_TRUE(mData->computed[kDataLohCall]);
  EXPECT_TRUE(mData->signal.Empty());
  // The tumour's row holds its chance of retention: low over the lost stretch.
  const int tumour = SampleGrouping.FindSample("T0");
  int lost = 0;
  for (int u = 45; u <= 135; ++u) lost += mData->lohCodes.Row(tumour)[u] < 0.5f ? 1 : 0;
  EXPECT_GE(lost, 85);
  // The curve is there along the genome and higher over the loss.
  EXPECT_GT(mData->markerStats[90].summary[kDataLohCall],
            mData->markerStats[250].summary[kDataLohCall]);

  // A het rate of 0 leaves nothing inferred to show.
  settings.AVERAGE_HET_RATE = 0;
  log.Clear();
  EXPECT_FALSE(mData->GetData());
  EXPECT_TRUE(log.ContainsRed("not completed"));
}

TEST_F(ChromosomeGatherTest, LinkageReadsTheCurveFileOnlyWhenOneIsNamed) {
  Install(synth::MakeSnpGroup(Plan()));
  GroupSettings& settings = TheGroup().Settings();
  settings.CHRO_METHOD = kChroLinkage;
  settings.CURVE_FILE = "None";
  CapturedLog log;
  ASSERT_TRUE(mData->GetData());
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_EQ(mData->dataType, kDataCall);

  settings.CURVE_FILE = (mFolder.Path() / "missing-curve.xls").string();
  log.Clear();
  EXPECT_TRUE(mData->GetData());
  EXPECT_GT(log.CountInColour(kLogRed), 0);
}

TEST_F(ChromosomeGatherTest, TheCommandReadsTheGenomeFilesKeepsTheListedMarkersAndGathers) {
  const synth::SnpGroupTruth truth = synth::MakeSnpGroup(Plan());
  Install(truth);
  GroupSettings& settings = TheGroup().Settings();
  settings.SEPARATE_AB_SIGNAL = 1;
  settings.CHRO_METHOD = kChroCopyNumber;
  settings.MEDIAN_SMOOTH_WINDOW = 11;
  settings.GENOME_INFO_FILE = WriteFile("snp_genome.txt", synth::SnpGroupGenomeInfoText(truth));
  // The list leaves out the second chromosome.
  std::string list = "Probe Set\n";
  for (int u = 0; u < truth.MarkerCount(); ++u)
    if (truth.chro[static_cast<std::size_t>(u)] != 1) list += truth.markerNames[u] + "\n";
  settings.GENE_LIST_FILE = WriteFile("list.txt", list);

  CapturedLog log;
  ASSERT_TRUE(ReadGenomeFilesAndGather());
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_EQ(genome_info.posList[0].size(), 300u);
  EXPECT_EQ(genome_info.posList[1].size(), 0u);
  EXPECT_EQ(genome_info.posList[genome_info.XChroIndex()].size(), 120u);
  EXPECT_EQ(chromosome.dataType, kDataCopyNumber);
  const int tumour = SampleGrouping.FindSample("T0");
  for (int u = 45; u <= 94; ++u) EXPECT_NEAR(chromosome.inferred.Row(tumour)[u], 4.0f, 0.5f) << u;

  // A genome information file that cannot be read ends the command before the gathering.
  settings.GENOME_INFO_FILE = mFolder.File("absent_genome.txt");
  chromosome.Clear();
  EXPECT_FALSE(ReadGenomeFilesAndGather());
  EXPECT_TRUE(chromosome.calls.Empty());
  chromosome.Clear();
}

}  // namespace
