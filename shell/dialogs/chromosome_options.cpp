// The run's chromosome choices with their starting values.
#include "shell/dialogs/chromosome_options.hpp"

#include "engine/base/missing_value.hpp"

namespace {

bool gSnpInformationLoaded = false;

}  // namespace

ChromosomeOptions::ChromosomeOptions() : displayRange{2, 2, 5, 2, 2, 2} {
  minimum.fill(kMissingValueFloat);
  maximum.fill(kMissingValueFloat);
  threshold.fill(kMissingValueFloat);
}

ChromosomeOptions& TheChromosomeOptions() {
  static ChromosomeOptions options;
  return options;
}

int ChromosomeDataTypeIndex(int chroData) {
  return chroData >= 0 && chroData < kChromosomeDataTypes ? chroData : 0;
}

bool SnpInformationLoaded() {
  return gSnpInformationLoaded;
}

void SetSnpInformationLoaded(bool loaded) {
  gSnpInformationLoaded = loaded;
}
