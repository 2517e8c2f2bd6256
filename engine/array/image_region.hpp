// The polygon the user draws over a defect of an array's image, its fill mask with the
// rings around it, and the three edits of the current array's cell intensities inside it
// (gradient correction, replacement by the other arrays' median, undo of the last edit).
//
// One process-wide object, reached through TheImageRegion(). It knows no window: the
// array image view asks it for the cells of the outline (OutlineCells) and draws them
// itself, with an XOR of white, so drawing the same cells twice erases them.
//
// Cells are given in cell coordinates: column x, row y. Cell (x, y) covers the square
// [x, x + 1) x [y, y + 1), and a point (px, py) of the polygon stands at that square's
// top-left corner. A cell is inside the polygon when its centre (x + 0.5, y + 0.5) is,
// by the even-odd (alternate) rule: a ray from the centre towards growing x crosses the
// polygon's edges an odd number of times. An edge from (xa, ya) to (xb, yb) is crossed
// when exactly one of ya, yb is greater than y + 0.5 (so horizontal edges never count and
// no vertex lies on the ray) and the crossing lies strictly to the right of the centre.
// The rule is settled in exact arithmetic: a centre that lies on an edge counts as
// inside only through that rule, never by rounding.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

struct CellPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const CellPoint&, const CellPoint&) = default;
};

// Inclusive bounds in cells.
struct CellBox {
  int left = 0;
  int top = 0;
  int right = -1;
  int bottom = -1;
};

inline constexpr int kMaxRegionPoints = 40;
inline constexpr const char* kMaxRegionPointsMessage = "Maximum number of points reached";
inline constexpr int kMinRegionPoints = 3;
inline constexpr const char* kTooFewRegionPointsMessage =
    "Must have at least 3 points to form a region";
// Rings of cells around the polygon (mask levels 2 to kRegionRings + 1); the box is the
// polygon's bounds grown by as many cells.
inline constexpr int kRegionRings = 7;
// Cells from the centre to the edge of the window a cell's local median is taken over.
inline constexpr int kLocalMedianRadius = 3;

// Mask levels.
inline constexpr std::uint16_t kMaskOutside = 0;
inline constexpr std::uint16_t kMaskInside = 1;

// Why an edit is refused (red log lines; the view disables what it can foresee).
inline constexpr const char* kRegionNotClosedMessage =
    "    No closed region of at least 3 points to edit";
inline constexpr const char* kRegionNormalizedMessage =
    "    The arrays are normalized: image regions can only be edited before normalization";
inline constexpr const char* kRegionNoIntensitiesMessage =
    "    The array's cell intensities are not in memory, or the region was drawn on arrays "
    "of another size";
inline constexpr const char* kRegionNoRingMessage =
    "    No cells around the region in the image: the background level cannot be measured";
inline constexpr const char* kRegionOneArrayMessage =
    "    Replacing values needs at least one other array in the group";
inline constexpr const char* kRegionNothingToUndoMessage = "    No image edit to undo";

// Appends the cells of the segment from `from` to `to`, end cell excluded, as the outline
// draws them:
// - same column: the cells from the smaller to the larger row, the larger excluded (one
//   cell when both ends coincide); same row likewise;
// - otherwise, with slope s = dy / dx: when |dy| < |dx| the ends are ordered by x and the
//   cells (x, trunc(s (x - x1) + y1)) for x from x1 to x2 - 1; else they are ordered by y
//   and the cells (trunc((y - y1) / s + x1), y) for y from y1 to y2 - 1.
void DrawCellLine(CellPoint from, CellPoint to, std::vector<CellPoint>& cells);

class ImageRegion {
 public:
  // A right click at the cell. Outside drawing, the old polygon is dropped and a new one
  // begins. With kMaxRegionPoints points already the user is told kMaxRegionPointsMessage
  // and false comes back, the point not added. The point also becomes the rubber end.
  bool AddPoint(int x, int y);
  // The mouse at the cell while drawing: the rubber band follows it. Nothing otherwise.
  void TrackMouse(int x, int y);
  // A right double click at the cell, whose first click has added a point already: that
  // point is dropped again. If it was the only one, drawing stops silently. Otherwise,
  // with fewer than 2 points left the user is told kTooFewRegionPointsMessage and drawing
  // goes on; else the point at (x, y) closes the polygon and its mask is built. Nothing
  // happens outside drawing.
  void EndDrawing(int x, int y);
  // Left click while drawing, Esc while closed: the polygon goes, the last edit can no
  // longer be undone. The mask stays from the last closed polygon.
  void Drop();
  // Back to the start: no points, no mask, nothing to undo (start-up, a group opened).
  void Reset();

  bool InProgress() const { return mInProgress; }
  // Not drawing, and a polygon of at least kMinRegionPoints points is there.
  bool IsClosed() const { return !mInProgress && mPointCount >= kMinRegionPoints; }
  int PointCount() const { return mPointCount; }
  std::span<const CellPoint> Points() const {
    return {mPoints.data(), static_cast<std::size_t>(mPointCount)};
  }
  CellPoint RubberEnd() const { return mRubberEnd; }
  bool Undoable() const { return mUndoable; }

  // The cells of every segment of the outline, each by DrawCellLine in drawing order:
  // between consecutive points; while drawing also from the last point to the rubber end
  // and (with at least 2 points) from the first point to it; when closed the closing
  // segment from the last point to the first. Cells drawn twice are listed twice (XOR
  // drawing then restores them). Cells may lie outside the image (the rubber end follows
  // the mouse anywhere); the view clips them.
  std::vector<CellPoint> OutlineCells() const;

  // The mask of the last closed polygon: 0 outside, 1 inside, 2 to 8 for the rings around
  // it (one more than the cell's distance in cells, counting diagonal steps as one, to the
  // nearest inside cell). 0 outside the image and before any polygon was closed.
  int MaskLevel(int x, int y) const;
  // The side of the image the mask was built for (0 before any).
  int MaskDimension() const { return mDimension; }
  // The polygon's bounds grown by kRegionRings cells and cut to the image.
  CellBox Box() const { return mBox; }
  // The cells in the box with a level above 1.
  int RingCount() const { return mRingCount; }

  // The edits of the current array (CUR_ARRAY) of the open group, which need a closed
  // polygon, a group that is not normalised, and the array's intensities in memory at the
  // mask's dimension; a refusal logs its reason in red and changes nothing. Each records
  // the cells' old values for Undo.
  //
  // Every inside cell v becomes v + ringLevel - m, cut to [0, 65535], where m is the
  // median of the 7 x 7 window around the cell (cut to the image) and ringLevel the
  // median of the ring cells' window medians.
  bool CorrectGradient();
  // Every inside cell takes the median of the same cell on the other arrays.
  bool ReplaceByOtherArrays();
  // Puts back the values the last edit replaced, on the array it edited.
  bool Undo();

 private:
  bool EditableArray(int& array) const;
  void Close(int x, int y);
  void BuildMask();

  int mPointCount = 0;
  std::array<CellPoint, kMaxRegionPoints> mPoints{};
  CellPoint mRubberEnd;
  CellBox mBox;
  bool mInProgress = false;
  bool mUndoable = false;
  int mEditedArray = -1;
  int mDimension = 0;
  int mRingCount = 0;
  std::vector<std::uint16_t> mMask;
};

// The one region of the process.
ImageRegion& TheImageRegion();
