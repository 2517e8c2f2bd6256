// Time courses with planted regulation and the in-memory group that carries them.
#include "tools/synth/time_course.hpp"

#include <cstdio>

#include "engine/base/missing_value.hpp"
#include "engine/group/group.hpp"
#include "tools/synth/modelled_group.hpp"
#include "tools/synth/random.hpp"

namespace synth {

namespace {

std::size_t At(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

TimeCourseTruth MakeTimeCourses(const TimeCourseOptions& options) {
  SynthRandom random(options.seed);
  TimeCourseTruth truth;
  truth.timePoints = options.timePoints;
  truth.relations = options.relations;
  const int times = options.timePoints;
  // Every gene starts as noise in standard units.
  std::vector<std::vector<double>> shapes(At(options.genes), std::vector<double>(At(times)));
  for (auto& shape : shapes)
    for (double& v : shape) v = random.Normal();

  std::vector<int> genes(At(options.genes));
  for (int g = 0; g < options.genes; ++g) genes[At(g)] = g;
  random.Shuffle(genes);
  truth.motifGenes.assign(genes.begin(), genes.begin() + options.motifNodes);
  // A target follows its driver lag time points later; before that it stays noise.
  for (const PlantedRelation& relation : options.relations) {
    const auto& driver = shapes[At(truth.motifGenes[At(relation.from)])];
    auto& target = shapes[At(truth.motifGenes[At(relation.to)])];
    const double sign = relation.inhibition ? -1.0 : 1.0;
    for (int t = relation.lag; t < times; ++t)
      target[At(t)] = sign * driver[At(t - relation.lag)] + options.noise * random.Normal();
  }
  if (options.shuffle)
    for (const int g : truth.motifGenes) random.Shuffle(shapes[At(g)]);

  for (int g = 0; g < options.genes; ++g) {
    char name[32];
    std::snprintf(name, sizeof name, "tc%d", g);
    truth.probeSets.emplace_back(name);
    std::snprintf(name, sizeof name, "Gene%d", g);
    truth.geneNames.emplace_back(name);
    // Levels and spreads differ from gene to gene; correlation does not see them.
    const double level = 6.0 + 4.0 * random.Uniform();
    const double spread = 0.5 + random.Uniform();
    std::vector<double> values;
    for (int t = 0; t < times; ++t) {
      // Kept as the float the group stores, so the truth is exactly what is read back.
      const double value = static_cast<float>(level + spread * shapes[At(g)][At(t)]);
      values.push_back(random.Chance(options.missingPercent) ? MISSING_VALUE : value);
    }
    truth.values.push_back(std::move(values));
  }
  return truth;
}

void InstallTimeCourseGroup(const TimeCourseTruth& truth) {
  std::vector<std::string> arrays;
  for (int t = 0; t < truth.timePoints; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "time%02d", t + 1);
    arrays.emplace_back(name);
  }
  InstallValueArrays(truth.probeSets, arrays, truth.values, nullptr);
  GroupSettings& settings = TheGroup().Settings();
  settings.ALLOW_MISSING = 1;
  settings.ARRAY_LIST_FILE = "";
  settings.USE_STD_SEP = 0;
  settings.CONSIDER_ERROR = 0;
  FinishModelledGroup(false);
}

std::string TimeCourseGeneListText(const TimeCourseTruth& truth) {
  std::string text = "Probe set\n";
  for (const std::string& name : truth.probeSets) text += name + "\n";
  return text;
}

GeneInfoTruth TimeCourseGeneInfo(const TimeCourseTruth& truth) {
  GeneInfoOptions options;
  options.termColumns = 0;
  options.emptyShare = 0;
  options.sharedLocusShare = 0;
  GeneInfoTruth info = MakeGeneInfo(truth.probeSets, options);
  for (std::size_t g = 0; g < info.genes.size(); ++g) info.genes[g].name = truth.geneNames[g];
  return info;
}

}  // namespace synth
