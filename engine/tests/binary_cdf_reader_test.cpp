// The binary chip description: the parser's tree from either form, and the conversion
// of the binary form into the layout.
#include "engine/chip/binary_cdf_reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "engine/chip/cdf_file_data.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

// Empty when the two trees hold the same units, blocks and cells.
std::string CompareTrees(const CDF_FILE_DATA& a, const CDF_FILE_DATA& b) {
  if (a.header.rows != b.header.rows || a.header.cols != b.header.cols ||
      a.header.unitCount != b.header.unitCount || a.header.reference != b.header.reference)
    return "headers differ";
  if (a.unitNames != b.unitNames) return "unit names differ";
  if (a.units.size() != b.units.size()) return "unit counts differ";
  for (std::size_t u = 0; u < a.units.size(); ++u) {
    const CdfUnit& x = a.units[u];
    const CdfUnit& y = b.units[u];
    const std::string where = "unit " + std::to_string(u);
    if (x.unitType != y.unitType || x.numAtoms != y.numAtoms || x.numCells != y.numCells ||
        x.unitNumber != y.unitNumber || x.cellsPerAtom != y.cellsPerAtom ||
        x.blocks.size() != y.blocks.size())
      return where + " differs";
    for (std::size_t k = 0; k < x.blocks.size(); ++k) {
      const CdfBlock& p = x.blocks[k];
      const CdfBlock& q = y.blocks[k];
      if (p.name != q.name || p.numAtoms != q.numAtoms || p.numCells != q.numCells ||
          p.firstAtom != q.firstAtom || p.lastAtom != q.lastAtom ||
          p.cells.size() != q.cells.size())
        return where + " block " + std::to_string(k) + " differs";
      for (std::size_t c = 0; c < p.cells.size(); ++c) {
        const CdfCell& s = p.cells[c];
        const CdfCell& t = q.cells[c];
        if (s.x != t.x || s.y != t.y || s.atom != t.atom || s.indexPosition != t.indexPosition ||
            s.probeBase != t.probeBase || s.targetBase != t.targetBase)
          return where + " block " + std::to_string(k) + " cell " + std::to_string(c) + " differs";
      }
    }
  }
  return {};
}

}  // namespace

using BinaryCdfReaderTest = ChipTest;

TEST_F(BinaryCdfReaderTest, LoadsEveryKindOfSynthesisedArrayCellByCell) {
  for (synth::ChipKind kind : synth::AllChipKinds()) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    ResetChipGlobals();
    mLog.Clear();
    const auto chip = MakeChip(kind, 36, 12);
    PmOnly = chip.pmOnly ? 1 : 0;
    ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kBinaryCdf)));
    EXPECT_TRUE(mLog.Contains("    Read binary CDF file...", kLogBlack));
    EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip, synth::ChipForm::kBinaryCdf)), "");
  }
}

TEST_F(BinaryCdfReaderTest, TextAndBinaryFormsParseIntoTheSameTree) {
  for (synth::ChipKind kind : synth::AllChipKinds()) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    const auto chip = MakeChip(kind, 24, 6);
    const std::string textPath = mFolder.File("chip.cdf");
    const std::string binaryPath = mFolder.File("chip.bin.cdf");
    ASSERT_TRUE(synth::WriteTextCdf(chip, textPath, 3));
    ASSERT_TRUE(synth::WriteBinaryCdf(chip, binaryPath));
    CDF_FILE_DATA text;
    CDF_FILE_DATA binary;
    text.SetFileName(textPath);
    binary.SetFileName(binaryPath);
    EXPECT_FALSE(text.IsBinary());
    EXPECT_TRUE(binary.IsBinary());
    ASSERT_TRUE(text.Read(false)) << text.errorText;
    ASSERT_TRUE(binary.Read(false)) << binary.errorText;
    EXPECT_EQ(text.header.version, 3);
    EXPECT_EQ(binary.header.magic, 67);
    EXPECT_EQ(text.units.size(), chip.units.size());
    EXPECT_EQ(CompareTrees(text, binary), "");
  }
}

using CdfFileDataTest = ChipTest;

TEST_F(CdfFileDataTest, ABinaryFileOfAnotherVersionIsRefused) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 4);
  const std::string path = Write(chip, synth::ChipForm::kBinaryCdf);
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path).value();
  bytes[4] = 2;  // version 2
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
  CDF_FILE_DATA file;
  file.SetFileName(path);
  EXPECT_TRUE(file.IsBinary());
  EXPECT_FALSE(file.Read(false));
  EXPECT_EQ(file.errorText, "The file does not appear to be the correct format.");

  EXPECT_FALSE(Load(path));
  EXPECT_TRUE(mLog.ContainsRed("    Not a CDF file or not in text format"));
  EXPECT_TRUE(mLog.ContainsRed("      Failed to read Binary CDF file"));
}

TEST_F(CdfFileDataTest, ATruncatedBinaryFileIsRefused) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 4);
  const std::string path = Write(chip, synth::ChipForm::kBinaryCdf);
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path).value();
  for (std::size_t keep : {std::size_t{3}, std::size_t{30}, bytes.size() / 2, bytes.size() - 1}) {
    SCOPED_TRACE(keep);
    ASSERT_TRUE(platform::WriteWholeFile(path, std::span(bytes.data(), keep)));
    CDF_FILE_DATA file;
    file.SetFileName(path);
    EXPECT_FALSE(file.Read(false));
    EXPECT_FALSE(file.errorText.empty());
    EXPECT_TRUE(file.units.empty());
  }
}

TEST_F(CdfFileDataTest, HeaderOnlyReadsTheHeader) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 4);
  CDF_FILE_DATA file;
  file.SetFileName(Write(chip, synth::ChipForm::kBinaryCdf));
  ASSERT_TRUE(file.Read(true));
  EXPECT_EQ(file.header.unitCount, 4);
  EXPECT_EQ(file.header.rows, 20);
  EXPECT_TRUE(file.units.empty());
}

TEST_F(CdfFileDataTest, TextFilesAreKnownByTheirFirstLine) {
  CDF_FILE_DATA file;
  file.SetFileName(WriteText("a.cdf",
                             "[CDF] \nVersion=TW1.0\n[Chip]\nName=a\nRows=2\nCols=2\n"
                             "NumberOfUnits=0\nMaxUnit=0\n"));
  EXPECT_TRUE(file.Read(false)) << file.errorText;
  EXPECT_EQ(file.header.version, 1);

  file.SetFileName(WriteText("b.cdf", "CDF\n"));
  EXPECT_FALSE(file.Read(false));
  EXPECT_EQ(file.errorText, "Unknown file format.");

  file.SetFileName(mFolder.File("absent.cdf"));
  EXPECT_FALSE(file.Read(false));
  EXPECT_EQ(file.errorText, "Unable to open the file.");
}

TEST_F(CdfFileDataTest, TextFileWithFewerUnitsThanDeclaredIsRefused) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 4);
  const std::string path = Write(chip, synth::ChipForm::kTextCdf);
  std::vector<std::uint8_t> bytes = platform::ReadWholeFile(path).value();
  const std::string text(bytes.begin(), bytes.end());
  const std::size_t lastUnit = text.rfind("[Unit1003]");
  ASSERT_TRUE(platform::WriteWholeFile(path, std::span(bytes.data(), lastUnit)));
  CDF_FILE_DATA file;
  file.SetFileName(path);
  EXPECT_FALSE(file.Read(false));
  EXPECT_EQ(file.errorText, "The file does not appear to be the correct format.");
}

TEST_F(CdfFileDataTest, APathSplitsIntoFolderAndName) {
  CDF_FILE_DATA file;
  file.SetFileName("/data/chips/a.cdf");
  EXPECT_EQ(file.directory, "/data/chips");
  EXPECT_EQ(file.fileName, "a.cdf");
  EXPECT_EQ(file.fullPath, "/data/chips/a.cdf");
  file.SetFileName("C:\\chips\\b.cdf");
  EXPECT_EQ(file.fileName, "b.cdf");
}

TEST_F(BinaryCdfReaderTest, AFileWhoseFirstLineSpellsCdfIsStillBinary) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 6);
  const std::string path = Write(chip, synth::ChipForm::kBinaryCdf);
  const std::vector<std::uint8_t> written =
      platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
  // The reference sequence, a counted text at byte 20, becomes "CDF": the letters the text
  // reader looks for now stand before the file's first line feed.
  constexpr std::size_t kReferenceAt = 20;
  ASSERT_GT(written.size(), kReferenceAt + 4);
  const std::uint32_t referenceLength = platform::LoadU32(written.data() + kReferenceAt);
  std::vector<std::uint8_t> bytes(written.begin(), written.begin() + kReferenceAt);
  for (const int byte : {3, 0, 0, 0, int{'C'}, int{'D'}, int{'F'}})
    bytes.push_back(static_cast<std::uint8_t>(byte));
  bytes.insert(bytes.end(), written.begin() + kReferenceAt + 4 + referenceLength, written.end());
  ASSERT_GT(std::find(bytes.begin(), bytes.end(), '\n') - bytes.begin(), 27);
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));

  ASSERT_TRUE(Load(path, true));
  EXPECT_TRUE(mLog.ContainsRed("    Not a CDF file or not in text format"));
  EXPECT_EQ(synth::CompareLayout(Layout, synth::Expect(chip, synth::ChipForm::kBinaryCdf)), "");
}

TEST_F(BinaryCdfReaderTest, AGridItsFileCannotHoldIsRefusedWithoutACache) {
  platform::ByteWriter header;
  header.WriteInt32(kBinaryCdfMagic);
  header.WriteInt32(kBinaryCdfVersion);
  header.WriteUInt16(4096);  // cols
  header.WriteUInt16(4096);  // rows
  header.WriteInt32(0);      // units
  header.WriteInt32(0);      // quality-control units
  header.WriteCountedString("");
  ASSERT_EQ(header.Size(), 24u);
  const std::string path = mFolder.File("Big.cdf");
  ASSERT_TRUE(header.SaveTo(path));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Load(path, true));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took.count(), 0.5);
  EXPECT_TRUE(mLog.ContainsRed(
      "    Error: a chip description of 24 bytes cannot hold 0 probe sets on a 4096 x 4096 chip"));
  EXPECT_FALSE(platform::FileExists(path + ".bin"));
}
