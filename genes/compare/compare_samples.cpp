#include "genes/compare/compare_samples.hpp"

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "genes/compare/compare_pass.hpp"
#include "genes/compare/compare_permutation.hpp"
#include "genes/compare/compare_result_file.hpp"
#include "genes/compare/compare_sample_table.hpp"
#include "platform/chunk_reader.hpp"
#include "platform/file_replacement.hpp"
#include "platform/parallel_tasks.hpp"
#include "platform/path.hpp"

namespace {

// The committed result file is copied in pieces of about this size.
constexpr std::size_t kWritePiece = 1 << 20;

class ResultFile {
 public:
  explicit ResultFile(const std::string& path) : mPath(path) {}
  bool Open() { return mFile.Open(mPath); }
  // Appends text, sending the kept text to the file once it is large.
  bool Write(std::string_view text) {
    mText.Text() += text;
    return mText.WriteFull();
  }
  std::string& Text() { return mText.Text(); }
  bool Commit() { return mText.WriteAll() && mFile.Commit(); }
  int Error() const { return mFile.Error(); }

 private:
  std::string mPath;
  platform::FileReplacement mFile;
  GatheredText mText{mFile};
};

// Writes path anew, through a replacement, as its committed text followed by ending: a
// stop or failure before the end leaves the file as it was; error takes the system's reason.
bool AppendByReplacing(const std::string& path, std::string_view ending, int& error) {
  platform::ChunkReader reader;
  platform::FileReplacement file;
  const auto failed = [&file, &error] {
    error = file.Error();
    return false;
  };
  if (!reader.Open(path) || !reader.Allocate(kWritePiece) || !file.Open(path)) return failed();
  while (reader.Fill(kWritePiece) || reader.Available() > 0) {
    if (!file.Write({reader.Data(), reader.Available()})) return failed();
    reader.Consume(reader.Available());
  }
  if (reader.Failed()) return failed();
  if (!WriteFileText(file, ending) || !file.Commit()) return failed();
  return true;
}

bool WriteFailed(const std::string& path, int error) {
  return LogWriteFailure(MessageBuffer(kCompareWriteFailedMessage, path.c_str()), error);
}

}  // namespace

CompareSamplesInputs CompareInputsFromSettings(const COMPARE_CRITERIA& criteria) {
  const GroupSettings& s = TheGroup().Settings();
  CompareSamplesInputs inputs;
  inputs.resultPath = s.COMPARE_COMPARISON_FILE;
  inputs.geneListPath = s.FILTER_INPUT_LIST;
  inputs.geneListUse = s.FILTER_INPUT_USE;
  inputs.considerError = s.CONSIDER_ERROR != 0;
  inputs.omitControls = s.OMIT_VOSK != 0;
  inputs.outputAccession = s.OUTPUT_ACC != 0;
  inputs.outputAllGenes = criteria.OutputAllGenes != 0;
  inputs.permute = criteria.PermuteSamples != 0;
  inputs.permutationCount = criteria.PermutationCount;
  return inputs;
}

bool RunCompareSamples(COMPARE_CRITERIA& criteria, const CompareSamplesInputs& inputs) {
  if (criteria.count <= 0) {
    LogMessage(kNoComparisonsMessage, 0, kLogRed);
    return false;
  }
  if (TheGroup().NumArrays() == 0 || SampleGrouping.SampleCount() == 0) {
    LogMessage(kNoExpressionValuesMessage, 0, kLogRed);
    return false;
  }
  if (!ComparisonSamplesValid(criteria, SampleGrouping.SampleCount())) return false;
  if (inputs.permute &&
      (inputs.permutationCount < 1 || inputs.permutationCount > kMaxPermutationCount)) {
    LogMessage(MessageBuffer(kPermutationCountMessage, inputs.permutationCount), 0, kLogRed);
    return false;
  }
  ResultFile file(inputs.resultPath);
  if (inputs.resultPath.empty() || !file.Open())
    return WriteFailed(inputs.resultPath, file.Error());

  const GeneListUse listUse = InputGeneListUse(inputs.geneListPath, inputs.geneListUse);
  const InputGenes genes = SelectInputGenes(inputs.geneListPath, inputs.geneListUse);
  if (listUse != GeneListUse::kAllGenes && genes.allGenes)
    LogMessage(MessageBuffer(kCompareGeneListFailedMessage, inputs.geneListPath.c_str()), 0,
               kLogRed);
  const int units = std::max(Layout.unitCount, 0);
  std::vector<std::uint8_t> geneStatus(static_cast<std::size_t>(units), kGeneNotEligible);
  for (int unit = 0; unit < units; ++unit) {
    const bool eligible =
        !(inputs.omitControls && IsControlUnit(unit)) && (genes.allGenes || GeneList.Listed(unit));
    geneStatus[static_cast<std::size_t>(unit)] = eligible ? kGeneEligible : kGeneNotEligible;
  }

  Progress().SetRunning(true);
  AppendCriteriaBlock(file.Text(), criteria);
  LogMessage(MessageBuffer(kCompareWritingMessage, inputs.resultPath.c_str()));
  for (const COMPARE_CRITERION& entry : criteria.Entries()) {
    if (!entry.isParenthesis && entry.usePaired != 0 &&
        entry.BaselineCount() != entry.ExperimentCount())
      LogMessage(kUnequalPairMessage, 0, kLogRed);
  }

  CompareSampleTable table;
  table.Gather(criteria);
  ComparePass pass;
  pass.criteria = &criteria;
  pass.table = &table;
  pass.considerError = inputs.considerError;
  pass.threads = inputs.threads > 0 ? inputs.threads : platform::WorkerThreadCount();
  int count = 0;
  if (!inputs.outputAllGenes) {
    if (!EvaluateGenes(pass, geneStatus, count)) return false;
    pass.onlyPassed = true;
  }
  ComparePassWriter writer;
  writer.outputAllGenes = inputs.outputAllGenes;
  writer.outputAccession = inputs.outputAccession;
  writer.write = [&file](std::string_view text) { return file.Write(text); };
  pass.writer = &writer;
  if (!EvaluateGenes(pass, geneStatus, count)) return false;
  pass.writer = nullptr;
  pass.onlyPassed = false;

  std::string listText;
  if (!genes.allGenes)
    listText =
        MessageBuffer(listUse == GeneListUse::kListed ? "in file '%s' " : "not in file '%s' ",
                      inputs.geneListPath.c_str());
  const std::string satisfied = MessageBuffer(kSatisfiedMessage, count, listText.c_str());
  LogMessage(satisfied, 1);
  if (!file.Write("$\t" + satisfied.substr(4) + "\n"))
    return WriteFailed(inputs.resultPath, file.Error());

  criteria.genesObtained = count;
  // The list and its table are complete before the rounds: a stop in them keeps both.
  if (!file.Commit()) return WriteFailed(inputs.resultPath, file.Error());
  if (inputs.permute) {
    FalseDiscoveryEstimate estimate;
    std::string summary;
    if (!EstimateFalseDiscovery(pass, geneStatus, count, inputs.permutationCount, summary,
                                estimate))
      return false;
    int error = 0;
    if (!summary.empty() && !AppendByReplacing(inputs.resultPath, summary, error))
      return WriteFailed(inputs.resultPath, error);
  }
  LogMessage("Finished}\n", 0, kLogBlue);
  return true;
}

bool CompareSamples() {
  return RunCompareSamples(CompareCriteria, CompareInputsFromSettings(CompareCriteria));
}

void InitCompareResult() {
  COMPARE_CRITERIA& criteria = CompareCriteria;
  criteria.Clear();
  criteria.working.baseline.clear();
  criteria.working.experiment.clear();
  Group& group = TheGroup();
  GroupSettings& s = group.Settings();
  if (s.COMPARE_COMPARISON_FILE.empty())
    s.COMPARE_COMPARISON_FILE =
        platform::JoinPath(s.WORKING_DIR, group.Name() + " compare result.xls");
  criteria.selected = ReadCompareResult(criteria, true) && criteria.count > 0 ? 0 : -1;
}
