// The genome view's picture: 54,000 probe sets on 24 chromosomes, 2,000 of them listed,
// drawn into a 1600 x 1000 picture offscreen on one thread, stretches outlined.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <vector>

#include "bench/bench_support.hpp"
#include "bench/offscreen_paint.hpp"
#include "engine/group/gene_list.hpp"
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
  const synth::StretchGenome genome = synth::MakeStretchGenome(options);
  const int count = options.genes;
  bench::NameProbeSets(count);
  genome_info.Clear();
  genome_info.Unit.assign(static_cast<std::size_t>(count), UNIT_POS{});
  GeneList = GENE_LIST{};
  GeneList.FitLayout();
  genome_info.NumChro = options.chromosomes;
  for (int g = 0; g < count; ++g) {
    const auto i = static_cast<std::size_t>(g);
    genome_info.Unit[i].chro = static_cast<std::int16_t>(genome.chro[i]);
    genome_info.Unit[i].pos = static_cast<float>(genome.pos[i]);
    genome_info.Unit[i].strand = genome.strand[i];
    GeneList.SetListed(g, genome.listed[i]);
  }
  genome_info.ComputeChroLengths();
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
