// Term tables of the gene information: appending terms, lookup with counting, the
// annotation index reader and the enrichment probability.
#include "genes/info/term_table.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

#include <algorithm>
#include <cmath>

#include "engine/base/fuzz_support.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_open.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/line_reader.hpp"

void TERM_TABLE::Clear() {
  mNames.clear();
  mGeneCounts.clear();
  mColours.clear();
  mNumbers.clear();
  mNameChars.clear();
  mNameStarts.clear();
  mNameSlots.Clear();
  mNumberIndices.clear();
  mNumberSlots.clear();
  numAnnotated = 0;
}

void TERM_TABLE::ClearCounts() {
  std::fill(mGeneCounts.begin(), mGeneCounts.end(), 0);
  numAnnotated = 0;
}

int TERM_TABLE::FindDistantNumber(int id) const {
  if (mNumberSlots.empty()) return -1;
  for (std::size_t slot = NumberSlot(id);; slot = (slot + 1) & (kSlots - 1)) {
    const int entry = mNumberSlots[slot];
    if (entry == 0) return -1;
    if (mNumbers[Slot(entry - 1)] == id) return entry - 1;
  }
}

int TERM_TABLE::Append(std::string_view name, int numericId) {
  if (Count() >= kMaxTerms) return -1;
  const int index = Count();
  mNames.emplace_back(name);
  mGeneCounts.push_back(0);
  mColours.push_back(TermColor(static_cast<std::uint32_t>(index)));
  mNumbers.push_back(numericId);
  if (mNameStarts.empty()) mNameStarts.assign(1, 0);
  mNameChars.append(name);
  mNameStarts.push_back(static_cast<std::uint32_t>(mNameChars.size()));

  // A repeated number keeps its first entry.
  if (numericId >= 0 && numericId < kDirectNumbers) {
    const auto at = static_cast<std::size_t>(numericId);
    if (at >= mNumberIndices.size()) mNumberIndices.resize(at + 1, -1);
    if (mNumberIndices[at] < 0) mNumberIndices[at] = static_cast<std::int16_t>(index);
  } else {
    if (mNumberSlots.empty()) mNumberSlots.assign(kSlots, 0);
    for (std::size_t slot = NumberSlot(numericId);; slot = (slot + 1) & (kSlots - 1)) {
      const int entry = mNumberSlots[slot];
      if (entry != 0 && mNumbers[Slot(entry - 1)] == numericId) break;
      if (entry != 0) continue;
      mNumberSlots[slot] = static_cast<std::uint16_t>(index + 1);
      break;
    }
  }

  // A repeated name takes over its earlier entry's slot, so that the last one is found.
  mNameSlots.Insert(name, index, HeldNames{*this});
  return index;
}

int TermNumber(std::string_view term) {
  // The common case, plain digits, without the general scanner.
  if (!term.empty() && term.size() <= 9 &&
      std::all_of(term.begin(), term.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
    int value = 0;
    for (char ch : term) value = value * 10 + (ch - '0');
    return value;
  }
  int value = 0;
  return ScanInt(term, value) ? value : 0;
}

int LookUpTerm(TERM_TABLE& table, std::string_view term, bool add, bool countGene) {
  int index = table.numericIds ? table.FindNumber(TermNumber(term)) : table.FindName(term);
  if (index < 0) {
    if (!add || table.numericIds) return -1;
    index = table.Append(term, 0);
    if (index < 0) {
      LogMessage(kTooManyTermsMessage, 0, kLogRed);
      return -1;
    }
  }
  if (add && countGene) table.AddGeneCount(index);
  return index;
}

bool ReadAnnotationIndex(TERM_TABLE& table, const std::string& path) {
  platform::LineReader reader;
  if (!OpenLinesOrLog(reader, path, kGeneInfoLineLength,
                      "    Cannot find the annotation index file '" + path +
                          "', please go to the Zelko website to download it\n"))
    return false;
  LogMessage("    Read in the annotation index file '" + path + "'...");
  table.Clear();
  table.numericIds = true;
  const bool hasHeader = path.find(".xls") != std::string::npos;
  std::string_view line;
  if (hasHeader && reader.Next(line) > platform::LineStatus::kCut) return true;
  for (;;) {
    const platform::LineStatus status = reader.Next(line);
    if (status == platform::LineStatus::kEnd || status == platform::LineStatus::kError) break;
    if (line.empty()) continue;
    if (status == platform::LineStatus::kCut)
      LogGeneInfoLineCut(path, static_cast<long long>(reader.LineNumber()));
    std::string_view number = line;
    std::string_view name;
    CutAtTab(number, &name);
    CutAtTab(name);
    // Numbers are looked up through the table's own index, so a file out of order reads
    // as well as an ordered one.
    const int id = TermNumber(number);
    if (table.Append(name, id) < 0) {
      LogMessage(MessageBuffer("      Error: number of annotational terms exceeds %d", kMaxTerms),
                 0, kLogRed);
      return false;
    }
  }
  return true;
}

double TermEnrichmentPValue(const TERM_TABLE& table, int term, int k, int n) {
  const double withTerm = table.GeneCount(term);
  const double annotated = table.numAnnotated;
  return std::fabs(phyper(std::max(n - 1, 0), withTerm, annotated - withTerm, k,
                          /*lower_tail=*/0, /*log_p=*/0));
}

bool FuzzReadAnnotationIndex(const std::uint8_t* data, std::size_t size) {
  return WithScratchFile(data, size, "fuzz_index.txt", [](const std::string& path) {
    TERM_TABLE table;
    return ReadAnnotationIndex(table, path);
  });
}
