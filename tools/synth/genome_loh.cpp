#include "tools/synth/genome_loh.hpp"

#include "tools/synth/random.hpp"
#include "tools/synth/reported_call.hpp"

namespace synth {

namespace {

constexpr int kAA = 0, kBB = 1, kAB = 2;

}  // namespace

LohCalls DrawLohCalls(const LohPlan& plan) {
  SynthRandom random(plan.seed);
  LohCalls calls;
  const auto n = static_cast<std::size_t>(plan.markers);
  calls.lost.assign(n, false);
  for (const auto& [first, last] : plan.lost) {
    for (int t = first; t <= last && t < plan.markers; ++t)
      calls.lost[static_cast<std::size_t>(t)] = true;
  }
  calls.normal.reserve(n);
  calls.tumour.reserve(n);
  for (std::size_t t = 0; t < n; ++t) {
    const int genotype = random.Uniform() < plan.hetRate ? kAB : random.Between(kAA, kBB);
    // A lost stretch keeps one allele of a heterozygous marker.
    const int tumourGenotype =
        calls.lost[t] && genotype == kAB ? random.Between(kAA, kBB) : genotype;
    calls.normal.push_back(ReportedCall(genotype, plan.noCallRate, plan.errorRate, random));
    calls.tumour.push_back(ReportedCall(tumourGenotype, plan.noCallRate, plan.errorRate, random));
  }
  return calls;
}

}  // namespace synth
