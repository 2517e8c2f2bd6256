// The filtering commands from the menu through their dialogs to the engines and back into
// the log: enabled only when the group can be filtered, a cancelled dialog leaves nothing,
// a run leaves its engine's block and file, a refused run its closing line.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>

#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/testing/named_units.hpp"
#include "genome/info/snp_info.hpp"
#include "platform/path.hpp"
#include "shell/dialogs/filter_snp_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/shell_test.hpp"

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

class FilterCommandsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    mPreviousPump = SetPumpHook([] { QCoreApplication::processEvents(); });
    TheGroup().SetName("mice");
    TheGroup().Settings().WORKING_DIR = Folder();
  }
  void TearDown() override {
    SetPumpHook(mPreviousPump);
    snp_info_table.Clear();
    SampleGrouping.ClearSelection();
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
  }

  // The lines written since `from`, each with the colour of its first character.
  std::vector<std::pair<std::string, QColor>> LinesFrom(std::size_t from) const {
    std::vector<std::pair<std::string, QColor>> lines;
    const std::vector<std::string> all = LogLines();
    for (std::size_t i = from; i < all.size(); ++i)
      lines.emplace_back(all[i], all[i].empty() ? QColor() : LineColour(static_cast<int>(i)));
    return lines;
  }

  void ReadList(const char* text) {
    std::ofstream(File("arrays.txt"), std::ios::binary) << text;
    SampleGrouping.ReadArrayListFile(File("arrays.txt"));
  }

  std::function<void()> mPreviousPump;
};

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(FilterCommandsTest, FilterSnpsAsksForItsLimitsFirst) {
  // Calls per array (0 AA, 1 BB): U0 agrees everywhere, U1 once not, U2 twice not.
  testing_units::UseUnitNames({"U0", "U1", "U2"});
  ArrayType = 1;
  const std::vector<std::vector<char>> calls = {{0, 0, 0}, {0, 1, 1}, {0, 1, 0}, {0, 1, 1}};
  for (std::size_t a = 0; a < calls.size(); ++a) {
    ArraySlot& slot = TheGroup().NextArraySlot();
    slot.name = "A" + std::to_string(a + 1);
    slot.calls = calls[a];
    ASSERT_TRUE(TheGroup().CountArray());
  }
  std::ofstream(File("snp.txt"), std::ios::binary)
      << "Probe Set\tdbSNP\tSecond\tFragment Length Start Stop\tAsian\tAfrican "
         "American\tCaucasian\nU0\ta\t\t300\nU1\tb\t\t300\nU2\tc\t\t300\n";
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  EXPECT_FALSE(frame.Action(ids::kFilterSnps)->isEnabled()) << "no SNP information yet";
  ASSERT_TRUE(ReadSnpInfoFile(File("snp.txt")));
  ReadList("A1\nA2\nStandardize\nA3\nA4\n");
  TheGroup().Settings().FILTER_OUTPUT_LIST = "";
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kFilterSnps)->isEnabled());

  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kFilterSnps));
  EXPECT_EQ(LogLines().size(), before) << "a cancelled dialog leaves no block";

  MaxFragmentLength = 1000;
  prompts.dialogAnswer = [](QDialog& dialog) {
    dialog.show();
    compare_events::Type(*Control<QLineEdit>(dialog, FilterSnpDialog::kCallRate), "60");
    dialog.accept();
    return dialog.result();
  };
  ASSERT_TRUE(frame.OnCommand(ids::kFilterSnps));
  const std::string list = platform::JoinPath(Folder(), "mice filtered SNP.xls");
  EXPECT_EQ(TheGroup().Settings().FILTER_OUTPUT_LIST, list);
  EXPECT_EQ(ReadWhole(list),
            "probe set\tfragment_length\tcall_rate\nU0\t300\t1\nU1\t300\t0.75\n"
            "[Filtering criteria: fragment length <= 1000, call rate >= 60%]\n");
  auto lines = LinesFrom(before);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), std::make_pair(std::string("{Filter SNPs by quality..."), kBlue));
  EXPECT_EQ(lines[lines.size() - 2], std::make_pair(std::string("Finished}"), kBlue));
  EXPECT_EQ(AnalysisRunning, 0);

  // One sample group gives nothing to compare the calls within.
  ReadList("A1\nA2\nA3\nA4\n");
  before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kFilterSnps));
  lines = LinesFrom(before);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], std::make_pair(std::string("Not finished}"), kRed));
}

}  // namespace
