// Analysis/Genome through the window and the genome view: the dialog filled with real
// clicks and keys, the command's block, the planted stretch found and outlined, every box
// at the pixel its position gives, a genome without chromosomes drawn empty, and the
// mouse and keys on the view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/testing/named_units.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/stretch/gene_stretch.hpp"
#include "shell/dialogs/common/option_fields.hpp"
#include "shell/dialogs/genome/genome_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/tests/compare_sheet_events.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/genome/genome_view.hpp"
#include "tools/synth/gene_stretch_data.hpp"

namespace {

constexpr int kChromosomes = 4;
constexpr int kWidth = 1600;

class GenomeViewTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    synth::StretchGenomeOptions options;
    options.seed = 3;
    options.chromosomes = kChromosomes;
    options.genes = 400;
    options.listed = 60;
    options.longest = 40'000'000;
    options.shortest = 20'000'000;
    options.planted = 12;
    options.plantedSpan = 1'000'000;
    truth = synth::MakeStretchGenome(options);
    names = testing_units::NumberedNames("ps", options.genes);
    testing_units::UseUnitNames(names);
    std::ofstream(File("test genome.txt")) << synth::StretchGenomeInfoText(truth, names);
    std::ofstream(File("list.txt")) << synth::StretchGeneListText(truth, names);
    GroupSettings& settings = TheGroup().Settings();
    settings.GENOME_INFO_FILE = File("test genome.txt");
    settings.GENE_LIST_FILE = File("list.txt");
    settings.CHRO_PVALUE = 0.001;
    settings.OUTLINE_GENE_STRETCH = 1;
    settings.PIC_WD = kWidth;
    settings.PIC_HT = 100;  // raised to 600 by the view
    settings.CUR_UNIT = -1;
  }
  void TearDown() override {
    genome_info.Clear();
    gene_stretches.Clear();
    GeneList = GENE_LIST{};
    ShellTest::TearDown();
    Layout = CDF_LAYOUT{};
  }

  // Runs the command with the dialog's OK pressed as it stands.
  void RunGenome(CMainFrame& frame) {
    prompts.dialogAnswer = [](QDialog& dialog) {
      dialog.show();
      PressOk(dialog);
      return dialog.result();
    };
    ASSERT_TRUE(frame.OnCommand(ids::kGenome));
  }
  static void PressOk(QDialog& dialog) {
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
  }
  CGenomeView& ShownView(CMainFrame& frame) {
    QApplication::processEvents();
    auto* view = dynamic_cast<CGenomeView*>(frame.RightViews(VIEW_GENOME));
    EXPECT_NE(view, nullptr);
    return *view;
  }
  std::string Status() const { return mFrame->StatusPaneText(0).toStdString(); }
  std::string LastLogLine() const {
    std::vector<std::string> lines = LogLines();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines.empty() ? std::string() : lines.back();
  }

  // The chromosome's length as the reader takes it: its farthest unit.
  double Length(int chro) const {
    int longest = 0;
    for (std::size_t g = 0; g < truth.chro.size(); ++g)
      if (truth.chro[g] == chro) longest = std::max(longest, truth.pos[g]);
    return longest;
  }
  // Where the gene's box starts, from the picture size alone: left margin 40, unit width
  // 2, one row per chromosome, bars a third of a row, '+' above the line.
  QPoint BoxCorner(int gene, int width, int height) const {
    const auto g = static_cast<std::size_t>(gene);
    const int plot = width - 43;
    const int row = height / kChromosomes;
    const int x =
        static_cast<int>(static_cast<double>(plot) * truth.pos[g] / Length(truth.chro[g]) + 40);
    int y = truth.chro[g] * row + row / 2;
    if (truth.strand[g] == '+') y -= row / 3;
    return {x, y + 1};
  }
  static QImage Draw(CGenomeView& view) {
    const PictureExport picture = view.ExportPicture();
    QImage image(picture.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.draw(painter);
    return image;
  }

  synth::StretchGenome truth;
  std::vector<std::string> names;
};

TEST_F(GenomeViewTest, DialogCommandAndPlantedStretch) {
  CMainFrame& frame = OpenFrame();
  frame.UpdateCommandUi();
  ASSERT_TRUE(frame.Action(ids::kGenome)->isEnabled());

  // The dialog: a threshold above 1 is refused and the dialog stays; the outline is
  // switched off and on by clicks.
  std::vector<std::string> shown;
  prompts.dialogAnswer = [&](QDialog& dialog) {
    dialog.show();
    auto* genome = Control<QPushButton>(dialog, GenomeDialog::kGenomeInfoButton);
    auto* list = Control<QPushButton>(dialog, GenomeDialog::kGeneListButton);
    auto* outline = Control<QCheckBox>(dialog, GenomeDialog::kOutlineStretch);
    auto* threshold = Control<QLineEdit>(dialog, GenomeDialog::kPValueThreshold);
    shown = {genome->text().toStdString(), list->text().toStdString(),
             threshold->text().toStdString()};
    EXPECT_TRUE(list->isEnabled()) << "no gene tree";
    EXPECT_TRUE(outline->isChecked());
    compare_events::Click(*outline);
    compare_events::Type(*threshold, "1.5");
    PressOk(dialog);
    EXPECT_TRUE(dialog.isVisible());
    compare_events::Click(*outline);
    compare_events::Type(*threshold, "0.0001");
    PressOk(dialog);
    return dialog.result();
  };
  std::size_t before = LogLines().size();
  ASSERT_TRUE(frame.OnCommand(ids::kGenome));
  EXPECT_EQ(shown, std::vector<std::string>({File("test genome.txt"), File("list.txt"), "0.001"}));
  EXPECT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), 1);
  EXPECT_EQ(TheGroup().Settings().CHRO_PVALUE, 0.0001);
  EXPECT_EQ(TheGroup().Settings().OUTLINE_GENE_STRETCH, 1);

  std::vector<std::string> lines = LogLines();
  ASSERT_GT(lines.size(), before + 3);
  EXPECT_EQ(lines[before], "{Map genes to chromosome");
  EXPECT_EQ(LastLogLine(), "Finished}");
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("significant stretches found at 0.000100 level") != std::string::npos;
  }));
  // The planted crowd is a stretch holding every planted gene.
  bool planted = false;
  for (int k = 0; k < gene_stretches.stretchCount; ++k) {
    const GENE_STRETCH& s = gene_stretches.stretches[static_cast<std::size_t>(k)];
    bool all = s.chro == truth.plantedChro;
    for (const int g : truth.plantedGenes)
      all = all && truth.pos[static_cast<std::size_t>(g)] >= s.start &&
            truth.pos[static_cast<std::size_t>(g)] <= s.end;
    planted = planted || all;
  }
  EXPECT_TRUE(planted);
  EXPECT_EQ(frame.CurrentViewIndex(), VIEW_GENOME);
  EXPECT_NE(dynamic_cast<CGenomeView*>(frame.PaneView()), nullptr);

  // Run again, with a genome information file the reader refuses: one "Genome" item
  // still, and the block ends "Not completed}".
  RunGenome(frame);
  const auto items = TopLevelLabels(frame.LeftView());
  EXPECT_EQ(std::count(items.begin(), items.end(), "Genome"), 1);
  TheGroup().Settings().GENOME_INFO_FILE = File("list.txt");
  RunGenome(frame);
  EXPECT_EQ(LastLogLine(), "Not completed}");
}

TEST_F(GenomeViewTest, BoxesWhereTheirPositionsPutThemAndEmptyGenome) {
  CMainFrame& frame = OpenFrame();
  RunGenome(frame);
  CGenomeView& view = ShownView(frame);
  EXPECT_EQ(TheGroup().Settings().PIC_HT, 600);
  const QImage image = Draw(view);
  ASSERT_EQ(image.size(), QSize(kWidth, 600));
  // Every listed gene's box is black at its corner (the planted ones among them), or blue
  // where a stretch's outline runs over it.
  ASSERT_GT(gene_stretches.stretchCount, 0);
  auto endOfStretch = [](int pos) {
    for (int k = 0; k < gene_stretches.stretchCount; ++k) {
      const GENE_STRETCH& s = gene_stretches.stretches[static_cast<std::size_t>(k)];
      if (static_cast<float>(pos) == s.start || static_cast<float>(pos) == s.end) return true;
    }
    return false;
  };
  int listedChecked = 0;
  int blue = 0;
  for (std::size_t g = 0; g < truth.chro.size(); ++g) {
    if (!truth.listed[g]) continue;
    const QPoint corner = BoxCorner(static_cast<int>(g), kWidth, 600);
    for (const QPoint p : {corner, corner + QPoint(1, 20)}) {
      const QRgb seen = image.pixel(p);
      if (seen == qRgb(0, 0, 255) && endOfStretch(truth.pos[g])) {
        ++blue;
        continue;
      }
      EXPECT_EQ(seen, qRgb(0, 0, 0)) << names[g];
    }
    ++listedChecked;
  }
  EXPECT_GT(blue, 0) << "the outline runs over the stretches' end genes";
  EXPECT_EQ(listedChecked, 60);
  // An unlisted gene far from any listed one is grey.
  int greyChecked = 0;
  for (std::size_t g = 0; g < truth.chro.size(); ++g) {
    if (truth.listed[g]) continue;
    const QPoint corner = BoxCorner(static_cast<int>(g), kWidth, 600);
    bool alone = true;
    for (std::size_t h = 0; h < truth.chro.size(); ++h)
      if (truth.listed[h] && truth.chro[h] == truth.chro[g] && truth.strand[h] == truth.strand[g] &&
          std::abs(BoxCorner(static_cast<int>(h), kWidth, 600).x() - corner.x()) < 3)
        alone = false;
    if (!alone) continue;
    EXPECT_EQ(image.pixel(corner), qRgb(200, 200, 200)) << names[g];
    ++greyChecked;
  }
  EXPECT_GT(greyChecked, 100);
  SaveScreenshot(image, "genome_view_picture.png");
  frame.LeftView().expandAll();
  SaveScreenshot(frame.grab().toImage(), "genome_view.png");

  // A genome without chromosomes: the frame and nothing else.
  genome_info.Clear();
  const QImage empty = Draw(view);
  int inked = 0;
  for (int y = 1; y < empty.height() - 1; ++y)
    for (int x = 1; x < empty.width() - 1; ++x) inked += empty.pixel(x, y) != qRgb(255, 255, 255);
  EXPECT_EQ(inked, 0);
  EXPECT_EQ(empty.pixel(0, 0), qRgb(0, 0, 0));
}

TEST_F(GenomeViewTest, HoverClickKeysAndStretchText) {
  CMainFrame& frame = OpenFrame();
  RunGenome(frame);
  CGenomeView& view = ShownView(frame);
  view.viewport()->repaint();
  QWidget* window = view.viewport();
  const int planted = truth.plantedGenes[0];
  const QPoint corner = BoxCorner(planted, kWidth, 600);
  view.verticalScrollBar()->setValue(std::max(0, corner.y() - 50));
  view.horizontalScrollBar()->setValue(std::max(0, corner.x() - 50));
  QApplication::processEvents();
  const QPoint at = corner + QPoint(1, 3) - view.ScrollPosition();
  QTest::mouseMove(window, at);
  // Units under the pointer are tried from the last hit on; the planted gene's box may
  // overlap a neighbour's, so the one named must be a gene whose box holds the point.
  const std::string status = Status();
  bool named = false;
  for (std::size_t g = 0; g < truth.chro.size(); ++g) {
    const QPoint c = BoxCorner(static_cast<int>(g), kWidth, 600);
    const QRect hit(c.x() - 2, c.y() - 2, 6, 600 / kChromosomes / 3 - 1 + 4);
    if (hit.contains(corner + QPoint(1, 3)) &&
        status == "[" + names[g] + ", ] [Pos " + std::to_string(truth.pos[g]) + ", ]")
      named = true;
  }
  EXPECT_TRUE(named) << status;

  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
  const int current = TheGroup().Settings().CUR_UNIT;
  ASSERT_GE(current, 0);
  EXPECT_EQ(truth.chro[static_cast<std::size_t>(current)],
            truth.chro[static_cast<std::size_t>(planted)]);
  EXPECT_LE(std::abs(BoxCorner(current, kWidth, 600).x() - corner.x()), 4);

  // Off every box but inside the outline of the stretch that holds the planted genes: the
  // first stretch whose outline (by the picture's arithmetic) holds the point answers.
  const int row = 600 / kChromosomes;
  const int line = truth.plantedChro * row + row / 2;
  const double length = Length(truth.plantedChro);
  auto outline = [&](const GENE_STRETCH& s) {
    return std::pair{static_cast<int>(40 + (kWidth - 43) * s.start / length),
                     static_cast<int>(40 + (kWidth - 43) * s.end / length + 2)};
  };
  const GENE_STRETCH* crowd = nullptr;
  for (int k = 0; k < gene_stretches.stretchCount; ++k) {
    const GENE_STRETCH& s = gene_stretches.stretches[static_cast<std::size_t>(k)];
    bool all = s.chro == truth.plantedChro;
    for (const int g : truth.plantedGenes)
      all = all && truth.pos[static_cast<std::size_t>(g)] >= s.start &&
            truth.pos[static_cast<std::size_t>(g)] <= s.end;
    if (all) crowd = &s;
  }
  ASSERT_NE(crowd, nullptr);
  const auto [x1, x2] = outline(*crowd);
  const int left = view.ScrollPosition().x();
  const int right = left + view.viewport()->width();
  int hovered = -1;
  std::string stretchText;
  for (int x = std::max(x1, left); x < std::min(x2, right) && hovered < 0; ++x) {
    bool free = true;
    for (std::size_t g = 0; g < truth.chro.size(); ++g)
      if (truth.chro[g] == truth.plantedChro &&
          std::abs(BoxCorner(static_cast<int>(g), kWidth, 600).x() + 1 - x) < 5)
        free = false;
    if (!free) continue;
    QTest::mouseMove(window, QPoint(x, line) - view.ScrollPosition());
    stretchText = Status();
    hovered = x;
  }
  ASSERT_GE(hovered, 0) << "a free point inside the outline";
  std::string expected;
  for (int k = 0; k < gene_stretches.stretchCount && expected.empty(); ++k) {
    const GENE_STRETCH& s = gene_stretches.stretches[static_cast<std::size_t>(k)];
    const auto [a, b] = outline(s);
    if (s.chro == truth.plantedChro && hovered >= a && hovered < b)
      expected = MessageBuffer("PValue: %.3f, Proportion Distance: %.3f",
                               static_cast<double>(s.pValue), static_cast<double>(s.proportion));
  }
  EXPECT_EQ(stretchText, expected);

  // Find Gene's jump: a unit without a position is refused with a message; another
  // becomes current with its box's corner scrolled to the middle of the window.
  genome_info.Unit[0].chro = -1;
  view.JumpToUnit(0);
  ASSERT_EQ(prompts.CountOf(RecordedPrompt::Kind::kMessage), 1);
  EXPECT_EQ(prompts.prompts.back().text,
            "Gene ps0 [] not mapped to a chromosomal positionfor clustering");
  const int target = truth.plantedGenes.back();
  view.JumpToUnit(target);
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, target);
  const QPoint box = BoxCorner(target, kWidth, 600);
  auto centred = [](int edge, int side, const QScrollBar* bar) {
    return std::clamp(edge - side / 2, 0, bar->maximum());
  };
  EXPECT_GT(view.horizontalScrollBar()->value(), 0) << "the planted genes lie right of the middle";
  EXPECT_EQ(view.horizontalScrollBar()->value(),
            centred(box.x(), view.viewport()->width(), view.horizontalScrollBar()));
  EXPECT_EQ(view.verticalScrollBar()->value(),
            centred(box.y(), view.viewport()->height(), view.verticalScrollBar()));

  // Keys: the picture grows by 1.2 and 6 with Ctrl, never shrinks below 600; Esc drops
  // the current unit.
  QTest::keyClick(&view, Qt::Key_Right);
  EXPECT_EQ(TheGroup().Settings().PIC_WD, 1920);
  QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(TheGroup().Settings().PIC_HT, 3600);
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 3600 - view.viewport()->height());
  QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
  QTest::keyClick(&view, Qt::Key_Up);
  EXPECT_EQ(TheGroup().Settings().PIC_WD, 600);
  EXPECT_EQ(TheGroup().Settings().PIC_HT, 3000);
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(TheGroup().Settings().CUR_UNIT, -1);
}

TEST_F(GenomeViewTest, DialogScreenshot) {
  GenomeDialog dialog(TheGroup().Settings(), nullptr);
  CheckScreenshot(dialog, "genome_dialog.png", QStringLiteral("P value threshold:"));
}

}  // namespace
