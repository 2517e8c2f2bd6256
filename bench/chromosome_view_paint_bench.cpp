// The chromosome view's paint, offscreen on one thread, in a 1600 x 1000 window: 200
// arrays x 50,000 markers of one chromosome, LOH calls or copy numbers, with rows of one
// pixel and with the whole chromosome in the window (rows of 0.02 pixel); a paint of the
// whole window, and a scroll step (one line down or up, then the whole window painted).
// Then a genome of 500,000 markers on 22 chromosomes (20 arrays): End pressed 21 times
// goes from chromosome 1 to 22, each step a layout and a paint. One thread unless the
// arguments say all.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <memory>
#include <random>

#include "bench/bench_support.hpp"
#include "bench/window_rig.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/chromosome/chromosome_view_flags.hpp"
#include "genome/info/genome_info.hpp"
#include "platform/parallel_tasks.hpp"
#include "shell/main_frame.hpp"
#include "shell/views/chromosome/chromosome_view.hpp"

namespace {

constexpr int kWindowWidth = 1600;
constexpr int kWindowHeight = 1000;
constexpr int kArrays = 200;
constexpr int kMarkers = 50'000;
constexpr int kGenomeArrays = 20;
constexpr int kGenomeMarkers = 500'000;
constexpr int kGenomeChromosomes = 22;

// Markers spread over chromosomes of about 3 kb per marker, with copy numbers and LOH
// codes that change in stretches, in the global chromosome data of a group of arrays
// paired two by two.
void MakeData(int arrays, int markers, int chromosomes) {
  bench::NameProbeSets(markers);
  Layout.unitCount = markers;
  ArrayType = 1;
  Group& group = TheGroup();
  group.ClearGroup();
  for (int a = 0; a < arrays; ++a) group.NextArraySlot().name = "A" + std::to_string(a);
  SampleGrouping.SetDefaultGrouping();
  genome_info.Clear();
  genome_info.Unit.assign(static_cast<std::size_t>(markers), UNIT_POS{});
  genome_info.NumChro = chromosomes;
  const int perChro = markers / chromosomes;
  for (int u = 0; u < markers; ++u) {
    UNIT_POS& unit = genome_info.Unit[static_cast<std::size_t>(u)];
    unit.chro = static_cast<std::int16_t>(std::min(chromosomes - 1, u / perChro));
    unit.pos = static_cast<float>((u - unit.chro * perChro) * 3000 + 1000);
  }
  genome_info.GetUnitPos();
  ChroTables tables;
  tables.lohCodes = tables.inferred = true;
  chromosome.Allocate(arrays, markers, tables);
  chromosome.method = kChroCopyNumber;
  // The curve below is the rig's own; nothing is gathered.
  chromosome.computed.fill(true);
  std::mt19937 random(5);
  for (int s = 0; s < arrays; ++s) {
    float copies = 2;
    float code = 1;
    for (int u = 0; u < markers; ++u) {
      if (random() % 2000 == 0) copies = static_cast<float>(random() % 5);
      if (random() % 3000 == 0) code = static_cast<float>(random() % 4);
      chromosome.inferred.Row(s)[u] = copies;
      chromosome.lohCodes.Row(s)[u] = random() % 3 == 0 ? 2.0f : code;
      chromosome.calls.Row(s)[u] = static_cast<std::uint8_t>(random() % 4);
    }
  }
  for (int u = 0; u < markers; ++u)
    chromosome.markerStats[static_cast<std::size_t>(u)].summary[kDataCopyNumber] =
        static_cast<float>(std::sin(u * 0.001) + 2);
  chromosome.Min[kDataCopyNumber] = 0;
  chromosome.Max[kDataCopyNumber] = 4;
  chromosome.Threshold[kDataCopyNumber] = 2.5f;
  chromosome.Min[kDataLohCall] = 0;
  chromosome.Max[kDataLohCall] = 1;
  chromosome.Threshold[kDataLohCall] = 0.5f;
  GroupSettings& settings = group.Settings();
  settings.PIXEL_WD = 6;
  settings.PIXEL_HT_ = 1;
  settings.PIXEL_HT2 = 0;
  settings.PIXEL_KB = 10;
  settings.PIXEL_HT_PROP = 8;
  settings.DENDRO_WD = 150;
  settings.DENDRO_HT = 60;
  settings.CHRO_CUR_CHRO = 0;
  settings.PROPORTIONAL_DIST = 0;
  settings.VIEW_ALL_CHROMOSOME = 0;
  settings.CUR_UNIT = -1;
  DisplayInferred = true;
}

struct PaintRig {
  PaintRig() {
    StartGroup(window.folder.Path().string());
    window.OpenFrame();
  }
  CChromosomeView& View(int arrays, int markers, int chromosomes) {
    if (mArrays != arrays || mMarkers != markers) {
      view.reset();
      MakeData(arrays, markers, chromosomes);
      mArrays = arrays;
      mMarkers = markers;
      view = window.ShowView<CChromosomeView>(kWindowWidth, kWindowHeight);
    }
    return *view;
  }
  ~PaintRig() {
    view.reset();
    window.CloseFrame();
    chromosome.Clear();
    DiscardGroup();
  }

  bench::WindowRig window{"chromosome-view-paint"};
  std::unique_ptr<CChromosomeView> view;
  int mArrays = 0;
  int mMarkers = 0;
};

// Arguments: data type (1 LOH call, 2 copy number), rows per 100 pixels (100 or 2), and
// the threads the cells may use (1, or 0 for all the machine offers).
CChromosomeView& Prepare(const benchmark::State& state) {
  CChromosomeView& view = bench::Shared<PaintRig>().View(kArrays, kMarkers, 1);
  platform::LimitWorkerThreads(static_cast<int>(state.range(2)));
  chromosome.dataType = static_cast<int>(state.range(0));
  TheGroup().Settings().PIXEL_HT_ = static_cast<float>(state.range(1)) / 100.0f;
  view.Relayout();
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
  return view;
}

void BM_ChromosomeViewPaint(benchmark::State& state) {
  CChromosomeView& view = Prepare(state);
  for (auto _ : state) {
    view.Invalidate();
    bench::PaintViewport(view);
  }
  state.counters["rows_shown"] = kWindowHeight / (static_cast<double>(state.range(1)) / 100.0);
}

void BM_ChromosomeViewPaint_ScrollStep(benchmark::State& state) {
  bench::TimeScrollSteps(state, Prepare(state));
}

// Chromosome 1 to 22 by the End key, each step laid out and painted; the time is that of
// the 21 steps.
void BM_ChromosomeViewPaint_GenomeScroll(benchmark::State& state) {
  CChromosomeView& view =
      bench::Shared<PaintRig>().View(kGenomeArrays, kGenomeMarkers, kGenomeChromosomes);
  platform::LimitWorkerThreads(1);
  chromosome.dataType = kDataLohCall;
  TheGroup().Settings().PIXEL_HT_ = 1;
  for (auto _ : state) {
    state.PauseTiming();
    TheGroup().Settings().CHRO_CUR_CHRO = 0;
    view.Relayout();
    bench::PaintViewport(view);
    state.ResumeTiming();
    for (int c = 1; c < kGenomeChromosomes; ++c) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
      QApplication::sendEvent(&view, &press);
      bench::PaintViewport(view);
    }
  }
  state.counters["markers"] = kGenomeMarkers;
  state.counters["steps"] = kGenomeChromosomes - 1;
}

}  // namespace

BENCHMARK(BM_ChromosomeViewPaint)
    ->Args({kDataLohCall, 100, 1})
    ->Args({kDataCopyNumber, 100, 1})
    ->Args({kDataLohCall, 2, 1})
    ->Args({kDataCopyNumber, 2, 1})
    ->Args({kDataLohCall, 2, 0})
    ->Args({kDataCopyNumber, 2, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChromosomeViewPaint_ScrollStep)
    ->Args({kDataLohCall, 100, 1})
    ->Args({kDataCopyNumber, 2, 1})
    ->Args({kDataCopyNumber, 2, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChromosomeViewPaint_GenomeScroll)->Unit(benchmark::kMillisecond);
