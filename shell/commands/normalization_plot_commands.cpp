// Image/Normalization Plot: the current array against a chosen baseline in the plots
// view. The view logs the block of the review itself.
#include <QDialog>

#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/dialogs/expression/normalization_plot_dialog.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"
#include "shell/views/r/plots_view.hpp"

namespace {

void NormalizationPlot(ShellFrame& frame) {
  Group& group = TheGroup();
  int& current = group.Settings().CUR_ARRAY;
  if (current < 0 || current >= group.NumArrays()) current = 0;
  NormalizationPlotDialog dialog(frame.Window());
  if (Prompts().RunDialog(dialog) != QDialog::Accepted) return;

  frame.ShowView(VIEW_PLOTS);
  auto* plots = dynamic_cast<PlotsView*>(frame.RightViews(VIEW_PLOTS));
  if (plots == nullptr) return;
  // The chosen baseline is read afresh; the two viewing choices hold for this review
  // only, so they are cleared once it is made.
  plots->Reset();
  const bool prepared = plots->PreparePlots();
  NormPlotOptions().useNormalized = false;
  NormPlotOptions().saveNormalized = false;
  if (!prepared) LogMessage("Not completed}\n", 0, kLogBlue);
  // The log's lines brought the log forward.
  frame.ShowView(VIEW_PLOTS);
}

}  // namespace

void RegisterNormalizationPlotCommands(CommandRegistry& registry) {
  registry.Add(ids::kNormalizationPlot, NormalizationPlot);
}
