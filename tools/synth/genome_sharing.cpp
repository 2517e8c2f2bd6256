#include "tools/synth/genome_sharing.hpp"

#include <algorithm>

#include "tools/synth/random.hpp"
#include "tools/synth/reported_call.hpp"

namespace synth {

namespace {

int Genotype(int first, int second) {
  return first == second ? first : 2;
}

}  // namespace

SharingPair DrawSharingPair(const SharingPlan& plan) {
  SynthRandom random(plan.seed);
  SharingPair pair;
  int shared = plan.stretches.empty() ? 2 : plan.stretches.front().second;
  std::size_t next = 0;
  for (int i = 0; i < plan.markers; ++i) {
    while (next < plan.stretches.size() && plan.stretches[next].first <= i)
      shared = std::clamp(plan.stretches[next++].second, 0, 2);
    const double drawn =
        plan.lowFrequency + (plan.highFrequency - plan.lowFrequency) * random.Uniform();
    const double p = static_cast<std::size_t>(i) < plan.frequency.size()
                         ? plan.frequency[static_cast<std::size_t>(i)]
                         : drawn;
    // Alleles: 0 A with chance p, 1 B.
    int haplotype[4];  // father's two, mother's two
    for (int& allele : haplotype) allele = random.Uniform() < p ? 0 : 1;
    const int paternal = shared == 0 ? haplotype[1] : haplotype[0];
    const int maternal = shared == 2 ? haplotype[2] : haplotype[3];
    pair.frequency.push_back(static_cast<float>(p));
    pair.first.push_back(ReportedCall(Genotype(haplotype[0], haplotype[2]), plan.noCallRate,
                                      plan.errorRate, random));
    pair.second.push_back(
        ReportedCall(Genotype(paternal, maternal), plan.noCallRate, plan.errorRate, random));
    pair.shared.push_back(shared);
  }
  return pair;
}

}  // namespace synth
