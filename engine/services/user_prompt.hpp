// Questions put to the user: message boxes with their buttons and icon, and the choice
// of a file or a folder. The engine asks through the installed prompt; the shell installs
// its windows, tests a scripted answerer. Without one, questions are written to standard
// error and get the default answer (the first button, no file, no folder).
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageIcon { kNone, kInformation, kQuestion, kWarning, kStop };

// The answers of a message box keep the values of the classic dialog ids.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

// The caption of the program's own message boxes.
inline constexpr const char* kProgramCaption = "Zelko";

// One file choice. The filter is written the classic way, "Text (*.xls;*.txt)|*.xls;*.txt|
// All Files (*.*)|*.*||".
struct FileDialogRequest {
  bool open = true;              // choose an existing file to open, else a name to save under
  std::string startFile;         // the folder shown first, a default name, or both joined
  std::string defaultExtension;  // without the dot; empty for none
  std::string filter;
  bool promptOverwrite = false;  // saving: ask before replacing a file
};

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  // kAnswerOk, kAnswerCancel, kAnswerYes or kAnswerNo.
  virtual int MessageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                         MessageIcon icon) = 0;
  // The chosen full path; empty when the user cancelled.
  virtual std::optional<std::string> FileName(const FileDialogRequest& request) = 0;
  // The chosen folder; empty when the user cancelled.
  virtual std::optional<std::string> FolderName(std::string_view title) = 0;
};

// The prompt in use.
UserPrompt& Prompt();
// nullptr restores the standard-error prompt. Returns the previous one (nullptr when that
// was the default).
UserPrompt* SetUserPrompt(UserPrompt* prompt);

// A message box with the program's name as caption.
int AfxMessageBox(std::string_view text, MessageButtons buttons = MessageButtons::kOk,
                  MessageIcon icon = MessageIcon::kNone);
