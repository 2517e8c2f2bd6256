// The QVF file: written and read back field for field at the documented byte offsets,
// refused when written for another chip layout or file format, and taken by ReadArray
// before any data file.
#include <gtest/gtest.h>

#include <random>

#include "engine/array/chip_data_internal.hpp"
#include "engine/array/qvf_header.hpp"
#include "engine/group/group.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/tests/array_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

// An array whose every field holds something different from its neighbours.
CHIP_DATA MakeFilledArray(const std::string& dataPath, std::uint32_t seed) {
  std::mt19937 random(seed);
  CHIP_DATA chip;
  chip.headerText = "scan header \x14 sample \x14 SynthExpr.1sq";
  chip.normalised = 0;
  chip.valuesPresent = 1;
  chip.medianIntensity = 1234;
  chip.dataPath = dataPath;
  chip.baselinePath = "/somewhere/else/baseline.CEL";
  chip.arrayOutlierPercent = 0.125f;
  chip.singleOutlierPercent = 2.5f;
  chip.callPercent = 0.4375f;
  chip.AllocatePlanes(Layout.dimension);
  for (auto& value : chip.plane1) value = static_cast<std::uint16_t>(random());
  for (auto& value : chip.plane2) value = static_cast<std::uint16_t>(random());
  chip.AllocateUnitTables();
  for (std::size_t u = 0; u < chip.calls.size(); ++u) {
    chip.calls[u] = "PAMN"[u % 4];
    chip.triples[u] =
        VALUE_TRIPLE{static_cast<float>(random()) / 7.0f, static_cast<float>(u) * 0.5f,
                     u % 3 == 0 ? kArrayOutlierWord : static_cast<int>(random() & 0xFFFF)};
  }
  return chip;
}

void ExpectSameArray(const CHIP_DATA& read, const CHIP_DATA& written) {
  EXPECT_EQ(read.headerText, written.headerText);
  EXPECT_EQ(read.format, kQvfFormat);
  EXPECT_EQ(read.normalised, written.normalised);
  EXPECT_EQ(read.valuesPresent, written.valuesPresent);
  EXPECT_EQ(read.medianIntensity, written.medianIntensity);
  EXPECT_EQ(read.dimension, written.dimension);
  EXPECT_EQ(read.baselinePath, written.baselinePath);
  EXPECT_EQ(read.arrayOutlierPercent, written.arrayOutlierPercent);
  EXPECT_EQ(read.singleOutlierPercent, written.singleOutlierPercent);
  EXPECT_EQ(read.callPercent, written.callPercent);
  EXPECT_EQ(read.plane1, written.plane1);
  EXPECT_EQ(read.plane2, written.plane2);
  EXPECT_EQ(read.calls, written.calls);
  ASSERT_EQ(read.triples.size(), written.triples.size());
  for (std::size_t u = 0; u < read.triples.size(); ++u) {
    EXPECT_EQ(read.triples[u].value, written.triples[u].value) << u;
    EXPECT_EQ(read.triples[u].stdErr, written.triples[u].stdErr) << u;
    EXPECT_EQ(read.triples[u].outlier, written.triples[u].outlier) << u;
  }
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  return platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
}

}  // namespace

class QvfFileTest : public ArrayTest {
 protected:
  void SetUp() override { SetUpChip(synth::ChipKind::kExpression, 20, 10); }

  // Writes a filled array for a1.CEL in the test folder; returns what was written.
  CHIP_DATA WriteFilled(std::uint32_t seed = 5) {
    CHIP_DATA chip = MakeFilledArray(mFolder.File("a1.CEL"), seed);
    EXPECT_TRUE(chip.WriteQvf());
    return chip;
  }
  std::string QvfFile() const { return mFolder.File("a1.qvf"); }
};

TEST_F(QvfFileTest, RoundTripKeepsEveryField) {
  const CHIP_DATA written = WriteFilled();
  CHIP_DATA read;
  ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), false, true));
  ExpectSameArray(read, written);
  EXPECT_EQ(read.dataPath, QvfFile());  // the array is now known by the file it came from
  EXPECT_TRUE(mLog.Contains("    Accessing '" + QvfFile() + "' (file format 3) ", kLogBlack));
}

TEST_F(QvfFileTest, FieldsSitAtTheDocumentedOffsets) {
  const CHIP_DATA written = WriteFilled();
  const auto bytes = FileBytes(QvfFile());
  const std::size_t cells = 20 * 20;
  const std::size_t units = 10;
  ASSERT_EQ(bytes.size(), 3028 + 4 * cells + 13 * units);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), written.headerText);
  EXPECT_EQ(bytes[1000], 3);
  EXPECT_EQ(bytes[1001], 0);
  EXPECT_EQ(bytes[1002], 1);
  EXPECT_EQ(platform::LoadU32(&bytes[1004]), 1234u);
  EXPECT_EQ(platform::LoadU32(&bytes[1012]), 20u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1016])), written.dataPath);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[2016])), written.baselinePath);
  EXPECT_EQ(platform::LoadF32(&bytes[3016]), 0.125f);
  EXPECT_EQ(platform::LoadF32(&bytes[3020]), 2.5f);
  EXPECT_EQ(platform::LoadF32(&bytes[3024]), 0.4375f);
  // Cell (x, y) sits at x * dimension + y in each plane, low byte first.
  const std::size_t cell = written.CellIndex(3, 7);
  EXPECT_EQ(platform::LoadU16(&bytes[3028 + 2 * cell]), written.plane1[cell]);
  EXPECT_EQ(platform::LoadU16(&bytes[3028 + 2 * cells + 2 * cell]), written.plane2[cell]);
  const std::size_t callsAt = 3028 + 4 * cells;
  EXPECT_EQ(bytes[callsAt + 2], 'M');
  const std::size_t tripleAt = callsAt + units + 12 * 4;
  EXPECT_EQ(platform::LoadF32(&bytes[tripleAt]), written.triples[4].value);
  EXPECT_EQ(platform::LoadF32(&bytes[tripleAt + 4]), 2.0f);
  EXPECT_EQ(platform::LoadU32(&bytes[tripleAt + 8]),
            static_cast<std::uint32_t>(written.triples[4].outlier));
  EXPECT_EQ(platform::LoadF32(&bytes[callsAt + units]), written.triples[0].value);
  EXPECT_EQ(static_cast<std::int32_t>(platform::LoadU32(&bytes[callsAt + units + 8])),
            kArrayOutlierWord);
}

TEST_F(QvfFileTest, LongTextsKeepTheirFirst999Characters) {
  CHIP_DATA chip = MakeFilledArray(mFolder.File("a1.CEL"), 3);
  chip.headerText = std::string(1500, 'h');
  chip.baselinePath = "/" + std::string(1200, 'b');
  ASSERT_TRUE(chip.WriteQvf());
  CHIP_DATA read;
  ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), true, false));
  EXPECT_EQ(read.headerText, std::string(999, 'h'));
  EXPECT_EQ(read.baselinePath, chip.baselinePath.substr(0, 999));
}

TEST_F(QvfFileTest, FileOfAnotherLayoutIsRefused) {
  WriteFilled();
  // The same dimension with more probe sets, then another dimension.
  for (const int dimension : {20, 24}) {
    SCOPED_TRACE(dimension);
    ResetChipGlobals();
    SetUpChip(synth::ChipKind::kExpression, dimension, 12, 8,
              "OtherExpr" + std::to_string(dimension));
    mLog.Clear();
    CHIP_DATA read;
    EXPECT_FALSE(read.ReadExisting(QvfFile().c_str(), false, true));
    EXPECT_TRUE(mLog.ContainsRed("'" + QvfFile() + "' does not fit the chip layout"));
    EXPECT_TRUE(read.plane1.empty());
    EXPECT_TRUE(read.calls.empty());
  }
}

TEST_F(QvfFileTest, OtherFormatVersionsAreRefused) {
  WriteFilled();
  auto bytes = FileBytes(QvfFile());
  for (const auto& [format, message] :
       {std::pair<int, std::string>{2, "is too old (file format 2)"},
        std::pair<int, std::string>{4, "is too new (file format 4)"}}) {
    bytes[kQvfFormatOffset] = static_cast<std::uint8_t>(format);
    ASSERT_TRUE(platform::WriteWholeFile(QvfFile(), bytes));
    mLog.Clear();
    CHIP_DATA read;
    EXPECT_FALSE(read.ReadExisting(QvfFile().c_str(), false, false));
    EXPECT_TRUE(mLog.ContainsRed("  '" + QvfFile() + "' " + message));
  }
}

TEST_F(QvfFileTest, ShortHeaderIsRefusedAndMissingFileIsQuiet) {
  WriteFilled();
  auto bytes = FileBytes(QvfFile());
  bytes.resize(3000);
  ASSERT_TRUE(platform::WriteWholeFile(QvfFile(), bytes));
  CHIP_DATA read;
  EXPECT_FALSE(read.ReadExisting(QvfFile().c_str(), true, false));
  EXPECT_TRUE(mLog.ContainsRed("ends after 3000 of the header's 3028 bytes"));

  mLog.Clear();
  EXPECT_FALSE(read.ReadExisting(mFolder.File("none.qvf").c_str(), false, false));
  EXPECT_EQ(mLog.CountInColour(kLogRed), 0);
}

TEST_F(QvfFileTest, PlanesAreSkippedWithoutProbeLevelWork) {
  const CHIP_DATA written = WriteFilled();
  Settings().LOAD_PROBE_DATA = 0;
  CHIP_DATA read;
  ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), false, false));
  EXPECT_FALSE(read.HasPlanes());
  EXPECT_EQ(read.calls, written.calls);
  EXPECT_EQ(read.triples.back().value, written.triples.back().value);

  ProbeLevelFlag = true;
  ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), false, false));
  EXPECT_EQ(read.plane2, written.plane2);
}

TEST_F(QvfFileTest, ArrayWithoutPlanesIsNotWritten) {
  CHIP_DATA chip = MakeFilledArray(mFolder.File("a1.CEL"), 3);
  chip.plane1.clear();
  chip.plane2.clear();
  EXPECT_FALSE(chip.WriteQvf());
  EXPECT_TRUE(mLog.ContainsRed("    Writing file '" + QvfFile() + "' failed"));
  EXPECT_FALSE(platform::FileExists(QvfFile()));
}

TEST_F(QvfFileTest, QvfPathFollowsTheDataFileOrTheWorkingFolder) {
  CHIP_DATA chip;
  chip.dataPath = "D:\\data\\a1.CEL";
  EXPECT_EQ(chip.QvfPath(), "D:\\data\\a1.qvf");
  Settings().QVF_IN_WORKING = 1;
  EXPECT_EQ(chip.QvfPath(), mFolder.File("a1.qvf"));
}

TEST_F(QvfFileTest, ReadArrayTakesTheExistingQvfFile) {
  const CHIP_DATA written = WriteFilled();
  // No CEL file exists: only the QVF file can have given the array.
  CHIP_DATA read;
  ASSERT_TRUE(read.ReadArray(mFolder.File("a1.CEL").c_str(), false, true));
  ExpectSameArray(read, written);
  EXPECT_EQ(read.dataPath, mFolder.File("a1.CEL"));
  EXPECT_TRUE(mLog.Contains("    Accessing '" + QvfFile() + "'", kLogBlack));
}

TEST_F(QvfFileTest, ReadArrayRefusesFilesOfNoKnownKind) {
  CHIP_DATA read;
  EXPECT_FALSE(read.ReadArray(mFolder.File("a1.txt").c_str(), false, false));
  EXPECT_TRUE(mLog.ContainsRed("    File '" + mFolder.File("a1.qvf") +
                               "' not found; please select CEL or DAT file types"));
  // The test folder's own name has a '.', so the path is given without it.
  EXPECT_FALSE(read.ReadArray("noextension", true, false));
  EXPECT_TRUE(mLog.ContainsRed("      No '.' found in file name"));
}

TEST_F(QvfFileTest, ARefusedReadLeavesTheArrayAndAHeaderReadLeavesItsTables) {
  const CHIP_DATA written = WriteFilled();
  CHIP_DATA read;
  ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), false, false));
  auto bytes = FileBytes(QvfFile());
  bytes[kQvfMedianOffset] ^= 0x5A;

  // Damage after the header: the file is one byte short of the layout's size.
  auto shortened = bytes;
  shortened.pop_back();
  ASSERT_TRUE(platform::WriteWholeFile(QvfFile(), shortened));
  EXPECT_FALSE(read.ReadExisting(QvfFile().c_str(), false, false));
  ExpectSameArray(read, written);

  bytes[kQvfFormatOffset] = 2;
  ASSERT_TRUE(platform::WriteWholeFile(QvfFile(), bytes));
  EXPECT_FALSE(read.ReadExisting(QvfFile().c_str(), false, false));
  ExpectSameArray(read, written);

  // The header alone is taken whatever its format; the tables stay those read before.
  ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), true, false));
  EXPECT_EQ(read.format, 2);
  EXPECT_EQ(read.medianIntensity, written.medianIntensity ^ 0x5A);
  EXPECT_EQ(read.plane1, written.plane1);
  EXPECT_EQ(read.calls, written.calls);
}

TEST_F(QvfFileTest, StoringValuesInPlaceGivesTheBytesOfAWholeRewrite) {
  // A file from elsewhere: no values yet, another data path, bytes after a text's end.
  CHIP_DATA old = MakeFilledArray(mFolder.File("a1.CEL"), 9);
  old.valuesPresent = 0;
  ASSERT_TRUE(old.WriteQvf());
  const std::string written = QvfFile();
  auto original = FileBytes(written);
  ASSERT_EQ(original.size(), QvfFileSize(Layout.dimension, Layout.unitCount));
  original[old.headerText.size() + 5] = 'x';
  const std::string oldPath = "/old/place/a1.CEL";
  std::fill_n(original.begin() + kQvfDataPathOffset, kQvfTextFieldSize, 0);
  std::copy(oldPath.begin(), oldPath.end(), original.begin() + kQvfDataPathOffset);
  ASSERT_TRUE(platform::WriteWholeFile(written, original));

  std::vector<VALUE_TRIPLE> triples(static_cast<std::size_t>(Layout.unitCount));
  for (std::size_t u = 0; u < triples.size(); ++u)
    triples[u] = {100.0f + static_cast<float>(u), 0.25f * static_cast<float>(u),
                  u % 4 == 1 ? kArrayOutlierWord : static_cast<int>(u * 37)};

  // The whole rewrite: read, set the values, write.
  CHIP_DATA chip;
  ASSERT_TRUE(chip.ReadArray(mFolder.File("a1.CEL").c_str(), false, false));
  chip.triples = triples;
  chip.arrayOutlierPercent = 0.375f;
  chip.singleOutlierPercent = 0.0625f;
  chip.valuesPresent = 1;
  ASSERT_TRUE(chip.WriteQvf());
  const auto rewritten = FileBytes(written);

  ASSERT_TRUE(platform::WriteWholeFile(written, original));
  ASSERT_EQ(StoreQvfValues(mFolder.File("a1.CEL"), triples, 0.375f, 0.0625f), QvfStore::kStored);
  const auto stored = FileBytes(written);
  ASSERT_EQ(stored.size(), rewritten.size());
  EXPECT_TRUE(stored == rewritten);
  EXPECT_NE(stored, original);

  // No file, or one of another layout: nothing is written.
  EXPECT_EQ(StoreQvfValues(mFolder.File("a2.CEL"), triples, 0.0f, 0.0f), QvfStore::kNoFile);
  EXPECT_FALSE(platform::FileExists(mFolder.File("a2.qvf")));
  original.push_back(0);
  ASSERT_TRUE(platform::WriteWholeFile(written, original));
  EXPECT_EQ(StoreQvfValues(mFolder.File("a1.CEL"), triples, 0.0f, 0.0f), QvfStore::kNoFile);
  EXPECT_EQ(FileBytes(written), original);
  triples.pop_back();
  original.pop_back();
  ASSERT_TRUE(platform::WriteWholeFile(written, original));
  EXPECT_EQ(StoreQvfValues(mFolder.File("a1.CEL"), triples, 0.0f, 0.0f), QvfStore::kNoFile);
  EXPECT_EQ(FileBytes(written), original);
}

namespace {

// Writes the first `sWritesLeft` steps of a store and then fails, as if the process had
// been killed there.
int sWritesLeft = 0;
bool StoppingWriter(const std::string& path, std::span<const platform::FilePiece> pieces,
                    int* error, platform::Durability durability) {
  return sWritesLeft-- > 0 && platform::OverwritePieces(path, pieces, error, durability);
}

// The steps of a store as they are written: the offset of the first piece and whether it
// is flushed before the next step.
struct StoreStep {
  std::uint64_t offset = 0;
  bool flushed = false;
  bool operator==(const StoreStep&) const = default;
};
std::vector<StoreStep> sStoreSteps;
bool RecordingWriter(const std::string& path, std::span<const platform::FilePiece> pieces,
                     int* error, platform::Durability durability) {
  sStoreSteps.push_back({pieces.front().offset, durability == platform::Durability::kDurable});
  return platform::OverwritePieces(path, pieces, error, durability);
}

}  // namespace

// A store stopped after any of its writes leaves a file that reads as the old array, the
// new one, or one without values: never new values with the old fit's outlier fractions or
// the other way round.
TEST_F(QvfFileTest, StoringValuesStoppedPartWayLeavesOldNewOrNoValues) {
  std::vector<VALUE_TRIPLE> triples(static_cast<std::size_t>(Layout.unitCount));
  for (std::size_t u = 0; u < triples.size(); ++u)
    triples[u] = {500.0f + static_cast<float>(u), 1.5f, static_cast<int>(u)};
  for (const bool oldValues : {true, false}) {
    for (int steps = 0; steps <= 3; ++steps) {
      SCOPED_TRACE(testing::Message() << "old values " << oldValues << ", steps " << steps);
      CHIP_DATA old = WriteFilled();
      old.valuesPresent = oldValues ? 1 : 0;
      ASSERT_TRUE(old.WriteQvf());
      sWritesLeft = steps;
      QvfPieceWriter = StoppingWriter;
      const QvfStore stored = StoreQvfValues(mFolder.File("a1.CEL"), triples, 0.25f, 0.125f);
      QvfPieceWriter = platform::OverwritePieces;
      const bool whole = stored == QvfStore::kStored;
      EXPECT_EQ(whole, steps >= (oldValues ? 3 : 2));

      CHIP_DATA read;
      ASSERT_TRUE(read.ReadExisting(QvfFile().c_str(), false, false));
      EXPECT_EQ(read.plane1, old.plane1);
      EXPECT_EQ(read.calls, old.calls);
      if (read.valuesPresent == 0) {
        EXPECT_FALSE(whole);
        continue;
      }
      const bool isNew = read.triples[3].value == triples[3].value;
      EXPECT_EQ(isNew, whole);
      if (isNew) {
        EXPECT_EQ(read.arrayOutlierPercent, 0.25f);
        EXPECT_EQ(read.singleOutlierPercent, 0.125f);
        for (std::size_t u = 0; u < triples.size(); ++u)
          EXPECT_EQ(read.triples[u].value, triples[u].value) << u;
      } else {
        EXPECT_TRUE(oldValues && steps == 0);
        ExpectSameArray(read, old);
      }
    }
  }
}

// Each step of a store that another follows reaches the disk before it: the mark taken off
// and the new values flushed before the mark goes back on.
TEST_F(QvfFileTest, StoringValuesFlushesEachStepBeforeTheNext) {
  const std::vector<VALUE_TRIPLE> triples(static_cast<std::size_t>(Layout.unitCount),
                                          VALUE_TRIPLE{7.0f, 0.5f, 0});
  const std::uint64_t mark = kQvfValuesPresentOffset;
  for (const bool oldValues : {true, false}) {
    SCOPED_TRACE(oldValues ? "over values" : "into a file without values");
    CHIP_DATA old = WriteFilled();
    old.valuesPresent = oldValues ? 1 : 0;
    ASSERT_TRUE(old.WriteQvf());
    sStoreSteps.clear();
    QvfPieceWriter = RecordingWriter;
    const QvfStore stored = StoreQvfValues(mFolder.File("a1.CEL"), triples, 0.25f, 0.125f);
    QvfPieceWriter = platform::OverwritePieces;
    ASSERT_EQ(stored, QvfStore::kStored);
    ASSERT_EQ(sStoreSteps.size(), oldValues ? 3u : 2u);
    const std::uint64_t values = sStoreSteps[sStoreSteps.size() - 2].offset;
    EXPECT_NE(values, mark) << "the values go between the marks";
    std::vector<StoreStep> expected;
    if (oldValues) expected.push_back({mark, true});
    expected.push_back({values, true});
    expected.push_back({mark, false});
    EXPECT_EQ(sStoreSteps, expected);
  }
}
