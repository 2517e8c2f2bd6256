// The two-way matrix with missing cells and its alternating rank-one effect fit.
#include "engine/numerics/two_way_matrix.hpp"

#include <cmath>
#include <cstddef>

#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"

double InnerProductMissing(const double* a, const double* b, int n) {
  double sum = 0.0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (IsMissing(a[i]) || IsMissing(b[i])) continue;
    sum += a[i] * b[i];
    ++count;
  }
  if (count == 0) {
    LogMessage(kInnerProductErrorMessage, 0, kLogRed);
    return MISSING_VALUE;
  }
  return sum;
}

void TWO_WAY_MATRIX::AllocMatrix(int rows, int cols) {
  mRowCapacity = rows > 0 ? rows : 0;
  mColumnCapacity = cols > 0 ? cols : 0;
  mRowsInUse = mRowCapacity;
  mColumnsInUse = mColumnCapacity;
  const auto cells =
      static_cast<std::size_t>(mRowCapacity) * static_cast<std::size_t>(mColumnCapacity);
  mRowMajor.assign(cells, MISSING_VALUE);
  mColumnMajor.assign(cells, MISSING_VALUE);
  mRowEffects.assign(static_cast<std::size_t>(mRowCapacity), 0.0);
  mColumnEffects.assign(static_cast<std::size_t>(mColumnCapacity), 0.0);
  mPreviousColumnEffects.assign(static_cast<std::size_t>(mColumnCapacity), 0.0);
  mRowEffectPairs.assign(static_cast<std::size_t>(mRowCapacity), RowEffectPair{});
}

bool TWO_WAY_MATRIX::SetMatrixSize(int rows, int cols) {
  if (rows < 0 || cols < 0 || rows > mRowCapacity || cols > mColumnCapacity) return false;
  mRowsInUse = rows;
  mColumnsInUse = cols;
  return true;
}

void TWO_WAY_MATRIX::SetMatrixCell(int row, int col, double value) {
  if (InCapacity(row, col)) StoreCell(row, col, value);
}

void TWO_WAY_MATRIX::FreeMatrix() {
  mRowMajor = {};
  mColumnMajor = {};
  mRowEffects = {};
  mColumnEffects = {};
  mPreviousColumnEffects = {};
  mRowEffectPairs = {};
  mRowCapacity = mColumnCapacity = mRowsInUse = mColumnsInUse = 0;
}

void TWO_WAY_MATRIX::CentreColumns() {
  for (int col = 0; col < mColumnsInUse; ++col) {
    const double mean = MeanMissing(Column(col), mRowsInUse);
    if (IsMissing(mean)) continue;
    for (int row = 0; row < mRowsInUse; ++row) {
      const double value = Column(col)[row];
      if (!IsMissing(value)) StoreCell(row, col, value - mean);
    }
  }
}

bool TWO_WAY_MATRIX::FitEffects() {
  for (int row = 0; row < mRowsInUse; ++row) mRowEffects[static_cast<std::size_t>(row)] = row + 1;
  for (int col = 0; col < mColumnsInUse; ++col)
    mColumnEffects[static_cast<std::size_t>(col)] = col + 1;

  for (int pass = 0; pass < kMaxEffectFitPasses; ++pass) {
    mPreviousColumnEffects = mColumnEffects;
    for (int row = 0; row < mRowsInUse; ++row) {
      const double effect = InnerProductMissing(Row(row), mColumnEffects.data(), mColumnsInUse);
      if (IsMissing(effect)) return false;
      mRowEffects[static_cast<std::size_t>(row)] = effect;
    }
    double sumOfSquares = 0.0;
    for (int col = 0; col < mColumnsInUse; ++col) {
      const double effect = InnerProductMissing(Column(col), mRowEffects.data(), mRowsInUse);
      if (IsMissing(effect)) return false;
      mColumnEffects[static_cast<std::size_t>(col)] = effect;
      sumOfSquares += effect * effect;
    }
    ScaleVector(mColumnEffects.data(), 1.0 / std::sqrt(sumOfSquares), mColumnsInUse);
    if (VectorsConverged(mPreviousColumnEffects.data(), mColumnEffects.data(), mColumnsInUse,
                         nullptr))
      return true;
  }
  LogMessage(kEffectFitNotConvergedMessage, 0, kLogRed);
  return false;
}

bool TWO_WAY_MATRIX::FitRowColumnEffects() {
  CentreColumns();
  if (!FitEffects()) return false;
  for (int row = 0; row < mRowsInUse; ++row)
    mRowEffectPairs[static_cast<std::size_t>(row)].first =
        static_cast<float>(mRowEffects[static_cast<std::size_t>(row)]);

  for (int row = 0; row < mRowsInUse; ++row) {
    for (int col = 0; col < mColumnsInUse; ++col) {
      const double value = Cell(row, col);
      if (IsMissing(value)) continue;
      StoreCell(row, col,
                value - mColumnEffects[static_cast<std::size_t>(col)] *
                            mRowEffects[static_cast<std::size_t>(row)]);
    }
  }

  if (!FitEffects()) return false;
  for (int row = 0; row < mRowsInUse; ++row)
    mRowEffectPairs[static_cast<std::size_t>(row)].second =
        static_cast<float>(mRowEffects[static_cast<std::size_t>(row)]);
  return true;
}

double TWO_WAY_MATRIX::Cell(int row, int col) const {
  return Row(row)[col];
}

const double* TWO_WAY_MATRIX::Row(int row) const {
  return mRowMajor.data() +
         static_cast<std::size_t>(row) * static_cast<std::size_t>(mColumnCapacity);
}

const double* TWO_WAY_MATRIX::Column(int col) const {
  return mColumnMajor.data() +
         static_cast<std::size_t>(col) * static_cast<std::size_t>(mRowCapacity);
}

double* TWO_WAY_MATRIX::MutableRow(int row) {
  return mRowMajor.data() +
         static_cast<std::size_t>(row) * static_cast<std::size_t>(mColumnCapacity);
}

double* TWO_WAY_MATRIX::MutableColumn(int col) {
  return mColumnMajor.data() +
         static_cast<std::size_t>(col) * static_cast<std::size_t>(mRowCapacity);
}

std::span<const double> TWO_WAY_MATRIX::RowEffects() const {
  return {mRowEffects.data(), static_cast<std::size_t>(mRowsInUse)};
}

std::span<const double> TWO_WAY_MATRIX::ColumnEffects() const {
  return {mColumnEffects.data(), static_cast<std::size_t>(mColumnsInUse)};
}

std::span<const RowEffectPair> TWO_WAY_MATRIX::RowEffectPairs() const {
  return {mRowEffectPairs.data(), static_cast<std::size_t>(mRowsInUse)};
}

bool TWO_WAY_MATRIX::InCapacity(int row, int col) const {
  return row >= 0 && row < mRowCapacity && col >= 0 && col < mColumnCapacity;
}

void TWO_WAY_MATRIX::StoreCell(int row, int col, double value) {
  MutableRow(row)[col] = value;
  MutableColumn(col)[row] = value;
}
