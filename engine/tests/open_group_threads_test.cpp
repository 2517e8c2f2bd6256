// Opening a group on one thread and on several gives the same arrays, QVF files and log
// lines, in a folder that also holds a repeated scan, a file of no data kind, a QVF file
// of another layout and a subfolder, and again when the arrays come from their QVF files;
// the zone backgrounds computed after the open are the same too.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/array/dat_reader.hpp"
#include "engine/tests/group_job_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

struct OpenOutcome {
  bool opened = false;
  std::vector<std::string> lines;  // text, with its colour and replacement mark
  std::vector<std::string> dataFiles;
  std::vector<std::vector<std::uint16_t>> planes;
  std::vector<std::vector<char>> calls;
  std::vector<std::vector<std::uint16_t>> backgrounds;
  std::vector<std::vector<std::uint32_t>> values;
  std::vector<float> numbers;
  std::vector<std::vector<std::uint8_t>> files;
  std::string workingArray;
  std::string headerText;
  bool normalized = false;
  bool modelled = false;
};

}  // namespace

class OpenGroupThreadsTest : public GroupJobTest {
 protected:
  ~OpenGroupThreadsTest() override { platform::LimitWorkerThreads(0); }

  void RemoveQvfFiles() {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(DataFolder()))
      if (entry.path().extension() == ".qvf") std::filesystem::remove(entry.path(), error);
  }

  OpenOutcome OpenWith(int threads) {
    platform::LimitWorkerThreads(threads);
    mLog.Clear();
    ChipData = CHIP_DATA();
    Dat.headerText.clear();
    OpenOutcome outcome;
    outcome.opened = Open();
    for (const CapturedLine& line : mLog.Lines())
      outcome.lines.push_back(line.text + "|" + std::to_string(line.colour) + "|" +
                              std::to_string(line.replaceLastLine));
    const Group& group = TheGroup();
    for (int i = 0; i < group.NumArrays(); ++i) {
      const ArraySlot& slot = group.Array(i);
      outcome.dataFiles.push_back(slot.dataFile);
      outcome.planes.push_back(slot.intensities);
      outcome.calls.push_back(slot.calls);
      outcome.backgrounds.emplace_back(slot.background.begin(), slot.background.end());
      std::vector<std::uint32_t> bits;
      for (const VALUE_TRIPLE& triple : slot.values) {
        bits.push_back(std::bit_cast<std::uint32_t>(triple.value));
        bits.push_back(std::bit_cast<std::uint32_t>(triple.stdErr));
        bits.push_back(static_cast<std::uint32_t>(triple.outlier));
      }
      outcome.values.push_back(bits);
      outcome.numbers.insert(outcome.numbers.end(),
                             {static_cast<float>(slot.medianIntensity), slot.presentCallFraction,
                              slot.arrayOutlierFraction, slot.singleOutlierFraction});
      outcome.files.push_back(
          platform::ReadWholeFile(QvfPathFor(slot.dataFile)).value_or(platform::ByteBuffer{}));
    }
    outcome.workingArray = ChipData.dataPath;
    outcome.headerText = Dat.headerText;
    outcome.normalized = group.Normalized;
    outcome.modelled = group.Modelled;
    return outcome;
  }

  static void ExpectSame(const OpenOutcome& many, const OpenOutcome& one, int threads) {
    EXPECT_EQ(many.opened, one.opened) << threads;
    EXPECT_EQ(many.lines, one.lines) << threads;
    EXPECT_EQ(many.dataFiles, one.dataFiles) << threads;
    EXPECT_EQ(many.planes, one.planes) << threads;
    EXPECT_EQ(many.calls, one.calls) << threads;
    EXPECT_EQ(many.backgrounds, one.backgrounds) << threads;
    EXPECT_EQ(many.values, one.values) << threads;
    EXPECT_EQ(many.numbers, one.numbers) << threads;
    EXPECT_EQ(many.files, one.files) << threads;
    EXPECT_EQ(many.workingArray, one.workingArray) << threads;
    EXPECT_EQ(many.headerText, one.headerText) << threads;
    EXPECT_EQ(many.normalized, one.normalized) << threads;
    EXPECT_EQ(many.modelled, one.modelled) << threads;
  }
};

TEST_F(OpenGroupThreadsTest, OneThreadAndSeveralReadTheSameArraysFilesAndLines) {
  synth::ArrayGroupOptions options;
  options.arrays = 9;
  options.seed = 31;
  MakeGroup(120, 300, options);
  for (int i = 0; i < 6; ++i)
    WriteScan(i, "a" + std::to_string(i), "", "", ".CEL",
              i % 2 == 0 ? synth::CelForm::kBinary : synth::CelForm::kText);
  // A second scan at array 1's time, a subfolder's arrays and a file of no data kind.
  WriteScan(6, "a1b", "", ScanTime(1), ".CEL", synth::CelForm::kBinary);
  WriteScan(7, "b7", "sub", "", ".CEL", synth::CelForm::kBinary);
  WriteScan(8, "b8", "sub");
  std::ofstream(DataFolder() + "/notes.doc") << "not an array\n";

  RemoveQvfFiles();
  const OpenOutcome first = OpenWith(1);
  ASSERT_TRUE(first.opened);
  ASSERT_EQ(first.dataFiles.size(), 8u);
  EXPECT_EQ(CountLines("Have the same time tag"), 1);
  for (const auto& file : first.files) ASSERT_FALSE(file.empty());
  for (const auto& zones : first.backgrounds)
    ASSERT_GT(*std::max_element(zones.begin(), zones.end()), 0);
  // The arrays come from their QVF files next time, but for one written for another layout.
  std::ofstream(QvfPathFor(first.dataFiles[3]), std::ios::binary | std::ios::app).put('\0');
  const OpenOutcome again = OpenWith(1);
  EXPECT_EQ(CountLines("Accessing"), 7);
  EXPECT_EQ(CountLines("was written for another chip layout"), 1);

  for (const int threads : {4, 2}) {
    RemoveQvfFiles();
    ExpectSame(OpenWith(threads), first, threads);
    std::ofstream(QvfPathFor(first.dataFiles[3]), std::ios::binary | std::ios::app).put('\0');
    ExpectSame(OpenWith(threads), again, threads);
  }
}

TEST_F(OpenGroupThreadsTest, AnArrayThatCannotBeReadStopsTheOpenThereOnEveryThreadCount) {
  synth::ArrayGroupOptions options;
  options.arrays = 5;
  options.seed = 32;
  MakeGroup(100, 200, options);
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i)
    paths.push_back(WriteScan(i, "a" + std::to_string(i), "", "", ".CEL", synth::CelForm::kBinary));
  // Array 2's cells end early: its header is read, its cells are not.
  std::filesystem::resize_file(paths[2], std::filesystem::file_size(paths[2]) - 1000);

  RemoveQvfFiles();
  const OpenOutcome one = OpenWith(1);
  EXPECT_FALSE(one.opened);
  EXPECT_EQ(one.dataFiles.size(), 2u);
  EXPECT_GT(CountLines("Failed to read Binary CEL file"), 0);
  for (const int threads : {4, 3}) {
    RemoveQvfFiles();
    const OpenOutcome many = OpenWith(threads);
    EXPECT_EQ(many.opened, one.opened) << threads;
    EXPECT_EQ(many.lines, one.lines) << threads;
    EXPECT_EQ(many.dataFiles, one.dataFiles) << threads;
    EXPECT_EQ(many.planes, one.planes) << threads;
    EXPECT_EQ(many.files, one.files) << threads;
  }
}
