// Leaving one group for another.
#include "shell/commands/group_switch.hpp"

#include "engine/chip/load_cdf.hpp"
#include "engine/group/group.hpp"
#include "shell/shell_frame.hpp"

void CloseAndRename(ShellFrame& frame, const std::string& previousName, const std::string& name) {
  Group& group = TheGroup();
  group.SetName(previousName);
  frame.CloseGroup();
  group.SetName(name);
}

void ReadPreviousSettings(const std::string& previousName) {
  Group& group = TheGroup();
  const std::string noted = group.Name();
  group.ReadGroupSettings(previousName);
  group.Settings().LAST_GROUP_NAME = noted;
}

bool LoadGroupChip(bool rebuild, bool probeLevel) {
  GroupSettings& settings = TheGroup().Settings();
  CdfLoadSettings load;
  load.LOAD_PROBE_DATA = settings.LOAD_PROBE_DATA;
  load.probeLevelFlag = probeLevel;
  load.MODEL_METHOD = settings.MODEL_METHOD;
  const bool loaded = LoadCdf(settings.CDF_FILE, rebuild, settings.MASK_FILE, load);
  // Exon arrays are fitted with the perfect-match model.
  settings.MODEL_METHOD = load.MODEL_METHOD;
  return loaded;
}
