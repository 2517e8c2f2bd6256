// The annotation import against planted truth: the gene information file it writes from a
// generated annotation CSV and a made-up ontology is read back by the gene information
// reader with every probe set's values and terms (completed by their ancestors, kept to
// the most frequent) as planted, also from files as spreadsheet programs save them; the
// common probe-set pairs are the planted ones; bad files and stops are refused without
// touching the files in place.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genes/annotation/annotation_import.hpp"
#include "genes/annotation/chromosomal_location.hpp"
#include "genes/annotation/go_graph.hpp"
#include "genes/annotation/ortholog_pairs.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "platform/path.hpp"
#include "platform/replacement_group.hpp"
#include "platform/system_error.hpp"
#include "platform/write_fault.hpp"
#include "tools/synth/annotation_data.hpp"
#include "tools/synth/ontology_data.hpp"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> pieces;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find(at, begin)) != std::string::npos; begin = end + 1)
    pieces.push_back(text.substr(begin, end - begin));
  if (begin < text.size()) pieces.push_back(text.substr(begin));
  return pieces;
}

// Term id -> frequency of a term frequency table.
std::map<int, int> FrequencyTable(const std::string& path) {
  std::map<int, int> table;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "Term ID\tTerm Name\tFrequency");
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    table[std::stoi(line.substr(0, tab))] = std::stoi(line.substr(line.rfind('\t') + 1));
  }
  return table;
}

// A small annotation CSV: the chip type second, then every known column (newer names).
struct SmallCsv {
  static std::string Header(int dropColumn = -1) {
    std::string header = "\"Probe Set ID\",\"Array Name\",\"Annotation Date\"";
    for (int k = 1; k < kAnnotationColumns; ++k)
      if (k != dropColumn)
        header +=
            ",\"" + std::string(kAnnotationColumnNames[static_cast<std::size_t>(k)][1]) + "\"";
    return header + "\n";
  }
  // A row whose known column k holds values[k] ("---" where not given).
  static std::string Row(const std::string& probeSet, std::map<int, std::string> values = {}) {
    std::string row = "\"" + probeSet + "\",\"ZK_Small\",\"today\"";
    for (int k = 1; k < kAnnotationColumns; ++k)
      row += ",\"" + (values.count(k) != 0 ? values[k] : std::string("---")) + "\"";
    return row + "\n";
  }
};

class AnnotationImportTest : public GeneInfoFixture {
 protected:
  void SetUp() override {
    GeneInfoFixture::SetUp();
    AnnotImport = ANNOT_IMPORT{};
  }
  void TearDown() override {
    AnnotImport = ANNOT_IMPORT{};
    GeneInfoFixture::TearDown();
  }
  std::string Folder() const { return mFolder.Path().string(); }

  // The import as the dialog runs it: the CSV's header read, the output named, the file made.
  static bool Import(const std::string& csv, int type, const std::string& ontology = "None") {
    AnnotImport.csvPath = csv;
    AnnotImport.ontologyPath = ontology;
    AnnotImport.type = type;
    if (!ReadCsvHeader(AnnotImport)) return false;
    MakeInfoFileName(AnnotImport);
    return MakeInformationFile(AnnotImport);
  }
  std::set<std::string> FolderFiles() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mFolder.Path()))
      names.insert(entry.path().filename().string());
    return names;
  }
};

TEST_F(AnnotationImportTest, GeneInformationReadsBackWithTermsAndAncestorsAsPlanted) {
  const synth::OntologyTruth ontology =
      synth::MakeOntology(synth::OntologyOptions{.seed = 5, .terms = 1500, .maxParents = 3});
  ASSERT_TRUE(synth::WriteOntologyFiles(ontology, Folder(), ".ontology"));
  std::vector<synth::AnnotationTerm> goTerms;
  for (const synth::OntologyTerm& term : ontology.terms)
    goTerms.push_back({term.idText, term.name});
  const std::vector<std::string> names = Names("zk_", 800);
  const synth::AnnotationTruth truth = synth::MakeAnnotation(
      names, goTerms,
      synth::AnnotationOptions{.seed = 11, .minGoTerms = 1, .maxGoTerms = 10, .domains = 150});
  const std::string csv = WriteFile("annotation.csv", truth.text);

  ASSERT_TRUE(Import(csv, kGeneInfoFileType, platform::JoinPath(Folder(), "process.ontology")));
  EXPECT_EQ(AnnotImport.chipType, truth.chipType);
  EXPECT_EQ(AnnotImport.outputPath,
            platform::JoinPath(Folder(), truth.chipType + " gene info.xls"));
  UseProbeSets(names);
  ASSERT_TRUE(ReadGeneInfoFile(AnnotImport.outputPath, true));
  ASSERT_EQ(GeneInfo.numColumns, 4);
  EXPECT_EQ(GeneInfo.columnNames[0], "Gene Ontology");
  EXPECT_EQ(GeneInfo.columnNames[1], "Protein Domain");

  // Each probe set's active terms and ancestors, and how many probe sets carry each term.
  std::vector<std::set<int>> closures;
  std::map<int, int> carriers;
  for (const synth::AnnotationProbeSet& ps : truth.probeSets) {
    std::set<int> ids;
    for (const int term : ps.goTerms)
      for (const int ancestor : ontology.Ancestors(term))
        if (ontology.terms[static_cast<std::size_t>(ancestor)].active)
          ids.insert(ontology.terms[static_cast<std::size_t>(ancestor)].id);
    ASSERT_LT(ids.size(), static_cast<std::size_t>(kMaxTermsPerGene));
    for (const int id : ids) ++carriers[id];
    closures.push_back(ids);
  }
  // The selected terms are the most frequent, counted with their ancestors.
  const std::string base = AnnotImport.outputPath.substr(0, AnnotImport.outputPath.rfind('.'));
  const std::map<int, int> selected = FrequencyTable(base + " Gene Ontology.xls");
  ASSERT_GT(carriers.size(), static_cast<std::size_t>(kMaxSelectedTerms));
  ASSERT_EQ(selected.size(), static_cast<std::size_t>(kMaxSelectedTerms));
  int leastSelected = 1 << 30;
  for (const auto& [id, count] : selected) {
    EXPECT_EQ(count, carriers[id]) << id;
    leastSelected = std::min(leastSelected, count);
  }
  for (const auto& [id, count] : carriers)
    if (selected.count(id) == 0) {
      EXPECT_LE(count, leastSelected) << id;
    }

  for (std::size_t u = 0; u < names.size(); ++u) {
    const synth::AnnotationProbeSet& ps = truth.probeSets[u];
    const int unit = static_cast<int>(u);
    const GENE_INFO& gene = Gene(unit);
    EXPECT_EQ(gene.Identifier, ps.identifier) << u;
    EXPECT_EQ(gene.LocusLink, ps.locusLink) << u;
    EXPECT_EQ(gene.Name, ps.name.empty() ? ps.description : ps.name) << u;
    EXPECT_EQ(gene.Description, ps.description) << u;
    EXPECT_EQ(gene.termText[2], ps.pathway) << u;
    EXPECT_EQ(gene.termText[3], ps.chromosome) << u;
    std::vector<int> readGo;
    for (const std::int16_t index : GeneInfo.TermIndices(unit, 0))
      readGo.push_back(TermTables[0].NumericId(index));
    std::sort(readGo.begin(), readGo.end());
    std::vector<int> plantedGo;
    for (const int id : closures[u])
      if (selected.count(id) != 0) plantedGo.push_back(id);
    EXPECT_EQ(readGo, plantedGo) << u;
    std::map<int, std::string> plantedDomains;
    for (const int domain : ps.domains) {
      const synth::AnnotationTerm& term = truth.domains[static_cast<std::size_t>(domain)];
      plantedDomains[std::stoi(term.idText)] = term.name;
    }
    std::map<int, std::string> readDomains;
    for (const std::int16_t index : GeneInfo.TermIndices(unit, 1))
      readDomains[TermTables[1].NumericId(index)] = TermTables[1].Name(index);
    EXPECT_EQ(readDomains, plantedDomains) << u;
  }
}

// Annotation files as spreadsheet programs save them: a byte-order mark before the
// header, CRLF line ends, quotes doubled inside descriptions (at their start, inside and
// at their end), each alone and all together; every row reads back field by field.
TEST_F(AnnotationImportTest, SpreadsheetSavedFilesReadBackFieldByField) {
  std::vector<synth::AnnotationTerm> goTerms;
  for (int t = 0; t < 300; ++t)
    goTerms.push_back({std::to_string(2000000 + 3 * t), "term " + std::to_string(t)});
  const std::vector<std::string> names = Names("zk_", 400);
  struct Variant {
    const char* what;
    bool byteOrderMark;
    bool crlf;
    int quotedWordShare;
  };
  for (const Variant& v :
       {Variant{"byte-order mark", true, false, 0}, Variant{"doubled quotes", false, false, 50},
        Variant{"CRLF", false, true, 0}, Variant{"all three", true, true, 50}}) {
    SCOPED_TRACE(v.what);
    const synth::AnnotationTruth truth =
        synth::MakeAnnotation(names, goTerms,
                              synth::AnnotationOptions{.seed = 17,
                                                       .maxGoTerms = 5,
                                                       .byteOrderMark = v.byteOrderMark,
                                                       .crlf = v.crlf,
                                                       .quotedWordShare = v.quotedWordShare});
    const auto quoted = std::count_if(
        truth.probeSets.begin(), truth.probeSets.end(),
        [](const synth::AnnotationProbeSet& ps) { return Contains(ps.description, "\""); });
    EXPECT_EQ(quoted > 100, v.quotedWordShare > 0);
    CapturedLog log;
    ASSERT_TRUE(Import(WriteFile("saved.csv", truth.text), kGeneInfoFileType));
    EXPECT_EQ(log.CountInColour(kLogRed), 0);
    EXPECT_TRUE(log.Contains("    Found annotation information for 400 probe sets", kLogBlack));
    EXPECT_EQ(AnnotImport.chipType, truth.chipType);
    // The rows hold the descriptions with their quotes; the gene information reader
    // blanks a description's quotes.
    const std::vector<std::string> rows = Split(ReadText(AnnotImport.outputPath), '\n');
    ASSERT_EQ(rows.size(), names.size() + 1);
    UseProbeSets(names);
    ASSERT_TRUE(ReadGeneInfoFile(AnnotImport.outputPath, true));
    for (std::size_t u = 0; u < names.size(); ++u) {
      const synth::AnnotationProbeSet& ps = truth.probeSets[u];
      const std::vector<std::string> fields = Split(rows[u + 1], '\t');
      ASSERT_EQ(fields.size(), 9U) << rows[u + 1];  // and the tab that ends the row
      EXPECT_EQ(fields[0], ps.probeSet) << u;
      EXPECT_EQ(fields[8], ps.description) << u;
      std::string description = ps.description;
      std::replace(description.begin(), description.end(), '"', ' ');
      const int unit = static_cast<int>(u);
      const GENE_INFO& gene = Gene(unit);
      EXPECT_EQ(gene.Identifier, ps.identifier) << u;
      EXPECT_EQ(gene.LocusLink, ps.locusLink) << u;
      EXPECT_EQ(gene.Name, ps.name.empty() ? description : ps.name) << u;
      EXPECT_EQ(gene.Description, description) << u;
      EXPECT_EQ(gene.termText[2], ps.pathway) << u;
      EXPECT_EQ(gene.termText[3], ps.chromosome) << u;
      // Without an ontology every term named is selected: fewer than the selection keeps.
      std::set<int> plantedGo;
      for (const int term : ps.goTerms)
        plantedGo.insert(std::stoi(goTerms[static_cast<std::size_t>(term)].idText));
      std::set<int> readGo;
      for (const std::int16_t index : GeneInfo.TermIndices(unit, 0))
        readGo.insert(TermTables[0].NumericId(index));
      EXPECT_EQ(readGo, plantedGo) << u;
      std::set<int> plantedDomains;
      for (const int domain : ps.domains)
        plantedDomains.insert(std::stoi(truth.domains[static_cast<std::size_t>(domain)].idText));
      std::set<int> readDomains;
      for (const std::int16_t index : GeneInfo.TermIndices(unit, 1))
        readDomains.insert(TermTables[1].NumericId(index));
      EXPECT_EQ(readDomains, plantedDomains) << u;
    }
  }
}

TEST_F(AnnotationImportTest, CommonProbeSetPairsAreThePlantedOnes) {
  const std::vector<std::string> names = Names("zk_", 400);
  const synth::OrthologTruth truth = synth::MakeOrthologs(names, synth::OrthologOptions{.seed = 3});
  // One more row whose probe set name is longer than a field keeps: it is cut.
  const std::string longName(1000, 'L');
  const std::string plain =
      truth.text + "\"" + longName + "\",\"ZK_Test_1\",\"zo_1\",\"ZK_Other_2\"\n";
  // As a spreadsheet program saves it: a byte-order mark and CRLF line ends.
  std::string saved = std::string(kUtf8ByteOrderMark) + plain;
  ReplaceAll(saved, "\n", "\r\n");
  for (const std::string& text : {plain, saved}) {
    SCOPED_TRACE(text == plain ? "plain" : "saved by a spreadsheet program");
    AnnotImport = ANNOT_IMPORT{};
    AnnotImport.otherArrayType = truth.otherChipType;
    ASSERT_TRUE(Import(WriteFile("ortholog.csv", text), kCommonProbeSetFileType));
    EXPECT_EQ(AnnotImport.csvKind, kOrthologCsvKind);
    EXPECT_EQ(AnnotImport.outputPath,
              platform::JoinPath(Folder(), "common ZK_Test_1_ZK_Other_2.xls"));
    std::string expected = truth.chipType + "\t" + truth.otherChipType + "\n";
    for (const auto& [probeSet, ortholog] : truth.pairs)
      expected += probeSet + "\t" + ortholog + "\n";
    expected += longName.substr(0, kOrthologTokenLength) + "\tzo_1\n";
    EXPECT_EQ(ReadText(AnnotImport.outputPath), expected);
    EXPECT_EQ(AnnotImport.pairCount, static_cast<int>(truth.pairs.size()) + 1);
  }
}

// Files that must be refused, and stops, with the red line each gives. A refused import
// creates no file, and leaves files already in place (the tables too) as they were.
TEST_F(AnnotationImportTest, RefusedAndStoppedImportsLeaveTheFilesAsTheyWere) {
  const std::string header = SmallCsv::Header();
  std::string rows;
  for (int i = 0; i < 700; ++i)
    rows +=
        SmallCsv::Row("ps" + std::to_string(i), {{kColumnDomain, "IPR000001 // kinase"},
                                                 {kColumnProcess, "0000007 // growth // inferred"},
                                                 {kColumnAlignment, "chr1:100-200 (+)"}});
  std::string wide = "\"ps_wide\",\"ZK_Small\"";
  for (int i = 0; i < 60; ++i) wide += ",\"x\"";
  std::string wideHeader = header.substr(0, header.size() - 1);
  for (int i = 0; i < 40; ++i) wideHeader += ",\"Other " + std::to_string(i) + "\"";
  const std::string twoRows = SmallCsv::Row("ps_a") + SmallCsv::Row("ps_b");
  // As a spreadsheet program writes a field that needs no quotes.
  std::string unquotedHeader = header;
  ReplaceAll(unquotedHeader, "\"", {});
  struct Case {
    const char* what;
    std::string text;
    int type;
    int stopAtPoll;
    std::string red;
  };
  const std::vector<Case> cases = {
      {"line with more items than the map", header + twoRows + wide + "\n", 0, 0, "Line 4 of '"},
      {"unbalanced quotes", header + twoRows + "\"ps_c\",\"ZK_Small\",\"open\n", 0, 0,
       "has unbalanced double quotes"},
      {"header over 100 items", wideHeader + "\n" + twoRows, 0, 0, "' has too many columns"},
      {"header without a known column", SmallCsv::Header(kColumnDomain) + twoRows, 0, 0,
       "does not contain some needed columns"},
      {"header not quoted", unquotedHeader + twoRows, 0, 0, kHeaderNotQuotedMessage},
      {"header not quoted after a byte-order mark",
       std::string(kUtf8ByteOrderMark) + unquotedHeader + twoRows, 1, 0, kHeaderNotQuotedMessage},
      {"line over the read bound",
       header + twoRows +
           SmallCsv::Row("ps_long", {{kColumnDescription, std::string(600000, 'd')}}),
       1, 0, "is longer than 500000 characters"},
      {"stop in the first pass", header + rows, 0, 1, kUserStopMessage},
      {"stop in the second pass", header + rows, 0, 3, kUserStopMessage},
      {"stop in the genome rows", header + rows, 1, 2, kUserStopMessage},
      {"alignment without separators",
       header + twoRows + SmallCsv::Row("ps_bad", {{kColumnAlignment, "chr1 100 200"}}), 1, 0,
       "Error in parsing probe set ps_bad: 'chr1 100 200' in OutputGenomeInfo()"},
      {"no ortholog pairs",
       "\"Probe Set ID\",\"Array Name\",\"Ortholog Probe Set\",\"Ortholog Array\"\n"
       "\"ps1\",\"ZK_Small\",\"o1\",\"ZK_Third\"\n",
       2, 0, "Found no orthologous/homologous probe set pairs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string csv = WriteFile("refused.csv", c.text);
    for (const bool filesInPlace : {false, true}) {
      AnnotImport = ANNOT_IMPORT{};
      AnnotImport.csvPath = csv;
      AnnotImport.type = c.type;
      ASSERT_TRUE(ReadCsvHeader(AnnotImport));
      MakeInfoFileName(AnnotImport);
      const std::string base = AnnotImport.outputPath.substr(0, AnnotImport.outputPath.rfind('.'));
      const std::vector<std::string> outputs = {AnnotImport.outputPath, base + " Gene Ontology.xls",
                                                base + " Protein Domain.xls"};
      if (filesInPlace)
        for (const std::string& path : outputs) WriteFile(platform::FileName(path), "old\n");
      const std::set<std::string> before = FolderFiles();
      CapturedLog log;
      ScriptedProgress progress;
      progress.stopAtPoll = c.stopAtPoll;
      EXPECT_FALSE(MakeInformationFile(AnnotImport));
      EXPECT_TRUE(log.ContainsRed(c.red));
      EXPECT_EQ(FolderFiles(), before);
      for (const std::string& path : outputs)
        if (filesInPlace) {
          EXPECT_EQ(ReadText(path), "old\n") << path;
        }
      for (const std::string& path : outputs) std::filesystem::remove(path);
    }
  }
}

// More probe sets than a 16-bit count holds carry one term and one domain, with and
// without the ontology graph.
TEST_F(AnnotationImportTest, TermCountsBeyondSixteenBits) {
  const synth::OntologyTruth ontology = synth::MakeOntology(synth::OntologyOptions{.terms = 40});
  ASSERT_TRUE(synth::WriteOntologyFiles(ontology, Folder(), ".ontology"));
  int leaf = 0;
  while (!ontology.terms[static_cast<std::size_t>(leaf)].active ||
         ontology.terms[static_cast<std::size_t>(leaf)].depth < 3)
    ++leaf;
  const synth::OntologyTerm& term = ontology.terms[static_cast<std::size_t>(leaf)];
  constexpr int kProbeSets = 33000;
  std::string text = SmallCsv::Header();
  const std::string row =
      "\",\"ZK_Small\",\"d\",\"---\",\"---\",\"---\",\"---\",\"---\",\"---\",\"" + term.idText +
      " // " + term.name + " // e\",\"---\",\"---\",\"---\"," + "\"IPR000042 // kinase\",\"---\"\n";
  for (int i = 0; i < kProbeSets; ++i) text += "\"p" + std::to_string(i) + row;
  const std::string csv = WriteFile("many.csv", text);
  for (const bool graph : {false, true}) {
    SCOPED_TRACE(graph);
    ASSERT_TRUE(Import(csv, kGeneInfoFileType,
                       graph ? platform::JoinPath(Folder(), "process.ontology") : "None"));
    const std::string base = AnnotImport.outputPath.substr(0, AnnotImport.outputPath.rfind('.'));
    EXPECT_EQ(FrequencyTable(base + " Protein Domain.xls"), (std::map<int, int>{{42, kProbeSets}}));
    const std::map<int, int> go = FrequencyTable(base + " Gene Ontology.xls");
    EXPECT_EQ(go.at(term.id), kProbeSets);
    // With the graph the table lists every term of the graph; the term and its active
    // ancestors carry every probe set, the others none.
    std::set<int> carried = {term.id};
    if (graph)
      for (const int ancestor : ontology.Ancestors(leaf))
        if (ontology.terms[static_cast<std::size_t>(ancestor)].active)
          carried.insert(ontology.terms[static_cast<std::size_t>(ancestor)].id);
    EXPECT_GT(carried.size(), graph ? 1U : 0U);
    // (secondary ids are terms of the graph as well)
    EXPECT_GE(go.size(), graph ? ontology.terms.size() : 1U);
    for (const auto& [id, count] : go)
      EXPECT_EQ(count, carried.count(id) != 0 ? kProbeSets : 0) << id;
  }
}

TEST_F(AnnotationImportTest, CsvHeaderTellsTheKindAndTheChipType) {
  struct Case {
    std::string text;
    bool read;
    char kind;
    std::string chipType;
  };
  const std::vector<Case> cases = {
      {SmallCsv::Header() + SmallCsv::Row("ps1"), true, kAnnotationCsvKind, "ZK_Small"},
      {"\"Probe Set ID\",\"Ortholog Probe Set\"\n\"a\",\"Chip, B\",\"c\"\n", true, kOrthologCsvKind,
       "Chip, B"},
      {"\"Probe Set ID\",\"Title\"\n\"a\",\"b\",\"c\"\n", false, 0, ""},
      {SmallCsv::Header() + "\"ps1\",\"ZK_Small\"\n", false, 0, ""},
      {SmallCsv::Header(), false, 0, ""},
  };
  for (const Case& c : cases) {
    AnnotImport = ANNOT_IMPORT{};
    AnnotImport.csvKind = 7;
    AnnotImport.csvPath = WriteFile("header.csv", c.text);
    ASSERT_EQ(ReadCsvHeader(AnnotImport), c.read) << c.text;
    if (!c.read) continue;
    EXPECT_EQ(AnnotImport.csvKind, c.kind);
    EXPECT_EQ(AnnotImport.chipType, c.chipType);
    EXPECT_EQ(AnnotImport.folder, Folder());
  }
  AnnotImport.csvPath = platform::JoinPath(Folder(), "missing.csv");
  EXPECT_FALSE(ReadCsvHeader(AnnotImport));
}

TEST(AnnotationCsvItems, ValuesComeOutAlignedWithTheHeader) {
  CsvItems items;
  CsvColumnMap map;
  std::string header = SmallCsv::Header();
  header.pop_back();
  ASSERT_EQ(items.Split(header), CsvItems::Cut::kDone);
  map.Map(items.Items());
  EXPECT_EQ(map.Known(), kAnnotationColumns);
  AnnotationValues values;
  // An empty field and "---" are both empty; commas inside a field stay in it.
  const std::string row =
      "\"ps1\",\"ZK\",\"\",\"ZK1\",\"a, b\",\"---\",\"\",\"X\",\"\",\"77 /// ---\"";
  ASSERT_EQ(items.Split(row), CsvItems::Cut::kDone);
  values.Take(items.Items(), map);
  EXPECT_EQ(values.Value(kColumnProbeSet), "ps1");
  EXPECT_EQ(values.Value(kColumnIdentifier), "ZK1");
  EXPECT_EQ(values.Value(kColumnDescription), "a, b");
  EXPECT_EQ(values.Value(kColumnName), "");
  EXPECT_EQ(values.Value(kColumnChromosome), "");
  EXPECT_EQ(values.Value(kColumnUniGene), "X");
  EXPECT_EQ(values.Value(kColumnLocusLink), "");
  EXPECT_EQ(values.Value(kColumnProcess), "77 /// ");
  // A doubled quote inside a field is one quote; the items after it stay in place.
  const std::vector<std::pair<std::string, std::vector<std::string>>> quotes = {
      {"\"a \"\"quoted\"\" word\",\"b\"", {"a \"quoted\" word", ",", "b"}},
      {"\"\"\"start\"\" end\",\"\",\"end \"\"x\"\"\"",
       {"\"start\" end", ",", "---", ",", "end \"x\""}},
      {"\"\"\"\",\"\"\"\"\"\"", {"\"", ",", "\"\""}},
      {"\"a,\"\"b\"\",c\",\"d\"", {"a,\"b\",c", ",", "d"}},
  };
  for (const auto& [line, expected] : quotes) {
    ASSERT_EQ(items.Split(line), CsvItems::Cut::kDone) << line;
    EXPECT_EQ(std::vector<std::string>(items.Items().begin(), items.Items().end()), expected)
        << line;
  }
  for (const char* open : {"\"a\"\"b", "\"a\",\"b\"\"", "\"\"\""})
    EXPECT_EQ(items.Split(open), CsvItems::Cut::kUnbalanced) << open;
  std::string_view pending = "A /// B";
  EXPECT_EQ(NextMultiValue(pending), "A");
  EXPECT_EQ(NextMultiValue(pending), "B");
  EXPECT_TRUE(pending.empty());
}

TEST(ChromosomalLocation, TermsOfUsualAndOddLocations) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1p36.1", "|1|1p|1p36|"},
      {"X", "|X|"},
      {"Chr:12q13.1-q13.2", "|12|12q|12q13|"},
      {"chr7q22", "|7|7q|7q22|"},
      {"Xcen", "|X|"},
      {"cen", ""},
      {"", ""},
      {"10 63.0 cM", "|10|"},
      {"Un", "|Un|"},
      {"q", "||q|q|"},
      {"12345678901234567890", ""},
      {std::string(600000, '7') + "p1", ""},
  };
  std::string result = "stale";
  for (const auto& [location, terms] : cases) {
    ParseChromosomalLocation(location, result);
    EXPECT_EQ(result, terms) << location.substr(0, 40);
  }
}

}  // namespace

namespace {

// The rename of the import that fails (the first is 1), killing the process or with a full
// disk's error.
int sFailingRename = 0;
int sRenamesSeen = 0;
bool sKillAtRename = false;
int FailRename(platform::WriteStep step, const std::string&) {
  if (step != platform::WriteStep::kRename || ++sRenamesSeen != sFailingRename) return 0;
  if (sKillAtRename) raise(SIGKILL);
  return ENOSPC;
}

}  // namespace

// The gene information file and its two term tables are one: a rename that fails, or a
// writer killed at any of the three renames, leaves the three old files, never new tables
// beside the old gene information; the next writer in the folder clears what a killed one
// left, and an import that runs to its end puts all three new files in place.
TEST_F(AnnotationImportTest, TheThreeFilesTakeTheirPlacesTogetherThroughAFailureOrAKill) {
  std::string rows;
  for (int i = 0; i < 50; ++i)
    rows += SmallCsv::Row("ps" + std::to_string(i), {{kColumnDomain, "IPR000001 // kinase"},
                                                     {kColumnProcess, "0000007 // growth"}});
  const std::string csv = WriteFile("annotation.csv", SmallCsv::Header() + rows);
  AnnotImport.csvPath = csv;
  AnnotImport.type = kGeneInfoFileType;
  ASSERT_TRUE(ReadCsvHeader(AnnotImport));
  MakeInfoFileName(AnnotImport);
  const std::string base = AnnotImport.outputPath.substr(0, AnnotImport.outputPath.rfind('.'));
  const std::vector<std::string> outputs = {AnnotImport.outputPath, base + " Protein Domain.xls",
                                            base + " Gene Ontology.xls"};
  const auto allOld = [&] {
    return std::all_of(outputs.begin(), outputs.end(),
                       [](const std::string& path) { return ReadText(path) == "old\n"; });
  };
  for (const std::string& path : outputs) WriteFile(platform::FileName(path), "old\n");
  const std::set<std::string> before = FolderFiles();

  for (const bool kill : {false, true}) {
    for (int rename = 1; rename <= 3; ++rename) {
      SCOPED_TRACE((kill ? "killed at rename " : "failed rename ") + std::to_string(rename));
      sFailingRename = rename;
      sRenamesSeen = 0;
      sKillAtRename = kill;
      if (!kill) {
        CapturedLog log;
        platform::SetWriteFault(FailRename);
        const bool imported = Import(csv, kGeneInfoFileType);
        platform::SetWriteFault(nullptr);
        EXPECT_FALSE(imported);
        EXPECT_TRUE(log.ContainsRed("could not be put in place"));
        EXPECT_TRUE(log.ContainsRed(platform::SystemErrorText(ENOSPC)));
        EXPECT_FALSE(log.Contains("Gene information file '", kLogBlack));
      } else {
        const pid_t child = fork();
        if (child == 0) {
          platform::SetWriteFault(FailRename);
          _exit(Import(csv, kGeneInfoFileType) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_NE(FolderFiles(), before) << "the killed writer left its files";
        platform::RemoveStaleReplacements(Folder());
      }
      EXPECT_TRUE(allOld());
      EXPECT_EQ(FolderFiles(), before);
    }
  }
  CapturedLog log;
  ASSERT_TRUE(Import(csv, kGeneInfoFileType));
  for (const std::string& path : outputs) EXPECT_NE(ReadText(path), "old\n") << path;
  EXPECT_EQ(FolderFiles(), before);
}
