// The installed prompt and its standard-error default.
#include "engine/services/user_prompt.hpp"

#include <cstdio>

#include "engine/services/installed_service.hpp"

namespace {

// With nobody to ask, the question is shown where the log goes without a window, and a
// message box takes its default button, which is the first.
class StandardErrorPrompt final : public UserPrompt {
 public:
  int MessageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                 MessageIcon) override {
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    switch (buttons) {
      case MessageButtons::kOk:
      case MessageButtons::kOkCancel:
        return kAnswerOk;
      case MessageButtons::kYesNo:
      case MessageButtons::kYesNoCancel:
        return kAnswerYes;
    }
    return kAnswerOk;
  }
  std::optional<std::string> FileName(const FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> FolderName(std::string_view) override { return std::nullopt; }
};

StandardErrorPrompt gStandardErrorPrompt;
constinit InstalledService<UserPrompt> gPrompt{gStandardErrorPrompt};

}  // namespace

UserPrompt& Prompt() {
  return gPrompt.Get();
}

UserPrompt* SetUserPrompt(UserPrompt* prompt) {
  return gPrompt.Install(prompt);
}

int AfxMessageBox(std::string_view text, MessageButtons buttons, MessageIcon icon) {
  return gPrompt.Get().MessageBox(text, kProgramCaption, buttons, icon);
}
