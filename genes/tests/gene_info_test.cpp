// Reading gene information files: every column of a generated file against its truth,
// term fields with and without bars, missing fields, line ends and over-long lines, the
// header checks, the limits on columns, terms and index files, counting rules, top-up
// reads, stops and the term colours.
#include "genes/info/gene_info.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "engine/base/colour.hpp"
#include "engine/jobs/export_gene_columns.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "tools/synth/gene_info_model.hpp"

namespace {

class GeneInfoFile : public GeneInfoFixture {};

std::set<std::string> AsSet(const std::vector<std::string>& items) {
  return {items.begin(), items.end()};
}

class GeneratedGeneInfo : public GeneInfoFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(GeneratedGeneInfo, EveryFieldAndTermMatchesTheTruth) {
  const std::vector<std::string> probeSets = Names("PS", 300);
  UseProbeSets(probeSets);
  synth::GeneInfoOptions options;
  options.seed = 11;
  options.vocabulary = 40;
  options.indexBacked = {false, true, false, true};
  options.crlf = GetParam();
  // The file lists the probe sets in reverse order; the genes still land on their units.
  std::vector<std::string> fileOrder(probeSets.rbegin(), probeSets.rend());
  const synth::GeneInfoTruth truth = synth::MakeGeneInfo(fileOrder, options);
  const std::string path = mFolder.File("genes.txt");
  ASSERT_TRUE(synth::WriteGeneInfo(truth, path));

  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_TRUE(log.Contains("    Read gene information for 300 genes", kLogBlack));
  ASSERT_EQ(GeneInfo.numColumns, 4);
  EXPECT_EQ(GeneInfo.columnNames[0], "GeneOntology");
  EXPECT_EQ(GeneInfo.columnNames[1], "ProteinDomain");
  EXPECT_EQ(GeneInfo.columnNames[2], "Pathway");
  EXPECT_EQ(GeneInfo.columnNames[3], "Cytoband");
  EXPECT_EQ(ColumnIcon[0], kIconTerm);
  EXPECT_EQ(ColumnIcon[1], kIconDomain);
  EXPECT_EQ(ColumnIcon[2], kIconPathway);
  EXPECT_EQ(ColumnIcon[3], kIconChromosome);
  EXPECT_FALSE(TermTables[0].numericIds);
  EXPECT_TRUE(TermTables[1].numericIds);

  // Term names of index-backed columns by number.
  std::vector<std::map<std::string, std::string>> indexNames(4);
  for (std::size_t c = 0; c < 4; ++c)
    for (const synth::IndexTerm& term : truth.indexTerms[c])
      indexNames[c][std::to_string(term.number)] = term.name;

  std::vector<std::map<std::string, int>> carriers(4);
  std::vector<int> annotated(4, 0);
  for (const synth::GeneRecord& record : truth.genes) {
    const int unit = std::stoi(record.probeSet.substr(2));
    const GENE_INFO& gene = Gene(unit);
    EXPECT_EQ(gene.Identifier, record.identifier) << record.probeSet;
    EXPECT_EQ(gene.LocusLink, record.locusLink) << record.probeSet;
    EXPECT_EQ(gene.Name, record.name.empty() ? record.description : record.name) << record.probeSet;
    EXPECT_EQ(gene.Description, record.description) << record.probeSet;
    for (std::size_t c = 0; c < 4; ++c) {
      std::vector<std::string> expected;
      for (const std::string& term : record.terms[c])
        expected.push_back(indexNames[c].empty() ? term : indexNames[c].at(term));
      for (const std::string& name : expected) ++carriers[c][name];
      if (!expected.empty()) ++annotated[c];
      EXPECT_EQ(AsSet(TermNames(unit, static_cast<int>(c))), AsSet(expected))
          << record.probeSet << " column " << c;
      const std::span<const std::int16_t> indices = GeneInfo.TermIndices(gene, static_cast<int>(c));
      EXPECT_TRUE(std::is_sorted(indices.begin(), indices.end()));
    }
  }
  for (std::size_t c = 0; c < 4; ++c) {
    const TERM_TABLE& table = TermTables[c];
    EXPECT_EQ(table.numAnnotated, annotated[c]) << "column " << c;
    const int expectedCount =
        table.numericIds ? options.vocabulary : static_cast<int>(carriers[c].size());
    EXPECT_EQ(table.Count(), expectedCount) << "column " << c;
    for (int t = 0; t < table.Count(); ++t) {
      const auto found = carriers[c].find(table.Name(t));
      EXPECT_EQ(table.GeneCount(t), found == carriers[c].end() ? 0 : found->second)
          << table.Name(t);
      EXPECT_EQ(table.Colour(t), TermColor(static_cast<std::uint32_t>(t)));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(LineEnds, GeneratedGeneInfo, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Crlf" : "Lf"; });

TEST_F(GeneInfoFile, ReadsBarListsSingleTermsAndMissingFields) {
  UseProbeSets(Names("PS", 5));
  const std::string path =
      WriteFile("genes.txt", GeneInfoHeader({"Function", "Process"}) +
                                 "PS0\tNM_1\t100\tAlpha\t|a|b|c|\tx\tFirst \"quoted\" gene\n"
                                 "ps1\tNM_2\t200\t\ta|b|c\t|x|\tSecond\n"
                                 "PS2\tNM_3\n"
                                 "Unknown\tNM_9\t900\tNone\t|a|\t|x|\tNot on the chip\n"
                                 "PS3\t\t\tDelta\tb\t\tFourth\n"
                                 "\n"
                                 "PS4\tNM_5\t500\tAfter the end\t|a|\t\tUnread\n");
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.Contains("    Read gene information for 4 genes", kLogBlack));

  EXPECT_EQ(Gene(0).Identifier, "NM_1");
  EXPECT_EQ(Gene(0).LocusLink, "100");
  EXPECT_EQ(Gene(0).Name, "Alpha");
  EXPECT_EQ(Gene(0).Description, "First  quoted  gene");
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(TermNames(0, 1), (std::vector<std::string>{"x"}));
  // Probe-set names match in any case; an empty name takes the description; text
  // outside the outer bars is ignored; one term with or without bars is the same term.
  EXPECT_EQ(Gene(1).Name, "Second");
  EXPECT_EQ(TermNames(1, 0), (std::vector<std::string>{"b"}));
  EXPECT_EQ(TermNames(1, 1), TermNames(0, 1));
  EXPECT_EQ(TermTables[1].Count(), 1);
  EXPECT_EQ(Gene(2).Identifier, "NM_3");
  EXPECT_EQ(Gene(2).Name, "");
  EXPECT_EQ(Gene(2).TermCount(0), 0);
  EXPECT_EQ(TermNames(3, 0), (std::vector<std::string>{"b"}));
  EXPECT_EQ(Gene(3).TermCount(1), 0);
  // The empty line ends the data.
  EXPECT_EQ(Gene(4).Identifier, "");

  ASSERT_EQ(TermTables[0].Count(), 3);
  EXPECT_EQ(TermTables[0].GeneCount(0), 1);
  EXPECT_EQ(TermTables[0].GeneCount(1), 3);
  EXPECT_EQ(TermTables[0].GeneCount(2), 1);
  EXPECT_EQ(TermTables[0].numAnnotated, 3);
  ASSERT_EQ(TermTables[1].Count(), 1);
  EXPECT_EQ(TermTables[1].GeneCount(0), 2);
  EXPECT_EQ(TermTables[1].numAnnotated, 2);
  EXPECT_TRUE(log.Contains("      Found 3 Function terms", kLogBlack));

  // Expression exports take the gene columns from the loaded genes, and none once they
  // are gone.
  ASSERT_TRUE(ExportGeneInfo());
  const ExportGeneColumns first = ExportGeneInfo()(0);
  EXPECT_EQ(first.gene, "Alpha");
  EXPECT_EQ(first.accession, "NM_1");
  EXPECT_EQ(first.locusLink, "100");
  EXPECT_EQ(first.description, "First  quoted  gene");
  ClearGeneInformation();
  EXPECT_FALSE(ExportGeneInfo());
}

TEST_F(GeneInfoFile, RefusesHeadersWithoutIdentifierNameOrDescription) {
  UseProbeSets(Names("PS", 2));
  const std::string good = WriteFile("good.txt", GeneInfoHeader({}) + "PS0\tNM_1\t1\tA\tdesc\n");
  for (const std::string header : {"Probe Set Name\tAccession\tLocusLink\tName\tDescription",
                                   "Probe Set Name\tIdentifier\tLocusLink\tGene\tDescription",
                                   "Probe Set Name\tIdentifier\tLocusLink\tName\tTerms\tNotes"}) {
    ASSERT_TRUE(ReadGeneInfoFile(good, true));
    const std::string path = WriteFile("bad.txt", header + "\nPS0\tNM_1\t1\tA\tdesc\n");
    CapturedLog log;
    EXPECT_FALSE(ReadGeneInfoFile(path, true)) << header;
    EXPECT_TRUE(log.ContainsRed(kNotGeneInfoFileMessage)) << header;
    EXPECT_TRUE(log.Contains("    Header line: " + header, kLogBlack)) << header;
    EXPECT_FALSE(GeneInfo.Loaded()) << header;
  }
}

TEST_F(GeneInfoFile, TakesFourTermColumnsButNotFive) {
  UseProbeSets(Names("PS", 1));
  const std::string four =
      WriteFile("four.txt", GeneInfoHeader({"Chromosome", "Pathway", "ProteinDomain", "Misc"}) +
                                "PS0\tNM_1\t1\tA\t1\tp\td\tm\tdesc\n");
  ASSERT_TRUE(ReadGeneInfoFile(four, true));
  EXPECT_EQ(GeneInfo.numColumns, 4);
  EXPECT_EQ(ColumnIcon,
            (std::array<int, 4>{kIconChromosome, kIconPathway, kIconDomain, kIconTerm}));
  EXPECT_EQ(TermNames(0, 3), (std::vector<std::string>{"m"}));

  const std::string five = WriteFile("five.txt", GeneInfoHeader({"C1", "C2", "C3", "C4", "C5"}) +
                                                     "PS0\tNM_1\t1\tA\t1\t2\t3\t4\t5\tdesc\n");
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(five, true));
  EXPECT_TRUE(log.ContainsRed(kTooManyTermColumnsMessage));
  EXPECT_FALSE(GeneInfo.Loaded());
}

TEST_F(GeneInfoFile, CutsOverLongLinesAndReadsTheNextLine) {
  UseProbeSets(Names("PS", 2));
  const std::string start = "PS0\tNM_1\t1\tLong\t|a|b|\t";
  const std::string line = start + std::string(25000, 'd');
  // The last line has no line end.
  const std::string path = WriteFile(
      "genes.txt", GeneInfoHeader({"Terms"}) + line + "\r\nPS1\tNM_2\t2\tShort\t|c|\t\"end\"");
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.ContainsRed("Line 2 of '" + path + "' is longer than 20000 characters"));
  EXPECT_EQ(Gene(0).Description.size(), kGeneInfoLineLength - start.size());
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Gene(1).Name, "Short");
  EXPECT_EQ(Gene(1).Description, " end ");
  EXPECT_TRUE(log.Contains("    Read gene information for 2 genes", kLogBlack));
}

std::string ManyTerms(int first, int count) {
  std::string field = "|";
  for (int t = first; t < first + count; ++t) field += "t" + std::to_string(t) + "|";
  return field;
}

TEST_F(GeneInfoFile, TakesThreeHundredTermsPerGeneButNotMore) {
  UseProbeSets(Names("PS", 2));
  const std::string fits = WriteFile(
      "fits.txt", GeneInfoHeader({"Terms"}) + "PS0\tNM_1\t1\tA\t" + ManyTerms(0, 300) + "\tdesc\n");
  ASSERT_TRUE(ReadGeneInfoFile(fits, true));
  EXPECT_EQ(Gene(0).TermCount(0), kMaxTermsPerGene);

  const std::string over = WriteFile("over.txt", GeneInfoHeader({"Terms"}) +
                                                     "PS0\tNM_1\t1\tA\t|t1|\tdesc\n"
                                                     "PS1\tNM_2\t2\tB\t" +
                                                     ManyTerms(0, 301) + "\tdesc\n");
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(over, true));
  EXPECT_TRUE(log.ContainsRed(kTooManyGeneTermsMessage));
  EXPECT_TRUE(log.ContainsRed("    Error at probe set 'PS1'"));
  EXPECT_FALSE(GeneInfo.Loaded());
}

// The log's lines from the first that contains first on, as the reader left them (a line
// that replaces the last one takes its place).
std::vector<std::string> LinesFrom(const CapturedLog& log, std::string_view first) {
  std::vector<std::string> lines;
  for (const CapturedLine& line : log.Lines()) {
    if (lines.empty() && line.text.find(first) == std::string::npos) continue;
    if (line.replaceLastLine && !lines.empty()) lines.pop_back();
    lines.push_back(line.text);
  }
  return lines;
}

TEST_F(GeneInfoFile, ColumnsAreAnalysedInTurnAndTheFirstFailingColumnIsReported) {
  UseProbeSets(Names("PS", 6));
  // Column Late fails at PS1, column Early only at PS4: Early is analysed first, over
  // every gene, so its failure is the one reported.
  std::string text = GeneInfoHeader({"Early", "Late"});
  for (int g = 0; g < 6; ++g)
    text += "PS" + std::to_string(g) + "\tNM\t1\tG\t" + (g == 4 ? ManyTerms(0, 301) : "|e|") +
            "\t" + (g == 1 ? ManyTerms(0, 301) : "|l|") + "\tdesc\n";
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(WriteFile("early.txt", text), true));
  EXPECT_EQ(LinesFrom(log, "      Early..."),
            (std::vector<std::string>{"      Early...", kTooManyGeneTermsMessage,
                                      "    Error at probe set 'PS4'"}));

  // With Early whole, Late is reported after Early's count.
  std::string lateOnly = GeneInfoHeader({"Early", "Late"});
  for (int g = 0; g < 6; ++g)
    lateOnly += "PS" + std::to_string(g) + "\tNM\t1\tG\t|e" + std::to_string(g % 2) + "|\t" +
                (g == 1 ? ManyTerms(0, 301) : "|l|") + "\tdesc\n";
  log.Clear();
  EXPECT_FALSE(ReadGeneInfoFile(WriteFile("late.txt", lateOnly), true));
  EXPECT_EQ(LinesFrom(log, "      Early..."),
            (std::vector<std::string>{"      Found 2 Early terms", "      Late...",
                                      kTooManyGeneTermsMessage, "    Error at probe set 'PS1'"}));
  EXPECT_FALSE(GeneInfo.Loaded());
}

TEST_F(GeneInfoFile, NeighbouringBarsEncloseTheEmptyTerm) {
  UseProbeSets(Names("PS", 3));
  const std::string path = WriteFile("genes.txt", GeneInfoHeader({"Terms", "Numbers.txt"}) +
                                                      "PS0\tNM_1\t1\tA\t|a||b|\t|10||20|\tdesc\n"
                                                      "PS1\tNM_2\t2\tB\t||\t|20|\tdesc\n"
                                                      "PS2\tNM_3\t3\tC\t|b|\t||\tdesc\n");
  WriteFile("Numbers.txt", "10\tten\n20\ttwenty\n");
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  ASSERT_EQ(TermTables[0].Count(), 3);
  EXPECT_EQ(TermTables[0].Name(1), "");
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(TermNames(1, 0), (std::vector<std::string>{""}));
  EXPECT_EQ(TermTables[0].GeneCount(1), 2);
  // In a column of numbers the empty term is number 0, which this index lacks.
  EXPECT_EQ(TermNames(0, 1), (std::vector<std::string>{"ten", "twenty"}));
  EXPECT_EQ(Gene(2).TermCount(1), 0);
  EXPECT_TRUE(log.ContainsRed("      Warning: 2 Numbers terms are not in the annotation index"));
}

// Short fields are scanned in one pass, longer ones block by block, and a field near the
// end of the file without the bytes behind it: every length reads the same terms.
TEST_F(GeneInfoFile, FieldsOfEveryLengthSplitAtTheirBars) {
  constexpr int kLongest = 140;
  UseProbeSets(Names("PS", kLongest + 1));
  std::string text = GeneInfoHeader({"Terms", "Numbers.txt"});
  std::vector<std::vector<std::string>> expected(kLongest + 1);
  std::vector<std::vector<std::string>> expectedNumbers(kLongest + 1);
  for (int length = kLongest; length >= 1; --length) {
    // Two terms "|aa..|bb..|" from length 4 on, one term "|a|" or "a" below.
    std::string field;
    if (length >= 4) {
      const int first = (length - 3) / 3 + 1;
      const std::string a(static_cast<std::size_t>(first), 'a');
      const std::string b(static_cast<std::size_t>(length - 3 - first), 'b');
      field = "|" + a + "|" + b + "|";
      expected[static_cast<std::size_t>(length)] = {a, b};
    } else {
      const std::string a(static_cast<std::size_t>(length == 3 ? 1 : length), 'a');
      field = length == 3 ? "|" + a + "|" : a;
      expected[static_cast<std::size_t>(length)] = {a};
    }
    // The numbers in and out of order, in fields of growing length.
    std::string numbers = "|";
    for (int n = 0; n < length % 20; ++n) {
      numbers += std::to_string((n * 7) % 5 + 1) + "|";
      expectedNumbers[static_cast<std::size_t>(length)].push_back("term" +
                                                                  std::to_string((n * 7) % 5 + 1));
    }
    text += "PS" + std::to_string(length) + "\tNM\t1\tG\t" + field + "\t" + numbers + "\td";
    // The last line has no end, so its fields lie close to the end of the file.
    if (length > 1) text += "\n";
  }
  WriteFile("Numbers.txt", "1\tterm1\n2\tterm2\n3\tterm3\n4\tterm4\n5\tterm5\n");
  const std::string path = WriteFile("genes.txt", text);
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  for (int length = 1; length <= kLongest; ++length) {
    EXPECT_EQ(AsSet(TermNames(length, 0)), AsSet(expected[static_cast<std::size_t>(length)]))
        << "length " << length;
    std::vector<std::string> numbers = TermNames(length, 1);
    std::vector<std::string> wanted = expectedNumbers[static_cast<std::size_t>(length)];
    std::sort(numbers.begin(), numbers.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(numbers, wanted) << "length " << length;
    const std::span<const std::int16_t> indices = GeneInfo.TermIndices(length, 1);
    EXPECT_TRUE(std::is_sorted(indices.begin(), indices.end())) << "length " << length;
  }
}

TEST_F(GeneInfoFile, RefusesTheTermOverTheTableLimit) {
  UseProbeSets(Names("PS", 5));
  std::string text = GeneInfoHeader({"Terms"});
  // 1300 distinct terms over the first genes, then one more.
  for (int g = 0; g < 4; ++g)
    text += "PS" + std::to_string(g) + "\tNM\t1\tG\t" + ManyTerms(g * 300, 300) + "\tdesc\n";
  text += "PS4\tNM\t1\tG\t" + ManyTerms(1200, 101) + "\tdesc\n";
  const std::string path = WriteFile("genes.txt", text);
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.ContainsRed(kTooManyTermsMessage));
  EXPECT_TRUE(log.ContainsRed(kGetFunctionErrorMessage));
  EXPECT_TRUE(log.ContainsRed("    Error at probe set 'PS4'"));
  EXPECT_EQ(TermTables[0].Count(), kMaxTerms);
}

std::string IndexFile(int terms) {
  std::string text;
  for (int t = 1; t <= terms; ++t)
    text += std::to_string(t * 10) + "\tterm " + std::to_string(t) + "\n";
  return text;
}

TEST_F(GeneInfoFile, ReadsIndexFilesUpToTheTermLimit) {
  UseProbeSets(Names("PS", 1));
  const std::string path = WriteFile(
      "genes.txt", GeneInfoHeader({"GeneOntology.txt"}) + "PS0\tNM_1\t1\tA\t|10|13000|\tdesc\n");
  WriteFile("GeneOntology.txt", IndexFile(1300));
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.Contains(
      "    Read in the annotation index file '" + mFolder.File("GeneOntology.txt") + "'...",
      kLogBlack));
  EXPECT_EQ(GeneInfo.columnNames[0], "GeneOntology");
  EXPECT_EQ(TermTables[0].Count(), 1300);
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"term 1", "term 1300"}));
  EXPECT_EQ(TermTables[0].NumericId(1299), 13000);

  WriteFile("GeneOntology.txt", IndexFile(1301));
  log.Clear();
  EXPECT_FALSE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.ContainsRed("      Error: number of annotational terms exceeds 1300"));
  EXPECT_FALSE(GeneInfo.Loaded());
}

TEST_F(GeneInfoFile, FindsSpreadsheetIndexFilesBesideTheGeneInformationFile) {
  UseProbeSets(Names("PS", 1));
  const std::string path =
      WriteFile("chip genes.txt", GeneInfoHeader({"Domain.xls"}) + "PS0\tNM_1\t1\tA\t|7|\tdesc\n");
  // The first line of a spreadsheet index is a header, even one that reads as a term.
  WriteFile("chip genes Domain.xls", "7\tnot a term\n5\tfive\n7\tseven\n");
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_EQ(GeneInfo.columnNames[0], "Domain");
  EXPECT_EQ(TermTables[0].Count(), 2);
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"seven"}));
}

TEST_F(GeneInfoFile, RefusesMissingIndexFilesAndReadsDisorderedOnes) {
  UseProbeSets(Names("PS", 1));
  const std::string path =
      WriteFile("genes.txt", GeneInfoHeader({"Terms.txt"}) + "PS0\tNM_1\t1\tA\t|10|\tdesc\n");
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.ContainsRed("    Cannot find the annotation index file '" +
                              mFolder.File("Terms.txt") +
                              "', please go to the Zelko website to download it"
                              " (No such file or directory)\n"));
  EXPECT_FALSE(GeneInfo.Loaded());

  // Numbers out of order are still found.
  WriteFile("Terms.txt", "30\tthirty\n10\tten\n20\ttwenty\n");
  log.Clear();
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
  EXPECT_EQ(TermTables[0].Count(), 3);
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"ten"}));
}

TEST_F(GeneInfoFile, SkipsNumbersTheIndexDoesNotKnow) {
  UseProbeSets(Names("PS", 2));
  const std::string path = WriteFile("genes.txt", GeneInfoHeader({"Terms.txt"}) +
                                                      "PS0\tNM_1\t1\tA\t|20|25|30|\tdesc\n"
                                                      "PS1\tNM_2\t2\tB\t|30|\tdesc\n");
  WriteFile("Terms.txt", "10\tten\n20\ttwenty\n30\tthirty\n");
  CapturedLog log;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.ContainsRed("      Warning: 1 Terms terms are not in the annotation index"));
  EXPECT_TRUE(log.ContainsRed("'25'"));
  // Nothing was appended: the table holds the index file's terms alone.
  EXPECT_EQ(TermTables[0].Count(), 3);
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"twenty", "thirty"}));
  EXPECT_EQ(TermNames(1, 0), (std::vector<std::string>{"thirty"}));
  EXPECT_EQ(TermTables[0].GeneCount(2), 2);
}

TEST_F(GeneInfoFile, ControlProbeSetsKeepTermsButAreNotCountedWhenOmitted) {
  UseProbeSets({"KORX_control", "PS1"});
  const std::string path = WriteFile("genes.txt", GeneInfoHeader({"Terms"}) +
                                                      "KORX_control\tNM_1\t1\tA\t|a|\tdesc\n"
                                                      "PS1\tNM_2\t2\tB\t|a|\tdesc\n");
  TheGroup().Settings().OMIT_VOSK = 0;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_EQ(TermTables[0].GeneCount(0), 2);
  EXPECT_EQ(TermTables[0].numAnnotated, 2);

  TheGroup().Settings().OMIT_VOSK = 1;
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"a"}));
  EXPECT_EQ(TermTables[0].GeneCount(0), 1);
  EXPECT_EQ(TermTables[0].numAnnotated, 1);
}

TEST_F(GeneInfoFile, RedundantProbeSetsAreMaskedAndNotCounted) {
  UseProbeSets(Names("PS", 3));
  TheGroup().Settings().MASK_REDUNDANT = 1;
  const std::string path = WriteFile("genes.txt", GeneInfoHeader({"Terms"}) +
                                                      "PS0\tNM_1\t1234\tA\t|a|\tdesc\n"
                                                      "PS1\tNM_2\t1234\tB\t|a|\tdesc\n"
                                                      "PS2\tNM_3\t99\tC\t|a|\tdesc\n");
  ASSERT_TRUE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(GeneList.Listed(0));
  EXPECT_FALSE(GeneList.Listed(1));
  EXPECT_TRUE(GeneList.Listed(2));
  EXPECT_EQ(GeneList.NumInteresting, 2);
  EXPECT_EQ(TermTables[0].GeneCount(0), 2);
  EXPECT_EQ(TermNames(1, 0), (std::vector<std::string>{"a"}));
}

TEST_F(GeneInfoFile, ALoneEmptyTermColumnIsDropped) {
  UseProbeSets(Names("PS", 1));
  const std::string one =
      WriteFile("one.txt", GeneInfoHeader({"Terms"}) + "PS0\tNM_1\t1\tA\t\tdesc\n");
  ASSERT_TRUE(ReadGeneInfoFile(one, true));
  EXPECT_EQ(GeneInfo.numColumns, 0);
  const std::string two =
      WriteFile("two.txt", GeneInfoHeader({"Terms", "More"}) + "PS0\tNM_1\t1\tA\t\t\tdesc\n");
  ASSERT_TRUE(ReadGeneInfoFile(two, true));
  EXPECT_EQ(GeneInfo.numColumns, 2);
}

TEST_F(GeneInfoFile, TopUpKeepsLoadedFieldsAndCountsEveryGeneOnce) {
  UseProbeSets(Names("PS", 3));
  const std::string first = WriteFile("first.txt", GeneInfoHeader({"Terms"}) +
                                                       "PS0\tNM_1\t100\tAlpha\t|a|b|\tfirst\n"
                                                       "PS1\tNM_2\t200\tBeta\t\tsecond\n");
  const std::string second =
      WriteFile("second.txt", GeneInfoHeader({"Terms"}) +
                                  "PS0\t\t\tAlphaNew\t\t\n"
                                  "PS1\tNM_22\t\t\t|b|c|\tsecond, updated\n");
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(second, false));
  EXPECT_TRUE(log.ContainsRed(kNothingToMergeMessage));

  ASSERT_TRUE(ReadGeneInfoFile(first, true));
  ASSERT_TRUE(ReadGeneInfoFile(second, false));
  EXPECT_EQ(Gene(0).Identifier, "NM_1");
  EXPECT_EQ(Gene(0).LocusLink, "100");
  EXPECT_EQ(Gene(0).Name, "AlphaNew");
  EXPECT_EQ(Gene(0).Description, "first");
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Gene(1).Identifier, "NM_22");
  EXPECT_EQ(Gene(1).Name, "Beta");
  EXPECT_EQ(Gene(1).Description, "second, updated");
  EXPECT_EQ(TermNames(1, 0), (std::vector<std::string>{"b", "c"}));

  const TERM_TABLE& table = TermTables[0];
  ASSERT_EQ(table.Count(), 3);
  EXPECT_EQ(table.GeneCount(0), 1);  // a: PS0
  EXPECT_EQ(table.GeneCount(1), 2);  // b: PS0 and PS1
  EXPECT_EQ(table.GeneCount(2), 1);  // c: PS1
  EXPECT_EQ(table.numAnnotated, 2);
  // A second top-up with the same file changes no count.
  ASSERT_TRUE(ReadGeneInfoFile(second, false));
  EXPECT_EQ(table.GeneCount(1), 2);
  EXPECT_EQ(table.numAnnotated, 2);
}

TEST_F(GeneInfoFile, FailedTopUpLeavesTheLoadedGenes) {
  UseProbeSets(Names("PS", 1));
  const std::string first =
      WriteFile("first.txt", GeneInfoHeader({"Terms"}) + "PS0\tNM_1\t100\tAlpha\t|a|\tfirst\n");
  const std::string broken =
      WriteFile("broken.txt", GeneInfoHeader({"Terms.txt"}) + "PS0\t\t\t\t|1|\t\n");
  ASSERT_TRUE(ReadGeneInfoFile(first, true));
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(broken, false));
  EXPECT_TRUE(log.ContainsRed("Cannot find the annotation index file"));
  ASSERT_TRUE(GeneInfo.Loaded());
  EXPECT_EQ(GeneInfo.numColumns, 1);
  EXPECT_EQ(TermNames(0, 0), (std::vector<std::string>{"a"}));
}

TEST_F(GeneInfoFile, StopsWhenTheAnalysisIsNotRunning) {
  UseProbeSets(Names("PS", 2));
  const std::string path = WriteFile("genes.txt", GeneInfoHeader({}) +
                                                      "Other\tNM_0\t1\tZ\tdesc\n"
                                                      "PS0\tNM_1\t1\tA\tdesc\n");
  AnalysisRunning = 0;
  CapturedLog log;
  EXPECT_FALSE(ReadGeneInfoFile(path, true));
  EXPECT_TRUE(log.ContainsRed(kUserStopMessage));
  EXPECT_FALSE(GeneInfo.Loaded());
}

TEST_F(GeneInfoFile, ReportsMissingFilesAndFilesOfAnotherChip) {
  UseProbeSets(Names("PS", 2));
  CapturedLog log;
  const std::string missing = mFolder.File("missing.txt");
  EXPECT_FALSE(ReadGeneInfoFile(missing, true));
  EXPECT_TRUE(log.ContainsRed("  Reading gene information file '" + missing +
                              "' failed (No such file or directory)\n"));

  const std::string other =
      WriteFile("other.txt", GeneInfoHeader({}) + "X1\tNM_1\t1\tA\tdesc\nX2\tNM_2\t2\tB\tdesc\n");
  log.Clear();
  EXPECT_FALSE(ReadGeneInfoFile(other, true));
  EXPECT_TRUE(log.ContainsRed(kNoGeneFoundMessage));
  EXPECT_FALSE(GeneInfo.Loaded());
}

TEST(TermColour, FollowsTheThreeModuli) {
  EXPECT_EQ(TermColor(0), RGB(73, 95, 117));
  EXPECT_EQ(TermColor(5), RGB(238, 155, 72));
  EXPECT_EQ(TermColor(214), RGB(40, 40, 40));  // (i + 1) = 215 wraps every channel
  for (std::uint32_t i = 0; i < 5000; ++i) {
    const COLORREF colour = TermColor(i);
    for (int channel : {RedOf(colour), GreenOf(colour), BlueOf(colour)}) {
      EXPECT_GE(channel, 40);
      EXPECT_LE(channel, 254);
    }
  }
}

// Truncated and damaged files never crash the reader, and whatever it keeps is
// consistent: every term index lies inside its table.
TEST_F(GeneInfoFile, DamagedFilesLeaveConsistentTermLists) {
  UseProbeSets(Names("PS", 40));
  synth::GeneInfoOptions options;
  options.vocabulary = 15;
  const std::string text = synth::GeneInfoText(synth::MakeGeneInfo(Names("PS", 40), options));
  const auto bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  ASSERT_TRUE(FuzzReadGeneInfoFile(bytes, text.size()));
  CapturedLog quiet;
  const auto check = [](std::size_t variant) {
    for (const GENE_INFO& gene : GeneInfo.genes)
      for (int c = 0; c < GeneInfo.numColumns; ++c)
        for (std::int16_t index : GeneInfo.TermIndices(gene, c)) {
          ASSERT_GE(index, 0) << variant;
          ASSERT_LT(index, TermTables[static_cast<std::size_t>(c)].Count()) << variant;
        }
  };
  for (std::size_t size = 0; size < text.size(); size += 97) {
    (void)FuzzReadGeneInfoFile(bytes, size);
    check(size);
  }
  std::string damaged = text;
  for (std::size_t at = 0; at < damaged.size(); at += 53) {
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5C);
    (void)FuzzReadGeneInfoFile(reinterpret_cast<const std::uint8_t*>(damaged.data()),
                               damaged.size());
    check(at);
  }
}

}  // namespace
