// The sums behind the standard errors of one side's effects (each array's theta, or each
// probe's phi) over the cells the fit used, and each cell's fitted value and misfit. Every
// sum takes its terms one by one in the order of the other side, each product rounded
// before it is added, whatever the processor: the results are those of plain loops.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "engine/model/fit_steps.hpp"

// A residual within this fraction of the values it came from is rounding, not misfit: a
// perfect fit then has residuals and standard errors of exactly 0, so no outlier rule
// fires on rounding noise.
inline constexpr double kMisfitRoundingShare = 1e-10;

inline double Misfit(double value, double fitted) {
  const double difference = value - fitted;
  return std::fabs(difference) <=
                 kMisfitRoundingShare * std::max(std::fabs(value), std::fabs(fitted))
             ? 0.0
             : difference;
}

// One side's cells from the fit's work copies: column k, the other side's k-th effect,
// holds row r's value at columns[k * stride + r], and kept[k * stride + r] is -1 where the
// fit used the cell and 0 where it left it out; a column whose mask is not 0 is set aside
// whole. stride is a multiple of kFitLanes at least rows, and effects is readable to rows
// rounded up to lanes.
struct ErrorCells {
  const double* columns = nullptr;
  const std::int64_t* kept = nullptr;
  std::size_t stride = 0;
  int rows = 0;
  int count = 0;
  const std::int16_t* mask = nullptr;
  const double* factors = nullptr;  // the other side's effects, one per column
  const double* effects = nullptr;  // this side's effects, one per row
};

// Per row r, over the cells in use in the order of k, with fitted = factors[k] x
// effects[r]: cross[r] sums value x factors[k], squares[r] factors[k]^2, residuals[r]
// Misfit(value, fitted)^2, and used[r] counts the cells. Each holds rows rounded up to
// lanes.
struct ErrorSums {
  double* cross = nullptr;
  double* squares = nullptr;
  double* residuals = nullptr;
  std::int64_t* used = nullptr;
};
void StandardErrorSums(const ErrorCells& cells, const ErrorSums& sums);
// Only sums.residuals, for effects refitted after the other sums were taken.
void MisfitSquareSums(const ErrorCells& cells, const ErrorSums& sums);

// For rows of count cells each, row r at r x count: fitted[c] = phi[j] x theta[r] and
// misfits[c] = Misfit(values[c], fitted[c]) for the cell c of row r and column j < count.
void FittedAndMisfits(const double* values, const double* phi, const double* theta, int rows,
                      int count, double* fitted, double* misfits);

// The functions above run the first build of FitBuildsOfProcessor; these run the build
// given, which the processor must be able to run.
void StandardErrorSumsOf(FitBuild build, const ErrorCells& cells, const ErrorSums& sums);
void MisfitSquareSumsOf(FitBuild build, const ErrorCells& cells, const ErrorSums& sums);
void FittedAndMisfitsOf(FitBuild build, const double* values, const double* phi,
                        const double* theta, int rows, int count, double* fitted, double* misfits);
