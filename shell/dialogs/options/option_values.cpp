// Taking the options out of the program and putting them back.
#include "shell/dialogs/options/option_values.hpp"

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "genes/cluster/cluster_settings.hpp"
#include "genome/chromosome/chromosome.hpp"

OptionValues CurrentOptionValues() {
  OptionValues values;
  values.settings = TheGroup().Settings();
  values.pmOnly = PmOnly;
  values.excludedFivePrimeProbes = ExcludedFivePrimeProbes;
  values.standardizeReference = StandardizeReference();
  values.curveMin = chromosome.Min;
  values.curveMax = chromosome.Max;
  values.curveThreshold = chromosome.Threshold;
  values.chromosome = TheChromosomeOptions();
  return values;
}

void ApplyOptionValues(const OptionValues& values) {
  TheGroup().Settings() = values.settings;
  PmOnly = values.pmOnly;
  ExcludedFivePrimeProbes = values.excludedFivePrimeProbes;
  SetStandardizeReference(values.standardizeReference);
  chromosome.Min = values.curveMin;
  chromosome.Max = values.curveMax;
  chromosome.Threshold = values.curveThreshold;
  TheChromosomeOptions() = values.chromosome;
}
