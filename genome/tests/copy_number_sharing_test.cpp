// The costs of the moves between markers are made once and shared by every sample that
// walks the same distances with the same start chances. A sample's inferred copy number
// must not depend on what ran before it on the thread: each is compared, byte for byte,
// with the same sample inferred alone on a fresh thread, which shares nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/info/genome_info.hpp"
#include "tools/synth/genome_copy_number.hpp"

namespace {

constexpr int kMarkers = 9000;
constexpr int kSamples = 5;
// Enough chromosomes to hold X, whose normal state differs for a male reference.
constexpr int kChromosomes = 23;

// Markers spread over the chromosomes at random spacings up to `spacing` bp, some at the
// same place, some without a position and some out of order.
GENOME_INFO UnevenGenome(std::uint32_t seed, float spacing) {
  GENOME_INFO genome;
  genome.NumChro = kChromosomes;
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> unit(0, 1);
  float position = 0;
  for (int u = 0; u < kMarkers; ++u) {
    const int c = u * kChromosomes / kMarkers;
    position += unit(random) < 0.02f ? 0.0f : spacing * unit(random);
    const float pick = unit(random);
    UNIT_POS pos;
    pos.chro = static_cast<std::int16_t>(c);
    pos.pos = pick < 0.005f ? -1.0f : pick < 0.01f ? position - 400000.0f : position;
    genome.Unit.push_back(pos);
    genome.posList[c].push_back({pos.pos, u});
  }
  return genome;
}

std::unique_ptr<CHROMOSOME> Loaded(const synth::CopyArrays& arrays) {
  auto chro = std::make_unique<CHROMOSOME>();
  EXPECT_TRUE(chro->Allocate(kSamples, kMarkers, TablesFor(kChroCopyNumber, true, false)));
  EXPECT_TRUE(chro->SetCopyLayout(false, 0.5f));
  for (int s = 0; s < kSamples; ++s)
    for (int u = 0; u < kMarkers; ++u) chro->signal.Row(s)[u] = arrays.signal[s][u];
  for (int u = 0; u < kMarkers; ++u) {
    chro->markerStats[u].mean = arrays.mean[u];
    chro->markerStats[u].sd = arrays.sd[u];
  }
  return chro;
}

// Samples of alternating reference gender, the third scaled by the first.
CopyNumberRun RunOf(const GENOME_INFO& genome, int sample, int hmmLength) {
  CopyNumberRun run;
  run.genome = &genome;
  run.hmmLength = hmmLength;
  run.referenceMale = sample % 2 == 1;
  run.pairedNormal = sample == 2;
  return run;
}

TEST(CopyNumberSharingTest, EverySampleGetsTheAnswerItGetsAlone) {
  CapturedLog log;
  synth::CopyPlan plan;
  plan.markers = kMarkers;
  plan.samples = kSamples;
  plan.spread = 0.25;
  plan.seed = 3;
  plan.segments = {{0, 200, 899, 1},
                   {1, 3000, 3999, 4},
                   {2, 8700, 8999, 0},
                   {3, 100, 150, 3},
                   {4, 5000, 6999, 6}};
  const int kPlainSegments = static_cast<int>(plan.segments.size());
  // Short losses and gains on X, where the moves' costs decide whether a run of a few
  // markers is read as a change.
  for (int first = 8650; first < 8990; first += 20)
    plan.segments.push_back({1, first, first + first % 4, first % 40 == 10 ? 1.0 : 4.0});
  const synth::CopyArrays arrays = synth::DrawCopyArrays(plan);
  const GENOME_INFO genome = UnevenGenome(1, 1e5f);
  // Markers 50 Mb apart: a state is redrawn at nearly every one of them.
  const GENOME_INFO other = UnevenGenome(2, 1e8f);
  auto shared = Loaded(arrays);
  // Another genome's distances in stretches of the same length, and stretches of another
  // length, run between the samples: what was kept from them must not be taken for this
  // genome's. The second sample, of a male reference, follows the first directly: the
  // same distances, but another normal state on X.
  for (int s = 0; s < kSamples; ++s) {
    if (s == 3) {
      ASSERT_TRUE(shared->InferCopyNumber(s, RunOf(other, s, 500)));
    }
    if (s == 4) {
      ASSERT_TRUE(shared->InferCopyNumber(0, RunOf(genome, 0, 700)));
    }
    ASSERT_TRUE(shared->InferCopyNumber(s, RunOf(genome, s, 500)));
  }
  int changes = 0;
  for (int s = 0; s < kSamples; ++s) {
    SCOPED_TRACE(testing::Message() << "sample " << s);
    auto alone = Loaded(arrays);
    bool inferred = false;
    std::thread([&] { inferred = alone->InferCopyNumber(s, RunOf(genome, s, 500)); }).join();
    ASSERT_TRUE(inferred);
    const float* expected = alone->inferred.Row(s);
    const float* actual = shared->inferred.Row(s);
    EXPECT_EQ(std::memcmp(expected, actual, kMarkers * sizeof(float)), 0);
    for (int u = 1; u < kMarkers; ++u) changes += expected[u] != expected[u - 1] ? 1 : 0;
  }
  // The planted stretches are found: the comparison is not between empty answers.
  EXPECT_GE(changes, 2 * kPlainSegments);
}

}  // namespace
