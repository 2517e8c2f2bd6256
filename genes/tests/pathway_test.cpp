// The pathway and its file: hand-written files read with every field and written back
// byte for byte, random pathways saved and opened unchanged, malformed files refused with
// their line while the pathway in memory stays, and the editing rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/testing/byte_variants.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/scripted_prompt.hpp"
#include "engine/tests/sample_test_support.hpp"
#include "genes/pathway/pathway.hpp"
#include "tools/synth/random.hpp"

namespace {

class PathwayTest : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    ClearPathway();
  }
  void TearDown() override {
    ClearPathway();
    SampleFixture::TearDown();
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const RecordedPrompt& prompt : mPrompt.prompts) texts.push_back(prompt.text);
    return texts;
  }

  CapturedLog mLog;
  ScriptedPrompt mPrompt;
};

std::vector<int> Box(const PATHWAY_NODE& n) {
  return {n.left, n.top, n.right, n.bottom};
}
std::vector<int> Fields(const PATHWAY_ARROW& a) {
  return {a.startNode, a.endNode, a.effectTime, a.interaction};
}

void ExpectSamePathway(const PATHWAY& a, const PATHWAY& b) {
  ASSERT_EQ(a.nodeCount, b.nodeCount);
  ASSERT_EQ(a.arrowCount, b.arrowCount);
  EXPECT_EQ(a.currentNode, b.currentNode);
  EXPECT_EQ(a.placeholderCount, b.placeholderCount);
  for (int i = 0; i < a.nodeCount; ++i) {
    const PATHWAY_NODE& x = a.nodes[static_cast<std::size_t>(i)];
    const PATHWAY_NODE& y = b.nodes[static_cast<std::size_t>(i)];
    EXPECT_EQ(x.name, y.name) << i;
    EXPECT_EQ(x.placeholder, y.placeholder) << i;
    EXPECT_EQ(Box(x), Box(y)) << i;
  }
  for (int i = 0; i < a.arrowCount; ++i) {
    const PATHWAY_ARROW& x = a.arrows[static_cast<std::size_t>(i)];
    const PATHWAY_ARROW& y = b.arrows[static_cast<std::size_t>(i)];
    EXPECT_EQ(Fields(x), Fields(y)) << i;
  }
}

constexpr const char* kHandWritten =
    "NUM_NODE=3\n"
    "NODE0_NAME=CycA = cyclin\n"
    "NODE0_POS=50\t50\t250\t110\t\n"
    "NODE1_NAME=Unknown7\n"
    "NODE1_POS=-20\t160\t180\t220\t\n"
    "NODE2_NAME=an Unknown kinase\n"
    "NODE2_POS=300\t400\t290\t380\t\n"
    "NUM_ARROW=3\n"
    "ARROW0=0\t1\t2\t0\n"
    "ARROW1=2\t1\t1000\t1\n"
    "ARROW2=0\t2\t0\t2\n";

TEST_F(PathwayTest, HandWrittenFileReadWithEveryFieldAndWrittenBackTheSame) {
  for (const bool crlf : {false, true}) {
    SCOPED_TRACE(crlf ? "CRLF" : "LF");
    std::string text = kHandWritten;
    if (crlf)
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, "\r");
    const std::string path = WriteFile("hand.txt", text);
    ThePathway().currentNode = 1;
    ASSERT_TRUE(ReadPathwayFile(path));
    const PATHWAY& p = ThePathway();
    EXPECT_EQ(TheGroup().Settings().PATHWAY_FILE, path);
    ASSERT_EQ(p.nodeCount, 3);
    EXPECT_EQ(p.currentNode, -1);
    EXPECT_EQ(p.placeholderCount, 2);
    EXPECT_EQ(p.nodes[0].name, "CycA = cyclin") << "the value is all after the first '='";
    EXPECT_FALSE(p.nodes[0].placeholder);
    EXPECT_EQ(p.nodes[1].name, "Unknown7");
    EXPECT_TRUE(p.nodes[1].placeholder);
    EXPECT_TRUE(p.nodes[2].placeholder) << "a name containing Unknown";
    EXPECT_EQ(Box(p.nodes[1]), std::vector<int>({-20, 160, 180, 220}));
    EXPECT_EQ(Box(p.nodes[2]), std::vector<int>({300, 400, 290, 380}));
    ASSERT_EQ(p.arrowCount, 3);
    EXPECT_EQ(std::vector<int>({p.arrows[1].startNode, p.arrows[1].endNode, p.arrows[1].effectTime,
                                p.arrows[1].interaction}),
              std::vector<int>({2, 1, 1000, kInhibition}));
    EXPECT_EQ(p.arrows[2].interaction, kBinding);
    const std::string copy = mFolder.File("copy.txt");
    ASSERT_TRUE(WritePathwayFile(copy));
    EXPECT_EQ(ReadFile(copy), kHandWritten);
    EXPECT_EQ(TheGroup().Settings().PATHWAY_FILE, copy);
  }
}

TEST_F(PathwayTest, RandomPathwaysSavedAndOpenedUnchanged) {
  synth::SynthRandom random(7);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    ClearPathway();
    const int nodes = random.Between(0, kMaxPathwayNodes);
    for (int i = 0; i < nodes; ++i) {
      ASSERT_TRUE(AddNode());
      if (random.Chance(60)) SetNodeName(i, "G" + std::to_string(random.Between(0, 99)));
    }
    RenumberUnknownNodes();
    for (int tries = random.Between(0, 80); tries > 0 && nodes > 1; --tries) {
      const int start = random.Between(0, nodes - 1);
      const int end = random.Between(0, nodes - 1);
      if (ThePathway().arrowCount == kMaxPathwayArrows) break;
      EditArrow(start, end, random.Between(0, kMaxEffectTime), true, random.Between(0, 2));
    }
    ThePathway().currentNode = -1;
    const PATHWAY saved = ThePathway();
    const std::string path = mFolder.File("round.txt");
    ASSERT_TRUE(WritePathwayFile(path));
    ClearPathway();
    ASSERT_TRUE(ReadPathwayFile(path));
    ExpectSamePathway(ThePathway(), saved);
  }
}

TEST_F(PathwayTest, MalformedFilesRefusedWithTheirLineAndThePathwayKept) {
  std::string nodes51 = "NUM_NODE=51\n";
  std::string arrows51 =
      "NUM_NODE=2\nNODE0_NAME=a\nNODE0_POS=0\t0\t1\t1\t\n"
      "NODE1_NAME=b\nNODE1_POS=0\t0\t1\t1\t\nNUM_ARROW=51\n";
  const std::string two =
      "NUM_NODE=2\nNODE0_NAME=a\nNODE0_POS=0\t0\t1\t1\t\n"
      "NODE1_NAME=b\nNODE1_POS=0\t0\t1\t1\t\nNUM_ARROW=1\n";
  struct Case {
    std::string text;
    int line;
  };
  const std::vector<Case> cases = {
      {nodes51, 1},
      {arrows51, 6},
      {two + "ARROW0=0\t2\t1\t0\n", 7},
      {two + "ARROW0=-1\t1\t1\t0\n", 7},
      {two + "ARROW0=0\t1\t1001\t0\n", 7},
      {two + "ARROW0=0\t1\t-1\t0\n", 7},
      {two + "ARROW0=0\t1\t1\t3\n", 7},
      {two + "ARROW0=1\t1\t1\t0\n", 7},
      {two + "ARROW0=0\t1\t1\n", 7},
      {"NUM_NODE=2\nNODE0_NAME=a\nNODE0_POS=0\t0\t1\t1\t\nNODE1_NAME=b\nNODE1_POS=0\t0\t1\t1\t\n"
       "NUM_ARROW=2\nARROW0=0\t1\t1\t0\nARROW1=1\t0\t2\t1\n",
       8},
      {two, 7},
      {"NUM_NODE=1\nNODE1_NAME=a\n", 2},
      {"NUM_NODE=1\nNODE0_NAME=" + std::string(1000, 'x') + "\n", 2},
      {"NUM_NODE=1\nNODE0_NAME=a\nNODE0_POS=0\t0\t2000000\t1\t\n", 3},
      {"NUM_NODE=-1\n", 1},
      {"", 1},
  };
  ASSERT_TRUE(ReadPathwayFile(WriteFile("good.txt", kHandWritten)));
  const PATHWAY good = ThePathway();
  const std::string goodPath = TheGroup().Settings().PATHWAY_FILE;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    const std::string path = WriteFile("bad.txt", c.text);
    const std::size_t before = mLog.Lines().size();
    EXPECT_FALSE(ReadPathwayFile(path));
    ASSERT_EQ(mLog.Lines().size(), before + 1);
    const CapturedLine& line = mLog.Lines().back();
    EXPECT_EQ(line.colour, kLogRed);
    EXPECT_EQ(
        line.text.rfind(MessageBuffer("Pathway file '%s', line %d: ", path.c_str(), c.line), 0), 0u)
        << line.text;
    ExpectSamePathway(ThePathway(), good);
    EXPECT_EQ(TheGroup().Settings().PATHWAY_FILE, goodPath);
  }
  // Damaged copies of a good file: read whole or refused with a line, never half-read.
  const std::string goodText = kHandWritten;
  int index = 0;
  for (const Bytes& variant :
       ByteVariants(Bytes(goodText.begin(), goodText.end()), 200, 20261210, "0123456789=\t\n-")) {
    SCOPED_TRACE(index++);
    const std::size_t before = mLog.Lines().size();
    const std::string path = WriteFile("damaged.txt", std::string(variant.begin(), variant.end()));
    if (!ReadPathwayFile(path)) {
      EXPECT_EQ(mLog.Lines().size(), before + 1);
      ExpectSamePathway(ThePathway(), good);
      continue;
    }
    for (int i = 0; i < ThePathway().arrowCount; ++i) {
      const PATHWAY_ARROW& arrow = ThePathway().arrows[static_cast<std::size_t>(i)];
      EXPECT_LT(std::max(arrow.startNode, arrow.endNode), ThePathway().nodeCount);
      EXPECT_GE(std::min(arrow.startNode, arrow.endNode), 0);
    }
    ASSERT_TRUE(ReadPathwayFile(WriteFile("good.txt", kHandWritten)));
  }
  EXPECT_TRUE(
      FuzzReadPathwayFile(reinterpret_cast<const std::uint8_t*>(goodText.data()), goodText.size()));

  // A file that does not open empties the pathway.
  const std::string missing = mFolder.File("missing.txt");
  EXPECT_FALSE(ReadPathwayFile(missing));
  EXPECT_TRUE(mLog.ContainsRed("Reading file '" + missing + "' failed"));
  EXPECT_EQ(ThePathway().nodeCount, 0);
  EXPECT_EQ(TheGroup().Settings().PATHWAY_FILE, missing);
}

TEST_F(PathwayTest, AFailedWriteLeavesTheOldFileAndTellsTheUser) {
  const std::string path = WriteFile("kept.txt", kHandWritten);
  ASSERT_TRUE(ReadPathwayFile(path));
  // The file's folder is gone: nothing can be put there.
  EXPECT_FALSE(WritePathwayFile(mFolder.File("gone/p.txt")));
  EXPECT_EQ(Messages(), std::vector<std::string>{std::string(kPathwayWriteFailedMessage) +
                                                 " (No such file or directory)"});
  // A node name with a line break stays one line in the file.
  SetNodeName(0, "two\nlines\r");
  ASSERT_TRUE(WritePathwayFile(path));
  ASSERT_TRUE(ReadPathwayFile(path));
  EXPECT_EQ(ThePathway().nodes[0].name, "two lines ");
  EXPECT_EQ(ThePathway().nodeCount, 3);
  for (const auto& entry : std::filesystem::directory_iterator(mFolder.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "kept.txt" || name.find("kept") == std::string::npos)
        << "left beside the pathway file: " << name;
  }
}

TEST_F(PathwayTest, EditingKeepsNodesArrowsAndPlaceholderNumbers) {
  // Free spots fill the 4-column grid row by row, skipping boxes a node covers.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(AddNode());
  PATHWAY& p = ThePathway();
  EXPECT_EQ(p.currentNode, 2);
  EXPECT_EQ(p.nodes[2].name, "Unknown3");
  EXPECT_EQ(Box(p.nodes[2]), std::vector<int>({550, 50, 750, 110}));
  p.nodes[1].top = 100;  // now also covers the first box of the second row
  p.nodes[1].bottom = 200;
  p.nodes[1].left = 0;
  ASSERT_TRUE(AddNode());
  ASSERT_TRUE(AddNode());
  EXPECT_EQ(p.nodes[3].left, 800);
  EXPECT_EQ(p.nodes[4].left, 550);
  EXPECT_EQ(p.nodes[4].top, 160);
  // A box across the page reaching far down: the first row below it.
  const PATHWAY_NODE kept = p.nodes[4];
  p.nodes[4].left = 0;
  p.nodes[4].right = 2000;
  p.nodes[4].bottom = kMaxPagePosition;
  const PathwayBox below = FindFreeSpot(p);
  EXPECT_EQ(below.left, 50);
  EXPECT_EQ(below.top, 50 + 110 * 9091);
  EXPECT_EQ(below.bottom, below.top + 60);
  p.nodes[4] = kept;

  // Arrows 0-1 and 1-2; deleting node 0 leaves the second, renumbered.
  ASSERT_TRUE(EditArrow(0, 1, 1, true, kActivation));
  ASSERT_TRUE(EditArrow(1, 2, 3, true, kInhibition));
  EXPECT_FALSE(EditArrow(2, 1, 1, true, kActivation));
  EXPECT_FALSE(EditArrow(0, 2, 1, false, kActivation));
  p.currentNode = 0;
  SetNodeName(0, "CycA");
  DeleteCurrentNode();
  ASSERT_EQ(p.arrowCount, 1);
  EXPECT_EQ(std::vector<int>({p.arrows[0].startNode, p.arrows[0].endNode, p.arrows[0].effectTime}),
            std::vector<int>({0, 1, 3}));
  EXPECT_EQ(p.currentNode, -1);
  ASSERT_EQ(p.nodeCount, 4);
  EXPECT_EQ(p.nodes[0].name, "Unknown1");
  RenameCurrentNode("Cdk2");
  p.currentNode = 1;
  RenameCurrentNode("Cdk2");
  EXPECT_EQ(p.nodes[0].name, "Unknown1");
  EXPECT_EQ(p.nodes[2].name, "Unknown2") << "placeholders numbered again in node order";
  EXPECT_EQ(p.placeholderCount, 3);
  RenameCurrentNode("");
  EXPECT_EQ(p.nodes[1].name, "Unknown2");
  EXPECT_EQ(p.nodes[3].name, "Unknown4");
  ASSERT_TRUE(EditArrow(0, 1, 1, false, kActivation)) << "removal in either direction";
  EXPECT_EQ(p.arrowCount, 0);

  while (p.nodeCount < kMaxPathwayNodes) ASSERT_TRUE(AddNode());
  EXPECT_FALSE(AddNode());
  for (int i = 1; i < kMaxPathwayNodes; ++i) ASSERT_TRUE(EditArrow(0, i, 0, true, kBinding));
  ASSERT_TRUE(EditArrow(1, 2, 0, true, kBinding));
  EXPECT_FALSE(EditArrow(2, 3, 0, true, kBinding));
  EXPECT_FALSE(EditArrow(0, kMaxPathwayNodes, 0, true, kBinding)) << "no such node";
  DeleteArrow(kMaxPathwayArrows);
  DeleteArrow(0);
  EXPECT_EQ(p.arrows[0].endNode, 2);
  EXPECT_EQ(p.arrowCount, kMaxPathwayArrows - 1);
  EXPECT_EQ(Messages(),
            std::vector<std::string>({kArrowExistsMessage, kNoArrowMessage, kNoCurrentNodeMessage,
                                      kTooManyNodesMessage, kTooManyArrowsMessage}));
}

}  // namespace
