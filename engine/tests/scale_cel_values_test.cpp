// Scale CEL Value on an opened synthetic group: the array's QVF file read back holds its
// raw intensities times target / median, the group takes the target as the array's median
// and chooses its baseline again, and an array that cannot be read changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "engine/array/chip_data.hpp"
#include "engine/jobs/scale_cel_values.hpp"
#include "engine/tests/group_job_test_support.hpp"

class ScaleCelValuesTest : public GroupJobTest {
 protected:
  void SetUp() override {
    synth::ArrayGroupOptions options;
    options.arrays = 3;
    options.seed = 9;
    MakeGroup(24, 20, options);
    WriteAllScans();
    ASSERT_TRUE(Open());
    mLog.Clear();
  }

  static CHIP_DATA ReadQvf(int array) {
    CHIP_DATA data;
    data.dataPath = TheGroup().Array(array).dataFile;
    EXPECT_TRUE(data.ReadExisting(data.QvfPath().c_str(), false, false));
    return data;
  }

  // Where the line is in the log (-1 when it is not there).
  int LineIndex(std::string_view text, COLORREF colour) const {
    const auto& lines = mLog.Lines();
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].text == text && lines[i].colour == colour) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(ScaleCelValuesTest, TheScaledIntensitiesAreSavedAndTheTargetBecomesTheMedian) {
  Group& group = TheGroup();
  const CHIP_DATA before = ReadQvf(1);
  ASSERT_GT(before.medianIntensity, 0);
  const std::vector<std::uint16_t> inMemory = group.Array(1).intensities;
  // A target that makes the array the brightest, so the baseline moves to the new middle.
  const int target = 2000;
  ASSERT_TRUE(ScaleCelValues(1, target));

  const int opening = LineIndex(kScaleCelTitle, kLogBlue);
  const int saved = LineIndex(kScaleCelSavedMessage, kLogBlack);
  const int closing = LineIndex(kScaleCelFinishedLine, kLogBlue);
  EXPECT_EQ(opening, 0);
  EXPECT_GT(saved, opening);
  EXPECT_EQ(closing, static_cast<int>(mLog.Lines().size()) - 1);
  EXPECT_GT(closing, saved);

  const CHIP_DATA after = ReadQvf(1);
  const double factor = static_cast<double>(target) / before.medianIntensity;
  ASSERT_EQ(after.plane1.size(), before.plane1.size());
  for (std::size_t cell = 0; cell < before.plane1.size(); ++cell) {
    const double scaled = std::floor(factor * before.plane1[cell] + 0.5);
    ASSERT_EQ(after.plane1[cell], static_cast<std::uint16_t>(std::min(scaled, 65535.0)))
        << "cell " << cell;
  }
  EXPECT_EQ(after.plane2, before.plane2);
  EXPECT_EQ(after.medianIntensity, target);
  EXPECT_EQ(group.Array(1).medianIntensity, target);
  EXPECT_EQ(group.Array(1).intensities, inMemory) << "used after the group is opened again";

  std::vector<int> medians;
  for (int i = 0; i < 3; ++i) medians.push_back(group.Array(i).medianIntensity);
  std::vector<int> sorted = medians;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(medians[static_cast<std::size_t>(group.BaselineArray)], sorted[1]);
  EXPECT_NE(group.BaselineArray, 1);
}

TEST_F(ScaleCelValuesTest, AnArrayThatCannotBeReadKeepsItsMedian) {
  Group& group = TheGroup();
  const std::string dataFile = group.Array(2).dataFile;
  std::filesystem::remove(dataFile);
  std::filesystem::remove(QvfPathFor(dataFile));
  const int median = group.Array(2).medianIntensity;
  const int baseline = group.BaselineArray;

  EXPECT_FALSE(ScaleCelValues(2, 500));
  EXPECT_EQ(LineIndex(kScaleCelTitle, kLogBlue), 0);
  EXPECT_EQ(LineIndex(kScaleCelSavedMessage, kLogBlack), -1);
  EXPECT_EQ(LineIndex(kScaleCelFinishedLine, kLogBlue), -1);
  EXPECT_EQ(LineIndex(kScaleCelFailedLine, kLogBlue), static_cast<int>(mLog.Lines().size()) - 1);
  EXPECT_GT(mLog.CountInColour(kLogRed), 0) << "the reader says why";
  EXPECT_EQ(group.Array(2).medianIntensity, median);
  EXPECT_EQ(group.BaselineArray, baseline);
  EXPECT_FALSE(std::filesystem::exists(QvfPathFor(dataFile)));
  EXPECT_FALSE(ScaleCelValues(3, 500)) << "no such array";
}
