// The job's staged copy of the planes: every probe set of a run holds its planes' very
// intensities, runs keep within their limit, and a model that reads the copy fits every
// probe set to the bits of one that reads the planes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/model/staged_cells.hpp"
#include "engine/tests/model_test_support.hpp"

namespace {

constexpr int kArrays = 30;
constexpr int kUnits = 40;
constexpr int kPairs = 11;

// Every result of the fit a caller can read, as bits.
std::vector<std::uint64_t> Results(const MODEL& model) {
  std::vector<std::uint64_t> bits;
  const auto add = [&](double value) { bits.push_back(std::bit_cast<std::uint64_t>(value)); };
  bits.push_back(static_cast<std::uint64_t>(model.Passes()));
  for (int i = 0; i < model.ArrayCount(); ++i) {
    add(model.ResultTheta(i));
    add(model.ThetaStdErr(i));
    for (int j = 0; j < model.ProbeCount(); ++j) {
      add(model.Pm(i, j));
      add(model.Mm(i, j));
      add(model.Fitted(i, j));
      add(model.Residual(i, j));
    }
  }
  for (int j = 0; j < model.ProbeCount(); ++j) {
    add(model.ResultPhi(j));
    add(model.PhiStdErr(j));
  }
  return bits;
}

}  // namespace

class StagedCellsTest : public ModelTest {
 protected:
  void SetUp() override {
    synth::ModelDataOptions base;
    base.noise = 8.0;
    base.singleOutliers = 2;
    base.badArray = 4;
    base.seed = 31;
    MakeGroup(kArrays, kUnits, kPairs, base);
  }
};

TEST_F(StagedCellsTest, RunsHoldThePlanesCellsWithinTheirLimit) {
  const Group& group = TheGroup();
  const std::size_t unitCells = 2 * kPairs * kArrays;
  for (const std::size_t limit : {std::size_t{1}, unitCells, 3 * unitCells + 5, kStagedCellLimit}) {
    StagedCells staged;
    int runs = 0;
    for (int first = 0; first < kUnits; first = staged.End(), ++runs) {
      staged.Gather(group, first, kUnits, limit);
      const int end = staged.End();
      ASSERT_GT(end, first) << limit;
      EXPECT_TRUE(end - first == 1 || static_cast<std::size_t>(end - first) * unitCells <= limit);
      EXPECT_FALSE(staged.Covers(first - 1));
      EXPECT_FALSE(staged.Covers(end));
      for (int u = first; u < end; ++u) {
        const std::uint16_t* values = staged.Find(u);
        ASSERT_NE(values, nullptr);
        const auto positions = Layout.Positions(u);
        for (int i = 0; i < kArrays; ++i)
          for (int j = 0; j < kPairs; ++j) {
            const PairPositions& pair = positions[static_cast<std::size_t>(j)];
            const std::vector<std::uint16_t>& plane = group.Array(i).intensities;
            const std::size_t at = static_cast<std::size_t>(i * 2 * kPairs + 2 * j);
            EXPECT_EQ(values[at], plane[Layout.CellIndex(pair[1].x, pair[1].y)]);
            EXPECT_EQ(values[at + 1], plane[Layout.CellIndex(pair[0].x, pair[0].y)]);
          }
      }
    }
    EXPECT_EQ(runs, limit == kStagedCellLimit ? 1 : limit == 1 || limit == unitCells ? kUnits : 14);
  }

  // A plane that is not a whole one of the layout leaves the copy empty.
  TheGroup().Array(3).intensities.pop_back();
  StagedCells staged;
  staged.Gather(group, 0, kUnits);
  EXPECT_FALSE(staged.Covers(0));
  EXPECT_EQ(staged.Find(0), nullptr);
}

TEST_F(StagedCellsTest, AModelReadingTheCopyFitsAsOneReadingThePlanes) {
  MODEL& planes = Fit();
  MODEL staged;
  StagedCells cells;
  const StagedCellsUse use(staged, cells);
  for (int u = 0; u < kUnits; ++u) {
    if (!cells.Covers(u)) cells.Gather(TheGroup(), u, kUnits, 7 * 2 * kPairs * kArrays);
    ASSERT_TRUE(planes.GetData(u));
    ASSERT_TRUE(staged.GetData(u));
    EXPECT_EQ(Results(planes), Results(staged)) << u;
  }
}
