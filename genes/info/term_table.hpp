// The distinct annotation terms of one term column of the gene information: names,
// colours, how many counted genes carry each, and for columns backed by an annotation
// index file the terms' numbers, which the gene information file uses in their place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/base/colour.hpp"
#include "genes/info/name_slots.hpp"

inline constexpr const char* kTooManyTermsMessage =
    "    Error: number of functional terms exceeds limit";

class TERM_TABLE {
 public:
  // Set when the column is backed by an annotation index file: terms in the gene
  // information file are numbers, looked up among the numericIds (in any order).
  bool numericIds = false;
  // Counted genes with a non-empty term field in this column.
  int numAnnotated = 0;

  int Count() const { return static_cast<int>(mNames.size()); }
  const std::string& Name(int index) const { return mNames[Slot(index)]; }
  // Counted genes carrying the term.
  int GeneCount(int index) const { return mGeneCounts[Slot(index)]; }
  // TermColor of the index, unless the user picked another in the cluster view.
  COLORREF Colour(int index) const { return mColours[Slot(index)]; }
  void SetColour(int index, COLORREF colour) { mColours[Slot(index)] = colour; }
  // Index-backed tables only.
  int NumericId(int index) const { return mNumbers[Slot(index)]; }
  void AddGeneCount(int index) { ++mGeneCounts[Slot(index)]; }
  // Adds counts[i] to term i's count, for every term of the table that counts reaches.
  void AddGeneCounts(std::span<const int> counts) {
    const std::size_t terms = std::min(counts.size(), mGeneCounts.size());
    for (std::size_t i = 0; i < terms; ++i) mGeneCounts[i] += counts[i];
  }

  // No terms, no counts.
  void Clear();
  // Every geneCount and numAnnotated back to 0; the terms stay.
  void ClearCounts();

  // The index of the last term named exactly name (letter case counts); -1 when none.
  int FindName(std::string_view name) const { return mNameSlots.Find(name, HeldNames{*this}); }
  // The index of the first term numbered id; -1 when none.
  int FindNumber(int id) const {
    if (static_cast<std::uint32_t>(id) < mNumberIndices.size())
      return mNumberIndices[static_cast<std::size_t>(id)];
    // Every number of the direct range lies in mNumberIndices.
    if (id >= 0 && id < kDirectNumbers) return -1;
    return FindDistantNumber(id);
  }
  // Appends a term coloured by its index; -1 when the table is full (nothing logged).
  int Append(std::string_view name, int numericId);

 private:
  // Lookups run for every term of every gene. Numbers from 0 to kDirectNumbers - 1 (the
  // annotation index files number their terms so) index a table of term indices; other
  // numbers go through open-addressed slots sized for the full table at a load of at
  // most a third, and names through NameSlots.
  static constexpr std::size_t kSlots = 4096;
  static_assert(kSlots >= 3 * kMaxTerms);
  static constexpr int kDirectNumbers = 1 << 20;

  static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
  // Term i's name, as the name slots look it up: from the names end to end.
  struct HeldNames {
    const TERM_TABLE& table;
    std::string_view operator()(std::uint32_t index) const {
      const std::uint32_t start = table.mNameStarts[index];
      return {table.mNameChars.data() + start, table.mNameStarts[index + 1] - start};
    }
  };
  // Fibonacci hashing spreads neighbouring numbers over the slots.
  static std::size_t NumberSlot(int id) {
    return static_cast<std::size_t>((static_cast<std::uint32_t>(id) * 2654435769u) >> 20) &
           (kSlots - 1);
  }
  int FindDistantNumber(int id) const;

  std::vector<std::string> mNames;
  std::vector<int> mGeneCounts;
  std::vector<COLORREF> mColours;
  std::vector<int> mNumbers;
  // The names once more, end to end; term i's lies from mNameStarts[i] to
  // mNameStarts[i + 1].
  std::string mNameChars;
  std::vector<std::uint32_t> mNameStarts;
  NameSlots mNameSlots;
  // Per number of the direct range its first term's index, -1 for none; as long as the
  // highest such number appended needs.
  std::vector<std::int16_t> mNumberIndices;
  std::vector<std::uint16_t> mNumberSlots;  // numbers outside the direct range
};

// The index of term in table: in an index-backed table its leading number is looked up,
// otherwise its exact name. With add, a name that is absent is appended (refused with
// kTooManyTermsMessage in red when 1300 terms exist); an absent number is never
// appended, since only the index file gives a term its number and name. With add and
// countGene the term's geneCount grows by one. -1 when absent and not added, or when the
// table is full.
int LookUpTerm(TERM_TABLE& table, std::string_view term, bool add, bool countGene);

// The leading integer of a term of an index-backed column, as atoi reads it.
int TermNumber(std::string_view term);

// Fills table from an annotation index file: per line a number, a tab and the term's
// name, in the file's order (meant to ascend; any order is taken); with ".xls" in the
// path the first line is a header. The table becomes index-backed. False, with a red
// line, when the file does not open or holds more than 1300 terms.
[[nodiscard]] bool ReadAnnotationIndex(TERM_TABLE& table, const std::string& path);

// Fuzz entry: ReadAnnotationIndex on the bytes (through a scratch file) into a table of
// its own.
bool FuzzReadAnnotationIndex(const std::uint8_t* data, std::size_t size);

// The chance of n or more genes with the term among k genes drawn from the table's
// annotated genes (upper-tail hypergeometric).
double TermEnrichmentPValue(const TERM_TABLE& table, int term, int k, int n);
