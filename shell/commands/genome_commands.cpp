// Analysis/Genome: the genome dialog, then the genome information read, the gene list's
// stretches assessed, and the genome view under the "Genome" item, on the common road.

#include "engine/group/group.hpp"
#include "genome/stretch/genome_map_job.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/genome/genome_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void Genome(ShellFrame& frame) {
  GenomeDialog dialog(TheGroup().Settings(), frame.Window());
  AnalysisCommand command;
  command.title = "Map genes to chromosome";
  command.dialog = DialogStep(dialog);
  // A fresh view lays out the new genome and stretches.
  command.item = ResultItem{VIEW_GENOME, "Genome", tree_image::kGenome, true};
  command.job = [](AnalysisOutcome&) { return MapGenesToGenome(TheGroup().Settings()); };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterGenomeCommands(CommandRegistry& registry) {
  registry.Add(ids::kGenome, Genome);
}
