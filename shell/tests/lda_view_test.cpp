// The sample scatter view on generated results with planted classes: each sample's box at
// the pixel the scaling gives in its class colour, labels turning left at the right edge,
// real clicks and keys, a view of other points derived from it, the export, the screenshot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/testing/captured_log.hpp"
#include "engine/testing/recorded_requests.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/dialogs/image/export_image_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/image_export_choices.hpp"
#include "shell/tests/screenshot_check.hpp"
#include "shell/tests/shell_test.hpp"
#include "shell/views/samples/lda_view.hpp"
#include "tools/synth/planted_clusters.hpp"
#include "tools/synth/planted_sample_classes.hpp"
#include "tools/synth/random.hpp"

namespace {

// The class colours as the user sees them, written out apart from the program's table.
const std::array<QColor, 10> kClassColours = {
    QColor(0, 0, 255),     QColor(255, 0, 0),     QColor(0, 255, 0),    QColor(0, 255, 255),
    QColor(118, 182, 129), QColor(135, 215, 200), QColor(152, 248, 66), QColor(169, 76, 137),
    QColor(186, 109, 208), QColor(203, 142, 74)};

// Result rows (x, y, predicted class from 1, probability) and the classes given (-1 none).
struct Scatter {
  std::vector<std::array<float, 4>> rows;
  std::vector<int> classOf;
  bool pca = false;
};

// Planted classes around centres on a circle; every fifth sample has no class and is
// predicted to be of its planted one.
Scatter PlantClasses(int samples, int classes, std::uint64_t seed, bool pca = false) {
  synth::SynthRandom random(seed);
  Scatter scatter{{}, {}, pca};
  for (int i = 0; i < samples; ++i) {
    const int planted = i % classes;
    const double angle = 6.2831853 * planted / classes;
    scatter.rows.push_back({static_cast<float>(10 * std::cos(angle) + random.Normal()),
                            static_cast<float>(10 * std::sin(angle) + random.Normal()),
                            static_cast<float>(planted + 1), 0.9f});
    scatter.classOf.push_back(i % 5 == 4 ? -1 : planted);
  }
  return scatter;
}

// The centre the scaling should give: the range's ends half a box and a pixel inside the
// picture, the middle when there is no range.
int ExpectedCentre(double value, double low, double high, int size, int half) {
  if (high == low) return size / 2;
  return static_cast<int>(half + 1 + (value - low) * (size - 2 * (half + 1)) / (high - low));
}

int DarkPixels(const QImage& image, const QRect& area) {
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      dark += image.rect().contains(x, y) && qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  return dark;
}

// Points that are not samples, as the SNP view has them: its own drawing, CUR_ARRAY current.
class OtherPointsView final : public LdaView {
 public:
  explicit OtherPointsView(ShellFrame& frame) : LdaView(frame, nullptr, true) {}
  using LdaView::EditPoints;
  void DrawPoint(QPainter& painter, int index) override {
    ++drawn;
    const ScatterBox& box = Boxes()[static_cast<std::size_t>(index)];
    painter.fillRect(QRect(box.left, box.top, 2, 2), Qt::magenta);
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
    options.samples = samples;
    synth::InstallPlantedClusterGroup(synth::MakePlantedClusters(options));
    SampleGrouping.SetCurrentSample(-1);
    TheGroup().Settings().GENE_LIST_FILE = File("genes.txt");
    TheGroup().Settings().WORKING_DIR = Folder();
  }

  LdaView& ShowView(const Scatter& scatter) {
    LDA_RESULT& result = TheLdaResult();
    result.result.clear();
    for (std::size_t i = 0; i < scatter.rows.size(); ++i) {
      result.result.insert(result.result.end(), scatter.rows[i].begin(), scatter.rows[i].end());
      result.classOf[i] = static_cast<float>(scatter.classOf[i]);
    }
    result.resultRows = static_cast<int>(scatter.rows.size());
    result.pca = scatter.pca;
    return ShowResult();
  }

  LdaView& ShowResult() {
    CMainFrame& frame = mFrame ? *mFrame : OpenFrame();
    frame.ShowView(VIEW_LDA);
    auto* view = dynamic_cast<LdaView*>(frame.RightViews(VIEW_LDA));
    view->OnInitialUpdate();
    QApplication::processEvents();
    return *view;
  }

  static QImage Picture(LdaView& view, bool highlight = false) {
    QImage image(view.PictureLayout().width, view.PictureLayout().height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view.Draw(painter, highlight);
    return image;
  }

  // Samples whose box centre and inner corner nothing drawn later covers (with labels) or
  // whose centre is in no other box (without).
  static std::vector<bool> Uncovered(const LdaView& view, bool labels) {
    const std::vector<ScatterBox>& boxes = view.Boxes();
    const QFontMetrics metrics(ScatterLabelFont(view.PictureLayout().half));
    std::vector<bool> clear(boxes.size(), true);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const QPoint spots[] = {{boxes[i].CentreX(), boxes[i].CentreY()},
                              {boxes[i].left + 1, boxes[i].top + 1}};
      for (std::size_t k = 0; k < boxes.size(); ++k) {
        const QRect label =
            ScatterLabelRect(metrics, boxes[k], view.Points()[k].name, view.PictureLayout());
        for (const QPoint& at : spots) {
          if (k != i && (labels ? k > i : at == spots[0]) && boxes[k].Contains(at.x(), at.y()))
            clear[i] = false;
          if (labels && k >= i && label.adjusted(-1, -1, 1, 1).contains(at)) clear[i] = false;
        }
      }
    }
    return clear;
  }

  std::string Status() const { return mFrame->StatusPaneText(0).toStdString(); }
};

TEST_F(LdaViewTest, EachSampleIsDrawnAtItsScaledPixelInItsClassColour) {
  MakeGroup(24);
  Scatter vertical = PlantClasses(24, 3, 11);
  for (auto& row : vertical.rows) row[0] = 2.5f;
  Scatter same = PlantClasses(24, 3, 12);
  for (auto& row : same.rows) row[0] = row[1] = -1.0f;
  Scatter line = PlantClasses(3, 3, 13);  // rising: the rightmost label has to go left
  for (int i = 0; i < 3; ++i) line.rows[static_cast<std::size_t>(i)] = {1.0f * i, 0.5f * i, 1, 1};
  const std::pair<std::string, Scatter> cases[] = {{"lda", PlantClasses(24, 10, 7)},
                                                   {"pca", PlantClasses(24, 4, 8, true)},
                                                   {"equal x", vertical},
                                                   {"all equal", same},
                                                   {"line", line}};
  for (const auto& [name, scatter] : cases) {
    SCOPED_TRACE(name);
    LdaView& view = ShowView(scatter);
    const ScatterLayout& layout = view.PictureLayout();
    ASSERT_EQ(view.Boxes().size(), scatter.rows.size());
    std::array<float, 2> low{1e30f, 1e30f}, high{-1e30f, -1e30f};
    for (const auto& row : scatter.rows)
      for (std::size_t c = 0; c < 2; ++c) {
        low[c] = std::min(low[c], row[c]);
        high[c] = std::max(high[c], row[c]);
      }
    const QImage image = Picture(view);
    const std::vector<bool> uncovered = Uncovered(view, true);
    int checked = 0;
    for (std::size_t i = 0; i < scatter.rows.size(); ++i) {
      SCOPED_TRACE(i);
      const ScatterBox& box = view.Boxes()[i];
      EXPECT_NEAR(box.CentreX(),
                  ExpectedCentre(scatter.rows[i][0], low[0], high[0], layout.width, layout.half),
                  1);
      // Larger values higher up.
      EXPECT_NEAR(
          box.CentreY(),
          ExpectedCentre(-scatter.rows[i][1], -high[1], -low[1], layout.height, layout.half), 1);
      EXPECT_EQ(box.right - box.left, 2 * layout.half);
      if (!uncovered[i]) continue;
      ++checked;
      const QColor centre = image.pixelColor(box.CentreX(), box.CentreY());
      const QColor corner = image.pixelColor(box.left + 1, box.top + 1);
      if (const int given = scatter.classOf[i]; given >= 0) {
        EXPECT_EQ(centre, kClassColours[static_cast<std::size_t>(given)]);
        EXPECT_EQ(corner, centre);
      } else if (scatter.pca) {
        EXPECT_EQ(centre, QColor(Qt::black));
        EXPECT_EQ(corner, QColor(Qt::black));
      } else {
        EXPECT_EQ(centre, kClassColours[static_cast<std::size_t>(scatter.rows[i][2] - 1)]);
        EXPECT_EQ(corner, QColor(200, 200, 200));
      }
    }
    if (name == "all equal") {
      EXPECT_EQ(view.Boxes()[0].CentreX(), layout.width / 2);
      EXPECT_EQ(view.Boxes()[0].CentreY(), layout.height / 2);
    } else {
      EXPECT_GE(checked * 2, static_cast<int>(scatter.rows.size())) << "too few boxes seen whole";
    }
    if (name == "lda") {  // the window paints what the drawing routine draws
      EXPECT_EQ(view.Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32), image);
    }
    if (name == "line") {
      const QFontMetrics metrics(ScatterLabelFont(layout.half));
      const ScatterBox& left = view.Boxes()[0];
      const ScatterBox& right = view.Boxes()[2];
      const QRect leftLabel = ScatterLabelRect(metrics, left, view.Points()[0].name, layout);
      const QRect rightLabel = ScatterLabelRect(metrics, right, view.Points()[2].name, layout);
      EXPECT_EQ(leftLabel.left(), left.right + 1);
      EXPECT_EQ(rightLabel.right() + 1, right.left - 1);
      EXPECT_GT(DarkPixels(image, leftLabel), 10);
      EXPECT_GT(DarkPixels(image, rightLabel), 10);
    }
  }
}

TEST_F(LdaViewTest, ClicksSelectTheSampleUnderThePointerAndAlternateOnOverlaps) {
  constexpr int kSamples = 20;
  MakeGroup(kSamples);
  Scatter scatter = PlantClasses(kSamples, 4, 21);
  scatter.rows[7] = scatter.rows[3];  // two samples on one spot
  LdaView& view = ShowView(scatter);
  const std::vector<bool> alone = Uncovered(view, false);
  const auto centre = [&view](int i) {
    const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(i)];
    return QPoint(box.CentreX(), box.CentreY());
  };
  int clicked = 0;
  for (int i = 0; i < kSamples; ++i) {
    if (!alone[static_cast<std::size_t>(i)]) continue;
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, centre(i));
    ++clicked;
    ASSERT_EQ(SampleGrouping.CurrentSample(), i);
    EXPECT_EQ(TheGroup().Settings().CUR_ARRAY, SampleGrouping.GetSampleArray(i));
    EXPECT_EQ(Status(), "[" + SampleGrouping.SampleName(i) + "]");
  }
  EXPECT_GE(clicked, kSamples / 2);

  // Hovering names the box under the pointer, else the current sample, and selects nothing.
  const int current = SampleGrouping.CurrentSample();
  int hovered = 0;
  for (int i = 0; i < kSamples; ++i) {
    if (!alone[static_cast<std::size_t>(i)] || i == current ||
        !view.viewport()->rect().contains(view.Canvas()->mapTo(view.viewport(), centre(i))))
      continue;
    QTest::mouseMove(view.Canvas(), centre(i));
    EXPECT_EQ(Status(), "[" + SampleGrouping.SampleName(i) + "]");
    ++hovered;
  }
  EXPECT_GT(hovered, 0);
  QTest::mouseMove(view.Canvas(), QPoint(1, 1));
  EXPECT_EQ(Status(), "[" + SampleGrouping.SampleName(current) + "]");
  EXPECT_EQ(SampleGrouping.CurrentSample(), current);

  std::vector<int> picked;
  for (int k = 0; k < 4; ++k) {
    QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, centre(3));
    picked.push_back(SampleGrouping.CurrentSample());
  }
  EXPECT_TRUE((picked[0] == 3 && picked[1] == 7) || (picked[0] == 7 && picked[1] == 3));
  EXPECT_EQ(picked[2], picked[0]);
  EXPECT_EQ(picked[3], picked[1]);
  QTest::mouseClick(view.Canvas(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(SampleGrouping.CurrentSample(), picked[3]) << "a click on nothing keeps it";

  // The current box blinks (an inverted outline just outside it), not while an analysis runs.
  ASSERT_TRUE(view.BlinkOn());
  const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(picked[3])];
  EXPECT_EQ(Picture(view, true).pixelColor(box.left - 1, box.CentreY()), QColor(Qt::black));
  EXPECT_TRUE(QTest::qWaitFor([&view] { return !view.BlinkOn(); }, 2000));
  AnalysisRunning = 1;
  QTest::qWait(3 * kLdaBlinkMilliseconds / 2);
  EXPECT_FALSE(view.BlinkOn());
  AnalysisRunning = 0;
}

TEST_F(LdaViewTest, ThePointerBesideThePictureGetsTheKeysHint) {
  constexpr int kSamples = 12;
  MakeGroup(kSamples);
  LdaView& view = ShowView(PlantClasses(kSamples, 3, 5));
  mFrame->resize(1800, 1400);
  QApplication::processEvents();
  const QRect picture = view.Canvas()->geometry();  // in the viewport
  ASSERT_LT(picture.right() + 40, view.viewport()->width());
  ASSERT_LT(picture.bottom() + 40, view.viewport()->height());
  const std::vector<bool> alone = Uncovered(view, false);
  const int shown = static_cast<int>(std::find(alone.begin(), alone.end(), true) - alone.begin());
  ASSERT_LT(shown, kSamples);
  const ScatterBox& box = view.Boxes()[static_cast<std::size_t>(shown)];
  const QPoint onPoint =
      view.Canvas()->mapTo(view.viewport(), QPoint(box.CentreX(), box.CentreY()));
  const std::string name = "[" + SampleGrouping.SampleName(shown) + "]";
  // Right of the picture, below it and past its corner, each after a point's name.
  const QPoint beside[] = {{picture.right() + 20, picture.center().y()},
                           {picture.center().x(), picture.bottom() + 20},
                           {picture.right() + 30, picture.bottom() + 30}};
  for (const QPoint& at : beside) {
    QTest::mouseMove(view.viewport(), onPoint);
    ASSERT_EQ(Status(), name);
    QTest::mouseMove(view.viewport(), at);
    EXPECT_EQ(Status(), kLdaSizeHelpText) << at.x() << "," << at.y();
  }
}

TEST_F(LdaViewTest, KeysStepThroughSamplesAndSizeThePicture) {
  MakeGroup(6);
  LdaView& view = ShowView(PlantClasses(6, 2, 31));
  // Page Up from no sample goes round to the last one, Page Down to the first.
  const std::pair<Qt::Key, int> pages[] = {
      {Qt::Key_PageUp, 5}, {Qt::Key_PageUp, 4},  {Qt::Key_PageDown, 5}, {Qt::Key_PageDown, 0},
      {Qt::Key_PageUp, 5}, {Qt::Key_Escape, -1}, {Qt::Key_PageDown, 0}};
  for (const auto& [key, sample] : pages) {
    QTest::keyClick(&view, key);
    EXPECT_EQ(SampleGrouping.CurrentSample(), sample);
  }
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int width, height, half;
  };
  const Step steps[] = {{Qt::Key_Left, {}, 600, 600, 8},
                        {Qt::Key_Right, {}, 720, 600, 8},
                        {Qt::Key_Right, {}, 864, 600, 8},
                        {Qt::Key_Left, {}, 720, 600, 8},
                        {Qt::Key_Up, {}, 720, 600, 8},
                        {Qt::Key_Down, {}, 720, 720, 8},
                        {Qt::Key_Right, Qt::ControlModifier, 720, 720, 9},
                        {Qt::Key_Left, Qt::ControlModifier, 720, 720, 8}};
  for (const Step& step : steps) {
    QTest::keyClick(&view, step.key, step.modifiers);
    EXPECT_EQ(view.PictureLayout().width, step.width);
    EXPECT_EQ(view.PictureLayout().height, step.height);
    EXPECT_EQ(view.PictureLayout().half, step.half);
    EXPECT_EQ(view.Canvas()->size(), QSize(step.width, step.height));
    int right = 0;  // the rightmost box reaches the picture's edge
    for (const ScatterBox& box : view.Boxes()) right = std::max(right, box.right);
    EXPECT_EQ(right, step.width - 1);
  }
  for (int k = 0; k < 12; ++k) QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(view.PictureLayout().half, 1);
  for (int k = 0; k < 40; ++k) QTest::keyClick(&view, Qt::Key_Down);
  EXPECT_EQ(view.PictureLayout().height, kMaxLdaPicture);
}

TEST_F(LdaViewTest, AViewOfOtherPointsDerivesWithItsOwnPointsAndCurrentArray) {
  constexpr int kPoints = 1500;  // more than there can be samples
  MakeGroup(4);
  Layout.units.resize(1);
  Layout.units[0].SetName("snp7");
  TheGroup().Settings().CUR_UNIT = 0;
  TheGroup().Settings().CUR_ARRAY = -1;
  OtherPointsView view(OpenFrame());
  for (int i = 0; i < kPoints; ++i)
    view.EditPoints().push_back(
        {static_cast<float>(i % 40), static_cast<float>(i / 40), 0, 0, -1, ""});
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
  QTest::mouseMove(view.Canvas(), QPoint(10, 650));  // below the plot: the keys' help
  EXPECT_EQ(Status(), kLdaSizeHelpText);

  view.drawn = 0;
  const QImage image = Picture(view, true);
  EXPECT_EQ(view.drawn, kPoints + 1) << "every point, then the current one again";
  EXPECT_EQ(image.pixelColor(last.left, last.top), QColor(Qt::magenta));
  EXPECT_EQ(view.ExportPicture().defaultName, File("snp7 snp image"));
}

TEST_F(LdaViewTest, ExportImageWritesThePictureAsDrawn) {
  MakeGroup(12);
  RecordedOutputFiles registered;
  LdaView& view = ShowView(PlantClasses(12, 3, 41));
  SampleGrouping.SetCurrentSample(2);
  prompts.dialogAnswer = [](QDialog& dialog) {
    Control<QRadioButton>(dialog, ExportImageDialog::kExportToFile)->click();
    Control<QRadioButton>(dialog, ExportImageDialog::kFormatBmp)->click();
    return int(QDialog::Accepted);
  };
  ASSERT_TRUE(mFrame->OnCommand(ids::kExportImage));
  const std::string file = File("genes lda image.bmp");
  ASSERT_EQ(registered.files.size(), 1u);
  EXPECT_EQ(registered.files[0].path, file);
  EXPECT_EQ(prompts.prompts.back().text, kLdaImageExportedMessage);
  const QImage back(QString::fromStdString(file));
  ASSERT_EQ(back.size(), QSize(600, 750));
  // The plot as the window draws it, without the blink, and white below.
  EXPECT_EQ(back.copy(0, 0, 600, 600).convertToFormat(QImage::Format_RGB32), Picture(view));
  EXPECT_EQ(DarkPixels(back, QRect(0, 601, 600, 149)), 0) << "the band below the plot is empty";
}

TEST_F(LdaViewTest, DeleteSamplePointUnclassifiesTheCurrentSampleAndRunsAgain) {
  synth::PlantedClassOptions options;
  options.classes = 3;
  options.samplesPerClass = 4;
  options.genes = 12;
  const synth::PlantedClassTruth truth = synth::MakePlantedClasses(options);
  synth::InstallPlantedClusterGroup(truth.group);
  GroupSettings& settings = TheGroup().Settings();
  settings.MASK_REDUNDANT = 0;
  settings.GENE_LIST_FILE = File("genes.txt");
  std::ofstream(settings.GENE_LIST_FILE) << synth::PlantedGeneListText(truth.group);
  settings.LDA_FILE = File("lda result.xls");
  InitLdaResult();
  LDA_RESULT& result = TheLdaResult();
  for (int j = 0; j < truth.Samples(); ++j)
    result.classOf[static_cast<std::size_t>(j)] = static_cast<float>(truth.classOf[j]);
  result.classCount = options.classes;
  result.pca = true;  // principal effects: no R needed
  {
    const RaisedAnalysisRunning running;
    ASSERT_TRUE(RunLda());
  }
  LdaView& view = ShowResult();
  mFrame->InsertViewItem(VIEW_LDA, "PCA", 12);
  mFrame->SelectViewItem(VIEW_ANALYSIS);
  mFrame->ShowView(VIEW_LDA);  // shown, its item not selected
  view.setFocus();
  for (int k = 0; k < 3; ++k) QTest::keyClick(&view, Qt::Key_PageDown);
  ASSERT_EQ(SampleGrouping.CurrentSample(), 2);

  CapturedLog log;
  QTest::keyClick(&view, Qt::Key_Delete);
  ASSERT_FALSE(log.Lines().empty());
  EXPECT_EQ(log.Lines()[0].text, "{Delete sample point [" + SampleGrouping.SampleName(2) + "] ");
  EXPECT_EQ(log.Lines()[0].colour, kLogBlue);
  EXPECT_TRUE(log.Contains("PCA finished}", kLogBlue));
  EXPECT_EQ(result.ClassOf(2), -1);
  EXPECT_EQ(result.ClassOf(3), truth.classOf[3]);
  EXPECT_EQ(SampleGrouping.CurrentSample(), -1);
  EXPECT_EQ(mFrame->LeftView().currentItem(), mFrame->LeftView().ViewItem(VIEW_LDA));
  EXPECT_EQ(mFrame->CurrentViewIndex(), VIEW_LDA);
  // The view shows the new run: the sample is black now, as unclassified after PCA.
  ASSERT_EQ(view.Points()[2].classIndex, -1);
  const ScatterBox moved = view.Boxes()[2];  // a copy: the rerun below rebuilds the boxes
  EXPECT_EQ(Picture(view).pixelColor(moved.left + 1, moved.top + 1), QColor(Qt::black));
  EXPECT_FALSE(mFrame->OnCommand(ids::kDeleteSamplePoint)) << "no current sample now";

  // A rerun that fails (the gene list is gone) leaves no old picture standing for a result.
  std::filesystem::remove(settings.GENE_LIST_FILE);
  SampleGrouping.SetCurrentSample(3);
  log.Clear();
  QTest::keyClick(&view, Qt::Key_Delete);
  EXPECT_TRUE(log.ContainsRed("LDA not completed}"));
  EXPECT_EQ(result.resultRows, 0);
  EXPECT_TRUE(view.Points().empty());
  EXPECT_TRUE(view.Boxes().empty());
  EXPECT_EQ(Picture(view).pixelColor(moved.left + 1, moved.top + 1), QColor(Qt::white));
}

TEST_F(LdaViewTest, ScreenshotOfPlantedClasses) {
  MakeGroup(32);
  LdaView& view = ShowView(PlantClasses(32, 4, 51));
  mFrame->InsertViewItem(VIEW_LDA, "LDA Classification", 12);
  mFrame->SelectViewItem(VIEW_LDA);
  mFrame->resize(1000, 760);
  SampleGrouping.SetCurrentSample(5);
  view.OnInitialUpdate();
  QApplication::processEvents();
  SaveScreenshot(mFrame->grab().toImage(), "lda_view.png");
}

}  // namespace
