// The probe sensitivity index file: a fit's probe effects go through the file and come
// back as the fixed phi of a later fit, its header sits at the fixed offsets, and files
// of another chip, format, size or method are refused with their messages.
#include <gtest/gtest.h>

#include "engine/tests/model_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  return platform::ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
}

void SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  ASSERT_TRUE(platform::WriteWholeFile(path, bytes));
}

}  // namespace

class PsiFileTest : public ModelTest {
 protected:
  static constexpr int kUnits = 3;
  static constexpr int kPairs = 11;

  // Fits every probe set of a noisy group (probe 4 of each is bad), stores the effects and
  // writes the file; returns its path.
  std::string WriteFittedFile() {
    MakeGroup(12, kUnits, kPairs, synth::ModelDataOptions{.noise = 5.0, .badProbe = 4});
    EXPECT_TRUE(Psi.AllocPsiPlanes());
    mPhi.assign(kUnits, std::vector<double>(kPairs));
    mStdErr = mPhi;
    for (int u = 0; u < kUnits; ++u) {
      EXPECT_TRUE(Fit().GetData(u));
      Psi.StorePsi(u, Fit());
      Psi.SetPresentFraction(u, 0.25f * static_cast<float>(u));
      for (int j = 0; j < kPairs; ++j) {
        mPhi[Index(u)][Index(j)] = Fit().ResultPhi(j);
        mStdErr[Index(u)][Index(j)] = Fit().PhiStdErr(j);
      }
      EXPECT_TRUE(Fit().IsProbeOutlier(4));
    }
    const std::string path = mFolder.File("group.psi");
    EXPECT_TRUE(Psi.WritePsiFile(path));
    return path;
  }

  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }

  std::vector<std::vector<double>> mPhi;
  std::vector<std::vector<double>> mStdErr;
};

TEST_F(PsiFileTest, FittedEffectsComeBackAsFixedPhi) {
  const std::string path = WriteFittedFile();
  EXPECT_TRUE(mLog.Contains("Writing probe sensitivity index file in", kLogBlack));
  Psi.FreePsiPlanes();

  Settings().PSI_MODE = kPsiReadAndUse;
  ASSERT_TRUE(Psi.ReadPsiFile(path));
  EXPECT_TRUE(mLog.Contains("PSI was obatined by the PM/MM difference model", kLogBlack));
  for (int u = 0; u < kUnits; ++u) {
    ASSERT_TRUE(Fit().GetData(u));
    EXPECT_FALSE(Fit().FitsPhi());
    EXPECT_FLOAT_EQ(Psi.PresentFraction(u), 0.25f * static_cast<float>(u));
    for (int j = 0; j < kPairs; ++j) {
      EXPECT_EQ(Fit().ResultPhi(j), static_cast<float>(mPhi[Index(u)][Index(j)])) << u << "," << j;
      EXPECT_EQ(Fit().PhiStdErr(j), static_cast<float>(mStdErr[Index(u)][Index(j)]))
          << u << "," << j;
      EXPECT_EQ(Fit().IsProbeOutlier(j), j == 4) << u << "," << j;
    }
  }
}

TEST_F(PsiFileTest, ReadAndUseWithoutAFileFitsPhiAndSaysSoInRed) {
  MakeGroup(12, kUnits, kPairs, synth::ModelDataOptions{.noise = 5.0});
  Settings().PSI_MODE = kPsiReadAndUse;
  ASSERT_FALSE(Psi.HasPlanes());
  ASSERT_TRUE(Fit().GetData(1));
  EXPECT_TRUE(Fit().FitsPhi());
  EXPECT_TRUE(mLog.ContainsRed(
      "    Probe set 1: no probe sensitivity index is held for it; its probe effects are fitted"));
  // The effects are those of a fit that estimates phi itself.
  const auto reference = std::make_unique<MODEL>();
  mLog.Clear();
  Settings().PSI_MODE = kPsiDoNotUse;
  ASSERT_TRUE(reference->GetData(1));
  for (int j = 0; j < kPairs; ++j) EXPECT_EQ(Fit().ResultPhi(j), reference->ResultPhi(j)) << j;
  EXPECT_FALSE(mLog.ContainsRed("no probe sensitivity index"));
}

TEST_F(PsiFileTest, HeaderFieldsSitAtTheirOffsets) {
  const std::string path = WriteFittedFile();
  const auto bytes = FileBytes(path);
  const std::size_t cells =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  ASSERT_EQ(bytes.size(), kPsiHeaderSize + 9 * cells + 4 * kUnits);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data())), Layout.chipType);
  EXPECT_EQ(bytes[kPsiFormatOffset], kPsiFormat);
  EXPECT_EQ(platform::LoadU32(&bytes[kPsiWidthOffset]),
            static_cast<std::uint32_t>(Layout.dimension));
  EXPECT_EQ(platform::LoadU32(&bytes[kPsiUnitCountOffset]), static_cast<std::uint32_t>(kUnits));
  EXPECT_EQ(platform::LoadU32(&bytes[kPsiMethodOffset]),
            static_cast<std::uint32_t>(kModelPmMmDifference));
  // The phi plane holds probe 0 of unit 1 at its perfect-match cell.
  const PairPositions& pair = Layout.Positions(1)[0];
  const std::size_t at = kPsiHeaderSize + 4 * Layout.CellIndex(pair[1].x, pair[1].y);
  EXPECT_EQ(platform::LoadF32(&bytes[at]), static_cast<float>(mPhi[1][0]));
}

TEST_F(PsiFileTest, ReadingTakesTheFilesMethod) {
  const std::string path = WriteFittedFile();
  auto bytes = FileBytes(path);
  bytes[kPsiMethodOffset] = kModelPmOnly;
  SaveBytes(path, bytes);
  Settings().MODEL_METHOD = kModelPmMmDifference;
  ASSERT_TRUE(Psi.ReadPsiFile(path));
  EXPECT_EQ(Settings().MODEL_METHOD, kModelPmOnly);
  EXPECT_TRUE(mLog.Contains("PSI was obatined by the PM-only model", kLogBlack));
}

TEST_F(PsiFileTest, ForeignOrDamagedFilesAreRefused) {
  const std::string path = WriteFittedFile();
  const auto good = FileBytes(path);
  Settings().MODEL_METHOD = kModelPmMmDifference;
  const auto expectRefused = [&](std::vector<std::uint8_t> bytes, const char* message) {
    SaveBytes(path, bytes);
    mLog.Clear();
    EXPECT_FALSE(Psi.ReadPsiFile(path)) << message;
    EXPECT_TRUE(mLog.ContainsRed(message)) << message;
    EXPECT_EQ(Settings().MODEL_METHOD, kModelPmMmDifference) << message;
  };

  // Another chip type of the same size, told apart by name alone.
  auto bytes = good;
  bytes[0] ^= 0x01;
  expectRefused(bytes, "does not match CDF file");
  bytes = good;
  bytes[kPsiFormatOffset] = 2;
  expectRefused(bytes, "created by an older Zelko version");
  bytes = good;
  bytes[kPsiUnitCountOffset] += 1;
  expectRefused(bytes, "CellDim or NumUnit does not agree with CDF file");
  bytes = good;
  bytes[kPsiMethodOffset] = kModelFull;
  expectRefused(bytes, "PSI method cannot be recognized");
  bytes = good;
  bytes.resize(bytes.size() - 1);
  expectRefused(bytes, "ends after");
  expectRefused({}, "ends after");

  mLog.Clear();
  EXPECT_FALSE(Psi.ReadPsiFile(mFolder.File("absent.psi")));
  EXPECT_TRUE(mLog.ContainsRed("Reading probe sensitivity index file"));
  // A case-only difference in the chip type is the same chip.
  bytes = good;
  bytes[0] = static_cast<std::uint8_t>(std::islower(bytes[0]) ? std::toupper(bytes[0])
                                                              : std::tolower(bytes[0]));
  SaveBytes(path, bytes);
  EXPECT_TRUE(Psi.ReadPsiFile(path));
}

TEST_F(PsiFileTest, LongChipTypeIsRefusedNotCut) {
  synth::ModelDataOptions options;
  MakeGroup(4, 1, 11, options, std::string(kPsiMaxChipTypeLength + 1, 'C'));
  ASSERT_TRUE(Psi.AllocPsiPlanes());
  const std::string path = mFolder.File("long.psi");
  EXPECT_FALSE(Psi.WritePsiFile(path));
  EXPECT_TRUE(mLog.ContainsRed("longer than the 48 characters"));
  EXPECT_TRUE(FileBytes(path).empty());

  // A name of exactly 48 characters fits with its terminator.
  MakeGroup(4, 1, 11, options, std::string(kPsiMaxChipTypeLength, 'D'));
  ASSERT_TRUE(Psi.AllocPsiPlanes());
  ASSERT_TRUE(Psi.WritePsiFile(path));
  EXPECT_TRUE(Psi.ReadPsiFile(path));
}
