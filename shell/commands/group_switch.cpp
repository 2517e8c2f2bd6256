// Leaving one group for another.
#include "shell/commands/group_switch.hpp"

#include "engine/chip/load_cdf.hpp"
#include "engine/group/group.hpp"
#include "shell/dialogs/group/open_group_state.hpp"
#include "shell/shell_frame.hpp"

GroupSwitch::GroupSwitch(int mode)
    : mState(TheOpenGroupState()), mPreviousMode(mState.mode), mPreviousName(TheGroup().Name()) {
  mState.mode = mode;
  TheGroup().WriteGroupSettings();
}

void GroupSwitch::CloseAndRename(ShellFrame& frame, const std::string& name) const {
  Group& group = TheGroup();
  group.SetName(mPreviousName);
  frame.CloseGroup();
  group.SetName(name);
}

void GroupSwitch::Restore() const {
  mState.mode = mPreviousMode;
  Group& group = TheGroup();
  const std::string noted = group.Name();
  group.ReadGroupSettings(mPreviousName);
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
