// A genotype call (0, 1 or 2) as an array reports it: missing at the no-call rate, else
// one of the two other genotypes at the error rate, else the genotype itself.
#pragma once

#include "tools/synth/random.hpp"

namespace synth {

inline constexpr int kReportedNoCall = 3;

inline int ReportedCall(int genotype, double noCallRate, double errorRate, SynthRandom& random) {
  if (random.Uniform() < noCallRate) return kReportedNoCall;
  if (random.Uniform() < errorRate) return (genotype + random.Between(1, 2)) % 3;
  return genotype;
}

}  // namespace synth
