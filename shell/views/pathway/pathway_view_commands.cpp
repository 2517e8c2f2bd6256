// The pathway editor's Pathway menu: open and save a pathway file, the Edit Node and
// Edit Arrow dialogs, and deleting the current node.
#include <optional>
#include <string>

#include "engine/group/group.hpp"
#include "engine/services/user_prompt.hpp"
#include "genes/pathway/pathway.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/views/pathway/edit_arrow_dialog.hpp"
#include "shell/views/pathway/edit_node_dialog.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"
#include "shell/views/pathway/pathway_view.hpp"

std::optional<CommandState> PathwayView::UpdateCommand(int id) const {
  const PATHWAY& pathway = ThePathway();
  switch (id) {
    case ids::kPathwayOpen:
    case ids::kPathwayEditNode:
      return CommandState{true, false};
    case ids::kPathwayEditArrow:
      return CommandState{pathway.nodeCount > 1, false};
    case ids::kPathwaySave:
      return CommandState{pathway.nodeCount > 0, false};
    case ids::kPathwayDeleteNode:
      return CommandState{ValidCurrentNode(pathway) >= 0, false};
    default:
      return std::nullopt;
  }
}

bool PathwayView::RunCommand(int id) {
  switch (id) {
    case ids::kPathwayOpen:
      OpenPathway();
      return true;
    case ids::kPathwaySave:
      SavePathway();
      return true;
    case ids::kPathwayEditNode:
      EditNode();
      return true;
    case ids::kPathwayEditArrow:
      EditArrow();
      return true;
    case ids::kPathwayDeleteNode:
      DeleteNode();
      return true;
    default:
      return false;
  }
}

void PathwayView::EditNode() {
  EditNodeDialog dialog(this, [this] { Relayout(); });
  Prompts().RunDialog(dialog);
  Relayout();
}

void PathwayView::EditArrow() {
  if (ThePathway().nodeCount <= 1) return;
  EditArrowDialog dialog(this, [this] { Relayout(); });
  Prompts().RunDialog(dialog);
  Relayout();
}

void PathwayView::OpenPathway() {
  GroupSettings& settings = TheGroup().Settings();
  FileDialogRequest request;
  request.open = true;
  request.startFile = settings.PATHWAY_FILE;
  request.defaultExtension = "txt";
  request.filter = kPathwayFileFilter;
  const std::optional<std::string> path = Prompt().FileName(request);
  if (!path) return;
  TheGroup().WriteGroupSettings();
  ReadPathwayFile(*path);
  SetDrag(PathwayDrag::kNone);
  EraseHighlight();
  Relayout();
}

void PathwayView::SavePathway() {
  FileDialogRequest request;
  request.open = false;
  request.startFile = TheGroup().Settings().PATHWAY_FILE;
  request.defaultExtension = "txt";
  request.filter = kPathwayFileFilter;
  request.promptOverwrite = true;
  const std::optional<std::string> path = Prompt().FileName(request);
  if (path) WritePathwayFile(*path);
}
