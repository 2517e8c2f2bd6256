// An open-addressed index of names for the term tables: slots sized for the full table
// at a load of at most a third, each holding a term index plus one in its low bits and
// bits of the name's hash above them, so that a probe seldom looks at a name that
// differs. The names themselves stay with the owner, which hands them out by index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// The most terms one column's table holds.
inline constexpr int kMaxTerms = 1300;

class NameSlots {
 public:
  // The index of the name among those inserted, the last one inserted when it repeats;
  // -1 when none. nameAt(index) gives the owner's name of an index.
  template <typename NameAt>
  int Find(std::string_view name, const NameAt& nameAt) const {
    if (mSlots.empty()) return -1;
    const std::uint64_t hash = Hash(name);
    const std::uint32_t tag = Tag(hash);
    for (std::size_t slot = Slot(hash);; slot = (slot + 1) & (kSlots - 1)) {
      const std::uint32_t entry = mSlots[slot];
      if (entry == 0) return -1;
      const std::uint32_t index = (entry & kEntryIndexMask) - 1;
      if ((entry & ~kEntryIndexMask) == tag && Same(nameAt(index), name))
        return static_cast<int>(index);
    }
  }

  // Files index under name; a repeated name takes over its earlier entry's slot.
  template <typename NameAt>
  void Insert(std::string_view name, int index, const NameAt& nameAt) {
    if (mSlots.empty()) mSlots.assign(kSlots, 0);
    const std::uint64_t hash = Hash(name);
    const std::uint32_t tag = Tag(hash);
    for (std::size_t slot = Slot(hash);; slot = (slot + 1) & (kSlots - 1)) {
      const std::uint32_t entry = mSlots[slot];
      if (entry != 0 &&
          ((entry & ~kEntryIndexMask) != tag || !Same(nameAt((entry & kEntryIndexMask) - 1), name)))
        continue;
      mSlots[slot] = tag | static_cast<std::uint32_t>(index + 1);
      return;
    }
  }

  void Clear() { mSlots.clear(); }

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

 private:
  static constexpr std::size_t kSlots = 4096;
  static_assert(kSlots >= 3 * kMaxTerms);
  static constexpr std::uint32_t kEntryIndexMask = 0xFFFF;
  static_assert(kMaxTerms < kEntryIndexMask);

  // A multiply-and-fold hash over the name's eight-byte words (the last one overlapping
  // its neighbour), which for short names costs less than the library's.
  static std::uint64_t Hash(std::string_view name) {
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
  static std::size_t Slot(std::uint64_t hash) {
    return static_cast<std::size_t>(hash >> 52) & (kSlots - 1);
  }
  static std::uint32_t Tag(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash) & ~kEntryIndexMask;
  }
  // Whether two names are the same, comparing whole words where they can.
  static bool Same(std::string_view held, std::string_view name) {
    const std::size_t size = held.size();
    if (size != name.size()) return false;
    const char* a = held.data();
    const char* b = name.data();
    if (size >= 8) {
      for (std::size_t at = 0; at + 8 < size; at += 8)
        if (LoadWord(a + at) != LoadWord(b + at)) return false;
      return LoadWord(a + size - 8) == LoadWord(b + size - 8);
    }
    if (size >= 4)
      return LoadQuarter(a) == LoadQuarter(b) &&
             LoadQuarter(a + size - 4) == LoadQuarter(b + size - 4);
    for (std::size_t at = 0; at < size; ++at)
      if (a[at] != b[at]) return false;
    return true;
  }

  std::vector<std::uint32_t> mSlots;
};
