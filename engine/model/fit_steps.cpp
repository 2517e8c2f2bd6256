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

// The whole step eight arrays at a time, with phi's sums in registers of eight and a last
// one of four; the probes in use listed once, so the theta sums take no branch. Arrays past
// the last eight take the same sums one by one.
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
  Lanes8 wide[kWide > 0 ? kWide : 1] = {};
  Lanes half{};
  const auto rowOf = [&](int i) { return byArray + static_cast<std::size_t>(i) * probeStride; };
  int first = 0;
  for (; first + kBlock <= arrays; first += kBlock) {
    Lanes8 total{};
    for (int k = 0; k < used; ++k)
      AddRounded(total, byProbe + offsets[static_cast<std::size_t>(k)] + first,
                 factors[static_cast<std::size_t>(k)]);
    const Lanes8 quotients = total / probesInUse;
    std::int64_t masks;
    static_assert(sizeof masks == 4 * sizeof(std::int16_t));
    std::int64_t more;
    std::memcpy(&masks, arrayMask + first, sizeof masks);
    std::memcpy(&more, arrayMask + first + 4, sizeof more);
    if ((masks | more) == 0) {
      std::memcpy(theta + first, &quotients, sizeof quotients);
#pragma GCC unroll 8
      for (int l = 0; l < kBlock; ++l)
        AddRow<kWide, kHalf>(wide, half, rowOf(first + l), quotients[l]);
      continue;
    }
    for (int l = 0; l < kBlock; ++l) {
      if (arrayMask[first + l] != 0) continue;
      theta[first + l] = quotients[l];
      AddRow<kWide, kHalf>(wide, half, rowOf(first + l), quotients[l]);
    }
  }
  for (int i = first; i < arrays; ++i) {
    if (arrayMask[i] != 0) continue;
    double total = 0.0;
    for (int k = 0; k < used; ++k) {
      double product = byProbe[offsets[static_cast<std::size_t>(k)] + static_cast<std::size_t>(i)] *
                       factors[static_cast<std::size_t>(k)];
      asm("" : "+v"(product));
      total += product;
    }
    const double effect = total / probesInUse;
    theta[i] = effect;
    AddRow<kWide, kHalf>(wide, half, rowOf(i), effect);
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
