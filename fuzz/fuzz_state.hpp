// Process-wide state for the fuzz targets: made once per process, put back before each
// input so that one input's leftovers never steer the next.
#pragma once

enum class FuzzLayout {
  kEmpty,   // the readers that fill the layout start from none
  kLoaded,  // the readers of arrays and their side files need a 20 x 20 chip
  kGenome,  // the chromosome files: a 20 x 20 SNP chip placed on a genome, three samples
};

// Makes the state on the first call (a quiet log, a scratch folder, the chips, the
// genome); on every call restores the layout, the array kind, the working array, the
// group's settings, arrays, groupings and lists, and the genome information.
void FuzzStart(FuzzLayout layout);
