#include "shell/commands/linkage_command.hpp"

#include <QDialog>

#include <cstdint>
#include <ctime>

#include "genome/inference/random_seed.hpp"
#include "genome/linkage/linkage_driver.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/linkage_dialog.hpp"
#include "shell/dialogs/option_pages.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

bool RunLinkageAnalysisCommand(ShellFrame& frame) {
  // A fresh seed each time the dialog opens; the user may type one to repeat a run.
  std::int64_t seed = DefaultRandomSeed(static_cast<std::int64_t>(std::time(nullptr)));
  AnalysisCommand command;
  command.title = "Linkage analysis";
  command.dialog = [&frame, &seed] {
    LinkageDialog dialog(
        seed, [&frame] { frame.OpenOptionsAtPage(kChromosomeOptionsPageIndex); }, frame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
    seed = dialog.Seed();
    return true;
  };
  command.jobClosesBlock = true;
  command.job = [&seed](AnalysisOutcome&) { return linkage_analysis.Run(seed); };
  return RunAnalysisCommand(frame, command);
}
