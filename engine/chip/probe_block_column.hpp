// Where one probe of a SNP probe set goes in a picture of its mini-blocks: the probe
// strip of the probe data view and the SNP view's blocks. Pairs of the first strand
// take the left half of the columns, those of the second strand the right half; within
// a strand the allele A pairs come before the allele B pairs.
#pragma once

// Rows of the strip, top to bottom.
inline constexpr int kBlockRowMismatchA = 0;
inline constexpr int kBlockRowPerfectA = 1;
inline constexpr int kBlockRowPerfectB = 2;
inline constexpr int kBlockRowMismatchB = 3;
inline constexpr int kBlockRows = 4;
inline constexpr const char* kBlockRowLabels[kBlockRows] = {"mmA", "pmA", "pmB", "mmB"};

struct BlockPlace {
  int column = 0;
  int row = 0;  // one of the kBlockRow values
};

// The place of pair pairIndex of a probe set of pairCount pairs; perfectMatch picks the
// pair's perfect-match probe, else its mismatch probe. centreCount is the probe set's
// centre pairs (SNP arrays of kind 3; 0 on the others). Any input gives a place.
BlockPlace MapProbeToBlockColumn(int pairCount, int pairIndex, bool perfectMatch, int centreCount,
                                 int arrayType);

// The centre pairs of a probe set of the process layout: on SNP arrays of kind 3 the
// negated position value of its last pair's perfect-match cell, else 0 (and 0 when the
// layout holds no cells for it).
int CentrePairCount(int probeSet);
