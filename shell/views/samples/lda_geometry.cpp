// The scatter view's scaling and hit search.
#include "shell/views/samples/lda_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct Range {
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  void Take(double value) {
    if (!std::isfinite(value)) return;
    low = std::min(low, value);
    high = std::max(high, value);
  }
};

}  // namespace

int ScaleToRange(double value, double low, double high, int first, int last) {
  if (!std::isfinite(value) || !(high > low)) return first + (last - first) / 2;
  // The fraction first, so that the largest value lands on last exactly.
  const double at = first + (value - low) / (high - low) * (last - first);
  return static_cast<int>(std::clamp(at, static_cast<double>(std::min(first, last)),
                                     static_cast<double>(std::max(first, last))));
}

std::vector<ScatterBox> ScaleScatterPoints(const std::vector<ScatterPoint>& points,
                                           const ScatterLayout& layout) {
  Range xs;
  Range ys;
  for (const ScatterPoint& point : points) {
    xs.Take(point.x);
    ys.Take(-static_cast<double>(point.y));
  }
  const int inset = layout.margin + layout.half + 1;
  std::vector<ScatterBox> boxes;
  boxes.reserve(points.size());
  for (const ScatterPoint& point : points) {
    const int x = ScaleToRange(point.x, xs.low, xs.high, inset, layout.width - inset);
    const int y =
        ScaleToRange(-static_cast<double>(point.y), ys.low, ys.high, inset, layout.height - inset);
    boxes.push_back({x - layout.half, y - layout.half, x + layout.half, y + layout.half});
  }
  return boxes;
}

int FindScatterBox(const std::vector<ScatterBox>& boxes, int start, int x, int y) {
  const int count = static_cast<int>(boxes.size());
  if (count == 0) return -1;
  start = start >= 0 && start < count ? start : 0;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    if (boxes[static_cast<std::size_t>(i)].Contains(x, y)) return i;
  }
  return -1;
}

bool ScatterLabelGoesLeft(const ScatterBox& box, const ScatterLayout& layout) {
  return layout.width - (box.right + 1) < 4 * layout.half;
}
