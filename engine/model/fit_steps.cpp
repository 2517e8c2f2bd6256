// The alternating fit's sums, built twice where the processor may have wider registers:
// once for any processor and once for one with AVX2 (which has no fused multiply-add, so
// every product is still rounded before it is added), chosen once at the first call.
#include "engine/model/fit_steps.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// sums[r] is the sum of columns[k * stride + r] * other[k] over the k whose mask is 0, its
// terms added in the order of k, for `Rows` rows side by side. Each column's rows are
// contiguous and the sums stay in registers, so the additions of neighbouring rows go
// together in vector registers and none waits on memory.
template <int Rows>
[[gnu::always_inline]] inline void ColumnGroupSums(const double* columns, std::size_t stride,
                                                   const double* other, int count,
                                                   const std::int16_t* mask, double* sums) {
  std::array<double, Rows> total{};
  for (int k = 0; k < count; ++k) {
    if (mask[k] != 0) continue;
    const double o = other[k];
    const double* column = columns + static_cast<std::size_t>(k) * stride;
    for (int r = 0; r < Rows; ++r) total[r] += column[r] * o;
  }
  std::copy(total.begin(), total.end(), sums);
}

// Four values in one register; a product with a double multiplies each lane by it.
using Lanes = double __attribute__((vector_size(kFitLanes * sizeof(double))));

// Taken by reference: a register of lanes passed by value would change the calling
// convention between the builds.
[[gnu::always_inline]] inline void AddProducts(Lanes& sums, const double* at, double factor) {
  Lanes lanes;
  std::memcpy(&lanes, at, sizeof lanes);
  sums += lanes * factor;
}

// One whole step with phi's sums in `Groups` registers of lanes. Theta is found four
// arrays at a time, and each array's row is added into phi's sums as soon as its theta is
// known, so the divisions and the theta sums of the next arrays go on while phi's sums,
// each a chain over the arrays, wait on their additions.
template <int Groups>
[[gnu::always_inline]] inline void StepGroups(const FitStep& step) {
  // Everything in locals, so that the stores of theta are not taken to change them.
  const double* const byProbe = step.byProbe;
  const double* const byArray = step.byArray;
  const std::size_t arrayStride = step.arrayStride;
  const std::size_t probeStride = step.probeStride;
  const int arrays = step.arrays;
  const int probes = step.probes;
  const std::int16_t* const arrayMask = step.arrayMask;
  const std::int16_t* const probeMask = step.probeMask;
  const double probesInUse = step.probesInUse;
  const double* const phi = step.phi;
  double* const theta = step.theta;
  Lanes phiSums[Groups] = {};
  for (int first = 0; first < arrays; first += kFitLanes) {
    Lanes total{};
    const double* column = byProbe + first;
    for (int j = 0; j < probes; ++j, column += arrayStride)
      if (probeMask[j] == 0) AddProducts(total, column, phi[j]);
    const Lanes quotients = total / probesInUse;
    const int last = std::min(arrays, first + kFitLanes);
    for (int i = first; i < last; ++i) {
      if (arrayMask[i] != 0) continue;
      const double effect = quotients[i - first];
      theta[i] = effect;
      const double* const row = byArray + static_cast<std::size_t>(i) * probeStride;
#pragma GCC unroll 8
      for (int g = 0; g < Groups; ++g) AddProducts(phiSums[g], row + g * kFitLanes, effect);
    }
  }
  std::memcpy(step.phiSums, phiSums, sizeof phiSums);
}

template <int Rows>
void MaskedColumnGroup(const double* columns, std::size_t stride, const double* other, int count,
                       const std::int16_t* mask, double* sums) {
  ColumnGroupSums<Rows>(columns, stride, other, count, mask, sums);
}

template <int Groups>
void StepOfGroups(const FitStep& step) {
  StepGroups<Groups>(step);
}

#if defined(__x86_64__)
// The same sums four rows to a register where the processor has them. Each sum still takes
// its terms one by one in the order of k, each product rounded before it is added (the
// target has no fused multiply-add), so the results are those of the two-row registers.
template <int Rows>
[[gnu::target("avx2")]] void MaskedColumnGroupWide(const double* columns, std::size_t stride,
                                                   const double* other, int count,
                                                   const std::int16_t* mask, double* sums) {
  ColumnGroupSums<Rows>(columns, stride, other, count, mask, sums);
}

template <int Groups>
[[gnu::target("avx2")]] void StepOfGroupsWide(const FitStep& step) {
  StepGroups<Groups>(step);
}
#endif

#if defined(__x86_64__)
// Eight values in one register of a processor with AVX-512, whose instructions include a
// fused multiply-add: an empty statement that takes each product as its operand keeps the
// compiler from fusing it with the addition that follows, so every product is still
// rounded before it is added.
using Lanes8 = double __attribute__((vector_size(2 * kFitLanes * sizeof(double))));

template <typename Vector>
[[gnu::target("avx512f"), gnu::always_inline]] inline void AddRounded(Vector& sums,
                                                                      const double* at,
                                                                      double factor) {
  Vector lanes;
  std::memcpy(&lanes, at, sizeof lanes);
  Vector product = lanes * factor;
  asm("" : "+v"(product));
  sums += product;
}

// One array's row times its theta added into phi's sums.
template <int Wide, bool Half>
[[gnu::target("avx512f"), gnu::always_inline]] inline void AddRow(Lanes8* wide, Lanes& half,
                                                                  const double* row,
                                                                  double effect) {
#pragma GCC unroll 8
  for (int g = 0; g < Wide; ++g) AddRounded(wide[g], row + g * 2 * kFitLanes, effect);
  if constexpr (Half) AddRounded(half, row + Wide * 2 * kFitLanes, effect);
}

// Theta's sums of Count neighbouring blocks of the arrays, side by side so that their
// chains of additions overlap, each block a register of Vector; each lane takes the probes
// in use in order. The quotients go to quotients[first...].
template <int Count, typename Vector>
[[gnu::target("avx512f"), gnu::always_inline]] inline void ThetaBlocks(
    const double* byProbe, const std::size_t* offsets, const double* factors, int used, int first,
    double probesInUse, double* quotients) {
  constexpr int kWidth = static_cast<int>(sizeof(Vector) / sizeof(double));
  Vector totals[Count] = {};
  for (int k = 0; k < used; ++k) {
    const double* const column = byProbe + offsets[k] + first;
#pragma GCC unroll 4
    for (int b = 0; b < Count; ++b) AddRounded(totals[b], column + b * kWidth, factors[k]);
  }
#pragma GCC unroll 4
  for (int b = 0; b < Count; ++b) {
    const Vector quotient = totals[b] / probesInUse;
    std::memcpy(quotients + first + b * kWidth, &quotient, sizeof quotient);
  }
}

// The quotients of the arrays from first on: a chunk of four blocks of eight, or the
// blocks of eight and of four that are left (the columns are padded with zeros to whole
// lanes of four). Returns the end of those found.
constexpr int kBlocksTogether = 4;
[[gnu::target("avx512f"), gnu::always_inline]] inline int ThetaChunk(
    const double* byProbe, const std::size_t* offsets, const double* factors, int used, int first,
    int arrays, double probesInUse, double* quotients) {
  constexpr int kBlock = 2 * kFitLanes;
  if (first + kBlocksTogether * kBlock <= arrays) {
    ThetaBlocks<kBlocksTogether, Lanes8>(byProbe, offsets, factors, used, first, probesInUse,
                                         quotients);
    return first + kBlocksTogether * kBlock;
  }
  for (; first + kBlock <= arrays; first += kBlock)
    ThetaBlocks<1, Lanes8>(byProbe, offsets, factors, used, first, probesInUse, quotients);
  for (; first < arrays; first += kFitLanes)
    ThetaBlocks<1, Lanes>(byProbe, offsets, factors, used, first, probesInUse, quotients);
  return arrays;
}

// The whole step with phi's sums in registers of eight and a last one of four. Every
// array's theta is found first, four blocks of eight side by side, with the probes in use
// listed once so the sums take no branch; then each array's row is added into phi's sums
// in the arrays' order, a chain that the theta sums no longer hold up.
template <int Groups>
[[gnu::target("avx512f")]] void StepOfGroupsWidest(const FitStep& step) {
  constexpr int kWide = Groups / 2;
  constexpr bool kHalf = Groups % 2 != 0;
  constexpr int kBlock = 2 * kFitLanes;
  const double* const byProbe = step.byProbe;
  const double* const byArray = step.byArray;
  const std::size_t probeStride = step.probeStride;
  const int arrays = step.arrays;
  const std::int16_t* const arrayMask = step.arrayMask;
  const double probesInUse = step.probesInUse;
  double* const theta = step.theta;
  std::array<std::size_t, kFitStepMaxProbes> offsets;
  std::array<double, kFitStepMaxProbes> factors;
  int used = 0;
  for (int j = 0; j < step.probes; ++j) {
    if (step.probeMask[j] != 0) continue;
    offsets[static_cast<std::size_t>(used)] = static_cast<std::size_t>(j) * step.arrayStride;
    factors[static_cast<std::size_t>(used)] = step.phi[j];
    ++used;
  }
  alignas(64) std::array<double, kFitStepMaxArrays + kFitLanes> quotients;
  Lanes8 wide[kWide > 0 ? kWide : 1] = {};
  Lanes half{};
  for (int first = 0; first < arrays;)
    first = ThetaChunk(byProbe, offsets.data(), factors.data(), used, first, arrays, probesInUse,
                       quotients.data());
  for (int i = 0; i < arrays; ++i) {
    if (arrayMask[i] != 0) continue;
    const double effect = quotients[static_cast<std::size_t>(i)];
    theta[i] = effect;
    AddRow<kWide, kHalf>(wide, half, byArray + static_cast<std::size_t>(i) * probeStride, effect);
  }
  std::memcpy(step.phiSums, wide, kWide * sizeof(Lanes8));
  if constexpr (kHalf) std::memcpy(step.phiSums + kWide * kBlock, &half, sizeof half);
}
#endif

// As many rows at once as the vector registers hold sums for; a probe set's probes fit in
// one group, so its phi sums take a single pass over the arrays.
constexpr int kColumnGroupRows = 12;
constexpr int kStepGroups = kFitStepMaxProbes / kFitLanes;

using ColumnGroupFunction = void (*)(const double*, std::size_t, const double*, int,
                                     const std::int16_t*, double*);
using StepFunction = void (*)(const FitStep&);
using ColumnGroups = std::array<ColumnGroupFunction, kColumnGroupRows>;
using StepTable = std::array<StepFunction, kStepGroups>;

struct FitFunctions {
  ColumnGroups columnGroups;
  StepTable steps;
};

template <int... Rows, int... Groups>
constexpr FitFunctions FitTable(std::integer_sequence<int, Rows...>,
                                std::integer_sequence<int, Groups...>) {
  return {{&MaskedColumnGroup<Rows + 1>...}, {&StepOfGroups<Groups + 1>...}};
}

#if defined(__x86_64__)
template <int... Rows, int... Groups>
constexpr FitFunctions WideFitTable(std::integer_sequence<int, Rows...>,
                                    std::integer_sequence<int, Groups...>) {
  return {{&MaskedColumnGroupWide<Rows + 1>...}, {&StepOfGroupsWide<Groups + 1>...}};
}

template <int... Rows, int... Groups>
constexpr FitFunctions WidestFitTable(std::integer_sequence<int, Rows...>,
                                      std::integer_sequence<int, Groups...>) {
  return {{&MaskedColumnGroupWide<Rows + 1>...}, {&StepOfGroupsWidest<Groups + 1>...}};
}
#endif

// The builds' tables, kPlain's first.
const FitFunctions& FunctionsOf(FitBuild build) {
  static constexpr FitFunctions kPlain =
      FitTable(std::make_integer_sequence<int, kColumnGroupRows>{},
               std::make_integer_sequence<int, kStepGroups>{});
#if defined(__x86_64__)
  static constexpr FitFunctions kWide =
      WideFitTable(std::make_integer_sequence<int, kColumnGroupRows>{},
                   std::make_integer_sequence<int, kStepGroups>{});
  static constexpr FitFunctions kWidest =
      WidestFitTable(std::make_integer_sequence<int, kColumnGroupRows>{},
                     std::make_integer_sequence<int, kStepGroups>{});
  if (build == FitBuild::kAvx512) return kWidest;
  if (build == FitBuild::kAvx2) return kWide;
#endif
  return kPlain;
}

const FitFunctions& Functions() {
  static const FitFunctions& functions = FunctionsOf(FitBuildsOfProcessor().front());
  return functions;
}

void StepOf(const FitFunctions& functions, const FitStep& step) {
  const auto groups = PaddedToLanes(step.probes) / kFitLanes;
  if (groups < 1 || groups > static_cast<std::size_t>(kStepGroups)) return;
  functions.steps[groups - 1](step);
}

}  // namespace

void MaskedColumnSums(const double* columns, std::size_t stride, int rows, const double* other,
                      int count, const std::int16_t* mask, double* sums) {
  const ColumnGroups& groups = Functions().columnGroups;
  for (int r = 0; r < rows; r += kColumnGroupRows) {
    const int group = std::min(kColumnGroupRows, rows - r);
    groups[static_cast<std::size_t>(group - 1)](columns + r, stride, other, count, mask, sums + r);
  }
}

std::vector<FitBuild> FitBuildsOfProcessor() {
  std::vector<FitBuild> builds;
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx512f") != 0) builds.push_back(FitBuild::kAvx512);
  if (__builtin_cpu_supports("avx2") != 0) builds.push_back(FitBuild::kAvx2);
#endif
  builds.push_back(FitBuild::kPlain);
  return builds;
}

void AlternatingStep(const FitStep& step) {
  StepOf(Functions(), step);
}

void AlternatingStepOf(FitBuild build, const FitStep& step) {
  StepOf(FunctionsOf(build), step);
}
