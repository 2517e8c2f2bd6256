// The genome view's picture: 54,000 probe sets on 24 chromosomes, 2,000 of them listed,
// drawn into a 1600 x 1000 picture offscreen on one thread, stretches outlined.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <vector>

#include "bench/bench_support.hpp"
#include "bench/offscreen_paint.hpp"
#include "bench/stretch_genome.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/stretch/gene_stretch.hpp"
#include "shell/views/genome/genome_drawing.hpp"
#include "tools/synth/gene_stretch_data.hpp"

namespace {

void BM_GenomeViewPaint(benchmark::State& state) {
  static bench::OffscreenApplication application;
  synth::StretchGenomeOptions options;
  options.genes = 54'000;
  options.planted = 12;
  bench::InstallStretchGenome(synth::MakeStretchGenome(options));
  GetAllChroPValue(1e-6);

  QImage picture(1600, 1000, QImage::Format_RGB32);
  const GenomeLayout layout = ComputeGenomeLayout(1600, 1000);
  std::vector<int> onTop;
  for (auto _ : state) {
    bench::DrawPicture(picture, [&layout, &onTop](QPainter& painter) {
      DrawGenomePicture(painter, layout, true, onTop);
    });
  }
  state.counters["stretches"] = gene_stretches.stretchCount;
  genome_info.Clear();
}
BENCHMARK(BM_GenomeViewPaint)->Unit(benchmark::kMillisecond);

}  // namespace
