#include "engine/group/settings_chip.hpp"

#include "engine/chip/load_cdf.hpp"

bool LoadSettingsChip(GroupSettings& settings, bool rebuild, bool probeLevel) {
  CdfLoadSettings load;
  load.LOAD_PROBE_DATA = settings.LOAD_PROBE_DATA;
  load.probeLevelFlag = probeLevel;
  load.MODEL_METHOD = settings.MODEL_METHOD;
  const bool loaded = LoadCdf(settings.CDF_FILE, rebuild, settings.MASK_FILE, load);
  settings.MODEL_METHOD = load.MODEL_METHOD;
  return loaded;
}
