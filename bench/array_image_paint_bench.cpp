// The array image view on a 2560 x 2560 array in a 1200 x 1000 window, offscreen, on one
// thread: a cold paint (the array's image built, then the whole window painted), a warm
// paint of the cached image, a scroll step (one line down or up, then the whole window
// painted) and a zoom step (the pixel size one up or down, with the current probe set
// scrolled to the middle, then the whole window painted).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <memory>
#include <optional>

#include "bench/bench_support.hpp"
#include "bench/window_rig.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "shell/main_frame.hpp"
#include "shell/views/array/cel_view.hpp"
#include "tools/synth/installed_array_group.hpp"

namespace {

constexpr int kDimension = 2560;
constexpr int kWindowWidth = 1200;
constexpr int kWindowHeight = 1000;

// One window, view and group for every benchmark of the program.
struct PaintRig {
  PaintRig() {
    StartGroup(window.folder.Path().string());
    synth::ChipOptions chipOptions;
    chipOptions.dimension = kDimension;
    chipOptions.unitCount = 20000;
    chipOptions.minPairs = 11;
    chipOptions.maxPairs = 16;
    chipOptions.seed = 4;
    const std::optional<synth::ChipTruth> chip = synth::MakeChip(chipOptions);
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = 2;
    groupOptions.spots = {{1, 1300, 900, 40, 60000}};
    synth::InstallArrayGroup(*chip, synth::MakeArrayGroup(*chip, groupOptions));
    GroupSettings& settings = TheGroup().Settings();
    settings.CUR_ARRAY = 1;
    settings.CUR_UNIT = 7000;
    settings.CEL_PIXEL_SIZE = 1;
    window.OpenFrame();
    view = window.ShowView<CCelView>(kWindowWidth, kWindowHeight);
  }
  ~PaintRig() {
    view.reset();
    window.CloseFrame();
    DiscardGroup();
  }

  bench::WindowRig window{"array-image-paint"};
  std::unique_ptr<CCelView> view;
};

void Key(QWidget& widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
}

void BM_ArrayImagePaint_Cold(benchmark::State& state) {
  CCelView& view = *bench::Shared<PaintRig>().view;
  for (auto _ : state) {
    view.RebuildImages();
    bench::PaintViewport(view);
  }
  state.counters["window_pixels"] = view.viewport()->width() * view.viewport()->height();
}

void BM_ArrayImagePaint_Warm(benchmark::State& state) {
  CCelView& view = *bench::Shared<PaintRig>().view;
  view.Refresh(false);
  for (auto _ : state) bench::PaintViewport(view);
}

void BM_ArrayImagePaint_ScrollStep(benchmark::State& state) {
  CCelView& view = *bench::Shared<PaintRig>().view;
  QScrollBar& bar = *view.verticalScrollBar();
  bar.setValue(bar.maximum() / 2);
  QApplication::processEvents();
  bench::TimeScrollSteps(state, view);
  state.counters["line_pixels"] = bar.singleStep();
}

void BM_ArrayImagePaint_ZoomStep(benchmark::State& state) {
  CCelView& view = *bench::Shared<PaintRig>().view;
  int key = Qt::Key_Right;
  for (auto _ : state) {
    Key(view, key);
    key = key == Qt::Key_Right ? Qt::Key_Left : Qt::Key_Right;
    bench::PaintViewport(view);
  }
  if (key == Qt::Key_Left) Key(view, Qt::Key_Left);
}

}  // namespace

BENCHMARK(BM_ArrayImagePaint_Cold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayImagePaint_Warm)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayImagePaint_ScrollStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayImagePaint_ZoomStep)->Unit(benchmark::kMillisecond);
