// Analysis/Hierarchical Clustering: the clustering dialog, then the gene (and sample)
// trees built from the gene list or read from a tree file, on the common road; the
// result is view 3 under the "Clustering" item, with one child item per significant
// branch the enrichment found.
#include <QTreeWidgetItem>

#include <string>

#include "engine/group/group.hpp"
#include "engine/group/sample_info.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/cluster/functional_clusters.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/info/term_table.hpp"
#include "shell/commands/cluster_commands.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/commands/dialog_step.hpp"
#include "shell/commands/run_analysis_command.hpp"
#include "shell/dialogs/cluster/cluster_dialog.hpp"
#include "shell/dialogs/options/option_pages.hpp"
#include "shell/resource_ids.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/cluster/cluster_view.hpp"
#include "shell/views/frame/left_view.hpp"

namespace {

// The item of one significant branch-term pair: the term with its column's image, or
// the sample-information column and category.
void AddFunctionalClusterItems(ShellFrame& frame) {
  QTreeWidgetItem* last = nullptr;
  for (int k = 0; k < FunctionalClusters.count && k < kMaxFunctionalClusters; ++k) {
    const auto index = static_cast<std::size_t>(k);
    const int term = FunctionalClusters.term[index];
    const int column = FunctionalClusters.column[index];
    if (FunctionalClusters.isGeneTree[index] != 0) {
      if (column < 0 || column >= kMaxTermColumns) continue;
      const TERM_TABLE& table = TermTables[static_cast<std::size_t>(column)];
      if (term < 0 || term >= table.Count()) continue;
      last =
          frame.AddClusteringItem(table.Name(term), ColumnIcon[static_cast<std::size_t>(column)]);
      if (last != nullptr) last->setData(0, kFunctionalClusterRole, k);
      continue;
    }
    // Sample-tree pairs name the column in `term` and the category in `column`.
    if (term < 0 || term >= SampleInfo.ColumnCount()) continue;
    const SampleInfoColumn& info = SampleInfo.Column(term);
    if (column < 0 || column >= info.CategoryCount()) continue;
    last = frame.AddClusteringItem(
        info.name + " " + info.categories[static_cast<std::size_t>(column)].name,
        tree_image::kSampleClusterTerm);
    if (last != nullptr) last->setData(0, kFunctionalClusterRole, k);
  }
  if (last != nullptr && last->parent() != nullptr) last->parent()->setExpanded(true);
}

void HierarchicalClustering(ShellFrame& frame) {
  ClusterDialog dialog(TheGroup().Settings(), OptionsOpener(frame, kClusteringOptionsPageIndex),
                       frame.Window());
  DoHierarchicalClustering(frame, DialogStep(dialog));
}

}  // namespace

bool DoHierarchicalClustering(ShellFrame& frame, std::function<bool()> dialog) {
  const bool fromGeneList = static_cast<bool>(dialog);
  AnalysisCommand command;
  command.title = "Hierarchical clustering";
  command.dialog = std::move(dialog);
  command.failureLine = "Clustering not completed}";
  command.elapsed = ElapsedTime::kClock;
  // The old view goes with the old trees; the new one lays out the new trees.
  command.item = ResultItem{VIEW_CLUSTER, "Clustering", tree_image::kClustering, true};
  command.job = [fromGeneList](AnalysisOutcome&) {
    return RunHierarchicalClustering(fromGeneList);
  };
  if (!RunAnalysisCommand(frame, command)) return false;
  AddFunctionalClusterItems(frame);
  return true;
}

void RegisterClusterCommands(CommandRegistry& registry) {
  registry.Add(ids::kHierarchicalClustering, HierarchicalClustering);
  SetClusterAgainRoutine([](ShellFrame& frame) { return DoHierarchicalClustering(frame, {}); });
}
