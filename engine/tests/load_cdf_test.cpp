// LoadCdf: chip type and array kind from the file name, the cache beside the chip
// description, and when the chip description is converted again.
#include "engine/chip/load_cdf.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/chip/array_kind_table.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "platform/byte_reader.hpp"

using LoadCdfTest = ChipTest;

TEST_F(LoadCdfTest, AFileNameWithoutDotOrWithAOneLetterChipTypeIsRefused) {
  EXPECT_FALSE(Load(mFolder.File("chipfile")));
  EXPECT_TRUE(
      mLog.ContainsRed("    No CDF file specified in \"Open group/Other information\" "
                       "dialog, or wrong CDF file name: " +
                       mFolder.File("chipfile")));
  EXPECT_FALSE(Load(mFolder.File("c.cdf")));
  EXPECT_TRUE(
      mLog.ContainsRed("    Incorrect length of 'ChipType' when parsing " + mFolder.File("c.cdf")));
}

TEST_F(LoadCdfTest, AnUnknownExtensionIsRefused) {
  EXPECT_FALSE(Load(WriteText("chip.txt", "[CDF]\n")));
  EXPECT_TRUE(mLog.ContainsRed("    Cannot recoganize file type"));
}

TEST_F(LoadCdfTest, TheSecondLoadReadsTheCache) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 20);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  ASSERT_TRUE(Load(path));
  EXPECT_TRUE(mLog.Contains("  Converting CDF file '" + path, kLogBlack));
  EXPECT_EQ(Layout.cachePath, path + ".bin");
  EXPECT_TRUE(platform::FileExists(path + ".bin"));

  mLog.Clear();
  ResetChipGlobals();
  ASSERT_TRUE(Load(path));
  EXPECT_TRUE(mLog.Contains("  Read in existing binary CDF file " + path + ".bin", kLogBlack));
  EXPECT_FALSE(mLog.Contains("Converting", kLogBlack));
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
  EXPECT_EQ(Layout.Positions(3).size(), static_cast<std::size_t>(chip.units[3].PairCount()));

  mLog.Clear();
  ASSERT_TRUE(Load(path, true));  // rebuild converts even with a usable cache
  EXPECT_TRUE(mLog.Contains("  Converting CDF file '", kLogBlack));
}

TEST_F(LoadCdfTest, WithoutProbeDataTheCacheGivesUnitsOnly) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 20);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  ASSERT_TRUE(Load(path));
  mSettings.LOAD_PROBE_DATA = 0;
  ASSERT_TRUE(Load(path));
  EXPECT_FALSE(Layout.HasCells());
  EXPECT_EQ(Layout.unitCount, 20);
  mSettings.probeLevelFlag = true;  // a command that needs probe data raises the flag
  ASSERT_TRUE(Load(path));
  EXPECT_TRUE(Layout.HasCells());
}

TEST_F(LoadCdfTest, ChoosingTheCacheItselfLoadsItAndFallsBackToTheChipDescription) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 20);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  ASSERT_TRUE(Load(path));
  const std::string cache = path + ".bin";

  mLog.Clear();
  ASSERT_TRUE(Load(cache));
  EXPECT_EQ(Layout.chipType, "SynthExpr");
  EXPECT_EQ(Layout.cachePath, cache);
  EXPECT_TRUE(mLog.Contains("  Read in existing binary CDF file " + cache, kLogBlack));

  // An unusable cache: the chip description beside it is converted and the cache rewritten.
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(cache).value();
  bytes[999] = 4;
  ASSERT_TRUE(platform::WriteWholeFile(cache, bytes));
  mLog.Clear();
  ASSERT_TRUE(Load(cache));
  EXPECT_TRUE(mLog.ContainsRed("  The existing cdf.bin file is too new (file format 4)"));
  EXPECT_TRUE(mLog.Contains("  Converting CDF file '" + path + "'", kLogBlack));
  EXPECT_EQ(platform::ReadWholeFile(cache).value()[999], 3);
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(LoadCdfTest, ATruncatedCacheIsRebuilt) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 30, 20);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  ASSERT_TRUE(Load(path));
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path + ".bin").value();
  const std::size_t fullSize = bytes.size();
  bytes.resize(fullSize - 100);
  ASSERT_TRUE(platform::WriteWholeFile(path + ".bin", bytes));
  mLog.Clear();
  ASSERT_TRUE(Load(path));
  EXPECT_TRUE(mLog.ContainsRed("shorter than its header says"));
  EXPECT_EQ(platform::ReadWholeFile(path + ".bin").value().size(), fullSize);
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(LoadCdfTest, TheCachePathFollowsTheFileNameNotTheFolders) {
  EXPECT_EQ(CachePathFor("/data/old.bin/chip.cdf"), "/data/old.bin/chip.cdf.bin");
  EXPECT_EQ(CachePathFor("/data/old.bin/chip.cdf.bin"), "/data/old.bin/chip.cdf.bin");
  EXPECT_EQ(CachePathFor("/data/chip.cdf.BIN"), "/data/chip.cdf.BIN");
  EXPECT_EQ(CachePathFor("/data/chip.bin.cdf"), "/data/chip.bin.cdf.bin");

  std::filesystem::create_directories(mFolder.File("runs.bin.d"));
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 8);
  const std::string path =
      mFolder.File("runs.bin.d/" + synth::FileNameFor(chip, synth::ChipForm::kTextCdf));
  ASSERT_TRUE(synth::WriteTextCdf(chip, path));
  ASSERT_TRUE(Load(path));
  EXPECT_EQ(Layout.cachePath, path + ".bin");
  EXPECT_TRUE(platform::FileExists(path + ".bin"));
}

TEST_F(LoadCdfTest, ACustomChipDescriptionLosesItsMarkerFromTheChipType) {
  synth::ChipOptions options;
  options.chipType = "abc";
  options.custom = true;
  options.unitCount = 6;
  const auto chip = MakeChip(options);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  ASSERT_EQ(platform::FileName(path), "abc_zelko_v1.cdf");
  ASSERT_TRUE(Load(path));
  EXPECT_EQ(CustomCdf, 1);
  EXPECT_EQ(Layout.chipType, "abc");
  EXPECT_TRUE(mLog.Contains("  This is a Zelko custom CDF file", kLogBlack));
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip)), "");
}

TEST_F(LoadCdfTest, TheChipTypeDecidesTheArrayKind) {
  struct Case {
    const char* chipType;
    int arrayType;
    int rotated;
    int exon;
    const char* line;
  };
  const Case cases[] = {
      {"genoscan10", 1, 0, 0, "  Found this array type as SNP array"},
      {"xGeno100Styx", 2, 0, 0, "  Found this array type as SNP array"},
      {"GenoScan500B", 3, 0, 0, "  Found this array type as SNP array"},
      {"mygeno500nsp", 3, 0, 0, "  Found this array type as SNP array"},  // lower-case fragment
      {"GENO500NSP", 0, 0, 0, nullptr},  // fragments keep their letter case
      {"GenoScan6B", 3, 1, 0, "  Found this array type as SNP array"},
      {"HumanExonScanV1", 0, 1, 1, "  Found this array type as exon array"},
      {"PlainExpression", 0, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chipType);
    ResetChipGlobals();
    mLog.Clear();
    mSettings.MODEL_METHOD = 0;
    // The file does not exist: the kind is decided before the conversion fails.
    EXPECT_FALSE(Load(mFolder.File(std::string(c.chipType) + ".cdf")));
    EXPECT_EQ(ArrayType, c.arrayType);
    EXPECT_EQ(RotatedLayout, c.rotated);
    EXPECT_EQ(ExonArray, c.exon);
    EXPECT_EQ(PmOnly, c.exon);
    EXPECT_EQ(ProbesPerPair, 2 - c.exon);
    EXPECT_EQ(mSettings.MODEL_METHOD, c.exon);
    if (c.line != nullptr) {
      EXPECT_TRUE(mLog.Contains(c.line, kLogBlack));
    } else {
      EXPECT_FALSE(mLog.Contains("Found this array type", kLogBlack));
    }
    EXPECT_TRUE(mLog.ContainsRed("  Reading CDF file '"));
  }
}

TEST_F(LoadCdfTest, PerfectMatchOnlyStaysOnAfterAnExonChip) {
  EXPECT_FALSE(Load(mFolder.File("HumanExonScan.cdf")));
  EXPECT_EQ(PmOnly, 1);
  EXPECT_FALSE(Load(mFolder.File("PlainExpression.cdf")));
  EXPECT_EQ(PmOnly, 1);
  EXPECT_EQ(ExonArray, 0);
  EXPECT_EQ(ProbesPerPair, 1);
}
