// The gene information file and its annotation index files say what the gene truth
// says, read back here from their lines; the shares of empty and shared genes and the
// term counts are those asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/tests/temp_folder.hpp"
#include "tools/synth/gene_info_model.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using namespace synth::testing;

std::vector<std::string> ProbeSetNames(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("PSet" + std::to_string(100000 + i));
  return names;
}

// The terms of a field: one term as it stands, or several each enclosed by bars.
std::vector<std::string> TermsOfField(const std::string& field) {
  if (field.empty()) return {};
  if (field.find('|') == std::string::npos) return {field};
  std::vector<std::string> terms = Fields(field, '|');
  // The bars before the first and after the last term leave empty ends.
  EXPECT_TRUE(terms.size() >= 3 && terms.front().empty() && terms.back().empty()) << field;
  return {terms.begin() + 1, terms.end() - 1};
}

}  // namespace

TEST(SynthGeneInfoFile, EveryGenesFieldsAndTermsAreWrittenAsTheTruthHasThem) {
  platform::testing::TempFolder folder;
  synth::GeneInfoOptions options;
  options.seed = 6;
  options.vocabulary = 40;
  options.maxTermsPerColumn = {3, 0, 8};  // the fourth column takes maxTermsPerGene
  options.maxTermsPerGene = 5;
  options.indexBacked = {true, false, false, true};
  for (bool crlf : {false, true}) {
    SCOPED_TRACE(crlf);
    options.crlf = crlf;
    const synth::GeneInfoTruth truth = synth::MakeGeneInfo(ProbeSetNames(2000), options);
    const std::string path = folder.File("genes.txt");
    ASSERT_TRUE(synth::WriteGeneInfo(truth, path));
    const std::string text = FileText(path);
    // Every line ends as asked.
    const auto lineEnds = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), crlf ? lineEnds : 0);
    const std::vector<std::string> lines = TextLines(text);
    ASSERT_EQ(lines.size(), 2001u);
    EXPECT_EQ(lines[0],
              "Probe Set "
              "Name\tIdentifier\tLocusLink\tName\tGeneOntology."
              "txt\tProteinDomain\tPathway\tCytoband.txt\t"
              "Description");

    // The index files beside it: ascending numbers, each with its term's name.
    std::vector<std::map<std::string, std::string>> indexNames(4);
    for (std::size_t c : {0u, 3u}) {
      const std::vector<std::string> indexLines =
          TextLines(FileText(folder.File(truth.columnNames[c])));
      ASSERT_EQ(indexLines.size(), 40u);
      int previous = 0;
      for (const std::string& line : indexLines) {
        const std::vector<std::string> fields = Fields(line);
        ASSERT_EQ(fields.size(), 2u);
        EXPECT_GT(Whole(fields[0]), previous);
        previous = Whole(fields[0]);
        indexNames[c][fields[0]] = fields[1];
      }
    }

    int empty = 0;
    std::map<std::string, int> locusCount;
    for (std::size_t g = 0; g < truth.genes.size(); ++g) {
      const synth::GeneRecord& gene = truth.genes[g];
      const std::vector<std::string> fields = Fields(lines[g + 1]);
      ASSERT_EQ(fields.size(), 9u) << lines[g + 1];
      EXPECT_EQ(fields[0], "PSet" + std::to_string(100000 + g));
      EXPECT_EQ(fields[1], gene.identifier);
      EXPECT_EQ(fields[2], gene.locusLink);
      EXPECT_EQ(fields[3], gene.name);
      EXPECT_EQ(fields[8], gene.description);
      EXPECT_EQ(fields[8].find('"'), std::string::npos);
      if (gene.identifier.empty()) {
        ++empty;
        EXPECT_TRUE(gene.locusLink.empty() && gene.name.empty());
      } else {
        ++locusCount[gene.locusLink];
      }
      for (std::size_t c = 0; c < 4; ++c) {
        const std::vector<std::string> terms = TermsOfField(fields[4 + c]);
        EXPECT_EQ(terms, gene.terms[c]);
        const int most = c < options.maxTermsPerColumn.size() ? options.maxTermsPerColumn[c]
                                                              : options.maxTermsPerGene;
        EXPECT_LE(static_cast<int>(terms.size()), most);
        EXPECT_EQ(std::set<std::string>(terms.begin(), terms.end()).size(), terms.size())
            << "a term twice";
        for (const std::string& term : terms) {
          // Index-backed columns carry numbers the index file names; others the names.
          if (c == 0 || c == 3) {
            EXPECT_EQ(indexNames[c].count(term), 1u) << term;
          } else {
            EXPECT_EQ(term.find(std::string(c == 1 ? "ProteinDomain" : "Pathway") + " term "), 0u)
                << term;
          }
        }
      }
    }
    // About a tenth of the genes empty; some of the others share a LocusLink.
    EXPECT_NEAR(empty / 2000.0, 0.10, 0.025);
    int shared = 0;
    for (const auto& [locus, count] : locusCount) shared += count > 1 ? count - 1 : 0;
    EXPECT_NEAR(shared / 1800.0, 0.05, 0.02);
  }
}

TEST(SynthGeneInfoFile, TheSameSeedWritesTheSameFileAndAnotherSeedAnother) {
  synth::GeneInfoOptions options;
  options.seed = 3;
  const std::string first = synth::GeneInfoText(synth::MakeGeneInfo(ProbeSetNames(50), options));
  EXPECT_EQ(first, synth::GeneInfoText(synth::MakeGeneInfo(ProbeSetNames(50), options)));
  options.seed = 4;
  EXPECT_NE(first, synth::GeneInfoText(synth::MakeGeneInfo(ProbeSetNames(50), options)));
  // Without term columns the header goes straight from the name to the description.
  options.termColumns = 0;
  EXPECT_EQ(TextLines(synth::GeneInfoText(synth::MakeGeneInfo(ProbeSetNames(3), options)))[0],
            "Probe Set Name\tIdentifier\tLocusLink\tName\tDescription");
}

// The planted list: distinct genes, each line its probe set's, and every planted term
// carried by about the planted share of the list and stays rare among the others.
TEST(SynthGeneInfoFile, APlantedListCarriesItsTermsAtThePlantedShare) {
  platform::testing::TempFolder folder;
  synth::GeneInfoOptions options;
  options.termColumns = 2;
  options.indexBacked = {false, true};
  synth::GeneInfoTruth truth = synth::MakeGeneInfo(ProbeSetNames(4000), options);
  const synth::PlantedList list = synth::PlantEnrichedList(truth, {8, 400, 3, 50});
  EXPECT_EQ(std::set<int>(list.genes.begin(), list.genes.end()).size(), 400u);
  ASSERT_TRUE(synth::WriteGeneList(list, folder.File("list.txt")));
  const std::vector<std::string> lines = TextLines(FileText(folder.File("list.txt")));
  ASSERT_EQ(lines.size(), 401u);
  for (std::size_t i = 0; i < list.genes.size(); ++i)
    EXPECT_EQ(Fields(lines[i + 1])[0],
              truth.genes[static_cast<std::size_t>(list.genes[i])].probeSet);
  const std::set<int> listed(list.genes.begin(), list.genes.end());
  for (std::size_t c = 0; c < 2; ++c) {
    ASSERT_EQ(list.plantedTerms[c].size(), 3u);
    for (const std::string& term : list.plantedTerms[c]) {
      int carriers[2] = {0, 0};  // outside the list, in it
      for (std::size_t g = 0; g < truth.genes.size(); ++g) {
        const std::vector<std::string>& terms = truth.genes[g].terms[c];
        if (std::find(terms.begin(), terms.end(), term) != terms.end())
          ++carriers[listed.count(static_cast<int>(g))];
      }
      EXPECT_GT(carriers[1] / 400.0, 0.45) << term;
      EXPECT_LT(carriers[0] / 3600.0, 0.1) << term;
    }
  }
}
