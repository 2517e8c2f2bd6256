// A paint device and engine that turn the painter's calls into metafile records.
#include "shell/services/emf_paint_device.hpp"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>

#include <cmath>
#include <optional>

#include "platform/bmp_file.hpp"
#include "platform/emf_writer.hpp"
#include "shell/services/text_conversion.hpp"

namespace {

constexpr int kDotsPerInch = 96;

std::int32_t Round(qreal value) {
  return static_cast<std::int32_t>(std::lround(value));
}

platform::EmfPoint ToPoint(const QPointF& point) {
  return {Round(point.x()), Round(point.y())};
}

// The painter hands every primitive over in device coordinates: the engine claims no
// transform of its own, so the painter applies it (or draws a path instead).
class EmfPaintEngine final : public QPaintEngine {
 public:
  explicit EmfPaintEngine(platform::EmfWriter& writer)
      : QPaintEngine(QPaintEngine::PainterPaths), mWriter(writer) {}

  bool begin(QPaintDevice*) override {
    mWriter.SetBkMode(platform::kEmfTransparent);
    mWriter.SetTextAlign(platform::kEmfTextBaseline);
    return true;
  }
  bool end() override {
    mWriter.SelectObject(platform::kEmfNullPen);
    mWriter.SelectObject(platform::kEmfNullBrush);
    for (std::optional<std::uint32_t>* handle : {&mPenHandle, &mBrushHandle, &mFontHandle})
      if (*handle) mWriter.DeleteObject(**handle);
    return true;
  }
  Type type() const override { return QPaintEngine::User; }

  void updateState(const QPaintEngineState& changed) override {
    if (changed.state() & QPaintEngine::DirtyPen) mPen = changed.pen();
    if (changed.state() & QPaintEngine::DirtyBrush) mBrush = changed.brush();
  }

  void drawRects(const QRectF* rects, int count) override {
    if (!SelectPenAndBrush(true)) return;
    for (int i = 0; i < count; ++i) mWriter.Rectangle(Box(rects[i]));
  }
  void drawEllipse(const QRectF& rect) override {
    if (SelectPenAndBrush(true)) mWriter.Ellipse(Box(rect));
  }
  void drawLines(const QLineF* lines, int count) override {
    if (!SelectPenAndBrush(false)) return;
    for (int i = 0; i < count; ++i) {
      const platform::EmfPoint ends[2] = {ToPoint(lines[i].p1()), ToPoint(lines[i].p2())};
      mWriter.Polyline(ends);
    }
  }
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
    const bool outline = mode == QPaintEngine::PolylineMode;
    if (!SelectPenAndBrush(!outline)) return;
    std::vector<platform::EmfPoint> corners;
    corners.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) corners.push_back(ToPoint(points[i]));
    if (outline)
      mWriter.Polyline(corners);
    else
      mWriter.Polygon(corners);
  }
  void drawPath(const QPainterPath& path) override {
    if (mBrush.style() != Qt::NoBrush) {
      const QPen pen = mPen;
      mPen = QPen(Qt::NoPen);
      for (const QPolygonF& polygon : path.toFillPolygons())
        drawPolygon(polygon.constData(), static_cast<int>(polygon.size()), OddEvenMode);
      mPen = pen;
    }
    if (mPen.style() != Qt::NoPen)
      for (const QPolygonF& polygon : path.toSubpathPolygons())
        drawPolygon(polygon.constData(), static_cast<int>(polygon.size()), PolylineMode);
  }
  void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override {
    drawImage(target, pixmap.toImage(), source, Qt::AutoColor);
  }
  void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                 Qt::ImageConversionFlags) override {
    const QImage part = image.copy(source.toAlignedRect()).convertToFormat(QImage::Format_RGB888);
    if (part.isNull()) return;
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(part.width()) * part.height() * 3);
    for (int y = 0; y < part.height(); ++y) {
      const uchar* row = part.constScanLine(y);
      rgb.insert(rgb.end(), row, row + 3 * part.width());
    }
    if (const auto dib = platform::MakeDibBlock(part.width(), part.height(), rgb))
      mWriter.StretchDib({Round(target.left()), Round(target.top()), Round(target.right()),
                          Round(target.bottom())},
                         *dib);
  }
  void drawTextItem(const QPointF& point, const QTextItem& item) override {
    const QString text = item.text();
    if (text.isEmpty()) return;
    SelectFont(item.font());
    const COLORREF colour = ToColorRef(mPen.color());
    if (colour != mTextColour) {
      mWriter.SetTextColor(colour);
      mTextColour = colour;
    }
    // Whole-pixel advances whose sum follows the real positions, so the text keeps its
    // width.
    const QFontMetricsF metrics(item.font());
    std::vector<std::int32_t> advances;
    qreal position = 0;
    std::int32_t placed = 0;
    for (const QChar c : text) {
      position += metrics.horizontalAdvance(c);
      advances.push_back(Round(position) - placed);
      placed = Round(position);
    }
    const std::u16string characters(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    mWriter.TextOut(ToPoint(point), characters, advances);
  }

 private:
  // Inclusive of the outline's right and bottom edge when there is a pen.
  platform::EmfRect Box(const QRectF& rect) const {
    const int edge = mPen.style() != Qt::NoPen ? 1 : 0;
    return {Round(rect.left()), Round(rect.top()), Round(rect.right()) + edge,
            Round(rect.bottom()) + edge};
  }

  // Objects for the current pen (and brush, for shapes that fill); false when nothing
  // would be drawn.
  bool SelectPenAndBrush(bool fills) {
    const bool pen = mPen.style() != Qt::NoPen;
    const bool brush = fills && mBrush.style() != Qt::NoBrush;
    if (!pen && !brush) return false;
    const COLORREF penColour = ToColorRef(mPen.color());
    const int penWidth = std::max(1, Round(mPen.widthF()));
    if (!pen) {
      Select(mPenHandle, mPenKey, -1, platform::kEmfNullPen);
    } else if (mPenKey != (static_cast<std::int64_t>(penWidth) << 32 | penColour)) {
      Replace(mPenHandle, mWriter.CreatePen(penWidth, penColour));
      mPenKey = static_cast<std::int64_t>(penWidth) << 32 | penColour;
    }
    if (!brush) {
      Select(mBrushHandle, mBrushKey, -1, platform::kEmfNullBrush);
    } else {
      const COLORREF brushColour = ToColorRef(mBrush.color());
      if (mBrushKey != brushColour) {
        Replace(mBrushHandle, mWriter.CreateSolidBrush(brushColour));
        mBrushKey = brushColour;
      }
    }
    return true;
  }
  void SelectFont(const QFont& font) {
    if (mFontHandle && font == mFontUsed) return;
    const QString family = font.family();
    const std::u16string face(reinterpret_cast<const char16_t*>(family.utf16()),
                              static_cast<std::size_t>(family.size()));
    const int height = Round(QFontMetricsF(font).height());
    Replace(mFontHandle, mWriter.CreateFont(height, font.weight(), font.italic(), face));
    mFontUsed = font;
  }
  // Selects a new object and drops the one it replaces.
  void Replace(std::optional<std::uint32_t>& handle, std::uint32_t created) {
    mWriter.SelectObject(created);
    if (handle) mWriter.DeleteObject(*handle);
    handle = created;
  }
  // Selects a stock object once.
  void Select(std::optional<std::uint32_t>& handle, std::int64_t& key, std::int64_t stockKey,
              std::uint32_t stock) {
    if (key == stockKey) return;
    mWriter.SelectObject(stock);
    if (handle) mWriter.DeleteObject(*handle);
    handle.reset();
    key = stockKey;
  }

  platform::EmfWriter& mWriter;
  QPen mPen;
  QBrush mBrush;
  QFont mFontUsed;
  std::optional<std::uint32_t> mPenHandle;
  std::optional<std::uint32_t> mBrushHandle;
  std::optional<std::uint32_t> mFontHandle;
  std::int64_t mPenKey = -2;  // width and colour of the pen selected; -1 none
  std::int64_t mBrushKey = -2;
  COLORREF mTextColour = 0xFFFFFFFF;
};

class EmfPaintDevice final : public QPaintDevice {
 public:
  EmfPaintDevice(const QSize& size, platform::EmfWriter& writer) : mSize(size), mEngine(writer) {}
  QPaintEngine* paintEngine() const override { return &mEngine; }

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth:
        return mSize.width();
      case PdmHeight:
        return mSize.height();
      case PdmWidthMM:
        return mSize.width() * 254 / (10 * kDotsPerInch);
      case PdmHeightMM:
        return mSize.height() * 254 / (10 * kDotsPerInch);
      case PdmNumColors:
        return 0xFFFFFF;
      case PdmDepth:
        return 24;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY:
        return kDotsPerInch;
      case PdmDevicePixelRatio:
        return 1;
      case PdmDevicePixelRatioScaled:
        return static_cast<int>(devicePixelRatioFScale());
      default:
        return 0;
    }
  }

 private:
  QSize mSize;
  mutable EmfPaintEngine mEngine;
};

}  // namespace

std::vector<std::uint8_t> RecordMetafile(const QSize& size,
                                         const std::function<void(QPainter&)>& draw) {
  platform::EmfWriter writer(size.width(), size.height(), kDotsPerInch);
  {
    EmfPaintDevice device(size, writer);
    QPainter painter(&device);
    if (draw) draw(painter);
  }
  return writer.Finish();
}
