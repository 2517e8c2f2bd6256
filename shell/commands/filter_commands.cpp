// Analysis/Filter Genes, Analysis/Analysis of Variance, Tools/Percentile Filtering and
// Tools/Adjust Batch Effect on the common road. The gene filter, the percentile filter
// and the batch adjustment write their own log blocks; the ANOVA's block is the road's,
// closed by a bare "}".
#include <QDialog>

#include <string>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/cluster_selection.hpp"
#include "genes/cluster/cluster_tree.hpp"
#include "genes/filter/batch_adjustment.hpp"
#include "genes/filter/factor_correlation.hpp"
#include "genes/filter/factor_filter.hpp"
#include "genes/filter/filter_genes.hpp"
#include "genes/filter/percentile_filter.hpp"
#include "platform/path.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/common/property_sheet.hpp"
#include "shell/dialogs/filter/anova_dialog.hpp"
#include "shell/dialogs/filter/filter_genes_page.hpp"
#include "shell/dialogs/filter/percentile_filter_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

constexpr const char* kNoReferenceGeneMessage =
    "    No gene or gene cluster selected; use ANOVA or run clustering and select a gene "
    "(branch)";

// The gene-tree node whose profile the correlation follows: the selected branch, else the
// current probe set's leaf; -1 when the clustering view does not show a gene tree or
// nothing is selected in it.
int ReferenceNode(const ShellFrame& frame) {
  const CLUSTER* tree = GeneTree();
  if (frame.CurrentViewIndex() != VIEW_CLUSTER || tree == nullptr) return -1;
  if (tree->ValidNode(tree->currentNode)) return tree->currentNode;
  const int unit = TheGroup().Settings().CUR_UNIT;
  if (unit < 0) return -1;
  const int row = FindUnitRow(unit);
  return row >= 0 && row < tree->ItemCount() ? tree->RowNode(row) : -1;
}

void FilterGenesCommand(ShellFrame& frame) {
  GroupSettings& settings = TheGroup().Settings();
  if (settings.FILTER_OUTPUT_LIST.empty())
    settings.FILTER_OUTPUT_LIST =
        platform::JoinPath(settings.WORKING_DIR, TheGroup().Name() + " filtered gene.xls");
  const auto dialog = [&frame] {
    PropertySheet sheet(QStringLiteral("Filter Genes"), frame.Window());
    sheet.AddPage(new CClusterGeneDialog(OptionsOpener(frame, kAnalysisOptionsPageIndex), &sheet),
                  QStringLiteral("Filter genes"));
    return Prompts().RunDialog(sheet) == QDialog::Accepted;
  };
  RunAnalysisCommand(frame, SelfLoggingCommand(dialog, FilterGenes));
}

void AnovaCommand(ShellFrame& frame) {
  int method = AnovaDialog::kMethodNone;
  std::string table;
  AnalysisCommand command;
  command.title = "ANOVA or correlation filtering";
  command.dialog = [&frame, &method, &table] {
    AnovaDialog dialog([&frame] { return ReferenceNode(frame) >= 0; }, frame.Window());
    if (Prompts().RunDialog(dialog) != QDialog::Accepted) return false;
    method = dialog.Method();
    table = dialog.ExportFile();
    return true;
  };
  command.jobClosesBlock = true;
  command.failureLine = "}";
  command.job = [&frame, &method, &table](AnalysisOutcome&) {
    bool written = false;
    if (method == AnovaDialog::kMethodCurrentGene) {
      const int node = ReferenceNode(frame);
      if (node < 0) {
        LogMessage(kNoReferenceGeneMessage, 0, kLogRed);
        return false;
      }
      written = WriteFactorFilterResult(table, node);
    } else {
      written = FilterGenesByFactor(table);
    }
    if (written) LogMessage("}\n", 0, kLogBlue);
    return written;
  };
  RunAnalysisCommand(frame, command);
}

void PercentileFilteringCommand(ShellFrame& frame) {
  RunAnalysisCommand(
      frame, SelfLoggingCommand(FreshDialogStep<PercentileFilterDialog>(frame), PercentileFilter));
}

void AdjustBatchEffectCommand(ShellFrame& frame) {
  RunAnalysisCommand(frame, SelfLoggingCommand({}, AdjustBatchEffect));
}

}  // namespace

void RegisterFilterCommands(CommandRegistry& registry) {
  registry.Add(ids::kFilterGenes, FilterGenesCommand);
  registry.Add(ids::kAnalysisOfVariance, AnovaCommand);
  registry.Add(ids::kPercentileFiltering, PercentileFilteringCommand);
  registry.Add(ids::kAdjustBatchEffect, AdjustBatchEffectCommand);
}
