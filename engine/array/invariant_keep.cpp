// The keep flags of an invariant-set round, four members to a register where the
// processor has the instructions. The divisions of the formula cost most; the wide path
// multiplies by reciprocals instead, which puts each side of the comparison within a few
// units of the last place of the exact one (both sides lie below 1, so within 1e-15),
// and takes the exact formula for the rare members whose sides come closer than
// kUnsureMargin, where the products could decide otherwise than the quotients.
#include "engine/array/invariant_keep.hpp"

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
