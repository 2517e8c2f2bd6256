// One probe set's values across the samples of the sample grouping, replicate arrays
// combined, as the gene filters and the batch adjustment read them.
#pragma once

// out[i] = the probe set's value for sample firstSample + i, for every sample from
// firstSample (from 0) to the grouping's last (out holds at least that many). MISSING_VALUE where
// the sample has no value. Reads only: safe from several threads once the shared table
// of WeightedMeanWithErrors is filled (PrepareSampleValueReads).
void GetSampleValues(double* out, int probeSet, int firstSample);

// Fills the process-wide state the reads above share, so that threads may then read at once.
void PrepareSampleValueReads();
