// The readers of a group's own files on damaged copies of generated files: the sample
// information, the array list, the settings file and the probe sensitivity index file;
// truncations and byte flips from a fixed seed. None may crash (the sanitizer build
// catches memory faults), a refusal must say why in red, and what a reader takes must
// hang together.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/group/group_settings.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/testing/byte_variants.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/tests/model_test_support.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "platform/byte_reader.hpp"

namespace {

constexpr int kVariants = 240;
constexpr std::uint32_t kVariantSeed = 20240611;

Bytes BytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// Runs the entry on every variant; refused ones must have logged in red, taken ones must
// pass the check.
template <typename Entry, typename Check>
void RunVariants(const Bytes& seed, std::string_view textBytes, Entry entry, Check takenIsSound) {
  ASSERT_FALSE(seed.empty());
  CapturedLog log;
  int index = 0;
  int taken = 0;
  for (const Bytes& variant : ByteVariants(seed, kVariants, kVariantSeed, textBytes)) {
    SCOPED_TRACE(index++);
    log.Clear();
    if (entry(variant.data(), variant.size())) {
      ++taken;
      takenIsSound();
    } else {
      EXPECT_GT(log.CountInColour(kLogRed), 0);
    }
  }
  // Some damage leaves a readable file, and the truncations leave unreadable ones.
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, kVariants);
}

class GroupFileFuzzTest : public SampleFixture {
 protected:
  static constexpr int kArrays = 12;

  void SetUp() override {
    SampleFixture::SetUp();
    AddArrays("a", kArrays);
  }
};

// Every array's sample, every sample's group: the tables of the grouping cover each
// other exactly.
void ExpectGroupingHangsTogether() {
  int arrays = 0;
  for (int s = 0; s < SampleGrouping.SampleCount(); ++s) {
    EXPECT_EQ(SampleGrouping.SampleFirst(s), arrays);
    EXPECT_GE(SampleGrouping.ReplicateCount(s), 1);
    arrays += SampleGrouping.ReplicateCount(s);
  }
  EXPECT_EQ(arrays, SampleGrouping.ArrayCount());
  for (int a = 0; a < SampleGrouping.ArrayCount(); ++a) {
    EXPECT_GE(SampleGrouping.OrderedArray(a), 0);
    EXPECT_LT(SampleGrouping.OrderedArray(a), TheGroup().NumArrays());
  }
  int samples = 0;
  for (int g = 0; g < SampleGrouping.GroupCount(); ++g) samples += SampleGrouping.GroupSize(g);
  EXPECT_EQ(samples, SampleGrouping.SampleCount());
}

}  // namespace

TEST_F(GroupFileFuzzTest, SampleInformation) {
  std::mt19937 random(3);
  std::string text = "Array\tName\tTissue\tAge (numeric)\tBatch\n";
  for (int a = 1; a <= kArrays; ++a)
    text += "a" + std::to_string(a) + "\t\t" + (random() % 2 == 0 ? "liver" : "lung") + "\t" +
            std::to_string(20 + random() % 50) + "\tb" + std::to_string(random() % 3) + "\n";
  // A taken file leaves the group's arrays all there, whatever it renamed.
  RunVariants(BytesOf(text), "0123456789.\t\n(numeric)a", FuzzReadSampleInfoFile,
              [] { EXPECT_EQ(TheGroup().NumArrays(), kArrays); });
}

TEST_F(GroupFileFuzzTest, ArrayList) {
  const std::string text =
      "a1\na2\nReplicate\na3\na4\nReplicate\nStandardize\na5\na6\na7\n"
      "Standardize\na8\na9\nReplicate\na10\n";
  // A list that is not taken leaves the default grouping, which must hang together too.
  CapturedLog log;
  int index = 0;
  int taken = 0;
  for (const Bytes& variant :
       ByteVariants(BytesOf(text), kVariants, kVariantSeed, "0123456789a\nReplicateStandardize")) {
    SCOPED_TRACE(index++);
    taken += FuzzReadArrayListFile(variant.data(), variant.size()) ? 1 : 0;
    ExpectGroupingHangsTogether();
    if (!UseArrayList) {
      EXPECT_EQ(SampleGrouping.SampleCount(), kArrays);
    }
  }
  EXPECT_GT(taken, 0);
  EXPECT_LT(taken, kVariants);
}

TEST_F(GroupFileFuzzTest, SettingsFile) {
  TheGroup().SetName("Fuzzed");
  TheGroup().Settings().MODEL_METHOD = 2;
  TheGroup().Settings().SAMPLE_INFO_FILE = mFolder.File("info.txt");
  ASSERT_TRUE(TheGroup().WriteGroupSettings());
  const Bytes seed = platform::ReadWholeFile(TheGroup().SettingsPath("Fuzzed")).value_or(Bytes{});
  const int savedArrayType = ArrayType;
  const int savedPmOnly = PmOnly;
  ASSERT_FALSE(seed.empty());
  // A settings file that opens is always read, line by line, whatever it holds.
  int index = 0;
  for (const Bytes& variant : ByteVariants(seed, kVariants, kVariantSeed, "0123456789.-=\n_ABC")) {
    SCOPED_TRACE(index++);
    EXPECT_TRUE(FuzzReadSettingsFile(variant.data(), variant.size()));
  }
  ArrayType = savedArrayType;
  PmOnly = savedPmOnly;
}

class PsiFileFuzzTest : public ModelTest {};

TEST_F(PsiFileFuzzTest, ProbeSensitivityIndexFile) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 20, 6);
  ASSERT_TRUE(Load(Write(chip, synth::ChipForm::kTextCdf)));
  ASSERT_TRUE(Psi.AllocPsiPlanes());
  for (int u = 0; u < Layout.unitCount; ++u)
    Psi.SetPresentFraction(u, 0.125f * static_cast<float>(u));
  const std::string path = mFolder.File("chip.psi");
  ASSERT_TRUE(Psi.WritePsiFile(path));
  const Bytes seed = platform::ReadWholeFile(path).value_or(Bytes{});
  // A taken file held every table the layout asks for.
  std::size_t size = 0;
  RunVariants(
      seed, std::string_view("\0\1\2\3\x7f\xff", 6),
      [&size](const std::uint8_t* data, std::size_t bytes) {
        size = bytes;
        return FuzzReadPsiFile(data, bytes);
      },
      [&size, &seed] { EXPECT_GE(size, seed.size()); });
}
