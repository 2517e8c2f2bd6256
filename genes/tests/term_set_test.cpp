// Term sets: ids compared by value, counts past 16 bits, the capacity, each probe set's
// list without duplicates, the most frequent terms kept and the frequency table.
#include "genes/annotation/term_set.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "platform/byte_reader.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/random.hpp"

namespace {

std::string FileText(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
  return std::string(bytes.begin(), bytes.end());
}

TEST(TermSet, IdsByValueCountsPastSixteenBitsAndTheCapacity) {
  CapturedLog log;
  TERM_SET set("Protein Domain", 3);
  const int process = set.FindOrAddTerm("0008150", "biological process", true);
  EXPECT_EQ(set.FindOrAddTerm("8150", "biological process", true), process);
  EXPECT_EQ(set.FindOrAddTerm("8150", "", false), process);
  EXPECT_EQ(set.Entry(process).geneCount, 2);
  EXPECT_EQ(set.FindOrAddTerm("0005634", "nucleus", false), -1);
  EXPECT_TRUE(log.ContainsRed("Cannot find the term '0005634: nucleus'"));
  EXPECT_EQ(set.FindOrAddTerm("GO", "no number", true), -1);
  EXPECT_EQ(set.FindOrAddTerm("0005634", "nucleus", true), 1);
  EXPECT_EQ(set.FindOrAddTerm("0005737", "cytoplasm", true), 2);
  EXPECT_EQ(set.FindOrAddTerm("0016020", "membrane", true), -1);
  EXPECT_TRUE(log.ContainsRed("NumTerm == MaxTerm at category 'Protein Domain'"));
  EXPECT_EQ(set.Count(), 3);

  // Far more probe sets than 16 bits count, each listing a term twice and an inactive one.
  set.Entry(2).active = false;
  constexpr int kProbeSets = 70000;
  for (int k = 0; k < kProbeSets; ++k) {
    set.AddTermToGene(1);
    set.AddTermToGene(2);
    set.AddTermToGene(1);
    set.CountGeneTerms();
    set.ClearGeneTerms();
  }
  EXPECT_EQ(set.Entry(1).geneCount, kProbeSets + 1);
  EXPECT_EQ(set.Entry(2).geneCount, 1);
}

TEST(TermSet, GeneListKeepsTheFirstTermsOnceAndWritesSelectedIds) {
  TERM_SET set("Gene Ontology", kPlainTermSetCapacity);
  for (int k = 0; k < 400; ++k) set.FindOrAddTerm(std::to_string(100 + k), "t", true);
  for (int k = 399; k >= 0; --k) set.AddTermToGene(k);
  set.AddTermToGene(399);
  ASSERT_EQ(set.GeneTerms().size(), static_cast<std::size_t>(kMaxTermsPerGene));
  EXPECT_EQ(set.GeneTerms().front(), 399);
  EXPECT_EQ(set.GeneTerms().back(), 100);
  set.ClearGeneTerms();
  std::string ids = "x";
  set.AppendGeneTermIds(ids);
  EXPECT_EQ(ids, "x");
  for (const int k : {5, 2, 7}) set.AddTermToGene(k);
  set.Entry(2).selected = false;
  set.AppendGeneTermIds(ids);
  EXPECT_EQ(ids, "x|105|107|");
}

// Terms added in a shuffled id order with distinct counts 1..n, the smallest of them at
// `smallestAt`; the frequency table must list the n-1 (or all) most frequent by id.
TEST(TermSet, TheMostFrequentTermsAreSelectedAndTabledByIncreasingId) {
  platform::testing::TempFolder folder;
  for (const int terms : {kMaxSelectedTerms, kMaxSelectedTerms + 1}) {
    SCOPED_TRACE(terms);
    std::vector<int> ids(static_cast<std::size_t>(terms));
    for (int k = 0; k < terms; ++k) ids[static_cast<std::size_t>(k)] = 3 * k + 7;
    synth::SynthRandom random(static_cast<std::uint64_t>(terms));
    random.Shuffle(ids);
    TERM_SET set("Protein Domain", kPlainTermSetCapacity);
    for (int k = 0; k < terms; ++k) {
      const int index = set.FindOrAddTerm(std::to_string(ids[static_cast<std::size_t>(k)]),
                                          "name " + std::to_string(k), true);
      set.Entry(index).geneCount = 1 + (k * 7919) % terms;  // a permutation of 1..terms
      set.Entry(index).selected = false;
    }
    set.SelectFrequentTerms();
    std::string expected = "Term ID\tTerm Name\tFrequency\n";
    std::vector<int> order(static_cast<std::size_t>(terms));
    for (int k = 0; k < terms; ++k) order[static_cast<std::size_t>(k)] = k;
    std::sort(order.begin(), order.end(), [&](int a, int b) {
      return ids[static_cast<std::size_t>(a)] < ids[static_cast<std::size_t>(b)];
    });
    int selected = 0;
    for (const int k : order) {
      const bool kept = set.Entry(k).geneCount > terms - kMaxSelectedTerms;
      EXPECT_EQ(set.Entry(k).selected, kept) << k;
      if (!kept) continue;
      ++selected;
      expected += std::to_string(ids[static_cast<std::size_t>(k)]) + "\tname " + std::to_string(k) +
                  "\t" + std::to_string(set.Entry(k).geneCount) + "\n";
    }
    EXPECT_EQ(selected, kMaxSelectedTerms);

    CapturedLog log;
    ASSERT_TRUE(set.WriteTermFrequency(folder.File("chip gene info.xls")));
    const std::string table = folder.File("chip gene info Protein Domain.xls");
    EXPECT_EQ(FileText(table), expected);
    const int smallest = terms - kMaxSelectedTerms + 1;
    EXPECT_TRUE(log.Contains("'" + table +
                                 "' contains 1200 Protein Domain terms associated with >= " +
                                 std::to_string(smallest) + " probe sets",
                             kLogBlack));
  }
  // Equal counts: the term met first stays.
  TERM_SET set("Gene Ontology", kPlainTermSetCapacity);
  for (int k = 0; k <= kMaxSelectedTerms; ++k) set.FindOrAddTerm(std::to_string(k + 1), "t", true);
  set.SelectFrequentTerms();
  EXPECT_TRUE(set.Entry(0).selected);
  EXPECT_FALSE(set.Entry(kMaxSelectedTerms).selected);
}

}  // namespace
