// Test support: a prompt that answers from a script and records every question. The
// answering part is shared with the shell's scripted prompts, which add modal dialogs.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/services/user_prompt.hpp"

struct RecordedPrompt {
  enum class Kind { kMessage, kFile, kFolder, kDialog };
  Kind kind;
  std::string text;     // message text, folder title or the dialog's object name
  std::string caption;  // message caption or dialog title
  FileDialogRequest request;
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
};

// Answers, used front first; when a queue is empty: OK, no file, no folder.
template <typename PromptBase>
class ScriptedAnswers : public PromptBase {
 public:
  std::deque<int> messageAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<std::optional<std::string>> folderAnswers;

  std::vector<RecordedPrompt> prompts;

  int MessageBox(std::string_view text, std::string_view caption, MessageButtons buttons,
                 MessageIcon icon) override {
    prompts.push_back({RecordedPrompt::Kind::kMessage,
                       std::string(text),
                       std::string(caption),
                       {},
                       buttons,
                       icon});
    return Pop(messageAnswers, kAnswerOk);
  }
  std::optional<std::string> FileName(const FileDialogRequest& request) override {
    prompts.push_back({RecordedPrompt::Kind::kFile, {}, {}, request});
    return Pop(fileAnswers, std::optional<std::string>());
  }
  std::optional<std::string> FolderName(std::string_view title) override {
    prompts.push_back({RecordedPrompt::Kind::kFolder, std::string(title), {}, {}});
    return Pop(folderAnswers, std::optional<std::string>());
  }

  int CountOf(RecordedPrompt::Kind kind) const {
    int count = 0;
    for (const auto& prompt : prompts) count += prompt.kind == kind ? 1 : 0;
    return count;
  }

 protected:
  template <typename T>
  static T Pop(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
  }
};

// The engine's prompt for as long as it lives.
class ScriptedPrompt final : public ScriptedAnswers<UserPrompt> {
 public:
  ScriptedPrompt() : mPrevious(SetUserPrompt(this)) {}
  ~ScriptedPrompt() override { SetUserPrompt(mPrevious); }
  ScriptedPrompt(const ScriptedPrompt&) = delete;
  ScriptedPrompt& operator=(const ScriptedPrompt&) = delete;

 private:
  UserPrompt* mPrevious;
};
