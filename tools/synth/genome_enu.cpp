#include "tools/synth/genome_enu.hpp"

#include <algorithm>
#include <cmath>

#include "tools/synth/random.hpp"
#include "tools/synth/reported_call.hpp"

namespace synth {

namespace {

// The chance that an allele origin is drawn anew between markers d Mb apart.
double Redraw(double d) {
  return 1 - std::exp(-0.02 * d);
}

}  // namespace

EnuCross DrawEnuCross(const EnuPlan& plan) {
  SynthRandom random(plan.seed);
  EnuCross cross;
  for (std::size_t k = 0; k < plan.markersPerChromosome.size(); ++k)
    for (int i = 0; i < plan.markersPerChromosome[k]; ++i) {
      if (static_cast<int>(k) == plan.mutationChromosome && i == plan.mutationMarker)
        cross.mutationIndex = cross.MarkerCount();
      cross.chromosome.push_back(static_cast<int>(k));
      const auto m = static_cast<std::size_t>(cross.MarkerCount() - 1);
      cross.position.push_back(m < plan.positions.size()
                                   ? plan.positions[m]
                                   : static_cast<float>(1e6 * (1 + plan.spacingMb * i)));
    }
  const int markers = cross.MarkerCount();
  const auto sampleCount = plan.generations.size() + 2;
  cross.names = {"Mutated", "Background"};
  cross.labels = {"M", "B"};
  cross.affected = {false, false};
  cross.genotype = {std::vector<int>(static_cast<std::size_t>(markers), 0),
                    std::vector<int>(static_cast<std::size_t>(markers), 1)};
  for (std::size_t o = 0; o < plan.generations.size(); ++o) {
    const int generation = std::clamp(plan.generations[o], 0, 5);
    const auto& chances = kEnuOriginChances[static_cast<std::size_t>(generation)];
    std::vector<int> genotypes(static_cast<std::size_t>(markers));
    bool mutated[2] = {false, false};
    for (int m = 0; m < markers; ++m) {
      const bool fresh = m == 0 || cross.chromosome[static_cast<std::size_t>(m)] !=
                                       cross.chromosome[static_cast<std::size_t>(m - 1)];
      const double d = fresh ? 0
                             : (cross.position[static_cast<std::size_t>(m)] -
                                cross.position[static_cast<std::size_t>(m - 1)]) *
                                   1e-6;
      for (int h = 0; h < 2; ++h)
        if (fresh || random.Uniform() < Redraw(d))
          mutated[h] = random.Uniform() < chances[static_cast<std::size_t>(h)];
      genotypes[static_cast<std::size_t>(m)] =
          mutated[0] && mutated[1] ? 0 : (!mutated[0] && !mutated[1] ? 1 : 2);
    }
    const int atLocus = genotypes[static_cast<std::size_t>(cross.mutationIndex)];
    cross.affected.push_back(random.Uniform() < plan.penetrance[static_cast<std::size_t>(atLocus)]);
    cross.genotype.push_back(std::move(genotypes));
    cross.names.push_back("F" + std::to_string(generation) + "_" + std::to_string(o + 1));
    cross.labels.push_back(std::to_string(generation));
  }
  for (std::size_t s = 0; s < sampleCount; ++s) {
    std::vector<int> called;
    called.reserve(static_cast<std::size_t>(markers));
    for (const int g : cross.genotype[s])
      called.push_back(ReportedCall(g, plan.noCallRate, plan.errorRate, random));
    cross.calls.push_back(std::move(called));
  }
  return cross;
}

std::string EnuSampleInfoText(const EnuCross& cross) {
  std::string text = "Array\tName\tENU\tAffected\n";
  for (std::size_t s = 0; s < cross.names.size(); ++s)
    text += cross.names[s] + "\t\t" + cross.labels[s] + "\t" +
            (cross.affected[s] ? "Affected" : "Unaffected") + "\n";
  return text;
}

std::string EnuArrayListText(const EnuCross& cross) {
  std::string text;
  for (const std::string& name : cross.names) text += name + "\nStandardize\n";
  return text;
}

std::string EnuTruthText(const EnuCross& cross) {
  std::string text =
      "Mutation\t" +
      std::to_string(cross.chromosome[static_cast<std::size_t>(cross.mutationIndex)]) + '\t' +
      std::to_string(cross.mutationIndex) + '\n';
  text += "Sample\tMarker\tChromosome\tPosition\tGenotype\tCall\n";
  for (std::size_t s = 2; s < cross.names.size(); ++s)
    for (std::size_t m = 0; m < cross.chromosome.size(); ++m)
      text += cross.names[s] + '\t' +
              (m < cross.markerNames.size() ? cross.markerNames[m] : std::to_string(m)) + '\t' +
              std::to_string(cross.chromosome[m]) + '\t' +
              std::to_string(static_cast<long long>(cross.position[m])) + '\t' +
              std::to_string(cross.genotype[s][m]) + '\t' + std::to_string(cross.calls[s][m]) +
              '\n';
  return text;
}

}  // namespace synth
