// The layout cache: its byte layout, round trips, and the caches it must refuse.
#include "engine/chip/layout_cache.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/tests/chip_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  return platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
}

bool SameLayout(const CDF_LAYOUT& a, const CDF_LAYOUT& b) {
  if (a.chipType != b.chipType || a.dimension != b.dimension || a.unitCount != b.unitCount ||
      a.units.size() != b.units.size() || a.cells.size() != b.cells.size())
    return false;
  for (std::size_t u = 0; u < a.units.size(); ++u)
    if (a.units[u].Name() != b.units[u].Name() || a.units[u].pairCount != b.units[u].pairCount)
      return false;
  for (std::size_t i = 0; i < a.cells.size(); ++i) {
    const CELL_RECORD& x = a.cells[i];
    const CELL_RECORD& y = b.cells[i];
    if (x.kind != y.kind) return false;
    if (x.kind != kCellNoUnit && (x.unit != y.unit || x.pair != y.pair || x.value != y.value))
      return false;
  }
  return true;
}

}  // namespace

class LayoutCacheTest : public ChipTest {
 protected:
  // Converts a generated chip, leaving its cache beside it; returns the cache's path.
  std::string ConvertedLayout() {
    const auto chip = MakeChip(synth::ChipKind::kExpression, 40, 30);
    EXPECT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
    return Layout.cachePath;
  }

  // A layout of one unit of one probe pair, to be saved as the given cache file; its cells
  // are the caller's to set.
  void OneUnitLayout(const std::string& cacheName, const std::string& chipType, int dimension,
                     const std::string& unitName) {
    Layout.cachePath = mFolder.File(cacheName);
    Layout.chipType = chipType;
    Layout.dimension = dimension;
    Layout.unitCount = 1;
    Layout.units.assign(1, UNIT_RECORD{});
    Layout.units[0].SetName(unitName);
    Layout.units[0].pairCount = 1;
  }
};

TEST_F(LayoutCacheTest, ReadingTheCacheGivesTheLayoutThatWasSaved) {
  const std::string cache = ConvertedLayout();
  const CDF_LAYOUT saved = Layout;
  ClearLayout();
  ASSERT_TRUE(ReadCdfCache(cache, true));
  EXPECT_TRUE(SameLayout(Layout, saved));
  EXPECT_EQ(Layout.cachePath, cache);
  EXPECT_TRUE(mLog.Contains("  Read in existing binary CDF file " + cache + " (file format 3)...\n",
                            kLogBlack));
}

TEST_F(LayoutCacheTest, WithoutProbeDataOnlyTheUnitsAreRead) {
  const std::string cache = ConvertedLayout();
  const CDF_LAYOUT saved = Layout;
  ASSERT_TRUE(ReadCdfCache(cache, false));
  EXPECT_FALSE(Layout.HasCells());
  ASSERT_EQ(Layout.units.size(), saved.units.size());
  EXPECT_EQ(Layout.units.back().Name(), saved.units.back().Name());
}

TEST_F(LayoutCacheTest, TheFileHoldsEachFieldAtItsPlace) {
  OneUnitLayout("tiny.cdf.bin", "Tiny", 2, "Unit-A");
  Layout.units[0].firstPosition = 77;  // memory only; the file's slot stays 0
  Layout.cells.assign(4, CELL_RECORD{});
  Layout.Cell(1, 0) = {0, 0, -300, kCellPerfectMatch};  // index 1 * 2 + 0
  ASSERT_TRUE(SaveCdfCache());
  EXPECT_TRUE(mLog.Contains("    Saving " + Layout.cachePath + " ...\n", kLogBlack));

  const std::vector<std::uint8_t> bytes = ReadBytes(Layout.cachePath);
  ASSERT_EQ(bytes.size(), 1060u + 56u + 4u * 12u);
  const std::string path(reinterpret_cast<const char*>(bytes.data()));
  EXPECT_EQ(path, Layout.cachePath);
  EXPECT_EQ(bytes[999], 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1000])), "Tiny");
  EXPECT_EQ(platform::LoadU32(&bytes[1052]), 2u);
  EXPECT_EQ(platform::LoadU32(&bytes[1056]), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1060])), "Unit-A");
  EXPECT_EQ(platform::LoadU16(&bytes[1060 + 50]), 1u);
  EXPECT_EQ(platform::LoadU32(&bytes[1060 + 52]), 0u);
  const std::size_t cells = 1060 + 56;
  EXPECT_EQ(bytes[cells + 8], kCellNoUnit);  // cell (0, 0)
  const std::size_t second = cells + 12;     // cell (0, 1) is next, then (1, 0)
  EXPECT_EQ(bytes[second + 8], kCellNoUnit);
  const std::size_t third = cells + 24;
  EXPECT_EQ(platform::LoadU16(&bytes[third]), 0u);
  EXPECT_EQ(static_cast<std::int32_t>(platform::LoadU32(&bytes[third + 4])), -300);
  EXPECT_EQ(bytes[third + 8], kCellPerfectMatch);
  EXPECT_EQ(bytes[third + 9] | bytes[third + 10] | bytes[third + 11], 0);
}

// The write encodes the records whatever bytes their padding holds, gives cells a short
// table lacks as cells of no unit, and builds the probe positions meanwhile.
TEST_F(LayoutCacheTest, TheWriteFillsGapsAndBuildsTheProbePositions) {
  OneUnitLayout("short.cdf.bin", "Short", 3, "U");
  Layout.cells.resize(6);  // two of the three columns
  std::memset(static_cast<void*>(Layout.cells.data()), 0xAB, 6 * sizeof(CELL_RECORD));
  for (CELL_RECORD& cell : Layout.cells) cell.kind = kCellNoUnit;
  Layout.Cell(0, 1) = {0, 0, 5, kCellMismatch};
  Layout.Cell(1, 2) = {0, 0, -6, kCellPerfectMatch};
  ASSERT_TRUE(SaveCdfCache());

  const std::vector<std::uint8_t> bytes = ReadBytes(Layout.cachePath);
  const std::size_t cells = 1060 + 56;
  ASSERT_EQ(bytes.size(), cells + 9 * 12);
  const std::uint8_t mismatch[12] = {0, 0, 0, 0, 5, 0, 0, 0, kCellMismatch, 0, 0, 0};
  const std::uint8_t perfect[12] = {0, 0, 0, 0, 0xFA, 0xFF, 0xFF, 0xFF, kCellPerfectMatch, 0, 0, 0};
  const std::uint8_t none[12] = {0, 0, 0, 0, 0, 0, 0, 0, kCellNoUnit, 0, 0, 0};
  EXPECT_TRUE(std::equal(mismatch, mismatch + 12, bytes.begin() + cells + 12));
  EXPECT_TRUE(std::equal(perfect, perfect + 12, bytes.begin() + cells + 5 * 12));
  for (std::size_t i = 6; i < 9; ++i)
    EXPECT_TRUE(
        std::equal(none, none + 12, bytes.begin() + static_cast<std::ptrdiff_t>(cells + i * 12)))
        << "cell " << i;
  EXPECT_EQ(bytes[cells + 8], kCellNoUnit);  // a cell of no unit the table holds keeps its kind

  ASSERT_EQ(Layout.Positions(0).size(), 1u);
  EXPECT_EQ(Layout.Positions(0)[0][0].x, 0);
  EXPECT_EQ(Layout.Positions(0)[0][0].y, 1);
  EXPECT_EQ(Layout.Positions(0)[0][1].x, 1);
  EXPECT_EQ(Layout.Positions(0)[0][1].y, 2);
}

// A write over an earlier cache replaces it whole, keeps its permissions and leaves no
// other file beside it.
TEST_F(LayoutCacheTest, AWriteOverAnEarlierCacheReplacesIt) {
  namespace fs = std::filesystem;
  const std::string cache = ConvertedLayout();
  fs::permissions(cache, fs::perms::owner_read | fs::perms::group_read);
  Layout.chipType = "Again";
  ASSERT_TRUE(SaveCdfCache());
  const std::vector<std::uint8_t> bytes = ReadBytes(cache);
  ASSERT_GT(bytes.size(), 1060u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1000])), "Again");
  EXPECT_EQ(fs::status(cache).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(cache).parent_path()))
    if (entry.path().filename().string().find(".bin") != std::string::npos)
      names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{fs::path(cache).filename().string()});
}

TEST_F(LayoutCacheTest, OtherFormatsAreReportedTooOldOrTooNew) {
  const std::string cache = ConvertedLayout();
  std::vector<std::uint8_t> bytes = ReadBytes(cache);
  bytes[999] = 2;
  WriteBytes(cache, bytes);
  EXPECT_FALSE(ReadCdfCache(cache, true));
  EXPECT_TRUE(mLog.ContainsRed("  The existing cdf.bin file is too old (file format 2)"));
  bytes[999] = 4;
  WriteBytes(cache, bytes);
  EXPECT_FALSE(ReadCdfCache(cache, true));
  EXPECT_TRUE(mLog.ContainsRed("  The existing cdf.bin file is too new (file format 4)"));
}

TEST_F(LayoutCacheTest, ACacheShorterThanItsHeaderSaysIsRefused) {
  const std::string cache = ConvertedLayout();
  const CDF_LAYOUT saved = Layout;
  std::vector<std::uint8_t> bytes = ReadBytes(cache);
  bytes.resize(bytes.size() - 1);
  WriteBytes(cache, bytes);
  EXPECT_FALSE(ReadCdfCache(cache, false));  // even when the cells would not be read
  EXPECT_TRUE(mLog.ContainsRed("  The existing cdf.bin file is shorter than its header says"));
  EXPECT_TRUE(SameLayout(Layout, saved));  // the layout is left as it was

  bytes.resize(500);
  WriteBytes(cache, bytes);
  mLog.Clear();
  EXPECT_FALSE(ReadCdfCache(cache, true));
  EXPECT_TRUE(mLog.ContainsRed("(500 of 1060 bytes)"));
}

TEST_F(LayoutCacheTest, ACellNamingAMissingPairIsRefused) {
  const std::string cache = ConvertedLayout();
  std::vector<std::uint8_t> bytes = ReadBytes(cache);
  const std::size_t cells = 1060 + 56 * static_cast<std::size_t>(Layout.unitCount);
  std::size_t at = cells;
  while (bytes[at + 8] == kCellNoUnit) at += 12;
  bytes[at + 2] = 0xFF;  // pair 255 of a unit with fewer pairs
  WriteBytes(cache, bytes);
  EXPECT_FALSE(ReadCdfCache(cache, true));
  EXPECT_TRUE(mLog.ContainsRed("  The existing cdf.bin file is damaged"));
}

TEST_F(LayoutCacheTest, AMissingCacheFailsQuietly) {
  EXPECT_FALSE(ReadCdfCache(mFolder.File("absent.cdf.bin"), true));
  EXPECT_TRUE(mLog.Lines().empty());
}

TEST_F(LayoutCacheTest, AnUnwritableCacheIsReported) {
  Layout.cachePath = mFolder.File("no-such-folder/chip.cdf.bin");
  Layout.dimension = 2;
  EXPECT_FALSE(SaveCdfCache());
  EXPECT_TRUE(mLog.ContainsRed("    Saving " + Layout.cachePath + " failed\n"));
  EXPECT_FALSE(mLog.Contains("    Saving " + Layout.cachePath + " ...", kLogBlack));
}

TEST_F(LayoutCacheTest, AFolderAtTheCachePathIsNeitherReadNorAnnouncedAsSaved) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 6);
  const std::string cdf = Write(chip, synth::ChipForm::kTextCdf);
  const std::string cache = CachePathFor(cdf);
  namespace fs = std::filesystem;
  ASSERT_TRUE(fs::create_directory(cache));
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec;
  fs::permissions(cache, readOnly);

  EXPECT_FALSE(ReadCdfCache(cache, true));
  EXPECT_TRUE(mLog.Lines().empty());  // as a cache that cannot be opened
  EXPECT_FALSE(Load(cdf));
  EXPECT_FALSE(mLog.ContainsRed("The existing cdf.bin file"));
  EXPECT_FALSE(mLog.Contains("    Saving " + cache + " ...", kLogBlack));
  EXPECT_TRUE(mLog.ContainsRed("    Saving " + cache + " failed\n"));
  EXPECT_EQ(fs::status(cache).permissions() & fs::perms::all, readOnly);
}

// The cell table is read in pieces on several threads. Whatever the pieces, the layout
// and its probe positions are those of a walk of the table in file order (as
// BuildProbePositions makes them), also when cells give the same half of a pair twice
// (as every pair does with perfect-match probes only, and a damaged file may); a damaged
// cell in a late piece is refused as in the first.
TEST_F(LayoutCacheTest, ReadingInPiecesGivesWhatAWalkInFileOrderGives) {
  struct SplitGuard {
    CacheReadSplit saved = CacheCellSplit;
    ~SplitGuard() { CacheCellSplit = saved; }
  } guard;
  const auto chip = MakeChip(synth::ChipKind::kExpression, 60, 40);
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
  const std::string cache = Layout.cachePath;
  const std::vector<std::uint8_t> original = ReadBytes(cache);
  const std::size_t cellsAt = 1060 + 56 * static_cast<std::size_t>(Layout.unitCount);
  // The first placed cell, and one in the last of four pieces, takes its pair and kind.
  std::size_t first = cellsAt;
  while (original[first + 8] == kCellNoUnit) first += 12;
  std::size_t late = cellsAt + 12 * (60 * 60 - 20);
  while (original[late + 8] == kCellNoUnit) late -= 12;
  std::vector<std::uint8_t> repeated = original;
  std::copy_n(original.begin() + static_cast<std::ptrdiff_t>(first), 12,
              repeated.begin() + static_cast<std::ptrdiff_t>(late));

  CacheCellSplit = {4, 7};
  for (const std::vector<std::uint8_t>* bytes : {&original, &std::as_const(repeated)}) {
    for (const int pmOnly : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "repeated " << (bytes == &repeated) << " pm " << pmOnly);
      PmOnly = pmOnly;
      ProbesPerPair = 2 - pmOnly;
      WriteBytes(cache, *bytes);
      ASSERT_TRUE(ReadCdfCache(cache, true, false));
      BuildProbePositions();
      const CDF_LAYOUT walked = Layout;
      ClearLayout();
      ASSERT_TRUE(ReadCdfCache(cache, true, true));
      EXPECT_TRUE(SameLayout(Layout, walked));
      ASSERT_EQ(Layout.positions.size(), walked.positions.size());
      std::size_t differing = 0;
      for (std::size_t p = 0; p < walked.positions.size(); ++p)
        for (const int half : {0, 1})
          differing += Layout.positions[p][half].x != walked.positions[p][half].x ||
                       Layout.positions[p][half].y != walked.positions[p][half].y;
      EXPECT_EQ(differing, 0u);
    }
  }

  const CDF_LAYOUT saved = Layout;
  std::vector<std::uint8_t> damaged = original;
  damaged[late + 2] = 0xFF;  // pair 255 of a unit with fewer pairs
  WriteBytes(cache, damaged);
  EXPECT_FALSE(ReadCdfCache(cache, true, true));
  EXPECT_TRUE(mLog.ContainsRed("  The existing cdf.bin file is damaged"));
  EXPECT_TRUE(SameLayout(Layout, saved));
}

// The positions are stored a region of the table at a time, from every piece's list in
// file order: with many small regions, on one thread or four, they are those of a walk
// of the table in file order, also where a cell repeats another's half of a pair.
TEST_F(LayoutCacheTest, PositionsStoredByRegionMatchAWalkOnAnyNumberOfThreads) {
  struct SplitGuard {
    CacheReadSplit saved = CacheCellSplit;
    ~SplitGuard() { CacheCellSplit = saved; }
  } guard;
  const auto chip = MakeChip(synth::ChipKind::kExpression, 50, 40);
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
  const std::string cache = Layout.cachePath;
  std::vector<std::uint8_t> bytes = ReadBytes(cache);
  const std::size_t cellsAt = 1060 + 56 * static_cast<std::size_t>(Layout.unitCount);
  // A late cell takes the pair and kind of the first placed one.
  std::size_t first = cellsAt;
  while (bytes[first + 8] == kCellNoUnit) first += 12;
  std::size_t late = cellsAt + 12 * (50 * 50 - 3);
  while (bytes[late + 8] == kCellNoUnit) late -= 12;
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(first), 12,
              bytes.begin() + static_cast<std::ptrdiff_t>(late));
  WriteBytes(cache, bytes);

  for (const int pmOnly : {0, 1}) {
    PmOnly = pmOnly;
    ProbesPerPair = 2 - pmOnly;
    ASSERT_TRUE(ReadCdfCache(cache, true, false));
    BuildProbePositions();
    const auto walked = Layout.positions;
    ASSERT_GT(walked.size(), 40u);
    for (const int threads : {1, 4}) {
      SCOPED_TRACE(testing::Message() << "pm " << pmOnly << " threads " << threads);
      CacheCellSplit = {threads, 5, 3};  // regions of 4 pairs
      ClearLayout();
      ASSERT_TRUE(ReadCdfCache(cache, true, true));
      ASSERT_EQ(Layout.positions.size(), walked.size());
      std::size_t differing = 0;
      for (std::size_t p = 0; p < walked.size(); ++p)
        for (const int half : {0, 1})
          differing += Layout.positions[p][half].x != walked[p][half].x ||
                       Layout.positions[p][half].y != walked[p][half].y;
      EXPECT_EQ(differing, 0u);
    }
  }
}
