#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "engine/base/missing_value.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/tests/chromosome_files_support.hpp"

namespace {

class InferredCopyReadTest : public ChromosomeFilesFixture {
 protected:
  void SetUp() override {
    ChromosomeFilesFixture::SetUp();
    MakeGenome(300, 5);
    AddSamples(3);
    ASSERT_TRUE(mChro.Allocate(3, 300, TablesFor(kChroCopyNumber, true, false)));
  }
  // A copy number per cell, missing on every 17th marker of sample 1.
  static float Planted(int sample, int k) {
    if (sample == 1 && k % 17 == 0) return kMissingValueFloat;
    return static_cast<float>((k * 7 + sample * 3) % 12) * 0.5f;
  }
  // The line of the k-th marker with the values of its first samples.
  std::string Line(int k, int samples = 3) const {
    std::string line = UnitName(mOrder[static_cast<std::size_t>(k)]) + "\trs\t1\t0.5\t\tNA";
    for (int s = 0; s < samples; ++s) {
      const float v = Planted(s, k);
      line += '\t';
      if (v != kMissingValueFloat) line += MessageBuffer("%.2f", v);
    }
    return line + "\n";
  }
  std::string FileText(int lines, int shortLine = -1) const {
    std::string text = std::string(kInferredCopyFileMark) + "\n" + kExportHeader + "S1\tS2\tS3\t\n";
    for (int k = 0; k < lines; ++k) text += Line(k, k == shortLine ? 2 : 3);
    return text;
  }
  CHROMOSOME mChro;
};

TEST_F(InferredCopyReadTest, ReadsEveryCellInGenomeOrder) {
  CapturedLog log;
  ASSERT_TRUE(ReadInferredCopyFile(
      mChro, WriteFile("copy.xls", FileText(static_cast<int>(mOrder.size())))));
  for (std::size_t k = 0; k < mOrder.size(); ++k)
    for (int s = 0; s < 3; ++s)
      ASSERT_EQ(mChro.inferred.Row(s)[mOrder[k]], Planted(s, static_cast<int>(k))) << k;
  EXPECT_EQ(log.CountInColour(kLogRed), 0);
}

TEST_F(InferredCopyReadTest, RefusesFilesThatDoNotFitTheGroup) {
  CapturedLog log;
  const std::string good = FileText(static_cast<int>(mOrder.size()));
  const std::string firstUnit = UnitName(mOrder[0]) + "\t";
  const std::string secondUnit = UnitName(mOrder[1]) + "\t";

  EXPECT_FALSE(ReadInferredCopyFile(mChro, WriteFile("a.xls", "Data type: Copy number\n")));
  EXPECT_TRUE(log.ContainsRed(kNotInferredCopyFileMessage));

  std::string renamed = good;
  renamed.replace(renamed.find("S2\t"), 2, "T2");
  EXPECT_FALSE(ReadInferredCopyFile(mChro, WriteFile("b.xls", renamed)));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kInferredCopyColumnMessage, "T2", "S2")));

  // The second marker's line names the first marker again.
  std::string swapped = good;
  swapped.replace(swapped.find("\n" + secondUnit) + 1, secondUnit.size(), firstUnit);
  EXPECT_FALSE(ReadInferredCopyFile(mChro, WriteFile("c.xls", swapped)));
  EXPECT_TRUE(log.ContainsRed(MessageBuffer(kInferredCopySnpMessage, UnitName(mOrder[0]).c_str(),
                                            UnitName(mOrder[1]).c_str())));
  // What was read before the bad line stays.
  EXPECT_EQ(mChro.inferred.Row(2)[mOrder[0]], Planted(2, 0));

  // A line cut short of the last sample.
  EXPECT_FALSE(ReadInferredCopyFile(mChro, WriteFile("d.xls", FileText(20, 1))));
  EXPECT_TRUE(
      log.ContainsRed(MessageBuffer(kInferredCopyValueMessage, UnitName(mOrder[1]).c_str(), "S3")));

  // A file that ends before the last marker.
  EXPECT_FALSE(ReadInferredCopyFile(mChro, WriteFile("e.xls", FileText(10))));
  EXPECT_TRUE(
      log.ContainsRed(MessageBuffer(kInferredCopySnpMessage, "", UnitName(mOrder[10]).c_str())));

  // A line longer than the export writes for these samples is refused, not read cut short.
  std::string padded = good;
  padded.insert(padded.find("\n" + secondUnit), SampleColumnsLineBound(3, false), '0');
  EXPECT_FALSE(ReadInferredCopyFile(mChro, WriteFile("f.xls", padded)));
  EXPECT_TRUE(log.ContainsRed(
      MessageBuffer(kInferredCopyLongLineMessage, 3LL, SampleColumnsLineBound(3, false))));

  EXPECT_FALSE(ReadInferredCopyFile(mChro, mFolder.File("missing.xls")));
  EXPECT_TRUE(log.ContainsRed("  Reading file '"));
}

// The export of the largest grouping, names of 40 characters, reads back cell for cell:
// totals that are no copy level (median-smoothed raw copy numbers) to the last bit, and
// both parents' states.
class InferredCopyRoundTripTest : public ChromosomeFilesFixture {
 protected:
  static constexpr int kSamples = 999;
  static constexpr int kUnits = 40;
  void SetUp() override {
    ChromosomeFilesFixture::SetUp();
    MakeGenome(kUnits, 9);
    for (int a = 0; a < kSamples; ++a) {
      ArraySlot& slot = TheGroup().NextArraySlot();
      slot = ArraySlot{};
      slot.name = MessageBuffer("Tumour sample of the long study %08d", a);
      ASSERT_EQ(slot.name.size(), 40u);
      ASSERT_TRUE(TheGroup().CountArray());
    }
    SampleGrouping.SetDefaultGrouping();
    ASSERT_EQ(SampleGrouping.SampleCount(), kSamples);
  }
  // A total that needs more than six digits, missing now and then.
  static float Total(int s, int u) {
    if ((s + u) % 29 == 0) return kMissingValueFloat;
    return 123456.78f * static_cast<float>(s % 7 + 1) / static_cast<float>(u + 3) +
           1e-7f * static_cast<float>(s);
  }
};

TEST_F(InferredCopyRoundTripTest, TheLargestGroupingReadsBackExactly) {
  for (const bool parentSpecific : {false, true}) {
    TheGroup().Settings().PARENT_SPECIFIC_COPY = parentSpecific ? 1 : 0;
    CHROMOSOME out;
    ASSERT_TRUE(out.Allocate(kSamples, kUnits, TablesFor(kChroCopyNumber, true, parentSpecific)));
    ASSERT_TRUE(out.SetCopyLayout(parentSpecific, 1.0f));
    out.method = kChroCopyNumber;
    out.dataType = kDataCopyNumber;
    out.displayInferred = true;
    const int states = out.ParentalStateCount();
    for (int s = 0; s < kSamples; ++s)
      for (int u = 0; u < kUnits; ++u)
        out.inferred.Row(s)[u] = !parentSpecific ? Total(s, u)
                                 : (s + u) % 31 == 0
                                     ? kMissingValueFloat
                                     : EncodeParentStates((s + u) % states, (s * 3 + u) % states);
    const std::string path = mFolder.File("inferred copy.xls");
    ASSERT_TRUE(ExportData(out, path));
    const std::string text = ReadFile(path);
    const std::size_t header = text.find('\n') + 1;
    EXPECT_GT(text.find('\n', header) - header, kInferredCopyLineLength) << parentSpecific;

    CHROMOSOME back;
    ASSERT_TRUE(back.Allocate(kSamples, kUnits, TablesFor(kChroCopyNumber, true, parentSpecific)));
    ASSERT_TRUE(back.SetCopyLayout(parentSpecific, 1.0f));
    CapturedLog log;
    ASSERT_TRUE(ReadInferredCopyFile(back, path)) << parentSpecific;
    EXPECT_EQ(log.CountInColour(kLogRed), 0);
    for (int s = 0; s < kSamples; ++s)
      for (const int u : mOrder)
        ASSERT_EQ(std::bit_cast<std::uint32_t>(back.inferred.Row(s)[u]),
                  std::bit_cast<std::uint32_t>(out.inferred.Row(s)[u]))
            << parentSpecific << " " << s << " " << u;
  }
}

}  // namespace
