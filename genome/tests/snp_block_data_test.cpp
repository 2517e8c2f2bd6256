// A SNP's mini-blocks on generated SNP groups of every kind: each array's blocks hold the
// SNP's probe intensities, each point is the two-way fit of the contrasts worked out here
// from the block values, and the SNPs the view cannot show are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/probe_block_column.hpp"
#include "engine/group/group.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/info/snp_block_data.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/installed_array_group.hpp"

namespace {

using Matrix = std::vector<std::vector<double>>;

// Eigenvectors of a small symmetric matrix by Jacobi rotations, largest eigenvalue first.
std::vector<std::vector<double>> LeadingEigenvectors(Matrix a, int wanted) {
  const std::size_t n = a.size();
  Matrix v(n, std::vector<double>(n, 0.0));
  for (std::size_t i = 0; i < n; ++i) v[i][i] = 1.0;
  for (int sweep = 0; sweep < 100; ++sweep)
    for (std::size_t p = 0; p < n; ++p)
      for (std::size_t q = p + 1; q < n; ++q) {
        if (std::abs(a[p][q]) < 1e-300) continue;
        const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
        const double t =
            (theta >= 0 ? 1.0 : -1.0) / (std::abs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1), s = t * c;
        for (std::size_t k = 0; k < n; ++k) {
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        for (std::size_t k = 0; k < n; ++k) {
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - s * aqk;
          a[q][k] = s * apk + c * aqk;
        }
        for (std::size_t k = 0; k < n; ++k) {
          const double vkp = v[k][p], vkq = v[k][q];
          v[k][p] = c * vkp - s * vkq;
          v[k][q] = s * vkp + c * vkq;
        }
      }
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](std::size_t x, std::size_t y) { return a[x][x] > a[y][y]; });
  std::vector<std::vector<double>> vectors;
  for (int w = 0; w < wanted; ++w) {
    std::vector<double> column(n);
    for (std::size_t k = 0; k < n; ++k) column[k] = v[k][order[static_cast<std::size_t>(w)]];
    vectors.push_back(column);
  }
  return vectors;
}

// Every array's pair of row effects of the contrasts: the columns centred, then the
// projections on the two leading right singular vectors.
std::vector<std::pair<double, double>> ExpectedPoints(Matrix contrast) {
  const std::size_t rows = contrast.size(), cols = contrast[0].size();
  for (std::size_t c = 0; c < cols; ++c) {
    double mean = 0;
    for (const auto& row : contrast) mean += row[c] / static_cast<double>(rows);
    for (auto& row : contrast) row[c] -= mean;
  }
  Matrix cross(cols, std::vector<double>(cols, 0.0));
  for (const auto& row : contrast)
    for (std::size_t i = 0; i < cols; ++i)
      for (std::size_t j = 0; j < cols; ++j) cross[i][j] += row[i] * row[j];
  const auto vectors = LeadingEigenvectors(cross, 2);
  std::vector<std::pair<double, double>> points;
  for (const auto& row : contrast) {
    double first = 0, second = 0;
    for (std::size_t c = 0; c < cols; ++c) {
      first += row[c] * vectors[0][c];
      second += row[c] * vectors[1][c];
    }
    points.emplace_back(first, second);
  }
  return points;
}

// One component's effects match the expected ones up to their sign.
void ExpectSameUpToSign(const std::vector<double>& got, const std::vector<double>& want) {
  double dot = 0, scale = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    dot += got[i] * want[i];
    scale = std::max(scale, std::abs(want[i]));
  }
  const double sign = dot < 0 ? -1.0 : 1.0;
  for (std::size_t i = 0; i < got.size(); ++i)
    EXPECT_NEAR(got[i], sign * want[i], 2e-3 * scale + 1e-6) << "array " << i;
}

class SnpBlockDataTest : public GenomeFixture {
 protected:
  void Install(synth::ChipKind kind, int arrays, std::uint64_t seed) {
    synth::ChipOptions options;
    options.kind = kind;
    options.dimension = 60;
    options.unitCount = 12;
    options.seed = seed;
    options.minPairs = 4;
    options.maxPairs = 40;
    const auto chip = synth::MakeChip(options);
    ASSERT_TRUE(chip);
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = arrays;
    groupOptions.seed = seed;
    groupOptions.noise = 0.3;
    synth::InstallArrayGroup(*chip, synth::MakeArrayGroup(*chip, groupOptions));
    SnpBlockData.PrepareBlocks();
  }

  static int Intensity(int array, const ProbePosition& at) {
    return TheGroup().Array(array).intensities[Layout.CellIndex(at.x, at.y)];
  }
};

TEST_F(SnpBlockDataTest, BlocksHoldTheProbesAndPointsFollowTheTwoWayFit) {
  int fitted = 0, whole = 0;
  for (const auto kind : {synth::ChipKind::kSnp1, synth::ChipKind::kSnp2, synth::ChipKind::kSnp3,
                          synth::ChipKind::kSnp3Rotated}) {
    Install(kind, 14, 3 + static_cast<std::uint64_t>(kind));
    const int arrays = TheGroup().NumArrays();
    for (int unit = 0; unit < static_cast<int>(Layout.units.size()); ++unit) {
      SCOPED_TRACE(testing::Message() << "kind " << ArrayType << " unit " << unit);
      const auto pairs = Layout.Positions(unit);
      const int n = static_cast<int>(pairs.size());
      ASSERT_TRUE(SnpBlockData.FillBlocks(unit));
      EXPECT_EQ(SnpBlockData.row, unit);
      EXPECT_EQ(SnpBlockData.blockCount, n / 2);

      // The places the probes take; when no two share one, each array's block values are
      // its probe intensities, and in every case the largest is the SNP's.
      std::set<std::pair<int, int>> places;
      for (int p = 0; p < n; ++p)
        for (const bool pm : {true, false}) {
          const BlockPlace at = MapProbeToBlockColumn(n, p, pm, CentrePairCount(unit), ArrayType);
          places.insert({at.column, at.row});
        }
      int largest = 0;
      Matrix contrast;
      for (int a = 0; a < arrays; ++a) {
        std::multiset<float> probes, blocks;
        for (const auto& pair : pairs)
          for (const auto& cell : pair) {
            probes.insert(static_cast<float>(Intensity(a, cell)));
            largest = std::max(largest, Intensity(a, cell));
          }
        std::vector<double> row;
        for (int b = 0; b < SnpBlockData.blockCount; ++b) {
          SnpBlockData.GetBlockValues(a, b);
          const auto& v = SnpBlockData.block;
          for (const float value : v)
            if (value != 0.0f) blocks.insert(value);
          const double alleleA = std::max(1.0, double{v[1]} - v[0]);
          const double alleleB = std::max(1.0, double{v[2]} - v[3]);
          row.push_back(alleleA / (alleleA + alleleB));
          EXPECT_NEAR(SnpBlockData.Contrast(a, b), row.back(), 1e-6);
        }
        contrast.push_back(row);
        if (static_cast<int>(places.size()) == 2 * n) {
          EXPECT_EQ(blocks, probes) << "array " << a;
        }
      }
      whole += static_cast<int>(places.size()) == 2 * n ? 1 : 0;
      EXPECT_EQ(SnpBlockData.maxValue, largest);

      if (SnpBlockData.blockCount < 3) continue;
      ASSERT_TRUE(SnpBlockData.FitBlocks());
      ASSERT_EQ(static_cast<int>(SnpBlockData.Points().size()), arrays);
      const auto expected = ExpectedPoints(contrast);
      std::vector<double> gotFirst, gotSecond, wantFirst, wantSecond;
      for (int a = 0; a < arrays; ++a) {
        gotFirst.push_back(SnpBlockData.Points()[static_cast<std::size_t>(a)].first);
        gotSecond.push_back(SnpBlockData.Points()[static_cast<std::size_t>(a)].second);
        wantFirst.push_back(expected[static_cast<std::size_t>(a)].first);
        wantSecond.push_back(expected[static_cast<std::size_t>(a)].second);
      }
      ExpectSameUpToSign(gotFirst, wantFirst);
      ExpectSameUpToSign(gotSecond, wantSecond);
      ++fitted;
    }
  }
  EXPECT_GT(fitted, 30);
  EXPECT_GT(whole, 10);
}

TEST_F(SnpBlockDataTest, RefusesSnpsThePictureWouldDivideByZeroForAndPlacesOneBlock) {
  Install(synth::ChipKind::kSnp2, 5, 21);
  constexpr int unit = 1;
  ASSERT_GE(Layout.Positions(unit).size(), 4u);
  const auto zeroUnit = [] {
    for (int a = 0; a < TheGroup().NumArrays(); ++a)
      for (const auto& pair : Layout.Positions(unit))
        for (const auto& cell : pair)
          TheGroup().Array(a).intensities[Layout.CellIndex(cell.x, cell.y)] = 0;
  };
  const auto dropIntensities = [] { TheGroup().Array(2).intensities.clear(); };
  const std::int16_t pairCount = Layout.units[unit].pairCount;
  const auto setPairs = [unit](int count) {
    return [unit, count] { Layout.units[unit].pairCount = static_cast<std::int16_t>(count); };
  };
  const std::vector<std::pair<std::function<void()>, const char*>> cases = {
      {setPairs(1), kTooFewSnpPairsMessage},       {setPairs(0), kTooFewSnpPairsMessage},
      {setPairs(42), kMaxMiniBlockMessage},        {zeroUnit, kNoPositiveSnpIntensityMessage},
      {dropIntensities, kNoSnpIntensitiesMessage},
  };
  for (const auto& [spoil, message] : cases) {
    SCOPED_TRACE(message);
    Install(synth::ChipKind::kSnp2, 5, 21);
    ASSERT_TRUE(SnpBlockData.FillBlocks(0) && SnpBlockData.FitBlocks());
    ASSERT_FALSE(SnpBlockData.Points().empty());
    spoil();
    CapturedLog log;
    EXPECT_FALSE(SnpBlockData.FillBlocks(unit));
    EXPECT_TRUE(log.ContainsRed(message));
    EXPECT_EQ(SnpBlockData.row, unit);
    EXPECT_FALSE(SnpBlockData.Loaded());
    EXPECT_EQ(SnpBlockData.blockCount, 0);
    EXPECT_TRUE(SnpBlockData.Points().empty());
    EXPECT_FALSE(SnpBlockData.FitBlocks());
    SnpBlockData.GetBlockValues(0, 0);
    EXPECT_EQ(SnpBlockData.block, (std::array<float, kSnpBlockValues>{}));
    Layout.units[unit].pairCount = pairCount;
  }

  // Perfect match equal to mismatch: no allele signal either way, contrast one half.
  Install(synth::ChipKind::kSnp2, 5, 21);
  for (int a = 0; a < TheGroup().NumArrays(); ++a)
    for (const auto& pair : Layout.Positions(unit))
      TheGroup().Array(a).intensities[Layout.CellIndex(pair[1].x, pair[1].y)] =
          TheGroup().Array(a).intensities[Layout.CellIndex(pair[0].x, pair[0].y)];
  ASSERT_TRUE(SnpBlockData.FillBlocks(unit));
  for (int a = 0; a < TheGroup().NumArrays(); ++a)
    for (int b = 0; b < SnpBlockData.blockCount; ++b)
      EXPECT_FLOAT_EQ(SnpBlockData.Contrast(a, b), 0.5f);

  // Two pairs make one block: each array is placed by its centred contrast alone.
  Install(synth::ChipKind::kSnp2, 5, 21);
  Layout.units[unit].pairCount = 2;
  CapturedLog log;
  ASSERT_TRUE(SnpBlockData.FillBlocks(unit));
  ASSERT_EQ(SnpBlockData.blockCount, 1);
  ASSERT_TRUE(SnpBlockData.FitBlocks());
  double mean = 0;
  for (int a = 0; a < 5; ++a) mean += SnpBlockData.Contrast(a, 0) / 5.0;
  ASSERT_EQ(SnpBlockData.Points().size(), 5u);
  for (int a = 0; a < 5; ++a) {
    EXPECT_NEAR(SnpBlockData.Points()[static_cast<std::size_t>(a)].first,
                SnpBlockData.Contrast(a, 0) - mean, 1e-6);
    EXPECT_EQ(SnpBlockData.Points()[static_cast<std::size_t>(a)].second, 0.0f);
  }
  EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
