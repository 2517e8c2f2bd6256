// The standard errors' sums and the cells' misfits, built for any processor (two lanes,
// one register of every x86-64 processor), for one with AVX2 (four lanes, no fused
// multiply-add) and for one with AVX-512 (eight lanes), chosen once at the first call as
// the fit's steps are. Each lane does for its row exactly what one row alone would, in the
// same order, so every build gives the same bits.
#include "engine/model/standard_error_sums.hpp"

#include <cstring>

namespace {

template <int Width>
struct LanesOf;
template <>
struct LanesOf<2> {
  using Values = double __attribute__((vector_size(2 * sizeof(double))));
  using Mask = std::int64_t __attribute__((vector_size(2 * sizeof(double))));
};
template <>
struct LanesOf<4> {
  using Values = double __attribute__((vector_size(4 * sizeof(double))));
  using Mask = std::int64_t __attribute__((vector_size(4 * sizeof(double))));
};
template <>
struct LanesOf<8> {
  using Values = double __attribute__((vector_size(8 * sizeof(double))));
  using Mask = std::int64_t __attribute__((vector_size(8 * sizeof(double))));
};

// The helpers take their registers by reference: one passed by value would change the
// calling convention between the builds.
template <typename Vector>
[[gnu::always_inline]] inline void Load(Vector& lanes, const void* at) {
  std::memcpy(&lanes, at, sizeof lanes);
}

template <typename Vector>
[[gnu::always_inline]] inline void Store(void* at, const Vector& lanes) {
  std::memcpy(at, &lanes, sizeof lanes);
}

// Where the build's instructions include a fused multiply-add (AVX-512), an empty
// statement that takes the product as its operand keeps the compiler from fusing it with
// the addition or subtraction that follows, so the product is rounded first.
template <bool Fusable, typename Value>
[[gnu::always_inline]] inline void KeepRounded(Value& product) {
  if constexpr (Fusable) {
#if defined(__clang__)
    // clang checks a register operand against this helper's own target, which has no
    // registers wider than 16 bytes; a memory operand keeps the product rounded as well.
    if constexpr (sizeof(Value) > 16)
      asm("" : "+m"(product));
    else
      asm("" : "+v"(product));
#else
    asm("" : "+v"(product));
#endif
  }
}

// Misfit in every lane.
template <typename Values, typename Mask>
[[gnu::always_inline]] inline void MisfitLanes(Values& misfit, const Values& value,
                                               const Values& fitted) {
  const Mask magnitude = Mask{} + INT64_MAX;
  const Values difference = value - fitted;
  const auto a = reinterpret_cast<Values>(reinterpret_cast<Mask>(value) & magnitude);
  const auto b = reinterpret_cast<Values>(reinterpret_cast<Mask>(fitted) & magnitude);
  const auto size = reinterpret_cast<Values>(reinterpret_cast<Mask>(difference) & magnitude);
  const Values larger = a < b ? b : a;
  misfit = size <= kMisfitRoundingShare * larger ? Values{} : difference;
}

// The sums of Blocks neighbouring registers of rows from row `first`, side by side. A cell
// out of use adds +0.0 (its terms' bits cleared by the mask) instead of being skipped, so
// the loop has no branch: a sum that starts at +0.0 never becomes -0.0, so +0.0 leaves it
// as it is, and each sum takes the terms of the cells in use in their order.
template <int Width, int Blocks, bool AllSums, bool Fusable>
[[gnu::always_inline]] inline void SumBlocks(const ErrorCells& cells, int first,
                                             const ErrorSums& sums) {
  using Values = typename LanesOf<Width>::Values;
  using Mask = typename LanesOf<Width>::Mask;
  const std::size_t stride = cells.stride;
  const int count = cells.count;
  const double* const factors = cells.factors;
  const std::int16_t* const mask = cells.mask;
  Values effects[Blocks];
  Values cross[Blocks] = {};
  Values squares[Blocks] = {};
  Values residuals[Blocks] = {};
  Mask used[Blocks] = {};
  for (int b = 0; b < Blocks; ++b) Load(effects[b], cells.effects + first + b * Width);
  const double* column = cells.columns + first;
  const std::int64_t* kept = cells.kept + first;
  for (int k = 0; k < count; ++k, column += stride, kept += stride) {
    const double factor = factors[k];
    const std::int64_t columnInUse = mask[k] == 0 ? -1 : 0;
#pragma GCC unroll 4
    for (int b = 0; b < Blocks; ++b) {
      Values value;
      Mask use;
      Load(value, column + b * Width);
      Load(use, kept + b * Width);
      use &= columnInUse;
      Values fitted = effects[b] * factor;
      KeepRounded<Fusable>(fitted);
      Values misfit;
      MisfitLanes<Values, Mask>(misfit, value, fitted);
      Values square = misfit * misfit;
      KeepRounded<Fusable>(square);
      residuals[b] += reinterpret_cast<Values>(reinterpret_cast<Mask>(square) & use);
      if constexpr (AllSums) {
        Values product = value * factor;
        KeepRounded<Fusable>(product);
        cross[b] += reinterpret_cast<Values>(reinterpret_cast<Mask>(product) & use);
        double factorProduct = factor * factor;
        KeepRounded<Fusable>(factorProduct);
        const Values factorSquare = Values{} + factorProduct;
        squares[b] += reinterpret_cast<Values>(reinterpret_cast<Mask>(factorSquare) & use);
        used[b] -= use;
      }
    }
  }
  for (int b = 0; b < Blocks; ++b) {
    const int at = first + b * Width;
    Store(sums.residuals + at, residuals[b]);
    if constexpr (AllSums) {
      Store(sums.cross + at, cross[b]);
      Store(sums.squares + at, squares[b]);
      Store(sums.used + at, used[b]);
    }
  }
}

// Every row, rounded up to lanes: Blocks registers at a time, then single ones, then (for
// the widest) the half register the padding to kFitLanes leaves.
template <int Width, int Blocks, bool AllSums, bool Fusable>
[[gnu::always_inline]] inline void SumRows(const ErrorCells& cells, const ErrorSums& sums) {
  const auto rows = static_cast<int>(PaddedToLanes(cells.rows));
  int first = 0;
  for (; first + Blocks * Width <= rows; first += Blocks * Width)
    SumBlocks<Width, Blocks, AllSums, Fusable>(cells, first, sums);
  if constexpr (Blocks > 1)
    for (; first + Width <= rows; first += Width)
      SumBlocks<Width, 1, AllSums, Fusable>(cells, first, sums);
  if constexpr (Width > kFitLanes)
    for (; first < rows; first += kFitLanes)
      SumBlocks<kFitLanes, 1, AllSums, Fusable>(cells, first, sums);
}

// Registers of Width lanes while whole ones fit, then halves, then one at a time.
template <int Width, bool Fusable>
[[gnu::always_inline]] inline int FittedLanes(const double* values, const double* phi, double theta,
                                              int first, int count, double* fitted,
                                              double* misfits) {
  using Values = typename LanesOf<Width>::Values;
  using Mask = typename LanesOf<Width>::Mask;
  for (; first + Width <= count; first += Width) {
    Values effects;
    Values value;
    Load(effects, phi + first);
    Load(value, values + first);
    Values product = effects * theta;
    KeepRounded<Fusable>(product);
    Values misfit;
    MisfitLanes<Values, Mask>(misfit, value, product);
    Store(fitted + first, product);
    Store(misfits + first, misfit);
  }
  if constexpr (Width > 2)
    return FittedLanes<Width / 2, Fusable>(values, phi, theta, first, count, fitted, misfits);
  return first;
}

template <int Width, bool Fusable>
[[gnu::always_inline]] inline void FittedRow(const double* values, const double* phi, double theta,
                                             int count, double* fitted, double* misfits) {
  for (int j = FittedLanes<Width, Fusable>(values, phi, theta, 0, count, fitted, misfits);
       j < count; ++j) {
    double product = phi[j] * theta;
    KeepRounded<Fusable>(product);
    fitted[j] = product;
    misfits[j] = Misfit(values[j], product);
  }
}

// Row after row, in the build's instructions throughout.
template <int Width, bool Fusable>
[[gnu::always_inline]] inline void FittedRows(const double* values, const double* phi,
                                              const double* theta, int rows, int count,
                                              double* fitted, double* misfits) {
  const auto stride = static_cast<std::size_t>(count);
  for (int r = 0; r < rows; ++r) {
    const std::size_t at = static_cast<std::size_t>(r) * stride;
    FittedRow<Width, Fusable>(values + at, phi, theta[r], count, fitted + at, misfits + at);
  }
}

constexpr int kPlainWidth = 2;
constexpr int kBlocksTogether = 2;

template <bool AllSums>
void PlainSums(const ErrorCells& cells, const ErrorSums& sums) {
  SumRows<kPlainWidth, kBlocksTogether, AllSums, false>(cells, sums);
}

void PlainFitted(const double* values, const double* phi, const double* theta, int rows, int count,
                 double* fitted, double* misfits) {
  FittedRows<kPlainWidth, false>(values, phi, theta, rows, count, fitted, misfits);
}

#if defined(__x86_64__)
template <bool AllSums>
[[gnu::target("avx2")]] void WideSums(const ErrorCells& cells, const ErrorSums& sums) {
  SumRows<4, kBlocksTogether, AllSums, false>(cells, sums);
}

[[gnu::target("avx2")]] void WideFitted(const double* values, const double* phi,
                                        const double* theta, int rows, int count, double* fitted,
                                        double* misfits) {
  FittedRows<4, false>(values, phi, theta, rows, count, fitted, misfits);
}

template <bool AllSums>
[[gnu::target("avx512f")]] void WidestSums(const ErrorCells& cells, const ErrorSums& sums) {
  SumRows<8, kBlocksTogether, AllSums, true>(cells, sums);
}

[[gnu::target("avx512f")]] void WidestFitted(const double* values, const double* phi,
                                             const double* theta, int rows, int count,
                                             double* fitted, double* misfits) {
  FittedRows<8, true>(values, phi, theta, rows, count, fitted, misfits);
}
#endif

struct ErrorFunctions {
  void (*sums)(const ErrorCells&, const ErrorSums&);
  void (*residuals)(const ErrorCells&, const ErrorSums&);
  void (*fitted)(const double*, const double*, const double*, int, int, double*, double*);
};

const ErrorFunctions& FunctionsOf(FitBuild build) {
  static constexpr ErrorFunctions kPlain{&PlainSums<true>, &PlainSums<false>, &PlainFitted};
#if defined(__x86_64__)
  static constexpr ErrorFunctions kWide{&WideSums<true>, &WideSums<false>, &WideFitted};
  static constexpr ErrorFunctions kWidest{&WidestSums<true>, &WidestSums<false>, &WidestFitted};
  if (build == FitBuild::kAvx512) return kWidest;
  if (build == FitBuild::kAvx2) return kWide;
#endif
  return kPlain;
}

const ErrorFunctions& Functions() {
  static const ErrorFunctions& functions = FunctionsOf(FitBuildsOfProcessor().front());
  return functions;
}

}  // namespace

void StandardErrorSums(const ErrorCells& cells, const ErrorSums& sums) {
  Functions().sums(cells, sums);
}

void MisfitSquareSums(const ErrorCells& cells, const ErrorSums& sums) {
  Functions().residuals(cells, sums);
}

void FittedAndMisfits(const double* values, const double* phi, const double* theta, int rows,
                      int count, double* fitted, double* misfits) {
  Functions().fitted(values, phi, theta, rows, count, fitted, misfits);
}

void StandardErrorSumsOf(FitBuild build, const ErrorCells& cells, const ErrorSums& sums) {
  FunctionsOf(build).sums(cells, sums);
}

void MisfitSquareSumsOf(FitBuild build, const ErrorCells& cells, const ErrorSums& sums) {
  FunctionsOf(build).residuals(cells, sums);
}

void FittedAndMisfitsOf(FitBuild build, const double* values, const double* phi,
                        const double* theta, int rows, int count, double* fitted, double* misfits) {
  FunctionsOf(build).fitted(values, phi, theta, rows, count, fitted, misfits);
}
