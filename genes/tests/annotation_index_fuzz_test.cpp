// The annotation index reader on damaged copies of a generated index file: truncations
// and byte flips from a fixed seed. None may crash (the sanitizer build catches memory
// faults); the file holds far fewer terms than a table takes, so every copy is read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/testing/byte_variants.hpp"
#include "engine/testing/captured_log.hpp"
#include "genes/info/term_table.hpp"
#include "genes/tests/gene_test_support.hpp"
#include "platform/byte_reader.hpp"
#include "tools/synth/gene_info_model.hpp"

using AnnotationIndexFuzzTest = GeneInfoFixture;

TEST_F(AnnotationIndexFuzzTest, DamagedIndexFilesAreReadWithoutFault) {
  synth::GeneInfoOptions options;
  options.vocabulary = 60;
  options.indexBacked = {true, false, false, false};
  const synth::GeneInfoTruth truth = synth::MakeGeneInfo(Names("PS", 40), options);
  ASSERT_TRUE(synth::WriteGeneInfo(truth, mFolder.File("genes.txt")));
  const Bytes seed = platform::ReadWholeFile(mFolder.File(truth.columnNames[0])).value_or(Bytes{});
  ASSERT_FALSE(seed.empty());

  CapturedLog log;
  int index = 0;
  for (const Bytes& variant : ByteVariants(seed, 240, 20240611, "0123456789\t\n|-")) {
    SCOPED_TRACE(index++);
    log.Clear();
    EXPECT_TRUE(FuzzReadAnnotationIndex(variant.data(), variant.size()));
    EXPECT_EQ(log.CountInColour(kLogRed), 0);
  }
}
