// Checks the two-way matrix: both copies kept in step, and the rank-one fits recovering
// the known components the cells were built from.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <span>
#include <vector>

#include "engine/numerics/two_way_matrix.hpp"
#include "engine/testing/captured_log.hpp"

namespace {

constexpr double M = MISSING_VALUE;

// Expects v to be a multiple of truth (either sign) with the given length.
void ExpectParallel(std::span<const double> v, const std::vector<double>& truth, double length,
                    double tolerance) {
  ASSERT_EQ(v.size(), truth.size());
  const double norm = std::sqrt(std::inner_product(truth.begin(), truth.end(), truth.begin(), 0.0));
  const double sign = std::inner_product(v.begin(), v.end(), truth.begin(), 0.0) < 0 ? -1.0 : 1.0;
  for (std::size_t i = 0; i < v.size(); ++i)
    EXPECT_NEAR(v[i], sign * length * truth[i] / norm, tolerance) << i;
}

double Norm(const std::vector<double>& v) {
  return std::sqrt(std::inner_product(v.begin(), v.end(), v.begin(), 0.0));
}

void Fill(TWO_WAY_MATRIX& matrix, const std::vector<double>& a, const std::vector<double>& b,
          const std::vector<double>& c = {}, const std::vector<double>& d = {}) {
  for (std::size_t i = 0; i < a.size(); ++i)
    for (std::size_t j = 0; j < b.size(); ++j)
      matrix.SetMatrixCell(static_cast<int>(i), static_cast<int>(j),
                           a[i] * b[j] + (c.empty() ? 0.0 : c[i] * d[j]));
}

TEST(TwoWayMatrix, SizesAndCellsInBothCopies) {
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(3, 4);
  EXPECT_EQ(matrix.RowsInUse(), 3);
  EXPECT_EQ(matrix.ColumnsInUse(), 4);
  EXPECT_FALSE(matrix.SetMatrixSize(3, 5));
  EXPECT_FALSE(matrix.SetMatrixSize(4, 1));
  EXPECT_EQ(matrix.ColumnsInUse(), 4);
  EXPECT_TRUE(matrix.SetMatrixSize(2, 3));
  EXPECT_EQ(matrix.RowsInUse(), 2);
  matrix.SetMatrixCell(2, 3, 7.25);
  matrix.SetMatrixCell(3, 0, 1.0);  // outside: ignored
  EXPECT_EQ(matrix.Cell(2, 3), 7.25);
  EXPECT_EQ(matrix.Row(2)[3], 7.25);
  EXPECT_EQ(matrix.Column(3)[2], 7.25);
  EXPECT_EQ(matrix.Cell(0, 0), M);
  matrix.FreeMatrix();
  EXPECT_EQ(matrix.RowCapacity(), 0);
  EXPECT_EQ(matrix.ColumnsInUse(), 0);
}

TEST(TwoWayMatrix, InnerProductSkipsMissingAndFailsWithoutPairs) {
  CapturedLog log;
  const double a[] = {1.0, M, 3.0, 2.0};
  const double b[] = {4.0, 5.0, M, -1.0};
  EXPECT_EQ(InnerProductMissing(a, b, 4), 2.0);
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(InnerProductMissing(a + 1, b + 1, 2), M);
  EXPECT_EQ(InnerProductMissing(a, b, 0), M);
  EXPECT_EQ(log.CountInColour(kLogRed), 2);
  EXPECT_TRUE(log.ContainsRed("    Error: InnerProductMissing()"));
}

TEST(TwoWayMatrix, CentringLeavesMissingCellsAndEmptyColumns) {
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(3, 2);
  matrix.SetMatrixCell(0, 0, 1.0);
  matrix.SetMatrixCell(1, 0, M);
  matrix.SetMatrixCell(2, 0, 5.0);
  matrix.CentreColumns();
  EXPECT_EQ(matrix.Cell(0, 0), -2.0);
  EXPECT_EQ(matrix.Column(0)[0], -2.0);
  EXPECT_EQ(matrix.Cell(1, 0), M);
  EXPECT_EQ(matrix.Cell(2, 0), 2.0);
  EXPECT_EQ(matrix.Column(1)[1], M);
}

TEST(TwoWayMatrix, RankOneFitRecoversColumnDirection) {
  const std::vector<double> a = {1, 2, 4, 7, 11};
  const std::vector<double> b = {3, -1, 2, 5};
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(6, 5);  // one spare row and column, outside the size in use
  matrix.SetMatrixCell(5, 4, 1e6);
  ASSERT_TRUE(matrix.SetMatrixSize(5, 4));
  Fill(matrix, a, b);
  matrix.CentreColumns();
  ASSERT_TRUE(matrix.FitEffects());
  ExpectParallel(matrix.ColumnEffects(), b, 1.0, 1e-9);
  std::vector<double> centredA = {-4, -3, -1, 2, 6};
  const double sign = matrix.ColumnEffects()[0] > 0 ? 1.0 : -1.0;
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_NEAR(matrix.RowEffects()[i], sign * centredA[i] * Norm(b), 1e-9);
}

// Two centred, orthogonal components of distinct strength; row 6 is zero throughout, so
// dropping one of its cells changes no inner product.
struct RankTwo {
  std::vector<double> a = {2, -1, 1, -1, -1, 0, 0};
  std::vector<double> b = {2, 1, -1, 0};
  std::vector<double> c = {0.3, 0.3, 0, 0, 0.3, -0.9, 0};
  std::vector<double> d = {1, -2, 0, 1};
};

void ExpectBothComponents(const TWO_WAY_MATRIX& matrix, const RankTwo& truth) {
  std::vector<double> first, second;
  for (const RowEffectPair& pair : matrix.RowEffectPairs()) {
    first.push_back(pair.first);
    second.push_back(pair.second);
  }
  ExpectParallel(first, truth.a, Norm(truth.a) * Norm(truth.b), 1e-5);
  ExpectParallel(second, truth.c, Norm(truth.c) * Norm(truth.d), 1e-5);
  ExpectParallel(matrix.ColumnEffects(), truth.d, 1.0, 1e-6);
  // The first component is gone from the cells; the second remains.
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(matrix.Cell(i, j),
                  truth.c[static_cast<std::size_t>(i)] * truth.d[static_cast<std::size_t>(j)],
                  1e-5);
}

TEST(TwoWayMatrix, FitFindsBothComponents) {
  const RankTwo truth;
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(7, 4);
  Fill(matrix, truth.a, truth.b, truth.c, truth.d);
  ASSERT_TRUE(matrix.FitRowColumnEffects());
  ExpectBothComponents(matrix, truth);
}

TEST(TwoWayMatrix, MissingCellStaysMissingAndIsSkipped) {
  const RankTwo truth;
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(7, 4);
  Fill(matrix, truth.a, truth.b, truth.c, truth.d);
  matrix.SetMatrixCell(6, 2, M);
  ASSERT_TRUE(matrix.FitRowColumnEffects());
  EXPECT_EQ(matrix.Cell(6, 2), M);
  EXPECT_EQ(matrix.Column(2)[6], M);
  ExpectBothComponents(matrix, truth);
}

TEST(TwoWayMatrix, MissingCellActsAsZeroAfterCentring) {
  // A cell with large effects missing, against the same matrix with that cell set to its
  // column's mean, which centring turns into zero.
  const RankTwo truth;
  TWO_WAY_MATRIX withMissing, withMean;
  for (TWO_WAY_MATRIX* matrix : {&withMissing, &withMean}) {
    matrix->AllocMatrix(7, 4);
    Fill(*matrix, truth.a, truth.b, truth.c, truth.d);
  }
  double othersSum = 0.0;
  for (int i = 1; i < 7; ++i) othersSum += withMean.Cell(i, 0);
  withMissing.SetMatrixCell(0, 0, M);
  withMean.SetMatrixCell(0, 0, othersSum / 6.0);
  for (TWO_WAY_MATRIX* matrix : {&withMissing, &withMean}) {
    matrix->CentreColumns();
    ASSERT_TRUE(matrix->FitEffects());
  }
  EXPECT_EQ(withMissing.Cell(0, 0), M);
  for (int j = 0; j < 4; ++j)
    EXPECT_NEAR(withMissing.ColumnEffects()[j], withMean.ColumnEffects()[j], 1e-9);
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(withMissing.RowEffects()[i], withMean.RowEffects()[i], 1e-9);

  // Removing the first component leaves the cell missing in both copies.
  ASSERT_TRUE(withMissing.FitRowColumnEffects());
  EXPECT_EQ(withMissing.Cell(0, 0), M);
  EXPECT_EQ(withMissing.Column(0)[0], M);
}

TEST(TwoWayMatrix, AllMissingFailsAtFirstRowEffect) {
  CapturedLog log;
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(3, 3);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) matrix.SetMatrixCell(i, j, M);
  EXPECT_FALSE(matrix.FitRowColumnEffects());
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "    Error: InnerProductMissing()");
  EXPECT_EQ(log.Lines()[0].colour, kLogRed);
}

TEST(TwoWayMatrix, FitThatNeverConvergesGivesUp) {
  // Constant columns centre to zeros: the effects have no direction to settle on.
  CapturedLog log;
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(3, 3);
  Fill(matrix, {1, 1, 1}, {2, 5, -3});
  EXPECT_FALSE(matrix.FitRowColumnEffects());
  ASSERT_EQ(log.Lines().size(), 1u);
  EXPECT_EQ(log.Lines()[0].text, "    Error: row and column effect fit did not converge");
  EXPECT_EQ(log.Lines()[0].colour, kLogRed);
}

}  // namespace
