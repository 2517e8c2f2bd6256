// The chromosome view under real mouse and key events on a generated SNP study: clicks
// name the cell, keys move, zoom and change the chromosome, reference-gene jumps and the
// sample tree follow their places, and a drag selects markers whose region file reads
// them back.
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <cmath>

#include "genome/jobs/region_clustering.hpp"
#include "shell/tests/chromosome_view_fixture.hpp"
#include "shell/views/chromosome/chromosome_drawing.hpp"

TEST_F(ChromosomeViewTest, ClicksNameTheCellAndKeysMoveZoomAndChangeChromosome) {
  GatherStudy();
  DisplayInferred = false;
  CChromosomeView& view = ShowView();
  view.Relayout();
  view.horizontalScrollBar()->setValue(0);
  view.verticalScrollBar()->setValue(0);
  QApplication::processEvents();
  GroupSettings& settings = TheGroup().Settings();

  // Clicks on cells in view: the status text names the marker, the sample and the value
  // the generated calls give; the cell becomes the selection.
  const ChromosomeGeometry& g = view.Geometry();
  const QPoint offset = view.ScrollOffset();
  for (const int c : {0, 1, 5, g.ColumnCount() - 1}) {
    for (const int r : {3, 40, 90}) {
      const QPoint at(g.ColumnX(c) + 2 - offset.x(), static_cast<int>(g.RowY(r)) - offset.y());
      ASSERT_TRUE(view.viewport()->rect().contains(at)) << r;
      QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
      const int unit = g.rows[At(r)].unit;
      const int sample = g.columns.sampleOfColumn[At(c)];
      const int code = static_cast<int>(std::lround(ShownLohValue(g, c, unit)));
      const std::string& text = view.StatusText();
      EXPECT_NE(text.find("[" + SampleGrouping.SampleName(sample) + "]"), std::string::npos)
          << text;
      EXPECT_NE(text.find("[" + mTruth.markerNames[At(unit)] + ": Chro 1, "), std::string::npos)
          << text;
      EXPECT_NE(text.find("[LOH call: " + std::string(kLohCallNames[At(code)]) + "]"),
                std::string::npos)
          << text;
      EXPECT_EQ(settings.CUR_UNIT, unit);
      EXPECT_EQ(view.SelectedColumn(), c);
      EXPECT_EQ(SampleGrouping.CurrentSample(), sample);
    }
  }

  // The key table, each key with the change it makes.
  struct KeyCase {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::function<bool()> done;
    const char* what;
  };
  const float range = chromosome.Max[kDataLohCall] - chromosome.Min[kDataLohCall];
  const float threshold = chromosome.Threshold[kDataLohCall];
  const std::vector<KeyCase> cases = {
      {Qt::Key_Right,
       {},
       [&] { return settings.PIXEL_WD == 7 && view.Geometry().right == 150 + 7 * g.ColumnCount(); },
       "wider"},
      {Qt::Key_Left, {}, [&] { return settings.PIXEL_WD == 6; }, "narrower"},
      {Qt::Key_Right, Qt::ControlModifier, [&] { return settings.DENDRO_WD == 156; }, "band wider"},
      {Qt::Key_Left, Qt::ControlModifier, [&] { return settings.DENDRO_WD == 150; },
       "band narrower"},
      {Qt::Key_Down, {}, [&] { return settings.PIXEL_HT_ == 3.0f; }, "taller"},
      {Qt::Key_Up, {}, [&] { return settings.PIXEL_HT_ == 2.0f; }, "shorter"},
      {Qt::Key_Down, Qt::ShiftModifier, [&] { return settings.PIXEL_HT2 == 9; }, "info taller"},
      {Qt::Key_Down, Qt::ControlModifier, [&] { return settings.DENDRO_HT == 62; }, "tree taller"},
      {Qt::Key_Right, Qt::ShiftModifier,
       [&] {
         return std::abs(chromosome.Threshold[kDataLohCall] - (threshold + range * 0.01f)) < 1e-6f;
       },
       "threshold up"},
      {Qt::Key_End,
       {},
       [&] { return settings.CHRO_CUR_CHRO == 1 && view.Geometry().RowCount() == 200; },
       "next chromosome"},
      {Qt::Key_Home, {}, [&] { return settings.CHRO_CUR_CHRO == 0; }, "previous chromosome"},
      {Qt::Key_Home,
       {},
       [&] { return settings.CHRO_CUR_CHRO == 2 && view.Geometry().RowCount() == 150; },
       "wraps round"},
      {Qt::Key_End, {}, [&] { return settings.CHRO_CUR_CHRO == 0; }, "wraps back"},
      {Qt::Key_Escape,
       {},
       [&] { return view.SelectedColumn() == -1 && settings.CUR_UNIT == -1; },
       "deselect"},
  };
  for (const KeyCase& k : cases) {
    QTest::keyClick(&view, k.key, k.modifiers);
    EXPECT_TRUE(k.done()) << k.what;
  }
  // Rows below one pixel: Up halves, Down doubles up to one half, then adds one.
  settings.PIXEL_HT_ = 1.0f;
  for (const float expected : {0.5f, 0.25f}) {
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(settings.PIXEL_HT_, expected);
  }
  for (const float expected : {0.5f, 1.0f, 2.0f}) {
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(settings.PIXEL_HT_, expected);
  }
  EXPECT_EQ(view.Geometry().CellHeight(), 2);
  // Proportional zoom, and Show All's Home and End scroll instead of changing chromosome.
  settings.PROPORTIONAL_DIST = 1;
  view.Relayout();
  QTest::keyClick(&view, Qt::Key_Up);
  EXPECT_FLOAT_EQ(settings.PIXEL_KB, 6.0f);
  settings.VIEW_ALL_CHROMOSOME = 1;
  view.Relayout();
  QTest::keyClick(&view, Qt::Key_End);
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 0);
  EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
  // D steps to another data type the method offers.
  const int before = chromosome.dataType;
  QTest::keyClick(&view, Qt::Key_D);
  EXPECT_NE(chromosome.dataType, before);
  EXPECT_TRUE(MethodOffersDataType(chromosome.method, chromosome.dataType));
}

TEST_F(ChromosomeViewTest, RefGeneJumpsAndTheSampleTreeFollowTheirPlaces) {
  GatherStudy();
  CChromosomeView& view = ShowView();
  GroupSettings& settings = TheGroup().Settings();
  // A refGene of the second chromosome: that chromosome by position, the refGene's name
  // in red where its start lies, nothing selected.
  int refGene = -1;
  for (int k = 0; k < refgene_info.refGeneCount && refGene < 0; ++k)
    if (refgene_info.refGenes[At(k)].chro == 1) refGene = k;
  ASSERT_GE(refGene, 0);
  view.GoToRefGene(refGene);
  EXPECT_EQ(settings.CHRO_CUR_CHRO, 1);
  EXPECT_EQ(settings.PROPORTIONAL_DIST, 1);
  EXPECT_EQ(view.SelectedColumn(), -1);
  const ChromosomeGeometry& g = view.Geometry();
  const QImage image = Picture(view);
  const REFGENE_ENTRY& gene = refgene_info.refGenes[At(refGene)];
  const int y = static_cast<int>(g.PositionY(gene.start));
  // Text is smoothed: its strokes are reddish rather than pure red.
  int reddish = 0;
  for (int yy = y; yy < y + g.in.propFontHeight; ++yy) {
    for (int x = 0; x < g.left; ++x) {
      const QRgb p = image.pixel(x, yy);
      reddish += qRed(p) > 180 && qGreen(p) < 120 && qBlue(p) < 120 ? 1 : 0;
    }
  }
  EXPECT_GT(reddish, 3);
  const int scroll = view.verticalScrollBar()->value();
  EXPECT_NEAR(scroll,
              std::clamp(y - view.viewport()->height() / 2, 0, view.verticalScrollBar()->maximum()),
              1);
  // Esc forgets the refGene.
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(refgene_info.lastRefGene, -1);

  // The sample tree: the columns stand in its order, each leaf above the middle of its
  // group's columns with its branch drawn up from there.
  settings.PROPORTIONAL_DIST = 0;
  ShowSampleTree = true;
  ASSERT_TRUE(ClusterSamplesAndRegions());
  view.Relayout();
  const ChromosomeGeometry& t = view.Geometry();
  const OrderedTree& tree = GroupTree();
  EXPECT_EQ(t.columns.groupOrder, tree.order);
  const QImage treeImage = Picture(view);
  for (int leaf = 0; leaf < tree.tree.ItemCount(); ++leaf) {
    const double middle =
        t.columns.groupFirstColumn[At(leaf)] + t.columns.groupSize[At(leaf)] / 2.0;
    EXPECT_NEAR(tree.position[At(leaf)], middle, 1e-3) << leaf;
    const int x = static_cast<int>(t.in.pixelWidth * tree.position[At(leaf)] + t.left);
    EXPECT_GT(CountColour(treeImage, QRect(x - 1, 0, 3, t.in.dendroHeight / 2 + 2), qRgb(0, 0, 0)),
              0)
        << leaf;
  }
}

TEST_F(ChromosomeViewTest, DragSelectsTheMarkersItCrossesAndTheirRegionFileReadsThemBack) {
  GatherStudy();
  CChromosomeView& view = ShowView();
  GroupSettings& settings = TheGroup().Settings();
  const std::string path = File("selected regions.txt");
  // Rows dragged from and to; in Show All the second crosses into the second chromosome
  // (rows from 300), upwards.
  struct DragCase {
    int showAll;
    int from;
    int to;
    int regions;
  };
  for (const DragCase& d : {DragCase{0, 20, 70, 1}, DragCase{0, 140, 139, 1},
                            DragCase{1, 330, 280, 2}, DragCase{1, 5, 5, 0}}) {
    settings.VIEW_ALL_CHROMOSOME = d.showAll;
    view.Relayout();
    const ChromosomeGeometry& g = view.Geometry();
    view.horizontalScrollBar()->setValue(0);
    view.verticalScrollBar()->setValue(static_cast<int>(g.RowY(std::min(d.from, d.to))) - 40);
    QApplication::processEvents();
    const auto cellPoint = [&](int column, int row) {
      return QPoint(g.ColumnX(column) + 1, static_cast<int>(g.RowY(row))) - view.ScrollOffset();
    };
    const QPoint start = cellPoint(2, d.from);
    const QPoint end = cellPoint(5, d.to);
    ASSERT_TRUE(view.viewport()->rect().contains(start) && view.viewport()->rect().contains(end));
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(view.viewport(), (start + end) / 2);
    QTest::mouseMove(view.viewport(), end);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, end);

    const int first = std::min(d.from, d.to);
    const int last = std::max(d.from, d.to);
    const auto stretch = view.SelectedStretch();
    if (d.regions == 0) {
      // A press and release on one row is a click: nothing selected, nothing framed.
      EXPECT_FALSE(stretch.has_value());
      EXPECT_EQ(CountColour(Picture(view), QRect(0, 0, g.picWidth, g.picHeight),
                            Rgb(kSelectedStretchColour)),
                0);
      continue;
    }
    ASSERT_TRUE(stretch.has_value()) << d.from;
    EXPECT_EQ(*stretch, std::make_pair(first, last));
    EXPECT_NE(view.StatusText().find(MessageBuffer("] [Selected %d markers", last - first + 1)),
              std::string::npos)
        << view.StatusText();

    // The frame runs just left of the first column along the selected rows and no further.
    const QImage image = Picture(view);
    const QRect strip(g.left - 4, 0, 4, g.picHeight);
    const int y0 = static_cast<int>(g.RowY(first));
    const int y1 = static_cast<int>(g.RowY(last)) + g.CellHeight();
    for (int y = 0; y < g.picHeight; y += 1) {
      const bool framed = CountColour(image, QRect(strip.left(), y, strip.width(), 1),
                                      Rgb(kSelectedStretchColour)) > 0;
      if (y >= y0 && y < y1) {
        EXPECT_TRUE(framed) << y;
      } else if (y < y0 - 3 || y > y1 + 3) {
        EXPECT_FALSE(framed) << y;
      }
    }

    // The region file read back holds exactly the markers dragged over.
    ASSERT_TRUE(view.WriteSelectedRegions(path));
    ASSERT_TRUE(chro_region.ReadRegionFile(path));
    ASSERT_EQ(chro_region.count, d.regions);
    std::vector<int> dragged;
    for (int r = first; r <= last; ++r) dragged.push_back(g.rows[At(r)].unit);
    std::vector<int> read;
    for (const CHRO_REGION_ITEM& region : chro_region.items) {
      EXPECT_EQ(region.name, genome_info.GetChroName(region.chromosomeIndex) + ":selected");
      const auto& list = genome_info.posList[At(region.chromosomeIndex)];
      for (int k = region.first; k <= region.last; ++k) read.push_back(list[At(k)].index);
    }
    EXPECT_EQ(read, dragged) << d.from << "-" << d.to;
  }
  // Esc drops the stretch; a label cannot add columns to the file.
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_FALSE(view.SelectedStretch().has_value());
  CHRO_REGION_ITEM odd;
  odd.chromosomeIndex = 1;
  odd.begin = 10.5f;
  odd.end = 99.5f;
  odd.name = "a\tb\nc";
  EXPECT_EQ(RegionFileText({odd}), std::string(kRegionFileHeader) + "\n2\t10\t100\ta b c\n");
}
