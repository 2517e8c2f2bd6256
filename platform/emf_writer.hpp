// Enhanced metafiles: a picture kept as the drawing records that make it (pens, brushes
// and fonts, rectangles, ellipses, lines and polygons, text and bitmaps), so that it can
// be scaled without losing detail. The writer builds the records in memory; the header,
// which counts them and bounds the drawing, is filled in at the end.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// Record types.
namespace emr {
inline constexpr std::uint32_t kHeader = 1;
inline constexpr std::uint32_t kPolygon = 3;
inline constexpr std::uint32_t kPolyline = 4;
inline constexpr std::uint32_t kEof = 14;
inline constexpr std::uint32_t kSetBkMode = 18;
inline constexpr std::uint32_t kSetTextAlign = 22;
inline constexpr std::uint32_t kSetTextColor = 24;
inline constexpr std::uint32_t kSelectObject = 37;
inline constexpr std::uint32_t kCreatePen = 38;
inline constexpr std::uint32_t kCreateBrushIndirect = 39;
inline constexpr std::uint32_t kDeleteObject = 40;
inline constexpr std::uint32_t kEllipse = 42;
inline constexpr std::uint32_t kRectangle = 43;
inline constexpr std::uint32_t kStretchDiBits = 81;
inline constexpr std::uint32_t kExtCreateFontIndirectW = 82;
inline constexpr std::uint32_t kExtTextOutW = 84;
inline constexpr std::uint32_t kPolygon16 = 86;
inline constexpr std::uint32_t kPolyline16 = 87;
}  // namespace emr

inline constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr std::uint32_t kEmfHeaderSize = 108;
// Stock objects selected by these handles need not be created.
inline constexpr std::uint32_t kEmfNullBrush = 0x80000005;
inline constexpr std::uint32_t kEmfNullPen = 0x80000008;
inline constexpr std::uint32_t kEmfTransparent = 1;  // background mode
inline constexpr std::uint32_t kEmfTextBaseline = 24;

struct EmfPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Inclusive device coordinates, as the records keep them.
struct EmfRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = -1;
  std::int32_t bottom = -1;
};

class EmfWriter {
 public:
  // A picture of width x height pixels at dotsPerInch.
  EmfWriter(int width, int height, int dotsPerInch = 96);

  // Objects get the lowest free handle; colours are 0x00BBGGRR.
  std::uint32_t CreatePen(int width, std::uint32_t colour);
  std::uint32_t CreateSolidBrush(std::uint32_t colour);
  // A font of the height in pixels (the cell height), weight 400 normal or 700 bold.
  std::uint32_t CreateFont(int height, int weight, bool italic, std::u16string_view face);
  void SelectObject(std::uint32_t handle);
  // Frees the handle for the next object.
  void DeleteObject(std::uint32_t handle);

  void SetBkMode(std::uint32_t mode);
  void SetTextAlign(std::uint32_t align);
  void SetTextColor(std::uint32_t colour);

  // Outlined with the pen, filled with the brush; the box excludes right and bottom.
  void Rectangle(const EmfRect& box);
  void Ellipse(const EmfRect& box);
  // Short-coordinate records when every point fits in 16 bits.
  void Polyline(std::span<const EmfPoint> points);
  void Polygon(std::span<const EmfPoint> points);
  // Text at the reference point, each character advancing by its width in pixels.
  void TextOut(EmfPoint reference, std::u16string_view text,
               std::span<const std::int32_t> advances);
  // A device-independent bitmap block (platform/bmp_file.hpp) stretched over the box.
  void StretchDib(const EmfRect& box, std::span<const std::uint8_t> dib);

  // The end record, then the whole file with its header filled in.
  std::vector<std::uint8_t> Finish();

 private:
  std::uint32_t NewHandle();
  void Record(std::uint32_t type, std::span<const std::uint8_t> body);
  // A record whose body is one 32-bit word (a handle, a mode, a colour).
  void RecordOfOneWord(std::uint32_t type, std::uint32_t word);
  void Cover(const EmfRect& box);
  void PolyRecord(std::uint32_t type16, std::uint32_t type32, std::span<const EmfPoint> points);

  int mWidth;
  int mHeight;
  int mDotsPerInch;
  std::vector<std::uint8_t> mRecords;  // every record after the header
  std::uint32_t mRecordCount = 0;
  std::vector<bool> mHandleInUse{true};  // handle 0 is the metafile's own
  EmfRect mBounds;
  bool mDrawn = false;
};

}  // namespace platform
