// Every build of the standard errors' sums and of the cells' misfits that the processor
// runs gives the bits of plain loops over one row at a time: on shapes around each build's
// register widths (rows and columns), with columns set aside and cells left out, and with
// cells fitted exactly or within rounding so that the misfit rule's zero is taken.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/model/fit_steps.hpp"
#include "engine/model/standard_error_sums.hpp"

namespace {

struct SumsCase {
  int rows = 0;
  int count = 0;
  std::size_t stride = 0;
  std::vector<double> columns;
  std::vector<std::int64_t> kept;
  std::vector<std::int16_t> mask;
  std::vector<double> factors;
  std::vector<double> effects;

  ErrorCells Cells() const {
    return {.columns = columns.data(),
            .kept = kept.data(),
            .stride = stride,
            .rows = rows,
            .count = count,
            .mask = mask.data(),
            .factors = factors.data(),
            .effects = effects.data()};
  }
};

// Values near factor x effect: most with noise, some exact, some off by rounding only.
double CellValue(double fitted, std::mt19937_64& engine) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double draw = unit(engine);
  if (draw < 0.1) return fitted;
  if (draw < 0.2) return fitted * (1.0 + 1e-13);
  return fitted + (unit(engine) - 0.5) * 400.0;
}

SumsCase MakeCase(int rows, int count, std::size_t extraStride, double setAside, double leftOut,
                  std::mt19937_64& engine) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  SumsCase c;
  c.rows = rows;
  c.count = count;
  c.stride = PaddedToLanes(rows) + extraStride;
  c.columns.assign(c.stride * static_cast<std::size_t>(count), 0.0);
  c.kept.assign(c.columns.size(), 0);
  c.effects.assign(PaddedToLanes(rows), 0.0);
  for (int r = 0; r < rows; ++r)
    c.effects[static_cast<std::size_t>(r)] =
        unit(engine) < 0.1 ? 0.0 : -20.0 + 3000.0 * unit(engine);
  for (int k = 0; k < count; ++k) {
    c.factors.push_back(unit(engine) < 0.05 ? -0.4 : 0.2 + 1.5 * unit(engine));
    c.mask.push_back(unit(engine) < setAside ? 1 : 0);
    for (int r = 0; r < rows; ++r) {
      const std::size_t at = static_cast<std::size_t>(k) * c.stride + static_cast<std::size_t>(r);
      c.columns[at] = CellValue(c.factors.back() * c.effects[static_cast<std::size_t>(r)], engine);
      c.kept[at] = unit(engine) < leftOut ? 0 : -1;
    }
  }
  return c;
}

struct PlainSums {
  std::vector<double> cross, squares, residuals;
  std::vector<std::int64_t> used;
};

// The sums as plain loops over one row at a time, skipping the cells out of use: the oracle.
PlainSums Plain(const SumsCase& c) {
  PlainSums p;
  for (int r = 0; r < c.rows; ++r) {
    double cross = 0.0;
    double squares = 0.0;
    double residuals = 0.0;
    std::int64_t used = 0;
    for (int k = 0; k < c.count; ++k) {
      const std::size_t at = static_cast<std::size_t>(k) * c.stride + static_cast<std::size_t>(r);
      if (c.mask[static_cast<std::size_t>(k)] != 0 || c.kept[at] == 0) continue;
      const double factor = c.factors[static_cast<std::size_t>(k)];
      const double misfit = Misfit(c.columns[at], factor * c.effects[static_cast<std::size_t>(r)]);
      cross += c.columns[at] * factor;
      squares += factor * factor;
      residuals += misfit * misfit;
      ++used;
    }
    p.cross.push_back(cross);
    p.squares.push_back(squares);
    p.residuals.push_back(residuals);
    p.used.push_back(used);
  }
  return p;
}

std::uint64_t Bits(double value) {
  return std::bit_cast<std::uint64_t>(value);
}

}  // namespace

TEST(StandardErrorSums, EveryBuildGivesThePlainLoopsBits) {
  std::mt19937_64 engine(90210);
  const std::vector<FitBuild> builds = FitBuildsOfProcessor();
  int compared = 0;
  for (const int rows : {1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 16, 17, 23, 24, 25, 33, 100, 203})
    for (const int count : {1, 2, 3, 5, 11, 12, 22, 33, 100})
      for (const std::size_t extraStride : {std::size_t{0}, std::size_t{kFitLanes}})
        for (const double share : {0.0, 0.2}) {
          const SumsCase c = MakeCase(rows, count, extraStride, share, share / 2.0, engine);
          const PlainSums plain = Plain(c);
          const std::size_t room = PaddedToLanes(rows);
          for (const FitBuild build : builds) {
            std::vector<double> cross(room, -7.0);
            std::vector<double> squares(room, -7.0);
            std::vector<double> residuals(room, -7.0);
            std::vector<std::int64_t> used(room, -7);
            StandardErrorSumsOf(build, c.Cells(),
                                {cross.data(), squares.data(), residuals.data(), used.data()});
            std::vector<double> alone(room, -7.0);
            MisfitSquareSumsOf(build, c.Cells(), {nullptr, nullptr, alone.data(), nullptr});
            for (int r = 0; r < rows; ++r) {
              const auto at = static_cast<std::size_t>(r);
              SCOPED_TRACE(::testing::Message() << "build " << static_cast<int>(build) << " rows "
                                                << rows << " count " << count << " row " << r);
              ASSERT_EQ(Bits(cross[at]), Bits(plain.cross[at]));
              ASSERT_EQ(Bits(squares[at]), Bits(plain.squares[at]));
              ASSERT_EQ(Bits(residuals[at]), Bits(plain.residuals[at]));
              ASSERT_EQ(Bits(alone[at]), Bits(plain.residuals[at]));
              ASSERT_EQ(used[at], plain.used[at]);
            }
            ++compared;
          }
        }
  EXPECT_EQ(compared, 19 * 9 * 2 * 2 * static_cast<int>(builds.size()));
}

TEST(StandardErrorSums, EveryBuildGivesThePlainFittedValuesAndMisfits) {
  std::mt19937_64 engine(1066);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int rows = 1; rows <= 3; ++rows)
    for (int count = 1; count <= 41; ++count) {
      const auto cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(count);
      std::vector<double> phi;
      std::vector<double> theta;
      std::vector<double> values;
      for (int j = 0; j < count; ++j) phi.push_back(0.2 + unit(engine));
      for (int r = 0; r < rows; ++r) {
        theta.push_back(-10.0 + 2000.0 * unit(engine));
        for (int j = 0; j < count; ++j)
          values.push_back(CellValue(phi[static_cast<std::size_t>(j)] * theta.back(), engine));
      }
      for (const FitBuild build : FitBuildsOfProcessor()) {
        std::vector<double> fitted(cells + 1, -7.0);
        std::vector<double> misfits(cells + 1, -7.0);
        FittedAndMisfitsOf(build, values.data(), phi.data(), theta.data(), rows, count,
                           fitted.data(), misfits.data());
        for (std::size_t c = 0; c < cells; ++c) {
          const double expected =
              phi[c % static_cast<std::size_t>(count)] * theta[c / static_cast<std::size_t>(count)];
          SCOPED_TRACE(::testing::Message() << "build " << static_cast<int>(build) << " rows "
                                            << rows << " count " << count << " cell " << c);
          ASSERT_EQ(Bits(fitted[c]), Bits(expected));
          ASSERT_EQ(Bits(misfits[c]), Bits(Misfit(values[c], expected)));
        }
        // Nothing is written past the last row.
        EXPECT_EQ(fitted.back(), -7.0);
        EXPECT_EQ(misfits.back(), -7.0);
      }
    }
}
