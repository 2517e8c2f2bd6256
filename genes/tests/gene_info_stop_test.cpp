// A stop asked for while gene information is read, in turn or split across threads: the
// reading ends with the stop line, having shown the progress counted so far, and leaves
// no gene information behind; the next reading runs whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/tests/gene_test_support.hpp"

namespace {

using GeneInfoStop = GeneInfoFixture;

TEST_F(GeneInfoStop, AStopEndsTheReadingInTurnAndAcrossThreads) {
  constexpr int kGenes = 1000;
  UseProbeSets(Names("PS", kGenes));
  std::string text = GeneInfoHeader({"Terms"});
  for (int i = 0; i < kGenes; ++i) {
    const std::string number = std::to_string(i);
    text += "PS" + number + "\tNM_" + number + "\t" + number + "\tGene" + number + "\t|t" +
            std::to_string(i % 7) + "|\tdescription " + number + "\n";
  }
  const std::string path = WriteFile("genes.txt", text);

  struct Split {
    const char* name;
    GeneInfoReadSplit split;
    int stopAtPoll;
    std::vector<std::string> progress;
  };
  // In turn, every 50th gene asks for a stop. Split, the calling thread asks once before
  // the threads start (whether it reads a piece of its own depends on the threads).
  const Split splits[] = {
      {"in turn", {1, 1 << 20, 1}, 3, {"    Gene 50", "    Gene 100"}},
      {"across threads", {4, 256, 2}, 1, {}},
  };
  for (const Split& test : splits) {
    SCOPED_TRACE(test.name);
    GeneInfoSplit = test.split;
    {
      CapturedLog log;
      ScriptedProgress progress;
      progress.stopAtPoll = test.stopAtPoll;
      EXPECT_FALSE(ReadGeneInfoFile(path, true));
      EXPECT_EQ(progress.polls, test.stopAtPoll);
      EXPECT_EQ(log.Lines().back().text, kUserStopMessage);
      EXPECT_EQ(log.Lines().back().colour, kLogRed);
      EXPECT_EQ(progress.progressLines, test.progress);
      EXPECT_FALSE(GeneInfo.Loaded());
    }
    ASSERT_TRUE(ReadGeneInfoFile(path, true));
    EXPECT_EQ(GeneInfo.GeneCount(), kGenes);
    ClearGeneInformation();
  }
}

}  // namespace
