// The chromosome view's zones under a document point, which the mouse and the status text
// use so that they agree with the drawing.
#pragma once

#include <string>

struct ChromosomeGeometry;

enum class ChromosomeZone { kNone, kCell, kCurve, kRefGene, kSampleInfo, kSampleTree };

struct ChromosomeHit {
  ChromosomeZone zone = ChromosomeZone::kNone;
  int row = -1;      // marker row (cells, curve)
  int column = -1;   // data column (cells, sample information)
  int infoRow = -1;  // sample-information row
  int refGene = -1;  // refGene index (refGene list)
  int chro = -1;     // chromosome of the row or of the refGene
  int node = -1;     // sample tree node (the sample dendrogram)
};

// legendShift: how far the sample band is moved down (it follows the scroll position).
ChromosomeHit HitChromosome(const ChromosomeGeometry& geometry, int x, int y, int legendShift = 0);

// What the status bar says for a zone. Over a category of the sample information, with a
// highlighted branch of the sample tree, it adds how many of the branch's annotated samples
// have the category and how unlikely that many are by chance.
std::string ChromosomeStatusText(const ChromosomeGeometry& geometry, const ChromosomeHit& hit);

// Said over the view when nothing else is.
inline constexpr const char* kChromosomeViewHint =
    "Arrow or Control+Arrow or Shift+Arrow key to zoom; Home and End key to other chromosomes; "
    "Click to center a data point; ESC to deselect";
// Expression arrays never pass the significance test, so no region is marked for them.
inline constexpr const char* kExpressionMarksNoRegions =
    " [Expression arrays mark no significant regions]";
