// The invariant-set search ranks each side once and counts every later round's ranks; the
// sets it finds must be those of ranking the remaining members afresh every round, on
// synthetic arrays with many equal intensities, for cell planes and for value vectors.
// The baseline ranked once for a job gives what ranking it for each array gives. Arrays
// normalised on worker threads give the planes, files and log lines of one thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/array/array_messages.hpp"
#include "engine/array/invariant_baseline.hpp"
#include "engine/array/invariant_keep.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/tests/array_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// Ranks 0 to k-1 of the members' values, equal values in member order, by sorting.
std::vector<int> SortedRanks(const std::vector<double>& values, const std::vector<int>& members) {
  std::vector<int> order(members.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return values[static_cast<std::size_t>(members[static_cast<std::size_t>(a)])] <
           values[static_cast<std::size_t>(members[static_cast<std::size_t>(b)])];
  });
  std::vector<int> ranks(members.size());
  for (std::size_t r = 0; r < order.size(); ++r)
    ranks[static_cast<std::size_t>(order[r])] = static_cast<int>(r);
  return ranks;
}

// The search with every round's ranks computed from scratch.
std::vector<int> ReferenceSearch(const std::vector<double>& array, const std::vector<double>& base,
                                 std::vector<int> members) {
  double low = 0.07;
  double high = 0.03;
  for (;;) {
    const int k = static_cast<int>(members.size());
    if (k == 0) break;
    const std::vector<int> first = SortedRanks(array, members);
    const std::vector<int> second = SortedRanks(base, members);
    std::vector<int> kept;
    for (std::size_t p = 0; p < members.size(); ++p) {
      const double height = (first[p] + second[p]) / (2.0 * k);
      if (low * (1.0 - height) + high * height > std::abs(first[p] - second[p]) / double(k))
        kept.push_back(members[p]);
    }
    members.swap(kept);
    const int j = static_cast<int>(members.size());
    if (j >= k - 50) break;
    if (low > 0.007) low *= 0.9;
    if (high > 0.003) high *= 0.9;
    if (j <= 900) break;
  }
  return members;
}

// The flag the search's formula gives, in plain double arithmetic.
bool KeepsPlace(int first, int second, int count, double low, double high) {
  const double height = (first + second) / (2.0 * count);
  return low * (1.0 - height) + high * height > std::abs(first - second) / double(count);
}

}  // namespace

// The flags of whole blocks, computed four to a register with products for quotients,
// must be the formula's for every member: all rank pairs of small sets, random and
// near-threshold pairs of large ones, thresholds of every round, and exact ties.
TEST(InvariantKeepFlagsTest, FlagsAreThoseOfTheFormulaAtEveryRankAndThreshold) {
  std::vector<std::pair<double, double>> thresholds;
  for (double low = 0.07, high = 0.03; low > 0.005; low *= 0.9, high = std::max(high * 0.9, 0.003))
    thresholds.emplace_back(low, high);
  // Equal thresholds of 1/2 over 8 members give sides that are exactly equal.
  thresholds.emplace_back(0.5, 0.5);
  std::mt19937 random(7);
  std::size_t checked = 0;
  std::size_t kept = 0;
  for (const int count : {1, 5, 8, 13, 100, 257, 2048, 42267, 242000}) {
    std::vector<int> first;
    std::vector<int> second;
    if (count <= 257) {
      for (int a = 0; a < count; ++a)
        for (int b = 0; b < count; ++b) {
          first.push_back(a);
          second.push_back(b);
        }
    } else {
      std::uniform_int_distribution<int> rank(0, count - 1);
      std::uniform_int_distribution<int> near(-count / 10, count / 10);
      for (int i = 0; i < 60000; ++i) {
        const int a = rank(random);
        first.push_back(a);
        second.push_back(std::clamp(a + near(random), 0, count - 1));
      }
    }
    for (const auto& [low, high] : thresholds) {
      // Odd lengths, so that the blocks end part way through a register.
      const std::size_t n = first.size() - (first.size() > 3 ? 3 : 0);
      std::vector<std::uint8_t> flags(n, 2);
      InvariantKeepFlags(first.data(), second.data(), flags.data(), n, count, low, high);
      for (std::size_t m = 0; m < n; ++m) {
        const bool expected = KeepsPlace(first[m], second[m], count, low, high);
        ASSERT_EQ(flags[m], expected ? 1 : 0)
            << count << " " << low << " " << high << " " << first[m] << " " << second[m];
        kept += expected ? 1u : 0u;
      }
      checked += n;
      // Around the rank difference where a member starts to drop: the pairs whose sides
      // lie closest together.
      std::vector<int> edgeFirst;
      std::vector<int> edgeSecond;
      for (int a = 0; a < count; a += std::max(count / 97, 1)) {
        int b = a;
        while (b + 1 < count && KeepsPlace(a, b + 1, count, low, high)) ++b;
        for (int d = -1; d <= 2; ++d)
          if (b + d >= 0 && b + d < count) {
            edgeFirst.push_back(a);
            edgeSecond.push_back(b + d);
          }
      }
      std::vector<std::uint8_t> edgeFlags(edgeFirst.size(), 2);
      InvariantKeepFlags(edgeFirst.data(), edgeSecond.data(), edgeFlags.data(), edgeFirst.size(),
                         count, low, high);
      for (std::size_t m = 0; m < edgeFirst.size(); ++m)
        ASSERT_EQ(edgeFlags[m], KeepsPlace(edgeFirst[m], edgeSecond[m], count, low, high) ? 1 : 0)
            << count << " " << low << " " << edgeFirst[m] << " " << edgeSecond[m];
    }
  }
  // Both flags came up often.
  EXPECT_GT(kept, checked / 20);
  EXPECT_LT(kept, checked - checked / 20);
  // The exact tie of 8 members keeps no one whose difference is 4.
  const int tieFirst[] = {0, 4, 2, 6, 1, 5, 3, 7};
  const int tieSecond[] = {4, 0, 6, 2, 5, 1, 7, 3};
  std::uint8_t tieFlags[8];
  InvariantKeepFlags(tieFirst, tieSecond, tieFlags, 8, 8, 0.5, 0.5);
  for (const std::uint8_t flag : tieFlags) EXPECT_EQ(flag, 0);
}

// A round's rank table with every place of count set.
std::vector<std::uint64_t> FullRankTable(std::size_t count) {
  std::vector<std::uint64_t> table((count + kRankEntryPlaces - 1) / kRankEntryPlaces);
  for (std::size_t place = 0; place < count; ++place)
    table[place / kRankEntryPlaces] |= std::uint64_t{1} << (place % kRankEntryPlaces);
  return table;
}

// Every build of the round keeps, drops and clears what the plain build does, round after
// round of a search, on sets whose sizes end at every point of a register: baseline
// places near the array ranks with outliers, swapped pairs whose sides meet exactly, and
// swapped pairs whose threshold lies a hair above their rank difference, too close for a
// wide build's own arithmetic to tell, so that the formula keeps them.
TEST(InvariantRoundTest, EveryBuildKeepsAndDropsThePlainRoundsMembers) {
  const std::vector<KeepBuild> builds = KeepBuildsOfProcessor();
  ASSERT_FALSE(builds.empty());
  EXPECT_EQ(builds.back(), KeepBuild::kPlain);
  std::mt19937 random(11);
  std::size_t rounds = 0;
  std::size_t droppedInAll = 0;
  for (const std::size_t count :
       {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17}, std::size_t{64},
        std::size_t{200}, std::size_t{4099}, std::size_t{61000}, std::size_t{96}}) {
    // Places by a noisy key, so that ranks mostly agree; counts 64 and 96 swap pairs
    // exactly half the set apart, whose sides are equal at thresholds of 1/2 and a hair
    // apart just above.
    std::vector<int> start(count);
    std::iota(start.begin(), start.end(), 0);
    const bool ties = count == 64 || count == 96;
    if (ties) {
      for (std::size_t m = 0; m < count / 4; ++m) std::swap(start[m], start[m + count / 2]);
    } else {
      std::normal_distribution<double> noise(0.0, 0.03 * static_cast<double>(count));
      std::vector<double> key(count);
      for (std::size_t m = 0; m < count; ++m)
        key[m] = static_cast<double>(m) + noise(random) * (m % 11 == 0 ? 8.0 : 1.0);
      std::vector<int> order(count);
      std::iota(order.begin(), order.end(), 0);
      std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return key[static_cast<std::size_t>(a)] < key[static_cast<std::size_t>(b)];
      });
      for (std::size_t r = 0; r < count; ++r) start[static_cast<std::size_t>(order[r])] = int(r);
    }
    struct State {
      std::vector<int> members;
      std::vector<std::uint64_t> table;
      std::vector<int> dropped;
    };
    std::vector<State> states(builds.size(), {start, FullRankTable(count), {}});
    const double tie = count == 96 ? 0.5 * (1.0 + 1e-13) : 0.5;
    double low = ties ? tie : 0.07;
    double high = ties ? tie : 0.03;
    for (int round = 0; round < 30 && !states.back().members.empty(); ++round) {
      for (State& state : states) {
        const std::size_t size = state.members.size();
        state.dropped.assign(size + kDroppedRoom, -1);
        InvariantRound step;
        step.members = state.members.data();
        step.count = size;
        step.ranks = state.table.data();
        step.rankEntries = state.table.size();
        step.dropped = state.dropped.data();
        step.low = low;
        step.high = high;
        const std::size_t kept = KeepInvariantRoundOf(builds[&state - states.data()], step);
        state.members.resize(kept);
        state.dropped.resize(size - kept);
      }
      const State& plain = states.back();
      for (std::size_t b = 0; b + 1 < builds.size(); ++b) {
        ASSERT_EQ(states[b].members, plain.members)
            << "build " << static_cast<int>(builds[b]) << " count " << count << " round " << round;
        ASSERT_EQ(states[b].dropped, plain.dropped) << static_cast<int>(builds[b]);
        // The high halves are the round's own; the bits are what the next round reads.
        for (std::size_t e = 0; e < plain.table.size(); ++e)
          ASSERT_EQ(states[b].table[e] & 0xFFFFFFFFu, plain.table[e] & 0xFFFFFFFFu) << e;
      }
      // The swapped pairs drop at the exact tie and stay a hair above it.
      if (ties && round == 0) {
        EXPECT_EQ(plain.members.size(), count == 96 ? count : count / 2);
      }
      ++rounds;
      droppedInAll += plain.dropped.size();
      low = std::max(low * 0.9, 0.007);
      high = std::max(high * 0.9, 0.003);
    }
  }
  EXPECT_GT(rounds, 50u);
  EXPECT_GT(droppedInAll, 10000u);
}

class InvariantSetTest : public ArrayTest {
 protected:
  void SetUp() override {
    mChip = SetUpChip(synth::ChipKind::kExpression, 320, 2400, 23);
    synth::ArrayGroupOptions options;
    options.arrays = 3;
    options.seed = 41;
    options.noise = 0.12;
    options.changedPercent = 25;
    mGroup = synth::MakeArrayGroup(mChip, options);
  }

  std::vector<double> Intensities(int array) const {
    const auto& plane = mGroup.arrays[static_cast<std::size_t>(array)].intensities;
    return {plane.begin(), plane.end()};
  }

  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mGroup;
};

TEST_F(InvariantSetTest, CellSetsEqualThoseOfRankingEveryRoundAfresh) {
  CHIP_DATA baseline;
  Fill(baseline, mGroup, 0, mFolder.File("base.CEL"));
  std::vector<int> candidates;
  for (std::size_t i = 0; i < Layout.cells.size(); ++i)
    if (Layout.cells[i].kind == kCellPerfectMatch) candidates.push_back(static_cast<int>(i));
  const std::vector<double> base = Intensities(0);
  for (const int a : {1, 2}) {
    CHIP_DATA array;
    Fill(array, mGroup, a, mFolder.File("array.CEL"));
    ASSERT_TRUE(array.FilterDat(&baseline));
    const std::vector<int> members = ReferenceSearch(Intensities(a), base, candidates);
    // Many rounds ran, and the set is far smaller than the candidates.
    ASSERT_LT(members.size(), candidates.size() / 2);
    ASSERT_GT(members.size(), 900u);
    // The curve's pairs are the members' pairs in a stable order by the array's value.
    std::vector<NormPoint> expected;
    for (const int cell : members)
      expected.push_back({static_cast<float>(array.plane1[static_cast<std::size_t>(cell)]),
                          static_cast<float>(baseline.plane1[static_cast<std::size_t>(cell)])});
    std::stable_sort(expected.begin(), expected.end(),
                     [](const NormPoint& p, const NormPoint& q) { return p.x < q.x; });
    const auto points = Normalizer.Points();
    ASSERT_EQ(points.size(), expected.size()) << "array " << a;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(points[i].x, expected[i].x) << i;
      ASSERT_EQ(points[i].y, expected[i].y) << i;
    }
  }
}

namespace {

// What normalising an array leaves: its plane and median, and the curve with its pairs.
struct NormalizedOutcome {
  std::vector<std::uint16_t> plane;
  std::int32_t median = 0;
  std::vector<float> pairs;   // x and y of each pair in turn
  std::vector<double> curve;  // each knot's x, y, slope and index, then both end lines
};

NormalizedOutcome NormalizeOnce(CHIP_DATA& array, const CHIP_DATA& baseline,
                                const InvariantBaseline* prepared) {
  NormalizedOutcome outcome;
  EXPECT_TRUE(array.NormalizeCel(&baseline, true, true, false, prepared));
  outcome.plane = array.plane2;
  outcome.median = array.medianIntensity;
  for (const NormPoint& point : Normalizer.Points()) {
    outcome.pairs.push_back(point.x);
    outcome.pairs.push_back(point.y);
  }
  for (const CurveKnot& knot : Normalizer.Knots())
    outcome.curve.insert(outcome.curve.end(), {knot.x, knot.y, knot.slope, double(knot.index)});
  for (const CurveLine* line : {&Normalizer.LowerLine(), &Normalizer.UpperLine()})
    outcome.curve.insert(outcome.curve.end(), {line->x, line->y, line->slope});
  Normalizer.FreeCurve();
  return outcome;
}

}  // namespace

// The baseline ranked once for a job gives every array the pairs, curve, plane and median
// that ranking it for each array gives, on groups of several chips, noise levels and
// shares of changed probe sets; a ranking prepared for another baseline is not taken.
TEST_F(InvariantSetTest, BaselineRankedOnceGivesEveryArrayTheCurveOfRankingItAfresh) {
  struct Case {
    synth::ChipKind kind;
    int dimension;
    int units;
    double noise;
    int changedPercent;
  };
  const Case cases[] = {{synth::ChipKind::kExpression, 200, 1200, 0.05, 10},
                        {synth::ChipKind::kExpression, 256, 1800, 0.2, 40},
                        {synth::ChipKind::kSnp2, 180, 600, 0.1, 25}};
  std::size_t pairs = 0;
  for (std::size_t c = 0; c < std::size(cases); ++c) {
    const Case& shape = cases[c];
    const synth::ChipTruth chip =
        SetUpChip(shape.kind, shape.dimension, shape.units, 60 + c, "RANKED" + std::to_string(c));
    synth::ArrayGroupOptions options;
    options.arrays = 4;
    options.seed = 70 + c;
    options.noise = shape.noise;
    options.changedPercent = shape.changedPercent;
    const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, options);
    const auto path = [&](int a) { return mFolder.File("ranked" + std::to_string(a) + ".CEL"); };
    CHIP_DATA baseline;
    Fill(baseline, group, 0, path(0));
    CHIP_DATA otherBaseline;
    Fill(otherBaseline, group, 3, path(3));
    InvariantBaseline ranked;
    ASSERT_TRUE(ranked.Prepare(baseline));
    ASSERT_TRUE(ranked.PreparedFor(baseline));
    EXPECT_FALSE(ranked.PreparedFor(otherBaseline));
    for (const int a : {1, 2, 3}) {
      CHIP_DATA array;
      Fill(array, group, a, path(a));
      const NormalizedOutcome own = NormalizeOnce(array, baseline, nullptr);
      const NormalizedOutcome shared = NormalizeOnce(array, baseline, &ranked);
      ASSERT_GT(own.pairs.size(), 2u * kMinCurvePairs) << c << " " << a;
      EXPECT_EQ(shared.pairs, own.pairs) << c << " " << a;
      EXPECT_EQ(shared.curve, own.curve) << c << " " << a;
      EXPECT_EQ(shared.plane, own.plane) << c << " " << a;
      EXPECT_EQ(shared.median, own.median) << c << " " << a;
      pairs += own.pairs.size() / 2;
    }
    // Against another baseline the ranking of the first would pair the wrong cells.
    CHIP_DATA array;
    Fill(array, group, 1, path(1));
    const NormalizedOutcome own = NormalizeOnce(array, otherBaseline, nullptr);
    const NormalizedOutcome stale = NormalizeOnce(array, otherBaseline, &ranked);
    EXPECT_EQ(stale.pairs, own.pairs) << c;
    EXPECT_EQ(stale.plane, own.plane) << c;
  }
  EXPECT_GT(pairs, 5000u);
}

TEST_F(InvariantSetTest, ValueSetsEqualThoseOfRankingEveryRoundAfresh) {
  // Values in coarse steps, so that equal values abound, with holes on either side.
  std::vector<double> array = Intensities(1);
  std::vector<double> base = Intensities(0);
  std::vector<int> candidates;
  std::vector<float> values(array.size());
  std::vector<float> reference(array.size());
  for (std::size_t i = 0; i < array.size(); ++i) {
    array[i] = std::floor(array[i] / 8.0);
    base[i] = std::floor(base[i] / 8.0);
    values[i] = static_cast<float>(array[i]);
    reference[i] = static_cast<float>(base[i]);
    if (i % 17 == 3) values[i] = kMissingValueFloat;
    if (i % 23 == 5) reference[i] = kMissingValueFloat;
    if (i % 17 != 3 && i % 23 != 5) candidates.push_back(static_cast<int>(i));
  }
  const std::vector<int> members = ReferenceSearch(array, base, candidates);
  ASSERT_LT(members.size(), candidates.size() / 2);

  std::vector<std::uint8_t> invariant;
  ASSERT_TRUE(InvariantSetScaling(values.data(), reference.data(), static_cast<int>(values.size()),
                                  &invariant));
  std::vector<std::uint8_t> expected(values.size(), 0);
  for (const int i : members) expected[static_cast<std::size_t>(i)] = 1;
  EXPECT_EQ(invariant, expected);
}

TEST_F(InvariantSetTest, ArraysNormalisedSideBySideMatchOneThreadAndKeepTheirLines) {
  CHIP_DATA baseline;
  Fill(baseline, mGroup, 0, mFolder.File("base.CEL"));
  for (const int method : {0, 1}) {
    Settings().NORM_METHOD = method;
    struct Outcome {
      std::vector<std::uint16_t> plane;
      std::int32_t median = 0;
      std::vector<std::uint8_t> file;
      std::vector<std::string> lines;
    };
    const auto path = [&](int a) { return mFolder.File("array" + std::to_string(a) + ".CEL"); };
    const auto fileBytes = [](const CHIP_DATA& array) {
      return platform::ReadWholeFile(array.QvfPath()).value_or(platform::ByteBuffer{});
    };
    std::vector<Outcome> inTurn(3);
    for (const int a : {1, 2}) {
      mLog.Clear();
      CHIP_DATA array;
      Fill(array, mGroup, a, path(a));
      ASSERT_TRUE(array.NormalizeCel(&baseline, false, false, true));
      Outcome& outcome = inTurn[static_cast<std::size_t>(a)];
      outcome.plane = array.plane2;
      outcome.median = array.medianIntensity;
      outcome.file = fileBytes(array);
      for (const auto& line : mLog.Lines()) outcome.lines.push_back(line.text);
      ASSERT_FALSE(outcome.file.empty());
      ASSERT_GT(outcome.lines.size(), 2u);
    }

    mLog.Clear();
    std::vector<Outcome> sideBySide(3);
    std::vector<std::vector<KeptMessage>> kept(3);
    platform::RunTasks(2, 2, [&](int task, bool) {
      const int a = task + 1;
      const KeepArrayMessages keep(kept[static_cast<std::size_t>(a)]);
      CHIP_DATA array;
      Fill(array, mGroup, a, path(a));
      if (!array.NormalizeCel(&baseline, false, false, true)) return;
      sideBySide[static_cast<std::size_t>(a)].plane = array.plane2;
      sideBySide[static_cast<std::size_t>(a)].median = array.medianIntensity;
    });
    EXPECT_TRUE(mLog.Lines().empty());
    for (const int a : {1, 2}) {
      const Outcome& expected = inTurn[static_cast<std::size_t>(a)];
      Outcome& outcome = sideBySide[static_cast<std::size_t>(a)];
      CHIP_DATA named;
      named.dataPath = path(a);
      outcome.file = fileBytes(named);
      WriteKeptMessages(kept[static_cast<std::size_t>(a)]);
      for (const auto& line : mLog.Lines()) outcome.lines.push_back(line.text);
      mLog.Clear();
      EXPECT_EQ(outcome.plane, expected.plane) << method << " " << a;
      EXPECT_EQ(outcome.median, expected.median);
      EXPECT_TRUE(outcome.file == expected.file);
      EXPECT_EQ(outcome.lines, expected.lines);
    }
  }
}
