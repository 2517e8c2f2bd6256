// The made-up ontology: each term written once as a main term, indented no deeper than
// the files allow while one branch of the graph runs deeper, with the parents, secondary
// ids and bare ids the reader has to cope with.
#include "tools/synth/ontology_data.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

TEST(OntologyData, FilesHoldEveryTermOnceWithinTheIndentationWhileOneBranchRunsDeeper) {
  synth::OntologyOptions options;
  options.seed = 11;
  options.roots = 4;
  const synth::OntologyTruth truth = synth::MakeOntology(options);
  platform::testing::TempFolder folder;
  ASSERT_TRUE(synth::WriteOntologyFiles(truth, folder.Path().string(), ".ontology"));

  std::map<int, int> mainLines;  // id -> lines naming it as main term
  int deepestIndent = 0;
  int bareIds = 0;
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
      ++mainLines[std::stoi(line.substr(id, 7))];
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
