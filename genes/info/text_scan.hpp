// Scanning of delimited text sixteen bytes at a time, for the gene information reader
// whose files hold many short lines, fields and terms: masks of where chosen bytes lie
// in a block, blocks read without passing the end of the readable bytes, short numbers
// read without a loop per digit, and the sorting of a gene's short list of term indices.
// They branch little on the data: a branch the data decide is often mispredicted, and
// each miss costs about as much as a dozen instructions.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text_scan {

static_assert(std::endian::native == std::endian::little,
              "bit i of a mask and the first character of a word are the lowest byte");

inline constexpr std::size_t kBlockSize = 16;

// Sixteen bytes of text; Matches tells where a byte value lies among them.
class Block {
 public:
  // The 16 bytes at p must be readable.
  explicit Block(const char* p) {
#if defined(__SSE2__)
    mBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
#else
    std::memcpy(mWords, p, sizeof mWords);
#endif
  }

  // Bit i is set where byte i equals ch.
  std::uint32_t Matches(char ch) const {
#if defined(__SSE2__)
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(mBytes, _mm_set1_epi8(ch))));
#else
    return WordMatches(mWords[0], ch) | (WordMatches(mWords[1], ch) << 8);
#endif
  }

 private:
#if defined(__SSE2__)
  __m128i mBytes;
#else
  // The high bit of every byte equal to ch, exactly (no borrow from a neighbour), gathered
  // into the low eight bits.
  static std::uint32_t WordMatches(std::uint64_t word, char ch) {
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t x = word ^ (0x0101010101010101ull * static_cast<unsigned char>(ch));
    const std::uint64_t highs = ~(((x & kLows) + kLows) | x | kLows);
    std::uint32_t mask = 0;
    for (int i = 0; i < 8; ++i)
      mask |= static_cast<std::uint32_t>((highs >> (8 * i + 7)) & 1u) << i;
    return mask;
  }
  std::uint64_t mWords[2];
#endif
};

// The block at p, of which only the bytes before readableEnd may be read; those after it
// read as fill.
inline Block LoadBlock(const char* p, const char* readableEnd, char fill) {
  if (readableEnd - p >= static_cast<std::ptrdiff_t>(kBlockSize)) return Block(p);
  char padded[kBlockSize];
  std::memset(padded, fill, sizeof padded);
  std::memcpy(padded, p, static_cast<std::size_t>(readableEnd - p));
  return Block(padded);
}

// The bits of the first count positions of a block (count below 32).
inline std::uint32_t FirstBits(std::ptrdiff_t count) {
  return (1u << count) - 1u;
}

inline std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

// The value of the 1 to 8 characters at p when all are digits; the 8 bytes at p must be
// readable. False for any other text.
inline bool ReadShortNumber(const char* p, std::size_t length, int& value) {
  if (length - 1 >= 8) return false;
  // The characters move to the top bytes, zero bytes below them.
  const unsigned shift = 64 - 8 * static_cast<unsigned>(length);
  const std::uint64_t text = LoadWord(p) << shift;
  const std::uint64_t used = ~std::uint64_t{0} << shift;
  // A digit's high half is 3 before and after adding 6 (no byte carries into the next:
  // the zero bytes stay below 16, a digit below 64).
  constexpr std::uint64_t kHighHalves = 0xF0F0F0F0F0F0F0F0ull;
  constexpr std::uint64_t kThrees = 0x3030303030303030ull;
  const std::uint64_t wrong =
      ((text & kHighHalves) ^ kThrees) | (((text + 0x0606060606060606ull) & kHighHalves) ^ kThrees);
  if ((wrong & used) != 0) return false;
  // The zero bytes read as leading zeros. Pairs, then quadruples, then the eight digits
  // are combined; the first is the most significant.
  std::uint64_t digits = text & 0x0F0F0F0F0F0F0F0Full;
  digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFull;
  digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFFull;
  digits = (digits * 10000 + (digits >> 32)) & 0xFFFFFFFFull;
  value = static_cast<int>(digits);
  return true;
}

// Appends base plus the place of each set bit of mask to places, lowest first, and
// counts them in count. The first four are written whether the mask has them or not, so
// that the common case takes no branch on the mask: places needs room for count plus
// the larger of 4 and the mask's bits.
inline void AppendPlaces(std::uint32_t mask, std::size_t base, std::size_t* places,
                         std::size_t& count) {
  for (int i = 0; i < 4; ++i) {
    places[count] = base + static_cast<std::size_t>(std::countr_zero(mask));
    count += mask != 0 ? 1 : 0;
    mask &= mask - 1;
  }
  for (; mask != 0; mask &= mask - 1)
    places[count++] = base + static_cast<std::size_t>(std::countr_zero(mask));
}

#if defined(__SSE2__)
namespace sorting {

// One layer of a bitonic sort: each place meets its partner and keeps the smaller or,
// where keepLarger is set, the larger of the two.
inline __m128i Exchange(__m128i v, __m128i partner, __m128i keepLarger) {
  const __m128i smaller = _mm_min_epi16(v, partner);
  const __m128i larger = _mm_max_epi16(v, partner);
  return _mm_or_si128(_mm_and_si128(keepLarger, larger), _mm_andnot_si128(keepLarger, smaller));
}
// The partners one, two and four places away.
inline __m128i NextPlace(__m128i v) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xB1), 0xB1);
}
inline __m128i PairPlace(__m128i v) {
  return _mm_shuffle_epi32(v, 0xB1);
}
inline __m128i HalfPlace(__m128i v) {
  return _mm_shuffle_epi32(v, 0x4E);
}

// Eight places whose halves run in opposite directions, merged ascending or descending.
inline __m128i MergeEight(__m128i v, bool descending) {
  const __m128i flip = descending ? _mm_set1_epi16(-1) : _mm_setzero_si128();
  v = Exchange(v, HalfPlace(v), _mm_xor_si128(flip, _mm_setr_epi16(0, 0, 0, 0, -1, -1, -1, -1)));
  v = Exchange(v, PairPlace(v), _mm_xor_si128(flip, _mm_setr_epi16(0, 0, -1, -1, 0, 0, -1, -1)));
  return Exchange(v, NextPlace(v), _mm_xor_si128(flip, _mm_setr_epi16(0, -1, 0, -1, 0, -1, 0, -1)));
}

// Eight places sorted ascending or descending.
inline __m128i SortEight(__m128i v, bool descending) {
  v = Exchange(v, NextPlace(v), _mm_setr_epi16(0, -1, -1, 0, 0, -1, -1, 0));
  v = Exchange(v, PairPlace(v), _mm_setr_epi16(0, 0, -1, -1, -1, -1, 0, 0));
  v = Exchange(v, NextPlace(v), _mm_setr_epi16(0, -1, 0, -1, -1, 0, -1, 0));
  return MergeEight(v, descending);
}

// The eight places at values, numbered from first on, of which those numbered below count
// are in use; unused places take the largest value, so that a sort puts them behind the
// list.
inline __m128i LoadInUse(const std::int16_t* values, int first, std::size_t count, __m128i& inUse) {
  const __m128i places = _mm_add_epi16(_mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7),
                                       _mm_set1_epi16(static_cast<std::int16_t>(first)));
  inUse = _mm_cmplt_epi16(places, _mm_set1_epi16(static_cast<std::int16_t>(count)));
  const __m128i loaded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
  return _mm_or_si128(_mm_and_si128(inUse, loaded),
                      _mm_andnot_si128(inUse, _mm_set1_epi16(INT16_MAX)));
}

// Stores the places in use, the others as they were.
inline void StoreInUse(std::int16_t* values, __m128i sorted, __m128i inUse) {
  const __m128i original = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(values),
                   _mm_or_si128(_mm_and_si128(inUse, sorted), _mm_andnot_si128(inUse, original)));
}

}  // namespace sorting
#endif

// Sorts the first count values ascending by insertion, where no network is at hand.
inline void SortByInsertion(std::int16_t* values, std::size_t count) {
  for (std::size_t i = 1; i < count; ++i)
    for (std::size_t j = i; j > 0 && values[j - 1] > values[j]; --j) {
      const std::int16_t value = values[j];
      values[j] = values[j - 1];
      values[j - 1] = value;
    }
}

// Sort the first count (at most kEightList, or kSixteenList) values, all below
// INT16_MAX, ascending; as many places from values on must be readable and writable,
// and those past count keep their values. Fixed networks of compare-exchanges over all
// the places: no branch on the data and no loop whose length the list decides, where the
// short lists most genes carry would mispredict one or the other.
inline constexpr std::size_t kEightList = 8;
inline constexpr std::size_t kSixteenList = 16;
inline void SortEightList(std::int16_t* values, std::size_t count) {
#if defined(__SSE2__)
  __m128i inUse;
  const __m128i v = sorting::LoadInUse(values, 0, count, inUse);
  sorting::StoreInUse(values, sorting::SortEight(v, false), inUse);
#else
  SortByInsertion(values, count);
#endif
}
inline void SortSixteenList(std::int16_t* values, std::size_t count) {
#if defined(__SSE2__)
  __m128i lowInUse;
  __m128i highInUse;
  // The halves sorted in opposite directions form one bitonic sequence, merged ascending.
  const __m128i low = sorting::SortEight(sorting::LoadInUse(values, 0, count, lowInUse), false);
  const __m128i high =
      sorting::SortEight(sorting::LoadInUse(values + 8, 8, count, highInUse), true);
  sorting::StoreInUse(values, sorting::MergeEight(_mm_min_epi16(low, high), false), lowInUse);
  sorting::StoreInUse(values + 8, sorting::MergeEight(_mm_max_epi16(low, high), false), highInUse);
#else
  SortByInsertion(values, count);
#endif
}

}  // namespace text_scan
