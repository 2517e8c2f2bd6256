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
  // Replicates weighted by their errors draw on a table filled at the first call.
  const double x[2] = {0.0, 1.0};
  double mean = 0.0;
  double se = 0.0;
  WeightedMeanWithErrors(x, x, 2, &mean, &se);
}
