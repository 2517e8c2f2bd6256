// The normalisation job on synthetic groups whose arrays differ only in brightness: the
// arrays' intensities, or their expression values, come onto the baseline's scale within
// the noise; the review and R plots ask what they should; a failure leaves the group
// unnormalised without a closing line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/jobs/normalize_arrays.hpp"
#include "engine/services/stat_connector.hpp"
#include "engine/testing/recording_r_link.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "tools/synth/model_data.hpp"

namespace {

// The median over probe cells of |log(a / b)|.
double MedianLogDistance(const std::vector<std::uint16_t>& a, const std::vector<std::uint16_t>& b) {
  std::vector<double> distances;
  for (std::size_t c = 0; c < Layout.cells.size(); ++c) {
    if (Layout.cells[c].kind == kCellNoUnit || a[c] == 0 || b[c] == 0) continue;
    distances.push_back(std::fabs(std::log(static_cast<double>(a[c]) / b[c])));
  }
  std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
  return distances[distances.size() / 2];
}

}  // namespace

class NormalizeProbeLevelTest : public GroupJobTest {
 protected:
  void OpenBrightnessGroup() {
    synth::ArrayGroupOptions options;
    options.arrays = 4;
    options.seed = 33;
    options.noise = 0.03;
    options.changedPercent = 0;  // brightness is the only difference
    options.curves = {{1.8, 1.0, 0.0}, {0.5, 1.0, 0.0}, {0.3, 1.05, 0.0}};
    MakeGroup(60, 150, options);
    WriteAllScans();
    ASSERT_TRUE(Open());
    TheGroup().HasProbeData = true;  // as the open command leaves it
  }
  const std::vector<std::uint16_t>& Plane(int array) { return TheGroup().Array(array).intensities; }
};

TEST_F(NormalizeProbeLevelTest, ArraysComeOntoTheBaselineWithinTheNoise) {
  OpenBrightnessGroup();
  const int baseline = TheGroup().BaselineArray;
  for (int i = 0; i < 4; ++i)
    if (i != baseline) {
      EXPECT_GT(MedianLogDistance(Plane(i), Plane(baseline)), 0.15) << i;
    }

  ASSERT_TRUE(NormalizeArrays(false));
  Group& group = TheGroup();
  EXPECT_TRUE(group.Normalized);
  EXPECT_TRUE(mLog.Contains("Finished in ", kLogBlue));
  EXPECT_TRUE(mLog.Contains("  Baseline array: " + group.Array(baseline).name, kLogBlack));
  EXPECT_TRUE(mLog.Contains("Calculating background", kLogBlack));
  // Two arrays of noise 0.03 each differ by about 0.03 in the median.
  for (int i = 0; i < 4; ++i) EXPECT_LT(MedianLogDistance(Plane(i), Plane(baseline)), 0.06) << i;
  EXPECT_EQ(Plane(baseline), mTruth.arrays[static_cast<std::size_t>(baseline)].intensities);

  // The QVF files now hold the normalised arrays: a second open reads them as such and
  // keeps the baseline they were normalised against.
  const std::vector<std::uint16_t> normalized = Plane(1);
  group.BaselineArray = -1;
  mLog.Clear();
  ASSERT_TRUE(Open());
  EXPECT_TRUE(TheGroup().Normalized);
  EXPECT_EQ(TheGroup().BaselineArray, baseline);
  EXPECT_EQ(Plane(1), normalized);

  // Asked to, the open takes the raw intensities instead, and says so.
  Settings().USE_UNNORM = 1;
  ASSERT_TRUE(Open());
  EXPECT_FALSE(TheGroup().Normalized);
  EXPECT_EQ(Plane(1), mTruth.arrays[1].intensities);
  EXPECT_TRUE(mLog.ContainsRed("Note: non-normalized probe data will be used"));
}

TEST_F(NormalizeProbeLevelTest, ReviewShowsEachArrayAndWaitsAfterAllButTheBaseline) {
  OpenBrightnessGroup();
  Settings().VIEW_NORM_PLOT = 1;
  RecordedViewRequests views;
  ScriptedPrompt prompt;
  ASSERT_TRUE(NormalizeArrays(false));
  EXPECT_EQ(views.reviews, 4);
  EXPECT_EQ(prompt.CountOf(RecordedPrompt::Kind::kMessage), 3);
  EXPECT_EQ(prompt.prompts.front().text, kNextArrayPrompt);
  EXPECT_EQ(TheGroup().NormPlot.mode, kNormPlotBaselineComparison);
  EXPECT_EQ(Settings().CUR_ARRAY, 3);
  EXPECT_TRUE(mLog.Contains("View normalization plots for details", kLogBlack));

  views.reviewPrepared = false;
  mLog.Clear();
  TheGroup().Normalized = false;
  EXPECT_FALSE(NormalizeArrays(false));
  EXPECT_FALSE(TheGroup().Normalized);
  EXPECT_EQ(views.reviews, 5);
  EXPECT_FALSE(mLog.Contains("Finished", kLogBlue));
}

TEST_F(NormalizeProbeLevelTest, BaselineThatCannotBeReadFailsTheJob) {
  OpenBrightnessGroup();
  const std::string data = TheGroup().Array(TheGroup().BaselineArray).dataFile;
  std::filesystem::remove(data);
  std::filesystem::remove(ChangeExtension(data, ".qvf"));
  EXPECT_FALSE(NormalizeArrays(false));
  EXPECT_FALSE(TheGroup().Normalized);
  EXPECT_FALSE(mLog.Contains("Finished", kLogBlue));
}

class NormalizeValuesTest : public GroupJobTest {
 protected:
  static constexpr int kArrays = 3;
  static constexpr int kProbeSets = 1500;

  // Expression values of arrays that differ by a brightness factor (theta) only, with
  // standard errors of a tenth of each value.
  void MakeValueGroup(int probeSets = kProbeSets) {
    synth::ModelDataOptions options;
    options.arrays = kArrays;
    options.probes = probeSets;
    options.seed = 8;
    options.lowestPhi = 0.1;
    options.highestPhi = 10.0;
    options.noise = 2.0;
    mData = synth::MakeModelData(options);
    Group& group = TheGroup();
    group.ClearGroup();
    for (int i = 0; i < kArrays; ++i) {
      ArraySlot& slot = group.NextArraySlot();
      slot.name = "v" + std::to_string(i);
      slot.values.resize(static_cast<std::size_t>(probeSets));
      for (int u = 0; u < probeSets; ++u) {
        const auto value = static_cast<float>(mData.Value(i, u));
        slot.values[static_cast<std::size_t>(u)] = {value, 0.1f * value, 0};
      }
      ASSERT_TRUE(group.CountArray());
    }
    group.BaselineArray = 1;
    group.HasStdErrors = true;
    group.Modelled = true;
  }
  double MedianRelativeDistance(int array) {
    std::vector<double> distances;
    const Group& group = TheGroup();
    for (std::size_t u = 0; u < group.Array(array).values.size(); ++u) {
      const double base = group.Array(1).values[u].value;
      distances.push_back(std::fabs(group.Array(array).values[u].value - base) / base);
    }
    std::nth_element(distances.begin(), distances.begin() + distances.size() / 2, distances.end());
    return distances[distances.size() / 2];
  }

  synth::ModelDataTruth mData;
};

TEST_F(NormalizeValuesTest, ValuesComeOntoTheBaselineAndErrorsScaleAlong) {
  MakeValueGroup();
  Group& group = TheGroup();
  group.Array(0).values[5] = {0.0f, 3.0f, 0};
  group.Array(2).values[9].value = kMissingValueFloat;
  EXPECT_GT(MedianRelativeDistance(0), 0.5);
  const std::vector<VALUE_TRIPLE> before = group.Array(2).values;

  ASSERT_TRUE(NormalizeArrays(false));
  EXPECT_TRUE(group.Normalized);
  EXPECT_TRUE(mLog.Contains("Finished in ", kLogBlue));
  EXPECT_TRUE(mLog.Contains("Baseline array is v1", kLogBlack));
  EXPECT_LT(MedianRelativeDistance(0), 0.03);
  EXPECT_LT(MedianRelativeDistance(2), 0.03);
  for (std::size_t u = 0; u < before.size(); ++u) {
    const VALUE_TRIPLE& now = group.Array(2).values[u];
    if (u == 9) {
      EXPECT_EQ(now.value, kMissingValueFloat);
      continue;
    }
    EXPECT_NEAR(now.stdErr, before[u].stdErr * now.value / before[u].value,
                1e-4 * std::fabs(now.stdErr) + 1e-6);
  }
  EXPECT_EQ(group.Array(0).values[5].stdErr, 3.0f) << "a value of 0 gives no ratio";
}

TEST_F(NormalizeValuesTest, ATooSmallInvariantSetLeavesEveryValueAndNoClosingLine) {
  MakeValueGroup(kMinInvariantValues - 100);
  const std::vector<VALUE_TRIPLE> before = TheGroup().Array(0).values;
  EXPECT_FALSE(NormalizeArrays(false));
  EXPECT_FALSE(TheGroup().Normalized);
  EXPECT_TRUE(mLog.ContainsRed("Normalizing array v0 failed"));
  EXPECT_FALSE(mLog.Contains("Finished", kLogBlue));
  const std::vector<VALUE_TRIPLE>& after = TheGroup().Array(0).values;
  for (std::size_t u = 0; u < before.size(); ++u) ASSERT_EQ(after[u].value, before[u].value);

  TheGroup().BaselineArray = kArrays;
  EXPECT_FALSE(NormalizeArrays(false));
  EXPECT_TRUE(mLog.ContainsRed(kNoBaselineMessage));
}

TEST_F(NormalizeValuesTest, PlotsInRAskAfterEachArray) {
  MakeValueGroup();
  Settings().VIEW_NORM_PLOT = 1;
  RecordingRLink r;
  ScriptedPrompt prompt;
  ASSERT_TRUE(NormalizeArrays(false));
  const std::vector<std::string> perArray = {
      "plot(array, baseline, pch='.', xlab='v2',ylab='baseline: v1')",
      "title(main=paste('cor=',format(cor(array, baseline),digit=3)))",
      "points(array[invariant==1], baseline[invariant==1],col=2)",
      "lines(x, y, col=3)",
      "abline(0,1,col=4)",
  };
  ASSERT_EQ(r.commands.size(), 1u + 2 * perArray.size() + 5);
  EXPECT_EQ(r.commands.front(), "windows()");
  EXPECT_TRUE(std::equal(perArray.begin(), perArray.end(), r.commands.begin() + 6));
  EXPECT_EQ(r.commands.back(), "remove(y)");
  EXPECT_EQ(r.variables.at("baseline").rows, kProbeSets);
  EXPECT_EQ(r.variables.at("x").rows, kCurveKnots + 2);
  const RMatrix& invariant = r.variables.at("invariant");
  EXPECT_GT(std::count(invariant.values.begin(), invariant.values.end(), 1.0), kMinInvariantValues);
  EXPECT_EQ(prompt.CountOf(RecordedPrompt::Kind::kMessage), 2);
  EXPECT_EQ(prompt.prompts.back().text, kRPlotPrompt);

  EXPECT_EQ(prompt.prompts.back().buttons, MessageButtons::kOkCancel);

  // Cancel at the first array's plot ends the review: the second array is normalised but
  // neither plotted nor waited for, and the setting is the group's again afterwards.
  MakeValueGroup();
  Settings().VIEW_NORM_PLOT = 1;
  r.commands.clear();
  prompt.prompts.clear();
  prompt.messageAnswers = {kAnswerCancel};
  ASSERT_TRUE(NormalizeArrays(false));
  EXPECT_EQ(prompt.CountOf(RecordedPrompt::Kind::kMessage), 1);
  EXPECT_EQ(std::count(r.commands.begin(), r.commands.end(),
                       "plot(array, baseline, pch='.', xlab='v0',ylab='baseline: v1')"),
            1);
  EXPECT_EQ(std::count(r.commands.begin(), r.commands.end(), perArray.front()), 0);
  EXPECT_EQ(r.commands.back(), "remove(y)");
  EXPECT_TRUE(mLog.Contains(kReviewEndedMessage, kLogBlack));
  EXPECT_EQ(Settings().VIEW_NORM_PLOT, 1);
  EXPECT_LT(MedianRelativeDistance(0), 0.03);
  EXPECT_LT(MedianRelativeDistance(2), 0.03);

  // Without R the values are normalised all the same.
  RecordingRLink none;
  none.startFails = true;
  MakeValueGroup();
  ASSERT_TRUE(NormalizeArrays(false));
  EXPECT_TRUE(none.commands.empty());
  EXPECT_EQ(prompt.prompts.back().text, kCouldNotStartRMessage);
  EXPECT_LT(MedianRelativeDistance(0), 0.03);
}

TEST_F(NormalizeValuesTest, PlotsDrawInTheRealRAndLeaveItsWorkspaceClean) {
  MakeValueGroup();
  Settings().VIEW_NORM_PLOT = 1;
  CStatConnector r;
  RLink* previous = SetRLink(&r);
  ScriptedPrompt prompt;
  const bool normalized = NormalizeArrays(false);
  std::vector<std::string> images;
  const RReply taken = r.TakeDrawnImages(images);
  // array() is also one of R's own functions: look in the workspace alone.
  const RReply clean = r.ExecuteCommand(
      "stopifnot(!any(c('array', 'baseline', 'invariant', 'x', 'y') %in% ls(globalenv())))");
  SetRLink(previous);
  ASSERT_TRUE(normalized);
  EXPECT_FALSE(mLog.ContainsRed("R: ")) << "every statement ran in R";
  EXPECT_EQ(prompt.CountOf(RecordedPrompt::Kind::kMessage), 2);
  EXPECT_LT(MedianRelativeDistance(0), 0.03);
  ASSERT_TRUE(taken) << taken.error;
  ASSERT_FALSE(images.empty());
  for (const std::string& image : images) EXPECT_GT(std::filesystem::file_size(image), 0u);
  EXPECT_TRUE(clean) << clean.error;
}
