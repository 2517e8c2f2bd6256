// The SNP view on the largest group (999 arrays, the most a group holds) of a SNP chip
// whose SNPs have 40 probe pairs (twenty blocks, the most the view takes), offscreen, on
// one thread: the whole picture with the bar chart drawn into a bitmap, and a step to the
// next SNP (its blocks laid out and fitted again, then drawn).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>

#include <memory>

#include "bench/bench_support.hpp"
#include "bench/window_rig.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "genome/info/snp_block_data.hpp"
#include "shell/main_frame.hpp"
#include "shell/views/genome/snp_view.hpp"
#include "tools/synth/array_group.hpp"
#include "tools/synth/installed_array_group.hpp"

namespace {

struct PaintRig {
  PaintRig() {
    StartGroup(window.folder.Path().string());
    synth::ChipOptions options;
    options.kind = synth::ChipKind::kSnp2;
    options.dimension = 60;
    options.unitCount = 20;
    options.minPairs = 40;
    options.maxPairs = 40;
    const auto chip = synth::MakeChip(options);
    synth::ArrayGroupOptions groupOptions;
    groupOptions.arrays = MAX_ARRAY_NUM - 1;
    groupOptions.noise = 0.3;
    synth::InstallArrayGroup(*chip, synth::MakeArrayGroup(*chip, groupOptions));
    TheGroup().Settings().CUR_UNIT = 0;
    TheGroup().Settings().CUR_ARRAY = 5;
    window.OpenFrame();
    view = window.ShowPaneView<SnpView>(VIEW_SNP);
  }
  ~PaintRig() {
    window.CloseFrame();
    Layout = CDF_LAYOUT{};
    DiscardGroup();
  }

  bench::WindowRig window{"snp-view-paint"};
  SnpView* view = nullptr;
};

void Draw(SnpView& view) {
  const ScatterLayout& layout = view.PictureLayout();
  QImage image(layout.width, layout.height + layout.height / 4, QImage::Format_RGB32);
  bench::DrawPicture(image, [&view](QPainter& painter) { view.Draw(painter, true); });
}

void BM_SnpViewPaint_Whole(benchmark::State& state) {
  SnpView& view = *bench::Shared<PaintRig>().view;
  for (auto _ : state) Draw(view);
  state.counters["points"] = static_cast<double>(view.Boxes().size());
  state.counters["blocks"] = SnpBlockData.blockCount;
}

void BM_SnpViewPaint_NextSnp(benchmark::State& state) {
  SnpView& view = *bench::Shared<PaintRig>().view;
  for (auto _ : state) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    Draw(view);
  }
  state.counters["points"] = static_cast<double>(view.Boxes().size());
}

}  // namespace

BENCHMARK(BM_SnpViewPaint_Whole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SnpViewPaint_NextSnp)->Unit(benchmark::kMillisecond);
