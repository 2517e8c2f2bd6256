// The display switches of the chromosome data that live only for the run (never saved):
// which rows the chromosome view shows, which dendrograms exist, and whether the inferred
// or the observed values are drawn. The view, its commands and the clustering along the
// chromosomes share them.
#pragma once

// Rows are the regions of the region file instead of the chromosomes' markers; set by the
// view's clustering when the region file was read.
inline bool RegionsMode = false;
// A sample dendrogram, and a region dendrogram, exist and are drawn.
inline bool ShowSampleTree = false;
inline bool ShowRegionTree = false;
// The inferred values (LOH, copy number) are drawn instead of the observed ones.
inline bool DisplayInferred = true;
