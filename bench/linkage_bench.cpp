// Multipoint linkage of one pedigree along a chromosome: nine children of two founders
// (16 free meioses, 65,536 inheritance vectors) over 10,000 markers in windows of 5,000,
// on one thread and on all the job may use, with and without inheritance-vector reduction; a
// three-generation pedigree at the limit of 21 bits over 1,000 markers; and a pedigree of
// 27 persons with 13 founders (26 founder alleles, 15 bits) over 500 markers, whose
// P(data | v) the founder-allele graph gives (due within 10 s on one thread). Counters:
// inheritance vectors times markers per second, and the bytes the run holds at its peak.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/bench_support.hpp"
#include "bench/counted_allocation.hpp"
#include "engine/services/running_scope.hpp"
#include "genome/linkage/inheritance_transition.hpp"
#include "genome/linkage/linkage_analysis.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

std::string Line(int id, int father, int mother, int affection) {
  return "1\t" + std::to_string(id) + "\t" + std::to_string(father) + "\t" +
         std::to_string(mother) + "\t1\ta" + std::to_string(id) + "\t" + std::to_string(affection) +
         "\n";
}

std::string NineChildren() {
  std::string text = "Family\tPerson\tFather\tMother\tSex\tArray\tAffection\n";
  text += Line(1, 0, 0, 0) + Line(2, 0, 0, 0);
  for (int c = 0; c < 9; ++c) text += Line(3 + c, 1, 2, c < 4 ? 2 : 1);
  return text;
}

// Founders 1 and 2 with children 3 and 5; 3 marries founder 4 and has ten children.
std::string TwentyOneBits() {
  std::string text = "Family\tPerson\tFather\tMother\tSex\tArray\tAffection\n";
  text +=
      Line(1, 0, 0, 0) + Line(2, 0, 0, 0) + Line(4, 0, 0, 0) + Line(3, 1, 2, 2) + Line(5, 1, 2, 1);
  for (int c = 0; c < 10; ++c) text += Line(10 + c, 3, 4, c < 5 ? 2 : 1);
  return text;
}

// Three couples of grandparents with two children each; the six children marry in six
// spouses, one of them a second spouse too, and have eight children: 27 persons, every
// founder a parent, 28 meioses of which 13 are fixed.
std::string ThirteenFounders() {
  std::string text = "Family\tPerson\tFather\tMother\tSex\tArray\tAffection\n";
  for (int f = 1; f <= 6; ++f) text += Line(f, 0, 0, 0);
  text += Line(7, 1, 2, 2) + Line(8, 1, 2, 1) + Line(9, 3, 4, 1) + Line(10, 3, 4, 2) +
          Line(11, 5, 6, 2) + Line(12, 5, 6, 1);
  for (int f = 13; f <= 19; ++f) text += Line(f, 0, 0, 0);
  // Couples (father, mother): 13 x 7, 8 x 14, 9 x 15, 16 x 10, 17 x 11, 12 x 18, 12 x 19.
  text += Line(20, 13, 7, 2) + Line(21, 13, 7, 1) + Line(22, 8, 14, 2) + Line(23, 9, 15, 1) +
          Line(24, 16, 10, 2) + Line(25, 17, 11, 1) + Line(26, 12, 18, 2) + Line(27, 12, 19, 1);
  return text;
}

// Calls of a random vector path with crossovers at 0.05 cM per marker.
LinkageChromosome Chromosome(const LinkageAnalysis& analysis, int markers) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> u(0, 1);
  const auto& persons = analysis.pedigree.Persons();
  LinkageChromosome data;
  data.calls.resize(persons.size() * static_cast<std::size_t>(markers));
  std::uint32_t v = 0;
  std::vector<int> alleles(2 * persons.size());
  std::vector<int> states(static_cast<std::size_t>(analysis.pedigree.FounderAlleles()));
  for (int m = 0; m < markers; ++m) {
    const float p = static_cast<float>(0.2 + 0.6 * u(random));
    data.markers.push_back({"snp" + std::to_string(m), 0.05f * static_cast<float>(m), 0, p});
    for (int b = 0; b < analysis.pedigree.Bits(); ++b)
      if (u(random) < HaldaneTheta(0.05)) v ^= 1u << b;
    analysis.pedigree.Descent(v, alleles.data());
    for (int& s : states) s = u(random) < p ? 0 : 1;
    for (std::size_t i = 0; i < persons.size(); ++i) {
      const int s1 = states[static_cast<std::size_t>(alleles[2 * i])];
      const int s2 = states[static_cast<std::size_t>(alleles[2 * i + 1])];
      data.calls[i * static_cast<std::size_t>(markers) + static_cast<std::size_t>(m)] =
          static_cast<std::uint8_t>(u(random) < 0.05 ? kNoCall
                                    : s1 == s2       ? s1
                                                     : kCallAB);
    }
  }
  return data;
}

void Run(benchmark::State& state, const std::string& pedigree, int markers,
         bool reduction = false) {
  bench::SilenceLog();
  RaisedAnalysisRunning running;
  platform::LimitWorkerThreads(static_cast<int>(state.range(0)));
  LinkageAnalysis analysis;
  if (!analysis.pedigree.ReadText(pedigree, "bench", [](const std::string&) { return 1; }) ||
      !analysis.PrepareFounders()) {
    state.SkipWithError("the pedigree was refused");
    return;
  }
  analysis.settings.windowLength = 5000;
  analysis.settings.inheritReduction = reduction;
  const LinkageChromosome data = Chromosome(analysis, markers);
  std::size_t peak = 0;
  for (auto _ : state) {
    const std::size_t before = bench::StartPeak();
    LinkageResult result;
    if (!analysis.RunChromosome(data, result)) state.SkipWithError("the run failed");
    peak = bench::gPeak.load() - before;
  }
  state.counters["threads"] = platform::WorkerThreadCount();
  platform::LimitWorkerThreads(0);
  state.counters["vector_markers_per_s"] =
      benchmark::Counter(static_cast<double>(analysis.pedigree.VectorCount()) * markers,
                         benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_bytes"] = static_cast<double>(peak);
}

void BM_LinkageChromosome(benchmark::State& state) {
  Run(state, NineChildren(), 10000);
}
// The same with inheritance-vector reduction.
void BM_LinkageChromosomeReduced(benchmark::State& state) {
  Run(state, NineChildren(), 10000, true);
}
void BM_LinkageTwentyOneBits(benchmark::State& state) {
  Run(state, TwentyOneBits(), 1000);
}
void BM_LinkageThirteenFounders(benchmark::State& state) {
  Run(state, ThirteenFounders(), 500);
}

}  // namespace

// Argument: the thread limit (0 = all the job may use).
BENCHMARK(BM_LinkageChromosome)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_LinkageChromosomeReduced)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK(BM_LinkageTwentyOneBits)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_LinkageThirteenFounders)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
