// Reading a gene information file on several threads must give what one thread gives:
// the same fields, term lists, term tables in the same order, counts and failures, also
// for files out of chip order, with a probe set listed twice or with an empty line that
// ends the data early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

// Everything a read leaves behind that the analyses use.
struct Snapshot {
  std::vector<std::string> genes;  // per gene its fields and term indices, as one text
  std::vector<std::vector<std::string>> tableNames;
  std::vector<std::vector<int>> tableCounts;
  std::vector<int> annotated;
  bool operator==(const Snapshot&) const = default;
};

std::vector<std::string> RedLines(const CapturedLog& log) {
  std::vector<std::string> red;
  for (const CapturedLine& line : log.Lines())
    if (line.colour == kLogRed) red.push_back(line.text);
  return red;
}

Snapshot Take() {
  Snapshot snapshot;
  for (int unit = 0; unit < GeneInfo.GeneCount(); ++unit) {
    const GENE_INFO& gene = GeneInfo.genes[static_cast<std::size_t>(unit)];
    std::string text = std::string(gene.Identifier) + "|" + std::string(gene.LocusLink) + "|" +
                       std::string(gene.Name) + "|" + std::string(gene.Description);
    for (int c = 0; c < GeneInfo.numColumns; ++c) {
      text += "|" + std::string(gene.termText[static_cast<std::size_t>(c)]) + ":";
      for (std::int16_t index : GeneInfo.TermIndices(unit, c)) text += std::to_string(index) + ",";
    }
    snapshot.genes.push_back(std::move(text));
  }
  for (int c = 0; c < GeneInfo.numColumns; ++c) {
    const TERM_TABLE& table = TermTables[static_cast<std::size_t>(c)];
    std::vector<std::string> names;
    std::vector<int> counts;
    for (int t = 0; t < table.Count(); ++t) {
      names.push_back(table.Name(t));
      counts.push_back(table.GeneCount(t));
    }
    snapshot.tableNames.push_back(std::move(names));
    snapshot.tableCounts.push_back(std::move(counts));
    snapshot.annotated.push_back(table.numAnnotated);
  }
  return snapshot;
}

class SplitGeneInfo : public GeneInfoFixture {
 protected:
  void TearDown() override {
    GeneInfoSplit = mDefault;
    GeneInfoFixture::TearDown();
  }

  // The file read by one thread and then by four, over small pieces; both reads must
  // agree on the outcome, the red lines and what they leave.
  void ExpectSameReads(const std::string& path) {
    GeneInfoSplit = {1, 1 << 20, 1 << 20};
    CapturedLog oneLog;
    const bool oneRead = ReadGeneInfoFile(path, true);
    const Snapshot one = Take();
    const std::vector<std::string> oneRed = RedLines(oneLog);

    GeneInfoSplit = {4, 512, 16};
    CapturedLog splitLog;
    const bool splitRead = ReadGeneInfoFile(path, true);
    EXPECT_EQ(splitRead, oneRead);
    EXPECT_EQ(RedLines(splitLog), oneRed);
    EXPECT_TRUE(Take() == one);
  }

  std::string GeneratedText(std::vector<std::string> fileOrder, int vocabulary = 150) {
    synth::GeneInfoOptions options;
    options.seed = 5;
    options.vocabulary = vocabulary;
    options.maxTermsPerColumn = {12, 4, 3, 3};
    options.indexBacked = {true, false, true, false};
    const synth::GeneInfoTruth truth = synth::MakeGeneInfo(fileOrder, options);
    EXPECT_TRUE(synth::WriteGeneInfo(truth, mFolder.File("genes.txt")));
    return synth::GeneInfoText(truth);
  }

  const GeneInfoReadSplit mDefault = GeneInfoSplit;
};

TEST_F(SplitGeneInfo, AgreesWithOneThreadOnFilesInAndOutOfChipOrder) {
  const std::vector<std::string> probeSets = Names("PS", 3000);
  UseProbeSets(probeSets);
  GeneratedText(probeSets);
  ExpectSameReads(mFolder.File("genes.txt"));
  EXPECT_EQ(GeneInfo.GeneCount(), 3000);
  EXPECT_GT(TermTables[1].Count(), 100);

  std::vector<std::string> shuffled(probeSets.rbegin(), probeSets.rend());
  std::swap(shuffled[10], shuffled[2000]);
  GeneratedText(shuffled);
  ExpectSameReads(mFolder.File("genes.txt"));
}

TEST_F(SplitGeneInfo, AgreesOnRepeatedProbeSetsEmptyLinesAndUnknownProbeSets) {
  const std::vector<std::string> probeSets = Names("PS", 2000);
  UseProbeSets(probeSets);
  const std::string text = GeneratedText(probeSets);
  const std::size_t middle = text.find("\nPS1000\t") + 1;

  // PS5 again near the end: the later line wins.
  const std::string repeated = text + "PS5\tNM_X\t9\tLATE\t\t\t\t\tlate line\n";
  ExpectSameReads(WriteFile("repeated.txt", repeated));
  EXPECT_EQ(Gene(5).Name, "LATE");

  // An empty line ends the data: the genes after it stay empty.
  const std::string cut = text.substr(0, middle) + "\n" + text.substr(middle);
  ExpectSameReads(WriteFile("cut.txt", cut));
  EXPECT_TRUE(Gene(1500).termText[0].empty() && Gene(1500).Description.empty());

  // Probe sets of another chip in between are passed over.
  std::string foreign = text;
  for (int i = 0; i < 20; ++i)
    foreign.insert(middle, "OTHER" + std::to_string(i) + "\tNM\t1\tX\t\t\t\t\tforeign\n");
  ExpectSameReads(WriteFile("foreign.txt", foreign));
}

TEST_F(SplitGeneInfo, ReportsTheSameFirstFailure) {
  const std::vector<std::string> probeSets = Names("PS", 400);
  UseProbeSets(probeSets);
  // Each gene brings four new names: the table fills at gene 325, in the middle of a
  // slice. A gene further on carries too many terms, which must not be reported first.
  std::string text = GeneInfoHeader({"Terms"});
  for (int g = 0; g < 400; ++g) {
    std::string terms = "|";
    const int count = g == 390 ? 301 : 4;
    for (int t = 0; t < count; ++t) terms += "t" + std::to_string(g * 4 + t) + "|";
    text += "PS" + std::to_string(g) + "\tNM\t1\tG\t" + terms + "\tdesc\n";
  }
  ExpectSameReads(WriteFile("full.txt", text));
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(mFolder.File("full.txt"), true));
  EXPECT_TRUE(log.ContainsRed("    Error at probe set 'PS325'"));
  EXPECT_FALSE(log.ContainsRed(kTooManyGeneTermsMessage));
}

}  // namespace
