// The model-based expression job on groups whose probe pairs carry the model's own data:
// fitted values follow the planted expression, a planted bad array is flagged, the QVF
// files and summary get the results, the probe data cache gives what held planes give, a
// stop leaves the previous results; and the truncation and log transform of the values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "engine/array/chip_data.hpp"
#include "engine/array/chip_data_internal.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/jobs/array_summary.hpp"
#include "engine/jobs/expression_transforms.hpp"
#include "engine/jobs/model_expression.hpp"
#include "engine/jobs/open_group.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/model_test_support.hpp"
#include "platform/line_reader.hpp"
#include "tools/synth/array_model.hpp"

class ModelExpressionTest : public ModelTest {
 protected:
  static constexpr int kArrays = 8;
  static constexpr int kUnits = 25;
  static constexpr int kPairs = 12;
  static constexpr int kBadArray = 3;

  ModelExpressionTest() {
    TheGroup().SetName("model");
    Settings().TRUNCATE = 0;
    Settings().TRUNCATE_PCT = 0;
    Settings().LOG_TRANSFORM = 0;
  }
  ~ModelExpressionTest() override { Model.ClearProbeSet(); }

  // A group of arrays held in memory and written to their QVF files; array kBadArray
  // responds to every probe set's probes at random.
  void MakeFiledGroup() {
    mOptions.noise = 2.0;
    mOptions.badArray = kBadArray;
    MakeGroup(kArrays, kUnits, kPairs, mOptions);
    for (int i = 0; i < kArrays; ++i) {
      const ArraySlot& slot = TheGroup().Array(i);
      CHIP_DATA chip;
      chip.AllocatePlanes(Layout.dimension);
      chip.plane1 = slot.intensities;
      chip.plane2 = slot.intensities;
      chip.AllocateUnitTables();
      chip.dataPath = slot.dataFile;
      // The scanner header opening a group checks the chip type and scan time in.
      synth::ArrayTruth scan;
      scan.chipType = mChip.chipType;
      scan.name = slot.name;
      scan.scanTime = "01/02/03 04:05:0" + std::to_string(i);
      chip.headerText = scan.ScannerHeader(1000);
      ASSERT_TRUE(chip.WriteQvf());
    }
  }
  // The truth of one probe set, as MakeGroup made it.
  synth::ModelDataTruth Truth(int unit) const {
    synth::ModelDataOptions options = mOptions;
    options.arrays = kArrays;
    options.probes = kPairs;
    options.seed = mOptions.seed + static_cast<std::uint64_t>(unit);
    return synth::MakeModelData(options);
  }
  std::vector<std::vector<VALUE_TRIPLE>> Tables() const {
    std::vector<std::vector<VALUE_TRIPLE>> tables;
    for (int i = 0; i < kArrays; ++i) tables.push_back(TheGroup().Array(i).values);
    return tables;
  }

  synth::ModelDataOptions mOptions;
  RecordedOutputFiles mOutputFiles;
  RaisedAnalysisRunning mRunning;
};

namespace {

bool SameTables(const std::vector<std::vector<VALUE_TRIPLE>>& a,
                const std::vector<std::vector<VALUE_TRIPLE>>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (std::size_t u = 0; u < a[i].size(); ++u)
      if (a[i][u].value != b[i][u].value || a[i][u].stdErr != b[i][u].stdErr ||
          a[i][u].outlier != b[i][u].outlier)
        return false;
  }
  return true;
}

}  // namespace

TEST_F(ModelExpressionTest, ValuesFollowThePlantedExpressionAndTheBadArrayIsFlagged) {
  MakeFiledGroup();
  Settings().PSI_MODE = kPsiWrite;
  Settings().PSI_FILE_NAME = mFolder.File("chip.psi");
  ASSERT_TRUE(ComputeModelExpression());
  PSI_FILE written;
  EXPECT_TRUE(written.ReadPsiFile(Settings().PSI_FILE_NAME));
  EXPECT_FLOAT_EQ(written.PresentFraction(3), 1.0f) << "every array called present";
  const Group& group = TheGroup();
  EXPECT_TRUE(group.Modelled);
  EXPECT_TRUE(group.HasStdErrors);
  EXPECT_TRUE(mLog.Contains("Obtain model-based expression values using 'PM/MM difference model'",
                            kLogBlack));
  EXPECT_TRUE(mLog.Contains("Finished in ", kLogBlue));
  // Each probe set's values are the planted array effects times one scale of its own.
  for (int u = 0; u < kUnits; ++u) {
    const std::vector<double> theta = Truth(u).ScaledTheta();
    std::vector<double> ratios;
    for (int i = 0; i < kArrays; ++i)
      if (i != kBadArray)
        ratios.push_back(group.Array(i).values[static_cast<std::size_t>(u)].value /
                         theta[static_cast<std::size_t>(i)]);
    std::sort(ratios.begin(), ratios.end());
    const double scale = ratios[ratios.size() / 2];
    EXPECT_GT(scale, 0.7) << "probe set " << u;
    EXPECT_LT(scale, 1.4) << "probe set " << u;
    for (const double ratio : ratios) EXPECT_NEAR(ratio / scale, 1.0, 0.03) << "probe set " << u;
  }
  for (int i = 0; i < kArrays; ++i) {
    if (i == kBadArray)
      EXPECT_GT(group.Array(i).arrayOutlierFraction, 0.5f);
    else
      EXPECT_LT(group.Array(i).arrayOutlierFraction, kArrayOutlierWarningFraction) << i;
  }

  // The QVF files hold the values and fractions; the summary marks the bad array.
  CHIP_DATA saved;
  ProbeLevelFlag = true;
  ASSERT_TRUE(
      saved.ReadExisting(ChangeExtension(group.Array(2).dataFile, ".qvf").c_str(), false, false));
  ProbeLevelFlag = false;
  EXPECT_EQ(saved.valuesPresent, 1);
  EXPECT_EQ(saved.plane1, group.Array(2).intensities);
  EXPECT_EQ(saved.triples[4].value, group.Array(2).values[4].value);
  EXPECT_EQ(saved.arrayOutlierPercent, group.Array(2).arrayOutlierFraction);
  platform::LineReader reader;
  ASSERT_TRUE(reader.Open(ArraySummaryPath()));
  std::string_view line;
  int row = -1;
  while (reader.Next(line) == platform::LineStatus::kWhole) {
    if (row == -1) {
      EXPECT_NE(line.find("% Array outlier\t% Single outlier\tWarning"), line.npos);
    } else {
      EXPECT_EQ(line.ends_with("*\t"), row == kBadArray) << line;
    }
    ++row;
  }
  EXPECT_EQ(row, kArrays);
  ASSERT_EQ(mOutputFiles.files.size(), 1u);
  EXPECT_FALSE(mLog.Contains("contains 8 arrays", kLogBlack)) << "that line is the open's";
}

TEST_F(ModelExpressionTest, ReopenedGroupHasTheValuesAndTakesTheLogTransform) {
  MakeFiledGroup();
  ASSERT_TRUE(ComputeModelExpression());
  const auto fitted = Tables();
  GroupSettings& settings = Settings();
  settings.READ_QVF = 1;
  settings.READ_CEL = 0;
  settings.READ_DAT = 0;
  settings.DATA_PATH = mFolder.Path().string();
  settings.LOG_TRANSFORM = 1;
  settings.LOG_BASE = 2.0;
  TheGroup().OpenedFromDataFiles = true;
  const auto home = std::filesystem::current_path();
  const bool opened = SearchDataFiles();
  std::filesystem::current_path(home);
  ASSERT_TRUE(opened);
  ASSERT_EQ(TheGroup().NumArrays(), kArrays);
  EXPECT_TRUE(TheGroup().Modelled);
  EXPECT_TRUE(TheGroup().Logged);
  EXPECT_FALSE(TheGroup().HasStdErrors);
  for (int i = 0; i < kArrays; ++i) {
    EXPECT_EQ(TheGroup().Array(i).name, "array" + std::to_string(i));
    for (std::size_t u = 0; u < kUnits; ++u)
      ASSERT_FLOAT_EQ(TheGroup().Array(i).values[u].value,
                      std::log2(std::max(fitted[static_cast<std::size_t>(i)][u].value, 1.0f)));
  }
}

TEST_F(ModelExpressionTest, ProbeDataCacheGivesWhatHeldPlanesGive) {
  MakeFiledGroup();
  ASSERT_TRUE(ComputeModelExpression());
  const auto held = Tables();
  Settings().LOAD_PROBE_DATA = 0;
  for (int i = 0; i < kArrays; ++i) TheGroup().Array(i).intensities.clear();
  mLog.Clear();
  ASSERT_TRUE(ComputeModelExpression());
  EXPECT_TRUE(SameTables(Tables(), held));
  EXPECT_TRUE(mLog.Contains("Load probe data for probe set 0 to", kLogBlack));
  EXPECT_FALSE(ProbeCache.Allocated());
  // The QVF files keep their planes though the group holds none.
  CHIP_DATA saved;
  ProbeLevelFlag = true;
  ASSERT_TRUE(saved.ReadExisting(mFolder.File("array5.qvf").c_str(), false, false));
  ProbeLevelFlag = false;
  EXPECT_FALSE(std::all_of(saved.plane1.begin(), saved.plane1.end(),
                           [](std::uint16_t v) { return v == 0; }));
}

TEST_F(ModelExpressionTest, StopLeavesThePreviousResultsAndFiles) {
  MakeFiledGroup();
  {
    ScriptedProgress progress;
    progress.stopAtPoll = 10;
    EXPECT_FALSE(ComputeModelExpression());
    EXPECT_TRUE(mLog.ContainsRed(kUserStopMessage));
  }
  EXPECT_FALSE(TheGroup().Modelled);
  EXPECT_TRUE(TheGroup().Array(0).values.empty());

  ASSERT_TRUE(ComputeModelExpression());
  const auto before = Tables();
  const float fraction = TheGroup().Array(kBadArray).arrayOutlierFraction;
  Settings().MODEL_METHOD = kModelPmOnly;
  ScriptedProgress progress;
  progress.stopAtPoll = 10;
  mLog.Clear();
  EXPECT_FALSE(ComputeModelExpression());
  EXPECT_TRUE(TheGroup().Modelled);
  EXPECT_TRUE(SameTables(Tables(), before));
  EXPECT_EQ(TheGroup().Array(kBadArray).arrayOutlierFraction, fraction);
  EXPECT_FALSE(mLog.Contains(kSavingExpressionMessage, kLogBlack));
  EXPECT_FALSE(mLog.Contains("Finished", kLogBlue));
}

class ExpressionTransformTest : public ModelTest {
 protected:
  // One array whose probe sets have the values given, called as given.
  void SetValues(const std::vector<float>& values, const std::vector<char>& calls) {
    Group& group = TheGroup();
    group.ClearGroup();
    ArraySlot& slot = group.NextArraySlot();
    slot.values.clear();
    for (const float value : values) slot.values.push_back({value, 1.5f, 0});
    slot.calls = calls;
    ASSERT_TRUE(group.CountArray());
    Layout.unitCount = static_cast<int>(values.size());
    group.Modelled = true;
    group.HasStdErrors = true;
  }
  std::vector<float> Values() const {
    std::vector<float> values;
    for (const VALUE_TRIPLE& triple : TheGroup().Array(0).values) values.push_back(triple.value);
    return values;
  }
};

TEST_F(ExpressionTransformTest, TruncationRaisesLowValuesToTheLargerFloor) {
  // Absent values 10, 20, ..., 100: their 30th percentile is 40.
  std::vector<float> values;
  std::vector<char> calls;
  for (int k = 1; k <= 10; ++k) {
    values.push_back(10.0f * static_cast<float>(k));
    calls.push_back(kCallAbsent);
  }
  values.push_back(45.0f);
  calls.push_back(kCallPresent);
  values.push_back(kMissingValueFloat);
  calls.push_back(kCallAbsent);
  SetValues(values, calls);
  Settings().TRUNCATE_PCT = 1;
  Settings().TRUNCATE_PCT_VALUE = 30;
  Settings().TRUNCATE = 0;
  TruncateExpression();
  EXPECT_TRUE(
      mLog.Contains("The 30-th percentile of the expression values for absent genes is "
                    "40.00",
                    kLogBlack));
  EXPECT_EQ(Values()[0], 40.0f);
  EXPECT_EQ(TheGroup().Array(0).values[0].stdErr, 0.0f);
  EXPECT_EQ(Values()[3], 40.0f);
  EXPECT_EQ(TheGroup().Array(0).values[3].stdErr, 1.5f) << "values at the floor stay";
  EXPECT_EQ(Values()[11], kMissingValueFloat);

  SetValues(values, calls);
  Settings().TRUNCATE = 1;
  Settings().TRUNCATE_VALUE = 50.0;
  TruncateExpression();
  EXPECT_TRUE(mLog.Contains("Truncating expression values to 50.00", kLogBlack));
  EXPECT_EQ(Values()[3], 50.0f);
  EXPECT_EQ(Values()[10], 50.0f);
  EXPECT_EQ(Values()[5], 60.0f);

  // No absent call: the percentile is the missing marker and nothing changes.
  SetValues({-5.0f, 3.0f}, {kCallPresent, kCallPresent});
  Settings().TRUNCATE = 0;
  TruncateExpression();
  EXPECT_EQ(Values(), (std::vector<float>{-5.0f, 3.0f}));
}

TEST_F(ExpressionTransformTest, LogTransformCutsBelowOneAndDropsErrors) {
  SetValues({0.5f, 8.0f, kMissingValueFloat}, {kCallPresent, kCallPresent, kCallAbsent});
  Settings().LOG_TRANSFORM = 1;
  Settings().LOG_BASE = 2.0;
  LogTransformExpression();
  EXPECT_EQ(Values(), (std::vector<float>{0.0f, 3.0f, kMissingValueFloat}));
  EXPECT_EQ(TheGroup().Array(0).values[1].stdErr, 0.0f);
  EXPECT_TRUE(TheGroup().Logged);
  EXPECT_FALSE(TheGroup().HasStdErrors);
  EXPECT_TRUE(mLog.Contains("Log 2 transforming the expression values", kLogBlack));

  SetValues({8.0f}, {kCallPresent});
  Settings().LOG_BASE = 1.0;
  LogTransformExpression();
  EXPECT_EQ(Values()[0], 8.0f);
  EXPECT_TRUE(mLog.ContainsRed("Log base 1 cannot be used"));
}

namespace {
bool RefusingWriter(const std::string&, std::span<const platform::FilePiece>, int* error,
                    platform::Durability) {
  *error = EACCES;
  return false;
}
}  // namespace

// QVF files that take no values (a folder that cannot be written) leave the fitted values
// in the group, and the closing line says they were not saved.
TEST_F(ModelExpressionTest, ValuesNotSavedAreNamedInTheClosingLine) {
  MakeFiledGroup();
  QvfPieceWriter = RefusingWriter;
  const bool computed = ComputeModelExpression();
  QvfPieceWriter = platform::OverwritePieces;
  ASSERT_TRUE(computed);
  EXPECT_TRUE(TheGroup().Modelled);
  EXPECT_FALSE(TheGroup().Array(0).values.empty());
  EXPECT_EQ(mLog.CountInColour(kLogRed), kArrays + 1);
  EXPECT_TRUE(
      mLog.ContainsRed("; " + MessageBuffer(kValuesNotSavedMessage, kArrays, kArrays) + "}"));
  EXPECT_FALSE(mLog.Contains("Finished in ", kLogBlue));

  mLog.Clear();
  ASSERT_TRUE(ComputeModelExpression());
  EXPECT_TRUE(mLog.Contains("Finished in ", kLogBlue));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
}
