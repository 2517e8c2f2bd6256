// Analysis/Model-based Expression: the model fitted over every probe set on the common
// road; the job closes its block itself.

#include "engine/group/group.hpp"
#include "engine/jobs/model_expression.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/group_switch.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/expression/model_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void ModelExpression(ShellFrame& frame) {
  ModelDialog dialog(TheGroup().Settings(), OptionsOpener(frame, kModelOptionsPageIndex),
                     frame.Window());
  AnalysisCommand command;
  command.title = "Model-based expression\n";
  command.dialog = DialogStep(dialog);
  command.failureLine = "Expression calculation not completed}";
  command.jobClosesBlock = true;
  command.job = [&frame](AnalysisOutcome&) {
    Group& group = TheGroup();
    GroupSettings& settings = group.Settings();
    if (settings.LOAD_PROBE_DATA == 0 && group.HasProbeData && !LoadGroupChip(false, true))
      return false;
    if (!ComputeModelExpression()) return false;
    // Arrays with many outlier probe sets get their own image in the tree.
    if (settings.LOAD_PROBE_DATA != 0) frame.RefreshArrayImages();
    settings.SHOW_OUTLIER = 1;
    return true;
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterExpressionCommands(CommandRegistry& registry) {
  registry.Add(ids::kModelExpression, ModelExpression);
}
