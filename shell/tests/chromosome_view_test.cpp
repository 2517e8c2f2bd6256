// The chromosome view's pictures on a generated SNP study: the planted loss drawn in the
// loss colour at the cells the geometry gives, the significant regions marked on their
// rows, the ideogram's bands at their positions, part of the picture drawn as the whole
// draws it, degenerate data drawn as an empty or partial picture, and screenshots.
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <cmath>

#include "engine/base/value_triple.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "platform/parallel_tasks.hpp"
#include "shell/tests/chromosome_view_fixture.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/views/chromosome/chromosome_drawing.hpp"
#include "shell/views/chromosome/chromosome_layout.hpp"

TEST_F(ChromosomeViewTest, PlantedLossAndSignificantRegionsAreDrawnWhereTheGeometrySays) {
  GatherStudy();
  DisplayInferred = false;
  CChromosomeView& view = ShowView();
  view.Relayout();
  const ChromosomeGeometry& g = view.Geometry();
  ASSERT_EQ(g.ColumnCount(), chromosome.sampleCount);
  ASSERT_EQ(g.RowCount(), Plan().markersPerChro[0]);
  const QImage image = Picture(view);

  // Every cell of every pair: the colour of the code its generated calls give, or
  // nothing for no call; a sample alone in the colour of its retention chance.
  int lossInside = 0;
  int lossOutside = 0;
  for (int c = 0; c < g.ColumnCount(); ++c) {
    const int group = g.columns.groupOfColumn[At(c)];
    const int first = g.columns.groupFirstColumn[At(group)];
    const bool lossPair =
        g.columns.groupSize[At(group)] == 2 &&
        SampleGrouping.GetSampleArray(g.columns.sampleOfColumn[At(first + 1)]) == kLossArray;
    for (int r = 0; r < g.RowCount(); ++r) {
      const int unit = g.rows[At(r)].unit;
      const float v = ShownLohValue(g, c, unit);
      const QRgb expected =
          v == static_cast<float>(kLohNoCall) ? qRgb(255, 255, 255) : Rgb(LohColor(v, false));
      const QPoint at(g.ColumnX(c) + 1, static_cast<int>(g.RowY(r)));
      ASSERT_EQ(image.pixel(at), expected) << "column " << c << " marker " << unit;
      if (v != static_cast<float>(kLohLoss) || !lossPair) continue;
      (unit >= kLossFirst && unit <= kLossLast ? lossInside : lossOutside) += 1;
    }
  }
  // About half the markers are heterozygous in the normal; all of those lose an allele.
  EXPECT_GT(lossInside, (kLossLast - kLossFirst) / 4);
  EXPECT_EQ(lossOutside, 0);

  // The significant regions the gathering found (those the region summary writes) are
  // marked on their rows beside the curve, and no other row is.
  ASSERT_GT(chromosome.regionCount, 0);
  const int barX = g.CurveLeft() + g.CurveWidth() - 2;
  std::vector<bool> marked(At(g.RowCount()), false);
  bool coversLoss = false;
  for (int k = 0; k < chromosome.regionCount; ++k) {
    const ChroRegion& region = chromosome.regions[At(k)];
    if (region.chro != 0) continue;
    for (int i = region.first; i <= region.last; ++i) marked[At(i)] = true;
    coversLoss = coversLoss || (region.first <= kLossLast && region.last >= kLossFirst);
  }
  EXPECT_TRUE(coversLoss);
  const int type = chromosome.dataType;
  const int thresholdX = CurveX(chromosome.Threshold[At(type)], chromosome.Min[At(type)],
                                chromosome.Max[At(type)], g.CurveLeft(), g.CurveWidth());
  for (int r = 0; r < g.RowCount(); ++r) {
    const bool red =
        image.pixel(barX, static_cast<int>(g.RowY(r))) == Rgb(kSignificantRegionColour);
    if (marked[At(r)] || thresholdX != barX) {
      EXPECT_EQ(red, marked[At(r)]) << r;
    }
  }
}

// Every cell's pixels against the cell routine: on each pixel line of a column, the
// colours of the last painted marker among the rows the geometry puts on that line, or
// nothing. LOH and SNP calls, inferred and observed copy numbers and log2 ratios, with rows
// of 2 pixels and of 0.3 pixel, one chromosome and all. Copy number 0 (drawn white) and
// missing values are planted in stretches, so that whole lines show an earlier marker
// or stay white.
TEST_F(ChromosomeViewTest, EveryCellShowsTheLastPaintedMarkerOfItsPixelLine) {
  struct Case {
    int method;
    int dataType;
    bool inferred;
  };
  const Case cases[] = {{kChroLoh, kDataLohCall, true},
                        {kChroLoh, kDataLohCall, false},
                        {kChroLoh, kDataCall, true},
                        {kChroCopyNumber, kDataCopyNumber, true},
                        {kChroCopyNumber, kDataCopyNumber, false},
                        {kChroCopyNumber, kDataLog2Ratio, false}};
  GatherStudy();
  CChromosomeView& view = ShowView();
  GroupSettings& settings = TheGroup().Settings();
  // Sample names that follow the scroll position would lie over the cells.
  settings.SAMPLE_NAME_VISIBLE = 0;
  int gathered = kChroLoh;
  for (const Case& k : cases) {
    if (k.method != gathered) {
      settings.CHRO_METHOD = gathered = k.method;
      ASSERT_TRUE(chromosome.GetData());
      // Stretches of zero copies and of missing values, broken by a painted marker now
      // and then.
      for (int s = 0; s < chromosome.sampleCount; ++s) {
        for (int u = 0; u < chromosome.unitCount; ++u) {
          const int phase = (u + 13 * s) % 97;
          if (phase >= 40) continue;
          const bool zero = phase < 30 && u % 11 != 0;
          chromosome.inferred.Row(s)[u] = zero ? 0.0f : kMissingValueFloat;
          chromosome.signal.Row(s)[u] = zero ? 0.0f : kMissingValueFloat;
        }
      }
    }
    DisplayInferred = k.inferred;
    chromosome.dataType = k.dataType;
    for (const int showAll : {0, 1}) {
      for (const float height : {2.0f, 0.3f}) {
        settings.VIEW_ALL_CHROMOSOME = showAll;
        settings.PIXEL_HT_ = height;
        view.Relayout();
        ASSERT_EQ(chromosome.dataType, k.dataType);
        const ChromosomeGeometry& g = view.Geometry();
        // The columns' cells are split among threads: one thread draws the same picture.
        platform::LimitWorkerThreads(1);
        const QImage single = Picture(view);
        platform::LimitWorkerThreads(0);
        const QImage image = Picture(view);
        ASSERT_TRUE(image == single) << k.dataType << " " << showAll << " " << height;
        const CellStyle style = CurrentCellStyle();
        int painted = 0;
        int white = 0;
        int fallThrough = 0;
        // In Show All a line across the columns ends each chromosome.
        std::vector<bool> endLine(At(g.bottom + 2), false);
        for (int r = 1; r < g.RowCount(); ++r) {
          if (g.rows[At(r)].chro != g.rows[At(r - 1)].chro)
            endLine[At(static_cast<int>(g.RowY(r - 1) + std::max(1.0, g.RowHeight())))] = true;
        }
        for (int c = 0; c < g.ColumnCount(); ++c) {
          for (int r = 0; r < g.RowCount();) {
            const int y = static_cast<int>(g.RowY(r));
            int end = r;
            while (end + 1 < g.RowCount() && static_cast<int>(g.RowY(end + 1)) == y) ++end;
            CellColours expected;
            for (int k2 = end; k2 >= r && !expected.halves.painted; --k2) {
              expected = ChromosomeCellColour(g, k2, c, style);
              fallThrough += expected.halves.painted && k2 < end ? 1 : 0;
            }
            if (endLine[At(y)]) {
              r = end + 1;
              continue;
            }
            const int x0 = g.ColumnX(c);
            const int x1 = x0 + g.CellWidth(c) - 1;
            const QRgb left =
                expected.halves.painted ? Rgb(expected.halves.left) : qRgb(255, 255, 255);
            const QRgb right =
                expected.halves.painted ? Rgb(expected.halves.right) : qRgb(255, 255, 255);
            ASSERT_EQ(image.pixel(x0, y), left)
                << "type " << k.dataType << " column " << c << " rows " << r << "-" << end;
            ASSERT_EQ(image.pixel(x1, y), right)
                << "type " << k.dataType << " column " << c << " rows " << r << "-" << end;
            (expected.halves.painted ? painted : white) += 1;
            r = end + 1;
          }
        }
        // Both kinds of line are there, and copy numbers fall through white markers.
        EXPECT_GT(painted, g.ColumnCount()) << k.dataType;
        if (k.method == kChroCopyNumber && k.dataType == kDataCopyNumber) {
          EXPECT_GT(white, 0) << k.inferred << " " << height;
          if (height < 1) {
            EXPECT_GT(fallThrough, g.ColumnCount()) << k.inferred;
          }
        }
      }
    }
  }
  // Rows by position keep a sample's columns on one thread; a thread per sample or one
  // for all draw the same.
  settings.PROPORTIONAL_DIST = 1;
  settings.PIXEL_KB = 40;
  for (const int type : {kDataCopyNumber, kDataLog2Ratio}) {
    chromosome.dataType = type;
    for (const int showAll : {0, 1}) {
      settings.VIEW_ALL_CHROMOSOME = showAll;
      view.Relayout();
      platform::LimitWorkerThreads(1);
      const QImage single = Picture(view);
      platform::LimitWorkerThreads(0);
      EXPECT_TRUE(Picture(view) == single) << type << " " << showAll;
    }
  }
}

// A scan along a pixel line passes white copy numbers without their colour: at the edge
// of white for many display ranges, either sign, both colour scales and values that are
// not numbers, the line shows what the cell colour says.
TEST_F(ChromosomeViewTest, ALineScanPassesExactlyTheCopyNumbersDrawnWhite) {
  ChroTables tables;
  tables.inferred = true;
  constexpr int kUnits = 2;
  ASSERT_TRUE(chromosome.Allocate(1, kUnits, tables));
  chromosome.dataType = kDataCopyNumber;
  chromosome.displayInferred = true;
  const int units[kUnits] = {0, 1};
  chromosome.inferred.Row(0)[0] = 1.0f;
  int whiteSeen = 0;
  int paintedSeen = 0;
  for (const double range : {2.0, 0.5, 3.7, 1e-3, 255.0, 0.0, -1.0}) {
    for (const bool greenRed : {false, true}) {
      CellStyle style;
      style.dataType = kDataCopyNumber;
      style.displayInferred = true;
      style.displayRange = range;
      style.greenRed = greenRed;
      const CellReader reader(CellSource{0, 0, 0}, style);
      // Values about the size where the strength turns 1, a few floats either side.
      std::vector<float> values = {0.0f, -0.0f, 1e-30f, kMissingValueFloat, NAN, INFINITY};
      const float edge = static_cast<float>(std::fabs(range) / 510);
      for (float v = edge, k = 0; k < 6; ++k) v = std::nextafter(v, 0.0f), values.push_back(v);
      for (float v = edge, k = 0; k < 6; ++k) v = std::nextafter(v, 1.0f), values.push_back(v);
      values.push_back(edge);
      for (const float v : std::vector<float>(values)) values.push_back(-v);
      for (const float v : values) {
        chromosome.inferred.Row(0)[1] = v;
        const CellColours cell = reader.At(1);
        CellColours line;
        const int shown = reader.LastPainted(units, 0, 1, &line);
        ASSERT_EQ(shown, cell.halves.painted ? 1 : 0) << range << " " << greenRed << " " << v;
        const CellColours expected = cell.halves.painted ? cell : reader.At(0);
        EXPECT_EQ(line.halves.left, expected.halves.left) << range << " " << v;
        (cell.halves.painted ? paintedSeen : whiteSeen) += 1;
      }
    }
  }
  // The edge was straddled.
  EXPECT_GT(whiteSeen, 20);
  EXPECT_GT(paintedSeen, 20);
}

TEST_F(ChromosomeViewTest, IdeogramBandsSitAtTheirPositionsInProportionalMode) {
  GatherStudy();
  TheGroup().Settings().PROPORTIONAL_DIST = 1;
  CChromosomeView& view = ShowView();
  view.Relayout();
  const ChromosomeGeometry& g = view.Geometry();
  ASSERT_TRUE(g.in.proportional);
  const QImage image = Picture(view);
  const int x = g.in.pixelWidth + g.bandWidth / 2;
  int checked = 0;
  for (const synth::Cytoband& band : mBands) {
    if (band.chro != 0) continue;
    const int y0 = static_cast<int>(g.PositionY(band.start));
    const int y1 = static_cast<int>(g.PositionY(band.end));
    ASSERT_GT(y1 - y0, 6) << band.band;
    // The band's upper boundary line, and its fill in the middle.
    EXPECT_EQ(image.pixel(x, y0), qRgb(0, 0, 0)) << band.band;
    const QRect inside(g.in.pixelWidth + 1, y0 + 1, g.bandWidth - 1, y1 - y0 - 1);
    if (band.stain == "acen") {
      EXPECT_GT(CountColour(image, inside, qRgb(0, 0, 0)), 0) << band.band;
      EXPECT_GT(CountColour(image, inside, qRgb(255, 255, 255)), 0) << band.band;
    } else {
      int grey = 255;
      if (band.stain.size() > 1 && band.stain[1] == 'p')
        grey = static_cast<int>(255 - std::atoi(band.stain.c_str() + 4) * 2.55);
      EXPECT_EQ(CountColour(image, inside, qRgb(grey, grey, grey)),
                inside.width() * inside.height())
          << band.band << " " << band.stain;
    }
    ++checked;
  }
  EXPECT_GE(checked, 6);
  // The markers sit at their positions too: the first row lies at its position's y.
  EXPECT_EQ(g.RowAt(g.PositionY(g.rows[0].offsetPos)), 0);
}

TEST_F(ChromosomeViewTest, PartOfThePictureIsDrawnAsTheWholeDrawsIt) {
  GatherStudy();
  CChromosomeView& view = ShowView();
  for (const int showAll : {0, 1}) {
    TheGroup().Settings().VIEW_ALL_CHROMOSOME = showAll;
    TheGroup().Settings().PIXEL_HT_ = showAll != 0 ? 0.4f : 2.0f;
    view.Relayout();
    const ChromosomeGeometry& g = view.Geometry();
    const QImage whole = Picture(view);
    // A window over the cells and the curve, half-way down.
    const QRect area(g.left + 7, g.top + (g.bottom - g.top) / 3,
                     g.CurveLeft() + g.CurveWidth() - g.left, (g.bottom - g.top) / 3);
    QImage part(area.size(), QImage::Format_RGB32);
    part.fill(Qt::white);
    {
      QPainter painter(&part);
      painter.translate(-area.topLeft());
      view.Draw(painter, area);
    }
    int differ = 0;
    for (int y = 0; y < area.height(); ++y)
      for (int x = 0; x < area.width(); ++x)
        differ += part.pixel(x, y) != whole.pixel(area.left() + x, area.top() + y) ? 1 : 0;
    EXPECT_EQ(differ, 0) << "show all " << showAll;
    // Rows and pixels agree both ways.
    for (int r = 0; r < g.RowCount(); r += 7) {
      const int y = static_cast<int>(std::ceil(g.RowY(r)));
      if (static_cast<int>(g.RowY(r + 1)) > y) {
        EXPECT_EQ(g.RowAt(y), r) << r;
      }
    }
  }
}

TEST_F(ChromosomeViewTest, DegenerateDataDrawsAnEmptyOrPartialPictureWithoutPumping) {
  GatherStudy();
  CChromosomeView& view = ShowView();
  GroupSettings& settings = TheGroup().Settings();
  const auto cellsPainted = [&view](const QImage& image) {
    const ChromosomeGeometry& g = view.Geometry();
    const QRect cells(g.left, g.top, g.right - g.left, g.bottom - g.top);
    return cells.width() * cells.height() - CountColour(image, cells, qRgb(255, 255, 255));
  };

  // A chromosome without markers: no rows, no cells, no row under the pointer.
  settings.CHRO_CUR_CHRO = 7;
  view.Relayout();
  EXPECT_EQ(view.Geometry().RowCount(), 0);
  EXPECT_EQ(cellsPainted(Picture(view)), 0);
  EXPECT_EQ(view.HitTest({view.Geometry().left + 1, view.Geometry().top + 1}).zone,
            ChromosomeZone::kNone);
  settings.CHRO_CUR_CHRO = 0;

  // No samples: no columns, the curve and names still drawn.
  const int samples = chromosome.sampleCount;
  chromosome.sampleCount = 0;
  view.Relayout();
  EXPECT_EQ(view.Geometry().ColumnCount(), 0);
  EXPECT_EQ(view.Geometry().right, view.Geometry().left);
  EXPECT_EQ(cellsPainted(Picture(view)), 0);
  chromosome.sampleCount = samples;

  // A data type whose range is empty: the curve panel without threshold or curve.
  const int type = chromosome.dataType;
  const float max = chromosome.Max[At(type)];
  chromosome.Max[At(type)] = chromosome.Min[At(type)];
  view.Relayout();
  {
    const ChromosomeGeometry& g = view.Geometry();
    const QImage image = Picture(view);
    const QRect panel(g.CurveLeft(), g.top, g.CurveWidth(), g.bottom - g.top);
    EXPECT_EQ(CountColour(image, panel, qRgb(255, 0, 0)), 0);
    EXPECT_EQ(CountColour(image, panel, qRgb(0, 0, 255)), 0);
    EXPECT_GT(CountColour(image, panel, Rgb(kCurvePanelColour)), 0);
    EXPECT_GT(cellsPainted(image), 0);
  }
  chromosome.Max[At(type)] = max;

  // A data type without values: no cell painted, and a cell reads "NA".
  {
    SampleMatrix<float> codes;
    std::swap(codes, chromosome.lohCodes);
    const ChromosomeGeometry& g = view.Geometry();
    EXPECT_EQ(cellsPainted(Picture(view)), 0);
    const std::string text =
        ChromosomeStatusText(g, view.HitTest({g.ColumnX(1) + 1, static_cast<int>(g.RowY(4))}));
    EXPECT_NE(text.find("LOH call: NA]"), std::string::npos) << text;
    std::swap(codes, chromosome.lohCodes);
  }

  // Kilobases per pixel not above 0, and rows of no height, are reset at layout.
  settings.PIXEL_KB = 0;
  settings.PIXEL_HT_ = 0;
  view.Relayout();
  EXPECT_EQ(settings.PIXEL_KB, kDefaultPixelKb);
  EXPECT_EQ(view.Geometry().pixelKb, kDefaultPixelKb);
  EXPECT_EQ(view.Geometry().CellHeight(), 1);
  settings.PIXEL_HT_ = 2;

  // A selected column beyond the columns is dropped at layout.
  view.Relayout();
  const ChromosomeGeometry& g = view.Geometry();
  const QPoint offset = view.ScrollOffset();
  view.verticalScrollBar()->setValue(0);
  view.horizontalScrollBar()->setValue(0);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                    QPoint(g.ColumnX(g.ColumnCount() - 1) + 1, g.top + 1) - view.ScrollOffset());
  EXPECT_EQ(view.SelectedColumn(), g.ColumnCount() - 1);
  chromosome.sampleCount = samples - 1;
  view.Relayout();
  EXPECT_EQ(view.SelectedColumn(), -1);
  chromosome.sampleCount = samples;
  (void)offset;

  // A row beyond the picture: nothing under the pointer, no cursor, a jump to no unit
  // leaves the selection.
  view.Relayout();
  EXPECT_EQ(view.HitTest({view.Geometry().left + 1, view.Geometry().bottom + 5}).zone,
            ChromosomeZone::kNone);
  EXPECT_EQ(view.Geometry().RowAt(view.Geometry().bottom + 100), -1);
  const int unit = settings.CUR_UNIT;
  view.GoToUnit(-3);
  view.GoToUnit(mTruth.MarkerCount() + 10);
  EXPECT_EQ(settings.CUR_UNIT, unit);

  // Painting never pumps window messages.
  PumpCounter pumps;
  view.viewport()->repaint();
  (void)Picture(view);
  EXPECT_EQ(pumps.count, 0);

  // Expression arrays mark no region; the status text says so over the curve.
  ArrayType = 0;
  view.Relayout();
  const ChromosomeGeometry& e = view.Geometry();
  QTest::mouseMove(view.viewport(), QPoint(e.CurveLeft() + 2, e.top + 3) - view.ScrollOffset());
  EXPECT_NE(view.StatusText().find(kExpressionMarksNoRegions), std::string::npos)
      << view.StatusText();
}

TEST_F(ChromosomeViewTest, Screenshots) {
  GatherStudy();
  CChromosomeView& view = ShowView();
  GroupSettings& settings = TheGroup().Settings();
  settings.PIXEL_HT_ = 1;
  view.Relayout();
  const QImage whole = Picture(view);
  SaveScreenshot(whole, "chromosome_view_whole.png");

  settings.PIXEL_WD = 14;
  settings.PIXEL_HT_ = 8;
  view.Relayout();
  view.GoToUnit(kLossFirst + 10);
  QApplication::processEvents();
  SaveScreenshot(view.grab().toImage(), "chromosome_view_zoomed.png");

  settings.PIXEL_WD = 6;
  settings.PIXEL_HT_ = 0.5f;
  settings.VIEW_ALL_CHROMOSOME = 1;
  view.Relayout();
  SaveScreenshot(Picture(view), "chromosome_view_show_all.png");

  settings.VIEW_ALL_CHROMOSOME = 0;
  settings.PROPORTIONAL_DIST = 1;
  view.Relayout();
  const QImage bands = Picture(view);
  SaveScreenshot(bands, "chromosome_view_proportional.png");

  // A stretch over the planted loss dragged with the mouse.
  settings.PROPORTIONAL_DIST = 0;
  settings.PIXEL_HT_ = 2;
  view.Relayout();
  view.verticalScrollBar()->setValue(0);
  view.horizontalScrollBar()->setValue(0);
  QApplication::processEvents();
  const ChromosomeGeometry& g = view.Geometry();
  const auto cellPoint = [&](int row) {
    return QPoint(g.ColumnX(3) + 1, static_cast<int>(g.RowY(row))) - view.ScrollOffset();
  };
  QTest::mousePress(view.viewport(), Qt::LeftButton, {}, cellPoint(kLossFirst));
  QTest::mouseMove(view.viewport(), cellPoint(kLossLast));
  QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, cellPoint(kLossLast));
  ASSERT_TRUE(view.SelectedStretch().has_value());
  SaveScreenshot(view.grab().toImage(), "chromosome_view_selected_region.png");
  // Each picture holds cells in the loss colour.
  EXPECT_GT(CountColour(whole, whole.rect(), Rgb(kLohLossColour)), 50);
  EXPECT_GT(CountColour(bands, bands.rect(), Rgb(kLohLossColour)), 50);
}
