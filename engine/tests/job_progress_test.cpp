// Progress and stop through the job progress object: a stop asked for at a poll ends the
// cell readers with the same log and planes as a stop from the window arriving in the
// pump, and a gene list job marks its span as running.
#include "engine/services/job_progress.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/testing/scripted_progress.hpp"
#include "engine/tests/array_file_test_support.hpp"

namespace {

struct StoppedRead {
  bool read = true;
  std::vector<CapturedLine> lines;
  std::vector<std::uint16_t> plane1;
  std::vector<std::uint16_t> plane2;
  int pumps = 0;  // every pump of the read, the log's included
};

class JobProgressTest : public ArrayFileTest {
 protected:
  using Reader = bool (CHIP_DATA::*)(const char*);

  void TearDown() override {
    if (GroupStarted()) DiscardGroup();
    GeneList = GENE_LIST{};
  }

  // Planes of zeros, which no cell of the synthetic arrays holds.
  void ClearPlanes() {
    const std::size_t cells =
        static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
    mData.plane1.assign(cells, 0);
    mData.plane2.assign(cells, 0);
  }

  StoppedRead Finish(bool read, int pumps) {
    return {read, mLog.Lines(), mData.plane1, mData.plane2, pumps};
  }

  StoppedRead ReadStoppedAtPoll(Reader reader, const std::string& path, int poll) {
    mLog.Clear();
    ClearPlanes();
    int pumps = 0;
    const auto previous = SetPumpHook([&pumps] { ++pumps; });
    ScriptedProgress progress;
    progress.stopAtPoll = poll;
    const bool read = (mData.*reader)(path.c_str());
    SetPumpHook(previous);
    EXPECT_EQ(progress.polls, poll) << "nothing is polled after the stop";
    return Finish(read, pumps);
  }

  // The window's stop: Escape handled in the pump clears AnalysisRunning.
  StoppedRead ReadStoppedAtPump(Reader reader, const std::string& path, int pump) {
    mLog.Clear();
    ClearPlanes();
    int pumps = 0;
    const auto previous = SetPumpHook([&pumps, pump] {
      if (++pumps == pump) AnalysisRunning = 0;
    });
    const bool read = (mData.*reader)(path.c_str());
    SetPumpHook(previous);
    AnalysisRunning = 1;
    return Finish(read, pumps);
  }

  static void ExpectSameRead(const StoppedRead& scripted, const StoppedRead& window) {
    EXPECT_FALSE(scripted.read);
    EXPECT_FALSE(window.read);
    ASSERT_EQ(scripted.lines.size(), window.lines.size());
    for (std::size_t i = 0; i < scripted.lines.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(scripted.lines[i].text, window.lines[i].text);
      EXPECT_EQ(scripted.lines[i].replaceLastLine, window.lines[i].replaceLastLine);
      EXPECT_EQ(scripted.lines[i].colour, window.lines[i].colour);
    }
    EXPECT_EQ(scripted.lines.back().text, kUserStopMessage);
    EXPECT_EQ(scripted.lines.back().colour, kLogRed);
    EXPECT_TRUE(scripted.plane1 == window.plane1);
    EXPECT_TRUE(scripted.plane2 == window.plane2);
  }

  CHIP_DATA mData;
};

TEST_F(JobProgressTest, AScriptedStopEndsTheCellReadersAsTheWindowsStopDoes) {
  const auto chip = MakeChip(synth::ChipKind::kExpression, 100, 12);
  UseChip(chip);
  const auto array = MakeArray(chip);
  struct Case {
    const char* name;
    synth::CelForm form;
    Reader reader;
    // Text files pump every hundredth line and ask for a stop after the first line and
    // after each pump; binary ones do both every row and decode 64 rows at a time.
    int poll;
    const char* lastProgress;
    int cellsRead;
  };
  const Case cases[] = {
      {"text", synth::CelForm::kText, &CHIP_DATA::ReadTextCel, 22, nullptr, 2100},
      {"text stopped at once", synth::CelForm::kText, &CHIP_DATA::ReadTextCel, 1, nullptr, 1},
      {"binary", synth::CelForm::kBinary, &CHIP_DATA::ReadBinaryCel, 46, "      Row 40", 6400},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string path = WriteCel(array, test.form);
    const StoppedRead scripted = ReadStoppedAtPoll(test.reader, path, test.poll);
    // The stop line pumps once more after the pump that brought the stop.
    const StoppedRead window = ReadStoppedAtPump(test.reader, path, scripted.pumps - 1);
    ExpectSameRead(scripted, window);
    // The cells read before the stop hold what a whole read gives them, the rest are
    // untouched.
    ASSERT_TRUE((mData.*test.reader)(path.c_str()));
    int same = 0;
    for (std::size_t i = 0; i < mData.plane1.size(); ++i)
      same += scripted.plane1[i] == mData.plane1[i] ? 1 : 0;
    EXPECT_EQ(same, test.cellsRead);
    if (test.lastProgress != nullptr) {
      const CapturedLine& progress = scripted.lines[scripted.lines.size() - 2];
      EXPECT_EQ(progress.text, test.lastProgress);
      EXPECT_TRUE(progress.replaceLastLine);
    }
  }
}

TEST_F(JobProgressTest, AGeneListRunsAsAnAnalysisAndStopsAtThePollItIsAskedTo) {
  UseChip(MakeChip(synth::ChipKind::kExpression, 20, 10));
  StartGroup(mFolder.Path().string());
  ASSERT_TRUE(ReserveGeneListEntries(Layout.unitCount));
  const std::string path = mFolder.File("list.txt");
  std::ofstream(path) << Layout.units[3].Name() << '\n'
                      << Layout.units[5].Name() << '\n'
                      << Layout.units[7].Name() << '\n';

  ScriptedProgress progress;
  progress.running = false;
  EXPECT_EQ(ReadGeneList(nullptr, path, false), 3);
  EXPECT_FALSE(progress.running) << "the job ended its span";
  EXPECT_EQ(progress.polls, 3);

  progress.polls = 0;
  progress.stopAtPoll = 2;
  mLog.Clear();
  EXPECT_EQ(ReadGeneList(nullptr, path, false), -1);
  EXPECT_EQ(mLog.Lines().back().text, kUserStopMessage);
  EXPECT_TRUE(GeneList.Listed(3) && GeneList.Listed(5));
  EXPECT_FALSE(GeneList.Listed(7)) << "the line after the stop is not read";
}

}  // namespace
