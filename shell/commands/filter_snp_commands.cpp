// Analysis/Filter SNPs: the limits chosen in the SNP filter's dialog, then the quality
// filter on the common road; the filter writes its own block and registers its list.

#include "genome/info/snp_info.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/filter/filter_snp_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"

namespace {

void FilterSnps(ShellFrame& frame) {
  AnalysisCommand command =
      SelfLoggingCommand(FreshDialogStep<FilterSnpDialog>(frame), FilterSnpsByQuality);
  command.failureLine = "Not finished}";
  command.failureInRed = true;
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterFilterSnpCommands(CommandRegistry& registry) {
  registry.Add(ids::kFilterSnps, FilterSnps);
}
