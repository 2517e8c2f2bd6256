// The distinct annotation terms of one term column of the gene information: names,
// colours, how many counted genes carry each, and for columns backed by an annotation
// index file the terms' numbers, which the gene information file uses in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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
    const std::uint32_t tag = NameTag(hash);
    for (std::size_t slot = NameSlot(hash);; slot = (slot + 1) & (kSlots - 1)) {
      const std::uint32_t entry = mNameSlots[slot];
      if (entry == 0) return -1;
      const std::uint32_t index = (entry & kEntryIndexMask) - 1;
      if ((entry & ~kEntryIndexMask) == tag && HoldsName(index, name))
        return static_cast<int>(index);
    }
  }
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
  // numbers, and names, go through open-addressed slots sized for the full table at a
  // load of at most a third. A name slot holds the term index plus one in its low bits and
  // bits of the name's hash above them, so that a probe seldom looks at a name that
  // differs.
  static constexpr std::size_t kSlots = 4096;
  static_assert(kSlots >= 3 * kMaxTerms);
  static constexpr int kDirectNumbers = 1 << 20;
  static constexpr std::uint32_t kEntryIndexMask = 0xFFFF;
  static_assert(kMaxTerms < kEntryIndexMask);

  static std::size_t Slot(int index) { return static_cast<std::size_t>(index); }
  // A multiply-and-fold hash over the name's eight-byte words (the last one overlapping
  // its neighbour), which for short names costs less than the library's.
  static std::uint64_t NameHash(std::string_view name) {
    const char* chars = name.data();
    std::size_t left = name.size();
    std::uint64_t hash = Mix(0x243F6A8885A308D3ull ^ left);
    if (left >= 8) {
      for (; left > 8; chars += 8, left -= 8) hash = Mix(hash ^ LoadWord(chars));
      return Mix(hash ^ LoadWord(name.data() + name.size() - 8));
    }
    if (left >= 4)
      return Mix(hash ^ (LoadQuarter(chars) | std::uint64_t{LoadQuarter(chars + left - 4)} << 32));
    if (left > 0) {
      const auto byte = [](char ch) { return std::uint64_t{static_cast<unsigned char>(ch)}; };
      return Mix(hash ^
                 (byte(chars[0]) | byte(chars[left / 2]) << 8 | byte(chars[left - 1]) << 16));
    }
    return hash;
  }
  static std::uint64_t Mix(std::uint64_t value) {
    value *= 0x9E3779B97F4A7C15ull;
    return value ^ (value >> 29);
  }
  static std::size_t NameSlot(std::uint64_t hash) {
    return static_cast<std::size_t>(hash >> 52) & (kSlots - 1);
  }
  static std::uint32_t NameTag(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash) & ~kEntryIndexMask;
  }
  static std::uint64_t LoadWord(const char* chars) {
    std::uint64_t word;
    std::memcpy(&word, chars, sizeof word);
    return word;
  }
  static std::uint32_t LoadQuarter(const char* chars) {
    std::uint32_t word;
    std::memcpy(&word, chars, sizeof word);
    return word;
  }
  // Whether the term's name is name, comparing whole words where it can.
  bool HoldsName(std::uint32_t index, std::string_view name) const {
    const std::uint32_t start = mNameStarts[index];
    const std::size_t size = mNameStarts[index + 1] - start;
    if (size != name.size()) return false;
    const char* held = mNameChars.data() + start;
    const char* chars = name.data();
    if (size >= 8) {
      for (std::size_t at = 0; at + 8 < size; at += 8)
        if (LoadWord(held + at) != LoadWord(chars + at)) return false;
      return LoadWord(held + size - 8) == LoadWord(chars + size - 8);
    }
    if (size >= 4)
      return LoadQuarter(held) == LoadQuarter(chars) &&
             LoadQuarter(held + size - 4) == LoadQuarter(chars + size - 4);
    for (std::size_t at = 0; at < size; ++at)
      if (held[at] != chars[at]) return false;
    return true;
  }
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
  std::vector<std::uint32_t> mNameSlots;
  // Per number of the direct range its first term's index, -1 for none; as long as the
  // highest such number appended needs.
  std::vector<std::int16_t> mNumberIndices;
  std::vector<std::uint16_t> mNumberSlots;  // numbers outside the direct range
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
