// The one state of the group sheets.
#include "shell/dialogs/open_group_state.hpp"

OpenGroupState& TheOpenGroupState() {
  static OpenGroupState state;
  return state;
}
