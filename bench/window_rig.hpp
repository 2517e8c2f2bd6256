// The program's window offscreen for the benchmarks of the views' paint: the application,
// a scratch folder for the group, and (once the benchmark's group is in place) the log
// document with the main frame.
#pragma once

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <string_view>

#include "bench/bench_support.hpp"
#include "shell/main_frame.hpp"
#include "shell/views/frame/analysis_doc.hpp"

namespace bench {

class WindowRig {
 public:
  explicit WindowRig(std::string_view folderName) : folder(folderName) {
    SilenceLog();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application = std::make_unique<QApplication>(argc, argv);
  }
  ~WindowRig() {
    frame.reset();
    document.reset();
    // A rig made on first use ends among the exit handlers, after Qt's own globals:
    // deleting the application there would touch them, so it is left to the process's end.
    (void)application.release();
  }
  WindowRig(const WindowRig&) = delete;
  WindowRig& operator=(const WindowRig&) = delete;

  // The main frame over a new log document; made once the group is in place.
  CMainFrame& OpenFrame() {
    document = std::make_unique<CAnalysisDoc>();
    frame = std::make_unique<CMainFrame>(*document);
    return *frame;
  }

  int argc = 1;
  char name[16] = "bench";
  char* argv[2] = {name, nullptr};
  ScratchFolder folder;
  std::unique_ptr<QApplication> application;
  std::unique_ptr<CAnalysisDoc> document;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace bench
