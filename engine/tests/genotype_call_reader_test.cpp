// The genotype-call text file beside a SNP array's data file, in each of its forms, and
// the refusals of a file that is missing, headless, or names unknown SNPs.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/tests/array_test_support.hpp"
#include "tools/synth/result_writers.hpp"

class GenotypeCallTest : public ArrayTest {
 protected:
  void Use(synth::ChipKind kind) {
    mChip = SetUpChip(kind, 60, 120, 4);
    mCalls = synth::MakeGenotypes(mChip, 19);
    mArray.AllocateUnitTables();
  }
  bool Read(const std::string& dataFile) {
    return mArray.ReadGenotypeCallFile(mFolder.File(dataFile).c_str());
  }
  float NoCallShare() const {
    return static_cast<float>(std::count(mCalls.begin(), mCalls.end(), kSnpCallNoCall)) / 120.0f;
  }

  synth::ChipTruth mChip;
  std::vector<char> mCalls;
  CHIP_DATA mArray;
};

TEST_F(GenotypeCallTest, CallWordsAndCodesGiveTheirCalls) {
  Use(synth::ChipKind::kSnp2);
  for (const auto form : {synth::GenotypeForm::kCallWords, synth::GenotypeForm::kCallCodes}) {
    ASSERT_TRUE(synth::WriteGenotypeCalls(mChip, mCalls, mFolder.File("s1.txt"), form));
    ASSERT_TRUE(Read("s1.CEL"));
    EXPECT_EQ(mArray.calls, mCalls);
    EXPECT_FLOAT_EQ(mArray.callPercent, 1.0f - NoCallShare());
  }
  EXPECT_TRUE(mLog.Contains("    Found Kandorvale SNP call file '" + mFolder.File("s1.txt") + "'",
                            kLogBlack));
}

TEST_F(GenotypeCallTest, AllelePairsOfKindOneShareOneFile) {
  Use(synth::ChipKind::kSnp1);
  ASSERT_TRUE(synth::WriteGenotypeCalls(mChip, mCalls, mFolder.File("sample.txt"),
                                        synth::GenotypeForm::kAllelePairs));
  ASSERT_TRUE(Read("sampleA.CEL"));
  EXPECT_EQ(mArray.calls, mCalls);
  std::fill(mArray.calls.begin(), mArray.calls.end(), 0);
  ASSERT_TRUE(Read("sampleB.CEL"));
  EXPECT_EQ(mArray.calls, mCalls);
}

TEST_F(GenotypeCallTest, CallWordsOutsideTheTableAreNoCalls) {
  Use(synth::ChipKind::kSnp2);
  const std::string a = mChip.units[0].name;
  const std::string b = mChip.units[1].name;
  const std::string c = mChip.units[2].name;
  WriteText("s1.txt", "ID_REF\tVALUE\n" + a + "\tBA\n" + b + "\t2\n" + c + "\tAB\n");
  ASSERT_TRUE(Read("s1.CEL"));
  EXPECT_EQ(mArray.calls[0], kSnpCallNoCall);
  EXPECT_EQ(mArray.calls[1], kSnpCallB);
  EXPECT_EQ(mArray.calls[2], kSnpCallAB);
  EXPECT_EQ(mArray.calls[3], kSnpCallNoCall);  // not in the file
  EXPECT_FLOAT_EQ(mArray.callPercent, 2.0f / 3.0f);
}

TEST_F(GenotypeCallTest, UnknownAlleleAfterAIsRefused) {
  Use(synth::ChipKind::kSnp1);
  const std::string line = "synthetic\t" + mChip.units[3].name + " A C";
  WriteText("sample.txt", "Experiment\tLabel\tCall\tCall\n" + line + "\n");
  EXPECT_FALSE(Read("sampleA.CEL"));
  EXPECT_TRUE(mLog.ContainsRed("      unknown SNP call: " + line));
}

TEST_F(GenotypeCallTest, MissingOrHeadlessFilesAreRefused) {
  Use(synth::ChipKind::kSnp2);
  EXPECT_FALSE(Read("s1.CEL"));
  EXPECT_TRUE(mLog.ContainsRed("    Kandorvale SNP call file '" + mFolder.File("s1.txt") +
                               "' not found; you may rename *.rpt files to *.txt"));
  EXPECT_TRUE(std::all_of(mArray.calls.begin(), mArray.calls.end(),
                          [](char c) { return c == kSnpCallNoCall; }));

  WriteText("s1.txt", "#Genotype calls\nName\tGenotypes\tCalls\n");
  EXPECT_FALSE(Read("s1.CEL"));
  EXPECT_TRUE(mLog.ContainsRed("    '" + mFolder.File("s1.txt") +
                               "' does not seem to be a Kandorvale SNP call file (last read line: "
                               "'Name\tGenotypes\tCalls')"));

  WriteText("s1.txt", "SNP ID\tConfidence\n");
  EXPECT_FALSE(Read("s1.CEL"));
  EXPECT_TRUE(mLog.ContainsRed("    Cannot find SNP name or call column in header line of '" +
                               mFolder.File("s1.txt") + "'"));

  EXPECT_FALSE(mArray.ReadGenotypeCallFile("s1"));
  EXPECT_TRUE(mLog.ContainsRed("    Error: TXT file name doesn't contain '.'"));
}

TEST_F(GenotypeCallTest, UnknownSnpFailsTheFileUnlessAllowed) {
  Use(synth::ChipKind::kSnp2);
  WriteText("s1.txt", "SNP ID\tCall\n" + mChip.units[0].name + "\tAA\nNoSuchSnp\tBB\n\t0\n");
  EXPECT_FALSE(Read("s1.CEL"));
  EXPECT_TRUE(mLog.ContainsRed("      Unit 'NoSuchSnp' not found; Wrong TXT file"));

  // Allowed, unknown names and a line without a name are passed over.
  Settings().ALLOW_TXT_HAS_UNKNOWN = 1;
  mLog.Clear();
  ASSERT_TRUE(Read("s1.CEL"));
  EXPECT_EQ(mArray.calls[0], kSnpCallA);
  EXPECT_EQ(std::count(mArray.calls.begin(), mArray.calls.end(), kSnpCallNoCall), 119);
  EXPECT_FLOAT_EQ(mArray.callPercent, 1.0f);
}
