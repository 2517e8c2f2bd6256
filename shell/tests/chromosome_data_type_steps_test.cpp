// Next Data Type through the window, for every method: Analysis/Chromosome gathers a
// generated study whose genome information leaves some markers on no chromosome (as a
// SNP chip's units off the genome are), then the D key and the menu item step through
// every data type the method offers, twice round. Each step shows the type it reached:
// the chromosome data hold it, the view draws it and the status text over a cell names it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <array>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/info/genome_info.hpp"
#include "platform/tests/temp_folder.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/chromosome_study.hpp"
#include "shell/tests/menu_clicks.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"

namespace {

// What each method offers and shows first, written out as the user sees it.
struct MethodCase {
  int method;
  std::vector<int> offered;
  int first;
  bool expressionArrays;
  bool everySampleAlone;  // allele sharing over every pair of samples
};

const std::array<MethodCase, 5> kCases = {{
    {kChroLoh, {0, 1}, 1, false, false},
    {kChroCopyNumber, {0, 1, 2, 3}, 2, false, false},
    {kChroLinkage, {0, 4}, 0, false, false},
    {kChroExpression, {0, 2, 3}, 2, true, false},
    {kChroAlleleSharing, {0, 1, 5}, 5, false, true},
}};

// The next offered type after type, walking 0..5 round.
int NextOffered(const MethodCase& c, int type) {
  for (int step = 1; step <= kChroDataTypeCount; ++step) {
    const int next = (type + step) % kChroDataTypeCount;
    for (const int offered : c.offered)
      if (offered == next) return next;
  }
  return type;
}

// The genome information file without the markers of every tenth line, which then lie on
// no chromosome.
std::string DropMarkers(const std::string& text, int* dropped) {
  std::string kept;
  std::size_t start = 0;
  int line = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string row = text.substr(start, end - start + 1);
    if (line == 0 || line % 10 != 5)
      kept += row;
    else
      ++*dropped;
    ++line;
    start = end + 1;
  }
  return kept;
}

class ChromosomeDataTypeStepsTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    ChromosomeStudy::Clear();
    Layout = CDF_LAYOUT{};
    ArrayType = 0;
    DisplayInferred = true;
  }

  // Installs the study for the case and runs Analysis/Chromosome with its method; the view.
  CChromosomeView* Gather(const MethodCase& c) {
    const ChromosomeStudy study = ChromosomeStudy::Install(
        mFolder, [&c](synth::SnpGroupTruth& g) { g.expression = c.expressionArrays; });
    GroupSettings& settings = TheGroup().Settings();
    if (c.everySampleAlone) {
      std::string list;
      for (const synth::SnpGroupArray& array : study.group.arrays)
        list += array.name + "\nStandardize\n";
      settings.ARRAY_LIST_FILE = mFolder.Write("alone.txt", list);
      SampleGrouping.ReadArrayListFile(settings.ARRAY_LIST_FILE);
    }
    int dropped = 0;
    settings.GENOME_INFO_FILE = mFolder.Write(
        "genome.txt", DropMarkers(synth::SnpGroupGenomeInfoText(study.group), &dropped));
    EXPECT_GT(dropped, 10);
    settings.CHRO_METHOD = c.method;
    settings.PIXEL_WD = 6;
    settings.PIXEL_HT_ = 2;
    settings.PIXEL_HT2 = 8;
    settings.DENDRO_WD = 150;
    settings.DENDRO_HT = 60;
    settings.VIEW_ALL_CHROMOSOME = 0;
    // A fresh window for each method; the old one goes before the log it shows.
    mFrame.reset();
    CMainFrame& frame = OpenFrame();
    prompts.AcceptDialogs();
    EXPECT_TRUE(frame.OnCommand(ids::kChromosome));
    std::vector<std::string> lines = LogLines();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    EXPECT_EQ(lines.back().rfind("Finished in ", 0), 0u) << ::testing::PrintToString(lines);
    // Markers on no chromosome stay out of the order the curves and files walk.
    EXPECT_EQ(genome_info.genomeOrder.size(), static_cast<std::size_t>(genome_info.totalCount));
    auto* view = dynamic_cast<CChromosomeView*>(frame.PaneView());
    EXPECT_NE(view, nullptr);
    if (view != nullptr) view->setFocus();
    QApplication::processEvents();
    return view;
  }

  // The view shows the type: the data hold it, a drawing goes through, and the status text
  // over a data cell names it.
  static void ExpectShown(CChromosomeView& view, int type, const std::string& how) {
    EXPECT_EQ(chromosome.dataType, type) << how;
    EXPECT_EQ(TheGroup().Settings().CHRO_DATA, type) << how << ": the options page edits it";
    QImage image(view.Geometry().picWidth, view.Geometry().picHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      view.Draw(painter);
    }
    view.viewport()->repaint();
    EXPECT_EQ(chromosome.dataType, type) << how << ": a paint keeps an offered type";
    view.verticalScrollBar()->setValue(0);
    view.horizontalScrollBar()->setValue(0);
    const ChromosomeGeometry& g = view.Geometry();
    const QPoint cell = QPoint(g.ColumnX(1) + 1, static_cast<int>(g.RowY(4)) + 1);
    // A pointer that stays put sends no move; it goes there from beside the cell.
    QTest::mouseMove(view.viewport(), cell - view.ScrollOffset() + QPoint(0, 1));
    QTest::mouseMove(view.viewport(), cell - view.ScrollOffset());
    const std::string name = std::string(kChroDataTypeNames[static_cast<std::size_t>(type)]) + ": ";
    EXPECT_NE(view.StatusText().find(name), std::string::npos) << how << ": " << view.StatusText();
  }

  WindowEventPump mPump;
};

TEST_F(ChromosomeDataTypeStepsTest, EveryMethodStepsThroughEachOfItsTypesByKeyAndByMenu) {
  for (const MethodCase& c : kCases) {
    const std::string method(kChroMethodNames[static_cast<std::size_t>(c.method)]);
    SCOPED_TRACE(method);
    CChromosomeView* view = Gather(c);
    ASSERT_NE(view, nullptr);
    ExpectShown(*view, c.first, "after gathering");
    int expected = c.first;
    const int steps = 2 * static_cast<int>(c.offered.size());
    for (int step = 0; step < steps; ++step) {
      expected = NextOffered(c, expected);
      QTest::keyClick(view, Qt::Key_D);
      ExpectShown(*view, expected, "key D, step " + std::to_string(step + 1));
    }
    QAction* item = mFrame->Action(ids::kChroNextDataType);
    ASSERT_NE(item, nullptr);
    for (int step = 0; step < steps; ++step) {
      expected = NextOffered(c, expected);
      EXPECT_TRUE(ChooseMenuItem(*mFrame, item)) << "the item is always enabled";
      ExpectShown(*view, expected, "menu, step " + std::to_string(step + 1));
    }
  }
}

}  // namespace
