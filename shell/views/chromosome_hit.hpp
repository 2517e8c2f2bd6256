// The chromosome view's zones under a document point, which the mouse and the status text
// use so that they agree with the drawing.
#pragma once

enum class ChromosomeZone { kNone, kCell, kCurve, kRefGene, kSampleInfo, kBand };

struct ChromosomeHit {
  ChromosomeZone zone = ChromosomeZone::kNone;
  int row = -1;         // marker row (cells, curve, refGene list)
  int column = -1;      // data column (cells, sample information)
  int infoRow = -1;     // sample-information row
  double position = 0;  // bp within the chromosome (proportional mode)
  int chro = -1;
};

struct ChromosomeGeometry;

ChromosomeHit HitChromosome(const ChromosomeGeometry& geometry, int x, int y);
