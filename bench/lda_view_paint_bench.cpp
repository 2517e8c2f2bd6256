// The sample scatter view on the largest group (999 named samples, the most a group
// holds, of ten classes, a fifth of them unclassified), offscreen, on one thread: the whole
// picture drawn by its one drawing routine into a bitmap, and a resize step (the picture
// one step wider or narrower, the points laid out again, then drawn).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include <cmath>
#include <memory>

#include "bench/bench_support.hpp"
#include "bench/window_rig.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genes/lda/lda_result.hpp"
#include "shell/main_frame.hpp"
#include "shell/views/samples/lda_view.hpp"
#include "tools/synth/planted_clusters.hpp"

namespace {

constexpr int kClasses = 10;

struct PaintRig {
  PaintRig() {
    StartGroup(window.folder.Path().string());
    synth::PlantedClusterOptions options;
    options.samples = kMaxLdaSamples;
    synth::InstallPlantedClusterGroup(synth::MakePlantedClusters(options));
    LDA_RESULT& result = TheLdaResult();
    result.result.clear();
    for (int i = 0; i < kMaxLdaSamples; ++i) {
      const int k = i % kClasses;
      const double angle = 6.283185307 * k / kClasses;
      const float x = static_cast<float>(10.0 * std::cos(angle) + (i * 7919 % 1000) / 400.0);
      const float y = static_cast<float>(10.0 * std::sin(angle) + (i * 104729 % 1000) / 400.0);
      result.result.insert(result.result.end(), {x, y, static_cast<float>(k + 1), 0.9f});
      result.classOf[static_cast<std::size_t>(i)] = i % 5 == 4 ? -1.0f : static_cast<float>(k);
    }
    result.resultRows = kMaxLdaSamples;
    result.classCount = kClasses;
    window.OpenFrame();
    view = window.ShowPaneView<LdaView>(VIEW_LDA);
  }
  ~PaintRig() {
    window.CloseFrame();
    TheLdaResult() = LDA_RESULT{};
    DiscardGroup();
  }

  bench::WindowRig window{"lda-view-paint"};
  LdaView* view = nullptr;
};

void Draw(LdaView& view) {
  QImage image(view.PictureLayout().width, view.PictureLayout().height, QImage::Format_RGB32);
  bench::DrawPicture(image, [&view](QPainter& painter) { view.Draw(painter, true); });
}

void BM_LdaViewPaint_Whole(benchmark::State& state) {
  LdaView& view = *bench::Shared<PaintRig>().view;
  for (auto _ : state) Draw(view);
  state.counters["points"] = static_cast<double>(view.Boxes().size());
  state.counters["picture_pixels"] = view.PictureLayout().width * view.PictureLayout().height;
}

void BM_LdaViewPaint_ResizeStep(benchmark::State& state) {
  LdaView& view = *bench::Shared<PaintRig>().view;
  int key = Qt::Key_Right;
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    key = key == Qt::Key_Right ? Qt::Key_Left : Qt::Key_Right;
    Draw(view);
  }
}

}  // namespace

BENCHMARK(BM_LdaViewPaint_Whole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LdaViewPaint_ResizeStep)->Unit(benchmark::kMillisecond);
