// Test support for the window: a fresh group in the test's own folder, scripted prompts,
// a recording opener, and the main frame built as the program builds it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "platform/registry.hpp"
#include "platform/tests/temp_folder.hpp"
#include "shell/main_frame.hpp"
#include "shell/testing/scripted_prompts.hpp"
#include "shell/views/frame/analysis_doc.hpp"
#include "shell/views/frame/analysis_view.hpp"
#include "shell/views/frame/left_view.hpp"

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program's registry (the recent-file list) lives in the test's folder, never in
    // the user's profile.
    ::setenv(platform::kRegistryPathVariable, File("registry").c_str(), 1);
    StartGroup(mFolder.Path().string());
  }

  void TearDown() override {
    mFrame.reset();
    mDocument.reset();
    DiscardGroup();
    AnalysisRunning = 0;
    LogEnabled = 1;
    // The chip kind and the chromosome display limits are the program's globals: a test
    // that sets them must not hand them to the next one.
    ArrayType = PmOnly = 0;
    ProbesPerPair = 2;
    chromosome.Threshold.fill(kMissingValueFloat);
    chromosome.Min.fill(kMissingValueFloat);
    chromosome.Max.fill(kMissingValueFloat);
  }

  CMainFrame& OpenFrame() {
    mDocument = std::make_unique<CAnalysisDoc>();
    mFrame = std::make_unique<CMainFrame>(*mDocument);
    mFrame->InitialUpdateFrame();
    mFrame->resize(900, 600);
    mFrame->show();
    return *mFrame;
  }

  std::string Folder() const { return mFolder.Path().string(); }
  std::string File(const char* name) const { return mFolder.File(name); }

  // The log's lines, without the empty line after the last break.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (QTextBlock block = mDocument->Text().begin(); block.isValid(); block = block.next())
      lines.push_back(block.text().toStdString());
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }

  // The colour of the first character of a log line.
  QColor LineColour(int line) const {
    const QTextBlock block = mDocument->Text().findBlockByNumber(line);
    return block.begin().fragment().charFormat().foreground().color();
  }

  // The log's lines from line `from` on, each with the colour of its first character (none
  // for an empty line).
  std::vector<std::pair<std::string, QColor>> ColouredLinesFrom(std::size_t from) const {
    std::vector<std::pair<std::string, QColor>> lines;
    const std::vector<std::string> all = LogLines();
    for (std::size_t i = from; i < all.size(); ++i)
      lines.emplace_back(all[i], all[i].empty() ? QColor() : LineColour(static_cast<int>(i)));
    return lines;
  }

  static std::vector<std::string> TopLevelLabels(const QTreeWidget& tree) {
    std::vector<std::string> labels;
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
      labels.push_back(tree.topLevelItem(i)->text(0).toStdString());
    return labels;
  }

  platform::testing::TempFolder mFolder;
  ScriptedPrompts prompts;
  RecordingOpener opener;
  std::unique_ptr<CAnalysisDoc> mDocument;
  std::unique_ptr<CMainFrame> mFrame;
};

// Counts pumped messages while alive.
class PumpCounter {
 public:
  PumpCounter() : mPrevious(SetPumpHook([this] { ++count; })) {}
  ~PumpCounter() { SetPumpHook(mPrevious); }
  int count = 0;

 private:
  std::function<void()> mPrevious;
};

// While alive, long jobs handle the window's events between their steps, as the program
// has them do.
class WindowEventPump {
 public:
  WindowEventPump() : mPrevious(SetPumpHook([] { QCoreApplication::processEvents(); })) {}
  ~WindowEventPump() { SetPumpHook(mPrevious); }
  WindowEventPump(const WindowEventPump&) = delete;
  WindowEventPump& operator=(const WindowEventPump&) = delete;

 private:
  std::function<void()> mPrevious;
};

// The control a dialog names by its resource id ("c1042"); a missing one fails the test.
template <typename T>
T* Control(QWidget& parent, int id) {
  auto* control = parent.findChild<T*>(QStringLiteral("c%1").arg(id));
  EXPECT_NE(control, nullptr) << id;
  return control;
}
