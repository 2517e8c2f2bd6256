// Reading the gene information file and its annotation index files, the term lists of
// each gene, and the searches over names and descriptions.
#include "genes/gene_info.hpp"

#include <algorithm>
#include <bit>
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
#include "genes/text_scan.hpp"
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

// The fields of a data line that are read: the probe set, identifier, LocusLink, name,
// up to four term columns and the description.
constexpr std::size_t kMaxLineFields = 5 + kMaxTermColumns;

// One line of a file's text, split at its first tabs.
struct TextLine {
  std::string_view text;
  // Where the first tabs of the line lie, counted from its start; room for a block's more.
  std::array<std::size_t, kMaxLineFields + text_scan::kBlockSize> tabs{};
  std::size_t tabCount = 0;  // at most kMaxLineFields
  // Whether the line holds a double quote or a CR; without, the description is kept as
  // it stands.
  bool hasQuoteOrReturn = false;

  // The number of fields, where it is below kMaxLineFields + 1.
  std::size_t FieldCount() const { return tabCount + 1; }
  // Field i, for i up to tabCount.
  std::string_view Field(std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : tabs[i - 1] + 1;
    const std::size_t end = i < tabCount ? tabs[i] : text.size();
    return text.substr(start, end - start);
  }
};

// The lines of a file's text as platform::LineReader hands them out (LF or CRLF ends,
// a last line without its end, lines cut at kGeneInfoLineLength), each split at its
// tabs in the same pass over its bytes that finds its end: the files have tens of
// thousands of short lines, and two passes cost twice.
class TextLines {
 public:
  explicit TextLines(std::string_view text) : mAt(text.data()), mEnd(text.data() + text.size()) {}

  // The next line into line; its views point into the text.
  platform::LineStatus Next(TextLine& line) {
    line.tabCount = 0;
    if (mAt == mEnd) {
      line.text = {};
      return platform::LineStatus::kEnd;
    }
    const char* const start = mAt;
    const char* firstQuoteOrReturn = mEnd;
    const char* end = mEnd;
    // The bytes past the end of the text read as a line end.
    for (const char* block = start;; block += text_scan::kBlockSize) {
      const text_scan::Block bytes = text_scan::LoadBlock(block, mEnd, '\n');
      const std::uint32_t newlines = bytes.Matches('\n');
      std::uint32_t tabs = bytes.Matches('\t');
      std::uint32_t quotesAndReturns = bytes.Matches('"') | bytes.Matches('\r');
      if (newlines != 0) {
        const std::uint32_t before = text_scan::FirstBits(std::countr_zero(newlines));
        tabs &= before;
        quotesAndReturns &= before;
        end = block + std::countr_zero(newlines);
      }
      if (line.tabCount < kMaxLineFields)
        text_scan::AppendPlaces(tabs, static_cast<std::size_t>(block - start), line.tabs.data(),
                                line.tabCount);
      if (quotesAndReturns != 0 && firstQuoteOrReturn == mEnd)
        firstQuoteOrReturn = block + std::countr_zero(quotesAndReturns);
      if (newlines != 0) break;
    }
    line.tabCount = std::min(line.tabCount, kMaxLineFields);
    mAt = end == mEnd ? mEnd : end + 1;
    if (end != start && end[-1] == '\r') --end;
    ++mLineNumber;
    auto length = static_cast<std::size_t>(end - start);
    platform::LineStatus status = platform::LineStatus::kWhole;
    if (length > kGeneInfoLineLength) {
      length = kGeneInfoLineLength;
      status = platform::LineStatus::kCut;
      while (line.tabCount > 0 && line.tabs[line.tabCount - 1] >= length) --line.tabCount;
    }
    line.text = std::string_view(start, length);
    line.hasQuoteOrReturn = firstQuoteOrReturn < start + length;
    return status;
  }

  // Number of lines handed out so far (1 after the first line).
  long long LineNumber() const { return mLineNumber; }

 private:
  const char* mAt;
  const char* mEnd;
  long long mLineNumber = 0;
};

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
    const char* tab = std::find(field, end, '\t');
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
void ReadGeneLine(GENE_INFO& gene, const TextLine& line, int termColumns, bool rebuild) {
  const std::size_t fields = line.FieldCount();
  if (rebuild) gene.Clear();
  if (fields > 1) Store(gene.Identifier, line.Field(1), rebuild);
  if (fields > 2) Store(gene.LocusLink, line.Field(2), rebuild);
  if (fields > 3) Store(gene.Name, line.Field(3), rebuild);
  const auto columns = static_cast<std::size_t>(termColumns);
  for (std::size_t c = 0; c < columns; ++c)
    if (fields > 4 + c) Store(gene.termText[c], line.Field(4 + c), rebuild);
  if (fields > 4 + columns) {
    std::string_view description = line.Field(4 + columns);
    if (line.hasQuoteOrReturn)
      description = BlankQuotes(description.substr(0, description.find('\r')));
    Store(gene.Description, description, rebuild);
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

// Reads the data lines of the file's text into the genes, counting the known probe sets
// in genesRead; false on a stop (already reported).
bool ReadGeneLines(TextLines& lines, const std::string& path, int termColumns, bool rebuild,
                   int& genesRead) {
  UnitNameIndex units(Layout);
  const int geneCount = GeneInfo.GeneCount();
  TextLine line;
  genesRead = 0;
  for (;;) {
    const platform::LineStatus status = lines.Next(line);
    if (status == platform::LineStatus::kEnd || line.text.empty()) break;
    if (status == platform::LineStatus::kCut) LogGeneInfoLineCut(path, lines.LineNumber());
    const int unit = units.Find(line.Field(0));
    if (unit < 0 || unit >= geneCount) {
      PumpMessages();
      if (StopRequested(rebuild)) return false;
      continue;
    }
    ReadGeneLine(GeneInfo.genes[static_cast<std::size_t>(unit)], line, termColumns, rebuild);
    if (++genesRead % kGeneInfoProgressStep != 0) continue;
    if (StopRequested(rebuild)) return false;
    LogMessage(MessageBuffer("    Gene %d", genesRead), 1);
  }
  return true;
}

// Ascending order.
void SortIndices(std::int16_t* values, std::size_t count) {
  static_assert(kMaxTerms - 1 <= text_scan::kMaxShortValue);
  if (count <= 1) return;
  if (count == 2) {
    const std::int16_t low = std::min(values[0], values[1]);
    values[1] = std::max(values[0], values[1]);
    values[0] = low;
    return;
  }
  if (count <= text_scan::kShortList) {
    text_scan::SortShortList(values, count);
    return;
  }
  std::sort(values, values + count);
}

// The index of a term that the fast lookups in ReadTerms did not find: added to the table
// when it is a name, gathered as unknown when it is a number. False (reported) when the
// table is full.
bool LookUpMissingTerm(TERM_TABLE& table, std::size_t c, std::string_view term, bool countGene,
                       int& index) {
  index = LookUpTerm(table, term, true, countGene);
  if (index >= 0) return true;
  if (table.numericIds) {
    UnknownTerms& unknown = gUnknownTerms[c];
    if (unknown.count++ == 0) unknown.first.assign(term);
    return true;
  }
  LogMessage(kGetFunctionErrorMessage, 0, kLogRed);
  return false;
}

// The term indices of the gene's non-empty term field of column c into the column's
// table, numbers or names: the terms between two bars, or the whole field when it holds
// no bar. The bytes from the field's start up to readableEnd, at least the field, may be
// read; whole blocks and words past the field's end then cost no care.
template <bool kNumbers>
bool ReadFieldTerms(GENE_INFO& gene, std::size_t c, TERM_TABLE& table, bool countGene,
                    const char* readableEnd) {
  const std::string_view text = gene.termText[c];
  std::array<std::int16_t, kMaxTermsPerGene> indices;
  // The sort of a short list reads all of its places.
  std::fill_n(indices.begin(), text_scan::kShortList, std::int16_t{0});
  std::size_t count = 0;

  // The bars are gathered a batch at a time, each as its place plus one; then the terms
  // between them are taken in a counted loop.
  constexpr std::size_t kBatch = 64;
  std::array<std::size_t, kBatch + text_scan::kBlockSize> bars;
  std::size_t barCount = 0;
  bool sawBar = false;
  const char* const field = text.data();
  for (std::size_t block = 0;; block += text_scan::kBlockSize) {
    const std::size_t left = text.size() - block;
    const bool last = left <= text_scan::kBlockSize;
    std::uint32_t mask = text_scan::LoadBlock(field + block, readableEnd, 0).Matches('|');
    if (last) mask &= text_scan::FirstBits(static_cast<std::ptrdiff_t>(left));
    text_scan::AppendPlaces(mask, block + 1, bars.data(), barCount);
    if (barCount < kBatch && !last) continue;
    sawBar = sawBar || barCount > 0;
    if (!sawBar) {
      // A field without bars is one term.
      bars[0] = 0;
      bars[1] = text.size() + 1;
      barCount = 2;
    }
    // Only text between two bars counts.
    for (std::size_t b = 1; b < barCount; ++b) {
      const char* const start = field + bars[b - 1];
      const std::size_t length = bars[b] - bars[b - 1] - 1;
      // Neighbouring bars enclose nothing; an empty text is no term.
      if (length == 0) continue;
      // Known terms, the common case, are found here; LookUpMissingTerm handles the others.
      int index;
      if constexpr (kNumbers) {
        int id;
        if (readableEnd - start < 8 || !text_scan::ReadShortNumber(start, length, id))
          id = TermNumber(std::string_view(start, length));
        index = table.FindNumber(id);
      } else {
        index = table.FindName(std::string_view(start, length));
      }
      if (index >= 0 && countGene) table.AddGeneCount(index);
      if (index < 0) {
        if (!LookUpMissingTerm(table, c, std::string_view(start, length), countGene, index))
          return false;
        if (index < 0) continue;
      }
      if (count == indices.size()) {
        LogMessage(kTooManyGeneTermsMessage, 0, kLogRed);
        return false;
      }
      indices[count++] = static_cast<std::int16_t>(index);
    }
    if (last) break;
    bars[0] = bars[barCount - 1];
    barCount = 1;
  }
  SortIndices(indices.data(), count);
  GeneInfo.SetTermIndices(gene, static_cast<int>(c),
                          std::span<const std::int16_t>(indices.data(), count));
  return true;
}

// The term indices of the gene's column from its term field. The bytes from the field's
// start up to readableEnd, at least the field, may be read.
bool ReadTerms(GENE_INFO& gene, std::size_t c, bool countGene, const char* readableEnd) {
  gene.terms[c] = {};
  if (gene.termText[c].empty()) return true;
  TERM_TABLE& table = TermTables[c];
  if (countGene) ++table.numAnnotated;
  return table.numericIds ? ReadFieldTerms<true>(gene, c, table, countGene, readableEnd)
                          : ReadFieldTerms<false>(gene, c, table, countGene, readableEnd);
}

// Term indices of every gene in every column, each gene counted once unless it is a
// control probe set left out or a probe set masked as redundant. The genes are taken in
// turn with all their columns, so the file's text is passed through once. Term fields
// inside text may be read in whole blocks up to its end.
bool AnalyseTerms(std::string_view text) {
  const char* const textEnd = text.data() + text.size();
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
      const std::string_view field = gene.termText[static_cast<std::size_t>(c)];
      const char* readableEnd = Inside(text, field) ? textEnd : field.data() + field.size();
      if (ReadTerms(gene, static_cast<std::size_t>(c), countGene, readableEnd)) continue;
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
  const TermPool& pool = mTermPool[c];
  if (where.count == 0 || std::size_t{where.first} + where.count > pool.used) return {};
  return std::span<const std::int16_t>(pool.storage).subspan(where.first, where.count);
}

std::span<const std::int16_t> INFO::TermIndices(int unit, int column) const {
  const GENE_INFO* gene = Gene(unit);
  return gene != nullptr ? TermIndices(*gene, column) : std::span<const std::int16_t>();
}

void INFO::SetTermIndices(GENE_INFO& gene, int column, std::span<const std::int16_t> indices) {
  const auto c = static_cast<std::size_t>(column);
  TermPool& pool = mTermPool[c];
  const std::size_t first = pool.used;
  gene.terms[c] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(indices.size())};
  if (pool.storage.size() - first < indices.size())
    pool.storage.resize(std::max(2 * pool.storage.size(), first + indices.size() + 4096));
  std::copy(indices.begin(), indices.end(),
            pool.storage.begin() + static_cast<std::ptrdiff_t>(first));
  pool.used = first + indices.size();
}

void INFO::ClearTermIndices(int column) {
  const auto c = static_cast<std::size_t>(column);
  // With an empty pool every gene's list reads as empty already.
  if (mTermPool[c].used == 0) return;
  mTermPool[c].used = 0;
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
  TextLines lines(text);

  TextLine header;
  const platform::LineStatus status = lines.Next(header);
  if (status == platform::LineStatus::kCut) LogGeneInfoLineCut(path, lines.LineNumber());
  TermColumns columns;
  if (!ReadHeader(header.text, path, columns)) {
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
  if (!ReadGeneLines(lines, path, columns.count, rebuild, genesRead)) return false;
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
  if (!AnalyseTerms(text)) {
    if (rebuild) ClearGeneInfo();
    return false;
  }
  if (GeneInfo.numColumns == 1 && TermTables[0].numAnnotated == 0) GeneInfo.numColumns = 0;
  LogMessage("");
  return true;
}

bool GetFunction(GENE_INFO& gene, int column, bool countGene) {
  const std::string_view text = gene.termText[static_cast<std::size_t>(column)];
  return ReadTerms(gene, static_cast<std::size_t>(column), countGene, text.data() + text.size());
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
