// Test support: a prompt service that answers from a script and records every question,
// and an open service that records what would have been opened. Both install themselves
// while alive and restore the previous service when they go.
#pragma once

#include <QDialog>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/services/open_service.hpp"
#include "shell/services/prompt_service.hpp"
#include "shell/resource_ids.hpp"

struct RecordedPrompt {
  enum class Kind { kMessage, kFile, kFolder, kDialog };
  Kind kind;
  std::string text;     // message text, folder title or the dialog's object name
  std::string caption;  // message caption or dialog title
  FileDialogRequest request;
};

class ScriptedPrompts final : public PromptService {
 public:
  ScriptedPrompts() : mPrevious(SetPromptService(this)) {}
  ~ScriptedPrompts() override { SetPromptService(mPrevious); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  // Answers, used front first; when a queue is empty: OK, Cancel, Cancel, reject.
  std::deque<int> messageAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  std::function<int(QDialog&)> dialogAnswer;

  std::vector<RecordedPrompt> prompts;

  int MessageBox(std::string_view text, std::string_view caption, MessageButtons) override {
    prompts.push_back(
        {RecordedPrompt::Kind::kMessage, std::string(text), std::string(caption), {}});
    return Pop(messageAnswers, ids::kIdOk);
  }
  std::optional<std::string> FileName(const FileDialogRequest& request) override {
    prompts.push_back({RecordedPrompt::Kind::kFile, {}, {}, request});
    return Pop(fileAnswers, std::optional<std::string>());
  }
  std::optional<std::string> FolderName(std::string_view title) override {
    prompts.push_back({RecordedPrompt::Kind::kFolder, std::string(title), {}, {}});
    return Pop(folderAnswers, std::optional<std::string>());
  }
  int RunDialog(QDialog& dialog) override {
    prompts.push_back({RecordedPrompt::Kind::kDialog,
                       dialog.objectName().toStdString(),
                       dialog.windowTitle().toStdString(),
                       {}});
    return dialogAnswer ? dialogAnswer(dialog) : QDialog::Rejected;
  }

  int CountOf(RecordedPrompt::Kind kind) const {
    int count = 0;
    for (const auto& prompt : prompts) count += prompt.kind == kind ? 1 : 0;
    return count;
  }

 private:
  template <typename T>
  static T Pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }

  PromptService* mPrevious;
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
