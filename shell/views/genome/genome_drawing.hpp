// The genome view's picture: one horizontal line per chromosome of genome_info with its
// name in the left margin, every mapped unit a small box at its position (above the line
// on the '+' strand, below it otherwise), listed units on top in their colour, and the
// gene stretches outlined. Layout numbers, boxes and the hover text are plain routines
// shared by the window, the export and the tests.
#pragma once

#include <QPoint>
#include <QRect>

#include <optional>
#include <string>
#include <vector>

#include "engine/base/colour.hpp"

class QPainter;

inline constexpr int kGenomeLeftMargin = 40;  // chromosome names live in it
inline constexpr int kGenomeUnitWidth = 2;
// Units and stretches answer the mouse this far around their box.
inline constexpr int kGenomeHitMargin = 2;
// Neither picture side shrinks below this.
inline constexpr int kGenomeMinPicture = 600;
inline constexpr COLORREF kGenomeUnitGrey = RGB(200, 200, 200);
inline constexpr COLORREF kGenomeStretchBlue = RGB(0, 0, 255);
inline constexpr int kGenomeNameFontHeight = 13;
inline constexpr int kGenomeNameOffset = 10;  // the name's top above its line
// Gene names in the status line are cut to this many characters.
inline constexpr int kGenomeGeneNameLength = 30;

struct GenomeLayout {
  int picWidth = kGenomeMinPicture;
  int picHeight = kGenomeMinPicture;
  int rowHeight = 0;  // 0 when there is no chromosome
  int barHeight = 0;
  int plotWidth = 0;

  int LineY(int chro) const { return chro * rowHeight + rowHeight / 2; }
  // The x of a position on a chromosome of the given length.
  int X(double pos, double length) const;
};

// The layout of a picture of that size over genome_info's chromosomes.
GenomeLayout ComputeGenomeLayout(int picWidth, int picHeight);

// Where the unit's box is drawn; empty for an unmapped unit or one on a chromosome
// without length.
std::optional<QRect> UnitBox(const GenomeLayout& layout, int unit);

// Every unit grey with an empty box; then the gene tree's leaves in their marked colour,
// or without a tree the listed units black. onTop receives the units drawn over the
// grey ones, in unit order.
void SetUnitColours(std::vector<int>& onTop);

// The whole picture in picture coordinates; each unit's and stretch's hit box is stored
// as it is drawn.
void DrawGenomePicture(QPainter& painter, const GenomeLayout& layout, bool outlineStretches,
                       std::vector<int>& onTop);

// The unit whose hit box holds the point, trying the units cyclically from the one after
// lastHit (which becomes the unit found); -1 when none.
int HitTestUnit(QPoint point, int& lastHit);

// "[name, gene] [Pos 1234, text]" of a mapped unit; empty otherwise.
std::string GenomeUnitText(int unit);

// The status line for a picture point: the unit under it, else the current unit; when
// no unit is under the point or the text is empty, the first stretch whose outline holds
// the point gives its p-value instead.
std::string GenomeHoverText(QPoint point, int& lastHit, int currentUnit);

// A current unit that has no position counts as none.
int MappedUnitOrNone(int unit);
