#include "genome/files/curve_file.hpp"

#include <gtest/gtest.h>

#include <string>

#include "engine/base/missing_value.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/tests/chromosome_files_support.hpp"

namespace {

class CurveFileTest : public ChromosomeFilesFixture {
 protected:
  void SetUp() override {
    ChromosomeFilesFixture::SetUp();
    MakeGenome(400, 9);
    ASSERT_TRUE(mChro.Allocate(2, 400, TablesFor(kChroLinkage, true, false)));
  }
  static float Score(int unit) {
    return unit % 13 == 0 ? kMissingValueFloat : static_cast<float>(unit % 40) * 0.125f - 1.5f;
  }
  CHROMOSOME mChro;
};

TEST_F(CurveFileTest, WrittenScoresReadBackIntoTheCallTypeSummary) {
  mChro.dataType = kDataHaplotype;
  for (int unit = 0; unit < 400; ++unit)
    mChro.markerStats[static_cast<std::size_t>(unit)].summary[kDataHaplotype] = Score(unit);
  const std::string path = mFolder.File("curve.xls");
  ASSERT_TRUE(WriteCurveFile(mChro, path));

  const std::string text = ReadFile(path);
  ASSERT_EQ(text.rfind(kCurveFileHeader, 0), 0u);
  // One line per placed marker in genome order, a missing score written empty.
  std::size_t at = text.find('\n') + 1;
  for (const int unit : mOrder) {
    const std::string line = text.substr(at, text.find('\n', at) - at);
    ASSERT_EQ(line.substr(0, line.find('\t')), UnitName(unit));
    EXPECT_EQ(line.back() == '\t', Score(unit) == kMissingValueFloat) << line;
    at += line.size() + 1;
  }
  EXPECT_EQ(at, text.size());

  CHROMOSOME back;
  ASSERT_TRUE(back.Allocate(2, 400, TablesFor(kChroLinkage, true, false)));
  ASSERT_TRUE(ReadCurveFile(back, path));
  for (const int unit : mOrder)
    ASSERT_EQ(back.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall], Score(unit))
        << unit;
}

TEST_F(CurveFileTest, ReadsTabFieldsAndPassesOverUnknownUnits) {
  // An empty genetic distance does not shift the score; an unknown unit changes nothing.
  const std::string text = std::string(kCurveFileHeader) +
                           "U3\t1\t0.5\t\t2.5\n"
                           "nowhere\t1\t0.5\t1\t9\n"
                           "U4\t1\t0.6\t0.2\t\n"
                           "U5\t1\t0.7\t0.2\tabc\n";
  ASSERT_TRUE(ReadCurveFile(mChro, WriteFile("c.xls", text)));
  EXPECT_EQ(mChro.markerStats[3].summary[kDataCall], 2.5f);
  EXPECT_EQ(mChro.markerStats[4].summary[kDataCall], kMissingValueFloat);
  EXPECT_EQ(mChro.markerStats[5].summary[kDataCall], kMissingValueFloat);

  CapturedLog log;
  EXPECT_FALSE(ReadCurveFile(mChro, mFolder.File("none_here.xls")));
  EXPECT_TRUE(log.ContainsRed("  No existing curve file '"));
  EXPECT_FALSE(WriteCurveFile(mChro, mFolder.File("no/such/folder/c.xls")));
  EXPECT_TRUE(log.ContainsRed("failed; is it open in Excel?"));
}

TEST_F(CurveFileTest, TheGroupsCurveFileBecomesTheTypeShown) {
  mChro.method = kChroLinkage;
  mChro.dataType = kDataHaplotype;
  for (int unit = 0; unit < 400; ++unit)
    mChro.markerStats[static_cast<std::size_t>(unit)].summary[kDataHaplotype] = Score(unit);
  TheGroup().Settings().CURVE_FILE = "None";
  EXPECT_TRUE(CurveFile(mChro, false));
  EXPECT_TRUE(CurveFile(mChro, true));
  EXPECT_EQ(mChro.dataType, kDataHaplotype);

  TheGroup().Settings().CURVE_FILE = mFolder.File("group_curve.xls");
  ASSERT_TRUE(CurveFile(mChro, false));
  ASSERT_TRUE(CurveFile(mChro, true));
  EXPECT_EQ(mChro.dataType, kDataCall);
  // The linkage call type takes its limits from the defaults of its own row.
  EXPECT_EQ(mChro.Threshold[kDataCall], kThresholdDefaults[4][1]);
  for (const int unit : mOrder)
    ASSERT_EQ(mChro.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall], Score(unit));
}

}  // namespace

namespace {

TEST_F(CurveFileTest, DamagedFilesNeverCrashTheReader) {
  for (int unit = 0; unit < 400; ++unit)
    mChro.markerStats[static_cast<std::size_t>(unit)].summary[kDataCall] = Score(unit);
  const std::string path = mFolder.File("curve.xls");
  ASSERT_TRUE(WriteCurveFile(mChro, path));
  const std::string text = ReadFile(path);
  for (std::size_t cut = 0; cut < text.size(); cut += 197) {
    std::string damaged = text.substr(0, cut);
    if (cut % 2 == 0 && !damaged.empty()) damaged[cut / 3] = static_cast<char>(cut * 7);
    EXPECT_TRUE(
        FuzzReadCurveFile(reinterpret_cast<const std::uint8_t*>(damaged.data()), damaged.size()));
  }
}

}  // namespace
