// A rows x columns matrix of doubles with missing cells that fits row and column effects
// as rank-one products after centring the columns: two components, the row effects of
// both kept per row.
#pragma once

#include <span>
#include <vector>

#include "engine/base/missing_value.hpp"

// Sum of a[i] * b[i] over the i where neither is missing; logs kInnerProductErrorMessage
// in red and returns MISSING_VALUE when there is no such pair.
double InnerProductMissing(const double* a, const double* b, int n);

// The alternating fit stops with an error after this many passes without converging.
inline constexpr int kMaxEffectFitPasses = 10000;
inline constexpr const char* kInnerProductErrorMessage = "    Error: InnerProductMissing()";
inline constexpr const char* kEffectFitNotConvergedMessage =
    "    Error: row and column effect fit did not converge";

struct RowEffectPair {
  float first = 0.0f;
  float second = 0.0f;
};

class TWO_WAY_MATRIX {
 public:
  // Allocates rows x cols cells (all MISSING_VALUE) in both copies and the effect
  // arrays; capacities and the size in use become rows and cols.
  void AllocMatrix(int rows, int cols);
  // Sets the rows and columns in use; false (nothing changed) beyond the capacities.
  [[nodiscard]] bool SetMatrixSize(int rows, int cols);
  // Writes the cell in both copies; a cell outside the capacities is ignored.
  void SetMatrixCell(int row, int col, double value);
  // Releases everything; capacities and sizes become 0.
  void FreeMatrix();

  // Centres the columns, fits the first component, removes it from the cells, fits the
  // second. Row effects of both land in the row effect pairs, the column effects of the
  // second remain. False when a fit fails (a message has been logged).
  [[nodiscard]] bool FitRowColumnEffects();

  // The steps of FitRowColumnEffects, for callers that want one component.
  // Subtracts each column's mean of its non-missing cells from those cells.
  void CentreColumns();
  // Alternating rank-one fit of the cells in use: row effects and unit-length column
  // effects whose product approximates the cells. False, with a red line logged, when a
  // row or column has no usable cell or the fit does not converge.
  [[nodiscard]] bool FitEffects();

  int RowCapacity() const { return mRowCapacity; }
  int ColumnCapacity() const { return mColumnCapacity; }
  int RowsInUse() const { return mRowsInUse; }
  int ColumnsInUse() const { return mColumnsInUse; }

  // The row-major copy's cell, row and the column-major copy's column.
  double Cell(int row, int col) const;
  const double* Row(int row) const;
  const double* Column(int col) const;

  std::span<const double> RowEffects() const;
  std::span<const double> ColumnEffects() const;
  std::span<const RowEffectPair> RowEffectPairs() const;

 private:
  double* MutableRow(int row);
  double* MutableColumn(int col);
  bool InCapacity(int row, int col) const;
  // The one place cells change, so both copies always agree.
  void StoreCell(int row, int col, double value);

  std::vector<double> mRowMajor;
  std::vector<double> mColumnMajor;
  int mRowCapacity = 0;
  int mColumnCapacity = 0;
  int mRowsInUse = 0;
  int mColumnsInUse = 0;
  std::vector<double> mRowEffects;
  std::vector<double> mColumnEffects;
  std::vector<double> mPreviousColumnEffects;
  std::vector<RowEffectPair> mRowEffectPairs;
};
