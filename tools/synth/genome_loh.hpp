// Genotype calls of a normal and a tumour sample over a run of SNP markers, the tumour
// losing one allele over planted stretches: the truth of each marker (lost or not) comes
// with the calls, so an LOH inference can be scored marker by marker.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace synth {

struct LohPlan {
  int markers = 5000;
  double hetRate = 0.3;      // chance that the normal genotype is AB
  double errorRate = 0.005;  // chance that a call is replaced by another genotype
  double noCallRate = 0.02;
  // Lost stretches, first and last marker included.
  std::vector<std::pair<int, int>> lost;
  std::uint64_t seed = 1;
};

struct LohCalls {
  // Genotype codes: 0 A, 1 B, 2 AB, 3 NoCall.
  std::vector<int> normal;
  std::vector<int> tumour;
  std::vector<bool> lost;  // the truth per marker
};

LohCalls DrawLohCalls(const LohPlan& plan);

}  // namespace synth
