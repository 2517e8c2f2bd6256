// The probe data view's picture.
#include "shell/views/array/data_drawing.hpp"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/base/brightness_scale.hpp"
#include "engine/base/missing_value.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/chip/probe_block_column.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/info/gene_info.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr COLORREF kOlive = RGB(150, 150, 0);
constexpr COLORREF kTeal = RGB(0, 150, 150);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kLightGrey = RGB(200, 200, 200);
constexpr COLORREF kPhiBar = RGB(0, 240, 240);
constexpr int kFontHeight = 14;
constexpr int kLabelHeight = 16;
// Scatter point flags: plain, marked (an outlier) and the current one.
constexpr int kPointPlain = 0;
constexpr int kPointMarked = 1;
constexpr int kPointCurrent = 2;

QPen SolidPen(COLORREF colour) {
  QPen pen(ToQColor(colour));
  pen.setWidth(1);
  return pen;
}

bool Missing(double v) {
  return v == MISSING_VALUE || !(v == v);
}

QFont ViewFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(kFontHeight);
  font.setWeight(QFont::Normal);
  return font;
}

void DrawLabel(QPainter& painter, const DataBox& panel, int down, const std::string& text) {
  painter.drawText(QRect(panel.left + kDataLabelInset, panel.top + kDataLabelInset + down,
                         std::max(1, panel.width - 2 * kDataLabelInset), kLabelHeight),
                   Qt::AlignLeft | Qt::AlignTop, ToQString(text));
}

void FramePanel(QPainter& painter, const DataBox& panel) {
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(panel.left, panel.top, panel.width - 1, panel.height - 1);
}

double LargestPhi() {
  double largest = 0.0;
  for (int j = 0; j < Model.ProbeCount(); ++j)
    if (!Missing(Model.ResultPhi(j))) largest = std::max(largest, Model.ResultPhi(j));
  return largest;
}

int LargestPosition() {
  int largest = 1;
  for (int j = 0; j < Model.ProbeCount(); ++j) largest = std::max(largest, Model.ProbePosition(j));
  return largest;
}

// The zero line and the cyan bars of phi under the curves.
void DrawCurveBackdrop(QPainter& painter, const DataBox& area, const DataRange& range,
                       bool positions) {
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  if (range.low <= 0.0 && range.high >= 0.0) {
    const int y = DataValueY(area, 0.0, range.low, range.high);
    painter.drawLine(area.left, y, area.Right(), y);
  }
  const double largestPhi = LargestPhi();
  if (largestPhi <= 0.0) return;
  painter.setPen(SolidPen(kPhiBar));
  for (int j = 0; j < Model.ProbeCount(); ++j) {
    const double phi = Model.ResultPhi(j);
    if (Missing(phi) || phi <= 0.0) continue;
    const int x = CurveProbeX(area, j, positions);
    const int height = static_cast<int>(phi / largestPhi * area.height);
    if (height > 0) painter.drawLine(x, area.Bottom(), x, area.Bottom() - height + 1);
  }
}

void DrawCurve(QPainter& painter, const DataDrawState& state, const DataBox& area, int array,
               DataSeries series, const DataRange& range, COLORREF colour, bool positions) {
  painter.setPen(SolidPen(colour));
  painter.setBrush(Qt::NoBrush);
  bool joined = false;
  QPoint previous;
  for (int j = 0; j < Model.ProbeCount(); ++j) {
    const double v = DataSeriesValue(series, array, j);
    if (Missing(v)) {
      joined = false;  // a missing value breaks the line
      continue;
    }
    const QPoint at(CurveProbeX(area, j, positions), DataValueY(area, v, range.low, range.high));
    if (joined) painter.drawLine(previous, at);
    const bool excluded =
        Model.IsSingleOutlier(array, j) || Model.IsProbeOutlier(j) || Model.IsArrayOutlier(array);
    const int radius = excluded ? state.outlierRadius : state.pointRadius;
    painter.drawEllipse(at, radius, radius);
    previous = at;
    joined = true;
  }
}

struct ScatterPoint {
  double x = 0.0;
  double y = 0.0;
  int flag = kPointPlain;
};

void DrawScatter(QPainter& painter, const DataDrawState& state, const DataBox& area,
                 const std::vector<ScatterPoint>& points) {
  double lowX = 0.0, highX = 0.0, highY = 0.0;
  bool any = false;
  for (const ScatterPoint& p : points) {
    if (Missing(p.x) || Missing(p.y)) continue;
    lowX = any ? std::min(lowX, p.x) : p.x;
    highX = any ? std::max(highX, p.x) : p.x;
    highY = any ? std::max(highY, p.y) : p.y;
    any = true;
  }
  if (!any) return;
  const double lowY = 0.0;
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  if (lowX <= 0.0 && highX >= 0.0) {
    const int x = DataValueX(area, 0.0, lowX, highX);
    painter.drawLine(x, area.top, x, area.Bottom());
  }
  if (highY >= 0.0) {
    const int y = DataValueY(area, 0.0, lowY, highY);
    painter.drawLine(area.left, y, area.Right(), y);
  }
  for (const ScatterPoint& p : points) {
    if (Missing(p.x) || Missing(p.y)) continue;
    const QPoint at(DataValueX(area, p.x, lowX, highX), DataValueY(area, p.y, lowY, highY));
    painter.setPen(SolidPen(p.flag == kPointMarked ? kBlue : kOlive));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, state.pointRadius, state.pointRadius);
    if (p.flag == kPointCurrent) {
      painter.setPen(SolidPen(RGB(0, 0, 0)));
      painter.setBrush(Qt::black);
      painter.drawEllipse(at, state.pointRadius, state.pointRadius);
      painter.setBrush(Qt::NoBrush);
    }
  }
}

std::string UnitName(int unit) {
  if (unit < 0 || static_cast<std::size_t>(unit) >= Layout.units.size()) return {};
  return std::string(Layout.units[static_cast<std::size_t>(unit)].Name());
}

std::string ArrayName(int array) {
  if (array < 0 || array >= TheGroup().NumArrays()) return {};
  return TheGroup().Array(array).name;
}

// The probes of kind 3 SNP sets whose position carries a partner offset.
int ReverseProbeCount() {
  int count = 0;
  for (int j = 0; j < Model.ProbeCount(); ++j)
    if (Model.ProbePosition(j) < 0) ++count;
  return count;
}

void DrawProbeStrip(QPainter& painter, const DataDrawState& state) {
  const ProbeStripGeometry strip = ModelProbeStrip(state.geometry);
  const bool snp = ArrayType != 0;
  const int pairs = Model.ProbeCount();
  const int centre = snp ? CentrePairCount(state.unit) : 0;
  const int low = Model.DisplayLow();
  const int high = Model.DisplayHigh();
  painter.setPen(Qt::NoPen);
  for (int i = 0; i < pairs; ++i)
    for (const bool pm : {true, false}) {
      int column = i;
      int row = pm ? 0 : 1;
      if (snp) {
        const BlockPlace place = MapProbeToBlockColumn(pairs, i, pm, centre, ArrayType);
        column = place.column;
        row = place.row;
      }
      const double v = pm ? Model.Pm(state.array, i) : Model.Mm(state.array, i);
      const QColor colour =
          Missing(v) ? QColor(Qt::white) : ToQColor(BrightnessColor(v, low, high));
      painter.fillRect(strip.left + column * strip.cellSize, strip.top + row * strip.cellSize,
                       strip.cellSize, strip.cellSize, colour);
    }
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  if (snp)
    for (int row = 0; row < kBlockRows; ++row)
      painter.drawText(QRect(strip.left - kDataStripLabelWidth, strip.top + row * strip.cellSize,
                             kDataStripLabelWidth, std::max(strip.cellSize, kLabelHeight)),
                       Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(kBlockRowLabels[row]));
}

void DrawHeader(QPainter& painter, const DataDrawState& state) {
  const DataBox panel = DataPanel(state.geometry, 1, 0);
  DrawLabel(painter, panel, 0,
            MessageBuffer("[Gene %d: %s] [%s]", state.unit, UnitName(state.unit).c_str(),
                          ArrayName(state.array).c_str()));
  if (const GENE_INFO* gene = GeneInfo.Gene(state.unit))
    DrawLabel(painter, panel, kDataGeneNameOffset, std::string(gene->Name));
  std::string method = "Model method: " + std::string(ModelMethodName(Model.Options().method));
  if (ArrayType == 3) method += MessageBuffer(" (#reverse:%d)", ReverseProbeCount());
  DrawLabel(painter, panel, kDataMethodOffset, method);
  DrawProbeStrip(painter, state);
}

void DrawNormal(QPainter& painter, const DataDrawState& state) {
  const DataGeometry& g = state.geometry;
  const int array = state.array;
  for (int column = 0; column < kDataColumns; ++column)
    for (int row = 0; row < kDataRows; ++row) FramePanel(painter, DataPanel(g, column, row));

  const bool positions = state.probePositions;
  struct Curve {
    DataSeries series;
    COLORREF colour;
  };
  const std::vector<Curve> rows[kDataRows] = {
      {{DataSeries::kBackground, kLightGrey}, {DataSeries::kMm, kTeal}, {DataSeries::kPm, kBlue}},
      {{DataSeries::kInput, kBlue}},
      {{DataSeries::kFitted, kLightGrey},
       {DataSeries::kInput, kBlue},
       {DataSeries::kResidual, kRed}},
  };
  for (int row = 0; row < kDataRows; ++row) {
    const DataBox panel = DataPanel(g, 0, row);
    const DataBox area = DataPlotArea(g, 0, row);
    const DataRange range = CurveRange(row);
    painter.save();
    painter.setClipRect(panel.left, panel.top, panel.width, panel.height);
    DrawCurveBackdrop(painter, area, range, positions);
    for (const Curve& curve : rows[row])
      DrawCurve(painter, state, area, array, curve.series, range, curve.colour, positions);
    painter.restore();
  }
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  DrawLabel(painter, DataPanel(g, 0, 0), 0,
            MessageBuffer("Y display range:(0,%d), Call:%s, P%%:%d%%", Model.DisplayHigh(),
                          CallText(array).c_str(), Model.PresentPercent()));
  const DataRange input = CurveRange(1);
  if (positions)
    DrawLabel(
        painter, DataPanel(g, 0, 1), 0,
        MessageBuffer("Y range:(%d,%d), X range: (%d,%d)", static_cast<int>(input.low),
                      static_cast<int>(input.high), Model.FirstPosition(), Model.LastPosition()));
  else
    DrawLabel(painter, DataPanel(g, 0, 1), 0,
              MessageBuffer("Y display range:(%d,%d)", static_cast<int>(input.low),
                            static_cast<int>(input.high)));
  DrawLabel(painter, DataPanel(g, 0, 2), 0,
            MessageBuffer("%.2f%%, Rd:%d,Arr:%d,Pro:%d,Out:%d", Model.ExplainedFraction() * 100.0,
                          Model.Passes(), Model.ArraysInUse(), Model.ProbesInUse(),
                          Model.SingleOutlierCount()));

  std::vector<ScatterPoint> arrays;
  for (int i = 0; i < Model.ArrayCount(); ++i)
    arrays.push_back({Model.ResultTheta(i), Model.ThetaStdErr(i),
                      i == array                ? kPointCurrent
                      : Model.IsArrayOutlier(i) ? kPointMarked
                                                : kPointPlain});
  DrawScatter(painter, state, DataPlotArea(g, 1, 1), arrays);
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  DrawLabel(painter, DataPanel(g, 1, 1), 0,
            MessageBuffer("X:Theta=%.1f, Y:ThetaStd=%.1f", Model.ResultTheta(array),
                          Model.ThetaStdErr(array)));

  std::vector<ScatterPoint> probes;
  double largestError = 0.0;
  for (int j = 0; j < Model.ProbeCount(); ++j) {
    probes.push_back({Model.ResultPhi(j), Model.PhiStdErr(j),
                      Model.IsProbeOutlier(j) ? kPointMarked : kPointPlain});
    if (!Missing(Model.PhiStdErr(j))) largestError = std::max(largestError, Model.PhiStdErr(j));
  }
  DrawScatter(painter, state, DataPlotArea(g, 1, 2), probes);
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  DrawLabel(painter, DataPanel(g, 1, 2), 0,
            MessageBuffer("X:Phi, Y:PhiStd, Y display range:(0,%.2f)", largestError));
  DrawHeader(painter, state);
}

void DrawShowAll(QPainter& painter, const DataDrawState& state) {
  const DataGeometry& g = state.geometry;
  const DataRange range{0.0, static_cast<double>(Model.DisplayHigh())};
  const Group& group = TheGroup();
  for (int k = 0; k < Model.ArrayCount(); ++k) {
    const int array = static_cast<int>(Model.OrderEntry(k).array);
    const int column = k % g.columns;
    const int row = k / g.columns;
    const DataBox panel = DataPanel(g, column, row);
    const DataBox area = DataPlotArea(g, column, row);
    FramePanel(painter, panel);
    painter.save();
    painter.setClipRect(panel.left, panel.top, panel.width, panel.height);
    DrawCurve(painter, state, area, array, DataSeries::kMm, range, kTeal, state.probePositions);
    DrawCurve(painter, state, area, array, DataSeries::kPm, range, kBlue, state.probePositions);
    painter.restore();
    std::string label;
    if (k == 0) label = MessageBuffer("%s, Ymax:%.0f] ", UnitName(state.unit).c_str(), range.high);
    const char call = Model.Call(array);
    label += MessageBuffer("[%s, %c] ", ArrayName(array).c_str(), call != '\0' ? call : ' ');
    const auto& values = group.Array(array).values;
    if (group.Modelled && static_cast<std::size_t>(state.unit) < values.size())
      label += MessageBuffer(
          "[MBEI: %.0f]", static_cast<double>(values[static_cast<std::size_t>(state.unit)].value));
    painter.setPen(SolidPen(RGB(0, 0, 0)));
    DrawLabel(painter, panel, 0, label);
  }
}

}  // namespace

double DataSeriesValue(DataSeries series, int array, int probe) {
  switch (series) {
    case DataSeries::kPm:
      return Model.Pm(array, probe);
    case DataSeries::kMm:
      return Model.Mm(array, probe);
    case DataSeries::kBackground:
      return Model.Background(array, probe);
    case DataSeries::kInput:
      return Model.Data(array, probe);
    case DataSeries::kFitted:
      return Model.Fitted(array, probe);
    case DataSeries::kResidual:
      return Model.Residual(array, probe);
  }
  return MISSING_VALUE;
}

DataRange CurveRange(int row) {
  if (row == 0 || (row == 1 && Model.Options().method == kModelPmOnly))
    return {0.0, static_cast<double>(Model.DisplayHigh())};
  if (row == 1) return {std::min(Model.DataMin(), 0.0), Model.DataMax()};
  // The fit's panel reaches down to the smallest residual of any array, so the residuals
  // stay in view and the range does not change as the arrays go by.
  DataRange range{std::min(Model.DataMin(), 0.0), Model.DataMax()};
  if (Model.Options().method == kModelPmOnly) range.high = Model.DisplayHigh();
  for (int i = 0; i < Model.ArrayCount(); ++i)
    for (int j = 0; j < Model.ProbeCount(); ++j)
      if (!Missing(Model.Residual(i, j))) range.low = std::min(range.low, Model.Residual(i, j));
  return range;
}

int CurveProbeX(const DataBox& area, int probe, bool probePositions) {
  if (probePositions) return ProbePositionX(area, Model.ProbePosition(probe), LargestPosition());
  return ProbeIndexX(area, probe, Model.ProbeCount());
}

ProbeStripGeometry ModelProbeStrip(const DataGeometry& geometry) {
  const int pairs = Model.ProbeCount();
  if (ArrayType == 0) return ComputeProbeStrip(geometry, pairs, false);
  const int centre = CentrePairCount(Model.ProbeSet());
  int columns = 0;
  for (int i = 0; i < pairs; ++i)
    columns =
        std::max(columns, MapProbeToBlockColumn(pairs, i, true, centre, ArrayType).column + 1);
  return ComputeProbeStrip(geometry, columns, true);
}

std::string CallText(int array) {
  if (array < 0 || array >= Model.ArrayCount()) return {};
  const char call = Model.Call(array);
  if (ArrayType != 0) {
    const auto code = static_cast<std::size_t>(static_cast<unsigned char>(call));
    return code < kSnpCallNames.size() ? std::string(kSnpCallNames[code]) : std::string();
  }
  return call != '\0' ? std::string(1, call) : std::string();
}

void DrawDataPicture(QPainter& painter, const DataDrawState& state) {
  const DataGeometry& g = state.geometry;
  painter.setPen(SolidPen(RGB(255, 255, 255)));
  painter.setBrush(Qt::white);
  painter.drawRect(0, 0, g.pictureWidth, g.pictureHeight);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(SolidPen(RGB(0, 0, 0)));
  painter.setFont(ViewFont());
  if (state.unit < 0 || Model.ProbeSet() != state.unit || state.array < 0 ||
      state.array >= Model.ArrayCount())
    return;
  if (state.showAll)
    DrawShowAll(painter, state);
  else
    DrawNormal(painter, state);
}
