// The sample scatter view's picture pieces, for any painter (window, bitmap or
// metafile): the frame, a point's filled box, its label and the highlight of the current
// point. A view that draws its points differently reuses the frame, label and highlight.
#pragma once

#include <QFont>
#include <QRect>

#include <optional>
#include <string>

#include "engine/base/colour.hpp"
#include "shell/views/samples/lda_geometry.hpp"

class QFontMetrics;
class QPainter;

// A sample with no class: grey, with the predicted class's colour inside after a
// discriminant analysis, or black after a principal-component analysis.
inline constexpr COLORREF kUnclassifiedSampleColour = RGB(200, 200, 200);
inline constexpr COLORREF kUnclassifiedPcaColour = RGB(0, 0, 0);

struct ScatterFill {
  COLORREF box = kUnclassifiedPcaColour;
  std::optional<COLORREF> inner;  // the box shrunk by half a half-side on each side
};

// The colour of class index k (from 0): the result's table, then generated ones.
COLORREF ScatterClassColour(int classIndex);
// How a sample's box is filled from its class, its predicted class (from 1, 0 none) and
// whether the result is a principal-component one.
ScatterFill SamplePointFill(int classIndex, int predicted, bool pca);

// The label font for boxes of a half-side.
QFont ScatterLabelFont(int half);

// Black frame on white inside the margin.
void DrawScatterFrame(QPainter& painter, const ScatterLayout& layout);
void FillScatterBox(QPainter& painter, const ScatterBox& box, const ScatterFill& fill, int half);
// Where a label's text goes: its top at the box's top, right of the box, or ending just
// left of it near the picture's right edge.
QRect ScatterLabelRect(const QFontMetrics& metrics, const ScatterBox& box, const std::string& name,
                       const ScatterLayout& layout);
// The label in the painter's font, black on a transparent background.
void DrawScatterLabel(QPainter& painter, const ScatterBox& box, const std::string& name,
                      const ScatterLayout& layout);
// A white outline one pixel outside the box, inverted against what lies under it, so
// that it shows on every colour and a second drawing takes it away.
void DrawScatterHighlight(QPainter& painter, const ScatterBox& box);
