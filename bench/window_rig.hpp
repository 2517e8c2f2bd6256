// The program's window offscreen for the benchmarks of the views' paint: the application,
// a scratch folder for the group, and (once the benchmark's group is in place) the log
// document with the main frame.
#pragma once

#include <QApplication>

#include <memory>
#include <string_view>

#include "bench/bench_support.hpp"
#include "bench/offscreen_paint.hpp"
#include "shell/main_frame.hpp"
#include "shell/views/frame/analysis_doc.hpp"

namespace bench {

class WindowRig {
 public:
  explicit WindowRig(std::string_view folderName) : folder(folderName) {}
  WindowRig(const WindowRig&) = delete;
  WindowRig& operator=(const WindowRig&) = delete;

  // The main frame over a new log document; made once the group is in place.
  CMainFrame& OpenFrame() {
    document = std::make_unique<CAnalysisDoc>();
    frame = std::make_unique<CMainFrame>(*document);
    return *frame;
  }
  // The frame and then its document closed, before the benchmark discards its group.
  void CloseFrame() {
    frame.reset();
    document.reset();
  }

  // A view of the frame alone in a window whose inside is width x height pixels, without
  // scroll bars, laid out and shown.
  template <typename View>
  std::unique_ptr<View> ShowView(int width, int height) {
    auto view = std::make_unique<View>(*frame, nullptr);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->resize(width + 2 * view->frameWidth(), height + 2 * view->frameWidth());
    view->OnInitialUpdate();
    view->show();
    QApplication::processEvents();
    return view;
  }

  // The frame's own right-pane view of index, shown there, updated and laid out.
  template <typename View>
  View* ShowPaneView(int index) {
    frame->ShowView(index);
    auto* view = dynamic_cast<View*>(frame->RightViews(index));
    view->OnInitialUpdate();
    QApplication::processEvents();
    return view;
  }

  OffscreenApplication application;
  ScratchFolder folder;
  // The frame goes before the document it shows, both before the application.
  std::unique_ptr<CAnalysisDoc> document;
  std::unique_ptr<CMainFrame> frame;
};

}  // namespace bench
