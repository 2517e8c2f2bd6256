// The normalisation review: reading the two arrays, normalising the one under review and
// drawing the four plots.
#include "shell/views/r/plots_view.hpp"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "engine/array/chip_data.hpp"
#include "engine/array/normalizer.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/running_scope.hpp"
#include "shell/dialogs/expression/normalization_plot_dialog.hpp"
#include "shell/services/shell_helpers.hpp"
#include "shell/services/text_conversion.hpp"
#include "shell/shell_frame.hpp"

namespace {

constexpr const char* kNormMethodNames[] = {"Invariant set normalization",
                                            "Quantile normalization"};
constexpr int kMinTicks = 5;
constexpr int kHighlightRadius = 2;
const QColor kPointColour(90, 90, 90);
const QColor kHighlightColour = ToQColor(0x0000FF);  // red
const QColor kReferenceColour = ToQColor(0xFF0000);  // blue
const QColor kCurveColour(0, 150, 0);

enum class PlotMode { kPoints, kHighlight, kCurve };

// Inside one 500 x 500 cell: room for the title above and the tick labels left and below.
constexpr int kLeftRoom = 56;
constexpr int kRightRoom = 16;
constexpr int kTopRoom = 28;
constexpr int kBottomRoom = 36;

struct Axes {
  QRect area;
  double xLow = 0.0;
  double xHigh = 1.0;
  double yLow = 0.0;
  double yHigh = 1.0;

  QPointF Map(double x, double y) const {
    return {area.left() + (x - xLow) / (xHigh - xLow) * area.width(),
            area.bottom() - (y - yLow) / (yHigh - yLow) * area.height()};
  }
};

bool Usable(double value) {
  return std::isfinite(value) && !IsMissing(value);
}

// The span of the values, widened by one when they do not spread.
void RangeOf(const std::vector<double>& values, double& low, double& high) {
  low = std::numeric_limits<double>::max();
  high = std::numeric_limits<double>::lowest();
  for (const double value : values)
    if (Usable(value)) {
      low = std::min(low, value);
      high = std::max(high, value);
    }
  if (low > high) low = high = 0.0;
  if (high - low <= 0.0) {
    low -= 1.0;
    high += 1.0;
  }
}

Axes CellAxes(int column, int row, const std::vector<double>& x, const std::vector<double>& y) {
  Axes axes;
  const int left = PlotsView::kFontWidth + column * PlotsView::kCellSize;
  const int top = PlotsView::kFontHeight + row * PlotsView::kCellSize;
  axes.area = QRect(left + kLeftRoom, top + kTopRoom, PlotsView::kCellSize - kLeftRoom - kRightRoom,
                    PlotsView::kCellSize - kTopRoom - kBottomRoom);
  RangeOf(x, axes.xLow, axes.xHigh);
  RangeOf(y, axes.yLow, axes.yHigh);
  return axes;
}

// Whole numbers, as on intensity axes; the logarithms of the M-A plots step in fractions.
QString TickLabel(double tick, double step) {
  return ToQString(
      MessageBuffer(step >= 1.0 ? "%.0f" : "%g", std::abs(tick) < step / 2 ? 0.0 : tick));
}

void DrawFrame(QPainter& painter, const Axes& axes, const std::string& title) {
  painter.setPen(Qt::black);
  painter.drawRect(axes.area);
  painter.drawText(QRect(axes.area.left() - kLeftRoom, axes.area.top() - kTopRoom,
                         PlotsView::kCellSize, kTopRoom - 4),
                   Qt::AlignCenter, ToQString(title));
  const QFontMetrics metrics = painter.fontMetrics();
  const double xStep = TickStep(axes.xHigh - axes.xLow);
  for (double tick = std::ceil(axes.xLow / xStep) * xStep; tick <= axes.xHigh; tick += xStep) {
    const QPointF at = axes.Map(tick, axes.yLow);
    painter.drawLine(at, at + QPointF(0, 4));
    const QString label = TickLabel(tick, xStep);
    painter.drawText(
        QPointF(at.x() - metrics.horizontalAdvance(label) / 2.0, at.y() + 6 + metrics.ascent()),
        label);
  }
  const double yStep = TickStep(axes.yHigh - axes.yLow);
  for (double tick = std::ceil(axes.yLow / yStep) * yStep; tick <= axes.yHigh; tick += yStep) {
    const QPointF at = axes.Map(axes.xLow, tick);
    painter.drawLine(at, at - QPointF(4, 0));
    const QString label = TickLabel(tick, yStep);
    painter.save();
    painter.translate(at.x() - 8, at.y() + metrics.horizontalAdvance(label) / 2.0);
    painter.rotate(-90);
    painter.drawText(QPointF(0, 0), label);
    painter.restore();
  }
}

// Draws the pairs; returns how many fell inside the plot's ranges.
int DrawPairs(QPainter& painter, const Axes& axes, const std::vector<double>& x,
              const std::vector<double>& y, PlotMode mode) {
  painter.save();
  painter.setClipRect(
      axes.area.adjusted(-kHighlightRadius, -kHighlightRadius, kHighlightRadius, kHighlightRadius));
  int drawn = 0;
  QPolygonF curve;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!Usable(x[i]) || !Usable(y[i])) continue;
    const QPointF at = axes.Map(x[i], y[i]);
    ++drawn;
    switch (mode) {
      case PlotMode::kPoints:
        painter.setPen(kPointColour);
        painter.drawPoint(at);
        break;
      case PlotMode::kHighlight:
        painter.setPen(kHighlightColour);
        painter.drawEllipse(at, kHighlightRadius, kHighlightRadius);
        break;
      case PlotMode::kCurve:
        curve << at;
        break;
    }
  }
  if (mode == PlotMode::kCurve) {
    painter.setPen(QPen(kCurveColour, 2));
    painter.drawPolyline(curve);
  }
  if (mode == PlotMode::kHighlight) {
    // The diagonal of equal values (a line of no change on the M-A plots) for reference.
    painter.setPen(kReferenceColour);
    const double low = std::max(axes.xLow, axes.yLow);
    const double high = std::min(axes.xHigh, axes.yHigh);
    if (low < high) painter.drawLine(axes.Map(low, low), axes.Map(high, high));
  }
  painter.restore();
  return drawn;
}

// M = log2(baseline) - log2(array) against A = log2(array) + log2(baseline); pairs with a
// value of 0 or below have no logarithm and are left out.
void ToMa(const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& a,
          std::vector<double>& m) {
  a.clear();
  m.clear();
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!(x[i] > 0.0) || !(y[i] > 0.0)) continue;
    a.push_back(std::log2(x[i]) + std::log2(y[i]));
    m.push_back(std::log2(y[i]) - std::log2(x[i]));
  }
}

class PlotCanvas final : public QWidget {
 public:
  explicit PlotCanvas(const PlotsView& view, QWidget* parent) : QWidget(parent), mView(view) {
    setFixedSize(PlotsView::kWidth, PlotsView::kHeight);
    FillWhiteBehindPaint(*this);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    if (mView.Ready()) {
      painter.drawImage(0, 0, mView.Picture());
      return;
    }
    painter.setPen(Qt::black);
    painter.drawText(QPoint(10, 10 + painter.fontMetrics().ascent()),
                     QString::fromLatin1(kPlotsHint));
  }

 private:
  const PlotsView& mView;
};

}  // namespace

double PlotCorrelation(std::span<const double> x, std::span<const double> y) {
  const std::size_t n = std::min(x.size(), y.size());
  double sumX = 0.0;
  double sumY = 0.0;
  int count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (IsMissing(x[i]) || IsMissing(y[i])) continue;
    sumX += x[i];
    sumY += y[i];
    ++count;
  }
  if (count == 0) return -1.0;
  if (count == 1) return 1.0;
  const double meanX = sumX / count;
  const double meanY = sumY / count;
  double xx = 0.0;
  double yy = 0.0;
  double xy = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    if (IsMissing(x[i]) || IsMissing(y[i])) continue;
    xx += (x[i] - meanX) * (x[i] - meanX);
    yy += (y[i] - meanY) * (y[i] - meanY);
    xy += (x[i] - meanX) * (y[i] - meanY);
  }
  if (xx <= 0.0 || yy <= 0.0) return -1.0;
  return xy / std::sqrt(xx * yy);
}

double TickStep(double range) {
  if (!(range > 0.0) || !std::isfinite(range)) return 1.0;
  double step = 2.0 * std::pow(10.0, std::floor(std::log10(range)));
  // Whole steps halve by integer division, as the labels show whole numbers.
  while (range / step < kMinTicks) step = step >= 2.0 ? std::floor(step / 2.0) : step / 2.0;
  return step;
}

PlotsView::PlotsView(ShellFrame& frame, QWidget* parent) : QScrollArea(parent), mFrame(frame) {
  setObjectName(QStringLiteral("view%1").arg(10));
  setBackgroundRole(QPalette::Base);
  mCanvas = new PlotCanvas(*this, this);
  setWidget(mCanvas);
}

PlotsView::~PlotsView() = default;

void PlotsView::Reset() {
  mReady = false;
  mPlots.clear();
  mBaseline.reset();
  mBaselineArray = -1;
  mCanvas->update();
}

bool PlotsView::PreparePlots() {
  mReady = false;
  bool built = false;
  {
    const RaisedAnalysisRunning running;
    built = BuildPlots();
  }
  mReady = built;
  if (!built) mPlots.clear();
  mCanvas->update();
  return built;
}

bool PlotsView::BuildPlots() {
  Group& group = TheGroup();
  const int current = group.Settings().CUR_ARRAY;
  const int baselineArray = group.NormPlot.array;
  if (current < 0 || current >= group.NumArrays() || baselineArray < 0 ||
      baselineArray >= group.NumArrays()) {
    LogMessage("    No array to review, or no baseline array", 0, kLogRed);
    return false;
  }
  mPicture = QImage(kWidth, kHeight, QImage::Format_RGB32);
  mPicture.fill(Qt::white);

  // A review against another baseline reads that one afresh.
  if (mBaseline && mBaselineArray != baselineArray) mBaseline.reset();
  const bool allocatedHere = !mBaseline;
  if (allocatedHere) {
    const int method = group.Settings().NORM_METHOD != 0 ? 1 : 0;
    LogMessage(MessageBuffer("{Normalization plot using %s", kNormMethodNames[method]), 0,
               kLogBlue);
    LogMessage(MessageBuffer("  Baseline: '%s', array to normalize: '%s'",
                             group.Array(baselineArray).name.c_str(),
                             group.Array(current).name.c_str()));
    mBaseline.reset(new (std::nothrow) CHIP_DATA);
    if (!mBaseline) {
      LogMessage("Allocating baseline array data failed", 0, kLogRed);
      return false;
    }
    if (!mBaseline->ReadArray(group.Array(baselineArray).dataFile.c_str(), false, false)) {
      mBaseline.reset();
      return false;
    }
    mBaselineArray = baselineArray;
  }
  const auto release = [this, allocatedHere] {
    if (allocatedHere) {
      mBaseline.reset();
      mBaselineArray = -1;
    }
  };

  // The normalisation job's review normalises the array for good; a plot asked for by
  // the user saves it only when told to.
  const bool save =
      group.NormPlot.mode == kNormPlotBaselineComparison || NormPlotOptions().saveNormalized;
  if (!ChipData.ReadArray(group.Array(current).dataFile.c_str(), false, false) ||
      !ChipData.NormalizeCel(mBaseline.get(), true, true, save)) {
    release();
    return false;
  }
  const std::size_t cells = ChipData.plane1.size();
  if (cells == 0 || mBaseline->plane1.size() != cells || ChipData.plane2.size() != cells) {
    LogMessage("    Allocating chip_vec failed", 0, kLogRed);
    release();
    return false;
  }

  LogMessage("    Making plots...");
  std::vector<double> raw;
  std::vector<double> normalised;
  std::vector<double> baseline;
  const bool cellKinds = Layout.HasCells() && Layout.cells.size() == cells;
  for (std::size_t i = 0; i < cells; ++i) {
    if (cellKinds && Layout.cells[i].kind == kCellNoUnit) continue;
    raw.push_back(ChipData.plane1[i]);
    baseline.push_back(mBaseline->plane1[i]);
    normalised.push_back(ChipData.plane2[i]);
  }
  // The pairs the curve was fitted through, before and after the mapping. The baseline
  // against itself is copied, not fitted, so the normaliser holds no pairs of its own.
  const bool fitted = !SameFileName(ChipData.dataPath, mBaseline->dataPath);
  std::vector<double> usedRaw;
  std::vector<double> usedMapped;
  std::vector<double> usedBaseline;
  for (const NormPoint& point : fitted ? Normalizer.Points() : std::span<const NormPoint>()) {
    usedRaw.push_back(point.x);
    usedMapped.push_back(Normalizer.MapValue(point.x));
    usedBaseline.push_back(point.y);
  }
  std::vector<double> curveX;
  std::vector<double> curveY;
  if (fitted && Normalizer.HasCurve()) {
    double low = 0.0;
    double high = 0.0;
    RangeOf(raw, low, high);
    Normalizer.CurvePoints(low, high, curveX, curveY);
  }

  const std::string& name = group.Array(current).name;
  const std::string yPart =
      MessageBuffer("Y: baseline %s raw, ", group.Array(baselineArray).name.c_str());
  QPainter painter(&mPicture);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kFontHeight - 4);
  painter.setFont(font);
  mPlots.clear();

  const auto scatter = [&](int column, int row, const std::string& title,
                           const std::vector<double>& x, const std::vector<double>& y,
                           const std::vector<double>& usedX, const std::vector<double>& usedY,
                           double correlation) {
    const Axes axes = CellAxes(column, row, x, y);
    DrawFrame(painter, axes, title);
    PlotSummary plot;
    plot.title = title;
    plot.correlation = correlation;
    plot.points = DrawPairs(painter, axes, x, y, PlotMode::kPoints);
    plot.usedPoints = DrawPairs(painter, axes, usedX, usedY, PlotMode::kHighlight);
    return std::pair(axes, plot);
  };

  const double before = PlotCorrelation(raw, baseline);
  auto [firstAxes, first] = scatter(0, 0,
                                    MessageBuffer("X: %s raw, ", name.c_str()) + yPart +
                                        MessageBuffer("Correlation: %.3f", before),
                                    raw, baseline, usedRaw, usedBaseline, before);
  first.curvePoints = DrawPairs(painter, firstAxes, curveX, curveY, PlotMode::kCurve);
  mPlots.push_back(first);

  const double after = PlotCorrelation(normalised, baseline);
  mPlots.push_back(scatter(1, 0,
                           MessageBuffer("X: %s normalized, ", name.c_str()) + yPart +
                               MessageBuffer("Correlation: %.3f", after),
                           normalised, baseline, usedMapped, usedBaseline, after)
                       .second);

  std::vector<double> a;
  std::vector<double> m;
  std::vector<double> usedA;
  std::vector<double> usedM;
  ToMa(raw, baseline, a, m);
  ToMa(usedRaw, usedBaseline, usedA, usedM);
  mPlots.push_back(
      scatter(0, 1, "M-A plot before normalization", a, m, usedA, usedM, PlotCorrelation(a, m))
          .second);
  ToMa(normalised, baseline, a, m);
  ToMa(usedMapped, usedBaseline, usedA, usedM);
  mPlots.push_back(
      scatter(1, 1, "M-A plot after normalization", a, m, usedA, usedM, PlotCorrelation(a, m))
          .second);

  if (allocatedHere) LogMessage("Finished}\n", 0, kLogBlue);
  return true;
}

void PlotsView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    mFrame.NextView();
    return;
  }
  QScrollArea::keyPressEvent(event);
}
