// The dialog step of a command, shown through the prompt service (scripted in tests).
#pragma once

#include <QDialog>

#include <functional>

#include "shell/services/prompt_service.hpp"
#include "shell/shell_frame.hpp"

// Shows the dialog; true when the user accepts it.
inline std::function<bool()> DialogStep(QDialog& dialog) {
  return [&dialog] { return Prompts().RunDialog(dialog) == QDialog::Accepted; };
}

// Shows a dialog of the kind, made afresh on the main window each time the step runs.
template <class Dialog>
std::function<bool()> FreshDialogStep(ShellFrame& frame) {
  return [&frame] {
    Dialog dialog(frame.Window());
    return Prompts().RunDialog(dialog) == QDialog::Accepted;
  };
}
