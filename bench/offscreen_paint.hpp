// Painting offscreen in the benchmarks of the views: the application on the offscreen
// platform, a window's paint grabbed from its viewport, and a picture drawn into a bitmap.
#pragma once

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "bench/bench_support.hpp"

namespace bench {

// The application a paint benchmark draws with, offscreen and with the log silenced.
class OffscreenApplication {
 public:
  OffscreenApplication() {
    SilenceLog();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    mApplication = std::make_unique<QApplication>(mArgc, mArgv);
    // Qt makes its per-thread record of the current drawing context when the first window
    // goes. Made here, before any rig, it outlives a rig that ends among the exit
    // handlers, whose windows look it up as they go (a view replaced during the run made
    // it too late, and the exit crashed).
    (void)QOpenGLContext::currentContext();
  }
  ~OffscreenApplication() {
    // One made on first use ends among the exit handlers, after Qt's own globals:
    // deleting the application there would touch them, so it is left to the process's end.
    (void)mApplication.release();
  }
  OffscreenApplication(const OffscreenApplication&) = delete;
  OffscreenApplication& operator=(const OffscreenApplication&) = delete;

 private:
  int mArgc = 1;
  char mName[16] = "bench";
  char* mArgv[2] = {mName, nullptr};
  std::unique_ptr<QApplication> mApplication;
};

// The window's paint, rendered into a bitmap of the window's size (grab() always paints,
// whether or not the offscreen window is exposed).
inline void PaintViewport(QAbstractScrollArea& view) {
  const QPixmap picture = view.viewport()->grab();
  benchmark::DoNotOptimize(picture.cacheKey());
}

// Each iteration scrolls the view one line, down and up in turn, and paints the window.
inline void TimeScrollSteps(benchmark::State& state, QAbstractScrollArea& view) {
  QScrollBar& bar = *view.verticalScrollBar();
  int step = 1;
  for (auto _ : state) {
    bar.triggerAction(step > 0 ? QAbstractSlider::SliderSingleStepAdd
                               : QAbstractSlider::SliderSingleStepSub);
    step = -step;
    PaintViewport(view);
  }
}

// draw(painter) on the image, filled white first.
template <typename Draw>
void DrawPicture(QImage& image, Draw draw) {
  image.fill(Qt::white);
  QPainter painter(&image);
  draw(painter);
  painter.end();
  benchmark::DoNotOptimize(image.constBits());
}

}  // namespace bench
