// Pathway/Filter Genes on the common road: the filter dialog, then the pathway gene
// filter, which writes its own log block.

#include "genes/pathway/pathway_filter.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/pathway/pathway_filter_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void PathwayFilterGenesCommand(ShellFrame& frame) {
  RunAnalysisCommand(
      frame, SelfLoggingCommand(FreshDialogStep<PathwayFilterDialog>(frame), FilterGenesByPathway));
}

}  // namespace

void RegisterPathwayFilterCommands(CommandRegistry& registry) {
  registry.Add(ids::kPathwayFilterGenes, PathwayFilterGenesCommand);
}
