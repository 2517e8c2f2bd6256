// The made-up ontology: each term written once as a main term, indented no deeper than
// the files allow while one branch of the graph runs deeper, with the parents, secondary
// ids (after the term's id or at the end of its line) and bare ids the reader has to cope
// with.
#include "tools/synth/ontology_data.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

TEST(OntologyData, FilesHoldEveryTermOnceWithinTheIndentationWhileOneBranchRunsDeeper) {
  const synth::OntologyTruth truth = synth::MakeOntology(synth::OntologyOptions{
      .seed = 11, .roots = 4, .secondaryIdShare = 20, .secondaryIdsAfterParents = true});
  std::map<int, const synth::OntologyTerm*> termOfId;
  for (const auto& term : truth.terms) termOfId[term.id] = &term;
  platform::testing::TempFolder folder;
  ASSERT_TRUE(synth::WriteOntologyFiles(truth, folder.Path().string(), ".ontology"));

  std::map<int, int> mainLines;  // id -> lines naming it as main term
  int deepestIndent = 0;
  int bareIds = 0;
  int lastSecondary = 0;
  for (const char* kind : {"process", "function", "component"}) {
    const std::string text = synth::testing::FileText(folder.File(std::string(kind) + ".ontology"));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = text.substr(start, end - start);
      ASSERT_FALSE(line.empty());
      const std::size_t marker = line.find_first_of("%<");
      if (marker == std::string::npos) continue;
      deepestIndent = std::max(deepestIndent, static_cast<int>(marker));
      const std::size_t id = line.find("GO:", marker) + 3;
      const int mainId = std::stoi(line.substr(id, 7));
      ++mainLines[mainId];
      // The term's secondary ids follow its id, or the last further parent's id when
      // asked; they are read back by number (leading zeros come and go).
      const synth::OntologyTerm& term = *termOfId.at(mainId);
      std::size_t from = id + 7;
      std::size_t to = std::min(line.find_first_of("%<", from), line.size());
      if (term.secondaryIdsLast) {
        ASSERT_GT(term.parents.size(), 1U) << line;
        from = line.find("GO:", line.find_last_of("%<")) + 10;
        to = line.size();
        ++lastSecondary;
      }
      std::vector<int> written;
      for (std::size_t at = line.find(", GO:", from); at < to; at = line.find(", GO:", at + 1))
        written.push_back(std::stoi(line.substr(at + 5, 7)));
      EXPECT_EQ(written, term.secondaryIds) << line;
      EXPECT_EQ(std::count(line.begin(), line.end(), ','),
                static_cast<long>(term.secondaryIds.size()))
          << line;
      // A bare id fills its seven-character field with blanks after the digits.
      for (std::size_t at = line.find("GO:"); at != std::string::npos;
           at = line.find("GO:", at + 1))
        bareIds += static_cast<int>(line.substr(at + 3, 7).find(' ') != std::string::npos);
    }
  }
  ASSERT_EQ(mainLines.size(), truth.terms.size());
  for (const auto& term : truth.terms) EXPECT_EQ(mainLines[term.id], 1) << term.idText;
  EXPECT_LE(deepestIndent, 19);
  EXPECT_GT(bareIds, 0);
  EXPECT_GT(lastSecondary, 0);

  int deepest = 0, widest = 0, secondary = 0, obsolete = 0;
  for (const auto& term : truth.terms) {
    deepest = std::max(deepest, term.depth);
    widest = std::max(widest, static_cast<int>(term.parents.size()));
    secondary += static_cast<int>(term.secondaryIds.size());
    obsolete += static_cast<int>(term.name == "obsolete" && !term.active);
  }
  EXPECT_GT(deepest, 20);
  EXPECT_EQ(widest, 7);
  EXPECT_EQ(obsolete, 1);
  EXPECT_GT(secondary, 0);
}

}  // namespace
