// The linkage run over a generated pedigree study installed as the open group: the own
// engine on the current chromosome, on every chromosome and in simulation, and the outside
// programs' road through stand-ins that check the files they are given.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/linkage/linkage_driver.hpp"
#include "genome/linkage/merlin_interface.hpp"
#include "genome_test_support.hpp"
#include "tools/synth/genome_pedigree.hpp"
#include "tools/synth/genome_pedigree_files.hpp"
#include "tools/synth/genome_pedigree_group.hpp"
#include "tools/synth/genome_snp_group.hpp"

namespace {

// The captured lines, for a failure's message.
std::string Text(const CapturedLog& log) {
  std::string text;
  for (const CapturedLine& line : log.Lines()) text += line.text + "\n";
  return text;
}

constexpr int kDiseaseMarker = 70;  // on the first chromosome
constexpr int kMarkersPerChro = 120;

class LinkageDriverTest : public GenomeFixture {
 protected:
  // One family of two parents and seven children with a dominant disease on the first
  // chromosome, some persons untyped, installed with its genome positions (one cM per Mb).
  void Install(int chromosomes, int markersPerChro, int untypedPercent = 0) {
    synth::PedigreePlan plan = synth::PedigreeMapPlan(chromosomes, markersPerChro, 150, 29);
    plan.children = 7;
    plan.mode = synth::DiseaseMode::kDominant;
    plan.diseaseFrequency = 0.01;
    plan.penetrance = 0.95;
    plan.phenocopy = 0.02;
    plan.minAffected = 4;
    plan.diseaseMarker = std::min(kDiseaseMarker, markersPerChro - 1);
    plan.untypedPercent = untypedPercent;
    mTruth = synth::MakePedigree(plan);
    const synth::SnpGroupTruth group = synth::PedigreeSnpGroup(mTruth);
    ASSERT_FALSE(group.arrays.empty());
    synth::InstallSnpGroup(group);
    GroupSettings& s = TheGroup().Settings();
    s.ARRAY_LIST_FILE = WriteFile("arrays.txt", synth::PedigreeArrayListText(mTruth));
    SampleGrouping.ReadArrayListFile(s.ARRAY_LIST_FILE);
    genome_info.Unit.assign(static_cast<std::size_t>(group.MarkerCount()), UNIT_POS{});
    genome_info.chroCount.fill(0);
    genome_info.NumChro = 0;
    for (int u = 0; u < group.MarkerCount(); ++u) {
      UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
      unit.chro = static_cast<std::int16_t>(group.chro[static_cast<std::size_t>(u)]);
      unit.pos = static_cast<float>(group.pos[static_cast<std::size_t>(u)]);
      unit.second = unit.pos * 1e-6f;
      ++genome_info.chroCount[static_cast<std::size_t>(unit.chro)];
      genome_info.NumChro = std::max(genome_info.NumChro, unit.chro + 1);
    }
    ASSERT_TRUE(genome_info.GetUnitPos());
    chromosome.method = kChroLinkage;
    ASSERT_TRUE(chromosome.Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                                    TablesFor(kChroLinkage, true, false)));
    ASSERT_TRUE(chromosome.GetCalls());
    s.PEDIGREE_FILE = WriteFile("pedigree.txt", synth::PedigreeFileText(mTruth));
    s.LINKAGE_INHERITANCE = 1;
    s.LINKAGE_DISEASE_FREQ = static_cast<float>(plan.diseaseFrequency);
    s.LINKAGE_PENETRANCE = static_cast<float>(plan.penetrance);
    s.LINKAGE_PHENOCOPY = static_cast<float>(plan.phenocopy);
    s.WORKING_DIR = mFolder.Path().string();
    s.CURVE_FILE = "";
    s.CALL_MERLIN = 0;
    s.LINKAGE_SIMULATE = 0;
    s.VIEW_ALL_CHROMOSOME = 0;
    s.CHRO_CUR_CHRO = 0;
  }
  void TearDown() override {
    chromosome.Clear();
    GenomeFixture::TearDown();
  }
  static float Curve(int unit) {
    return chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall];
  }
  // The best curve value on a chromosome and where.
  static std::pair<float, int> Best(int chro) {
    std::pair<float, int> best{kMissingValueFloat, -1};
    for (const int unit : ChromosomeMarkers(chromosome, chro))
      if (Curve(unit) > best.first) best = {Curve(unit), unit};
    return best;
  }

  synth::PedigreeTruth mTruth;
};

TEST_F(LinkageDriverTest, TheDiseaseChromosomePeaksAtItsLocusAndTheOtherStaysLow) {
  Install(2, kMarkersPerChro);
  GroupSettings& s = TheGroup().Settings();
  s.CURVE_FILE = mFolder.Path().string() + "/curve.txt";
  CapturedLog log;
  ASSERT_TRUE(linkage_analysis.Run(1));
  EXPECT_TRUE(log.Contains("Finished in", kLogBlue));
  const auto [peak, where] = Best(0);
  const float diseaseCm = genome_info.Unit[kDiseaseMarker].second;
  EXPECT_GT(peak, 1.0f);
  EXPECT_NEAR(genome_info.Unit[static_cast<std::size_t>(where)].second, diseaseCm, 15.0f);
  // The other chromosome was not run: its curve stays missing until it is current.
  EXPECT_EQ(Best(1).second, -1);
  s.CHRO_CUR_CHRO = 1;
  ASSERT_TRUE(linkage_analysis.Run(1));
  EXPECT_LT(Best(1).first, peak - 0.5f);
  EXPECT_EQ(Best(0).first, peak);  // a run leaves the other chromosomes' curves alone

  // Typed persons carry haplotypes whose founder alleles are the founders' (0 to 3).
  ASSERT_FALSE(chromosome.haplotypes.Empty());
  int records = 0;
  for (int sample = 0; sample < chromosome.sampleCount; ++sample)
    for (const int unit : ChromosomeMarkers(chromosome, 0)) {
      const auto& r = chromosome.haplotypes.Row(sample)[unit];
      EXPECT_LT(r[1], 4);
      EXPECT_LT(r[2], 4);
      records += r[0] != kNoCall;
    }
  EXPECT_GT(records, chromosome.sampleCount * kMarkersPerChro / 2);
  // The curve file holds the scores of the last run.
  EXPECT_NE(ReadFile(s.CURVE_FILE).find(kCurveFileHeader), std::string::npos);
  EXPECT_EQ(linkage_analysis.pedigree.Persons().size(), 0u);  // freed after the run

  // The reduction setting reaches the engine: it says how many vectors it evaluated, and
  // the peak stays where the full evaluation put it.
  s.CHRO_CUR_CHRO = 0;
  s.INHERIT_REDUCTION = 1;
  ASSERT_TRUE(linkage_analysis.Run(1));
  s.INHERIT_REDUCTION = 0;
  EXPECT_TRUE(log.Contains("p(data|v) evaluated (all", kLogBlack));
  EXPECT_EQ(Best(0).second, where);
}

TEST_F(LinkageDriverTest, ALodThatTheDataExcludeIsMissingOnTheCurve) {
  Install(1, 8);
  const std::vector<int> units = ChromosomeMarkers(chromosome, 0);
  LinkageResult result;
  result.lod.assign(units.size(), 0.5f);
  result.lod[2] = -std::numeric_limits<float>::infinity();
  result.lod[3] = std::numeric_limits<float>::quiet_NaN();
  StoreLinkageResult(chromosome, Pedigree{}, 0, LinkageChromosome{}, result, false);
  for (std::size_t m = 0; m < units.size(); ++m)
    EXPECT_EQ(IsMissing(Curve(units[m])), m == 2 || m == 3) << m;
}

TEST_F(LinkageDriverTest, ShowAllScoresEveryChromosomeButTheX) {
  Install(24, 8);
  TheGroup().Settings().VIEW_ALL_CHROMOSOME = 1;
  ASSERT_EQ(genome_info.XChroIndex(), 22);
  ASSERT_TRUE(linkage_analysis.Run(1));
  for (int c = 0; c < 24; ++c) EXPECT_EQ(Best(c).second < 0, c == 22) << c;
}

TEST_F(LinkageDriverTest, SimulationRepeatsWithItsSeedAndWritesCallsAndHaplotypes) {
  Install(1, 60);
  TheGroup().Settings().LINKAGE_SIMULATE = 1;
  const std::int64_t seed = 0x123456789abLL;  // wider than 32 bits
  auto simulated = [&](std::int64_t s) {
    EXPECT_TRUE(linkage_analysis.Run(s));
    std::vector<std::uint8_t> calls;
    for (int sample = 0; sample < chromosome.sampleCount; ++sample)
      calls.insert(calls.end(), chromosome.calls.Row(sample),
                   chromosome.calls.Row(sample) + chromosome.unitCount);
    return calls;
  };
  const std::vector<std::uint8_t> first = simulated(seed);
  int locus = -1, twos = 0;
  for (int u = 0; u < 60; ++u)
    if (Curve(u) == 2) locus = u, ++twos;
  EXPECT_EQ(twos, 1);
  for (int sample = 0; sample < chromosome.sampleCount; ++sample)
    EXPECT_EQ(chromosome.calls.Row(sample)[locus], kNoCall);
  EXPECT_EQ(simulated(seed), first);
  EXPECT_NE(simulated(seed + 1), first);
}

// The LOH mode over the group: parents of ploidy 2 are normals, the children tumours alone
// whose inferred retention chance the driver turns into a loss chance. Affected children's
// tumours lose heterozygosity around the disease locus and retain it elsewhere, unaffected
// ones retain it everywhere, so the LOD peaks at the locus.
TEST_F(LinkageDriverTest, LohModePairsSamplesAndPeaksWhereAffectedTumoursLoseAnAllele) {
  Install(1, kMarkersPerChro);
  GroupSettings& s = TheGroup().Settings();
  s.LINKAGE_INHERITANCE = kLohInheritance;
  s.INFER_CALL_THRESHOLD = 0.6f;
  ASSERT_FALSE(chromosome.lohCodes.Empty());
  ASSERT_TRUE(linkage_analysis.ReadPedigree(s.PEDIGREE_FILE, PedigreeArraySample));
  for (const PedigreePerson& p : linkage_analysis.pedigree.Persons())
    if (p.array >= 0 && p.father == 0)
      chromosome.ploidy[static_cast<std::size_t>(SampleGrouping.GetSampleArray(p.array))] = 2;
  linkage_analysis.pedigree.PairSamples(PedigreeSamplePairing);
  const std::vector<int> units = ChromosomeMarkers(chromosome, 0);
  int tumours = 0;
  for (const PedigreePerson& p : linkage_analysis.pedigree.Persons()) {
    if (p.array < 0) continue;
    EXPECT_EQ(p.pairKind, p.father == 0 ? kPairNormal : kPairTumour) << p.person;
    EXPECT_EQ(p.secondArray, p.father == 0 ? -1 : p.array) << p.person;
    if (p.father == 0) continue;
    ++tumours;
    for (std::size_t m = 0; m < units.size(); ++m) {
      const bool near = std::abs(static_cast<int>(m) - kDiseaseMarker) <= 8;
      chromosome.lohCodes.Row(p.array)[units[m]] = p.affection == kAffected && near ? 0.1f : 0.9f;
    }
  }
  ASSERT_GT(tumours, 3);
  ASSERT_TRUE(linkage_analysis.PrepareFounders());
  const LinkageChromosome data =
      GatherLinkageChromosome(chromosome, linkage_analysis.pedigree, 0, true);
  const auto& persons = linkage_analysis.pedigree.Persons();
  for (std::size_t i = 0; i < persons.size(); ++i)
    for (std::size_t m = 0; m < units.size(); ++m) {
      const std::size_t c = i * units.size() + m;
      if (persons[i].pairKind == kPairNormal) {
        EXPECT_EQ(data.secondCalls[c], kNoCall);
        continue;
      }
      EXPECT_EQ(data.secondCalls[c], data.calls[c]);
      EXPECT_NEAR(data.loh[c], 1 - chromosome.lohCodes.Row(persons[i].secondArray)[units[m]], 1e-6);
    }
  linkage_analysis.Free();

  CapturedLog log;
  ASSERT_TRUE(linkage_analysis.Run(1)) << Text(log);
  const auto [peak, where] = Best(0);
  EXPECT_GT(peak, 1.0f);
  EXPECT_NEAR(static_cast<double>(where), kDiseaseMarker, 10.0);
  // Without the table of LOH values the mode is refused.
  chromosome.lohCodes.Free();
  EXPECT_FALSE(linkage_analysis.Run(1));
  EXPECT_TRUE(log.ContainsRed("infer LOH first"));
}

// A user's stop ends the run with failure, and the run leaves the flag as it found it.
TEST_F(LinkageDriverTest, AStopEndsTheRunAndTheRunningFlagIsKept) {
  Install(1, 20);
  ExpectRunningFlagKept([] { return linkage_analysis.Run(1); });
}

// The outside programs' road: every input file as the stand-ins demand, run in the
// working folder, and each marker's score back in the curve.
TEST_F(LinkageDriverTest, OutsideProgramsGetTheirFilesAndTheirScoresComeBack) {
  Install(2, 40, 25);
  GroupSettings& s = TheGroup().Settings();
  s.CALL_MERLIN = 1;
  s.MERLIN_DIR = ZELKO_LINKAGE_STANDINS;
  s.CHRO_CUR_CHRO = 1;
  // Blanks and quotes in the folder reach the programs as they are.
  s.WORKING_DIR = mFolder.Path().string() + "/work \"a\" dir";
  ASSERT_TRUE(std::filesystem::create_directory(s.WORKING_DIR));
  const float before = 7.5f;
  for (const int unit : ChromosomeMarkers(chromosome, 0))
    chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = before;
  CapturedLog log;
  ASSERT_TRUE(linkage_analysis.Run(1)) << Text(log);
  EXPECT_TRUE(log.Contains("Finished}", kLogBlue));
  EXPECT_FALSE(log.Contains("FAULT", kLogRed));

  // The stand-in's score from the truth: affected persons called heterozygous, plus a
  // thousandth per person called (untyped persons count as uncalled).
  const std::vector<int> markers = ChromosomeMarkers(chromosome, 1);
  ASSERT_EQ(markers.size(), 40u);
  int untyped = 0;
  for (const synth::PedigreePerson& p : mTruth.persons) untyped += p.array.empty();
  ASSERT_GT(untyped, 0);
  for (const int unit : markers) {
    int het = 0, called = 0;
    for (const synth::PedigreePerson& p : mTruth.persons) {
      if (p.array.empty()) continue;
      const int call = p.calls[static_cast<std::size_t>(unit)];
      called += call != kNoCall;
      het += p.affection == synth::kAffected && call == kCallAB;
    }
    EXPECT_NEAR(Curve(unit), het + 0.001 * called, 1e-4) << unit;
  }
  for (const int unit : ChromosomeMarkers(chromosome, 0)) EXPECT_EQ(Curve(unit), before);
  EXPECT_EQ(chromosome.dataType, kDataCall);

  const MerlinFiles files = MerlinFileNames(s.WORKING_DIR, TheGroup().Name());
  const std::string result = ReadFile(files.result);
  EXPECT_NE(result.find("working folder: " + s.WORKING_DIR), std::string::npos);
  // A person without an array has no call at any marker.
  const std::string ped = ReadFile(files.ped);
  std::string untypedTail;
  for (std::size_t m = 0; m < markers.size(); ++m) untypedTail += "0/0\t";
  for (const synth::PedigreePerson& p : mTruth.persons) {
    const std::string head = std::to_string(p.family) + "\t" + std::to_string(p.id) + "\t";
    const auto at = ped.find("\n" + head);
    const std::size_t start = at == std::string::npos ? 0 : at + 1;
    ASSERT_EQ(ped.compare(start, head.size(), head), 0) << p.id;
    const std::string line = ped.substr(start, ped.find('\n', start) - start);
    EXPECT_EQ(line.ends_with("\t" + untypedTail), p.array.empty()) << p.id;
  }
}

TEST_F(LinkageDriverTest, OutsideProgramsRefusalsChangeNothing) {
  Install(1, 20);
  GroupSettings& s = TheGroup().Settings();
  s.CALL_MERLIN = 1;
  s.MERLIN_DIR = ZELKO_LINKAGE_STANDINS;
  const MerlinFiles files = MerlinFileNames(s.WORKING_DIR, TheGroup().Name());
  struct Case {
    const char* what;
    std::function<void()> spoil;
    const char* message;
  };
  const std::string savedName(Layout.units[5].Name());
  const std::vector<UNIT_POS> savedUnits = genome_info.Unit;
  const std::vector<Case> cases = {
      {"blank", [] { Layout.units[5].SetName("SNP 5"); }, "holds a blank, a tab or a line break"},
      {"tab", [] { Layout.units[5].SetName("SNP\t5"); }, "holds a blank, a tab or a line break"},
      {"line break", [] { Layout.units[5].SetName("SNP\n5"); },
       "holds a blank, a tab or a line break"},
      // Checked before any file is written.
      {"no map positions", [] { genome_info.Unit.clear(); }, "Error: !genome_info.Unit"},
      {"no programs", [&] { s.MERLIN_DIR = mFolder.Path().string() + "/none"; }, "not found"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(files.result);
    std::filesystem::remove(files.ped);
    for (const int unit : ChromosomeMarkers(chromosome, 0))
      chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = 1;
    c.spoil();
    CapturedLog log;
    EXPECT_FALSE(linkage_analysis.Run(1)) << c.what;
    EXPECT_TRUE(log.ContainsRed(c.message)) << c.what;
    for (const int unit : ChromosomeMarkers(chromosome, 0)) EXPECT_EQ(Curve(unit), 1) << c.what;
    EXPECT_FALSE(std::filesystem::exists(files.result)) << c.what;
    EXPECT_EQ(std::filesystem::exists(files.ped), &c == &cases.back()) << c.what;
    Layout.units[5].SetName(savedName);
    genome_info.Unit = savedUnits;
    s.MERLIN_DIR = ZELKO_LINKAGE_STANDINS;
  }
}

// The result reader on the layouts around the score table.
TEST_F(LinkageDriverTest, ResultReaderFindsTheTableAndScoresOnlyWholeLines) {
  Install(1, 6);
  const std::vector<int> markers = ChromosomeMarkers(chromosome, 0);
  const std::string names[] = {"SNP_0", "SNP_1", "SNP_2", "SNP_3", "SNP_4", "SNP_5"};
  const std::string head = "merlin\nPhenotype: disease [ALL]\n1\n2\n3\n4\n";
  struct Case {
    std::string text;
    bool ok;
    std::vector<float> scores;  // per marker; kMissingValueFloat for none
    int noNumbers = 0;          // lines whose Zmean is no finite number
  };
  const float none = kMissingValueFloat;
  const auto na = [&names](std::initializer_list<int> missing) {
    std::string lines;
    for (const int m : missing) lines += names[m] + " na na na na na\n";
    return lines;
  };
  const std::vector<Case> cases = {
      {head + names[0] + " 1.5 0 0 0 0\n" + names[2] + " -0.25 0 0 0 0\n" + na({1, 3, 4, 5}),
       true,
       {1.5f, none, -0.25f, none, none, none}},
      // An unknown marker, a line of "na" and a short line give no score, and never the
      // line before's.
      {head + na({0, 2}) + names[1] + " 2 0 0 0 0\nrs999 3 0 0 0 0\n" + names[3] +
           " na na na na na\n" + names[4] + " 4\nsnp_5 0.5 0 0 0 0\n",
       true,
       {none, 2, none, none, none, 0.5f}},
      // A Zmean of nan, inf or one past what a float holds is no score; the lines are
      // counted, and the limits stay those of the finite scores.
      {head + names[0] + " nan 0 0 0 0\n" + names[1] + " inf 0 0 0 0\n" + names[2] +
           " -1e999 0 0 0 0\n" + names[3] + " 1e39 0 0 0 0\n" + names[4] + " 3 0 0 0 0\n" + na({5}),
       true,
       {none, none, none, none, 3, none},
       4},
      {"merlin\n\nPhenotype: disease\n1\n2\n3\n4\n" + names[0] + " 1 0 0 0 0\n", false, {}},
      {"merlin\nno table here\n", false, {}},
      // Cut short: the markers after the cut are missing, or the last line stops inside
      // its marker's numbers.
      {head + names[0] + " 1.5 0 0 0 0\n" + names[1] + " 2 0 0 0 0\n", false, {}},
      {head + na({0, 1, 2, 3, 4}) + names[5] + " 0.5 0", false, {}},
  };
  for (std::size_t k = 0; k < cases.size(); ++k) {
    for (const int unit : markers)
      chromosome.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = 9;
    chromosome.Min[kDataCall] = 0;
    chromosome.Max[kDataCall] = 1;
    CapturedLog log;
    const std::string path = WriteFile("result.txt", cases[k].text);
    const bool ok = ReadMerlinResult(path, chromosome, markers);
    ASSERT_EQ(ok, cases[k].ok) << k;
    if (!ok) {
      EXPECT_TRUE(log.ContainsRed(k < 5    ? "MERLIN did not perform linkage analysis"
                                  : k == 5 ? "lacks 4 of the 6 markers the run asked for (SNP_2"
                                           : "ends inside the line of marker SNP_5"))
          << k;
      for (const int unit : markers) EXPECT_EQ(Curve(unit), 9) << k;
      continue;
    }
    for (std::size_t m = 0; m < markers.size(); ++m)
      EXPECT_EQ(Curve(markers[m]), cases[k].scores[m]) << k << " " << m;
    const std::string counted = std::to_string(cases[k].noNumbers) +
                                " lines of MERLIN result file '" + path +
                                "' give a Zmean that is no finite number";
    EXPECT_EQ(log.ContainsRed(counted), cases[k].noNumbers > 0) << k;
    EXPECT_EQ(log.CountInColour(kLogRed), cases[k].noNumbers > 0 ? 1 : 0) << k;
    float low = 0, high = 1;  // the limits before, widened by the scores read
    for (const float v : cases[k].scores)
      if (!IsMissing(v)) low = std::min(low, v), high = std::max(high, v);
    EXPECT_EQ(chromosome.Min[kDataCall], low) << k;
    EXPECT_EQ(chromosome.Max[kDataCall], high) << k;
    EXPECT_EQ(chromosome.Threshold[kDataCall],
              (chromosome.Min[kDataCall] + chromosome.Max[kDataCall]) / 2)
        << k;
  }
}

}  // namespace
