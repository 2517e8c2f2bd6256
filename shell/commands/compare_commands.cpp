// Analysis/Compare Samples: the comparison list edited on the two pages of the "Compare
// Samples" sheet and run over every gene on the common road; the job closes its block
// itself, and the result file (which also keeps the list) is registered.
#include <QDialog>

#include "engine/group/group.hpp"
#include "genes/compare/compare_criteria.hpp"
#include "genes/compare/compare_samples.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/dialogs/samples/compare_combine_page.hpp"
#include "shell/dialogs/samples/compare_sample_page.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

void CompareSamplesCommand(ShellFrame& frame) {
  AnalysisCommand command;
  command.title = "Compare samples";
  // A cancelled sheet still shows the block.
  command.openBeforeDialog = true;
  command.cancelLine = "Comparison not completed}";
  command.failureLine = "Comparison not completed}";
  command.jobClosesBlock = true;
  command.dialog = [&frame] {
    // The list comes back from the last result file each time.
    InitCompareResult();
    PropertySheet sheet(QStringLiteral("Compare Samples"), frame.Window());
    sheet.AddPage(new CCompareSampleDlg(CompareCriteria, &sheet),
                  QStringLiteral("Compare samples"));
    sheet.AddPage(new CCompareCombineDlg(CompareCriteria,
                                         OptionsOpener(frame, kAnalysisOptionsPageIndex), &sheet),
                  QStringLiteral("Combine comparisons"));
    return Prompts().RunDialog(sheet) == QDialog::Accepted;
  };
  command.job = [](AnalysisOutcome& outcome) {
    // The run takes these from the list; the settings hold them even when the sheet was
    // closed from the sample page.
    const GroupSettings& settings = TheGroup().Settings();
    CompareCriteria.OutputAllGenes = settings.COMPARE_OUTPUT_ALL;
    CompareCriteria.PermuteSamples = settings.PERMUTE_SAMPLE;
    CompareCriteria.PermutationCount = settings.PERMUTE_NUMBER;
    if (!CompareSamples()) return false;
    outcome.files.push_back({TheGroup().Settings().COMPARE_COMPARISON_FILE, false});
    return true;
  };
  RunAnalysisCommand(frame, command);
}

}  // namespace

void RegisterCompareCommands(CommandRegistry& registry) {
  registry.Add(ids::kCompareSamples, CompareSamplesCommand);
}
