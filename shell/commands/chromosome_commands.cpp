// Analysis/Chromosome: the chromosome dialog, then the genome files read and the group's
// data gathered along the chromosomes on the common road; the result is view 8 under the
// "Chromosome" item.

#include "engine/group/group.hpp"
#include "genome/chromosome/chromosome_command.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/jobs/region_clustering.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/genome/chromosome_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void ViewDataAlongChromosome(ShellFrame& frame) {
  ChromosomeDialog dialog(TheGroup().Settings(), OptionsOpener(frame, kChromosomeOptionsPageIndex),
                          frame.Window());
  AnalysisCommand command;
  command.title = kChromosomeCommandTitle;
  command.dialog = DialogStep(dialog);
  command.elapsed = ElapsedTime::kClock;
  // The old view draws from the tables the gathering replaces, so it goes with its item.
  command.item = ResultItem{VIEW_CHROMOSOME, "Chromosome", tree_image::kChromosome, true};
  command.job = [](AnalysisOutcome&) {
    // Dendrograms and region rows belong to the data being replaced.
    RegionsMode = ShowSampleTree = ShowRegionTree = false;
    GroupTree().Clear();
    RegionTree().Clear();
    return ReadGenomeFilesAndGather();
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterChromosomeCommands(CommandRegistry& registry) {
  registry.Add(ids::kChromosome, ViewDataAlongChromosome);
}
