// Every question the program puts to the user goes through one replaceable service, so
// tests can script the answers and nothing ever blocks on a modal window. The engine's
// prompt (message boxes, file and folder choice) is that service; the window's prompt
// adds the modal dialogs of the shell.
#pragma once

#include <string_view>

#include "engine/services/user_prompt.hpp"

class QDialog;
class QString;

class PromptService : public UserPrompt {
 public:
  // Runs a dialog modally; QDialog::Accepted or QDialog::Rejected.
  virtual int RunDialog(QDialog& dialog) = 0;
};

// The toolkit's message boxes, file dialogs (folders start at BrowseFolderStart) and
// modal dialogs.
PromptService& WindowPrompts();
// The installed prompt when it can run dialogs, else the toolkit's windows.
PromptService& Prompts();

// "Name (*.a;*.b)|*.a;*.b|All Files (*.*)|*.*||" as the toolkit writes it:
// "Name (*.a *.b);;All Files (*)".
QString ToolkitFilter(std::string_view filter);
