// Where the sample scatter view puts its points: each point's value pair mapped linearly
// onto the picture (larger second values higher up), one square box per point, the box
// under a pointer and the side its label goes on. Plain numbers, so that the drawing, the
// mouse and the tests agree on them.
#pragma once

#include <string>
#include <vector>

// One point of the scatter: its two coordinates and, for samples, the class it was given
// (-1 none), the class predicted for it (from 1; 0 none) with its probability, and the
// label written beside it.
struct ScatterPoint {
  float x = 0.0f;
  float y = 0.0f;
  int predicted = 0;
  float probability = 0.0f;
  int classIndex = -1;
  std::string name;
};

// A point's box on the picture; right and bottom are just outside it.
struct ScatterBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  int CentreX() const { return (left + right) / 2; }
  int CentreY() const { return (top + bottom) / 2; }
};

struct ScatterLayout {
  int width = 600;  // the picture, in pixels
  int height = 600;
  int half = 8;    // half a box's side
  int margin = 0;  // around the frame
};

// value on [low, high] mapped linearly onto [first, last], truncated; a range of no width
// (every value equal) puts the value in the middle instead of dividing by zero, as does a
// value that is not a number.
int ScaleToRange(double value, double low, double high, int first, int last);

// Every point's box: x from its smallest to its largest value across the picture, y
// negated so that larger values are higher, both kept margin + half + 1 from the edges.
std::vector<ScatterBox> ScaleScatterPoints(const std::vector<ScatterPoint>& points,
                                           const ScatterLayout& layout);

// The first box holding (x, y), searching from box start onwards and round again from 0;
// -1 when none does.
int FindScatterBox(const std::vector<ScatterBox>& boxes, int start, int x, int y);

// A label goes left of its box when the box's right edge + 1 lies closer to the picture's
// right edge than four half-sides, where it would run out of the picture.
bool ScatterLabelGoesLeft(const ScatterBox& box, const ScatterLayout& layout);
