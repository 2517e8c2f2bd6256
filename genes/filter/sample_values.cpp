#include "genes/filter/sample_values.hpp"

#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/random_deviates.hpp"

void GetSampleValues(double* out, int probeSet, int firstSample) {
  double se = 0.0;
  char call = 0;
  for (int s = firstSample; s < SampleGrouping.SampleCount(); ++s)
    SampleGrouping.GetSampleValue(probeSet, s, &out[s - firstSample], &se, &call);
}

void PrepareSampleValueReads() {
  // Replicates are combined by their errors.
  PrepareWeightedMeans();
}
