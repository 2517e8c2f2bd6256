// Gene classification by annotation terms and the gene lists by terms and by keywords,
// over generated gene information with a list planted to be enriched in known terms:
// counts against the generator's truth, p-values against R's hypergeometric tail and
// one-sided Fisher test, the files read back line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/services/r_link.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "genes/annotation/annotation_gene_lists.hpp"
#include "genes/annotation/term_enrichment.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "platform/system_error.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

constexpr const char* kSoloTerm = "solo pathway";
constexpr int kGenes = 3000;

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A term's block as read back, and what the truth says of the term.
struct TermBlock {
  int n = 0, k = 0, m = 0, all = 0;
  std::string column, term, stars;
  double p = 0;
  std::vector<std::string> genes;
};
struct ColumnBlocks {
  std::vector<TermBlock> terms;
  int pairs = -1;
};

// The file's columns; a line out of place fails the test.
std::vector<ColumnBlocks> ReadClassification(const std::string& path, std::string& header) {
  static const std::regex found(
      "Found (\\d+) (.+) \"(.+)\" genes in a list with (\\d+) annotated genes "
      "\\(all: (\\d+)/(\\d+), PValue: ([0-9.]+)\\) (\\**)");
  static const std::regex closing(R"((\d+) cluster-.+ term pairs assessed .+ p-value < [0-9.]+)");
  const std::vector<std::string> lines = FileLines(path);
  std::vector<ColumnBlocks> columns(1);
  header = lines.empty() ? "" : lines[0];
  EXPECT_TRUE(lines.size() >= 2 && lines[1].empty());
  for (std::size_t i = 2; i < lines.size(); i += 2) {  // each block ends in an empty line
    std::smatch match;
    if (std::regex_match(lines[i], match, closing)) {
      columns.back().pairs = std::stoi(match[1]);
      columns.emplace_back();
      continue;
    }
    EXPECT_TRUE(std::regex_match(lines[i], match, found)) << lines[i];
    if (match.empty()) return columns;
    TermBlock block{std::stoi(match[1]),
                    std::stoi(match[4]),
                    std::stoi(match[5]),
                    std::stoi(match[6]),
                    match[2],
                    match[3],
                    match[8],
                    std::stod(match[7]),
                    {}};
    for (; i + 1 < lines.size() && !lines[i + 1].empty(); ++i) block.genes.push_back(lines[i + 1]);
    columns.back().terms.push_back(block);
  }
  columns.pop_back();
  return columns;
}

class PlantedEnrichment : public GeneInfoFixture {
 protected:
  void SetUp() override {
    GeneInfoFixture::SetUp();
    UseProbeSets(Names("PS", kGenes));
    synth::GeneInfoOptions options;
    options.seed = 35;
    options.vocabulary = 60;
    options.maxTermsPerGene = 5;
    options.indexBacked = {false, true, false, false};
    mTruth = synth::MakeGeneInfo(Names("PS", kGenes), options);
    mList = synth::PlantEnrichedList(mTruth, {35, 250, 2, 40});
    mTruth.genes[static_cast<std::size_t>(mList.genes[0])].terms[2].push_back(kSoloTerm);
    ASSERT_TRUE(synth::WriteGeneInfo(mTruth, mFolder.File("genes.txt")));
    ASSERT_TRUE(synth::WriteGeneList(mList, mListPath));
    GroupSettings& settings = TheGroup().Settings();
    settings.MASK_REDUNDANT = 0;
    settings.OMIT_VOSK = 0;
    settings.SIG_GENE_PVALUE = 0.05;
    CapturedLog quiet;
    ASSERT_TRUE(ReadGeneInfoFile(mFolder.File("genes.txt"), true));
    for (std::size_t i = 0; i < mList.genes.size(); ++i) mListed[mList.genes[i]] = mList.lines[i];
  }

  // The term's name in its column's table (an index-backed column writes numbers).
  std::string TableName(std::size_t column, const std::string& written) const {
    for (const synth::IndexTerm& term : mTruth.indexTerms[column])
      if (std::to_string(term.number) == written) return term.name;
    return written;
  }
  std::set<std::string> Terms(int g, std::size_t column) const {
    std::set<std::string> names;
    for (const std::string& written : mTruth.genes[static_cast<std::size_t>(g)].terms[column])
      names.insert(TableName(column, written));
    return names;
  }
  // The Name read: an empty name takes the description.
  std::string GeneName(int g) const {
    const synth::GeneRecord& gene = mTruth.genes[static_cast<std::size_t>(g)];
    return gene.name.empty() ? gene.description : gene.name;
  }
  double PValue(std::size_t column, const TermBlock& block) const {
    return TermEnrichmentPValue(TermTables[column], TermTables[column].FindName(block.term),
                                block.k, block.n);
  }

  synth::GeneInfoTruth mTruth;
  synth::PlantedList mList;
  std::map<int, std::string> mListed;  // listed gene -> its line
  std::string mListPath = mFolder.File("list.txt");
};

TEST_F(PlantedEnrichment, ClassificationMatchesTheTruthAndR) {
  CapturedLog log;
  ASSERT_TRUE(RConnection().StartR(false)) << "R is installed with the project's packages";
  const std::string out = mFolder.File("classified.xls");
  ASSERT_TRUE(ClassifyGenesByTerms(mListPath, out, false));
  std::string header;
  const std::vector<ColumnBlocks> file = ReadClassification(out, header);
  EXPECT_EQ(header, mList.header);
  ASSERT_EQ(file.size(), 4u);

  std::vector<const TermBlock*> blocks;
  std::vector<double> ns, ms, alls, ks;
  std::set<std::string> planted;
  for (std::size_t c = 0; c < 4; ++c) {
    // Per term of the truth: listed genes carrying it with their lines, all carrying it.
    std::map<std::string, TermBlock> truth;
    int k = 0, all = 0;
    for (int g = 0; g < kGenes; ++g) {
      const std::set<std::string> terms = Terms(g, c);
      const auto listed = mListed.find(g);
      all += terms.empty() ? 0 : 1;
      k += terms.empty() || listed == mListed.end() ? 0 : 1;
      for (const std::string& term : terms) {
        ++truth[term].m;
        if (listed == mListed.end()) continue;
        ++truth[term].n;
        truth[term].genes.push_back(listed->second);
      }
    }
    for (const std::string& term : mList.plantedTerms[c]) planted.insert(TableName(c, term));
    std::vector<std::string> expected;  // the terms of listed genes, in table order
    for (int t = 0; t < TermTables[c].Count(); ++t)
      if (truth[TermTables[c].Name(t)].n > 0) expected.push_back(TermTables[c].Name(t));
    ASSERT_EQ(file[c].terms.size(), expected.size()) << c;
    EXPECT_EQ(file[c].pairs, static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const TermBlock& block = file[c].terms[i];
      const TermBlock& want = truth[expected[i]];
      SCOPED_TRACE(expected[i]);
      EXPECT_EQ(block.term, expected[i]);
      EXPECT_EQ(block.column, GeneInfo.columnNames[c]);
      EXPECT_EQ(std::vector<int>({block.n, block.k, block.m, block.all}),
                std::vector<int>({want.n, k, want.m, all}));
      EXPECT_EQ(block.genes, want.genes);  // in unit order, whatever the list's order
      blocks.push_back(&block);
      ns.push_back(want.n), ms.push_back(want.m), alls.push_back(all), ks.push_back(k);
    }
  }

  RLink& r = RConnection();
  ASSERT_TRUE(r.SetVector("n", ns) && r.SetVector("m", ms) && r.SetVector("N", alls) &&
              r.SetVector("k", ks));
  ASSERT_TRUE(r.ExecuteCommand(
      "n <- as.vector(n); m <- as.vector(m); N <- as.vector(N); k <- as.vector(k); "
      "out <- cbind(phyper(n - 1, m, N - m, k, lower.tail = FALSE), sapply(seq_along(n), "
      "function(i) fisher.test(matrix(c(n[i], k[i] - n[i], m[i] - n[i], N[i] - m[i] - k[i] + "
      "n[i]), 2), alternative = 'greater')$p.value))"));
  RMatrix rp(static_cast<int>(blocks.size()), 2);
  ASSERT_TRUE(r.GetMatrix("out", rp));
  int plantedSeen = 0, starred = 0;
  for (std::size_t i = 0, c = 0, inColumn = 0; i < blocks.size(); ++i, ++inColumn) {
    while (inColumn == file[c].terms.size()) ++c, inColumn = 0;
    const TermBlock& block = *blocks[i];
    const double hyper = rp.At(static_cast<int>(i), 0);
    SCOPED_TRACE(block.term);
    EXPECT_NEAR(PValue(c, block), hyper, 1e-12 + 1e-9 * hyper);
    EXPECT_NEAR(PValue(c, block), rp.At(static_cast<int>(i), 1), 1e-12 + 1e-6 * hyper);
    EXPECT_NEAR(block.p, hyper, 5.1e-7);
    // One star below 0.05, one more per factor of ten below one (decades themselves aside).
    const double decades = -std::log10(std::max(hyper, kSmallestStarredPValue));
    const auto stars =
        static_cast<std::size_t>(hyper < 0.05 ? std::max(1.0, std::ceil(decades)) : 0);
    if (std::fabs(decades - std::round(decades)) > 1e-6) {
      EXPECT_EQ(block.stars.size(), stars);
    }
    starred += block.stars.empty() ? 0 : 1;
    if (planted.count(block.term) == 0) continue;
    ++plantedSeen;
    EXPECT_LT(hyper, 1e-6) << "a planted term is enriched";
  }
  EXPECT_EQ(plantedSeen, static_cast<int>(planted.size()));
  EXPECT_GT(starred, plantedSeen) << "chance terms below the threshold are starred too";
  EXPECT_EQ(EnrichmentStars(0.0005, 0.05), "****");
  EXPECT_EQ(EnrichmentStars(0.05, 0.05), "");

  // Only significant: the threshold set to one term's own p-value, the smallest above the
  // solo term's, keeps out that term and the solo term (one listed gene) alike.
  double soloP = 0;
  double threshold = 1;
  for (std::size_t c = 0; c < 4; ++c)
    for (const TermBlock& block : file[c].terms)
      if (block.term == kSoloTerm) soloP = PValue(c, block);
  for (std::size_t c = 0; c < 4; ++c)
    for (const TermBlock& block : file[c].terms)
      if (block.n > 1 && PValue(c, block) > soloP)
        threshold = std::min(threshold, PValue(c, block));
  ASSERT_GT(soloP, 0);
  ASSERT_LT(threshold, 1);
  TheGroup().Settings().SIG_GENE_PVALUE = threshold;
  ASSERT_TRUE(ClassifyGenesByTerms(mListPath, out, true));
  const std::vector<ColumnBlocks> kept = ReadClassification(out, header);
  ASSERT_EQ(kept.size(), 4u);
  for (std::size_t c = 0; c < 4; ++c) {
    std::vector<std::string> expected, got;
    for (const TermBlock& block : file[c].terms)
      if (block.n > 1 && PValue(c, block) < threshold) expected.push_back(block.term);
    for (const TermBlock& block : kept[c].terms) got.push_back(block.term);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(kept[c].pairs, file[c].pairs) << "every term is still assessed";
  }
}

TEST_F(PlantedEnrichment, GeneListsByTermsAndByKeywordsHoldWhatTheTruthGives) {
  CapturedLog log;
  RecordedOutputFiles outputs;
  ScriptedPrompt prompt;
  const std::string out = mFolder.File("list out.txt");
  // Per column: no term, the terms of one listed gene (one to three), a few terms of all.
  for (std::size_t c = 0; c < 4; ++c) {
    std::vector<std::set<std::string>> selections = {{}};
    for (int s = 0; s < 6; ++s) {
      std::set<std::string> terms = Terms(mList.genes[static_cast<std::size_t>(s)], c);
      while (terms.size() > static_cast<std::size_t>(s % 3 + 1)) terms.erase(terms.begin());
      if (s >= 3) terms.insert(TermTables[c].Name(s * 7 % TermTables[c].Count()));
      selections.push_back(terms);
    }
    for (const std::set<std::string>& selection : selections)
      for (const bool intersection : {false, true}) {
        std::vector<int> indices;
        for (const std::string& name : selection) indices.push_back(TermTables[c].FindName(name));
        std::vector<std::string> expected;
        for (int g = 0; g < kGenes; ++g) {
          const std::set<std::string> terms = Terms(g, c);
          const auto carried = [&](const std::string& term) { return terms.count(term) > 0; };
          if (intersection ? std::all_of(selection.begin(), selection.end(), carried)
                           : std::any_of(selection.begin(), selection.end(), carried))
            expected.push_back("PS" + std::to_string(g) + "\t" + GeneName(g));
        }
        ASSERT_TRUE(OutputGeneListByTerms(out, indices, static_cast<int>(c), intersection));
        EXPECT_EQ(FileLines(out), expected) << c << " " << selection.size() << intersection;
        EXPECT_TRUE(log.Contains(
            MessageBuffer(kGeneListByTermsSaved, static_cast<int>(expected.size()), out.c_str()),
            kLogBlue));
      }
  }
  EXPECT_EQ(outputs.files.size(), 4u * 7 * 2);
  const std::string nowhere = mFolder.File("missing/list.txt");
  EXPECT_FALSE(OutputGeneListByTerms(nowhere, {}, 0, true));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kGeneListByTermsFailed, nowhere.c_str())));

  // Keywords in either case: plain words against the truth's texts, wildcards against
  // GeneMatchesKeyword; the gene's Name or its Description after the probe set.
  int matched = 0;
  for (const std::string keyword :
       {"gene12", "Synthetic Gene 20", "no such words", "gene1?5", "GENE2*X", "gene[1-3]0"})
    for (const std::string& asked : {keyword, UpperCase(keyword)})
      for (const int useName : {0, 1}) {
        TheGroup().Settings().LOCUS_LINK_NAME = useName;
        const bool plain = keyword.find_first_of("?*[") == std::string::npos;
        std::vector<std::string> expected;
        for (int g = 0; g < kGenes; ++g) {
          const std::string& description = mTruth.genes[static_cast<std::size_t>(g)].description;
          if (plain ? Contains(UpperCase(GeneName(g)), UpperCase(asked)) ||
                          Contains(UpperCase(description), UpperCase(asked))
                    : GeneMatchesKeyword(g, UpperCase(asked)))
            expected.push_back("PS" + std::to_string(g) + "\t" +
                               (useName != 0 ? GeneName(g) : description));
        }
        matched += expected.empty() ? 0 : 1;
        prompt.prompts.clear();
        ExportGeneListByKeywords(out, asked);
        EXPECT_EQ(FileLines(out), expected) << asked;
        ASSERT_EQ(prompt.prompts.size(), 1u);
        EXPECT_EQ(prompt.prompts[0].caption, kExportGeneListCaption);
        EXPECT_EQ(prompt.prompts[0].text,
                  MessageBuffer(kKeywordGenesExported, static_cast<int>(expected.size()),
                                UpperCase(asked).c_str(), out.c_str()));
      }
  EXPECT_EQ(matched, 5 * 2 * 2);
  prompt.prompts.clear();
  ExportGeneListByKeywords(nowhere, "gene");
  ClearGeneInfo();
  ExportGeneListByKeywords(out, "gene");
  ASSERT_EQ(prompt.prompts.size(), 2u);
  EXPECT_EQ(prompt.prompts[0].text, platform::WithSystemReason(kFileWritingErrorMessage, ENOENT));
  EXPECT_EQ(prompt.prompts[1].text, kNoGeneInfoAvailableMessage);
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

// More listed genes with one term than 16 bits count; a list without a header; the list
// and the output file failing.
TEST_F(GeneInfoFixture, ClassificationCountsPastSixteenBitsAndReportsFailures) {
  constexpr int kUnits = 33000;
  UseProbeSets(Names("P", kUnits));
  std::string info = GeneInfoHeader({"Pathway"});
  std::string list;
  for (int u = 0; u < kUnits; ++u) {
    info += "P" + std::to_string(u) + "\t\t\tG\t" + (u % 2 == 0 ? "|common|even|" : "common") +
            "\tdescription\n";
    list += "P" + std::to_string(u) + "\tline " + std::to_string(u) + "\n";
  }
  TheGroup().Settings().MASK_REDUNDANT = 0;
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(WriteFile("genes.txt", info), true));
  const std::string listPath = WriteFile("list.txt", list);
  const std::string out = mFolder.File("out.xls");
  ASSERT_TRUE(ClassifyGenesByTerms(listPath, out, false));
  const std::vector<std::string> lines = FileLines(out);
  ASSERT_GT(lines.size(), 4u + kUnits);
  EXPECT_EQ(lines[0], kNoHeaderLineText);
  EXPECT_EQ(lines[2],
            "Found 33000 Pathway \"common\" genes in a list with 33000 annotated genes "
            "(all: 33000/33000, PValue: 1.000000) ");
  EXPECT_EQ(lines[3], "P0\tline 0");
  EXPECT_EQ(lines[4 + kUnits],
            "Found 16500 Pathway \"even\" genes in a list with 33000 annotated "
            "genes (all: 16500/33000, PValue: 1.000000) ");

  const std::string missing = mFolder.File("no list.txt");
  const std::string nowhere = mFolder.File("missing/out.xls");
  EXPECT_FALSE(ClassifyGenesByTerms(missing, out, false));
  EXPECT_FALSE(ClassifyGenesByTerms(listPath, nowhere, false));
  EXPECT_TRUE(log.ContainsRed(std::string(kReadingGeneListFailedMessage) + missing +
                              kReadingGeneListFailedTail));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kClassifyWriteFailedMessage, nowhere.c_str())));
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

}  // namespace
