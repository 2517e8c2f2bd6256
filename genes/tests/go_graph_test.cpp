// The Gene Ontology graph read from made-up ontology files: every term's ancestors as the
// generator's own graph search finds them (its secondary ids too, wherever the line gives
// them), and malformed files refused at the line that breaks them without writing past a
// table.
#include "genes/annotation/go_graph.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/ontology_data.hpp"

namespace {

std::set<int> GeneTermIds(const TERM_SET& set) {
  std::set<int> ids;
  for (const int index : set.GeneTerms()) ids.insert(set.Entry(index).id);
  return ids;
}

TEST(GoGraph, EveryTermGetsExactlyItsActiveAncestors) {
  // The last graph's deep branch runs far past what a probe set holds.
  for (const int deepBranch : {25, 40, 600}) {
    SCOPED_TRACE(deepBranch);
    synth::OntologyOptions options;
    options.seed = static_cast<std::uint64_t>(deepBranch);
    options.roots = 3 + deepBranch % 4;
    options.deepBranch = deepBranch;
    options.terms = 900;
    options.secondaryIdShare = 10;
    // Secondary ids written after the further parents still name the line's main term.
    options.secondaryIdsAfterParents = deepBranch != 40;
    const synth::OntologyTruth truth = synth::MakeOntology(options);
    const auto last = std::count_if(truth.terms.begin(), truth.terms.end(),
                                    [](const auto& term) { return term.secondaryIdsLast; });
    EXPECT_EQ(last > 0, options.secondaryIdsAfterParents);
    platform::testing::TempFolder folder;
    ASSERT_TRUE(synth::WriteOntologyFiles(truth, folder.Path().string(), "_made.up"));

    CapturedLog log;
    GO_GRAPH graph;
    ASSERT_TRUE(graph.ReadGeneOntology(folder.File("component_made.up")));
    EXPECT_EQ(log.CountInColour(kLogRed), 0);

    // Which truth term each id names: its main id or one of its secondary ids.
    std::map<int, int> termOfId;
    for (int t = 0; t < static_cast<int>(truth.terms.size()); ++t) {
      termOfId[truth.terms[static_cast<std::size_t>(t)].id] = t;
      for (const int id : truth.terms[static_cast<std::size_t>(t)].secondaryIds) termOfId[id] = t;
    }
    ASSERT_EQ(graph.Count(), static_cast<int>(termOfId.size()));
    for (int index = 0; index < graph.Count(); ++index) {
      const int id = graph.Entry(index).id;
      ASSERT_TRUE(termOfId.contains(id)) << id;
      const int t = termOfId[id];
      const auto& term = truth.terms[static_cast<std::size_t>(t)];
      std::set<int> expected;
      for (const int a : truth.Ancestors(t))
        if (truth.terms[static_cast<std::size_t>(a)].active)
          expected.insert(truth.terms[static_cast<std::size_t>(a)].id);
      graph.ClearGeneTerms();
      ASSERT_TRUE(graph.AddTermWithAncestors(index));
      const std::set<int> found = GeneTermIds(graph);
      EXPECT_EQ(graph.GeneTerms().size(), found.size()) << "duplicates for " << term.idText;
      if (expected.size() <= static_cast<std::size_t>(kMaxTermsPerGene)) {
        EXPECT_EQ(found, expected) << term.idText;
      } else {  // a probe set holds the first kMaxTermsPerGene of them
        EXPECT_EQ(found.size(), static_cast<std::size_t>(kMaxTermsPerGene));
        EXPECT_TRUE(std::includes(expected.begin(), expected.end(), found.begin(), found.end()));
      }
      EXPECT_EQ(graph.Entry(index).active, term.active && id == term.id) << id;
    }
  }
}

// A file of one root and `count` terms below it, each indented one level under the root.
std::string FlatFile(int count) {
  std::string text = " %root ; GO:0000001\n";
  for (int k = 0; k < count; ++k)
    text += "  %t" + std::to_string(k) + " ; GO:" + std::to_string(1000000 + k) + "\n";
  return text;
}

std::string StairFile(int depth) {
  std::string text;
  for (int d = 1; d <= depth; ++d)
    text += std::string(static_cast<std::size_t>(d), ' ') + "%s" + std::to_string(d) + " ; GO:000" +
            std::to_string(1000 + d) + "\n";
  return text;
}

TEST(GoGraph, MalformedFilesAreRefusedAtTheLineThatBreaksThem) {
  const std::string sevenParents =
      "  %p ; GO:0000002 % a ; GO:0000003 % b ; GO:0000004 < c ; GO:0000005 % d ; GO:0000006 % e ; "
      "GO:0000007 % f ; GO:0000008\n";
  struct Case {
    const char* what;
    std::string text;
    const char* lineNumber;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"indented past the level stack", StairFile(20), "Line 20 ", "deeper than"},
      {"depth jumps below a stale branch",
       " %a ; GO:0000001\n  %b ; GO:0000002\n   %c ; GO:0000003\n %d ; GO:0000004\n   %e ; "
       "GO:0000005\n",
       "Line 5 ", "more than one level below"},
      {"an eighth parent",
       " %r ; GO:0000001\n" + sevenParents +
           "  %q ; GO:0000009\n   %x ; GO:0000010 % a ; GO:0000003 % b ; GO:0000004 < c ; "
           "GO:0000005 % d ; GO:0000006 % e ; GO:0000007 % f ; GO:0000008 % p ; GO:0000002\n",
       "Line 4 ", "Number of parents or children exceeds limit"},
      {"more terms than the capacity", FlatFile(kGeneOntologyCapacity), "Line 25001 ",
       "NumTerm == MaxTerm"},
      {"short id", " %a ; GO:0000001\n  %b ; GO:12\n", "Line 2 ", "seven-character id"},
      {"short secondary id", " %a ; GO:0000001, GO:12\n", "Line 1 ", "secondary id"},
      {"marker at the start", "%a ; GO:0000001\n", "Line 1 ", "at the start"},
      {"no ';' after the term", " %a ; GO:0000001\n  %b GO:0000002\n", "Line 2 ",
       "does not have ';'"},
      {"no ';' after a further parent", " %a ; GO:0000001\n  %b ; GO:0000002 % c GO:3\n", "Line 2 ",
       "does not have ';'"},
      {"longer than the line limit",
       " %a ; GO:0000001\n  %b" + std::string(kOntologyLineLimit, 'x') + " ; GO:0000002\n",
       "Line 2 ", "longer than"},
  };
  platform::testing::TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CapturedLog log;
    GO_GRAPH graph;
    EXPECT_FALSE(graph.ReadGeneOntologyFile(folder.Write("process.txt", c.text)));
    EXPECT_TRUE(log.ContainsRed(c.lineNumber));
    EXPECT_TRUE(log.ContainsRed(c.message));
    EXPECT_LE(graph.Count(), graph.Capacity());
    for (int t = 0; t < graph.Count(); ++t) EXPECT_LE(graph.Parents(t).size(), 7u);
  }
  // Nineteen levels and seven parents are within the limits; an empty line ends the file.
  CapturedLog log;
  GO_GRAPH graph;
  EXPECT_TRUE(graph.ReadGeneOntologyFile(folder.Write(
      "process.txt",
      StairFile(19) + " %r ; GO:0000001\n" + sevenParents + "\nignored after the empty line")));
  EXPECT_EQ(graph.Parents(graph.FindTerm(2)).size(), 7u);
  EXPECT_EQ(graph.Entry(graph.FindTerm(3)).childCount, 1);
  EXPECT_EQ(graph.Count(), 19 + 8);
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
}

}  // namespace
