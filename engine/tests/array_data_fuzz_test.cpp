// The QVF reader and the result and genotype-call text readers on damaged copies of
// generated files: truncations and byte flips from a fixed seed. None may crash (the
// sanitizer build catches memory faults), and every refusal says why in red.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/testing/byte_variants.hpp"
#include "engine/tests/array_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/result_writers.hpp"

namespace {}  // namespace

class ArrayDataFuzzTest : public ArrayTest {
 protected:
  Bytes Seed(const std::string& path) { return platform::ReadWholeFile(path).value_or(Bytes{}); }

  template <typename Entry, typename Check>
  void Run(const Bytes& seed, Entry entry, Check acceptedIsSound) {
    ASSERT_FALSE(seed.empty());
    int index = 0;
    int accepted = 0;
    for (const Bytes& variant : ByteVariants(seed, 240, 20240611, "0123456789-.\t\nAPMBN#")) {
      SCOPED_TRACE(index++);
      mLog.Clear();
      if (entry(variant.data(), variant.size())) {
        ++accepted;
        EXPECT_TRUE(acceptedIsSound(variant));
      } else {
        EXPECT_GT(mLog.CountInColour(kLogRed), 0);
      }
    }
    EXPECT_GT(accepted, 0);  // some damage leaves a readable file
  }
};

TEST_F(ArrayDataFuzzTest, QvfReader) {
  const synth::ChipTruth chip = SetUpChip(synth::ChipKind::kExpression, 20, 12);
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, {});
  CHIP_DATA array;
  Fill(array, group, 1, mFolder.File("a1.CEL"));
  ASSERT_TRUE(array.WriteQvf());
  Run(Seed(mFolder.File("a1.qvf")), FuzzReadExisting,
      [](const Bytes& bytes) { return bytes.size() == QvfFileSize(20, 12); });
}

TEST_F(ArrayDataFuzzTest, ResultTextReader) {
  const synth::ChipTruth chip = SetUpChip(synth::ChipKind::kExpression, 30, 20);
  const synth::ArrayGroupTruth group = synth::MakeArrayGroup(chip, {});
  std::vector<char> calls;
  std::vector<double> signals;
  synth::ResultsOf(group, 1, calls, signals);
  ASSERT_TRUE(synth::WriteResultText(chip, calls, signals, mFolder.File("a1.txt")));
  Settings().QEX5_SIGNAL = 1;
  // Accepted files must still carry a header with a call column.
  Run(Seed(mFolder.File("a1.txt")), FuzzReadResultTextFile, [](const Bytes& bytes) {
    const std::string text(bytes.begin(), bytes.end());
    return text.find("Detection") != std::string::npos || text.find("Call") != std::string::npos;
  });
}

TEST_F(ArrayDataFuzzTest, GenotypeCallReader) {
  for (const auto& [kind, form] :
       {std::pair{synth::ChipKind::kSnp2, synth::GenotypeForm::kCallWords},
        std::pair{synth::ChipKind::kSnp1, synth::GenotypeForm::kAllelePairs}}) {
    SCOPED_TRACE(std::string(synth::ChipKindName(kind)));
    ResetChipGlobals();
    const synth::ChipTruth chip = SetUpChip(kind, 40, 20);
    ASSERT_TRUE(synth::WriteGenotypeCalls(chip, synth::MakeGenotypes(chip, 2),
                                          mFolder.File("calls.txt"), form));
    // Accepted files must still carry a header line of either form.
    Run(Seed(mFolder.File("calls.txt")), FuzzReadGenotypeCallFile, [](const Bytes& bytes) {
      const std::string text(bytes.begin(), bytes.end());
      return text.find("SNP ID") != std::string::npos ||
             text.find("Experiment\tLabel\tCall\tCall") != std::string::npos;
    });
  }
}
