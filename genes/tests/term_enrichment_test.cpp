// Gene classification by annotation terms and the gene lists by terms and by keywords,
// over generated gene information with a gene list planted to be enriched in known
// terms: every count against a count from the generator's truth, every p-value against
// R's hypergeometric tail and one-sided Fisher test, the files read back line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/services/r_link.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "genes/annotation/annotation_gene_lists.hpp"
#include "genes/annotation/term_enrichment.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "tools/synth/gene_info_model.hpp"
#include "tools/synth/random.hpp"

namespace {

constexpr const char* kSoloTerm = "solo pathway";

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// One term's block of the classification file.
struct TermBlock {
  int n = 0;
  std::string column;
  std::string term;
  int k = 0;
  int m = 0;
  int annotated = 0;
  double p = 0;
  std::string stars;
  std::vector<std::string> genes;
};

// One column of the classification file: its term blocks and the closing count.
struct ColumnBlocks {
  std::vector<TermBlock> terms;
  std::string column;
  int pairs = -1;
};

struct Classification {
  std::string header;
  std::vector<ColumnBlocks> columns;
};

// Reads the file back by its layout; a line out of place fails the test.
Classification ReadClassification(const std::string& path) {
  const std::vector<std::string> lines = FileLines(path);
  Classification out;
  EXPECT_GE(lines.size(), 2u);
  if (lines.size() < 2) return out;
  out.header = lines[0];
  EXPECT_EQ(lines[1], "");
  ColumnBlocks column;
  for (std::size_t i = 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.rfind("Found ", 0) == 0) {
      TermBlock block;
      const std::size_t quote = line.find(" \"");
      const std::size_t close = line.find("\" genes in a list with ");
      EXPECT_TRUE(quote != std::string::npos && close != std::string::npos) << line;
      if (quote == std::string::npos || close == std::string::npos) return out;
      block.n = std::stoi(line.substr(6));
      const std::size_t columnStart = line.find(' ', 6) + 1;
      block.column = line.substr(columnStart, quote - columnStart);
      block.term = line.substr(quote + 2, close - quote - 2);
      const std::string rest = line.substr(close + 1);
      int used = 0;
      EXPECT_EQ(std::sscanf(rest.c_str(),
                            " genes in a list with %d annotated genes (all: %d/%d, PValue: %lf) %n",
                            &block.k, &block.m, &block.annotated, &block.p, &used),
                4)
          << line;
      block.stars = rest.substr(static_cast<std::size_t>(used));
      for (++i; i < lines.size() && !lines[i].empty(); ++i) block.genes.push_back(lines[i]);
      column.terms.push_back(block);
      continue;
    }
    const std::size_t dash = line.find(" cluster-");
    const std::size_t tail = line.find(" term pairs assessed for enrichment with p-value < ");
    EXPECT_TRUE(dash != std::string::npos && tail != std::string::npos) << line;
    if (dash == std::string::npos || tail == std::string::npos) return out;
    column.pairs = std::stoi(line);
    column.column = line.substr(dash + 9, tail - dash - 9);
    out.columns.push_back(std::move(column));
    column = {};
    EXPECT_TRUE(i + 1 < lines.size() && lines[i + 1].empty()) << "an empty line closes a column";
    ++i;
  }
  return out;
}

// What the generator's truth says of one term of one column.
struct TermTruth {
  int n = 0;                       // listed genes carrying it
  int m = 0;                       // all genes carrying it
  std::vector<std::string> lines;  // the listed genes' lines, in unit order
};

class PlantedEnrichment : public GeneInfoFixture {
 protected:
  void SetUp() override {
    GeneInfoFixture::SetUp();
    const std::vector<std::string> names = Names("PS", kGenes);
    UseProbeSets(names);
    synth::GeneInfoOptions options;
    options.seed = 35;
    options.vocabulary = 60;
    options.maxTermsPerGene = 5;
    options.indexBacked = {false, true, false, false};
    mTruth = synth::MakeGeneInfo(names, options);
    synth::PlantOptions plant;
    plant.listSize = 250;
    plant.plantShare = 40;
    mList = synth::PlantEnrichedList(mTruth, plant);
    // One term that one listed gene alone carries.
    mTruth.genes[static_cast<std::size_t>(mList.genes.front())].terms[2].push_back(kSoloTerm);
    const std::string info = mFolder.File("genes.txt");
    ASSERT_TRUE(synth::WriteGeneInfo(mTruth, info));
    mListPath = mFolder.File("list.txt");
    ASSERT_TRUE(synth::WriteGeneList(mList, mListPath));
    GroupSettings& settings = TheGroup().Settings();
    settings.MASK_REDUNDANT = 0;
    settings.OMIT_VOSK = 0;
    settings.SIG_GENE_PVALUE = 0.05;
    CapturedLog quiet;
    ASSERT_TRUE(ReadGeneInfoFile(info, true));
    ASSERT_EQ(GeneInfo.numColumns, 4);
  }

  // The name a term written in the file has in its column's table.
  std::string TableName(std::size_t column, const std::string& written) const {
    for (const synth::IndexTerm& term : mTruth.indexTerms[column])
      if (std::to_string(term.number) == written) return term.name;
    return written;
  }
  // The line the list file holds for each listed gene, by gene.
  std::map<int, std::string> ListedLines() const {
    std::map<int, std::string> lines;
    for (std::size_t i = 0; i < mList.genes.size(); ++i) lines[mList.genes[i]] = mList.lines[i];
    return lines;
  }
  // Per term name of the column, its counts and listed lines; k and N by reference.
  std::map<std::string, TermTruth> ColumnTruth(std::size_t column, int& k, int& annotated) const {
    const std::map<int, std::string> listed = ListedLines();
    std::map<std::string, TermTruth> terms;
    k = 0;
    annotated = 0;
    for (int g = 0; g < kGenes; ++g) {
      const synth::GeneRecord& gene = mTruth.genes[static_cast<std::size_t>(g)];
      if (gene.terms[column].empty()) continue;
      ++annotated;
      const auto line = listed.find(g);
      if (line != listed.end()) ++k;
      for (const std::string& written : gene.terms[column]) {
        TermTruth& term = terms[TableName(column, written)];
        ++term.m;
        if (line == listed.end()) continue;
        ++term.n;
        term.lines.push_back(line->second);
      }
    }
    return terms;
  }
  // The gene's Name as read: an empty name takes the description.
  std::string GeneName(int g) const {
    const synth::GeneRecord& gene = mTruth.genes[static_cast<std::size_t>(g)];
    return gene.name.empty() ? gene.description : gene.name;
  }

  static constexpr int kGenes = 3000;
  synth::GeneInfoTruth mTruth;
  synth::PlantedList mList;
  std::string mListPath;
};

// Every term block against the truth, in the table's order, and its p-value against R.
TEST_F(PlantedEnrichment, CountsLinesAndPValuesMatchTheTruthAndR) {
  CapturedLog log;
  const RaisedAnalysisRunning running;
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  const std::string out = mFolder.File("classified.xls");
  ASSERT_TRUE(ClassifyGenesByTerms(mListPath, out, false));
  const Classification file = ReadClassification(out);
  EXPECT_EQ(file.header, mList.header);
  ASSERT_EQ(file.columns.size(), 4u);

  // The blocks in the order they are written, with what R is asked about them.
  std::vector<const TermBlock*> blocks;
  std::vector<double> ns, ms, annotatedTotals, ks, ours;
  std::set<std::string> planted;
  int soloCount = 0;
  for (std::size_t c = 0; c < 4; ++c) {
    SCOPED_TRACE(c);
    const TERM_TABLE& table = TermTables[c];
    int k = 0;
    int annotated = 0;
    const std::map<std::string, TermTruth> truth = ColumnTruth(c, k, annotated);
    for (const std::string& term : mList.plantedTerms[c]) planted.insert(TableName(c, term));
    const ColumnBlocks& column = file.columns[c];
    EXPECT_EQ(column.column, GeneInfo.columnNames[c]);
    // Expected: every table term a listed gene carries, in index order.
    std::vector<std::string> expected;
    for (int t = 0; t < table.Count(); ++t) {
      const auto found = truth.find(table.Name(t));
      if (found != truth.end() && found->second.n > 0) expected.push_back(table.Name(t));
    }
    // A table of names holds every term the truth has (an index also those no gene has).
    if (!table.numericIds) {
      EXPECT_EQ(static_cast<std::size_t>(table.Count()), truth.size());
    }
    EXPECT_EQ(column.pairs, static_cast<int>(expected.size()));
    ASSERT_EQ(column.terms.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const TermBlock& block = column.terms[i];
      const TermTruth& term = truth.at(expected[i]);
      SCOPED_TRACE(expected[i]);
      EXPECT_EQ(block.term, expected[i]);
      EXPECT_EQ(block.column, GeneInfo.columnNames[c]);
      EXPECT_EQ(block.n, term.n);
      EXPECT_EQ(block.k, k);
      EXPECT_EQ(block.m, term.m);
      EXPECT_EQ(block.annotated, annotated);
      EXPECT_EQ(block.genes, term.lines);
      soloCount += block.term == kSoloTerm ? 1 : 0;
      blocks.push_back(&block);
      ns.push_back(term.n);
      ms.push_back(term.m);
      annotatedTotals.push_back(annotated);
      ks.push_back(k);
      ours.push_back(TermEnrichmentPValue(table, table.FindName(expected[i]), k, term.n));
    }
  }
  EXPECT_EQ(soloCount, 1);

  RLink& r = RConnection();
  ASSERT_TRUE(r.SetVector("n", ns));
  ASSERT_TRUE(r.SetVector("m", ms));
  ASSERT_TRUE(r.SetVector("N", annotatedTotals));
  ASSERT_TRUE(r.SetVector("k", ks));
  for (const char* statement :
       {"n <- as.vector(n); m <- as.vector(m); N <- as.vector(N); k <- as.vector(k)",
        "ph <- phyper(n - 1, m, N - m, k, lower.tail = FALSE)",
        "fi <- sapply(seq_along(n), function(i) fisher.test(matrix(c(n[i], k[i] - n[i], "
        "m[i] - n[i], N[i] - m[i] - k[i] + n[i]), 2), alternative = 'greater')$p.value)",
        "out <- cbind(ph, fi)"})
    ASSERT_TRUE(r.ExecuteCommand(statement)) << statement;
  RMatrix rp(static_cast<int>(blocks.size()), 2);
  ASSERT_TRUE(r.GetMatrix("out", rp));

  int plantedSeen = 0;
  int starred = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const TermBlock& block = *blocks[i];
    SCOPED_TRACE(block.term);
    const double hyper = rp.At(static_cast<int>(i), 0);
    const double fisher = rp.At(static_cast<int>(i), 1);
    EXPECT_NEAR(ours[i], hyper, 1e-12 + 1e-9 * hyper);
    EXPECT_NEAR(ours[i], fisher, 1e-12 + 1e-6 * fisher);
    EXPECT_NEAR(block.p, hyper, 5.1e-7);
    // One star, and one more per factor of ten below one, under the threshold 0.05.
    const double decades = -std::log10(std::max(hyper, kSmallestStarredPValue));
    if (std::fabs(decades - std::round(decades)) > 1e-6 && std::fabs(hyper - 0.05) > 1e-9) {
      const std::size_t stars =
          hyper < 0.05 ? static_cast<std::size_t>(std::max(1.0, std::ceil(decades))) : 0;
      EXPECT_EQ(block.stars, std::string(stars, '*'));
    }
    starred += block.stars.empty() ? 0 : 1;
    if (planted.count(block.term) == 0) continue;
    ++plantedSeen;
    EXPECT_LT(hyper, 1e-6) << "a planted term is enriched";
  }
  EXPECT_EQ(plantedSeen, static_cast<int>(planted.size()));
  EXPECT_GT(starred, plantedSeen) << "chance terms below the threshold are starred too";
}

// With onlySignificant, exactly the terms below the threshold carried by two or more
// listed genes: the threshold is set to one term's own p-value (not below itself), and a
// term of one listed gene stays out however small its p-value.
TEST_F(PlantedEnrichment, OnlySignificantKeepsTermsStrictlyBelowTheThresholdWithTwoGenes) {
  CapturedLog log;
  const std::string all = mFolder.File("all.xls");
  ASSERT_TRUE(ClassifyGenesByTerms(mListPath, all, false));
  const Classification everything = ReadClassification(all);
  ASSERT_EQ(everything.columns.size(), 4u);
  double soloP = -1;
  for (const TermBlock& block : everything.columns[2].terms)
    if (block.term == kSoloTerm)
      soloP = TermEnrichmentPValue(TermTables[2], TermTables[2].FindName(kSoloTerm), block.k, 1);
  ASSERT_GT(soloP, 0);
  // The threshold: the smallest p-value above the solo term's among terms of two genes.
  double threshold = 2;
  for (std::size_t c = 0; c < 4; ++c)
    for (const TermBlock& block : everything.columns[c].terms) {
      const double p =
          TermEnrichmentPValue(TermTables[c], TermTables[c].FindName(block.term), block.k, block.n);
      if (block.n > 1 && p > soloP && p < threshold) threshold = p;
    }
  ASSERT_LT(threshold, 1.0);
  TheGroup().Settings().SIG_GENE_PVALUE = threshold;

  const std::string significant = mFolder.File("significant.xls");
  ASSERT_TRUE(ClassifyGenesByTerms(mListPath, significant, true));
  const Classification kept = ReadClassification(significant);
  ASSERT_EQ(kept.columns.size(), 4u);
  int reported = 0;
  for (std::size_t c = 0; c < 4; ++c) {
    std::vector<std::string> expected;
    for (const TermBlock& block : everything.columns[c].terms) {
      const double p =
          TermEnrichmentPValue(TermTables[c], TermTables[c].FindName(block.term), block.k, block.n);
      if (p < threshold && block.n > 1) expected.push_back(block.term);
    }
    std::vector<std::string> got;
    for (const TermBlock& block : kept.columns[c].terms) {
      got.push_back(block.term);
      EXPECT_FALSE(block.stars.empty()) << block.term;
    }
    EXPECT_EQ(got, expected) << GeneInfo.columnNames[c];
    // Every term is still assessed.
    EXPECT_EQ(kept.columns[c].pairs, everything.columns[c].pairs);
    reported += static_cast<int>(got.size());
  }
  EXPECT_GT(reported, 0);
}

TEST(EnrichmentStars, OneStarAndOneMorePerFactorOfTenBelowOne) {
  EXPECT_EQ(EnrichmentStars(0.0005, 0.05), "****");
  EXPECT_EQ(EnrichmentStars(0.05, 0.05), "");
  EXPECT_EQ(EnrichmentStars(0.03, 0.05), "**");
  EXPECT_EQ(EnrichmentStars(0.003, 0.05), "***");
  EXPECT_EQ(EnrichmentStars(0.5, 1.0), "*");
  EXPECT_EQ(EnrichmentStars(0.0, 0.05), std::string(9, '*'));
}

// Lists by terms: union and intersection of selections in every column, from none to
// several terms, against the sets the truth gives.
TEST_F(PlantedEnrichment, GeneListsByTermsHoldTheUnionOrIntersectionOfTheTruth) {
  CapturedLog log;
  RecordedOutputFiles outputs;
  synth::SynthRandom random(5);
  const std::string out = mFolder.File("by terms.txt");
  int checked = 0;
  for (std::size_t c = 0; c < 4; ++c) {
    const TERM_TABLE& table = TermTables[c];
    std::vector<std::vector<std::string>> selections = {{}};
    for (int s = 0; s < 6; ++s) {
      // Terms of one gene, so that their intersection is not empty, or drawn at random.
      const synth::GeneRecord& gene =
          mTruth.genes[static_cast<std::size_t>(mList.genes[static_cast<std::size_t>(s)])];
      std::vector<std::string> terms;
      if (s % 2 == 0) {
        for (const std::string& written : gene.terms[c]) terms.push_back(TableName(c, written));
        terms.resize(std::min<std::size_t>(terms.size(), 1 + static_cast<std::size_t>(s / 2)));
      } else {
        for (int t = 0; t < s; ++t)
          terms.push_back(table.Name(random.Between(0, table.Count() - 1)));
      }
      selections.push_back(terms);
    }
    for (const std::vector<std::string>& selection : selections) {
      std::vector<int> indices;
      for (const std::string& name : selection) indices.push_back(table.FindName(name));
      for (const bool intersection : {false, true}) {
        SCOPED_TRACE(testing::Message() << "column " << c << " terms " << selection.size()
                                        << (intersection ? " intersection" : " union"));
        std::vector<std::string> expected;
        for (int g = 0; g < kGenes; ++g) {
          std::set<std::string> carried;
          for (const std::string& written : mTruth.genes[static_cast<std::size_t>(g)].terms[c])
            carried.insert(TableName(c, written));
          int hits = 0;
          for (const std::string& name : selection) hits += carried.count(name) > 0 ? 1 : 0;
          const bool keep = intersection ? hits == static_cast<int>(selection.size()) : hits > 0;
          if (keep) expected.push_back("PS" + std::to_string(g) + "\t" + GeneName(g));
        }
        log.Clear();
        ASSERT_TRUE(OutputGeneListByTerms(out, indices, static_cast<int>(c), intersection));
        EXPECT_EQ(FileLines(out), expected);
        EXPECT_TRUE(log.Contains(
            MessageBuffer(kGeneListByTermsSaved, static_cast<int>(expected.size()), out.c_str()),
            kLogBlue));
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 4 * 7 * 2);
  ASSERT_FALSE(outputs.files.empty());
  EXPECT_EQ(outputs.files.back().path, out);
  EXPECT_FALSE(outputs.files.back().insertIntoLog);

  // A folder that does not exist: a red line, nothing written or registered.
  const std::size_t registered = outputs.files.size();
  const std::string nowhere = mFolder.File("missing/list.txt");
  const int term = 0;
  EXPECT_FALSE(OutputGeneListByTerms(nowhere, std::span(&term, 1), 0, false));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kGeneListByTermsFailed, nowhere.c_str())));
  EXPECT_EQ(outputs.files.size(), registered);
}

// Lists by keywords in any letter case: plain words against a search of the truth's
// texts, wildcards against GeneMatchesKeyword, and the text after the name as chosen.
TEST_F(PlantedEnrichment, GeneListsByKeywordsMatchNamesOrDescriptionsInAnyCase) {
  CapturedLog log;
  RecordedOutputFiles outputs;
  ScriptedPrompt prompt;
  const std::string out = mFolder.File("by keywords.txt");
  const std::string someDescription = UpperCase(mTruth.genes[17].description.substr(18));
  const std::vector<std::string> plain = {"gene12", "GENE3", "Synthetic Gene 20", someDescription,
                                          "no such words"};
  const std::vector<std::string> wildcards = {"gene1?5", "GENE2*X", "gene[1-3]0", "*"};
  int cases = 0;
  int matched = 0;
  for (const int useName : {0, 1}) {
    TheGroup().Settings().LOCUS_LINK_NAME = useName;
    for (const std::vector<std::string>* words : {&plain, &wildcards}) {
      for (const std::string& keyword : *words) {
        for (const std::string& asked : {keyword, UpperCase(keyword)}) {
          SCOPED_TRACE(asked);
          std::vector<std::string> expected;
          for (int g = 0; g < kGenes; ++g) {
            const synth::GeneRecord& gene = mTruth.genes[static_cast<std::size_t>(g)];
            const bool match = words == &plain
                                   ? Contains(UpperCase(GeneName(g)), UpperCase(asked)) ||
                                         Contains(UpperCase(gene.description), UpperCase(asked))
                                   : GeneMatchesKeyword(g, UpperCase(asked));
            if (match)
              expected.push_back("PS" + std::to_string(g) + "\t" +
                                 (useName != 0 ? GeneName(g) : gene.description));
          }
          matched += expected.empty() ? 0 : 1;
          prompt.prompts.clear();
          ExportGeneListByKeywords(out, asked);
          EXPECT_EQ(FileLines(out), expected);
          ASSERT_EQ(prompt.prompts.size(), 1u);
          EXPECT_EQ(prompt.prompts[0].caption, kExportGeneListCaption);
          EXPECT_EQ(prompt.prompts[0].text,
                    MessageBuffer(kKeywordGenesExported, static_cast<int>(expected.size()),
                                  UpperCase(asked).c_str(), out.c_str()));
          EXPECT_EQ(outputs.files.back().path, out);
          ++cases;
        }
      }
    }
  }
  EXPECT_EQ(cases, 2 * 2 * 9);
  // Only "no such words" finds nothing.
  EXPECT_EQ(matched, 2 * 2 * 8);

  // An unwritable file and missing gene information are told in message boxes.
  prompt.prompts.clear();
  const std::string nowhere = mFolder.File("missing/list.txt");
  ExportGeneListByKeywords(nowhere, "gene");
  ClearGeneInfo();
  ExportGeneListByKeywords(out, "gene");
  ASSERT_EQ(prompt.prompts.size(), 2u);
  EXPECT_EQ(prompt.prompts[0].text, kFileWritingErrorMessage);
  EXPECT_EQ(prompt.prompts[0].caption, kProgramCaption);
  EXPECT_EQ(prompt.prompts[1].text, kNoGeneInfoAvailableMessage);
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

// More listed genes with one term than 16 bits count; a list without a header line; the
// failures of the list and of the output file.
class ClassificationLimits : public GeneInfoFixture {};

TEST_F(ClassificationLimits, CountsPastSixteenBitsAndReportsFailures) {
  constexpr int kUnits = 33000;
  UseProbeSets(Names("P", kUnits));
  std::string info = GeneInfoHeader({"Pathway"});
  std::string list;
  for (int u = 0; u < kUnits; ++u) {
    const std::string name = "P" + std::to_string(u);
    info += name + "\t\t\tG" + std::to_string(u) + "\t" +
            (u % 2 == 0 ? "|common|even|" : "common") + "\tdescription\n";
    list += name + "\tline " + std::to_string(u) + "\n";
  }
  TheGroup().Settings().MASK_REDUNDANT = 0;
  TheGroup().Settings().SIG_GENE_PVALUE = 0.05;
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(WriteFile("genes.txt", info), true));
  const std::string listPath = WriteFile("list.txt", list);
  const std::string out = mFolder.File("out.xls");
  ASSERT_TRUE(ClassifyGenesByTerms(listPath, out, false));
  const std::vector<std::string> lines = FileLines(out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], kNoHeaderLineText);
  EXPECT_EQ(lines[2],
            "Found 33000 Pathway \"common\" genes in a list with 33000 annotated genes (all: "
            "33000/33000, PValue: 1.000000) ");
  EXPECT_EQ(lines[3], "P0\tline 0");
  EXPECT_EQ(lines[3 + kUnits + 1],
            "Found 16500 Pathway \"even\" genes in a list with 33000 annotated genes (all: "
            "16500/33000, PValue: 1.000000) ");

  const std::string missing = mFolder.File("no list.txt");
  EXPECT_FALSE(ClassifyGenesByTerms(missing, out, false));
  EXPECT_TRUE(log.ContainsRed(std::string(kReadingGeneListFailedMessage) + missing +
                              kReadingGeneListFailedTail));
  const std::string nowhere = mFolder.File("missing/out.xls");
  EXPECT_FALSE(ClassifyGenesByTerms(listPath, nowhere, false));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kClassifyWriteFailedMessage, nowhere.c_str())));
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

}  // namespace
