// Moving a distribution over inheritance vectors from one marker to the next: each free
// meiosis recombines with the Haldane probability of the map distance between them.
#pragma once

#include <cstdint>
#include <span>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

// (1 - exp(-0.02 d)) / 2 for d cM; a distance of -1 (unknown) gives 0.5.
double HaldaneTheta(double centiMorgans);

// The move over every meiosis, the fixed ones included. A vector v stands for itself and
// for each vector that flips all of some founders' meioses (founderFlips, one mask per
// founder with children), so the move into v sums over all that a path can come from:
// dst(v) = sum over w and over sets S of founders of theta^(h + |S|)
// (1 - theta)^(bits + F - h - |S|) src(w), h the bits in which v and w flipped by S differ,
// F the number of founders. With oneCrossover only moves of at most one recombination
// count: w = v, its single-bit neighbours and v flipped by one founder's mask. theta 0
// copies. Large vectors are split over threads; each value is computed the same way on
// one thread and on many.
void TransitionVectors(const float* src, float* dst, int bits,
                       std::span<const std::uint32_t> founderFlips, double theta,
                       bool oneCrossover);

// into[v] *= by[v], and into[v] = x[v] * y[v], split over threads.
void MultiplyVectors(float* into, const float* by, std::uint32_t n);
void ProductOfVectors(const float* x, const float* y, float* into, std::uint32_t n);

// log10 of the sum of v, dividing v by the sum when asked. A sum that is not above 0
// makes v uniform, logs the red line, raises *degenerate and gives 0.
float MakeProb(float* v, std::uint32_t n, bool normalise, bool* degenerate);

// Vectors far from the data's path hold values that sink below the smallest normal float;
// arithmetic on such values is many times slower, and they count for nothing against a sum
// of 1, so while one lives the calling thread takes them as zero.
class FlushTinyValues {
 public:
#if defined(__SSE2__)
  FlushTinyValues() : mSaved(_mm_getcsr()) {
    _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero);
  }
  ~FlushTinyValues() {
    _mm_setcsr(mSaved);
  }
  FlushTinyValues(const FlushTinyValues&) = delete;
  FlushTinyValues& operator=(const FlushTinyValues&) = delete;

 private:
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  unsigned mSaved;
#endif
};
