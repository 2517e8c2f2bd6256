// The genome information file the annotation import writes from a generated annotation
// CSV is read back by the genome information reader with every probe set placed where
// its last alignment says, also from a file as a spreadsheet program saves it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "genes/annotation/annotation_import.hpp"
#include "genome/tests/genome_test_support.hpp"
#include "platform/path.hpp"
#include "tools/synth/annotation_data.hpp"

namespace {

class AnnotationGenomeTest : public GenomeFixture {};

// Plainly written, and as a spreadsheet program saves the file (a byte-order mark, CRLF
// line ends, quotes doubled inside descriptions).
TEST_F(AnnotationGenomeTest, GenomeRowsReadBackAsPlanted) {
  const std::vector<std::string> names = Names("zk_", 600);
  for (const bool saved : {false, true}) {
    SCOPED_TRACE(saved);
    const synth::AnnotationTruth truth = synth::MakeAnnotation(
        names, {},
        synth::AnnotationOptions{
            .seed = 21, .byteOrderMark = saved, .crlf = saved, .quotedWordShare = saved ? 50 : 0});
    AnnotImport = ANNOT_IMPORT{};
    AnnotImport.csvPath = WriteFile("annotation.csv", truth.text);
    AnnotImport.type = kGenomeInfoFileType;
    ASSERT_TRUE(ReadCsvHeader(AnnotImport));
    EXPECT_EQ(AnnotImport.chipType, truth.chipType);
    MakeInfoFileName(AnnotImport);
    EXPECT_EQ(AnnotImport.outputPath,
              platform::JoinPath(mFolder.Path().string(), truth.chipType + " genome info.xls"));
    AnalysisRunning = 1;  // as the command raises it
    ASSERT_TRUE(MakeInformationFile(AnnotImport));

    UseUnits(names);
    ASSERT_TRUE(genome_info.ReadGenomeInfoFile(AnnotImport.outputPath));
    int mapped = 0;
    for (std::size_t u = 0; u < names.size(); ++u) {
      const synth::AnnotationProbeSet& ps = truth.probeSets[u];
      const UNIT_POS& unit = genome_info.Unit[u];
      if (ps.alignments.empty()) {
        EXPECT_EQ(unit.chro, -1) << u;
        continue;
      }
      ++mapped;
      // A probe set aligned twice has two rows; the later one stands.
      const synth::GenomeAlignment& last = ps.alignments.back();
      EXPECT_EQ(unit.chro, genome_info.GetChroIndex(last.chromosome)) << u;
      EXPECT_EQ(unit.pos, static_cast<float>(last.start)) << u;
      EXPECT_EQ(unit.second, static_cast<float>(last.end)) << u;
      EXPECT_EQ(unit.strand, last.strand) << u;
      EXPECT_EQ(unit.Text(), "") << u;
    }
    EXPECT_GT(mapped, 400);
  }
  AnnotImport = ANNOT_IMPORT{};
}

}  // namespace
