// The annotation and ortholog CSV files say what their truth says, read back here with a
// plain quoted-field parser: the header names every known column once among others, each
// row carries the chip type second, and the planted terms, domains and pairs are there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "tools/synth/annotation_data.hpp"
#include "tools/synth/tests/written_files.hpp"

namespace {

using synth::testing::TextLines;

// The quoted fields of a line (every field is quoted, a quote inside one doubled).
std::vector<std::string> QuotedFields(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    EXPECT_EQ(line[at], '"') << line;
    std::string field;
    for (++at; at < line.size(); ++at) {
      if (line[at] != '"') {
        field += line[at];
      } else if (at + 1 < line.size() && line[at + 1] == '"') {
        field += line[++at];
      } else {
        break;
      }
    }
    fields.push_back(field);
    at += 2;  // past the quote and the comma
  }
  return fields;
}

// The pieces of a multi-valued field before their first " // ".
std::vector<std::string> Ids(const std::string& field) {
  std::vector<std::string> ids;
  if (field.empty() || field == "---") return ids;
  for (std::size_t at = 0;;) {
    const std::size_t end = field.find(" /// ", at);
    const std::string piece = field.substr(at, end == std::string::npos ? end : end - at);
    ids.push_back(piece.substr(0, piece.find(" // ")));
    if (end == std::string::npos) return ids;
    at = end + 5;
  }
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// One generated file against its truth, field by field.
void CheckCsvRows(bool spreadsheetSaved) {
  std::vector<synth::AnnotationTerm> terms;
  for (int t = 0; t < 50; ++t)
    terms.push_back({std::to_string(1000000 + t), "term " + std::to_string(t)});
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back("zk_" + std::to_string(i) + "_at");
  const synth::AnnotationTruth truth =
      synth::MakeAnnotation(names, terms,
                            synth::AnnotationOptions{.seed = 7,
                                                     .byteOrderMark = spreadsheetSaved,
                                                     .crlf = spreadsheetSaved,
                                                     .quotedWordShare = spreadsheetSaved ? 40 : 0});
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  ASSERT_EQ(truth.text.starts_with(kMark), spreadsheetSaved);
  const std::string text = truth.text.substr(spreadsheetSaved ? kMark.size() : 0);
  const auto lineEnds = std::count(text.begin(), text.end(), '\n');
  EXPECT_EQ(lineEnds, static_cast<long>(names.size() + 1));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), spreadsheetSaved ? lineEnds : 0);
  const std::vector<std::string> lines = TextLines(text);
  ASSERT_EQ(lines.size(), names.size() + 1);

  const std::vector<std::string> header = QuotedFields(lines[0]);
  EXPECT_EQ(header, truth.header);
  EXPECT_EQ(header[1], "Array Name");
  EXPECT_NE(std::find(header.begin(), header.end(), "Annotation Date"), header.end());
  std::map<std::string, int> at;  // known column by either name
  const std::vector<std::pair<std::string, std::string>> known = {
      {"Probe Set ID", "Probe Set ID"},
      {"Biological Process (GO)", "Gene Ontology Biological Process"},
      {"Cellular Component (GO)", "Gene Ontology Cellular Component"},
      {"Molecular Function (GO)", "Gene Ontology Molecular Function"},
      {"InterPro", "InterPro"},
      {"Location", "Chromosomal Location"},
      {"Sequence Description", "Target Description"},
      {"Genome Alignment", "Alignments"}};
  for (const auto& columnNames : known) {
    const std::string& older = columnNames.first;
    const std::string& newer = columnNames.second;
    const auto count = std::count(header.begin(), header.end(), older) +
                       (older == newer ? 0 : std::count(header.begin(), header.end(), newer));
    ASSERT_EQ(count, 1) << older;
    const auto found = std::find_if(header.begin(), header.end(),
                                    [&](const std::string& h) { return h == older || h == newer; });
    at[older] = static_cast<int>(found - header.begin());
  }

  int withTerms = 0;
  int quoted = 0;  // descriptions holding a quoted word
  for (std::size_t row = 0; row < names.size(); ++row) {
    const std::vector<std::string> fields = QuotedFields(lines[row + 1]);
    ASSERT_EQ(fields.size(), header.size()) << row;
    const synth::AnnotationProbeSet& ps = truth.probeSets[row];
    EXPECT_EQ(fields[1], truth.chipType);
    EXPECT_EQ(fields[static_cast<std::size_t>(at["Probe Set ID"])], ps.probeSet);
    std::string description = fields[static_cast<std::size_t>(at["Sequence Description"])];
    if (description.starts_with("Cluster Incl ")) description.erase(0, 13);
    if (description == "---") description.clear();
    EXPECT_EQ(description, ps.description) << row;
    quoted += ps.description.find('"') != std::string::npos ? 1 : 0;
    std::vector<std::string> goIds;
    for (const char* column :
         {"Biological Process (GO)", "Cellular Component (GO)", "Molecular Function (GO)"})
      for (const std::string& id : Ids(fields[static_cast<std::size_t>(at[column])]))
        goIds.push_back(id);
    std::vector<std::string> planted;
    for (const int term : ps.goTerms)
      planted.push_back(terms[static_cast<std::size_t>(term)].idText);
    EXPECT_EQ(goIds, planted) << row;
    withTerms += planted.empty() ? 0 : 1;
    std::vector<std::string> domains;
    for (const int domain : ps.domains)
      domains.push_back("IPR" + truth.domains[static_cast<std::size_t>(domain)].idText);
    EXPECT_EQ(Ids(fields[static_cast<std::size_t>(at["InterPro"])]), domains) << row;
    const std::string alignment = fields[static_cast<std::size_t>(at["Genome Alignment"])];
    EXPECT_EQ(std::count(alignment.begin(), alignment.end(), '('),
              static_cast<long>(ps.alignments.size()))
        << alignment;
  }
  EXPECT_GT(withTerms, 200);
  if (spreadsheetSaved) {
    EXPECT_GT(quoted, 60);
  } else {
    EXPECT_EQ(quoted, 0);
  }
}

// The file as written plainly and as a spreadsheet program saves it (a byte-order mark,
// CRLF line ends, quotes doubled inside descriptions).
TEST(AnnotationData, CsvRowsCarryThePlantedValues) {
  for (const bool saved : {false, true}) {
    SCOPED_TRACE(saved);
    CheckCsvRows(saved);
  }
}

TEST(AnnotationData, OrthologPairsAreTheRowsNamingTheOtherChip) {
  std::vector<std::string> names;
  for (int i = 0; i < 200; ++i) names.push_back("zk_" + std::to_string(i) + "_at");
  const synth::OrthologTruth truth = synth::MakeOrthologs(names, synth::OrthologOptions{});
  const std::vector<std::string> lines = TextLines(truth.text);
  ASSERT_EQ(lines.size(), names.size() + 1);
  EXPECT_NE(lines[0].find("Ortholog Probe Set"), std::string::npos);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = QuotedFields(lines[i]);
    ASSERT_EQ(fields.size(), 4U);
    EXPECT_EQ(fields[1], truth.chipType);
    if (Lower(fields[3]) == Lower(truth.otherChipType)) pairs.emplace_back(fields[0], fields[2]);
  }
  EXPECT_EQ(pairs, truth.pairs);
  EXPECT_GT(pairs.size(), 60U);
  EXPECT_LT(pairs.size(), 180U);
}

}  // namespace
