// The cluster view on a generated group with planted gene clusters: value colours, the
// layout from the display settings, and the picture itself, saved as a screenshot and
// read back pixel by pixel against the trees it shows.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>

#include "engine/base/missing_value.hpp"
#include "engine/base/value_color.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/tests/cluster_view_fixture.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/views/cluster/cluster_drawing.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

// A paint device that keeps every text drawn on it: where, how large and whether turned.
class TextRecorder final : public QPaintDevice {
 public:
  struct Text {
    QString text;
    int pixelSize;
    QPointF at;    // the baseline's start on the page
    bool rotated;  // drawn up the page
  };

  explicit TextRecorder(QSize size) : mSize(size) {}
  QPaintEngine* paintEngine() const override { return &mEngine; }
  const std::vector<Text>& Texts() const { return mEngine.texts; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return mSize.width();
      case PdmHeight:
        return mSize.height();
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return 96;
      case PdmDepth:
        return 32;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  class Engine final : public QPaintEngine {
   public:
    Engine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF& p, const QTextItem& item) override {
      const QTransform turn = painter()->transform();
      texts.push_back({item.text(), item.font().pixelSize(), turn.map(p), turn.m12() != 0.0});
    }
    Type type() const override { return QPaintEngine::User; }
    std::vector<Text> texts;
  };

  QSize mSize;
  mutable Engine mEngine;
};

TEST(ValueToColorTest, FollowsTheScaleInBothColourModes) {
  // Range 3: 3 and 6 reach full strength, -0.01 rounds up to 1.
  EXPECT_EQ(ValueToColor(3.0, 3.0, true), RGB(255, 0, 0));
  EXPECT_EQ(ValueToColor(6.0, 3.0, true), RGB(255, 0, 0));
  EXPECT_EQ(ValueToColor(-0.01, 3.0, true), RGB(0, 1, 0));
  EXPECT_EQ(ValueToColor(3.0, 3.0, false), RGB(255, 0, 0));
  EXPECT_EQ(ValueToColor(-0.01, 3.0, false), RGB(254, 254, 255));
  EXPECT_EQ(ValueToColor(-1.5, 3.0, false), RGB(127, 127, 255));
  EXPECT_EQ(ValueToColor(0.0, 3.0, true), RGB(0, 0, 0));
  EXPECT_EQ(ValueToColor(0.0, 3.0, false), RGB(255, 255, 255));
  for (const bool greenRed : {true, false}) {
    EXPECT_EQ(ValueToColor(MISSING_VALUE, 3.0, greenRed), RGB(150, 150, 150));
    // A range of 0 gives no colour of chance: full strength, and 0 stays 0.
    EXPECT_EQ(ValueToColor(0.0, 0.0, greenRed), ValueToColor(0.0, 3.0, greenRed));
    EXPECT_EQ(ValueToColor(-2.0, 0.0, greenRed), ValueToColor(-9.0, 3.0, greenRed));
  }
}

TEST(ClusterGeometryTest, PlacesTheMatrixAfterTheDendrogramsAndBands) {
  ClusterGeometryInput in;
  in.genes = 20;
  in.samples = 8;
  in.geneTree = true;
  in.pixelWidth = 20;
  in.pixelHeight = 12.5f;
  in.sampleRowHeight = 12;
  in.dendroWidth = 150;
  in.dendroHeight = 120;
  ClusterGeometry g = ComputeClusterGeometry(in);
  EXPECT_EQ(g.matrixLeft, 190);
  EXPECT_EQ(g.matrixTop, 132);
  EXPECT_EQ(g.matrixBottom, 382);
  EXPECT_EQ(g.labelLeft, 370);
  EXPECT_EQ(g.scrollWidth, 740);
  EXPECT_EQ(g.scrollHeight, 502);
  EXPECT_EQ(g.geneLineWidth, 1);
  EXPECT_EQ(g.sampleLineWidth, 2);
  // Without a gene tree the matrix starts two cells in; bands of sample information
  // and term bars widen the picture.
  in.geneTree = false;
  in.sampleInfoColumns = 3;
  in.termColumns = 2;
  in.termBarWidth = 4;
  in.showProfile = true;
  g = ComputeClusterGeometry(in);
  EXPECT_EQ(g.matrixLeft, 40);
  EXPECT_EQ(g.matrixTop, 12 * 5 + 120);
  EXPECT_EQ(g.labelLeft, 40 + 160 + 2 * 5 * 20);
  EXPECT_EQ(g.scrollHeight, g.matrixBottom + 120 + 120);
}

TEST_F(ClusterViewTest, ScreenshotShowsPlantedClustersTogetherAndTheTreesColours) {
  constexpr int kGenesPerCluster = 6;
  const synth::PlantedClusterTruth truth = PlantClusters(4, kGenesPerCluster, 10, 19);
  GroupSettings& settings = TheGroup().Settings();
  settings.STORE_DISTANCE = 1;
  settings.DISPLAY_RANGE = 2.0;
  settings.GREEN_RED = 1;
  settings.PIXEL_WD = 20;
  settings.PIXEL_HT_ = 0.5f;  // raised to a pixel by the layout
  settings.PIXEL_HT2 = 12;
  settings.DENDRO_WD = 150;
  settings.DENDRO_HT = 120;
  settings.SHOW_PROFILE = 1;
  ASSERT_TRUE(RunHierarchicalClustering(true));
  CMainFrame& frame = OpenFrame();
  frame.ShowView(VIEW_CLUSTER);
  auto* view = dynamic_cast<CClusterView*>(frame.RightViews(VIEW_CLUSTER));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(settings.PIXEL_HT_, 1.0f);
  settings.PIXEL_HT_ = 12.0f;
  view->RecomputeLayout();

  CLUSTER& genes = *GeneTree();
  CLUSTER& samples = *SampleTree();
  // The planted clusters sit together in the leaf order.
  std::map<int, std::pair<int, int>> rowsOf;  // cluster -> first and last row
  for (int row = 0; row < genes.n; ++row) {
    const int cluster = truth.clusterOf[static_cast<std::size_t>(genes.RowNode(row))];
    auto [at, fresh] = rowsOf.try_emplace(cluster, row, row);
    at->second.second = row;
  }
  for (const auto& [cluster, rows] : rowsOf)
    EXPECT_EQ(rows.second - rows.first + 1, kGenesPerCluster) << "cluster " << cluster;

  // The branch of the cluster on the first rows is selected: the paint marks its leaves.
  int branch = genes.RowNode(0);
  while (genes.Node(branch).weight < kGenesPerCluster) branch = genes.Node(branch).parent;
  genes.currentNode = branch;

  const PictureExport picture = view->ExportPicture();
  const ClusterGeometry& g = view->Geometry();
  EXPECT_EQ(picture.size, QSize(2 * (190 + 200 + 20), 132 + 24 * 12 + 120 + 120));
  QImage image(picture.size, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    picture.draw(painter);
  }
  SaveScreenshot(image, "cluster_view.png");

  EXPECT_EQ(genes.markedTotal, kGenesPerCluster);
  for (int row = 0; row < genes.n; ++row)
    EXPECT_EQ(genes.Node(genes.RowNode(row)).mark,
              row < kGenesPerCluster ? kSelectedBranchMark : 0u);
  // Every cell's centre has the colour of the value it shows.
  int wrong = 0;
  for (int row = 0; row < genes.n; ++row)
    for (int column = 0; column < genes.m; ++column) {
      const double value =
          genes.Node(genes.RowNode(row)).profile[static_cast<std::size_t>(samples.RowNode(column))];
      const QColor pixel =
          image.pixelColor(g.matrixLeft + column * 20 + 10, g.matrixTop + row * 12 + 7);
      if (pixel != ToQColor(ClusterValueColor(value))) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
  // The root's spine in black, the selected branch's in blue, the bracket beside it.
  const CLUSTER_NODE& root = genes.Node(genes.Root());
  EXPECT_EQ(image.pixelColor(root.screenX, root.screenY), QColor(Qt::black));
  const CLUSTER_NODE& chosen = genes.Node(branch);
  EXPECT_EQ(image.pixelColor(chosen.screenX, chosen.screenY), QColor(Qt::blue));
  EXPECT_EQ(image.pixelColor(g.matrixRight + 10, g.matrixTop + 6 * 6), QColor(Qt::blue));
  const CLUSTER_NODE& sampleRoot = samples.Node(samples.Root());
  EXPECT_EQ(image.pixelColor(sampleRoot.screenX, sampleRoot.screenY), QColor(Qt::black));

  // The current probe set's row and the current array's column, centred in the window.
  settings.CUR_UNIT = genes.Node(genes.RowNode(10)).item;
  settings.CUR_ARRAY = 4;
  int column = 0;
  while (samples.RowNode(column) != 4) ++column;
  EXPECT_EQ(view->ShowCurrentGene(QSize(300, 200)),
            QPoint(std::max(0, 20 * column + 190 - 150), 12 * 10 + 132 - 100));
  EXPECT_EQ(view->CurrentRow(), 10);
  EXPECT_EQ(view->CurrentColumn(), column);
  settings.CUR_ARRAY = -1;  // no array: the middle column
  view->ShowCurrentGene(QSize(300, 200));
  EXPECT_EQ(view->CurrentColumn(), genes.m / 2);
}

TEST_F(ClusterViewTest, LabelsOfSmallCellsStayReadableAndNeverOverlap) {
  constexpr int kClusters = 5;
  constexpr int kGenesPerCluster = 8;
  constexpr int kSamples = 14;
  PlantClusters(kClusters, kGenesPerCluster, kSamples, 23);
  GroupSettings& settings = TheGroup().Settings();
  settings.PIXEL_HT2 = 5;
  settings.DENDRO_WD = 100;
  settings.DENDRO_HT = 80;
  ASSERT_TRUE(RunHierarchicalClustering(true));
  CMainFrame& frame = OpenFrame();
  frame.ShowView(VIEW_CLUSTER);
  auto* view = dynamic_cast<CClusterView*>(frame.RightViews(VIEW_CLUSTER));
  ASSERT_NE(view, nullptr);
  const int readable =
      QFontInfo(QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont)).pixelSize();
  ASSERT_GT(readable, 4);
  const int genes = kClusters * kGenesPerCluster;
  // Cells of 4 to 8 pixels, and cells as tall as the readable font: every row labelled.
  for (const int cell : {4, 6, 8, readable}) {
    settings.PIXEL_HT_ = static_cast<float>(cell);
    settings.PIXEL_WD = cell;
    view->RecomputeLayout();
    const PictureExport picture = view->ExportPicture();
    TextRecorder page(picture.size);
    {
      QPainter painter(&page);
      picture.draw(painter);
    }
    std::vector<double> geneLines;
    std::vector<double> sampleColumns;
    for (const TextRecorder::Text& text : page.Texts()) {
      EXPECT_GE(text.pixelSize, readable) << text.text.toStdString() << " at cell " << cell;
      if (text.rotated)
        sampleColumns.push_back(text.at.x());
      else if (static_cast<int>(text.at.x()) == view->Geometry().labelLeft)
        geneLines.push_back(text.at.y());
    }
    const auto expectSpread = [&](std::vector<double> places, int rows, const char* what) {
      std::sort(places.begin(), places.end());
      // Apart by at least a label, and hidden only where they could not fit: no gap
      // holds another row's label.
      ASSERT_FALSE(places.empty()) << what;
      for (std::size_t i = 1; i < places.size(); ++i) {
        EXPECT_GE(places[i] - places[i - 1], readable - 0.5) << what << " at cell " << cell;
        EXPECT_LT(places[i] - places[i - 1], readable + cell) << what << " at cell " << cell;
      }
      EXPECT_LE(static_cast<int>(places.size()), rows) << what;
      EXPECT_GT(static_cast<int>(places.size()), (rows - 1) * cell / (readable + cell)) << what;
    };
    expectSpread(geneLines, genes, "gene labels");
    expectSpread(sampleColumns, kSamples, "sample names");
    if (cell == readable) {
      EXPECT_EQ(static_cast<int>(geneLines.size()), genes);
    }
  }
}

}  // namespace
