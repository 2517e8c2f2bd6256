// The engine's part of closing a group.
#include "engine/model/close_group.hpp"

#include "engine/group/group.hpp"
#include "engine/model/model.hpp"

void CloseGroupData() {
  if (GroupStarted()) TheGroup().ClearGroup();
  ResetModel();
}
