// The cell file and scanner image readers on damaged copies of generated files:
// truncations and byte flips from a fixed seed. None may crash or read out of bounds
// (the sanitizer build catches that), and a reader that refuses a file says so in red.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/array/cel_file_data.hpp"
#include "engine/array/cel_reader.hpp"
#include "engine/array/dat_reader.hpp"
#include "engine/testing/byte_variants.hpp"
#include "engine/tests/array_file_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {}  // namespace

class ArrayFileFuzzTest : public ArrayFileTest {
 protected:
  void SetUp() override {
    mChip = MakeChip(synth::ChipKind::kSnp3Rotated, 20, 6);
    UseChip(mChip);
    mArray = MakeArray(mChip, 4);
  }
  Bytes Seed(const std::string& path) { return platform::ReadWholeFile(path).value_or(Bytes{}); }
  // The bytes of the array's scanner image at that many pixels a cell, written as a data
  // file; none (which Run refuses) when it could not be made or written.
  Bytes DatSeed(int pixelsPerCell) {
    const auto image =
        synth::MakeDatImage(mArray, synth::DatOptions{.pixelsPerCell = pixelsPerCell});
    const std::string path = mFolder.File("scan.DAT");
    EXPECT_TRUE(image.has_value());
    if (!image.has_value() || !synth::WriteDat(mArray, *image, path)) return {};
    return Seed(path);
  }

  // Runs the entry on every variant; with redOnRefusal a refused variant must have
  // logged a red line.
  template <typename Entry>
  void Run(const Bytes& seed, int count, std::size_t span, Entry entry, bool redOnRefusal) {
    ASSERT_FALSE(seed.empty());
    int index = 0;
    for (const Bytes& variant :
         ByteVariants(seed, count, 20240917, "0123456789-+.eE\t\n =[]\x14/", span)) {
      SCOPED_TRACE(index++);
      mLog.Clear();
      const bool read = entry(variant.data(), variant.size());
      if (!read && redOnRefusal) {
        EXPECT_GT(mLog.CountInColour(kLogRed), 0);
      }
    }
    // The undamaged file itself must still read.
    EXPECT_TRUE(entry(seed.data(), seed.size()));
  }

  synth::ChipTruth mChip;
  synth::ArrayTruth mArray;
};

TEST_F(ArrayFileFuzzTest, TextCellFiles) {
  for (const auto form : {synth::CelForm::kText, synth::CelForm::kOldText}) {
    const Bytes seed = Seed(WriteCel(mArray, form));
    Run(seed, 300, seed.size(), FuzzReadTextCel, true);
    Run(seed, 300, 1200, FuzzReadTextCel, true);
    Run(seed, 300, seed.size(), FuzzCelFileData, false);
  }
}

TEST_F(ArrayFileFuzzTest, BinaryCellFiles) {
  const Bytes seed = Seed(WriteCel(mArray, synth::CelForm::kBinary));
  Run(seed, 300, seed.size(), FuzzReadBinaryCel, true);
  Run(seed, 300, 400, FuzzReadBinaryCel, true);
  Run(seed, 300, 400, FuzzCelFileData, false);
}

TEST_F(ArrayFileFuzzTest, ScannerImages) {
  const Bytes seed = DatSeed(5);
  ASSERT_FALSE(seed.empty());
  Run(seed, 120, seed.size(), FuzzExtractDat, true);
  Run(seed, 300, kDatHeaderSize, FuzzExtractDat, true);
}

TEST_F(ArrayFileFuzzTest, DataFileHeaders) {
  // Another chip type is refused without a word, so only crashes count here.
  Run(DatSeed(3), 300, kDatHeaderSize, FuzzReadDataFileHeader, false);
  Run(Seed(WriteCel(mArray, synth::CelForm::kText)), 300, 600, FuzzReadDataFileHeader, false);
  Run(Seed(WriteCel(mArray, synth::CelForm::kBinary)), 300, 600, FuzzReadDataFileHeader, false);
}
