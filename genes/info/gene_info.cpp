// Reading the gene information file and its annotation index files, the term lists of
// each gene, and the searches over names and descriptions.
#include "genes/info/gene_info.hpp"

#include <algorithm>
#include <bit>
#include <functional>
#include <new>
#include <optional>
#include <ostream>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/base/wildcard.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/unit_name_index.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/jobs/export_gene_columns.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "genes/info/gene_lines.hpp"
#include "genes/info/term_analysis.hpp"
#include "platform/byte_reader.hpp"
#include "platform/line_reader.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"

INFO GeneInfo;
std::array<TERM_TABLE, kMaxTermColumns> TermTables;
std::array<int, kMaxTermColumns> ColumnIcon = {kIconTerm, kIconTerm, kIconTerm, kIconTerm};
int KeywordSearchStart = 0;
GeneInfoReadSplit GeneInfoSplit{platform::WorkerThreadCount(), 1 << 20, 2048};

namespace {

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
      LogMessage(kTooManyTermColumnsMessage, 0, kLogRed);
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

bool GroupSetting(int GroupSettings::*setting) {
  return GroupStarted() && TheGroup().Settings().*setting != 0;
}

// False when there is no room; the caller reports it.
bool AllocateGenes(int units) {
  try {
    GeneInfo.genes = std::vector<GENE_INFO>(static_cast<std::size_t>(units));
  } catch (const std::bad_alloc&) {
    return false;
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

void INFO::AdoptTermIndices(int column, std::vector<std::int16_t> indices) {
  TermPool& pool = mTermPool[static_cast<std::size_t>(column)];
  pool.used = indices.size();
  pool.storage = std::move(indices);
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

std::string_view INFO::KeepFileText(platform::FileBytes bytes) {
  const platform::FileBytes& kept = mFileTexts.emplace_back(std::move(bytes));
  return {reinterpret_cast<const char*>(kept.data.get()), kept.size};
}

void INFO::Release() {
  genes = {};
  mFileTexts.clear();
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
  SetExportGeneSource({});
}

void ClearGeneInformation() {
  ClearGeneInfo();
  for (TERM_TABLE& table : TermTables) table.Clear();
}

bool ReadGeneInfoFile(const std::string& path, bool rebuild) {
  // An unset or switched-off file leaves a rebuilt group without gene information, as it
  // leaves a SNP group without SNP information.
  if (IsNone(path)) {
    if (rebuild) {
      ClearGeneInfo();
      for (TERM_TABLE& table : TermTables) table.Clear();
    }
    return false;
  }
  if (!rebuild && !GeneInfo.Loaded()) {
    LogMessage(kNothingToMergeMessage, 0, kLogRed);
    return false;
  }
  if (rebuild) {
    ClearGeneInfo();
    for (TERM_TABLE& table : TermTables) table.Clear();
  }
  // A rebuild makes room for the genes while the file is read.
  bool genesAllocated = !rebuild;
  const int units = std::min(Layout.unitCount, static_cast<int>(Layout.units.size()));
  platform::ReadFailure failure;
  std::optional<platform::FileBytes> bytes = platform::ReadWholeFileSideBySide(
      path, GeneInfoSplit.threads,
      rebuild ? std::function<void()>([&] { genesAllocated = AllocateGenes(units); })
              : std::function<void()>(),
      &failure);
  if (!bytes) {
    if (rebuild) ClearGeneInfo();
    LogMessage(platform::WithReadFailure("  Reading gene information file '" + path + "' failed\n",
                                         failure),
               0, kLogRed);
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

  if (!genesAllocated) {
    LogMessage(kGeneInfoAllocationMessage, 0, kLogRed);
    ClearGeneInfo();
    return false;
  }

  LogMessage("    Gene 0");
  int genesRead = 0;
  if (!ReadGeneLines(lines, path, columns.count, rebuild, GeneInfoSplit.threads, genesRead))
    return false;
  Progress().ShowProgress(MessageBuffer("    Gene %d", genesRead));
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
  // Exports ask from several threads; the genes only change while no export runs.
  SetExportGeneSource([](int unit) -> ExportGeneColumns {
    const GENE_INFO* gene = GeneInfo.Gene(unit);
    if (gene == nullptr) return {};
    return {gene->Name, gene->Identifier, gene->LocusLink, gene->Description};
  });
  if (GroupSetting(&GroupSettings::MASK_REDUNDANT)) {
    int count = ListAllUnits();
    MaskRedundantProbeSets(count, false);
    GeneList.NumInteresting = count;
  }
  if (!AnalyseTerms(text, GeneInfoSplit.threads)) {
    if (rebuild) ClearGeneInfo();
    return false;
  }
  if (GeneInfo.numColumns == 1 && TermTables[0].numAnnotated == 0) GeneInfo.numColumns = 0;
  LogMessage("");
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
