#include "tools/libgen/gin_file.hpp"

#include <random>

namespace libgen {

namespace {

constexpr const char* kLineEnd = "\r\n";

void AppendColumns(std::string& text, const std::vector<const std::string*>& columns) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) text += '\t';
    text += *columns[i];
  }
  text += kLineEnd;
}

std::vector<const std::string*> RowColumns(const GinRow& row, int version) {
  std::vector<const std::string*> columns = {&row.index, &row.identifier};
  if (version == 2) columns.push_back(&row.identifierSource);
  for (const std::string* column :
       {&row.probeSetName, &row.description, &row.group, &row.sequenceType})
    columns.push_back(column);
  for (const std::string& value : row.classifications) columns.push_back(&value);
  return columns;
}

}  // namespace

std::string GinFileName(const std::string& type) {
  return type + ".GIN";
}

std::string GinText(const GinFile& gin) {
  std::string text;
  if (gin.version == 2) {
    text += std::string("Version=2") + kLineEnd;
    text += std::string("Date=2026-01-01") + kLineEnd;
    text += "URLCount=" + std::to_string(gin.urlLines.size()) + kLineEnd;
    for (const std::string& line : gin.urlLines) text += line + kLineEnd;
  } else {
    text += std::string("GIN File") + kLineEnd;
    text += "IdentifierSource=" + gin.identifierSource + kLineEnd;
    text += "URL=" + gin.url + kLineEnd;
  }
  if (gin.headerLine) {
    GinRow titles{"Index",       "Identifier", "Identifier Source", "Probe Set Name",
                  "Description", "Group",      "Sequence Type",     gin.classificationTitles};
    AppendColumns(text, RowColumns(titles, gin.version));
  }
  for (const GinRow& row : gin.rows) AppendColumns(text, RowColumns(row, gin.version));
  return text;
}

GinFile StandardGin(int probeSets, std::size_t descriptionLength, unsigned seed) {
  std::mt19937 random(seed);
  GinFile gin;
  gin.urlLines = {"GenBank; http://genes.example/query?id=;acc",
                  "RefSeq;http://refseq.example/entry/"};
  for (int i = 0; i < kGinClassificationCount; ++i)
    gin.classificationTitles[static_cast<std::size_t>(i)] = "Class " + std::to_string(i + 1);
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz      ";
  std::uniform_int_distribution<int> letter(0, static_cast<int>(sizeof(kLetters)) - 2);
  std::uniform_int_distribution<int> filled(0, kGinClassificationCount);
  gin.rows.resize(static_cast<std::size_t>(probeSets));
  for (int i = 0; i < probeSets; ++i) {
    GinRow& row = gin.rows[static_cast<std::size_t>(i)];
    row.index = std::to_string(i);
    row.identifier = "NM_" + std::to_string(100000 + i);
    row.identifierSource = i % 3 == 0 ? "RefSeq" : "GenBank";
    row.probeSetName = std::to_string(1000 + i) + "_at";
    row.description.resize(descriptionLength);
    for (char& c : row.description) c = kLetters[letter(random)];
    if (!row.description.empty()) row.description.front() = 'G';
    row.group = std::to_string(i % 7);
    row.sequenceType = i % 2 == 0 ? "Consensus sequence" : "Exemplar sequence";
    const int count = filled(random);
    for (int c = 0; c < count; ++c)
      row.classifications[static_cast<std::size_t>(c)] =
          "term " + std::to_string((i * 31 + c) % 997);
  }
  return gin;
}

GinRowTruth RowTruth(const GinFile& gin) {
  GinRowTruth truth;
  for (const GinRow& row : gin.rows) {
    int filled = 0;
    for (const std::string& value : row.classifications) filled += value.empty() ? 0 : 1;
    truth.populated += filled;
    truth.descriptions += filled == 0 ? 1 : filled;
  }
  return truth;
}

}  // namespace libgen
