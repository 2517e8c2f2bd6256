// Models fitting probe sets side by side, one per thread, give what one model gives fitting
// them in turn, bit for bit, and keep their log lines for the calling thread instead of
// writing them.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/tests/model_test_support.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

constexpr int kArrays = 14;
constexpr int kUnits = 48;
constexpr int kPairs = 11;
constexpr int kChunks = 4;

struct ProbeSetResult {
  std::vector<std::uint32_t> bits;  // value, standard error and outlier word per array
  std::vector<std::string> lines;   // red lines, as the calling thread would log them
};

void Record(const MODEL& model, ProbeSetResult& result) {
  for (int i = 0; i < kArrays; ++i) {
    const VALUE_TRIPLE triple = model.StoredTriple(i);
    result.bits.push_back(std::bit_cast<std::uint32_t>(triple.value));
    result.bits.push_back(std::bit_cast<std::uint32_t>(triple.stdErr));
    result.bits.push_back(static_cast<std::uint32_t>(triple.outlier));
  }
}

}  // namespace

class ModelThreadsTest : public ModelTest {};

TEST_F(ModelThreadsTest, ModelsOnSeveralThreadsFitAsOneModelInTurn) {
  synth::ModelDataOptions base;
  base.noise = 20.0;
  base.singleOutliers = 3;
  base.badArray = 5;
  base.seed = 90;
  MakeGroup(kArrays, kUnits, kPairs, base);
  // Image spikes on, and two probe sets that cannot be fitted: all their values 0.
  Settings().HANDLE_IMAGE_SPIKE = 1;
  for (const int u : {7, 30}) {
    const auto positions = Layout.Positions(u);
    for (int i = 0; i < kArrays; ++i)
      for (const PairPositions& pair : positions)
        TheGroup().Array(i).intensities[Layout.CellIndex(pair[1].x, pair[1].y)] = kMismatchLevel;
  }

  std::vector<ProbeSetResult> inTurn(kUnits);
  for (int u = 0; u < kUnits; ++u) {
    mLog.Clear();
    ASSERT_TRUE(Fit().GetData(u));
    Record(Fit(), inTurn[static_cast<std::size_t>(u)]);
    for (const auto& line : mLog.Lines())
      if (line.colour == kLogRed) inTurn[static_cast<std::size_t>(u)].lines.push_back(line.text);
  }
  ASSERT_FALSE(inTurn[7].lines.empty());
  ASSERT_FALSE(inTurn[30].lines.empty());

  mLog.Clear();
  std::vector<ProbeSetResult> sideBySide(kUnits);
  std::vector<std::unique_ptr<MODEL>> models;
  for (int c = 0; c < kChunks; ++c) models.push_back(std::make_unique<MODEL>());
  // Each chunk of probe sets on its own model, in reverse so no model meets them in order.
  platform::RunTasks(kChunks, kChunks, [&](int chunk, bool) {
    MODEL& model = *models[static_cast<std::size_t>(chunk)];
    model.SetOnWorker(true);
    for (int u = kUnits - 1 - chunk; u >= 0; u -= kChunks) {
      ProbeSetResult& result = sideBySide[static_cast<std::size_t>(u)];
      if (!model.GetData(u)) return;
      Record(model, result);
      for (const MODEL::LogLine& line : model.TakeLog())
        if (line.colour == kLogRed) result.lines.push_back(line.text);
    }
  });
  EXPECT_TRUE(mLog.Lines().empty());
  for (int u = 0; u < kUnits; ++u) {
    EXPECT_EQ(sideBySide[static_cast<std::size_t>(u)].bits,
              inTurn[static_cast<std::size_t>(u)].bits)
        << "probe set " << u;
    EXPECT_EQ(sideBySide[static_cast<std::size_t>(u)].lines,
              inTurn[static_cast<std::size_t>(u)].lines)
        << "probe set " << u;
  }
}
