// Copy, Save Log and Exit of the Analysis menu: the log pane's copy and save, and the
// end of the program.
#include <QWidget>

#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/frame/analysis_view.hpp"

void RegisterFileCommands(CommandRegistry& registry) {
  registry.Add(ids::kEditCopy, [](ShellFrame& frame) { frame.LogView().copy(); });
  registry.Add(ids::kSaveLog, [](ShellFrame& frame) { frame.LogView().OnFileSaveAs(); });
  registry.Add(ids::kAppExit, [](ShellFrame& frame) { frame.Window()->close(); });
}
