// The drawn polygon, its mask, and the edits of the current array inside it.
#include "engine/array/image_region.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/db_vector.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/user_prompt.hpp"

namespace {

constexpr int kLocalWindowCells = (2 * kLocalMedianRadius + 1) * (2 * kLocalMedianRadius + 1);

std::size_t CellIndex(int x, int y, int dimension) {
  return static_cast<std::size_t>(x) * static_cast<std::size_t>(dimension) +
         static_cast<std::size_t>(y);
}

// Whether the centre of cell (x, y) is inside the polygon, by the even-odd rule of the
// header, in doubled integer coordinates so that nothing is rounded.
bool CentreInside(std::span<const CellPoint> points, int x, int y) {
  const std::int64_t px = 2 * static_cast<std::int64_t>(x) + 1;
  const std::int64_t py = 2 * static_cast<std::int64_t>(y) + 1;
  bool inside = false;
  const std::size_t n = points.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const CellPoint a = points[j];
    const CellPoint b = points[i];
    if ((a.y > y) == (b.y > y)) continue;
    // The crossing's x relative to the centre's, times dy: its sign tells the side.
    const std::int64_t dy = 2 * static_cast<std::int64_t>(b.y - a.y);
    const std::int64_t side = (2 * static_cast<std::int64_t>(a.x) - px) * dy +
                              2 * static_cast<std::int64_t>(b.x - a.x) * (py - 2 * a.y);
    if (side != 0 && (side > 0) == (dy > 0)) inside = !inside;
  }
  return inside;
}

// A 16-bit cell value from a computed one.
std::uint16_t CellValue(long long value) {
  return static_cast<std::uint16_t>(std::clamp<long long>(value, 0, 65535));
}

}  // namespace

void DrawCellLine(CellPoint from, CellPoint to, std::vector<CellPoint>& cells) {
  if (from.x == to.x) {
    const int low = std::min(from.y, to.y);
    const int high = std::max(from.y, to.y);
    if (low == high) cells.push_back(from);
    for (int y = low; y < high; ++y) cells.push_back({from.x, y});
    return;
  }
  if (from.y == to.y) {
    const int low = std::min(from.x, to.x);
    const int high = std::max(from.x, to.x);
    for (int x = low; x < high; ++x) cells.push_back({x, from.y});
    return;
  }
  const double slope = static_cast<double>(to.y - from.y) / (to.x - from.x);
  if (std::abs(to.y - from.y) < std::abs(to.x - from.x)) {
    if (from.x > to.x) std::swap(from, to);
    for (int x = from.x; x < to.x; ++x)
      cells.push_back({x, static_cast<int>(std::trunc(slope * (x - from.x) + from.y))});
  } else {
    if (from.y > to.y) std::swap(from, to);
    for (int y = from.y; y < to.y; ++y)
      cells.push_back({static_cast<int>(std::trunc((y - from.y) / slope + from.x)), y});
  }
}

bool ImageRegion::AddPoint(int x, int y) {
  if (!mInProgress) {
    // A new polygon replaces the old one, however many points that had.
    mPointCount = 0;
    mInProgress = true;
  }
  if (mPointCount >= kMaxRegionPoints) {
    AfxMessageBox(kMaxRegionPointsMessage);
    return false;
  }
  mPoints[static_cast<std::size_t>(mPointCount++)] = {x, y};
  mRubberEnd = {x, y};
  return true;
}

void ImageRegion::TrackMouse(int x, int y) {
  if (mInProgress) mRubberEnd = {x, y};
}

void ImageRegion::EndDrawing(int x, int y) {
  if (!mInProgress || mPointCount == 0) return;
  --mPointCount;
  if (mPointCount == 0) {
    mInProgress = false;
    return;
  }
  if (mPointCount < kMinRegionPoints - 1) {
    AfxMessageBox(kTooFewRegionPointsMessage);
    return;
  }
  Close(x, y);
}

void ImageRegion::Close(int x, int y) {
  AddPoint(x, y);
  BuildMask();
  mInProgress = false;
  // The backup belongs to the old mask's cells.
  mUndoable = false;
}

void ImageRegion::Drop() {
  mPointCount = 0;
  mInProgress = false;
  mUndoable = false;
}

void ImageRegion::Reset() {
  Drop();
  mRubberEnd = {};
  mBox = {};
  mDimension = 0;
  mRingCount = 0;
  mEditedArray = -1;
  mMask.clear();
  mMask.shrink_to_fit();
}

std::vector<CellPoint> ImageRegion::OutlineCells() const {
  std::vector<CellPoint> cells;
  const std::span<const CellPoint> points = Points();
  for (int i = 1; i < mPointCount; ++i)
    DrawCellLine(points[static_cast<std::size_t>(i - 1)], points[static_cast<std::size_t>(i)],
                 cells);
  if (mPointCount == 0) return cells;
  if (mInProgress) {
    DrawCellLine(points.back(), mRubberEnd, cells);
    if (mPointCount >= 2) DrawCellLine(points.front(), mRubberEnd, cells);
  } else if (mPointCount > 2) {
    DrawCellLine(points.back(), points.front(), cells);
  }
  return cells;
}

int ImageRegion::MaskLevel(int x, int y) const {
  if (x < 0 || y < 0 || x >= mDimension || y >= mDimension) return kMaskOutside;
  return mMask[CellIndex(x, y, mDimension)];
}

void ImageRegion::BuildMask() {
  const int dimension = Layout.dimension;
  mDimension = dimension;
  mMask.assign(static_cast<std::size_t>(dimension) * static_cast<std::size_t>(dimension),
               kMaskOutside);
  const std::span<const CellPoint> points = Points();
  const auto [minX, maxX] = std::minmax_element(points.begin(), points.end(),
                                                [](CellPoint a, CellPoint b) { return a.x < b.x; });
  const auto [minY, maxY] = std::minmax_element(points.begin(), points.end(),
                                                [](CellPoint a, CellPoint b) { return a.y < b.y; });
  mBox = {std::max(minX->x - kRegionRings, 0), std::max(minY->y - kRegionRings, 0),
          std::min(maxX->x + kRegionRings, dimension - 1),
          std::min(maxY->y + kRegionRings, dimension - 1)};
  for (int x = mBox.left; x <= mBox.right; ++x)
    for (int y = mBox.top; y <= mBox.bottom; ++y)
      if (CentreInside(points, x, y)) mMask[CellIndex(x, y, dimension)] = kMaskInside;
  // Each sweep adds one ring around the cells of the previous level; inside cells lie
  // within the polygon's bounds, so every ring stays within the box.
  for (int level = kMaskInside; level <= kRegionRings; ++level) {
    const auto grown = static_cast<std::uint16_t>(level + 1);
    for (int x = mBox.left; x <= mBox.right; ++x)
      for (int y = mBox.top; y <= mBox.bottom; ++y) {
        if (mMask[CellIndex(x, y, dimension)] != level) continue;
        for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, dimension - 1); ++nx)
          for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, dimension - 1); ++ny) {
            std::uint16_t& cell = mMask[CellIndex(nx, ny, dimension)];
            if (cell == kMaskOutside) cell = grown;
          }
      }
  }
  mRingCount = 0;
  for (int x = mBox.left; x <= mBox.right; ++x)
    for (int y = mBox.top; y <= mBox.bottom; ++y)
      if (mMask[CellIndex(x, y, dimension)] > kMaskInside) ++mRingCount;
}

bool ImageRegion::EditableArray(int& array) const {
  Group& group = TheGroup();
  if (!IsClosed()) {
    LogMessage(kRegionNotClosedMessage, 0, kLogRed);
    return false;
  }
  if (group.Normalized) {
    LogMessage(kRegionNormalizedMessage, 0, kLogRed);
    return false;
  }
  array = group.Settings().CUR_ARRAY;
  const std::size_t cells = mMask.size();
  if (array < 0 || array >= group.NumArrays() || mDimension != Layout.dimension ||
      group.Array(array).intensities.size() != cells) {
    LogMessage(kRegionNoIntensitiesMessage, 0, kLogRed);
    return false;
  }
  // The group opening makes the plane; a group opened otherwise gets it here.
  if (group.workPlane.size() != cells) group.workPlane.assign(cells, 0);
  return true;
}

bool ImageRegion::CorrectGradient() {
  int array = 0;
  if (!EditableArray(array)) return false;
  // Without ring cells the background level is unknown, and the correction would pull
  // every inside cell towards the missing value.
  if (mRingCount == 0) {
    LogMessage(kRegionNoRingMessage, 0, kLogRed);
    return false;
  }
  Group& group = TheGroup();
  std::vector<std::uint16_t>& values = group.Array(array).intensities;
  std::vector<std::uint16_t>& backup = group.workPlane;
  const int dimension = mDimension;
  DB_VECTOR samples(kLocalWindowCells);
  DB_VECTOR ring(mRingCount);
  std::fill(backup.begin(), backup.end(), std::uint16_t{0});
  for (int x = mBox.left; x <= mBox.right; ++x)
    for (int y = mBox.top; y <= mBox.bottom; ++y) {
      const std::uint16_t level = mMask[CellIndex(x, y, dimension)];
      if (level == kMaskOutside) continue;
      samples.Clear();
      for (int wx = std::max(x - kLocalMedianRadius, 0);
           wx <= std::min(x + kLocalMedianRadius, dimension - 1); ++wx)
        for (int wy = std::max(y - kLocalMedianRadius, 0);
             wy <= std::min(y + kLocalMedianRadius, dimension - 1); ++wy)
          samples.Append(values[CellIndex(wx, wy, dimension)]);
      // The window holds the cell itself, so the median is one of its values.
      const double median = SelectQuantile(samples.Elements(), samples.Length(), 0.5);
      backup[CellIndex(x, y, dimension)] = static_cast<std::uint16_t>(median);
      if (level > kMaskInside) ring.Append(static_cast<int>(median));
    }
  const auto ringLevel =
      static_cast<long long>(SelectQuantile(ring.Elements(), ring.Length(), 0.5));
  for (int x = mBox.left; x <= mBox.right; ++x)
    for (int y = mBox.top; y <= mBox.bottom; ++y) {
      const std::size_t cell = CellIndex(x, y, dimension);
      if (mMask[cell] != kMaskInside) continue;
      const long long localMedian = backup[cell];
      const std::uint16_t value = values[cell];
      backup[cell] = value;
      values[cell] = CellValue(value + ringLevel - localMedian);
    }
  mUndoable = true;
  mEditedArray = array;
  return true;
}

bool ImageRegion::ReplaceByOtherArrays() {
  int array = 0;
  if (!EditableArray(array)) return false;
  Group& group = TheGroup();
  const int arrays = group.NumArrays();
  // With no other array the median would be the missing value.
  if (arrays < 2) {
    LogMessage(kRegionOneArrayMessage, 0, kLogRed);
    return false;
  }
  for (int other = 0; other < arrays; ++other)
    if (group.Array(other).intensities.size() != mMask.size()) {
      LogMessage(kRegionNoIntensitiesMessage, 0, kLogRed);
      return false;
    }
  std::vector<std::uint16_t>& values = group.Array(array).intensities;
  std::vector<std::uint16_t>& backup = group.workPlane;
  DB_VECTOR others(arrays);
  for (int x = mBox.left; x <= mBox.right; ++x)
    for (int y = mBox.top; y <= mBox.bottom; ++y) {
      const std::size_t cell = CellIndex(x, y, mDimension);
      if (mMask[cell] != kMaskInside) continue;
      backup[cell] = values[cell];
      others.Clear();
      for (int other = 0; other < arrays; ++other)
        if (other != array) others.Append(group.Array(other).intensities[cell]);
      values[cell] = CellValue(
          static_cast<long long>(SelectQuantile(others.Elements(), others.Length(), 0.5)));
    }
  mUndoable = true;
  mEditedArray = array;
  return true;
}

bool ImageRegion::Undo() {
  Group& group = TheGroup();
  if (!mUndoable || mEditedArray < 0 || mEditedArray >= group.NumArrays() ||
      group.Array(mEditedArray).intensities.size() != mMask.size() ||
      group.workPlane.size() != mMask.size()) {
    LogMessage(kRegionNothingToUndoMessage, 0, kLogRed);
    return false;
  }
  std::vector<std::uint16_t>& values = group.Array(mEditedArray).intensities;
  for (int x = mBox.left; x <= mBox.right; ++x)
    for (int y = mBox.top; y <= mBox.bottom; ++y) {
      const std::size_t cell = CellIndex(x, y, mDimension);
      if (mMask[cell] == kMaskInside) values[cell] = group.workPlane[cell];
    }
  mUndoable = false;
  return true;
}

ImageRegion& TheImageRegion() {
  static ImageRegion region;
  return region;
}
