#include "genes/compare/compare_pass.hpp"

#include <algorithm>
#include <atomic>
#include <cstddef>

#include "engine/chip/cdf_layout.hpp"
#include "engine/jobs/export_gene_columns.hpp"
#include "engine/numerics/random_deviates.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/compare/compare_evaluation.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// Blocks handed to the threads at a time, per thread.
constexpr int kBlocksPerThread = 4;

struct BlockResult {
  int count = 0;
  std::string text;
};

void AppendGeneColumns(std::string* header, std::string& line, int unit, bool accession) {
  if (header != nullptr) *header += "probe set\t";
  line += Layout.units[static_cast<std::size_t>(unit)].Name();
  line += '\t';
  const ExportGeneSource& genes = ExportGeneInfo();
  if (!genes) return;
  const ExportGeneColumns columns = genes(unit);
  if (header != nullptr) *header += "gene\t";
  line += columns.gene;
  line += '\t';
  if (!accession) return;
  if (header != nullptr) *header += "Accession\tLocusLink\tDescription\t";
  for (const std::string_view field : {columns.accession, columns.locusLink, columns.description}) {
    line += field;
    line += '\t';
  }
}

// A pass that writes nothing hands all its blocks to the threads at once; the calling
// thread pumps and asks for a stop after each block it takes, and a stop leaves the
// blocks not yet begun. The count is a sum, whatever the order the blocks end in.
bool CountPassingGenes(const ComparePass& pass, const std::vector<int>& units, int blocks,
                       std::vector<std::uint8_t>& geneStatus, int& count) {
  std::atomic<int> total{0};
  std::atomic<bool> stopped{false};
  platform::RunTasks(blocks, std::max(pass.threads, 1), [&](int block, bool onCallingThread) {
    if (stopped.load(std::memory_order_relaxed)) return;
    CompareEvaluator evaluator(*pass.table, pass.considerError, pass.criteria->Entries());
    const std::size_t begin = static_cast<std::size_t>(block) * kComparePassBlock;
    const std::size_t end = std::min(units.size(), begin + kComparePassBlock);
    int passed = 0;
    for (std::size_t i = begin; i < end; ++i) {
      const int unit = units[i];
      const bool satisfied = evaluator.EvaluateGene(unit, {});
      geneStatus[static_cast<std::size_t>(unit)] = satisfied ? kGenePassed : kGeneEligible;
      passed += satisfied ? 1 : 0;
    }
    total.fetch_add(passed, std::memory_order_relaxed);
    if (!onCallingThread) return;
    JobProgress& progress = Progress();
    progress.Pump();
    if (progress.Stopped()) stopped.store(true, std::memory_order_relaxed);
  });
  count = total.load();
  return !stopped.load();
}

}  // namespace

bool EvaluateGenes(const ComparePass& pass, std::vector<std::uint8_t>& geneStatus, int& count) {
  count = 0;
  const std::span<const COMPARE_CRITERION> entries = pass.criteria->Entries();
  ComparePassWriter* writer = pass.writer;
  if (writer != nullptr) LogMessage("    Gene 0");

  std::vector<int> units;
  const int unitCount = std::min(pass.table->Units(), static_cast<int>(geneStatus.size()));
  for (int unit = 0; unit < unitCount; ++unit) {
    const std::uint8_t status = geneStatus[static_cast<std::size_t>(unit)];
    if (pass.onlyPassed ? status == kGenePassed : status != kGeneNotEligible) units.push_back(unit);
  }
  if (pass.considerError) PrepareWeightedMeans();

  const int threads = std::max(pass.threads, 1);
  const int blocks = static_cast<int>((units.size() + kComparePassBlock - 1) / kComparePassBlock);
  if (writer == nullptr) return CountPassingGenes(pass, units, blocks, geneStatus, count);
  const int batch = threads * kBlocksPerThread;
  std::vector<BlockResult> results(static_cast<std::size_t>(std::min(blocks, batch)));
  std::string header;
  int considered = 0;
  for (int first = 0; first < blocks; first += batch) {
    const int inBatch = std::min(batch, blocks - first);
    const bool titlesNow = writer->headerPending && first == 0;
    platform::RunTasks(inBatch, threads, [&](int task, bool) {
      const int block = first + task;
      BlockResult& result = results[static_cast<std::size_t>(task)];
      result.count = 0;
      result.text.clear();
      CompareEvaluator evaluator(*pass.table, pass.considerError, entries);
      const std::size_t begin = static_cast<std::size_t>(block) * kComparePassBlock;
      const std::size_t end = std::min(units.size(), begin + kComparePassBlock);
      std::string line;
      for (std::size_t i = begin; i < end; ++i) {
        const int unit = units[i];
        std::string* titles = titlesNow && i == 0 ? &header : nullptr;
        line.clear();
        AppendGeneColumns(titles, line, unit, writer->outputAccession);
        const bool passed = evaluator.EvaluateGene(unit, {titles, &line});
        geneStatus[static_cast<std::size_t>(unit)] = passed ? kGenePassed : kGeneEligible;
        if (passed) ++result.count;
        if (passed || writer->outputAllGenes) {
          result.text += line;
          result.text += '\n';
        }
      }
    });
    for (int task = 0; task < inBatch; ++task) {
      BlockResult& result = results[static_cast<std::size_t>(task)];
      if (writer->headerPending) {
        header += '\n';
        if (!writer->write(header)) return false;
        writer->headerPending = false;
      }
      if (!result.text.empty() && !writer->write(result.text)) return false;
      count += result.count;
      const int block = first + task;
      considered = static_cast<int>(
          std::min(units.size(), static_cast<std::size_t>(block + 1) * kComparePassBlock));
      JobProgress& progress = Progress();
      progress.Pump();
      if (progress.Stopped()) return false;
      progress.ShowProgress(MessageBuffer("    Gene %d", considered));
    }
  }
  return true;
}
