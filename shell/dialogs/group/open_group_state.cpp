// The one state of the group sheets.
#include "shell/dialogs/group/open_group_state.hpp"

OpenGroupState& TheOpenGroupState() {
  static OpenGroupState state;
  return state;
}
