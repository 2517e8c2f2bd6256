// Exporting the expression values, calls and standard errors of 100 arrays x 22,000 probe
// sets, and reading the table back as external data, each against a plain read of the
// written table's bytes in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "bench/bench_support.hpp"
#include "engine/base/value_triple.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/jobs/expression_data_file.hpp"
#include "engine/jobs/external_data.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/parallel_tasks.hpp"
#include "tools/synth/random.hpp"

namespace {

constexpr int kArrays = 100;
constexpr int kProbeSets = 22000;

// One group of log-normal expression values and the table exported from it.
struct ExpressionTable {
  std::string path;

  // The group's options for the export and for reading it back.
  static void UseOptions() {
    GroupSettings& settings = TheGroup().Settings();
    settings.HAS_BOTH = 1;
    settings.HAS_STD = 1;
    settings.GCT_FORMAT = 0;
    settings.EXPRESSION_INCLUDE_HEADER = 0;
    settings.HAS_GENE_NAME = 0;
    settings.LOG_TRANSFORM = 0;
    settings.GENE_LIST_FILE = "";
    settings.ARRAY_LIST_FILE = "";
    settings.SAMPLE_INFO_FILE = "";
    for (int s = 0; s < SampleGrouping.SampleCount(); ++s) SampleGrouping.SetSelected(s, true);
  }

  ExpressionTable() : mFolder("expression-file") {
    ArrayType = 0;
    bench::NameProbeSets(bench::ExpressionProbeSetNames(kProbeSets));
    synth::SynthRandom random(7);
    for (int a = 0; a < kArrays; ++a) {
      bench::AddArray("sample_" + std::to_string(a + 1), [&](ArraySlot& slot) {
        slot.values.resize(kProbeSets);
        slot.calls.resize(kProbeSets);
        for (int u = 0; u < kProbeSets; ++u) {
          const double value = std::exp(6.0 + 1.5 * random.Normal());
          slot.values[static_cast<std::size_t>(u)] = {
              static_cast<float>(value), static_cast<float>(value * 0.2 * random.Uniform()), 0};
          slot.calls[static_cast<std::size_t>(u)] = value > 400 ? 'P' : value > 200 ? 'M' : 'A';
        }
      });
    }
    Group& group = TheGroup();
    group.Modelled = true;
    group.HasCalls = true;
    group.HasStdErrors = true;
    SampleGrouping.SetDefaultGrouping();
    UseOptions();
    path = mFolder.File("group expression.xls");
    AnalysisRunning = 1;
    if (!WriteExpressionData(path)) std::abort();
  }
  ~ExpressionTable() { DiscardGroup(); }
  bench::ScratchGroup mFolder;
};

void BM_ExpressionPlainRead(benchmark::State& state) {
  bench::TimePlainRead(state, bench::Shared<ExpressionTable>().path);
}

void BM_ExpressionExport(benchmark::State& state) {
  const ExpressionTable& table = bench::Shared<ExpressionTable>();
  ExpressionTable::UseOptions();
  bench::TimeAgainstPlainRead(state, table.path, [&] {
    AnalysisRunning = 1;
    if (!WriteExpressionData(table.path)) state.SkipWithError("export failed");
  });
  AnalysisRunning = 0;
}

void BM_ExternalDataRead(benchmark::State& state) {
  const ExpressionTable& table = bench::Shared<ExpressionTable>();
  ExpressionTable::UseOptions();
  TheGroup().Settings().EXTERNAL_DATA_FILE = table.path;
  bench::TimeAgainstPlainRead(state, table.path, [&] {
    if (!ReadExternalData()) state.SkipWithError("external data read failed");
  });
  if (TheGroup().NumArrays() != kArrays || Layout.unitCount != kProbeSets)
    state.SkipWithError("the table read back is not the group exported");
}

// The same work on the calling thread alone: what the threads share.
void BM_ExpressionExportOneThread(benchmark::State& state) {
  platform::LimitWorkerThreads(1);
  BM_ExpressionExport(state);
  platform::LimitWorkerThreads(0);
}

void BM_ExternalDataReadOneThread(benchmark::State& state) {
  platform::LimitWorkerThreads(1);
  BM_ExternalDataRead(state);
  platform::LimitWorkerThreads(0);
}

BENCHMARK(BM_ExpressionPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpressionExport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExternalDataRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExpressionExportOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExternalDataReadOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
