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

TEST(TermSet, IdsByValueCountsPastSixteenBitsTheCapacityAndTheGeneList) {
  CapturedLog log;
  TERM_SET set("Protein Domain", 3);
  const int process = set.FindOrAddTerm("0008150", "biological process", true);
  EXPECT_EQ(set.FindOrAddTerm("8150", "", false), process);
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
  set.Entry(1).selected = false;
  constexpr int kProbeSets = 70000;
  for (int k = 0; k < kProbeSets; ++k) {
    set.ClearGeneTerms();
    for (const int term : {1, 2, 1, 0}) set.AddTermToGene(term);
    set.CountGeneTerms();
  }
  EXPECT_EQ(set.Entry(1).geneCount, kProbeSets + 1);
  EXPECT_EQ(set.Entry(2).geneCount, 1);
  std::string ids = "x";
  set.AppendGeneTermIds(ids);
  EXPECT_EQ(ids, "x|8150|");  // selected terms only, in the order added

  // A probe set keeps its first kMaxTermsPerGene terms.
  TERM_SET wide("Gene Ontology", kPlainTermSetCapacity);
  for (int k = 0; k < 400; ++k) wide.AddTermToGene(wide.FindOrAddTerm(std::to_string(k), "", true));
  ASSERT_EQ(wide.GeneTerms().size(), static_cast<std::size_t>(kMaxTermsPerGene));
  EXPECT_EQ(wide.GeneTerms().back(), kMaxTermsPerGene - 1);
}

// Terms added in a shuffled id order with distinct counts 1..n: the table lists the 1200
// most frequent by increasing id, and the summary names the smallest count among them.
TEST(TermSet, TheMostFrequentTermsAreSelectedAndTabledByIncreasingId) {
  platform::testing::TempFolder folder;
  for (const int terms : {kMaxSelectedTerms, kMaxSelectedTerms + 1}) {
    SCOPED_TRACE(terms);
    std::vector<int> ids(static_cast<std::size_t>(terms));
    for (int k = 0; k < terms; ++k) ids[static_cast<std::size_t>(k)] = 3 * k + 7;
    synth::SynthRandom(static_cast<std::uint64_t>(terms)).Shuffle(ids);
    TERM_SET set("Protein Domain", kPlainTermSetCapacity);
    std::vector<std::pair<int, std::string>> rows;  // id, table line
    for (int k = 0; k < terms; ++k) {
      const std::string id = std::to_string(ids[static_cast<std::size_t>(k)]);
      const int index = set.FindOrAddTerm(id, "name " + id, true);
      set.Entry(index).geneCount = 1 + (k * 7919) % terms;  // a permutation of 1..terms
      set.Entry(index).selected = false;
      if (set.Entry(index).geneCount > terms - kMaxSelectedTerms)
        rows.emplace_back(ids[static_cast<std::size_t>(k)],
                          id + "\tname " + id + "\t" + std::to_string(set.Entry(index).geneCount));
    }
    set.SelectFrequentTerms();
    std::sort(rows.begin(), rows.end());
    std::string expected = "Term ID\tTerm Name\tFrequency\n";
    for (const auto& row : rows) expected += row.second + "\n";

    CapturedLog log;
    ASSERT_TRUE(set.WriteTermFrequency(folder.File("chip gene info.xls")));
    const std::string table = folder.File("chip gene info Protein Domain.xls");
    const auto bytes = platform::ReadWholeFile(table).value_or(std::vector<std::uint8_t>{});
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_TRUE(log.Contains("'" + table +
                                 "' contains 1200 Protein Domain terms associated with >= " +
                                 std::to_string(terms - kMaxSelectedTerms + 1) + " probe sets",
                             kLogBlack));
  }
  // Equal counts: the term met first stays.
  TERM_SET set("Gene Ontology", kPlainTermSetCapacity);
  for (int k = 0; k <= kMaxSelectedTerms; ++k) set.FindOrAddTerm(std::to_string(k + 1), "", true);
  set.SelectFrequentTerms();
  EXPECT_TRUE(set.Entry(0).selected);
  EXPECT_FALSE(set.Entry(kMaxSelectedTerms).selected);
}

}  // namespace
