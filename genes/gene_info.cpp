// Reading the gene information file and its annotation index files, the term lists of
// each gene, and the searches over names and descriptions.
#include "genes/gene_info.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <optional>
#include <ostream>

#include "engine/cdf_layout.hpp"
#include "engine/fuzz_support.hpp"
#include "engine/gene_list.hpp"
#include "engine/group.hpp"
#include "engine/log_channel.hpp"
#include "engine/running_scope.hpp"
#include "engine/text_helpers.hpp"
#include "engine/unit_name_index.hpp"
#include "engine/wildcard.hpp"
#include "platform/byte_reader.hpp"
#include "platform/line_reader.hpp"
#include "platform/path.hpp"

INFO GeneInfo;
std::array<TERM_TABLE, kMaxTermColumns> TermTables;
std::array<int, kMaxTermColumns> ColumnIcon = {kIconTerm, kIconTerm, kIconTerm, kIconTerm};
int KeywordSearchStart = 0;

namespace {

// Numbers of an index-backed column that its index does not know, gathered while the
// terms are parsed so that the reader warns once per column.
struct UnknownTerms {
  int count = 0;
  std::string first;
};
std::array<UnknownTerms, kMaxTermColumns> gUnknownTerms;

// The first ch in [at, end), or end. Eight bytes are tested at a time: fields and terms
// are often short, where a library search costs more in its call than in its scan.
const char* FindByte(const char* at, const char* end, char ch) {
  static_assert(std::endian::native == std::endian::little, "the lowest byte comes first");
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighs = 0x8080808080808080ull;
  const std::uint64_t pattern = kOnes * static_cast<unsigned char>(ch);
  while (end - at >= 8) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    const std::uint64_t x = word ^ pattern;
    const std::uint64_t zeroBytes = (x - kOnes) & ~x & kHighs;
    if (zeroBytes != 0) return at + std::countr_zero(zeroBytes) / 8;
    at += 8;
  }
  while (at != end && *at != ch) ++at;
  return at;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& ch : upper)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return upper;
}

void SplitAtTabs(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  const char* field = line.data();
  const char* const end = field + line.size();
  for (;;) {
    const char* tab = FindByte(field, end, '\t');
    fields.emplace_back(field, static_cast<std::size_t>(tab - field));
    if (tab == end) return;
    field = tab + 1;
  }
}

int IconFor(std::string_view columnName) {
  if (columnName == "Chromosome" || columnName == "Cytoband") return kIconChromosome;
  if (columnName == "Pathway") return kIconPathway;
  if (Contains(columnName, "Domain")) return kIconDomain;
  return kIconTerm;
}

bool IsIndexBacked(std::string_view columnName) {
  return Contains(columnName, ".txt") || Contains(columnName, ".xls");
}

// A ".txt" index sits in the gene information file's folder under the column's name;
// another is named after the gene information file without its extension, a blank and
// the column's name.
std::string IndexPathFor(const std::string& infoPath, std::string_view columnName) {
  if (Contains(columnName, ".txt"))
    return platform::JoinPath(platform::ParentFolder(infoPath), columnName);
  const std::size_t dot = infoPath.rfind('.');
  std::string path = infoPath.substr(0, dot);
  path += ' ';
  path += columnName;
  return path;
}

void RefuseHeader(std::string_view header) {
  LogMessage(kNotGeneInfoFileMessage, 0, kLogRed);
  LogMessage("    Header line: " + std::string(header));
}

// What the header says of the term columns. Index tables are read into it and take
// their columns' places only once the data lines are read, so that a failed top-up
// leaves the loaded genes' term lists pointing into the tables they were made from.
struct TermColumns {
  int count = 0;
  std::array<std::string, kMaxTermColumns> names;
  std::array<bool, kMaxTermColumns> indexBacked{};
  std::array<TERM_TABLE, kMaxTermColumns> indexTables;
};

// The term columns are those after the one holding "Name" (searched behind
// "Identifier") up to the column "Description".
bool ReadHeader(std::string_view header, const std::string& path, TermColumns& columns) {
  const std::size_t identifier = header.find("Identifier");
  const std::size_t name =
      identifier == std::string_view::npos ? identifier : header.find("Name", identifier);
  const std::size_t tab = name == std::string_view::npos ? name : header.find('\t', name);
  if (tab == std::string_view::npos) {
    RefuseHeader(header);
    return false;
  }
  std::vector<std::string_view> titles;
  SplitAtTabs(header.substr(tab + 1), titles);
  const auto description = std::find(titles.begin(), titles.end(), "Description");
  if (description == titles.end()) {
    RefuseHeader(header);
    return false;
  }
  for (auto title = titles.begin(); title != description; ++title) {
    if (columns.count == kMaxTermColumns) {
      LogMessage(kTooManyColumnsMessage, 0, kLogRed);
      return false;
    }
    const auto c = static_cast<std::size_t>(columns.count++);
    std::string columnName(*title);
    if (IsIndexBacked(columnName)) {
      if (!ReadAnnotationIndex(columns.indexTables[c], IndexPathFor(path, columnName)))
        return false;
      columns.indexBacked[c] = true;
      columnName.resize(std::min(columnName.size(), columnName.find('.')));
    }
    columns.names[c] = std::move(columnName);
  }
  return true;
}

void UseTermColumns(TermColumns& columns) {
  GeneInfo.numColumns = columns.count;
  for (std::size_t c = 0; c < static_cast<std::size_t>(columns.count); ++c) {
    if (columns.indexBacked[c]) {
      TermTables[c] = std::move(columns.indexTables[c]);
    } else {
      TermTables[c].numericIds = false;
    }
    ColumnIcon[c] = IconFor(columns.names[c]);
    GeneInfo.columnNames[c] = std::move(columns.names[c]);
  }
}

void Store(std::string_view& field, std::string_view value, bool rebuild) {
  if (rebuild || !value.empty()) field = value;
}

// The description loses its double quotes. Its characters lie in text the INFO keeps and
// owns, so they may be changed in place.
std::string_view BlankQuotes(std::string_view description) {
  if (description.find('"') == std::string_view::npos) return description;
  char* chars = const_cast<char*>(description.data());
  std::replace(chars, chars + description.size(), '"', ' ');
  return description;
}

// One data line into the unit's gene; fields the line does not reach stay as they are.
void ReadGeneLine(GENE_INFO& gene, const std::vector<std::string_view>& fields, int termColumns,
                  bool rebuild) {
  const auto field = [&fields](std::size_t i) {
    return i < fields.size() ? fields[i] : std::string_view();
  };
  if (rebuild) gene.Clear();
  if (fields.size() > 1) Store(gene.Identifier, field(1), rebuild);
  if (fields.size() > 2) Store(gene.LocusLink, field(2), rebuild);
  if (fields.size() > 3) Store(gene.Name, field(3), rebuild);
  const auto columns = static_cast<std::size_t>(termColumns);
  for (std::size_t c = 0; c < columns; ++c)
    if (fields.size() > 4 + c) Store(gene.termText[c], field(4 + c), rebuild);
  if (fields.size() > 4 + columns) {
    const std::string_view description = field(4 + columns);
    Store(gene.Description, BlankQuotes(description.substr(0, description.find('\r'))), rebuild);
  }
  if (rebuild && gene.Name.empty()) gene.Name = gene.Description;
}

bool GroupSetting(int GroupSettings::*setting) {
  return GroupStarted() && TheGroup().Settings().*setting != 0;
}

bool StopRequested(bool rebuild) {
  if (AnalysisRunning != 0) return false;
  LogMessage(kUserStopMessage, 0, kLogRed);
  if (rebuild) ClearGeneInfo();
  return true;
}

bool AllocateGenes(int units) {
  try {
    GeneInfo.genes = std::vector<GENE_INFO>(static_cast<std::size_t>(units));
  } catch (const std::bad_alloc&) {
    LogMessage(kGeneInfoAllocationMessage, 0, kLogRed);
    return false;
  }
  return true;
}

bool Inside(std::string_view text, std::string_view part) {
  return part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size();
}

// Reads the data lines of the kept file text into the genes, counting the known probe
// sets in genesRead; false on a stop (already reported).
bool ReadGeneLines(platform::LineReader& reader, std::string_view text, const std::string& path,
                   int termColumns, bool rebuild, int& genesRead) {
  UnitNameIndex units(Layout);
  const int geneCount = GeneInfo.GeneCount();
  std::vector<std::string_view> fields;
  genesRead = 0;
  for (;;) {
    std::string_view line;
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) break;
    if (status == platform::LineStatus::kCut)
      LogGeneInfoLineCut(path, static_cast<long long>(reader.LineNumber()));
    // A last line without its line end may come from the reader's own buffer.
    if (!Inside(text, line)) line = GeneInfo.KeepText(std::string(line));
    SplitAtTabs(line, fields);
    const int unit = units.Find(fields[0]);
    if (unit < 0 || unit >= geneCount) {
      PumpMessages();
      if (StopRequested(rebuild)) return false;
      continue;
    }
    ReadGeneLine(GeneInfo.genes[static_cast<std::size_t>(unit)], fields, termColumns, rebuild);
    if (++genesRead % kGeneInfoProgressStep != 0) continue;
    if (StopRequested(rebuild)) return false;
    LogMessage(MessageBuffer("    Gene %d", genesRead), 1);
  }
  return true;
}

// Term indices of every gene in every column, each gene counted once unless it is a
// control probe set left out or a probe set masked as redundant. The genes are taken in
// turn with all their columns, so the file's text is passed through once.
bool AnalyseTerms() {
  const bool omitControls = GroupSetting(&GroupSettings::OMIT_VOSK);
  const bool maskRedundant = GroupSetting(&GroupSettings::MASK_REDUNDANT);
  const int columns = GeneInfo.numColumns;
  for (int c = 0; c < columns; ++c) {
    // A top-up counts every gene again, so the counts start afresh either way.
    TermTables[static_cast<std::size_t>(c)].ClearCounts();
    GeneInfo.ClearTermIndices(c);
    gUnknownTerms[static_cast<std::size_t>(c)] = {};
  }
  for (int unit = 0; unit < GeneInfo.GeneCount(); ++unit) {
    const bool countGene =
        !(omitControls && IsControlUnit(unit)) && !(maskRedundant && !GeneList.Listed(unit));
    GENE_INFO& gene = GeneInfo.genes[static_cast<std::size_t>(unit)];
    for (int c = 0; c < columns; ++c) {
      if (GetFunction(gene, c, countGene)) continue;
      LogMessage(MessageBuffer("    Error at probe set '%s'",
                               Layout.units[static_cast<std::size_t>(unit)].name),
                 0, kLogRed);
      return false;
    }
  }
  for (int c = 0; c < columns; ++c) {
    const std::string& columnName = GeneInfo.columnNames[static_cast<std::size_t>(c)];
    LogMessage("      " + columnName + "...");
    LogMessage(MessageBuffer("      Found %d %s terms",
                             TermTables[static_cast<std::size_t>(c)].Count(), columnName.c_str()),
               1);
    const UnknownTerms& unknown = gUnknownTerms[static_cast<std::size_t>(c)];
    if (unknown.count > 0)
      LogMessage(
          MessageBuffer("      Warning: %d %s terms are not in the annotation index and were "
                        "skipped (the first is '%s')",
                        unknown.count, columnName.c_str(), unknown.first.c_str()),
          0, kLogRed);
  }
  return true;
}

}  // namespace

const GENE_INFO* INFO::Gene(int unit) const {
  if (unit < 0 || unit >= GeneCount()) return nullptr;
  return &genes[static_cast<std::size_t>(unit)];
}

std::span<const std::int16_t> INFO::TermIndices(const GENE_INFO& gene, int column) const {
  const auto c = static_cast<std::size_t>(column);
  const TermSpan where = gene.terms[c];
  const std::vector<std::int16_t>& pool = mTermPool[c];
  if (where.count == 0 || std::size_t{where.first} + where.count > pool.size()) return {};
  return std::span<const std::int16_t>(pool).subspan(where.first, where.count);
}

std::span<const std::int16_t> INFO::TermIndices(int unit, int column) const {
  const GENE_INFO* gene = Gene(unit);
  return gene != nullptr ? TermIndices(*gene, column) : std::span<const std::int16_t>();
}

void INFO::SetTermIndices(GENE_INFO& gene, int column, std::span<const std::int16_t> indices) {
  const auto c = static_cast<std::size_t>(column);
  std::vector<std::int16_t>& pool = mTermPool[c];
  const std::size_t first = pool.size();
  gene.terms[c] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(indices.size())};
  pool.resize(first + indices.size());
  // Lists are short; a loop costs less than a library copy per gene.
  for (std::size_t i = 0; i < indices.size(); ++i) pool[first + i] = indices[i];
}

void INFO::ClearTermIndices(int column) {
  const auto c = static_cast<std::size_t>(column);
  // With an empty pool every gene's list reads as empty already.
  if (mTermPool[c].empty()) return;
  mTermPool[c].clear();
  for (GENE_INFO& gene : genes) gene.terms[c] = {};
}

std::string_view INFO::KeepText(std::string text) {
  return mKeptTexts.emplace_back(std::move(text));
}

std::string_view INFO::KeepFileText(std::vector<std::uint8_t> bytes) {
  const std::vector<std::uint8_t>& kept = mFileTexts.emplace_back(std::move(bytes));
  return {reinterpret_cast<const char*>(kept.data()), kept.size()};
}

void INFO::Release() {
  genes = {};
  mFileTexts = {};
  mKeptTexts = {};
  for (auto& pool : mTermPool) pool = {};
}

void LogGeneInfoLineCut(const std::string& path, long long lineNumber) {
  LogMessage(
      MessageBuffer("    Line %lld of '%s' is longer than %zu characters; the rest is ignored",
                    lineNumber, path.c_str(), kGeneInfoLineLength),
      0, kLogRed);
}

void ClearGeneInfo() {
  GeneInfo.Release();
  GeneInfo.numColumns = 0;
  GeneInfo.selectedColumn = -1;
  GeneInfo.selectedTerm = -1;
  GeneInfo.lastKeyword.clear();
  SetLocusLinkSource({});
}

void ClearGeneInformation() {
  ClearGeneInfo();
  for (TERM_TABLE& table : TermTables) table.Clear();
}

bool ReadGeneInfoFile(const std::string& path, bool rebuild) {
  if (!rebuild && !GeneInfo.Loaded()) {
    LogMessage(kNothingToMergeMessage, 0, kLogRed);
    return false;
  }
  if (rebuild) {
    ClearGeneInfo();
    for (TERM_TABLE& table : TermTables) table.Clear();
  }
  std::optional<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    LogMessage("  Reading gene information file '" + path + "' failed\n", 0, kLogRed);
    return false;
  }
  LogMessage("  Reading gene information file '" + path + "'...");
  // The genes' texts stay in the file's bytes.
  const std::string_view text = GeneInfo.KeepFileText(std::move(*bytes));
  platform::LineReader reader;
  reader.OpenBuffer(text, kGeneInfoLineLength);

  std::string_view header;
  const platform::LineStatus status = reader.Next(header);
  if (status == platform::LineStatus::kCut)
    LogGeneInfoLineCut(path, static_cast<long long>(reader.LineNumber()));
  if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) header = {};
  TermColumns columns;
  if (!ReadHeader(header, path, columns)) {
    if (rebuild) ClearGeneInfo();
    return false;
  }

  if (rebuild &&
      !AllocateGenes(std::min(Layout.unitCount, static_cast<int>(Layout.units.size())))) {
    ClearGeneInfo();
    return false;
  }

  LogMessage("    Gene 0");
  int genesRead = 0;
  if (!ReadGeneLines(reader, text, path, columns.count, rebuild, genesRead)) return false;
  LogMessage(MessageBuffer("    Gene %d", genesRead), 1);
  if (genesRead == 0) {
    LogMessage(kNoGeneFoundMessage, 0, kLogRed);
    if (rebuild) ClearGeneInfo();
    return false;
  }

  UseTermColumns(columns);
  LogMessage(MessageBuffer("    Read gene information for %d genes", genesRead));
  LogMessage("    \n    Analyzing gene annotational terms...");
  SetLocusLinkSource([](int unit) -> std::string_view {
    const GENE_INFO* gene = GeneInfo.Gene(unit);
    return gene != nullptr ? gene->LocusLink : std::string_view();
  });
  if (GroupSetting(&GroupSettings::MASK_REDUNDANT)) {
    int count = ListAllUnits();
    MaskRedundantProbeSets(count, false);
    GeneList.NumInteresting = count;
  }
  if (!AnalyseTerms()) {
    if (rebuild) ClearGeneInfo();
    return false;
  }
  if (GeneInfo.numColumns == 1 && TermTables[0].numAnnotated == 0) GeneInfo.numColumns = 0;
  LogMessage("");
  return true;
}

bool GetFunction(GENE_INFO& gene, int column, bool countGene) {
  const auto c = static_cast<std::size_t>(column);
  gene.terms[c] = {};
  const std::string_view text = gene.termText[c];
  if (text.empty()) return true;
  TERM_TABLE& table = TermTables[c];
  if (countGene) ++table.numAnnotated;

  std::array<std::int16_t, kMaxTermsPerGene> indices;
  std::size_t count = 0;
  const auto addTerm = [&](std::string_view term) {
    // Neighbouring bars enclose nothing; an empty text is no term.
    if (term.empty()) return true;
    // Known terms, the common case, are found here; LookUpTerm adds the others.
    int index = table.numericIds ? table.FindNumber(TermNumber(term)) : table.FindName(term);
    if (index >= 0 && countGene) table.AddGeneCount(index);
    if (index < 0) index = LookUpTerm(table, term, true, countGene);
    if (index < 0 && table.numericIds) {
      UnknownTerms& unknown = gUnknownTerms[c];
      if (unknown.count++ == 0) unknown.first.assign(term);
      return true;
    }
    if (index < 0) {
      LogMessage(kGetFunctionErrorMessage, 0, kLogRed);
      return false;
    }
    if (count == indices.size()) {
      LogMessage(kTooManyGeneTermsMessage, 0, kLogRed);
      return false;
    }
    indices[count++] = static_cast<std::int16_t>(index);
    return true;
  };

  // Terms are short, so plain scans beat library searches here.
  const char* at = text.data();
  const char* const end = at + text.size();
  const char* bar = FindByte(at, end, '|');
  if (bar == end) {
    if (!addTerm(text)) return false;
  } else {
    // Only text between two bars counts.
    for (;;) {
      const char* next = FindByte(bar + 1, end, '|');
      if (next == end) break;
      if (!addTerm(std::string_view(bar + 1, static_cast<std::size_t>(next - bar - 1))))
        return false;
      bar = next;
    }
  }
  std::sort(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(count));
  GeneInfo.SetTermIndices(gene, column, std::span<const std::int16_t>(indices.data(), count));
  return true;
}

bool HasTerm(const GENE_INFO& gene, int term, int column) {
  const std::span<const std::int16_t> indices = GeneInfo.TermIndices(gene, column);
  return std::find(indices.begin(), indices.end(), term) != indices.end();
}

bool GeneMatchesKeyword(int unit, std::string_view pattern) {
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  if (gene == nullptr) return false;
  std::string wildcard;
  if (pattern.empty() || pattern.front() != '*') wildcard += '*';
  wildcard += pattern;
  if (pattern.empty() || pattern.back() != '*') wildcard += '*';
  return MatchWildcard(wildcard.c_str(), UpperCase(gene->Name).c_str()) == 1 ||
         MatchWildcard(wildcard.c_str(), UpperCase(gene->Description).c_str()) == 1;
}

int FindGeneByKeyword(std::string_view keyword) {
  const int count = GeneInfo.GeneCount();
  if (count == 0) return -1;
  const std::string pattern = UpperCase(keyword);
  const int start = ((KeywordSearchStart % count) + count) % count;
  for (int step = 0; step < count; ++step) {
    const int unit = (start + step) % count;
    if (!GeneMatchesKeyword(unit, pattern)) continue;
    KeywordSearchStart = unit + 1;
    GeneInfo.lastKeyword.assign(keyword);
    return unit;
  }
  return -1;
}

int FindUnitByGeneName(std::string_view text) {
  for (int unit = 0; unit < GeneInfo.GeneCount(); ++unit)
    if (GeneInfo.genes[static_cast<std::size_t>(unit)].Name == text) return unit;
  return -1;
}

int WriteSameLocusGenes(std::ostream& stream, int unit) {
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  if (gene == nullptr || gene->LocusLink.empty()) return 0;
  const int units = std::min(GeneInfo.GeneCount(), static_cast<int>(Layout.units.size()));
  int lines = 0;
  for (int other = 0; other < units; ++other) {
    const GENE_INFO& candidate = GeneInfo.genes[static_cast<std::size_t>(other)];
    if (candidate.LocusLink != gene->LocusLink) continue;
    stream << Layout.units[static_cast<std::size_t>(other)].name << '\t' << candidate.LocusLink
           << '\t' << candidate.Name << '\n';
    ++lines;
  }
  return lines;
}

bool FuzzReadGeneInfoFile(const std::uint8_t* data, std::size_t size) {
  const RaisedAnalysisRunning running;
  return WithScratchFile(data, size, "genes.txt",
                         [](const std::string& path) { return ReadGeneInfoFile(path, true); });
}
