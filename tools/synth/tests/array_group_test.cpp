// The array group generator: reproducible, its curves monotone, bent and invertible, its
// arrays the truth through their curve within the noise; and the program's group command.
// The result and call files are checked by the engine's readers of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/byte_reader.hpp"
#include "platform/path.hpp"
#include "platform/tests/temp_folder.hpp"
#include "tools/synth/array_group.hpp"

namespace {

synth::ChipTruth Chip(synth::ChipKind kind = synth::ChipKind::kExpression) {
  synth::ChipOptions options;
  options.kind = kind;
  options.dimension = 100;
  options.unitCount = 400;
  options.seed = 2;
  std::string error;
  auto chip = synth::MakeChip(options, &error);
  EXPECT_TRUE(chip.has_value()) << error;
  return chip.value_or(synth::ChipTruth{});
}

std::string ReadText(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(SynthArrayGroup, TheSameSeedGivesTheSameGroup) {
  const auto chip = Chip();
  synth::ArrayGroupOptions options;
  options.seed = 4;
  const auto first = synth::MakeArrayGroup(chip, options);
  const auto again = synth::MakeArrayGroup(chip, options);
  options.seed = 5;
  const auto other = synth::MakeArrayGroup(chip, options);
  ASSERT_EQ(first.arrays.size(), 3u);
  EXPECT_EQ(first.arrays[2].intensities, again.arrays[2].intensities);
  EXPECT_EQ(first.present, again.present);
  EXPECT_NE(first.arrays[2].intensities, other.arrays[2].intensities);
}

TEST(SynthArrayGroup, BrightSpotsCoverTheirDiscAndChangeNothingElse) {
  const auto chip = Chip();
  const auto plain = synth::MakeArrayGroup(chip, {});
  synth::ArrayGroupOptions options;
  // Inside the chip, cut by the chip's corner, and on an array the group lacks.
  options.spots = {{1, 40, 60, 5, 61000}, {2, 1, 98, 3, 50000}, {7, 10, 10, 2, 1}};
  const auto group = synth::MakeArrayGroup(chip, options);
  ASSERT_EQ(group.spots.size(), 2u);
  const int d = group.dimension;
  for (std::size_t a = 0; a < group.arrays.size(); ++a) {
    for (int x = 0; x < d; ++x)
      for (int y = 0; y < d; ++y) {
        const synth::PlantedSpot* covering = nullptr;
        for (const synth::PlantedSpot& planted : group.spots) {
          const int dx = x - planted.spot.x;
          const int dy = y - planted.spot.y;
          if (planted.spot.array == static_cast<int>(a) &&
              dx * dx + dy * dy <= planted.spot.radius * planted.spot.radius)
            covering = &planted;
        }
        const std::size_t i = group.CellIndex(x, y);
        if (covering != nullptr) {
          EXPECT_EQ(group.arrays[a].intensities[i], covering->spot.value)
              << a << " " << x << "," << y;
          EXPECT_EQ(std::count(covering->cells.begin(), covering->cells.end(), std::pair{x, y}), 1);
        } else {
          EXPECT_EQ(group.arrays[a].intensities[i], plain.arrays[a].intensities[i]);
        }
      }
  }
  // 81 cells lie within 5 of a centre; the chip keeps 18 of the 29 within 3 of (1, 98).
  EXPECT_EQ(group.spots[0].cells.size(), 81u);
  EXPECT_EQ(group.spots[1].cells.size(), 18u);
}

TEST(SynthArrayGroup, CurvesAreMonotoneBentAndInvertible) {
  const auto group = synth::MakeArrayGroup(Chip(), {});
  EXPECT_EQ(group.arrays[0].curve.Apply(321.0), 321.0);  // the baseline's identity
  for (std::size_t a = 1; a < group.arrays.size(); ++a) {
    SCOPED_TRACE(a);
    const synth::BrightnessCurve& curve = group.arrays[a].curve;
    double previous = curve.Apply(10.0);
    for (double v = 20.0; v < 30000.0; v *= 1.5) {
      EXPECT_GT(curve.Apply(v), previous);
      previous = curve.Apply(v);
      EXPECT_NEAR(curve.Invert(curve.Apply(v)), v, 1e-9 * v);
    }
    // Not a straight line through the origin: doubling does not double.
    EXPECT_GT(std::abs(curve.Apply(2000.0) / curve.Apply(1000.0) - 2.0), 0.05);
  }
}

TEST(SynthArrayGroup, ArraysAreTheTruthThroughTheirCurveWithinTheNoise) {
  const auto chip = Chip();
  synth::ArrayGroupOptions options;
  options.noise = 0.05;
  const auto group = synth::MakeArrayGroup(chip, options);
  std::vector<int> unitOfCell(group.trueIntensity.size(), -1);
  for (std::size_t u = 0; u < chip.units.size(); ++u)
    for (const auto& pair : chip.units[u].blocks[0].pairs) {
      unitOfCell[group.CellIndex(pair.pm.x, pair.pm.y)] = static_cast<int>(u);
      unitOfCell[group.CellIndex(pair.mm.x, pair.mm.y)] = static_cast<int>(u);
    }
  for (std::size_t a = 0; a < group.arrays.size(); ++a) {
    SCOPED_TRACE(a);
    const synth::SynthesisedArray& array = group.arrays[a];
    double sum = 0.0;
    double squares = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < array.intensities.size(); ++i) {
      ASSERT_LT(array.intensities[i], 65535);  // nothing clipped
      if (unitOfCell[i] >= 0 && group.Changed(static_cast<int>(a), unitOfCell[i])) continue;
      const double logRatio =
          std::log(array.curve.Invert(array.intensities[i]) / group.trueIntensity[i]);
      sum += logRatio;
      squares += logRatio * logRatio;
      ++count;
    }
    const double mean = sum / count;
    EXPECT_NEAR(mean, 0.0, 0.01);
    EXPECT_NEAR(std::sqrt(squares / count - mean * mean), 0.05, 0.01);
  }
  int changed = 0;
  for (int u = 0; u < 400; ++u) changed += group.Changed(1, u) ? 1 : 0;
  EXPECT_GT(changed, 20);  // about a tenth of 400
  EXPECT_LT(changed, 60);
  for (int u = 0; u < 400; ++u) EXPECT_FALSE(group.Changed(0, u));
}

TEST(SynthProgram, GroupCommandWritesArraysCallsAndCurves) {
  platform::testing::TempFolder folder;
  const std::string command = std::string(ZELKO_SYNTH_PROGRAM) +
                              " group --dim 30 --units 20 --arrays 3 --seed 3 --out " +
                              folder.Path().string() + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name :
       {"group01.CEL", "group02.CEL", "group03.CEL", "group01.txt", "group03.txt"})
    EXPECT_TRUE(platform::FileExists(folder.File(name))) << name;
  const std::string curves = ReadText(folder.File("group.curves.txt"));
  EXPECT_NE(curves.find("group01\t1\t1\t0\n"), std::string::npos);
  EXPECT_NE(curves.find("array\tprobe set\tfold\n"), std::string::npos);
}
