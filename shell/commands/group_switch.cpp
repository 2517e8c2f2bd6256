// Leaving one group for another.
#include "shell/commands/group_switch.hpp"

#include "engine/group/group.hpp"
#include "engine/group/settings_chip.hpp"
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
  return LoadSettingsChip(TheGroup().Settings(), rebuild, probeLevel);
}
