// What the linkage engine refuses: each fault logs its red line and leaves the pedigree
// and the results as they were.
#include <gtest/gtest.h>

#include "engine/base/missing_value.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/linkage/linkage_analysis.hpp"
#include "genome/tests/linkage_test_support.hpp"
#include "platform/tests/temp_folder.hpp"

using namespace linkage_test;

namespace {

std::vector<Member> ManyChildren(int children) {
  return Nuclear(std::vector<int>(static_cast<std::size_t>(children), kAffected));
}

std::vector<Member> Founders(int count) {
  std::vector<Member> m = Nuclear({2, 2});
  for (int f = 0; f < count - 2; ++f) m.push_back({100 + f, 0, 0, 1, "NA", 0});
  return m;
}

}  // namespace

TEST(LinkagePedigree, FaultsAreRefusedWithTheirLineAndChangeNothing) {
  const std::string header = "Family\tPerson\tFather\tMother\tSex\tArray\tAffection\n";
  struct Case {
    std::string text;
    const char* message;
    bool atPrepare;
  };
  std::vector<Member> loop = Nuclear({2, 2});
  loop[0] = {1, 4, 2, 1, "a1", 0};  // the father is his own son's son
  std::vector<Member> unaffected = Nuclear({1, 0});
  std::vector<Member> noArrays = Nuclear({2, 2});
  for (Member& m : noArrays) m.array = "NA";
  const std::vector<Case> cases = {
      {"Person\tFather\tMum\n1\t1\t0\t0\t1\ta\t2\n", "Not a pedigree file", false},
      {header + "1\t1\t0\t0\t1\ta1\n", "line 2 of the pedigree file lacks", false},
      {header + "1\t1\t0\t0\n", "line 2 of the pedigree file lacks", false},
      {header + "1\t1\t0\t0\t1\ta1\tx\n", "line 2 of the pedigree file lacks", false},
      {PedigreeText(ManyChildren(26)), "Number of person exceeds limit", false},
      {PedigreeText(Nuclear({2, 2})) + "1\t3\t1\t2\t1\ta9\t2\n", "person 3 appears twice", false},
      {header, "the pedigree holds no person", false},
      {header + "\n1\t1\t0\t0\t1\ta1\t2\n", "the pedigree holds no person", false},
      {PedigreeText(Nuclear({2})) + "1\t9\t1\t7\t1\ta9\t2\n", "Person 9's parent 7 not found",
       true},
      {PedigreeText(loop), "is his or her own ancestor", true},
      {PedigreeText(Founders(14)), "NumFounderAllele >= MAX_PERSON", true},
      {PedigreeText({{1, 0, 0, 1, "a1", 2}, {2, 0, 0, 2, "a2", 2}}), "0 or too many meioses", true},
      {PedigreeText(ManyChildren(12)), "0 or too many meioses", true},
      {PedigreeText(unaffected), "no person in the pedigree is affected", true},
      {PedigreeText(noArrays), "No SNP data found for the pedigree", true},
      {header + "1\t1\t0\t0\t1\t" + std::string(5000, 'x') + "\t2\n",
       "the array name on line 2 of the pedigree file runs past 1000 characters", false},
      {header + "1\t1\t0\t0\t1\ta1\t2" + std::string(5000, ' ') + "\n",
       "line 2 of the pedigree file runs past 1000 characters", false},
  };
  const std::string good = PedigreeText(Nuclear({2, 1}));
  for (const Case& c : cases) {
    CapturedLog log;
    Pedigree pedigree;
    ASSERT_TRUE(pedigree.ReadText(good, "good.txt", LookupArray));
    ASSERT_TRUE(pedigree.PrepareFounders());
    const auto persons = pedigree.Persons().size();
    const int bits = pedigree.Bits();
    log.Clear();
    bool ok = pedigree.ReadText(c.text, "bad.txt", LookupArray);
    if (ok) ok = pedigree.PrepareFounders();
    EXPECT_FALSE(ok) << c.message;
    EXPECT_TRUE(log.ContainsRed(c.message)) << c.message;
    if (!c.atPrepare) {
      EXPECT_EQ(pedigree.Persons().size(), persons) << c.message;
      EXPECT_EQ(pedigree.Bits(), bits) << c.message;
    }
  }
  // The limits themselves pass: 27 persons read, 13 founders and 21 bits are prepared.
  {
    CapturedLog log;
    Pedigree pedigree;
    EXPECT_TRUE(pedigree.ReadText(PedigreeText(ManyChildren(25)), "edge.txt", LookupArray));
    EXPECT_EQ(pedigree.Persons().size(), 27u);
  }
  std::vector<Member> deep = {{1, 0, 0, 1, "a1", 0},
                              {2, 0, 0, 2, "a2", 0},
                              {4, 0, 0, 2, "a4", 0},
                              {3, 1, 2, 1, "a3", 2},
                              {5, 1, 2, 1, "a5", 1}};
  for (int c = 0; c < 10; ++c) deep.push_back({10 + c, 3, 4, 1, "a", c % 2 + 1});
  for (const auto& [members, bits] : {std::pair{Founders(13), 2}, std::pair{deep, 21}}) {
    CapturedLog log;
    Pedigree pedigree;
    EXPECT_TRUE(pedigree.ReadText(PedigreeText(members), "edge.txt", LookupArray));
    EXPECT_TRUE(pedigree.PrepareFounders());
    EXPECT_EQ(pedigree.Bits(), bits);
  }
  // A line shorter than 2 characters ends the reading: the persons before it are read, and
  // the lines after it that hold anything are counted in red (none, none is said).
  for (const auto& [tail, left] : std::vector<std::pair<std::string, int>>{
           {"\n1\t7\t0\t0\t1\ta7\t2\n\n1\t8\t0\t0\t2\ta8\t1\n  \n", 2},
           {"x\r\n1\t7\t0\t0\t1\ta7\t2", 1},
           {"\n\n \n", 0}}) {
    CapturedLog log;
    Pedigree pedigree;
    EXPECT_TRUE(pedigree.ReadText(good + tail, "blank.txt", LookupArray));
    EXPECT_EQ(pedigree.Persons().size(), 4u);
    const std::string said =
        "Reading stopped at line 6, which is shorter than 2 characters: " + std::to_string(left) +
        " later lines";
    EXPECT_EQ(log.ContainsRed(said), left > 0) << tail;
    EXPECT_EQ(log.ContainsRed("Reading stopped"), left > 0) << tail;
  }
  // The same from a file, with a blank line in CRLF.
  {
    const platform::testing::TempFolder folder;
    const std::string path = folder.Write("pedigree.txt", good + "\r\n1\t7\t0\t0\t1\ta7\t2\r\n");
    CapturedLog log;
    Pedigree pedigree;
    EXPECT_TRUE(pedigree.Read(path, LookupArray));
    EXPECT_EQ(pedigree.Persons().size(), 4u);
    EXPECT_TRUE(
        log.ContainsRed("Reading stopped at line 6, which is shorter than 2 characters: "
                        "1 later lines"));
  }
  // An unreadable file.
  CapturedLog log;
  Pedigree pedigree;
  EXPECT_FALSE(pedigree.Read("/nonexistent/ped.txt", LookupArray));
  EXPECT_TRUE(log.ContainsRed("Reading pedigree file '/nonexistent/ped.txt' failed"));
}

TEST(LinkageRun, RefusedRunsWriteNothingAndImpossibleDataIsUniform) {
  RaisedAnalysisRunning running;
  LinkageAnalysis analysis;
  {
    CapturedLog quiet;
    ASSERT_TRUE(analysis.pedigree.ReadText(PedigreeText(Nuclear({2, 1})), "p", LookupArray));
    ASSERT_TRUE(analysis.PrepareFounders());
  }
  const std::size_t persons = analysis.pedigree.Persons().size();
  auto chromosome = [&](int markers) {
    LinkageChromosome data;
    for (int m = 0; m < markers; ++m)
      data.markers.push_back({"s" + std::to_string(m), 0.1f * static_cast<float>(m), 0, 0.4f});
    data.calls.assign(persons * static_cast<std::size_t>(markers), kCallAB);
    return data;
  };
  struct Case {
    const char* message;
    std::function<void(LinkageAnalysis&, LinkageChromosome&)> spoil;
  };
  const std::vector<Case> cases = {
      {"hmm_marker >= MAX_MARKER",
       [&](LinkageAnalysis&, LinkageChromosome& d) { d = chromosome(kMaxMarker); }},
      {"marker s3 has no allele frequency",
       [](LinkageAnalysis&, LinkageChromosome& d) { d.markers[3].frequency = -1; }},
      {"marker s0 has no allele frequency",
       [](LinkageAnalysis&, LinkageChromosome& d) { d.markers[0].frequency = 1; }},
      {"the penetrance is 1.5",
       [](LinkageAnalysis& a, LinkageChromosome&) { a.settings.penetrance = 1.5f; }},
      // The LOH mode without the tumours' calls and inferred LOH values.
      {"infer LOH first",
       [](LinkageAnalysis& a, LinkageChromosome&) { a.settings.inheritance = kLohInheritance; }},
      {"infer LOH first",
       [](LinkageAnalysis& a, LinkageChromosome& d) {
         a.settings.inheritance = kLohInheritance;
         d.secondCalls = d.calls;
         d.loh.assign(d.calls.size() - 1, 0.5f);
       }},
      {"the call table holds", [](LinkageAnalysis&, LinkageChromosome& d) { d.calls.pop_back(); }},
  };
  for (const Case& c : cases) {
    LinkageAnalysis run = analysis;
    LinkageChromosome data = chromosome(20);
    c.spoil(run, data);
    const LinkageChromosome before = data;
    LinkageResult result;
    result.lod.assign(3, 7.0f);
    CapturedLog log;
    EXPECT_FALSE(run.RunChromosome(data, result)) << c.message;
    EXPECT_FALSE(run.Simulate(data, result, 5)) << c.message;
    EXPECT_TRUE(log.ContainsRed(c.message)) << c.message;
    EXPECT_EQ(result.lod, std::vector<float>(3, 7.0f)) << c.message;
    EXPECT_EQ(data.calls, before.calls) << c.message;
  }
  // 9999 markers in a window are accepted.
  {
    LinkageAnalysis run = analysis;
    LinkageChromosome data = chromosome(kMaxMarker - 1);
    LinkageResult result;
    CapturedLog log;
    EXPECT_TRUE(run.RunChromosome(data, result));
  }
  // The Mendelian check removes a child's call its parents cannot give.
  {
    LinkageChromosome data = chromosome(3);
    const auto& people = analysis.pedigree.Persons();
    for (std::size_t i = 0; i < persons; ++i)
      for (int m = 0; m < 3; ++m)
        data.calls[i * 3 + static_cast<std::size_t>(m)] =
            static_cast<std::uint8_t>(people[i].person == 1   ? kCallAA
                                      : people[i].person == 4 ? kCallBB
                                                              : kCallAB);
    LinkageAnalysis run = analysis;
    CapturedLog log;
    LinkageResult result;
    ASSERT_TRUE(run.RunChromosome(data, result));
    EXPECT_TRUE(log.ContainsRed("Mendelian error at [s0, a4], inconsistent with Father (A*AB->B)"));
    EXPECT_EQ(result.haplotypes[3 * 3].flag & kHaplotypeMendelian, kHaplotypeMendelian);
  }
  // A grandchild called AB whose every grandparent is AA passes the parent check (its
  // father has no array) but no vector can give it without genotyping error: each marker's
  // vector becomes uniform with the red line and adds nothing to the likelihood.
  LinkageAnalysis strict;
  CapturedLog log;
  ASSERT_TRUE(strict.pedigree.ReadText(PedigreeText({{1, 0, 0, 1, "a1", 0},
                                                     {2, 0, 0, 2, "a2", 0},
                                                     {5, 1, 2, 1, "NA", 0},
                                                     {6, 0, 0, 2, "a6", 0},
                                                     {8, 5, 6, 1, "a8", 2}}),
                                       "p", LookupArray));
  ASSERT_TRUE(strict.PrepareFounders());
  strict.settings.errorRate = 0;
  LinkageChromosome data;
  for (int m = 0; m < 3; ++m)
    data.markers.push_back({"s" + std::to_string(m), static_cast<float>(m), 0, 0.4f});
  for (const PedigreePerson& p : strict.pedigree.Persons())
    for (int m = 0; m < 3; ++m)
      data.calls.push_back(static_cast<std::uint8_t>(p.person == 8 ? kCallAB
                                                     : p.array < 0 ? kNoCall
                                                                   : kCallAA));
  LinkageResult result;
  ASSERT_TRUE(strict.RunChromosome(data, result));
  EXPECT_TRUE(log.ContainsRed("Vector sum is 0.000000 in MakeProb(); set to non-informative"));
  EXPECT_TRUE(result.degenerate);
  EXPECT_NEAR(result.logLikelihood, -std::log10(2.0), 1e-6);
  for (const float lod : result.lod) EXPECT_NEAR(lod, 0, 1e-5);
}
