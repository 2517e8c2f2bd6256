// The distinct annotation terms of one term column of the gene information: names,
// colours, how many counted genes carry each, and for columns backed by an annotation
// index file the terms' numbers, which the gene information file uses in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/colour.hpp"

inline constexpr int kMaxTerms = 1300;

inline constexpr const char* kTooManyTermsMessage =
    "    Error: number of functional terms exceeds limit";

class TERM_TABLE {
 public:
  // Set when the column is backed by an annotation index file: terms in the gene
  // information file are numbers, looked up among the numericIds (ascending).
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

  // No terms, no counts.
  void Clear();
  // Every geneCount and numAnnotated back to 0; the terms stay.
  void ClearCounts();

  // The index of the last term named exactly name (letter case counts); -1 when none.
  int FindName(std::string_view name) const {
    if (mNameSlots.empty()) return -1;
    const std::uint64_t hash = NameHash(name);
    for (std::size_t slot = hash & (kSlots - 1);; slot = (slot + 1) & (kSlots - 1)) {
      const int entry = mNameSlots[slot];
      if (entry == 0) return -1;
      const auto index = static_cast<std::size_t>(entry - 1);
      if (mNameHashes[index] == hash && mNames[index] == name) return entry - 1;
    }
  }
  // The index of the first term numbered id; -1 when none.
  int FindNumber(int id) const {
    if (mNumberSlots.empty()) return -1;
    for (std::size_t slot = NumberSlot(id);; slot = (slot + 1) & (kSlots - 1)) {
      const int entry = mNumberSlots[slot];
      if (entry == 0) return -1;
      if (mNumbers[static_cast<std::size_t>(entry - 1)] == id) return entry - 1;
    }
  }
  // Appends a term coloured by its index; -1 when the table is full (nothing logged).
  int Append(std::string_view name, int numericId);

 private:
  // Lookups run for every term of every gene, so the table is kept as parallel arrays
  // with open-addressed slots (term index plus one) by name and by number, sized for the
  // full table at a load of at most a third.
  static constexpr std::size_t kSlots = 4096;
  static_assert(kSlots >= 3 * kMaxTerms);

  static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
  static std::uint64_t NameHash(std::string_view name) {
    return std::hash<std::string_view>{}(name);
  }
  // Fibonacci hashing spreads neighbouring numbers over the slots.
  static std::size_t NumberSlot(int id) {
    return static_cast<std::size_t>((static_cast<std::uint32_t>(id) * 2654435769u) >> 20) &
           (kSlots - 1);
  }

  std::vector<std::string> mNames;
  std::vector<int> mGeneCounts;
  std::vector<COLORREF> mColours;
  std::vector<int> mNumbers;
  std::vector<std::uint64_t> mNameHashes;
  std::vector<std::uint16_t> mNameSlots;
  std::vector<std::uint16_t> mNumberSlots;
};

// The index of term in table: in an index-backed table its leading number is looked up,
// otherwise its exact name. With add, a name that is absent is appended (refused with
// kTooManyTermsMessage in red when 1300 terms exist); an absent number is never
// appended, since the table must stay in the order of its index file. With add and
// countGene the term's geneCount grows by one. -1 when absent and not added, or when the
// table is full.
int LookUpTerm(TERM_TABLE& table, std::string_view term, bool add, bool countGene);

// The leading integer of a term of an index-backed column, as atoi reads it.
int TermNumber(std::string_view term);

// Fills table from an annotation index file: per line a number, a tab and the term's
// name, numbers ascending; with ".xls" in the path the first line is a header. The
// table becomes index-backed. False, with a red line, when the file does not open,
// holds more than 1300 terms or is out of order.
[[nodiscard]] bool ReadAnnotationIndex(TERM_TABLE& table, const std::string& path);

// The chance of n or more genes with the term among k genes drawn from the table's
// annotated genes (upper-tail hypergeometric).
double TermEnrichmentPValue(const TERM_TABLE& table, int term, int k, int n);
