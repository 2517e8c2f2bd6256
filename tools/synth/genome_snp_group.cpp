#include "tools/synth/genome_snp_group.hpp"

#include <algorithm>

#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/modelled_group.hpp"
#include "tools/synth/random.hpp"

namespace synth {

namespace {

enum Genotype { kAA = 0, kBB = 1, kAB = 2 };

int DrawGenotype(SynthRandom& random, bool hemizygous) {
  if (hemizygous) return random.Chance(50) ? kAA : kBB;
  const int k = random.Between(0, 3);
  return k == 0 ? kAA : k == 1 ? kBB : kAB;
}

void FillSignals(SnpGroupArray& array, const SnpGroupTruth& truth, const std::vector<int>& genotype,
                 const SnpGroupPlan& plan, SynthRandom& random) {
  const std::size_t n = genotype.size();
  array.a.resize(n);
  array.b.resize(n);
  array.calls.resize(n);
  for (std::size_t u = 0; u < n; ++u) {
    const int c = array.copies[u];
    int copiesA = 0;
    int copiesB = 0;
    if (genotype[u] == kAA) copiesA = c;
    if (genotype[u] == kBB) copiesB = c;
    if (genotype[u] == kAB) {
      // A single copy keeps one allele of the pair.
      copiesB = c == 1 ? (random.Chance(50) ? 1 : 0) : c / 2;
      copiesA = c - copiesB;
    }
    const double unit = truth.perCopy[u];
    array.a[u] = static_cast<float>(SnpGroupSignal(unit, copiesA, plan.noise * random.Normal()));
    array.b[u] = static_cast<float>(SnpGroupSignal(unit, copiesB, plan.noise * random.Normal()));
    char call = copiesA > 0 ? (copiesB > 0 ? 2 : 0) : (copiesB > 0 ? 1 : 3);
    if (random.Uniform() < plan.noCallRate) call = 3;
    array.calls[u] = call;
  }
}

}  // namespace

double SnpGroupSignal(double perCopy, int copies, double relativeNoise) {
  const double mean = perCopy * (copies > 0 ? copies : kSnpBackgroundCopies);
  return std::max(mean * (1 + relativeNoise), 1e-3 * perCopy);
}

SnpGroupTruth MakeSnpGroup(const SnpGroupPlan& plan) {
  SynthRandom random(plan.seed);
  SnpGroupTruth truth;
  truth.pairs = plan.pairs;
  truth.singles = plan.singles;
  truth.autosomes = plan.autosomes;
  truth.expression = plan.expression;
  const int chroCount = static_cast<int>(plan.markersPerChro.size());
  for (int k = 0; k < chroCount; ++k) {
    const int chro = plan.withX && k == chroCount - 1 ? plan.autosomes : k;
    for (int i = 0; i < plan.markersPerChro[static_cast<std::size_t>(k)]; ++i) {
      truth.markerNames.push_back("SNP_" + std::to_string(truth.markerNames.size()));
      truth.chro.push_back(chro);
      truth.pos.push_back(1000 + i * 5000 + random.Between(0, 1000));
      truth.perCopy.push_back(static_cast<float>(200 + 800 * random.Uniform()));
    }
  }
  const std::size_t n = truth.markerNames.size();
  const int total = plan.normals + plan.pairs + plan.singles;
  std::vector<std::vector<int>> genotypes(static_cast<std::size_t>(total));
  for (int s = 0; s < total; ++s) {
    SnpGroupArray array;
    array.normal = s < plan.normals;
    const bool pair = !array.normal && s < plan.normals + plan.pairs;
    const int partner = pair ? s - plan.normals : -1;
    array.name = array.normal ? "N" + std::to_string(s)
                 : pair       ? "T" + std::to_string(partner)
                              : "S" + std::to_string(s - plan.normals - plan.pairs);
    array.gender = (array.normal && s < plan.males) || (pair && partner < plan.males) ? 'M' : 'F';
    auto& genotype = genotypes[static_cast<std::size_t>(s)];
    array.copies.assign(n, 2);
    for (std::size_t u = 0; u < n; ++u) {
      const bool hemizygous = array.gender == 'M' && truth.chro[u] == plan.autosomes;
      if (hemizygous) array.copies[u] = 1;
      genotype.push_back(pair ? genotypes[static_cast<std::size_t>(partner)][u]
                              : DrawGenotype(random, hemizygous));
    }
    for (const CopyStretch& stretch : plan.stretches) {
      if (stretch.sample != s) continue;
      for (int u = std::max(stretch.first, 0); u <= stretch.last && u < static_cast<int>(n); ++u)
        array.copies[static_cast<std::size_t>(u)] = stretch.copies;
    }
    FillSignals(array, truth, genotype, plan, random);
    truth.arrays.push_back(std::move(array));
  }
  return truth;
}

void InstallSnpGroup(const SnpGroupTruth& truth) {
  const int n = truth.MarkerCount();
  UseUnitNames(truth.markerNames);
  ArrayType = truth.expression ? 0 : 1;

  Group& group = TheGroup();
  group.ClearGroup();
  for (const SnpGroupArray& array : truth.arrays) {
    ArraySlot& slot = group.NextArraySlot();
    slot.name = array.name;
    slot.dataFile = array.name + ".cel";
    slot.values.assign(static_cast<std::size_t>(n), VALUE_TRIPLE{});
    for (std::size_t u = 0; u < slot.values.size(); ++u) {
      slot.values[u].value = truth.expression ? array.a[u] + array.b[u] : array.a[u];
      slot.values[u].stdErr = truth.expression ? 0.0f : array.b[u];
    }
    slot.calls = array.calls;
    if (!group.CountArray()) break;
  }
  FinishModelledGroup(true);
}

std::string SnpGroupArrayListText(const SnpGroupTruth& truth) {
  std::string text;
  const int normals = static_cast<int>(truth.arrays.size()) - truth.pairs - truth.singles;
  for (int s = 0; s < normals; ++s) {
    text += truth.arrays[static_cast<std::size_t>(s)].name + "\n";
    if (s < truth.pairs) text += truth.arrays[static_cast<std::size_t>(normals + s)].name + "\n";
    text += "Standardize\n";
  }
  for (int k = 0; k < truth.singles; ++k)
    text +=
        truth.arrays[static_cast<std::size_t>(normals + truth.pairs + k)].name + "\nStandardize\n";
  return text;
}

std::string SnpGroupSampleInfoText(const SnpGroupTruth& truth) {
  std::string text = "Array\tName\tPloidy(numeric)\tGender\n";
  for (const SnpGroupArray& array : truth.arrays)
    text += array.name + "\t\t" + (array.normal ? "2" : "") + "\t" +
            (array.gender == 'M' ? "Male" : "female") + "\n";
  return text;
}

std::string SnpGroupGenomeInfoText(const SnpGroupTruth& truth) {
  GenomeTruth genome;
  genome.snpArray = !truth.expression;
  for (int k = 0; k < truth.autosomes; ++k) genome.chromosomes.push_back(std::to_string(k + 1));
  genome.chromosomes.push_back("X");
  for (int u = 0; u < truth.MarkerCount(); ++u) {
    const auto k = static_cast<std::size_t>(u);
    GenomeUnit unit;
    unit.name = truth.markerNames[k];
    unit.chro = truth.chro[k];
    unit.pos = truth.pos[k];
    unit.secondCm = static_cast<float>(truth.pos[k] * 1e-6);
    unit.text = "rs" + std::to_string(u + 1);
    genome.units.push_back(unit);
  }
  return GenomeInfoText(genome);
}

}  // namespace synth
