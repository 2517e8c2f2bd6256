// The keep flags of an invariant-set round and the round itself, four or sixteen members
// to a register where the processor has the instructions. The divisions of the formula
// cost most; the wide paths multiply instead (by reciprocals, or the whole comparison by
// twice the count), which puts each side within a few units of the last place of the
// exact one (both sides lie below 1, so within 1e-15), and take the exact formula for the
// rare members whose sides come closer than kUnsureMargin, where the products could decide
// otherwise than the quotients.
#include "engine/array/invariant_keep.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr double kUnsureMargin = 1e-12;

using KeepFlagsFunction = void (*)(const int*, const int*, std::uint8_t*, std::size_t, double,
                                   double, double);

void ExactKeepFlags(const int* first, const int* second, std::uint8_t* keep, std::size_t n,
                    double count, double low, double high) {
  for (std::size_t m = 0; m < n; ++m)
    keep[m] = KeepsInvariantPlace(first[m], second[m], count, low, high) ? 1 : 0;
}

#if defined(__x86_64__)
// The four flag bytes of each 4-bit mask, lowest lane first.
struct MaskBytes {
  std::uint8_t bytes[16][4];
  constexpr MaskBytes() : bytes() {
    for (int mask = 0; mask < 16; ++mask)
      for (int lane = 0; lane < 4; ++lane)
        bytes[mask][lane] = static_cast<std::uint8_t>((mask >> lane) & 1);
  }
};
constexpr MaskBytes kMaskBytes;

// Without fused multiply-add in the target, as the exact formula's products are rounded
// before they are added.
[[gnu::target("avx2")]] void WideKeepFlags(const int* first, const int* second, std::uint8_t* keep,
                                           std::size_t n, double count, double low, double high) {
  const __m256d perTwiceCount = _mm256_set1_pd(1.0 / (2.0 * count));
  const __m256d perCount = _mm256_set1_pd(1.0 / count);
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d lowSide = _mm256_set1_pd(low);
  const __m256d highSide = _mm256_set1_pd(high);
  const __m256d sure = _mm256_set1_pd(kUnsureMargin);
  const __m256d sureBelow = _mm256_set1_pd(-kUnsureMargin);
  std::size_t m = 0;
  for (; m + 4 <= n; m += 4) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + m));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + m));
    const __m256d height = _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_add_epi32(a, b)), perTwiceCount);
    const __m256d threshold = _mm256_add_pd(_mm256_mul_pd(lowSide, _mm256_sub_pd(one, height)),
                                            _mm256_mul_pd(highSide, height));
    const __m256d share =
        _mm256_mul_pd(_mm256_cvtepi32_pd(_mm_abs_epi32(_mm_sub_epi32(a, b))), perCount);
    const __m256d margin = _mm256_sub_pd(threshold, share);
    const int kept = _mm256_movemask_pd(_mm256_cmp_pd(margin, sure, _CMP_GT_OQ));
    const int dropped = _mm256_movemask_pd(_mm256_cmp_pd(margin, sureBelow, _CMP_LT_OQ));
    std::memcpy(keep + m, kMaskBytes.bytes[kept], 4);
    if ((kept | dropped) != 0xF)
      ExactKeepFlags(first + m, second + m, keep + m, 4, count, low, high);
  }
  ExactKeepFlags(first + m, second + m, keep + m, n - m, count, low, high);
}
#endif

KeepFlagsFunction KeepFlagsOfProcessor() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2") != 0) return &WideKeepFlags;
#endif
  return &ExactKeepFlags;
}

// The exact flag, never inlined into a build whose instructions include a fused
// multiply-add, so that its products are rounded before they are added.
[[gnu::noinline]] bool ExactKeep(int first, int second, double count, double low, double high) {
  return KeepsInvariantPlace(first, second, count, low, high);
}

constexpr std::uint64_t kEntryBits = (std::uint64_t{1} << kRankEntryPlaces) - 1;

// The members of the entries before each entry, into its high half.
[[gnu::always_inline]] inline void SumEarlierMembers(const InvariantRound& round) {
  std::uint64_t before = 0;
  for (std::size_t e = 0; e < round.rankEntries; ++e) {
    const std::uint64_t bits = round.ranks[e] & kEntryBits;
    round.ranks[e] = before << kRankEntryPlaces | bits;
    before += static_cast<std::uint64_t>(std::popcount(bits));
  }
}

[[gnu::always_inline]] inline int SecondRank(const std::uint64_t* ranks, unsigned place) {
  const std::uint64_t entry = ranks[place / kRankEntryPlaces];
  const std::uint64_t below = (std::uint64_t{1} << (place % kRankEntryPlaces)) - 1;
  return static_cast<int>((entry >> kRankEntryPlaces) +
                          static_cast<std::uint64_t>(std::popcount(entry & below)));
}

[[gnu::always_inline]] inline void ClearDropped(const InvariantRound& round, std::size_t dropped) {
  for (std::size_t d = 0; d < dropped; ++d) {
    const auto place = static_cast<unsigned>(round.dropped[d]);
    round.ranks[place / kRankEntryPlaces] &= ~(std::uint64_t{1} << (place % kRankEntryPlaces));
  }
}

// The plain and AVX2 rounds: the ranks of a block of members are gathered into contiguous
// buffers, flagged, and the kept moved down, eight as one where all eight stay.
constexpr std::size_t kKeepBlock = 512;
constexpr std::size_t kMovedTogether = 8;
constexpr std::uint64_t kAllKept = 0x0101010101010101ull;

struct KeepBlock {
  std::array<int, kKeepBlock> first;
  std::array<int, kKeepBlock> second;
  std::array<std::uint8_t, kKeepBlock> keep;
};

template <KeepFlagsFunction Flags>
[[gnu::always_inline]] inline std::size_t BlockRound(const InvariantRound& round) {
  SumEarlierMembers(round);
  KeepBlock block;
  int* const members = round.members;
  const double count = static_cast<double>(round.count);
  std::size_t kept = 0;
  std::size_t dropped = 0;
  for (std::size_t start = 0; start < round.count; start += kKeepBlock) {
    const std::size_t n = std::min(kKeepBlock, round.count - start);
    const int* const blockMembers = members + start;
    for (std::size_t m = 0; m < n; ++m) {
      block.first[m] = static_cast<int>(start + m);
      block.second[m] = SecondRank(round.ranks, static_cast<unsigned>(blockMembers[m]));
    }
    Flags(block.first.data(), block.second.data(), block.keep.data(), n, count, round.low,
          round.high);
    const auto move = [&](std::size_t m) {
      const int place = blockMembers[m];
      const std::size_t keep = block.keep[m];
      members[kept] = place;
      round.dropped[dropped] = place;
      kept += keep;
      dropped += keep ^ 1u;
    };
    std::size_t m = 0;
    for (; m + kMovedTogether <= n; m += kMovedTogether) {
      std::uint64_t flags = 0;
      std::memcpy(&flags, block.keep.data() + m, sizeof flags);
      if (flags != kAllKept) {
        for (std::size_t k = m; k < m + kMovedTogether; ++k) move(k);
        continue;
      }
      std::memmove(members + kept, blockMembers + m, kMovedTogether * sizeof(int));
      kept += kMovedTogether;
    }
    for (; m < n; ++m) move(m);
  }
  ClearDropped(round, dropped);
  return kept;
}

std::size_t PlainRound(const InvariantRound& round) {
  return BlockRound<&ExactKeepFlags>(round);
}

#if defined(__x86_64__)
[[gnu::target("avx2,popcnt")]] std::size_t WideRound(const InvariantRound& round) {
  return BlockRound<&WideKeepFlags>(round);
}

// The AVX-512 round takes sixteen members at a time: their rank entries gathered, their
// second ranks counted and their flags computed sixteen to a register, and the kept and
// dropped compressed into place. Its flags come from the formula multiplied out by
// 2 * count, which is linear in the ranks:
//   margin = 2 * count * low - (low - high) * (first + second) - 2 * |first - second|
// a member keeping its place where the margin is positive. Each term lies within
// 2 * count of 0, so the computed margin is within a few times 2 * count * 2^-53 of the
// exact one; where it lies within 2 * count * kUnsureMargin of 0 the exact formula
// decides.
struct WidestSides {
  __m512d twiceCountLow;  // 2 * count * low
  __m512d lowAboveHigh;   // low - high
  __m512d sure;           // 2 * count * kUnsureMargin
  __m512d sureBelow;
};

// The compiler's AVX-512 intrinsics start their results from deliberately undefined
// registers, which it then warns of wherever they are inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define ZELKO_WIDEST_TARGET gnu::target("avx512f,avx512dq,avx512vpopcntdq,popcnt")

// Each product passes through an empty statement, which keeps the compiler from fusing it
// with the subtraction that follows.
[[ZELKO_WIDEST_TARGET, gnu::always_inline]] inline __m512d Rounded(__m512d product) {
  asm("" : "+v"(product));
  return product;
}

// The rank entries of eight places.
[[ZELKO_WIDEST_TARGET, gnu::always_inline]] inline __m512i GatherEntries(const std::uint64_t* ranks,
                                                                         __m256i entryIndices) {
  // The gather merges into its destination, so it waits for that register's last value:
  // it gathers into a register computed just before, under a mask the compiler cannot
  // see is full, which keeps it from picking a register of an earlier group and chaining
  // the groups one after another.
  unsigned lanes = 0xFFu;
  asm("" : "+r"(lanes));
  return _mm512_mask_i32gather_epi64(_mm512_cvtepu32_epi64(entryIndices),
                                     static_cast<__mmask8>(lanes), entryIndices,
                                     static_cast<const void*>(ranks), 8);
}

// The bits of those that surely keep their place among eight members, and of those whose
// margin lies too close to 0 to tell (unsure).
struct WidestFlagBits {
  unsigned kept;
  unsigned unsure;
};
[[ZELKO_WIDEST_TARGET, gnu::always_inline]] inline WidestFlagBits MarginFlags(
    __m256i sum, __m256i twiceDifference, const WidestSides& sides) {
  const __m512d product = Rounded(_mm512_mul_pd(sides.lowAboveHigh, _mm512_cvtepi32_pd(sum)));
  const __m512d margin = _mm512_sub_pd(
      _mm512_sub_pd(sides.twiceCountLow, _mm512_cvtepi32_pd(twiceDifference)), product);
  const unsigned kept = _mm512_cmp_pd_mask(margin, sides.sure, _CMP_GT_OQ);
  const unsigned dropped = _mm512_cmp_pd_mask(margin, sides.sureBelow, _CMP_LT_OQ);
  return {kept, ~(kept | dropped) & 0xFFu};
}

// The flags of sixteen members with ranks first and these places.
[[ZELKO_WIDEST_TARGET, gnu::always_inline]] inline WidestFlagBits WidestFlags(
    const std::uint64_t* ranks, __m512i places, __m512i first, const WidestSides& sides) {
  const __m512i entryIndices = _mm512_srli_epi32(places, 5);
  const __m512i lower = GatherEntries(ranks, _mm512_castsi512_si256(entryIndices));
  const __m512i upper = GatherEntries(ranks, _mm512_extracti64x4_epi64(entryIndices, 1));
  // The entries' bits (their low halves) and counts (high halves), sixteen to a register.
  const __m512i bits = _mm512_permutex2var_epi32(
      lower, _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30), upper);
  const __m512i counts = _mm512_permutex2var_epi32(
      lower, _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31), upper);
  const __m512i unit = _mm512_set1_epi32(1);
  const __m512i below = _mm512_sub_epi32(
      _mm512_sllv_epi32(unit, _mm512_and_si512(places, _mm512_set1_epi32(31))), unit);
  const __m512i second =
      _mm512_add_epi32(counts, _mm512_popcnt_epi32(_mm512_and_si512(bits, below)));
  // Ranks below 2^30: the sum and twice the difference fit in 32 bits.
  const __m512i sum = _mm512_add_epi32(first, second);
  const __m512i twiceDifference =
      _mm512_slli_epi32(_mm512_abs_epi32(_mm512_sub_epi32(first, second)), 1);
  const WidestFlagBits low =
      MarginFlags(_mm512_castsi512_si256(sum), _mm512_castsi512_si256(twiceDifference), sides);
  const WidestFlagBits high = MarginFlags(_mm512_extracti64x4_epi64(sum, 1),
                                          _mm512_extracti64x4_epi64(twiceDifference, 1), sides);
  return {low.kept | high.kept << 8, low.unsure | high.unsure << 8};
}

// Members are flagged a block at a time, and moved once the block's few unsure flags are
// settled: the loop that gathers makes no call, so its constants stay in registers.
constexpr std::size_t kWidestBlockGroups = 32;  // of sixteen members

struct WidestBlock {
  std::array<std::uint16_t, kWidestBlockGroups> kept;
  std::array<std::uint16_t, kWidestBlockGroups> unsure;
};

// The exact flags of the block's unsure members, whose groups of sixteen start at member
// start; rare, so kept out of line.
[[gnu::noinline, gnu::cold]] void SettleUnsure(const InvariantRound& round, std::size_t start,
                                               std::size_t groups, WidestBlock& block) {
  const double count = static_cast<double>(round.count);
  for (std::size_t g = 0; g < groups; ++g)
    for (unsigned lane = 0; lane < 16; ++lane) {
      if (((block.unsure[g] >> lane) & 1u) == 0) continue;
      const std::size_t m = start + 16 * g + lane;
      if (ExactKeep(static_cast<int>(m),
                    SecondRank(round.ranks, static_cast<unsigned>(round.members[m])), count,
                    round.low, round.high))
        block.kept[g] = static_cast<std::uint16_t>(block.kept[g] | 1u << lane);
    }
}

[[ZELKO_WIDEST_TARGET]] std::size_t WidestRound(const InvariantRound& round) {
  SumEarlierMembers(round);
  const double count = static_cast<double>(round.count);
  const double twiceCount = 2.0 * count;
  const WidestSides sides{
      _mm512_set1_pd(twiceCount * round.low), _mm512_set1_pd(round.low - round.high),
      _mm512_set1_pd(twiceCount * kUnsureMargin), _mm512_set1_pd(-twiceCount * kUnsureMargin)};
  int* const members = round.members;
  int* const droppedPlaces = round.dropped;
  const std::uint64_t* const ranks = round.ranks;
  const std::size_t memberCount = round.count;
  const __m512i sixteen = _mm512_set1_epi32(16);
  __m512i first = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  WidestBlock block;
  std::size_t kept = 0;
  std::size_t dropped = 0;
  std::size_t m = 0;
  while (m + 16 <= memberCount) {
    const std::size_t groups = std::min(kWidestBlockGroups, (memberCount - m) / 16);
    unsigned unsure = 0;
    for (std::size_t g = 0; g < groups; ++g) {
      const WidestFlagBits flags =
          WidestFlags(ranks, _mm512_loadu_si512(members + m + 16 * g), first, sides);
      block.kept[g] = static_cast<std::uint16_t>(flags.kept);
      block.unsure[g] = static_cast<std::uint16_t>(flags.unsure);
      unsure |= flags.unsure;
      first = _mm512_add_epi32(first, sixteen);
    }
    if (unsure != 0) SettleUnsure(round, m, groups, block);
    for (std::size_t g = 0; g < groups; ++g, m += 16) {
      const __m512i places = _mm512_loadu_si512(members + m);
      const auto keep = static_cast<__mmask16>(block.kept[g]);
      const auto keptHere = static_cast<unsigned>(std::popcount(block.kept[g]));
      // Whole registers are stored: the kept land on places already read, as kept never
      // passes m, and the dropped list has room for a register beyond the members.
      _mm512_storeu_si512(members + kept, _mm512_maskz_compress_epi32(keep, places));
      _mm512_storeu_si512(droppedPlaces + dropped,
                          _mm512_maskz_compress_epi32(static_cast<__mmask16>(~keep), places));
      kept += keptHere;
      dropped += 16 - keptHere;
    }
  }
  for (; m < memberCount; ++m) {
    const int place = members[m];
    const bool keep =
        ExactKeep(static_cast<int>(m), SecondRank(ranks, static_cast<unsigned>(place)), count,
                  round.low, round.high);
    members[kept] = place;
    droppedPlaces[dropped] = place;
    kept += keep ? 1u : 0u;
    dropped += keep ? 0u : 1u;
  }
  ClearDropped(round, dropped);
  return kept;
}
#undef ZELKO_WIDEST_TARGET
#pragma GCC diagnostic pop
#endif

}  // namespace

bool KeepsInvariantPlace(int first, int second, double count, double low, double high) {
  const double height = (first + second) / (2.0 * count);
  return low * (1.0 - height) + high * height > std::abs(first - second) / count;
}

void InvariantKeepFlags(const int* first, const int* second, std::uint8_t* keep, std::size_t n,
                        double count, double low, double high) {
  static const KeepFlagsFunction kKeepFlags = KeepFlagsOfProcessor();
  kKeepFlags(first, second, keep, n, count, low, high);
}

std::vector<KeepBuild> KeepBuildsOfProcessor() {
  std::vector<KeepBuild> builds;
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0 &&
      __builtin_cpu_supports("avx512vpopcntdq") != 0 && __builtin_cpu_supports("popcnt") != 0)
    builds.push_back(KeepBuild::kAvx512);
  if (__builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("popcnt") != 0)
    builds.push_back(KeepBuild::kAvx2);
#endif
  builds.push_back(KeepBuild::kPlain);
  return builds;
}

std::size_t KeepInvariantRoundOf(KeepBuild build, const InvariantRound& round) {
#if defined(__x86_64__)
  if (build == KeepBuild::kAvx512) return WidestRound(round);
  if (build == KeepBuild::kAvx2) return WideRound(round);
#endif
  (void)build;
  return PlainRound(round);
}

std::size_t KeepInvariantRound(const InvariantRound& round) {
  static const KeepBuild kBuild = KeepBuildsOfProcessor().front();
  return KeepInvariantRoundOf(kBuild, round);
}
