// Test support: a prompt service that answers from a script and records every question
// (the engine's and the shell's alike), and an open service that records what would have
// been opened. Both install themselves while alive and restore the previous service when
// they go.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/testing/scripted_prompt.hpp"
#include "shell/services/open_service.hpp"
#include "shell/services/prompt_service.hpp"

// Beside the engine's scripted answers, dialogs are handed to dialogAnswer; without one
// they are rejected.
class ScriptedPrompts final : public ScriptedAnswers<PromptService> {
 public:
  ScriptedPrompts() : mPrevious(SetUserPrompt(this)) {}
  ~ScriptedPrompts() override { SetUserPrompt(mPrevious); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  std::function<int(QDialog&)> dialogAnswer;
  // Sees each message box while it would be on the screen, before its scripted answer.
  std::function<void(std::string_view text)> onMessage;

  int MessageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                 MessageIcon icon) override {
    if (onMessage) onMessage(text);
    return ScriptedAnswers<PromptService>::MessageBox(text, caption, buttons, icon);
  }

  // Every dialog from now on is accepted as it stands (its own checks still run).
  void AcceptDialogs() {
    dialogAnswer = [](QDialog& dialog) {
      dialog.accept();
      return dialog.result();
    };
  }

  // The texts of the message boxes shown so far, in order.
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const RecordedPrompt& prompt : prompts)
      if (prompt.kind == RecordedPrompt::Kind::kMessage) texts.push_back(prompt.text);
    return texts;
  }

  int RunDialog(QDialog& dialog) override {
    prompts.push_back({RecordedPrompt::Kind::kDialog,
                       dialog.objectName().toStdString(),
                       dialog.windowTitle().toStdString(),
                       {}});
    return dialogAnswer ? dialogAnswer(dialog) : QDialog::Rejected;
  }

 private:
  UserPrompt* mPrevious;
};

class RecordingOpener final : public OpenService {
 public:
  RecordingOpener() : mPrevious(SetOpenService(this)) {}
  ~RecordingOpener() override { SetOpenService(mPrevious); }
  RecordingOpener(const RecordingOpener&) = delete;
  RecordingOpener& operator=(const RecordingOpener&) = delete;

  void Open(std::string_view target) override { opened.emplace_back(target); }
  std::vector<std::string> opened;

 private:
  OpenService* mPrevious;
};
