// Tools/Options: the options sheet at the page OPTION_PAGE names. OK puts the options in
// force, makes the probe data view fit again with them, gives a shown chromosome view the
// display range and repaints the right pane; the settings file waits for the next command.
#include <QApplication>
#include <QDialog>
#include <QWidget>

#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "shell/commands/command_families.hpp"
#include "shell/commands/command_registry.hpp"
#include "shell/dialogs/options/chromosome_options.hpp"
#include "shell/dialogs/options/option_sheet.hpp"
#include "shell/resource_ids.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

namespace {

// The chromosome view colours the current data type over DISPLAY_RANGE; the view reads
// its range from the run's chromosome options once it exists.
void GiveChromosomeViewTheDisplayRange(const ShellFrame& frame) {
  if (frame.CurrentViewIndex() != VIEW_CHROMOSOME) return;
  const GroupSettings& settings = TheGroup().Settings();
  TheChromosomeOptions()
      .displayRange[static_cast<std::size_t>(ChromosomeDataTypeIndex(settings.CHRO_DATA))] =
      settings.DISPLAY_RANGE;
}

void Options(ShellFrame& frame) {
  // Opened from a dialog's Options button, the sheet belongs to that dialog.
  QWidget* owner = QApplication::activeModalWidget();
  OptionSheet sheet(owner != nullptr ? owner : frame.Window());
  if (Prompts().RunDialog(sheet) != QDialog::Accepted) return;
  ApplyOptionValues(sheet.Values());
  Model.ClearProbeSet();
  GiveChromosomeViewTheDisplayRange(frame);
  if (QWidget* pane = frame.PaneView()) pane->update();
}

}  // namespace

void RegisterOptionsCommands(CommandRegistry& registry) {
  registry.Add(ids::kOptions, Options);
}
