// The pathway gene filter on a reference time course: 22,000 genes over 24 time points,
// a pathway of 6 nodes (3 named, 3 placeholders) and 7 arrows drawn like a planted
// cascade (5 planted relations and 2 they imply). Argument: threads (0 for all).
//
// What the search must do: the first placeholder tries every gene (n correlations); with
// the threshold at 0.9 over 7 arrows the bound lets through the genes whose one arrow
// reaches about 0.36 (some 4% of n under noise, plus the planted gene), and each of those
// tries every gene for the second placeholder (two arrows each), after which hardly any
// survive. So about 0.04 n^2 + n checks of 23 pairs: 2 x 10^7 here. Each further
// placeholder multiplies the work by n times the share the bound lets through at its
// depth, n^k for k placeholders when the arrows leave the bound nothing to prune.
// A check reads arrows with a named end from per-gene tables and correlates two
// placeholders in one pass over centred values, a placeholder's candidates side by side;
// a candidate its per-gene arrows already hold below the bound is never correlated.
// Target: 2 s on one thread, 0.4 s on all cores.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/bench_support.hpp"
#include "engine/group/group.hpp"
#include "genes/info/gene_info.hpp"
#include "genes/pathway/pathway_filter.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/genome_files.hpp"
#include "tools/synth/time_course.hpp"

namespace {

constexpr int kGenes = 22000;

const std::vector<synth::PlantedRelation> kPlanted = {
    {0, 1, 1, false}, {1, 2, 1, true}, {0, 3, 2, false}, {3, 4, 1, true}, {2, 5, 1, false}};

struct ReferenceCourse {
  bench::ScratchGroup folder{"pathway"};
  synth::TimeCourseTruth truth;

  ReferenceCourse() {
    AnalysisRunning = 1;
    synth::TimeCourseOptions options;
    options.seed = 11;
    options.genes = kGenes;
    options.timePoints = 24;
    options.motifNodes = 6;
    options.relations = kPlanted;
    options.missingPercent = 1;
    truth = synth::MakeTimeCourses(options);
    synth::InstallTimeCourseGroup(truth);
    const std::string info = folder.File("info.txt");
    if (!synth::WriteGeneInfo(synth::TimeCourseGeneInfo(truth), info) ||
        !ReadGeneInfoFile(info, true))
      std::abort();
    const std::string list = folder.File("list.txt");
    if (!synth::WriteText(list, synth::TimeCourseGeneListText(truth))) std::abort();
    GroupSettings& settings = TheGroup().Settings();
    settings.FILTER_INPUT_LIST = list;
    settings.PATHWAY_CORR = 0.9;
  }
};

// The pathway anew for each run: the filter marks the names it does not find.
void DrawPathway(const synth::TimeCourseTruth& truth) {
  ClearPathway();
  for (int node = 0; node < 6; ++node) {
    if (!AddNode()) std::abort();
    if (node < 3)
      SetNodeName(node, truth.geneNames[static_cast<std::size_t>(
                            truth.motifGenes[static_cast<std::size_t>(node)])]);
  }
  RenumberUnknownNodes();
  for (const synth::PlantedRelation& r : kPlanted)
    if (!EditArrow(r.from, r.to, r.lag, true, r.inhibition ? kInhibition : kActivation))
      std::abort();
  // Implied: the first gene inhibits the third two time points on, the fifth three on.
  if (!EditArrow(0, 2, 2, true, kInhibition) || !EditArrow(0, 4, 3, true, kInhibition))
    std::abort();
}

void BM_PathwayFilter(benchmark::State& state) {
  ReferenceCourse& reference = bench::Shared<ReferenceCourse>();
  platform::LimitWorkerThreads(static_cast<int>(state.range(0)));
  const int threads = platform::WorkerThreadCount();
  for (auto _ : state) {
    state.PauseTiming();
    DrawPathway(reference.truth);
    // Raised as the command's road raises it; the filter lowers it at its end.
    AnalysisRunning = 1;
    state.ResumeTiming();
    if (!FilterGenesByPathway()) std::abort();
  }
  platform::LimitWorkerThreads(0);
  state.counters["genes_per_s"] =
      benchmark::Counter(kGenes, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["threads"] = threads;
}
BENCHMARK(BM_PathwayFilter)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
