// The result text file beside an expression array's data file: calls and signals taken
// when it is whole, and every way it can be missing or malformed reported and answered
// by calls computed from the intensities.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/tests/array_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/result_writers.hpp"

class ResultTextTest : public ArrayTest {
 protected:
  void SetUp() override {
    mChip = SetUpChip(synth::ChipKind::kExpression, 80, 160, 5);
    synth::ArrayGroupOptions options;
    options.arrays = 2;
    options.seed = 8;
    mGroup = synth::MakeArrayGroup(mChip, options);
    Fill(mArray, mGroup, 1, DataPath());
    synth::ResultsOf(mGroup, 1, mCalls, mSignals);
    // The file's calls differ from what the intensities give, so the two are told apart.
    for (std::size_t u = 0; u < mCalls.size(); u += 7) mCalls[u] = 'M';
  }
  std::string DataPath() const { return mFolder.File("a1.CEL"); }
  std::string TextPath() const { return mFolder.File("a1.txt"); }

  void Write(synth::ResultColumns columns = synth::ResultColumns::kSignalDetection) {
    ASSERT_TRUE(synth::WriteResultText(mChip, mCalls, mSignals, TextPath(), columns));
  }
  void Append(const std::string& line) {
    std::string text;
    const auto bytes = platform::ReadWholeFile(TextPath()).value_or(std::vector<std::uint8_t>{});
    text.assign(bytes.begin(), bytes.end());
    text += line;
    WriteText("a1.txt", text);
  }
  // The calls the intensities give on their own.
  std::vector<char> ComputedCalls() {
    CHIP_DATA computed;
    Fill(computed, mGroup, 1, DataPath());
    computed.ComputePresenceCalls();
    return computed.calls;
  }
  bool Read() { return mArray.ReadResultTextFile(DataPath().c_str()); }
  // The calls came from the intensities, with the red line that says so.
  void ExpectComputedCalls() {
    EXPECT_EQ(mArray.calls, ComputedCalls());
    EXPECT_TRUE(mLog.ContainsRed("    No matching QEX txt file; calculating Presence calls..."));
    EXPECT_EQ(mArray.valuesPresent, 0);
  }

  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mGroup;
  CHIP_DATA mArray;
  std::vector<char> mCalls;
  std::vector<double> mSignals;
};

TEST_F(ResultTextTest, CallsAndSignalsAreTaken) {
  Settings().QEX5_SIGNAL = 1;
  for (const auto columns :
       {synth::ResultColumns::kSignalDetection, synth::ResultColumns::kAvgDiffAbsCall}) {
    Write(columns);
    mArray.triples.assign(mArray.triples.size(), VALUE_TRIPLE{});
    ASSERT_TRUE(Read());
    EXPECT_EQ(mArray.calls, mCalls);
    for (std::size_t u = 0; u < mSignals.size(); ++u) {
      EXPECT_NEAR(mArray.triples[u].value, mSignals[u], 0.005) << u;
      EXPECT_EQ(mArray.triples[u].stdErr, 0.0f);
      EXPECT_EQ(mArray.triples[u].outlier, 0);
    }
    EXPECT_EQ(mArray.valuesPresent, 1);
    const auto present = std::count(mCalls.begin(), mCalls.end(), kCallPresent);
    EXPECT_FLOAT_EQ(mArray.callPercent, static_cast<float>(present) / 160.0f);
  }
  EXPECT_TRUE(mLog.Contains("    Found QEX analysis result file " + TextPath(), kLogBlack));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
}

TEST_F(ResultTextTest, WithoutASignalColumnOnlyCallsAreTaken) {
  Settings().QEX5_SIGNAL = 1;
  Write(synth::ResultColumns::kCallsOnly);
  ASSERT_TRUE(Read());
  EXPECT_EQ(mArray.calls, mCalls);
  EXPECT_EQ(Settings().QEX5_SIGNAL, 0);
  EXPECT_EQ(mArray.valuesPresent, 0);
  EXPECT_EQ(mArray.triples[1].value, 0.0f);
}

TEST_F(ResultTextTest, DetectionLeftOfSignalIsRefused) {
  Write(synth::ResultColumns::kDetectionBeforeSignal);
  EXPECT_FALSE(Read());
  EXPECT_TRUE(mLog.ContainsRed(
      "    QEX text file '" + TextPath() +
      "' has no 'Signal' column or 'Detection' column or they are not in right order"));
  EXPECT_TRUE(mLog.ContainsRed("      Signal column: 3, call column: 2"));
  ExpectComputedCalls();
}

TEST_F(ResultTextTest, MissingFileOrHeaderFallsBackToComputedCalls) {
  EXPECT_FALSE(Read());
  ExpectComputedCalls();
  const auto present = std::count(mArray.calls.begin(), mArray.calls.end(), kCallPresent);
  EXPECT_FLOAT_EQ(mArray.callPercent, static_cast<float>(present) / 160.0f);

  mLog.Clear();
  WriteText("a1.txt", "Probe Set Name\tSignal\nPSet000030\t12.5\n");
  EXPECT_FALSE(Read());
  EXPECT_TRUE(
      mLog.ContainsRed("    '" + TextPath() + "' is not an QEX analysis result file, ignored"));
  ExpectComputedCalls();
}

TEST_F(ResultTextTest, FewerThanHalfTheProbeSetsMatched) {
  for (std::size_t u = 0; u < mCalls.size(); ++u)
    if (u % 3 != 0) mCalls[u] = '\0';  // a third of the probe sets written
  Settings().QEX5_SIGNAL = 1;
  Write();
  EXPECT_FALSE(Read());
  ExpectComputedCalls();
}

TEST_F(ResultTextTest, UnknownProbeSetFailsTheFileUnlessAllowed) {
  Write();
  Append("NoSuchSet\t12.00\tP\t0.001\n");
  EXPECT_FALSE(Read());
  EXPECT_TRUE(mLog.ContainsRed("      Unit 'NoSuchSet' not found; Wrong TXT file"));
  ExpectComputedCalls();

  Settings().ALLOW_TXT_HAS_UNKNOWN = 1;
  mLog.Clear();
  EXPECT_TRUE(Read());
  EXPECT_EQ(mArray.calls, mCalls);
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
}

TEST_F(ResultTextTest, MalformedLinesAreReportedNotUsed) {
  Settings().QEX5_SIGNAL = 1;
  const std::string name = mChip.units[40].name;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {name + "\t12.00\tX\t0.001\n", "    Error: absolute call is not 'APMN'"},
      {name + "\t12.00\n", "    Error: absolute call is not 'APMN'"},
      {name + "\t12,5x\tP\t0.001\n",
       "    Error: signal '12,5x' of probe set '" + name + "' is not a number"},
      {"\t12.00\tP\t0.001\n", "      Unit '' not found"},
  };
  for (const auto& [line, message] : cases) {
    SCOPED_TRACE(line);
    Write();
    Append(line);
    mLog.Clear();
    EXPECT_FALSE(Read());
    EXPECT_TRUE(mLog.ContainsRed(message));
    ExpectComputedCalls();
  }
}
