// The pathway editor's picture at the pathway's limits, 50 nodes on the free-spot grid and
// 50 arrows of all three kinds (most of them long diagonals with turned labels), drawn
// offscreen into a white bitmap of the page on one thread, as a paint of the whole page.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "bench/offscreen_paint.hpp"
#include "genes/pathway/pathway.hpp"
#include "shell/views/pathway/pathway_drawing.hpp"
#include "shell/views/pathway/pathway_geometry.hpp"

namespace {

struct PaintRig {
  PaintRig() {
    ClearPathway();
    for (int i = 0; i < kMaxPathwayNodes; ++i) (void)AddNode();
    // Each node to the one 3 on and, for the first half, to the one 17 on: short and long
    // lines in every direction the grid allows.
    for (int i = 0; i < kMaxPathwayNodes && ThePathway().arrowCount < kMaxPathwayArrows; ++i) {
      (void)EditArrow(i, (i + 3) % kMaxPathwayNodes, i % 7, true, i % 3);
      if (i < kMaxPathwayNodes / 2)
        (void)EditArrow(i, (i + 17) % kMaxPathwayNodes, 1 + i % 5, true, (i + 1) % 3);
    }
    const PathwayPage page = PathwayPageSize(ThePathway());
    image = QImage(page.width, page.height, QImage::Format_RGB32);
  }

  bench::OffscreenApplication application;
  QImage image;
};

void BM_PathwayPaint(benchmark::State& state) {
  PaintRig& rig = bench::Shared<PaintRig>();
  for (auto _ : state) {
    bench::DrawPicture(rig.image,
                       [](QPainter& painter) { DrawPathwayPicture(painter, ThePathway()); });
  }
  state.counters["nodes"] = ThePathway().nodeCount;
  state.counters["arrows"] = ThePathway().arrowCount;
  state.counters["page_pixels"] = rig.image.width() * rig.image.height();
}

}  // namespace

BENCHMARK(BM_PathwayPaint)->Unit(benchmark::kMillisecond);
