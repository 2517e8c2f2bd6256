// Term indices of the genes' term fields, read in slices of genes side by side.
#include "genes/info/term_analysis.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/name_slots.hpp"
#include "genes/info/text_scan.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

enum class TermFailure { kNone, kTableFull, kTooManyGeneTerms };

// Numbers of an index-backed column that its index does not know; the reader warns once
// per column.
struct UnknownTerms {
  int count = 0;
  std::string first;
};

// A slice's own names in the order met, end to end in one string: kept together, the
// names a lookup compares stay in the cache, where views into the file's text would not.
class SliceNames {
 public:
  int Count() const { return static_cast<int>(mStarts.size()) - 1; }
  std::string_view Name(int index) const {
    return HeldNames{*this}(static_cast<std::uint32_t>(index));
  }
  int FindName(std::string_view name) const { return mSlots.Find(name, HeldNames{*this}); }
  // -1 when the slice alone holds more names than a table may.
  int Append(std::string_view name, int /*numericId*/) {
    const int index = Count();
    if (index >= kMaxTerms) return -1;
    mChars.append(name);
    mStarts.push_back(static_cast<std::uint32_t>(mChars.size()));
    mSlots.Insert(name, index, HeldNames{*this});
    return index;
  }

 private:
  struct HeldNames {
    const SliceNames& names;
    std::string_view operator()(std::uint32_t index) const {
      const std::uint32_t start = names.mStarts[index];
      return {names.mChars.data() + start, names.mStarts[index + 1] - start};
    }
  };
  std::string mChars;
  std::vector<std::uint32_t> mStarts = {0};
  NameSlots mSlots;
};

// One column's share of a slice. A column of numbers looks its terms up in the
// column's table, which does not change. A column of names grows its table in the order
// the genes come, so each slice gathers the names in a table of its own, and its
// indices are mapped to the column's once the slices before it are known.
struct ColumnPart {
  // The genes' term indices end to end, in the first used places; a gene's TermSpan
  // counts from the part's start until the slices are settled. The storage grows ahead
  // of the used places, so that a gene's terms are written straight into it.
  std::vector<std::int16_t> pool;
  std::size_t used = 0;
  // Counted genes per term of the column's table, and counted genes with a term field;
  // taken once the genes that count are known.
  std::vector<int> counts = std::vector<int>(kMaxTerms, 0);
  int annotated = 0;
  UnknownTerms unknown;
  // A column of names: the slice's own names in the order met, the gene that brought
  // each, and each one's index in the column's table.
  SliceNames names;
  std::vector<int> firstUnits;
  std::vector<std::int16_t> columnIndex;
};

// The first gene of a slice whose field of one column failed, and why.
struct ColumnFailure {
  TermFailure why = TermFailure::kNone;
  int unit = -1;
};

// What one pass over a range of genes gathers, all their columns at once: the genes'
// fields lie side by side in the file, so one pass reads them while they are in the
// cache.
struct TermSlice {
  int firstUnit = 0;
  int endUnit = 0;
  std::array<ColumnPart, kMaxTermColumns> parts;
  // Per column its first failure: the columns are taken one after another over all
  // genes, so a column stops at its own first failing gene while the others go on.
  std::array<ColumnFailure, kMaxTermColumns> failures;

  bool Failed(std::size_t column) const { return failures[column].why != TermFailure::kNone; }
  void Fail(TermFailure why, int unit, int column) {
    ColumnFailure& failure = failures[static_cast<std::size_t>(column)];
    if (failure.why != TermFailure::kNone && failure.unit <= unit) return;
    failure = {why, unit};
  }
};

// The bits of a mask of bars: fields shorter than this are scanned in one pass.
constexpr std::size_t kWordBits = 64;

// Per column the table of an index-backed column, whose numbers the terms are; null for
// a column of names.
using NumberTables = std::array<const TERM_TABLE*, kMaxTermColumns>;

// The count values at values in ascending order. The sixteen places from values on must
// be readable and writable: the lists lie in pools that keep room behind their last.
inline void SortIndices(std::int16_t* values, std::size_t count) {
  static_assert(kMaxTerms < INT16_MAX, "the sorting networks fill unused places with INT16_MAX");
  static_assert(text_scan::kSixteenList <= kMaxTermsPerGene);
  if (count <= 1) return;
  if (count <= text_scan::kEightList) {
    text_scan::SortEightList(values, count);
  } else if (count <= text_scan::kSixteenList) {
    text_scan::SortSixteenList(values, count);
  } else {
    std::sort(values, values + count);
  }
}

// The term indices of a non-empty term field, numbers or names, appended to the slice's
// pool in the order met: the terms between two bars, or the whole field when it holds
// no bar. The bytes from the field's start up to readableEnd, at least the field, may be
// read; whole blocks and words past the field's end then cost no care.
// ascending tells whether the indices came in ascending order already.
template <bool kNumbers, typename Table>
TermFailure ReadFieldTerms(std::string_view text, Table& table, const char* readableEnd,
                           ColumnPart& part, int unit, TermSpan& span, bool& ascending) {
  if (part.pool.size() - part.used < kMaxTermsPerGene)
    part.pool.resize(std::max(2 * part.pool.size(), part.used + kMaxTermsPerGene + 4096));
  std::int16_t* const indices = part.pool.data() + part.used;
  std::size_t count = 0;
  int previous = -1;
  ascending = true;
  const char* const field = text.data();

  // The term from start of length characters; false when the field fails.
  TermFailure failure = TermFailure::kNone;
  const auto take = [&](const char* start, std::size_t length) {
    int index;
    if constexpr (kNumbers) {
      int id;
      if (readableEnd - start < 8 || !text_scan::ReadShortNumber(start, length, id))
        id = TermNumber(std::string_view(start, length));
      index = table.FindNumber(id);
      // A number the index lacks is never added: only the index names its terms.
      if (index < 0) {
        if (part.unknown.count++ == 0) part.unknown.first.assign(start, length);
        return true;
      }
    } else {
      index = table.FindName(std::string_view(start, length));
      if (index < 0) {
        index = table.Append(std::string_view(start, length), 0);
        if (index < 0) {
          failure = TermFailure::kTableFull;
          return false;
        }
        part.firstUnits.push_back(unit);
      }
    }
    if (count == kMaxTermsPerGene) {
      failure = TermFailure::kTooManyGeneTerms;
      return false;
    }
    indices[count++] = static_cast<std::int16_t>(index);
    ascending = ascending & (index >= previous);
    previous = index;
    return true;
  };

  if (text.size() < kWordBits && readableEnd - field >= static_cast<std::ptrdiff_t>(kWordBits)) {
    // Most fields are short: their bars are found in one mask, without a loop over blocks
    // whose end the data decide.
    std::uint64_t bars = 0;
    for (std::size_t block = 0; block < kWordBits; block += text_scan::kBlockSize)
      bars |= std::uint64_t{text_scan::Block(field + block).Matches('|')} << block;
    bars &= (std::uint64_t{1} << text.size()) - 1;
    if (bars == 0) {
      if (!take(field, text.size())) return failure;
    } else {
      // Only text between two bars counts; neighbouring bars enclose the empty term.
      for (int before = std::countr_zero(bars); (bars &= bars - 1) != 0;) {
        const int after = std::countr_zero(bars);
        if (!take(field + before + 1, static_cast<std::size_t>(after - before - 1))) return failure;
        before = after;
      }
    }
    span = {static_cast<std::uint32_t>(part.used), static_cast<std::uint32_t>(count)};
    part.used += count;
    return TermFailure::kNone;
  }

  // The bars are gathered a batch at a time, each as its place plus one; then the terms
  // between them are taken in a counted loop.
  constexpr std::size_t kBatch = 64;
  std::array<std::size_t, kBatch + text_scan::kBlockSize> bars;
  std::size_t barCount = 0;
  bool sawBar = false;
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
    // Only text between two bars counts; neighbouring bars enclose the empty term.
    for (std::size_t b = 1; b < barCount; ++b)
      if (!take(field + bars[b - 1], bars[b] - bars[b - 1] - 1)) return failure;
    if (last) break;
    bars[0] = bars[barCount - 1];
    barCount = 1;
  }
  span = {static_cast<std::uint32_t>(part.used), static_cast<std::uint32_t>(count)};
  part.used += count;
  return TermFailure::kNone;
}

bool Inside(std::string_view text, std::string_view part) {
  return part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size();
}

bool GroupSetting(int GroupSettings::*setting) {
  return GroupStarted() && TheGroup().Settings().*setting != 0;
}

// Whether the unit counts towards the genes per term.
class GeneCounting {
 public:
  GeneCounting()
      : mOmitControls(GroupSetting(&GroupSettings::OMIT_VOSK)),
        mMaskRedundant(GroupSetting(&GroupSettings::MASK_REDUNDANT)) {}
  bool Counts(int unit) const {
    return !(mOmitControls && IsControlUnit(unit)) && !(mMaskRedundant && !GeneList.Listed(unit));
  }

 private:
  bool mOmitControls;
  bool mMaskRedundant;
};

// Reads the term fields of the gene's first columns columns into the slice, setting the
// gene's TermSpans; a field inside readable may be read in whole blocks up to its end.
// A field that fails is recorded in the slice, and its column is read no further.
void ReadGeneTerms(TermSlice& slice, GENE_INFO& gene, int unit, int columns,
                   const NumberTables& tables, std::string_view readable) {
  const char* const readableEnd = readable.data() + readable.size();
  for (std::size_t c = 0; c < static_cast<std::size_t>(columns); ++c) {
    TermSpan& span = gene.terms[c];
    span = {};
    const std::string_view field = gene.termText[c];
    if (field.empty() || slice.Failed(c)) continue;
    ColumnPart& part = slice.parts[c];
    const char* end = Inside(readable, field) ? readableEnd : field.data() + field.size();
    bool ascending = true;
    const TermFailure failure =
        tables[c] != nullptr
            ? ReadFieldTerms<true>(field, *tables[c], end, part, unit, span, ascending)
            : ReadFieldTerms<false>(field, part.names, end, part, unit, span, ascending);
    if (failure != TermFailure::kNone) {
      slice.Fail(failure, unit, static_cast<int>(c));
      span = {};
      continue;
    }
    // A column of names is sorted once its indices are the table's. Terms listed in
    // ascending order, as files made from a sorted index often list them, need no sort.
    if (tables[c] != nullptr && !ascending) SortIndices(part.pool.data() + span.first, span.count);
  }
}

NumberTables LoadedNumberTables() {
  NumberTables tables{};
  for (std::size_t c = 0; c < tables.size(); ++c)
    if (TermTables[c].numericIds) tables[c] = &TermTables[c];
  return tables;
}

// Reads the slice's genes; each column stops at its first gene that fails.
void ReadSlice(TermSlice& slice, std::string_view text, const NumberTables& tables) {
  const int columns = GeneInfo.numColumns;
  for (std::size_t c = 0; c < static_cast<std::size_t>(columns); ++c)
    slice.parts[c].pool.resize(static_cast<std::size_t>(slice.endUnit - slice.firstUnit) * 4);
  for (int unit = slice.firstUnit; unit < slice.endUnit; ++unit)
    ReadGeneTerms(slice, GeneInfo.genes[static_cast<std::size_t>(unit)], unit, columns, tables,
                  text);
}

// Gives the names of column c's slices their places in the column's table, the slices in
// gene order, each one's names in the order met: the order one reader taking the genes in
// turn would have added them in, up to the column's first failing gene. A full table
// fails the gene that brought the name.
void PlaceNames(std::span<TermSlice> slices, int c) {
  TERM_TABLE& columnTable = TermTables[static_cast<std::size_t>(c)];
  for (std::size_t s = 0; s < slices.size(); ++s) {
    // One reader would have stopped at the column's failure in the slice before.
    if (s > 0 && slices[s - 1].Failed(static_cast<std::size_t>(c))) return;
    TermSlice& slice = slices[s];
    ColumnPart& part = slice.parts[static_cast<std::size_t>(c)];
    part.columnIndex.resize(static_cast<std::size_t>(part.names.Count()));
    for (int own = 0; own < part.names.Count(); ++own) {
      const std::string_view name = part.names.Name(own);
      int index = columnTable.FindName(name);
      if (index < 0) index = columnTable.Append(name, 0);
      if (index < 0) {
        slice.Fail(TermFailure::kTableFull, part.firstUnits[static_cast<std::size_t>(own)], c);
        return;
      }
      part.columnIndex[static_cast<std::size_t>(own)] = static_cast<std::int16_t>(index);
    }
  }
}

// The slice's genes take their places in the columns' indices: column c's part goes to
// pools[c] from bases[c] on. A part of names maps its own indices to the column's first
// and sorts each gene's list. The genes that count are counted per term.
void SettleSlice(TermSlice& slice, std::vector<std::vector<std::int16_t>>& pools,
                 std::span<const std::uint32_t> bases, const GeneCounting& counting) {
  const auto columns = static_cast<std::size_t>(GeneInfo.numColumns);
  std::array<std::int16_t*, kMaxTermColumns> out{};
  std::array<bool, kMaxTermColumns> names{};
  for (std::size_t c = 0; c < columns; ++c) {
    ColumnPart& part = slice.parts[c];
    out[c] = pools[c].data() + bases[c];
    names[c] = !TermTables[c].numericIds;
    if (!names[c]) continue;
    // Mapped in place: the part's pool keeps the room behind its lists that sorting needs.
    for (std::size_t i = 0; i < part.used; ++i)
      part.pool[i] = part.columnIndex[static_cast<std::size_t>(part.pool[i])];
    part.names = {};
  }
  for (int unit = slice.firstUnit; unit < slice.endUnit; ++unit) {
    GENE_INFO& gene = GeneInfo.genes[static_cast<std::size_t>(unit)];
    const bool countGene = counting.Counts(unit);
    for (std::size_t c = 0; c < columns; ++c) {
      TermSpan& span = gene.terms[c];
      std::int16_t* const indices = slice.parts[c].pool.data() + span.first;
      if (names[c]) SortIndices(indices, span.count);
      if (countGene && !gene.termText[c].empty()) {
        ColumnPart& part = slice.parts[c];
        ++part.annotated;
        // Four at a time, so that a list of up to four takes no branch on its length: the
        // places behind a list hold term indices too (or zeros), and count nothing.
        for (std::uint32_t i = 0; i < span.count; i += 4)
          for (std::uint32_t k = i; k < i + 4; ++k)
            part.counts[static_cast<std::size_t>(indices[k])] += k < span.count ? 1 : 0;
      }
      span.first += bases[c];
    }
  }
  for (std::size_t c = 0; c < columns; ++c) {
    ColumnPart& part = slice.parts[c];
    std::copy_n(part.pool.begin(), part.used, out[c]);
    part.pool = {};
  }
}

// The slices in gene order: ranges of at least minGenes genes, two per thread, so that
// the threads finish close together.
std::vector<TermSlice> CutIntoSlices(int genes, int threads, int minGenes) {
  const int pieces = std::clamp(genes / std::max(minGenes, 1), 1, 2 * std::max(threads, 1));
  std::vector<TermSlice> slices(static_cast<std::size_t>(pieces));
  for (int p = 0; p < pieces; ++p) {
    TermSlice& slice = slices[static_cast<std::size_t>(p)];
    slice.firstUnit = static_cast<int>(static_cast<long long>(genes) * p / pieces);
    slice.endUnit = static_cast<int>(static_cast<long long>(genes) * (p + 1) / pieces);
  }
  return slices;
}

void ReportFailure(const ColumnFailure& failure) {
  if (failure.why == TermFailure::kTableFull) {
    LogMessage(kTooManyTermsMessage, 0, kLogRed);
    LogMessage(kGetFunctionErrorMessage, 0, kLogRed);
  } else {
    LogMessage(kTooManyGeneTermsMessage, 0, kLogRed);
  }
  LogMessage(MessageBuffer("    Error at probe set '%s'",
                           Layout.units[static_cast<std::size_t>(failure.unit)].name),
             0, kLogRed);
}

// The first failure of column c: in the first slice, in gene order, that has one.
const ColumnFailure* FirstFailure(const std::vector<TermSlice>& slices, std::size_t c) {
  for (const TermSlice& slice : slices)
    if (slice.Failed(c)) return &slice.failures[c];
  return nullptr;
}

// The columns are taken one after another, each over all genes: the columns before the
// first that fails show their lines as done, and that column its first failing gene.
// False when no column failed (nothing is logged then).
bool ReportFirstFailure(const std::vector<TermSlice>& slices, int columns) {
  const auto count = static_cast<std::size_t>(columns);
  bool anyFailed = false;
  for (std::size_t c = 0; c < count; ++c) anyFailed = anyFailed || FirstFailure(slices, c);
  if (!anyFailed) return false;
  for (std::size_t c = 0; c < count; ++c) {
    const std::string& columnName = GeneInfo.columnNames[c];
    LogMessage("      " + columnName + "...");
    if (const ColumnFailure* failure = FirstFailure(slices, c)) {
      ReportFailure(*failure);
      return true;
    }
    LogMessage(MessageBuffer("      Found %d %s terms", TermTables[c].Count(), columnName.c_str()),
               1);
  }
  return true;
}

// The counts and warnings of column c's slices, and the log of what the column holds.
void TotalColumn(std::span<const TermSlice> slices, int c) {
  const auto column = static_cast<std::size_t>(c);
  TERM_TABLE& table = TermTables[column];
  UnknownTerms unknown;
  for (const TermSlice& slice : slices) {
    const ColumnPart& part = slice.parts[column];
    table.AddGeneCounts(part.counts);
    table.numAnnotated += part.annotated;
    if (unknown.count == 0) unknown.first = part.unknown.first;
    unknown.count += part.unknown.count;
  }
  const std::string& columnName = GeneInfo.columnNames[column];
  LogMessage("      " + columnName + "...");
  LogMessage(MessageBuffer("      Found %d %s terms", table.Count(), columnName.c_str()), 1);
  if (unknown.count > 0)
    LogMessage(MessageBuffer("      Warning: %d %s terms are not in the annotation index and were "
                             "skipped (the first is '%s')",
                             unknown.count, columnName.c_str(), unknown.first.c_str()),
               0, kLogRed);
}

}  // namespace

bool AnalyseTerms(std::string_view text, int threads) {
  const int columns = GeneInfo.numColumns;
  for (int c = 0; c < columns; ++c) {
    // A top-up counts every gene again, so the counts start afresh either way.
    TermTables[static_cast<std::size_t>(c)].ClearCounts();
    GeneInfo.ClearTermIndices(c);
  }
  std::vector<TermSlice> slices =
      CutIntoSlices(GeneInfo.GeneCount(), threads, GeneInfoSplit.minSliceGenes);
  const NumberTables tables = LoadedNumberTables();
  platform::RunTasks(static_cast<int>(slices.size()), threads, [&](int task, bool) {
    ReadSlice(slices[static_cast<std::size_t>(task)], text, tables);
  });
  const GeneCounting counting;
  std::vector<int> nameColumns;
  for (int c = 0; c < columns; ++c)
    if (!TermTables[static_cast<std::size_t>(c)].numericIds) nameColumns.push_back(c);
  platform::RunTasks(static_cast<int>(nameColumns.size()), threads, [&](int task, bool) {
    PlaceNames(slices, nameColumns[static_cast<std::size_t>(task)]);
  });
  if (ReportFirstFailure(slices, columns)) return false;

  // Each slice's indices go to their place in the columns', side by side.
  std::vector<std::uint32_t> bases(slices.size() * kMaxTermColumns, 0);
  std::vector<std::vector<std::int16_t>> pools(static_cast<std::size_t>(columns));
  for (std::size_t c = 0; c < pools.size(); ++c) {
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < slices.size(); ++i) {
      bases[i * kMaxTermColumns + c] = size;
      size += static_cast<std::uint32_t>(slices[i].parts[c].used);
    }
    pools[c].resize(size);
  }
  platform::RunTasks(static_cast<int>(slices.size()), threads, [&](int task, bool) {
    const auto i = static_cast<std::size_t>(task);
    SettleSlice(slices[i], pools,
                std::span<const std::uint32_t>(bases).subspan(i * kMaxTermColumns, kMaxTermColumns),
                counting);
  });
  for (int c = 0; c < columns; ++c) {
    GeneInfo.AdoptTermIndices(c, std::move(pools[static_cast<std::size_t>(c)]));
    TotalColumn(slices, c);
  }
  return true;
}

bool GetFunction(GENE_INFO& gene, int column, bool countGene) {
  const auto c = static_cast<std::size_t>(column);
  TERM_TABLE& table = TermTables[c];
  gene.terms[c] = {};
  const std::string_view text = gene.termText[c];
  if (text.empty()) return true;
  if (countGene) ++table.numAnnotated;
  ColumnPart part;
  const char* const readableEnd = text.data() + text.size();
  TermSpan span;
  const int unit = static_cast<int>(&gene - GeneInfo.genes.data());
  bool ascending = true;
  const TermFailure failure =
      table.numericIds
          ? ReadFieldTerms<true>(text, table, readableEnd, part, unit, span, ascending)
          : ReadFieldTerms<false>(text, table, readableEnd, part, unit, span, ascending);
  if (failure == TermFailure::kTableFull) {
    LogMessage(kTooManyTermsMessage, 0, kLogRed);
    LogMessage(kGetFunctionErrorMessage, 0, kLogRed);
    return false;
  }
  if (failure == TermFailure::kTooManyGeneTerms) {
    LogMessage(kTooManyGeneTermsMessage, 0, kLogRed);
    return false;
  }
  const std::span<std::int16_t> indices(part.pool.data(), part.used);
  if (countGene)
    for (const std::int16_t index : indices) table.AddGeneCount(index);
  if (!ascending) SortIndices(indices.data(), indices.size());
  GeneInfo.SetTermIndices(gene, column, indices);
  return true;
}
