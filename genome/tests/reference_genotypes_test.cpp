// Reference genotypes read from the generator's files, whose every call is known, and the
// rates counted from them against counts made here on the generator's truth.
#include "genome/info/reference_genotypes.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/genome_reference.hpp"

namespace {

class ReferenceGenotypesTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    ReferenceGenotypes.Clear();
    Layout = CDF_LAYOUT{};
    UnitSearchStart = 0;
    AnalysisRunning = 0;
  }

  static std::vector<std::string> UseSnps(int count) {
    std::vector<std::string> names;
    Layout = CDF_LAYOUT{};
    Layout.units.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      names.push_back("SNP_A-" + std::to_string(1000 + i));
      Layout.units[static_cast<std::size_t>(i)].SetName(names.back());
    }
    Layout.unitCount = count;
    return names;
  }

  platform::testing::TempFolder mFolder;
};

float Clamped(int part, int whole) {
  if (whole < 3) return -1;
  return std::clamp(static_cast<float>(part) / static_cast<float>(whole), 0.001f, 0.999f);
}

TEST_F(ReferenceGenotypesTest, EveryCallOfTheGeneratedFileIsReadAndCounted) {
  const auto names = UseSnps(400);
  const synth::ReferenceGenotypeTruth truth = synth::MakeReferenceGenotypes(
      names,
      synth::ReferenceGenotypeOptions{.samples = 11, .unknownLines = 7, .trailingColumns = 2});
  const std::string path = mFolder.File("reference.txt");
  ASSERT_TRUE(synth::WriteReferenceGenotypes(truth, path));

  CapturedLog log;
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(path.c_str()));
  EXPECT_EQ(ReferenceGenotypes.loaded, 1);
  ASSERT_EQ(ReferenceGenotypes.sampleCount, 11);
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_TRUE(
      log.Contains("    Reading normal reference genotype file '" + path + "'...", kLogBlack));
  EXPECT_TRUE(log.Contains(
      MessageBuffer("      Read data for %d SNP markers and 11 samples", truth.linesFound),
      kLogBlack));
  EXPECT_EQ(AnalysisRunning, 0);

  int sparse = 0;
  int absent = 0;
  for (int u = 0; u < 400; ++u) {
    int called = 0;
    int het = 0;
    for (int s = 0; s < 11; ++s) {
      const std::uint8_t code = truth.codes[s][u];
      ASSERT_EQ(ReferenceGenotypes.Call(s, u), code) << "sample " << s << ", unit " << u;
      called += code <= 2;
      het += code == 2;
    }
    EXPECT_EQ(ReferenceGenotypes.HetRate(u), Clamped(het, called)) << u;
    sparse += called > 0 && called < 3;
    absent += !truth.inFile[u];
    if (!truth.inFile[u]) {
      EXPECT_EQ(ReferenceGenotypes.HetRate(u), -1.0f);
    }
  }
  EXPECT_GT(sparse, 20);
  EXPECT_GT(absent, 20);
}

TEST_F(ReferenceGenotypesTest, DependencesCountPairsCalledAtBothSnps) {
  const auto names = UseSnps(200);
  const synth::ReferenceGenotypeTruth truth = synth::MakeReferenceGenotypes(
      names, synth::ReferenceGenotypeOptions{.samples = 30, .keepZygosity = 0.7, .seed = 8});
  const std::string path = mFolder.File("reference.txt");
  ASSERT_TRUE(synth::WriteReferenceGenotypes(truth, path));
  CapturedLog log;
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(path.c_str()));

  int known = 0;
  for (int n : {-1, 30, 8, 100}) {
    const int samples = n < 0 || n > 30 ? 30 : n;
    for (int u = 0; u + 1 < 200; ++u) {
      int hom = 0, homHom = 0, het = 0, hetHet = 0, called = 0, hets = 0;
      for (int s = 0; s < samples; ++s) {
        const int a = truth.codes[s][u];
        const int b = truth.codes[s][u + 1];
        called += a <= 2;
        hets += a == 2;
        if (a > 2 || b > 2) continue;
        if (a == 2) {
          ++het;
          hetHet += b == 2;
        } else {
          ++hom;
          homHom += b != 2;
        }
      }
      float homRate = 0;
      float hetRate = 0;
      ReferenceGenotypes.DependenceProb(u, u + 1, &homRate, &hetRate, n);
      EXPECT_EQ(homRate, Clamped(homHom, hom)) << n << ": " << u;
      EXPECT_EQ(hetRate, Clamped(hetHet, het)) << n << ": " << u;
      EXPECT_EQ(ReferenceGenotypes.HetRate(u, n), Clamped(hets, called));
      known += hetRate != -1;
    }
  }
  EXPECT_GT(known, 100);
}

TEST_F(ReferenceGenotypesTest, SpellingsHeaderWidthAndClampedRates) {
  EXPECT_EQ(GenotypeCode("AA"), kCallAA);
  EXPECT_EQ(GenotypeCode("A"), kCallAA);
  EXPECT_EQ(GenotypeCode("AX"), kCallAB);
  EXPECT_EQ(GenotypeCode("AG"), kCallAB);
  EXPECT_EQ(GenotypeCode("AB"), kCallAB);
  EXPECT_EQ(GenotypeCode("BB"), kCallBB);
  EXPECT_EQ(GenotypeCode("B"), kCallBB);
  EXPECT_EQ(GenotypeCode("H"), kCallAB);
  for (const char* none : {"NoCall", "-", "", "aa", "N"})
    EXPECT_EQ(GenotypeCode(none), kNoCall) << none;

  UseSnps(3);
  // The empty third header field ends the samples: one sample, whatever follows.
  const std::string one = mFolder.Write("one.txt", "SNP\tS1\t\tS3\nSNP_A-1000\tAB\tAA\tAA\n");
  CapturedLog log;
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(one.c_str()));
  EXPECT_EQ(ReferenceGenotypes.sampleCount, 1);
  EXPECT_EQ(ReferenceGenotypes.Call(0, 0), kCallAB);
  EXPECT_EQ(ReferenceGenotypes.Call(0, 1), kNoCall);

  // All homozygous gives 0.001, all heterozygous 0.999; a short line lacks its calls.
  const std::string four = mFolder.Write("four.txt",
                                         "SNP\tS1\tS2\tS3\tS4\r\n"
                                         "snp_a-1000\tAA\tBB\tA\tB\r\n"
                                         "\" SNP_A-1001 \"\tAB\tH\tAT\tHH\r\n"
                                         "SNP_A-1002\tAB\tAB\r\n");
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(four.c_str()));
  EXPECT_EQ(ReferenceGenotypes.sampleCount, 4);
  EXPECT_EQ(ReferenceGenotypes.HetRate(0), 0.001f);
  EXPECT_EQ(ReferenceGenotypes.HetRate(1), 0.999f);
  EXPECT_EQ(ReferenceGenotypes.HetRate(2), -1.0f);
  EXPECT_EQ(ReferenceGenotypes.Call(3, 2), kNoCall);
  float hom = 0, het = 0;
  ReferenceGenotypes.DependenceProb(0, 1, &hom, &het);
  EXPECT_EQ(hom, 0.001f);
  EXPECT_EQ(het, -1.0f);
  ReferenceGenotypes.DependenceProb(1, 0, &hom, &het);
  EXPECT_EQ(hom, -1.0f);
  EXPECT_EQ(het, 0.001f);
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
}

TEST_F(ReferenceGenotypesTest, AFailedOrStoppedReadLeavesNothingLoaded) {
  const auto names = UseSnps(1200);
  const synth::ReferenceGenotypeTruth truth =
      synth::MakeReferenceGenotypes(names, synth::ReferenceGenotypeOptions{.samples = 4});
  const std::string path = mFolder.File("reference.txt");
  ASSERT_TRUE(synth::WriteReferenceGenotypes(truth, path));
  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(path.c_str()));

  CapturedLog log;
  const std::string missing = mFolder.File("absent.txt");
  EXPECT_FALSE(ReferenceGenotypes.ReadRefGenotypeFile(missing.c_str()));
  EXPECT_EQ(ReferenceGenotypes.loaded, 0);
  EXPECT_TRUE(
      log.ContainsRed("    Reading normal reference genotype file '" + missing + "' failed"));

  ASSERT_TRUE(ReferenceGenotypes.ReadRefGenotypeFile(path.c_str()));
  ScriptedProgress progress;
  progress.stopAtPoll = 2;
  log.Clear();
  EXPECT_FALSE(ReferenceGenotypes.ReadRefGenotypeFile(path.c_str()));
  EXPECT_EQ(ReferenceGenotypes.loaded, 0);
  EXPECT_EQ(ReferenceGenotypes.sampleCount, 0);
  EXPECT_EQ(progress.polls, 2);
  EXPECT_EQ(progress.progressLines,
            (std::vector<std::string>{"      Line 500", "      Line 1000"}));
  EXPECT_TRUE(log.ContainsRed("    User Stopped"));
  EXPECT_FALSE(log.Contains("Read data for", kLogBlack));
}

TEST_F(ReferenceGenotypesTest, TheReadLeavesTheRunningFlagAsItFoundIt) {
  const auto names = UseSnps(700);
  synth::ReferenceGenotypeOptions options;
  options.samples = 3;
  const std::string path = mFolder.File("reference.txt");
  ASSERT_TRUE(synth::WriteReferenceGenotypes(synth::MakeReferenceGenotypes(names, options), path));
  ExpectRunningFlagKept([&path] { return ReferenceGenotypes.ReadRefGenotypeFile(path.c_str()); });
}

TEST_F(ReferenceGenotypesTest, AFileNamingNoSampleIsRefused) {
  UseSnps(10);
  CapturedLog log;
  for (const std::string text :
       {"", "\n", "SNP\nSNP_A-1000\tAA\n", "SNP\t\tN2\nSNP_A-1000\tAA\n"}) {
    const std::string path = mFolder.Write("reference.txt", text);
    EXPECT_FALSE(ReferenceGenotypes.ReadRefGenotypeFile(path.c_str())) << text;
    EXPECT_EQ(ReferenceGenotypes.loaded, 0) << text;
    EXPECT_EQ(ReferenceGenotypes.sampleCount, 0) << text;
  }
  EXPECT_EQ(log.CountInColour(kLogRed), 4);
  EXPECT_TRUE(log.ContainsRed(kRefGenotypeNoSamplesMessage));
}

TEST_F(ReferenceGenotypesTest, StatisticsFollowEachChromosomeInPositionOrder) {
  UseSnps(6);
  const std::string path = mFolder.Write("reference.txt",
                                         "SNP\tN1\tN2\tN3\tN4\n"
                                         "SNP_A-1000\tAA\tAB\tAB\tBB\n"
                                         "SNP_A-1001\tAB\tAB\tAB\tAA\n"
                                         "SNP_A-1002\tAA\tAA\tBB\tAB\n"
                                         "SNP_A-1003\tAB\tBB\tAB\tAB\n"
                                         "SNP_A-1004\tAA\tBB\tAA\tAA\n"
                                         "SNP_A-1005\tAB\tAB\tAA\tNoCall\n");
  GENOME_INFO info;
  // Chromosome 0 holds units 2, 0, 4 in that position order; chromosome 1 holds 5, 1.
  const std::vector<std::pair<int, float>> places = {{0, 200}, {1, 900}, {0, 100},
                                                     {-1, -1}, {0, 300}, {1, 50}};
  info.Unit.resize(6);
  for (int u = 0; u < 6; ++u) {
    info.Unit[u].chro = static_cast<std::int16_t>(places[u].first);
    info.Unit[u].pos = places[u].second;
    info.Unit[u].rate = {0.5f, 0.5f, 0.5f};
  }
  info.NumChro = 2;
  info.chroCount[0] = 3;
  info.chroCount[1] = 2;

  GroupSettings settings;
  settings.NORMAL_GENOTYPE_FILE = path;
  settings.INFER_NONINFORMATIVE = 1;
  CapturedLog log;
  ASSERT_TRUE(ComputeReferenceStatistics(info, settings));
  EXPECT_EQ(ReferenceGenotypes.loaded, 0);
  EXPECT_EQ(info.Unit[0].rate[0], 0.5f);
  settings.INFER_NONINFORMATIVE = kHaplotypeLohMethod;
  settings.NORMAL_GENOTYPE_FILE = "None";
  ASSERT_TRUE(ComputeReferenceStatistics(info, settings));
  EXPECT_EQ(ReferenceGenotypes.loaded, 0);

  settings.NORMAL_GENOTYPE_FILE = path;
  ASSERT_TRUE(ComputeReferenceStatistics(info, settings));
  EXPECT_EQ(ReferenceGenotypes.loaded, 1);
  EXPECT_TRUE(log.Contains(kReferenceStatisticsMessage, kLogBlack));
  auto rates = [&](int u) { return info.Unit[u].rate; };
  // Unit 2 then 0: homozygous at 2 are N1, N2, N3; of them N1 stays homozygous at 0.
  EXPECT_EQ(rates(2), (std::array<float, 3>{0.25f, 1 / 3.0f, -1}));
  // Unit 0 then 4: homozygous N1, N4 (too few); heterozygous N2, N3, neither stays.
  EXPECT_EQ(rates(0), (std::array<float, 3>{0.5f, -1, -1}));
  // The last unit of a chromosome keeps its dependences.
  EXPECT_EQ(rates(4), (std::array<float, 3>{0.001f, 0.5f, 0.5f}));
  // Unit 5 then 1, over the three samples called at both.
  EXPECT_EQ(rates(5), (std::array<float, 3>{2 / 3.0f, -1, -1}));
  EXPECT_EQ(rates(1), (std::array<float, 3>{0.75f, 0.5f, 0.5f}));
  EXPECT_EQ(rates(3), (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
}

}  // namespace
