// The sample scatter view on generated results with planted classes: every sample's box
// at the pixel the scaling gives, in its class colour, labels that turn left at the right
// edge, real clicks and keys, the blink, a view of other points derived from it, the
// exported picture and the screenshot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/dialogs/export_image_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/lda_view.hpp"
#include "tools/synth/planted_clusters.hpp"
#include "tools/synth/random.hpp"

namespace {

// The class colours as the user sees them, written out apart from the program's table.
const std::array<QColor, 10> kClassColours = {
    QColor(0, 0, 255),     QColor(255, 0, 0),     QColor(0, 255, 0),    QColor(0, 255, 255),
    QColor(118, 182, 129), QColor(135, 215, 200), QColor(152, 248, 66), QColor(169, 76, 137),
    QColor(186, 109, 208), QColor(203, 142, 74)};
const QColor kGrey(200, 200, 200);

// A result row per sample: coordinates, predicted class (from 1), probability; and the
// class given to it (-1 none).
struct Scatter {
  std::vector<std::array<float, 4>> rows;
  std::vector<int> classOf;
  bool pca = false;
};

// Samples of planted classes around centres on a circle; every fifth is left without a
// class and predicted to be of its planted one.
Scatter PlantClasses(int samples, int classes, std::uint64_t seed, bool pca) {
  synth::SynthRandom random(seed);
  Scatter scatter;
  scatter.pca = pca;
  for (int i = 0; i < samples; ++i) {
    const int planted = i % classes;
    const double angle = 2.0 * 3.14159265 * planted / classes;
    const float x = static_cast<float>(10.0 * std::cos(angle) + random.Normal());
    const float y = static_cast<float>(10.0 * std::sin(angle) + random.Normal());
    scatter.rows.push_back({x, y, static_cast<float>(planted + 1), 0.9f});
    scatter.classOf.push_back(i % 5 == 4 ? -1 : planted);
  }
  return scatter;
}

// The box centre the scaling should give: the smallest value at half a box and a pixel
// from the edge, the largest as far from the other edge, the middle when all are equal.
int ExpectedCentre(double value, double low, double high, int size, int half) {
  const int inset = half + 1;
  if (high == low) return size / 2;
  return static_cast<int>(inset + (value - low) * (size - 2 * inset) / (high - low));
}

int DarkPixels(const QImage& image, const QRect& area) {
  int dark = 0;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  return dark;
}

// A view of points that are not samples, as the SNP view makes one: its own points and
// drawing, the current point the group's current array.
class OtherPointsView final : public LdaView {
 public:
  explicit OtherPointsView(ShellFrame& frame) : LdaView(frame, nullptr, true) {}
  using LdaView::EditPoints;
  void DrawPoint(QPainter& painter, int index) override {
    ++drawn;
    painter.fillRect(QRect(Boxes()[static_cast<std::size_t>(index)].left,
                           Boxes()[static_cast<std::size_t>(index)].top, 2, 2),
                     Qt::magenta);
  }
  int drawn = 0;
};

class LdaViewTest : public ShellTest {
 protected:
  void TearDown() override {
    ShellTest::TearDown();
    TheLdaResult() = LDA_RESULT{};
    Layout = CDF_LAYOUT{};
    ExportImageFormat = kImageFormatBmp;
    ExportToClipboard = 1;
  }

  // A modelled group of named samples, one array each.
  void MakeGroup(int samples) {
    synth::PlantedClusterOptions options;
    options.clusters = 2;
    options.genesPerCluster = 3;
    options.samples = samples;
    synth::InstallPlantedClusterGroup(synth::MakePlantedClusters(options));
    SampleGrouping.SetCurrentSample(-1);
    TheGroup().Settings().GENE_LIST_FILE = File("genes.txt");
    TheGroup().Settings().WORKING_DIR = Folder();
  }

  static void Install(const Scatter& scatter) {
    LDA_RESULT& result = TheLdaResult();
    result.classOf.fill(-1.0f);
    result.result.clear();
    int classes = 0;
    for (std::size_t i = 0; i < scatter.rows.size(); ++i) {
      result.result.insert(result.result.end(), scatter.rows[i].begin(), scatter.rows[i].end());
      result.classOf[i] = static_cast<float>(scatter.classOf[i]);
      classes = std::max(classes, scatter.classOf[i] + 1);
    }
    result.resultRows = static_cast<int>(scatter.rows.size());
    result.classCount = classes;
    result.pca = scatter.pca;
  }

  LdaView& ShowView(const Scatter& scatter) {
    Install(scatter);
    CMainFrame& frame = mFrame ? *mFrame : OpenFrame();
    frame.ShowView(VIEW_LDA);
    auto* view = dynamic_cast<LdaView*>(frame.RightViews(VIEW_LDA));
    EXPECT_NE(view, nullptr);
    view->OnInitialUpdate();
    QApplication::processEvents();
    return *view;
  }

  static QImage Picture(LdaView& view) {
    QImage image(view.PictureLayout().width, view.PictureLayout().height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.Draw(painter, false);
    return image;
  }

  // Samples whose box centre (and inner corner, with labels) no later box and no label
  // drawn after it covers.
  static std::vector<bool> Uncovered(const LdaView& view, bool labelsToo) {
    const std::vector<ScatterBox>& boxes = view.Boxes();
    const QFontMetrics metrics(ScatterLabelFont(view.PictureLayout().half));
    std::vector<QRect> labels;
    for (std::size_t k = 0; k < boxes.size(); ++k)
      labels.push_back(
          ScatterLabelRect(metrics, boxes[k], view.Points()[k].name, view.PictureLayout())
              .adjusted(-1, -1, 1, 1));
    std::vector<bool> clear(boxes.size(), true);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const QPoint centre(boxes[i].CentreX(), boxes[i].CentreY());
      const QPoint corner(boxes[i].left + 1, boxes[i].top + 1);
      for (std::size_t k = 0; k < boxes.size(); ++k) {
        if (k != i && boxes[k].Contains(centre.x(), centre.y()) && (labelsToo ? k > i : true))
          clear[i] = false;
        if (labelsToo && k > i && boxes[k].Contains(corner.x(), corner.y())) clear[i] = false;
        if (labelsToo && k >= i && (labels[k].contains(centre) || labels[k].contains(corner)))
          clear[i] = false;
      }
    }
    return clear;
  }

  QString Status() const { return mFrame->StatusPaneText(0); }
};

TEST_F(LdaViewTest, EachSampleIsDrawnAtItsScaledPixelInItsClassColour) {
  constexpr int kSamples = 24;
  MakeGroup(kSamples);
  Scatter vertical = PlantClasses(kSamples, 3, 11, false);
  for (auto& row : vertical.rows) row[0] = 2.5f;  // every x the same
  Scatter same = PlantClasses(kSamples, 3, 12, false);
  for (auto& row : same.rows) row[0] = row[1] = -1.0f;  // every point the same
  // Three on a rising line: the rightmost one's label has to go left.
  Scatter line = PlantClasses(3, 3, 13, false);
  for (int i = 0; i < 3; ++i) line.rows[static_cast<std::size_t>(i)] = {1.0f * i, 0.5f * i, 1, 1};
  const std::vector<std::pair<const char*, Scatter>> cases = {
      {"lda", PlantClasses(kSamples, 4, 7, false)},
      {"pca", PlantClasses(kSamples, 4, 8, true)},
      {"ten classes", PlantClasses(kSamples, 10, 9, false)},
      {"equal x", vertical},
      {"all equal", same},
      {"line", line}};
  for (const auto& [name, scatter] : cases) {
    SCOPED_TRACE(name);
    LdaView& view = ShowView(scatter);
    const ScatterLayout& layout = view.PictureLayout();
    ASSERT_EQ(view.Boxes().size(), scatter.rows.size());
    double lowX = std::numeric_limits<double>::max(), highX = -lowX;
    double lowY = lowX, highY = -lowX;
    for (const auto& row : scatter.rows) {
      lowX = std::min<double>(lowX, row[0]);
      highX = std::max<double>(highX, row[0]);
      lowY = std::min<double>(lowY, row[1]);
      highY = std::max<double>(highY, row[1]);
    }
    const QImage image = Picture(view);
    const std::vector<bool> uncovered = Uncovered(view, true);
    int checked = 0;
    for (std::size_t i = 0; i < scatter.rows.size(); ++i) {
      SCOPED_TRACE(i);
      const ScatterBox& box = view.Boxes()[i];
      const int x = ExpectedCentre(scatter.rows[i][0], lowX, highX, layout.width, layout.half);
      // Larger values higher up: the negated values from the top.
      const int y = ExpectedCentre(-scatter.rows[i][1], -highY, -lowY, layout.height, layout.half);
      EXPECT_NEAR(box.CentreX(), x, 1);
      EXPECT_NEAR(box.CentreY(), y, 1);
      EXPECT_EQ(box.right - box.left, 2 * layout.half);
      if (!uncovered[i]) continue;
      ++checked;
      const int given = scatter.classOf[i];
      const QColor centre = image.pixelColor(box.CentreX(), box.CentreY());
      const QColor corner = image.pixelColor(box.left + 1, box.top + 1);
      const QColor predicted = kClassColours[static_cast<std::size_t>(scatter.rows[i][2] - 1)];
      if (given >= 0) {
        EXPECT_EQ(centre, kClassColours[static_cast<std::size_t>(given)]);
        EXPECT_EQ(corner, centre);
      } else if (scatter.pca) {
        EXPECT_EQ(centre, QColor(Qt::black));
        EXPECT_EQ(corner, QColor(Qt::black));
      } else {
        EXPECT_EQ(centre, predicted);
        EXPECT_EQ(corner, kGrey);
      }
    }
    if (std::string(name) != "all equal") {
      EXPECT_GE(checked * 2, static_cast<int>(scatter.rows.size())) << "too few boxes seen whole";
    }
    if (std::string(name) == "all equal") {
      EXPECT_EQ(view.Boxes()[0].CentreX(), layout.width / 2);
      EXPECT_EQ(view.Boxes()[0].CentreY(), layout.height / 2);
    }
    if (std::string(name) == "lda") {
      // The window paints what the drawing routine draws.
      EXPECT_EQ(view.Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32), image);
    }
    if (std::string(name) == "line") {
      const QFontMetrics metrics(ScatterLabelFont(layout.half));
      const ScatterBox& right = view.Boxes()[2];
      const ScatterBox& left = view.Boxes()[0];
      ASSERT_TRUE(ScatterLabelGoesLeft(right, layout));
      ASSERT_FALSE(ScatterLabelGoesLeft(left, layout));
      const QRect rightLabel = ScatterLabelRect(metrics, right, view.Points()[2].name, layout);
      EXPECT_EQ(rightLabel.right() + 1, right.left - 1);
      EXPECT_GT(DarkPixels(image, rightLabel), 10);
      const QRect leftLabel = ScatterLabelRect(metrics, left, view.Points()[0].name, layout);
      EXPECT_EQ(leftLabel.left(), left.right + 1);
      EXPECT_GT(DarkPixels(image, leftLabel), 10);
    }
  }
}

TEST_F(LdaViewTest, ClicksSelectTheSampleUnderThePointerAndAlternateOnOverlaps) {
  constexpr int kSamples = 20;
  MakeGroup(kSamples);
  Scatter scatter = PlantClasses(kSamples, 4, 21, false);
  scatter.rows[7] = scatter.rows[3];  // two samples on one spot
  LdaView& view = ShowView(scatter);
  const std::vector<bool> alone = Uncovered(view, false);
  int clicked = 0;
  for (int i = 0; i < kSamples; ++i) {
    if (!alone[static_cast<std::size_t>(i)]) continue;
    const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(i)];
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, QPoint(box.CentreX(), box.CentreY()));
    ++clicked;
    ASSERT_EQ(SampleGrouping.CurrentSample(), i);
    EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, SampleGrouping.GetSampleArray(i));
    EXPECT_EQ(Status(), QString::fromStdString("[" + SampleGrouping.SampleName(i) + "]"));
  }
  EXPECT_GE(clicked, kSamples / 2);
  EXPECT_FALSE(alone[3] || alone[7]);

  // The pointer over a box names it; off every box the current sample.
  const int current = SampleGrouping.CurrentSample();
  int hovered = 0;
  for (int i = 0; i < kSamples; ++i) {
    const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(i)];
    const QPoint centre(box.CentreX(), box.CentreY());
    if (!alone[static_cast<std::size_t>(i)] || i == current ||
        !view.viewport()->rect().contains(view.Canvas()->mapTo(view.viewport(), centre)))
      continue;
    QTest::mouseMove(view.Canvas(), centre);
    EXPECT_EQ(Status(), QString::fromStdString("[" + SampleGrouping.SampleName(i) + "]"));
    ++hovered;
  }
  EXPECT_GT(hovered, 0);
  QTest::mouseMove(view.Canvas(), QPoint(1, 1));
  EXPECT_EQ(Status(), QString::fromStdString("[" + SampleGrouping.SampleName(current) + "]"));
  EXPECT_EQ(SampleGrouping.CurrentSample(), current) << "hovering selects nothing";

  const ScatterBox& shared = view.Boxes()[3];
  const QPoint spot(shared.CentreX(), shared.CentreY());

  std::vector<int> picked;
  for (int k = 0; k < 4; ++k) {
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, spot);
    picked.push_back(SampleGrouping.CurrentSample());
  }
  EXPECT_TRUE((picked[0] == 3 && picked[1] == 7) || (picked[0] == 7 && picked[1] == 3));
  EXPECT_EQ(picked[2], picked[0]);
  EXPECT_EQ(picked[3], picked[1]);

  // A click on nothing keeps the current sample.
  QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(SampleGrouping.CurrentSample(), picked[3]);

  // The current box blinks, but not while an analysis runs.
  ASSERT_TRUE(view.BlinkOn());
  EXPECT_TRUE(QTest::qWaitFor([&view] { return !view.BlinkOn(); }, 2000));
  AnalysisRunning = 1;
  const bool frozen = view.BlinkOn();
  QTest::qWait(3 * kLdaBlinkMilliseconds / 2);
  EXPECT_EQ(view.BlinkOn(), frozen);
  AnalysisRunning = 0;
  // Its outline, drawn when on, inverts the white around the box.
  QImage lit(view.PictureLayout().width, view.PictureLayout().height, QImage::Format_RGB32);
  lit.fill(Qt::white);
  QPainter painter(&lit);
  view.Draw(painter, true);
  painter.end();
  const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(picked[3])];
  EXPECT_EQ(lit.pixelColor(box.left - 1, box.CentreY()), QColor(Qt::black));
  EXPECT_EQ(lit.pixelColor(box.right, box.CentreY()), QColor(Qt::black));
}

TEST_F(LdaViewTest, KeysStepThroughSamplesAndSizeThePicture) {
  constexpr int kSamples = 6;
  MakeGroup(kSamples);
  LdaView& view = ShowView(PlantClasses(kSamples, 2, 31, false));
  view.setFocus();
  SampleGrouping.SetCurrentSample(-1);
  // With no current sample Page Up goes to the last one, Page Down to the first.
  QTest::keyClick(&view, Qt::Key_PageUp);
  EXPECT_EQ(SampleGrouping.CurrentSample(), kSamples - 1);
  QTest::keyClick(&view, Qt::Key_PageUp);
  EXPECT_EQ(SampleGrouping.CurrentSample(), kSamples - 2);
  QTest::keyClick(&view, Qt::Key_PageDown);
  QTest::keyClick(&view, Qt::Key_PageDown);
  EXPECT_EQ(SampleGrouping.CurrentSample(), 0);
  QTest::keyClick(&view, Qt::Key_PageUp);
  EXPECT_EQ(SampleGrouping.CurrentSample(), kSamples - 1);
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_EQ(SampleGrouping.CurrentSample(), -1);
  EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, -1);
  QTest::keyClick(&view, Qt::Key_PageDown);
  EXPECT_EQ(SampleGrouping.CurrentSample(), 0);

  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int width, height, half;
  };
  const std::vector<Step> steps = {{Qt::Key_Left, {}, 600, 600, 8},
                                   {Qt::Key_Right, {}, 720, 600, 8},
                                   {Qt::Key_Right, {}, 864, 600, 8},
                                   {Qt::Key_Left, {}, 720, 600, 8},
                                   {Qt::Key_Up, {}, 720, 600, 8},
                                   {Qt::Key_Down, {}, 720, 720, 8},
                                   {Qt::Key_Right, Qt::ControlModifier, 720, 720, 9},
                                   {Qt::Key_Left, Qt::ControlModifier, 720, 720, 8}};
  for (const Step& step : steps) {
    QTest::keyClick(&view, step.key, step.modifiers);
    const ScatterLayout& layout = view.PictureLayout();
    EXPECT_EQ(layout.width, step.width);
    EXPECT_EQ(layout.height, step.height);
    EXPECT_EQ(layout.half, step.half);
    EXPECT_EQ(view.Canvas()->size(), QSize(step.width, step.height));
    // The boxes follow: the extreme ones reach the picture's edges.
    int right = 0;
    for (const ScatterBox& box : view.Boxes()) right = std::max(right, box.right);
    EXPECT_EQ(right, step.width - 1);
  }
  for (int k = 0; k < 12; ++k) QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(view.PictureLayout().half, 1);
  for (int k = 0; k < 40; ++k) QTest::keyClick(&view, Qt::Key_Down);
  EXPECT_EQ(view.PictureLayout().height, kMaxLdaPicture);
}

TEST_F(LdaViewTest, AViewOfOtherPointsDerivesWithItsOwnPointsAndCurrentArray) {
  // More points than samples can be: the boxes are not a fixed table.
  constexpr int kSide = 40;
  constexpr int kPoints = kSide * kSide - 100;
  MakeGroup(4);
  Layout.units.resize(1);
  Layout.units[0].SetName("snp7");
  Layout.unitCount = 1;
  TheGroup().Settings().CUR_UNIT = 0;
  TheGroup().Settings().CUR_ARRAY = -1;
  CMainFrame& frame = OpenFrame();
  OtherPointsView view(frame);
  for (int i = 0; i < kPoints; ++i) {
    ScatterPoint point;
    point.x = static_cast<float>(i % kSide);
    point.y = static_cast<float>(i / kSide);
    view.EditPoints().push_back(point);
  }
  view.OnInitialUpdate();
  view.resize(700, 850);
  view.show();
  QApplication::processEvents();
  ASSERT_EQ(view.Boxes().size(), static_cast<std::size_t>(kPoints));
  EXPECT_EQ(view.Canvas()->size(), QSize(600, static_cast<int>(600 * 1.26)));

  const ScatterBox& last = view.Boxes().back();
  QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, QPoint(last.CentreX(), last.CentreY()));
  EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, kPoints - 1);
  EXPECT_EQ(SampleGrouping.CurrentSample(), -1) << "the samples are not its points";
  EXPECT_FALSE(view.UpdateCommand(ids::kDeleteSamplePoint)->enabled);

  // Below the plot the status gives the keys.
  QTest::mouseMove(view.Canvas(), QPoint(10, 650));
  EXPECT_EQ(Status(), QString::fromLatin1(kLdaSizeHelpText));

  QImage image(600, 600, QImage::Format_RGB32);
  image.fill(Qt::white);
  view.drawn = 0;
  QPainter painter(&image);
  view.Draw(painter, true);
  painter.end();
  EXPECT_EQ(view.drawn, kPoints + 1) << "every point, then the current one again";
  EXPECT_EQ(image.pixelColor(last.left, last.top), QColor(Qt::magenta));
  EXPECT_EQ(view.ExportPicture().defaultName, File("snp7 snp image"));
}

TEST_F(LdaViewTest, DeleteNeedsACurrentSampleAndExportImageWritesThePicture) {
  constexpr int kSamples = 12;
  MakeGroup(kSamples);
  RecordedOutputFiles registered;
  const Scatter scatter = PlantClasses(kSamples, 3, 41, false);
  LdaView& view = ShowView(scatter);
  CMainFrame& frame = *mFrame;
  SampleGrouping.SetCurrentSample(-1);
  EXPECT_FALSE(frame.CommandUi(ids::kDeleteSamplePoint).enabled);
  EXPECT_FALSE(frame.OnCommand(ids::kDeleteSamplePoint));
  SampleGrouping.SetCurrentSample(2);
  EXPECT_TRUE(frame.CommandUi(ids::kDeleteSamplePoint).enabled);
  AnalysisRunning = 1;
  EXPECT_FALSE(frame.CommandUi(ids::kDeleteSamplePoint).enabled);
  AnalysisRunning = 0;

  prompts.dialogAnswer = [](QDialog& dialog) {
    Control<QRadioButton>(dialog, ExportImageDialog::kExportToFile)->click();
    Control<QRadioButton>(dialog, ExportImageDialog::kFormatBmp)->click();
    return int(QDialog::Accepted);
  };
  ASSERT_TRUE(frame.OnCommand(ids::kExportImage));
  const std::string file = File("genes lda image.bmp");
  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_EQ(registered.files[0].path, file);
  ASSERT_FALSE(prompts.prompts.empty());
  EXPECT_EQ(prompts.prompts.back().text, kLdaImageExportedMessage);
  const QImage back(QString::fromStdString(file));
  ASSERT_EQ(back.size(), QSize(600, 750));
  const std::vector<bool> uncovered = Uncovered(view, true);
  for (std::size_t i = 0; i < uncovered.size(); ++i) {
    if (!uncovered[i] || scatter.classOf[i] < 0) continue;
    const ScatterBox& box = view.Boxes()[i];
    EXPECT_EQ(back.pixelColor(box.CentreX(), box.CentreY()),
              kClassColours[static_cast<std::size_t>(scatter.classOf[i])]);
  }
  EXPECT_EQ(DarkPixels(back, QRect(0, 601, 600, 149)), 0) << "the band below the plot is empty";
}

TEST_F(LdaViewTest, ScreenshotOfPlantedClasses) {
  constexpr int kSamples = 32;
  MakeGroup(kSamples);
  const Scatter scatter = PlantClasses(kSamples, 4, 51, false);
  LdaView& view = ShowView(scatter);
  mFrame->InsertViewItem(VIEW_LDA, "LDA Classification", 12);
  mFrame->SelectViewItem(VIEW_LDA);
  mFrame->resize(1000, 760);
  SampleGrouping.SetCurrentSample(5);
  view.OnInitialUpdate();
  QApplication::processEvents();
  const QImage shot = mFrame->grab().toImage();
  ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZELKO_SCREENSHOT_DIR)));
  ASSERT_TRUE(shot.save(QStringLiteral(ZELKO_SCREENSHOT_DIR "/lda_view.png")));
  // Every planted class shows in its colour.
  const QImage picture = view.Canvas()->grab().toImage();
  for (int k = 0; k < 4; ++k) {
    int seen = 0;
    for (int y = 0; y < picture.height(); y += 2)
      for (int x = 0; x < picture.width(); x += 2)
        seen += picture.pixelColor(x, y) == kClassColours[static_cast<std::size_t>(k)] ? 1 : 0;
    EXPECT_GT(seen, 10) << k;
  }
}

}  // namespace
