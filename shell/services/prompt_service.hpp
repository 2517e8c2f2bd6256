// Every question the program puts to the user (message boxes, file and folder dialogs,
// modal dialogs) goes through one replaceable service, so tests can script the answers
// and nothing ever blocks on a modal window.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class QDialog;
class QString;

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };

// One file dialog. The filter is written the classic way, "Text (*.xls;*.txt)|*.xls;*.txt|
// All Files (*.*)|*.*||", and is converted for the toolkit.
struct FileDialogRequest {
  bool open = true;              // an open dialog, else a save dialog
  std::string startFile;         // the file (or folder) shown first
  std::string defaultExtension;  // without the dot; empty for none
  std::string filter;
  bool promptOverwrite = false;  // save dialogs: ask before replacing a file
};

class PromptService {
 public:
  virtual ~PromptService() = default;
  // Returns ids::kIdOk, kIdCancel, kIdYes or kIdNo.
  virtual int MessageBox(std::string_view text, std::string_view caption,
                         MessageButtons buttons) = 0;
  // The chosen full path; empty when the user cancelled.
  virtual std::optional<std::string> FileName(const FileDialogRequest& request) = 0;
  // The chosen folder; empty when the user cancelled. Starts at BrowseFolderStart.
  virtual std::optional<std::string> FolderName(std::string_view title) = 0;
  // Runs a dialog modally; QDialog::Accepted or QDialog::Rejected.
  virtual int RunDialog(QDialog& dialog) = 0;
};

// The service in use: the toolkit's own windows unless a test installed another.
PromptService& Prompts();
// nullptr restores the toolkit's windows. Returns the previous service (nullptr when that
// was the default).
PromptService* SetPromptService(PromptService* service);

// A message box with the program's name as caption and only an OK button.
int AfxMessageBox(std::string_view text, MessageButtons buttons = MessageButtons::kOk);

// "Name (*.a;*.b)|*.a;*.b|All Files (*.*)|*.*||" as the toolkit writes it:
// "Name (*.a *.b);;All Files (*)".
QString ToolkitFilter(std::string_view filter);
