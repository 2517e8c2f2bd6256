// The chromosome view's picture on any painter (the window, an exported bitmap or
// metafile, the tests): the data cells, the curve panel with its threshold and the
// significant regions, marker names, chromosome and region labels, the title, the
// ideogram with its band and refGene names, the legend and both dendrograms. A paint
// draws only the rows and columns inside the area asked for.
#pragma once

#include <QRect>

#include <cstdint>

#include "engine/base/colour.hpp"
#include "shell/views/chromosome/chromosome_geometry.hpp"
#include "shell/views/chromosome/chromosome_layout.hpp"

class QPainter;

// The colours of the LOH codes between 1 and 5 (entry 0, loss, comes from the gradient).
inline constexpr COLORREF kLohLossColour = RGB(0, 0, 255);
inline constexpr COLORREF kLohRetentionColour = RGB(255, 255, 0);
inline constexpr COLORREF kLohNoninformativeColour = RGB(225, 225, 225);
inline constexpr COLORREF kLohConflictColour = RGB(255, 0, 0);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kCurvePanelColour = RGB(225, 225, 225);
// Marks the rows of a significant region at the curve panel's right edge.
inline constexpr COLORREF kSignificantRegionColour = RGB(255, 0, 0);
inline constexpr int kSignificantBarWidth = 3;
// The frame round the rows a drag selected, outside the cells so that it hides none.
inline constexpr COLORREF kSelectedStretchColour = RGB(255, 0, 255);
inline constexpr int kSelectedStretchPen = 2;
// Labels closer than this to the one above are left out.
inline constexpr double kMinLabelGap = 11.2;

// The colour of an LOH value: the code table for 1 < v < 5 (conflict as noninformative when
// hidden), else the gradient from blue at 0 through white at 0.5 to yellow at 1.
COLORREF LohColor(double v, bool hideConflict);
// The two halves of a haplotype cell {code, first founder allele, second founder allele,
// flag}: founder colours, or with inferred values by code; painted false for other codes.
struct HalfColours {
  COLORREF left = kWhite;
  COLORREF right = kWhite;
  bool painted = false;
};
HalfColours HaplotypeColor(const unsigned char record[4], bool displayInferred);

// What the colours of a cell depend on besides the chromosome data.
struct CellStyle {
  int dataType = 0;
  bool snpArrays = true;
  bool displayInferred = true;
  bool hideConflictLoh = false;
  bool tumourOnly = false;  // CHRO_MERGE_GROUP_NAME: every column shows its group's second
  bool parentSpecific = false;
  double displayRange = 2;
  bool greenRed = false;
};
CellStyle CurrentCellStyle();

// The colours of the cell of a row and column; painted false for a cell left white.
// lohBlank: a white or light grey LOH cell, which the next marker may overdraw.
struct CellColours {
  HalfColours halves;
  bool lohBlank = false;
};
CellColours ChromosomeCellColour(const ChromosomeGeometry& geometry, int row, int column,
                                 const CellStyle& style);
// The same in two steps, the column's part once for all its rows: the sample the column
// shows, the one its LOH cells read and the one its copy numbers and ratios read.
struct CellSource {
  int sample = -1;
  int lohSample = -1;
  int valueSample = -1;
};
CellSource CellSourceOf(const ChromosomeGeometry& geometry, int column, const CellStyle& style);
CellColours CellColourAt(const CellSource& source, int unit, const CellStyle& style);

// A column's cells by unit, the table row its data type reads found once: a paint reads
// thousands of cells of one column, and most cost one table read and a colour. A reader
// serves one thread.
class CellReader {
 public:
  CellReader(const CellSource& source, const CellStyle& style);
  CellColours At(int unit) const;
  // The colours of the last painted cell of units[first..last] (drawn in order, it is the
  // one that shows when they share a pixel line), and its index; -1 when none is painted.
  int LastPainted(const int* units, int first, int last, CellColours* colours) const;
  // Asks the memory for a unit's value ahead of its scan.
  void Prefetch(int unit) const;

 private:
  enum class Kind { kNone, kCalls, kLoh, kCopies, kParentCopies, kComputedValue, kAlleleSharing };
  template <typename Visit>
  auto WithKind(Visit visit) const;
  int LastPaintedCopies(const int* units, int first, int last, CellColours* colours) const;
  Kind mKind = Kind::kNone;
  const float* mValues = nullptr;
  const unsigned char* mCalls = nullptr;
  int mValueSample = -1;
  int mUnitCount = 0;
  // Copy numbers of no larger size are white, so a scan passes them without their
  // colour; below 0 when none is known to be.
  float mWhiteCut = -1;
  // Copy numbers come in runs of one value: the colour of the last one worked out.
  mutable std::uint32_t mMemoBits = 0;
  mutable COLORREF mMemoColour = kWhite;
  mutable bool mMemoSet = false;
  CellStyle mStyle;
};

struct ChromosomeDrawState {
  const ChromosomeGeometry* geometry = nullptr;
  QRect area;           // document points to draw; the whole picture when empty
  int legendShift = 0;  // the sample band follows the scroll position
  ChromosomeTrees trees;
  int selectedInfoRow = -1;
  // The rows a drag selected; none when first < 0.
  int stretchFirstRow = -1;
  int stretchLastRow = -1;
};

// The whole picture within the area, in the view's drawing order.
void DrawChromosomePicture(QPainter& painter, const ChromosomeDrawState& state);
// The parts, each within the area.
void DrawMatrix(QPainter& painter, const ChromosomeDrawState& state);
void DrawBands(QPainter& painter, const ChromosomeDrawState& state, int chro, double offset);
void DrawLegend(QPainter& painter, const ChromosomeDrawState& state);
void DrawDendrograms(QPainter& painter, const ChromosomeDrawState& state);
// The frame round the selected rows, just outside the cells of every column.
void DrawSelectedStretch(QPainter& painter, const ChromosomeDrawState& state);
// Its box in document points (the pen's middle line); empty when no rows are selected.
QRect SelectedStretchBox(const ChromosomeGeometry& geometry, int firstRow, int lastRow);

// The title: "Chro Regions", "Chro All" or "Chro " and the chromosome's name, with
// " inferred" for inferred LOH calls or copy numbers.
std::string ChromosomeTitle(const ChromosomeGeometry& geometry);
