#include <gtest/gtest.h>

#include <string>

#include "engine/base/missing_value.hpp"
#include "engine/testing/captured_log.hpp"
#include "genome/files/chromosome_export.hpp"
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

  EXPECT_FALSE(ReadInferredCopyFile(mChro, mFolder.File("missing.xls")));
  EXPECT_TRUE(log.ContainsRed("  Reading file '"));
}

}  // namespace
