// The run's chromosome view choices.
#include "shell/dialogs/options/chromosome_options.hpp"

ChromosomeOptions& TheChromosomeOptions() {
  static ChromosomeOptions options;
  return options;
}

int ChromosomeDataTypeIndex(int chroData) {
  return chroData >= 0 && chroData < kChroDataTypeCount ? chroData : 0;
}
