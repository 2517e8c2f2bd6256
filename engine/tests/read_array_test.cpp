// ReadArray end to end on synthetic scans: a CEL or DAT file read into the planes with
// its median and calls, written to its QVF file and read back from it; a QVF file that
// does not fit the layout or is too old is replaced from the data file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine/array/dat_reader.hpp"
#include "engine/tests/array_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/array_writers.hpp"
#include "tools/synth/result_writers.hpp"

class ReadArrayTest : public ArrayTest {
 protected:
  void Use(synth::ChipKind kind) {
    mChip = SetUpChip(kind, 60, 150, 2);
    synth::ArrayGroupOptions options;
    options.arrays = 2;
    options.seed = 14;
    options.noise = 0.02;  // absent probe sets clearly absent
    mGroup = synth::MakeArrayGroup(mChip, options);
    mScan = synth::ScannedArray(mChip, mGroup, 1, "scan01");
    mCelPath = mFolder.File(synth::CelFileName(mScan));
    ASSERT_TRUE(synth::WriteCel(mScan, synth::CelForm::kText, mCelPath));
    std::string timeTag;
    ASSERT_TRUE(Dat.ReadDataFileHeader(mCelPath.c_str(), timeTag));  // as opening a group does
  }
  std::string QvfPath() const { return mFolder.File("scan01.qvf"); }
  std::uint64_t ExpectedQvfSize() const { return QvfFileSize(60, 150); }

  // The median the array should report: the middle of every 9th probe cell.
  std::int32_t ExpectedMedian() const {
    std::vector<std::uint16_t> sample;
    const auto& intensities = mGroup.arrays[1].intensities;
    for (std::size_t i = 0; i < Layout.cells.size(); i += 9)
      if (Layout.cells[i].kind != kCellNoUnit) sample.push_back(intensities[i]);
    std::sort(sample.begin(), sample.end());
    return sample[sample.size() / 2];
  }
  void ExpectPlanesOfTheScan(const CHIP_DATA& array) const {
    EXPECT_EQ(array.plane1, mGroup.arrays[1].intensities);
    EXPECT_EQ(array.plane2, mGroup.arrays[1].standardErrors);
  }

  synth::ChipTruth mChip;
  synth::ArrayGroupTruth mGroup;
  synth::ArrayTruth mScan;
  std::string mCelPath;
};

TEST_F(ReadArrayTest, CelFileToQvfFileAndBack) {
  Use(synth::ChipKind::kExpression);
  std::vector<char> calls;
  std::vector<double> signals;
  synth::ResultsOf(mGroup, 1, calls, signals);
  ASSERT_TRUE(synth::WriteResultText(mChip, calls, signals, mFolder.File("scan01.txt")));
  Settings().QEX5_SIGNAL = 1;

  CHIP_DATA array;
  ASSERT_TRUE(array.ReadArray(mCelPath.c_str(), false, true));
  ExpectPlanesOfTheScan(array);
  EXPECT_EQ(array.dataPath, mCelPath);
  EXPECT_EQ(array.medianIntensity, ExpectedMedian());
  EXPECT_EQ(array.calls, calls);
  EXPECT_EQ(array.valuesPresent, 1);
  EXPECT_EQ(array.normalised, 0);
  EXPECT_NE(array.headerText.find(mChip.chipType + ".1sq"), std::string::npos);
  EXPECT_NEAR(array.triples[7].value, signals[7], 0.005);
  EXPECT_EQ(std::filesystem::file_size(QvfPath()), ExpectedQvfSize());

  CHIP_DATA fromQvf;
  ASSERT_TRUE(fromQvf.ReadExisting(QvfPath().c_str(), false, false));
  EXPECT_EQ(fromQvf.headerText, array.headerText);
  EXPECT_EQ(fromQvf.medianIntensity, array.medianIntensity);
  EXPECT_EQ(fromQvf.callPercent, array.callPercent);
  EXPECT_EQ(fromQvf.plane1, array.plane1);
  EXPECT_EQ(fromQvf.plane2, array.plane2);
  EXPECT_EQ(fromQvf.calls, array.calls);
  EXPECT_EQ(fromQvf.triples[7].value, array.triples[7].value);

  // Once written, the QVF file serves even without the CEL file.
  std::filesystem::remove(mCelPath);
  CHIP_DATA again;
  ASSERT_TRUE(again.ReadArray(mCelPath.c_str(), false, true));
  ExpectPlanesOfTheScan(again);
  EXPECT_EQ(again.dataPath, mCelPath);
}

TEST_F(ReadArrayTest, MissingResultFileGivesComputedCalls) {
  Use(synth::ChipKind::kExpression);
  CHIP_DATA array;
  ASSERT_TRUE(array.ReadArray(mCelPath.c_str(), false, false));
  EXPECT_TRUE(mLog.ContainsRed("    No matching QEX txt file; calculating Presence calls..."));
  EXPECT_EQ(array.calls, mGroup.present);
  EXPECT_EQ(array.valuesPresent, 0);
}

TEST_F(ReadArrayTest, QvfFileOfAnotherLayoutIsReplacedFromTheCelFile) {
  Use(synth::ChipKind::kExpression);
  CHIP_DATA stranger;
  stranger.dataPath = mCelPath;
  stranger.AllocatePlanes(40);
  std::fill(stranger.plane1.begin(), stranger.plane1.end(), 7);
  stranger.calls.assign(90, 'P');
  stranger.triples.assign(90, VALUE_TRIPLE{});
  ASSERT_TRUE(stranger.WriteQvf());

  CHIP_DATA array;
  ASSERT_TRUE(array.ReadArray(mCelPath.c_str(), false, true));
  EXPECT_TRUE(mLog.ContainsRed("  '" + QvfPath() + "' does not fit the chip layout"));
  EXPECT_TRUE(mLog.Contains("    Reading CEL file...", kLogBlack));
  ExpectPlanesOfTheScan(array);
  EXPECT_EQ(std::filesystem::file_size(QvfPath()), ExpectedQvfSize());
}

TEST_F(ReadArrayTest, TooOldQvfFileIsReplacedFromTheCelFile) {
  Use(synth::ChipKind::kExpression);
  CHIP_DATA first;
  ASSERT_TRUE(first.ReadArray(mCelPath.c_str(), false, false));
  auto bytes = platform::ReadWholeFile(QvfPath()).value_or(std::vector<std::uint8_t>{});
  ASSERT_EQ(bytes.size(), ExpectedQvfSize());
  bytes[kQvfFormatOffset] = 2;
  std::fill(bytes.begin() + kQvfHeaderSize, bytes.begin() + kQvfHeaderSize + 100, 0);
  ASSERT_TRUE(platform::WriteWholeFile(QvfPath(), bytes));

  mLog.Clear();
  CHIP_DATA array;
  ASSERT_TRUE(array.ReadArray(mCelPath.c_str(), false, true));
  EXPECT_TRUE(mLog.ContainsRed("  '" + QvfPath() + "' is too old (file format 2)"));
  ExpectPlanesOfTheScan(array);
  const auto rewritten = platform::ReadWholeFile(QvfPath()).value_or(std::vector<std::uint8_t>{});
  ASSERT_EQ(rewritten.size(), ExpectedQvfSize());
  EXPECT_EQ(rewritten[kQvfFormatOffset], kQvfFormat);
}

TEST_F(ReadArrayTest, SnpArrayWithoutCallFileKeepsNoCalls) {
  Use(synth::ChipKind::kSnp2);
  CHIP_DATA array;
  ASSERT_TRUE(array.ReadArray(mCelPath.c_str(), false, false));
  EXPECT_TRUE(mLog.ContainsRed("    Kandorvale SNP call file '" + mFolder.File("scan01.txt") +
                               "' not found"));
  EXPECT_TRUE(mLog.Contains("      Set genotypes to No Call when not found in genotype call file",
                            kLogBlack));
  EXPECT_TRUE(std::all_of(array.calls.begin(), array.calls.end(),
                          [](char c) { return c == kSnpCallNoCall; }));

  const std::vector<char> genotypes = synth::MakeGenotypes(mChip, 3);
  ASSERT_TRUE(synth::WriteGenotypeCalls(mChip, genotypes, mFolder.File("scan01.txt"),
                                        synth::GenotypeForm::kCallWords));
  ASSERT_TRUE(array.ReadArray(mCelPath.c_str(), true, false));
  EXPECT_EQ(array.calls, genotypes);
}

TEST_F(ReadArrayTest, DatFileGivesTheImagesCells) {
  Use(synth::ChipKind::kExpression);
  synth::DatOptions options;
  std::string error;
  const auto image = synth::MakeDatImage(mScan, options, &error);
  ASSERT_TRUE(image.has_value()) << error;
  const std::string datPath = mFolder.File(synth::DatFileName(mScan));
  ASSERT_TRUE(synth::WriteDat(mScan, *image, datPath));
  std::string timeTag;
  ASSERT_TRUE(Dat.ReadDataFileHeader(datPath.c_str(), timeTag));

  CHIP_DATA array;
  ASSERT_TRUE(array.ReadArray(datPath.c_str(), false, false));
  EXPECT_EQ(array.plane1, image->values);
  EXPECT_EQ(array.plane2, image->errors);
  EXPECT_EQ(array.headerText, Dat.headerText);
  EXPECT_EQ(std::filesystem::file_size(QvfPath()), ExpectedQvfSize());
}
