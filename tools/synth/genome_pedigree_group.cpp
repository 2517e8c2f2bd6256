#include "tools/synth/genome_pedigree_group.hpp"

#include <cmath>

namespace synth {

namespace {

constexpr int kFirstBase = 1000;
constexpr double kBasesPerCm = 1e6;
constexpr float kSignalPerCopy = 500;

}  // namespace

SnpGroupTruth PedigreeSnpGroup(const PedigreeTruth& truth) {
  const PedigreePlan& plan = truth.plan;
  SnpGroupTruth group;
  for (const double cm : plan.cm)
    if (!(cm < kMostGroupCm)) return group;
  const auto n = plan.cm.size();
  for (std::size_t m = 0; m < n; ++m) {
    group.markerNames.push_back("SNP_" + std::to_string(m));
    group.chro.push_back(plan.chro[m]);
    group.pos.push_back(kFirstBase + static_cast<int>(std::lround(plan.cm[m] * kBasesPerCm)));
    group.perCopy.push_back(kSignalPerCopy);
  }
  for (const PedigreePerson& person : truth.persons) {
    if (person.array.empty()) continue;
    SnpGroupArray array;
    array.name = person.array;
    array.normal = true;
    array.gender = person.sex == kMale ? 'M' : 'F';
    array.copies.assign(n, 2);
    array.calls = person.calls;
    for (std::size_t m = 0; m < n; ++m) {
      const int genotype = person.genotype[m];
      const int copiesA = genotype == 0 ? 2 : genotype == 2 ? 1 : 0;
      array.a.push_back(static_cast<float>(SnpGroupSignal(kSignalPerCopy, copiesA, 0)));
      array.b.push_back(static_cast<float>(SnpGroupSignal(kSignalPerCopy, 2 - copiesA, 0)));
    }
    group.arrays.push_back(std::move(array));
  }
  return group;
}

}  // namespace synth
