// A sample classification run: gather, discriminant analysis in R or principal effects,
// and the result file around them.
#include "genes/lda/lda_run.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <span>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/two_way_matrix.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/r_link.hpp"
#include "genes/cluster/cluster_engine.hpp"
#include "genes/lda/lda_result.hpp"
#include "genes/lda/lda_result_file.hpp"
#include "platform/r_text.hpp"

namespace {

// Only numbers cross to R: the data matrix and the class of every sample. R's predicted
// class is turned back into the class number, which the factor's index is not when a
// class has no training sample.
constexpr std::string_view kTrainStatements[] = {
    "group.id <- group.id + 1",
    "train <- group.id != 0",
    "library(MASS)",
    "zelko.lda <- lda(zelko, group.id, subset=train)",
};
constexpr std::string_view kPlaneStatements[] = {
    "zelko.pred <- predict(zelko.lda, newdata=zelko, dimen=2)",
    "zelko.ld <- zelko.pred$x",
    "plot(zelko.ld[,1], zelko.ld[,2], xlab='LD1', ylab='LD2', type='n')",
    "text(zelko.ld[,1], zelko.ld[,2], group.id)",
    "zelko.result <- cbind(zelko.ld, as.numeric(as.character(zelko.pred$class)),"
    "apply(zelko.pred$posterior, 1, max))",
};
constexpr std::string_view kLineStatements[] = {
    "zelko.pred <- predict(zelko.lda, newdata=zelko, dimen=1)",
    "zelko.ld <- zelko.pred$x",
    "plot(zelko.lda)",
    "zelko.result <- cbind(zelko.ld, 1:length(zelko.ld), "
    "as.numeric(as.character(zelko.pred$class)),apply(zelko.pred$posterior, 1, max))",
};
constexpr std::string_view kResultSizeStatement =
    "zelko.dim <- matrix(c(NROW(zelko.result), NCOL(zelko.result)), ncol=1)";

int Samples() {
  return SampleGrouping.SampleCount();
}

// Ends a step with nothing half-filled; an empty message when the line is logged already.
bool Refuse(const char* message) {
  if (*message != '\0') LogMessage(message, 0, kLogRed);
  TheLdaResult().FreeMatrices();
  return false;
}

// The gathered table holds a value for every sample and gene.
bool HoldsGatheredValues(const LDA_RESULT& lda, int samples) {
  return lda.geneCount > 0 && samples > 0 &&
         lda.data.size() ==
             static_cast<std::size_t>(samples) * static_cast<std::size_t>(lda.geneCount);
}

bool RanInR(const RReply& reply) {
  if (reply) return true;
  LogMessage(MessageBuffer(kLdaRErrorMessage, reply.error.c_str()), 0, kLogRed);
  return false;
}

// A result row as R may give it: finite coordinates, one of the classes predicted, and a
// probability.
bool PlausibleRow(const RMatrix& result, int row, int classCount) {
  const double x = result.At(row, 0);
  const double y = result.At(row, 1);
  const double predicted = result.At(row, 2);
  const double probability = result.At(row, 3);
  return std::isfinite(x) && std::isfinite(y) && predicted >= 1.0 && predicted <= classCount &&
         std::floor(predicted) == predicted && probability >= 0.0 && probability <= 1.0;
}

// The names as an R character vector of quoted literals: c("a", "b").
std::string RNameVector(const std::vector<std::string_view>& names) {
  std::string vector = "c(";
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) vector += ", ";
    vector += platform::RStringLiteral(names[k]);
  }
  vector += ")";
  return vector;
}

// R's matrix names its rows by the samples as they are and its columns by the probe sets
// made into unique valid R names, so that what the user looks at in R later is labelled.
// The names cross as data; none of them is ever read by R as code.
bool NameRMatrix(RLink& r, const LDA_RESULT& lda, int samples) {
  std::vector<std::string_view> names;
  names.reserve(static_cast<std::size_t>(samples));
  for (int s = 0; s < samples; ++s) names.push_back(SampleGrouping.SampleName(s));
  if (!RanInR(r.ExecuteCommand("rownames(zelko) <- " + RNameVector(names)))) return false;
  names.clear();
  for (int unit : lda.geneUnits)
    names.push_back(Layout.units[static_cast<std::size_t>(unit)].Name());
  return RanInR(
      r.ExecuteCommand("colnames(zelko) <- make.names(" + RNameVector(names) + ", unique=TRUE)"));
}

// Reading the gene list and the gathering mark only their own span as a running analysis;
// the caller's mark (the command's, or Delete sample point's) is put back after them, so
// that the R statements that follow can still be stopped and the analysis commands stay
// disabled. A stop asked for by the user is kept.
class CallersRunningFlag {
 public:
  CallersRunningFlag() : mRunning(AnalysisRunning != 0) {}
  ~CallersRunningFlag() {
    if (mKeep) Progress().SetRunning(mRunning);
  }
  CallersRunningFlag(const CallersRunningFlag&) = delete;
  CallersRunningFlag& operator=(const CallersRunningFlag&) = delete;
  void Drop() { mKeep = false; }

 private:
  bool mRunning;
  bool mKeep = true;
};

}  // namespace

bool GatherLdaData() {
  LDA_RESULT& lda = TheLdaResult();
  lda.FreeMatrices();
  CallersRunningFlag keep;
  bool treeFile = false;
  if (ReadGeneList(&treeFile, std::string_view(), false) < 0) return false;
  std::vector<int> units;
  for (int unit = 0; unit < Layout.unitCount; ++unit)
    if (GeneList.Listed(unit)) units.push_back(unit);
  const int genes = static_cast<int>(units.size());
  const int samples = Samples();
  if (genes >= kMaxLdaGenes) return Refuse(kTooManyLdaGenesMessage);
  if (genes == 0 || samples <= 0) return Refuse(kNoGenesOrSamplesMessage);
  if (samples > kMaxLdaSamples) return Refuse(kTooManyLdaSamplesMessage);
  try {
    lda.data.assign(static_cast<std::size_t>(samples) * static_cast<std::size_t>(genes), 0.0f);
    lda.result.assign(static_cast<std::size_t>(samples) * kLdaResultColumns, 0.0f);
  } catch (const std::bad_alloc&) {
    return Refuse(kLdaAllocationMessage);
  }
  lda.geneCount = genes;
  lda.geneUnits = units;

  JobProgress& progress = Progress();
  progress.SetRunning(true);
  LogMessage(MessageBuffer(kObtainingLdaDataMessage, genes, samples));
  LogMessage(MessageBuffer(kLdaGeneCounterMessage, 0));
  for (int g = 0; g < genes; ++g) {
    for (int s = 0; s < samples; ++s) {
      double value = MISSING_VALUE;
      double se = 0.0;
      char call = 0;
      SampleGrouping.GetSampleValue(units[static_cast<std::size_t>(g)], s, &value, &se, &call);
      if (IsMissing(value)) return Refuse(kLdaMissingValueMessage);
      lda.data[static_cast<std::size_t>(s) * static_cast<std::size_t>(genes) +
               static_cast<std::size_t>(g)] = static_cast<float>(value);
    }
    if ((g + 1) % kLdaGeneCounterStep == 0) {
      progress.ShowProgress(MessageBuffer(kLdaGeneCounterMessage, g + 1));
      progress.Pump();
    }
    if (progress.Stopped()) {
      keep.Drop();
      return Refuse("");
    }
  }
  LogMessage("");
  return true;
}

std::vector<std::string_view> LdaRStatements(int occupiedClasses) {
  std::vector<std::string_view> statements(std::begin(kTrainStatements),
                                           std::end(kTrainStatements));
  if (occupiedClasses >= 3)
    statements.insert(statements.end(), std::begin(kPlaneStatements), std::end(kPlaneStatements));
  else
    statements.insert(statements.end(), std::begin(kLineStatements), std::end(kLineStatements));
  return statements;
}

bool RunLdaInR() {
  LDA_RESULT& lda = TheLdaResult();
  const int samples = Samples();
  const int genes = lda.geneCount;
  if (!HoldsGatheredValues(lda, samples)) return Refuse(kNoGenesOrSamplesMessage);
  if (!CheckLdaClasses(samples)) return Refuse("");
  const int occupied = OccupiedLdaClasses(samples);
  if (occupied < 2) return Refuse(kTooFewLdaClassesMessage);

  RLink& r = RConnection();
  if (!r.StartR(true)) return Refuse("");
  if (!RanInR(r.ExecuteCommand("windows()"))) return Refuse("");
  RMatrix data(samples, genes);
  std::copy(lda.data.begin(), lda.data.end(), data.values.begin());
  std::vector<double> classes(static_cast<std::size_t>(samples));
  for (int s = 0; s < samples; ++s) classes[static_cast<std::size_t>(s)] = lda.ClassOf(s);
  if (!RanInR(r.SetMatrix("zelko", data)) || !NameRMatrix(r, lda, samples) ||
      !RanInR(r.SetVector("group.id", classes)))
    return Refuse("");
  for (std::string_view statement : LdaRStatements(occupied))
    if (!RanInR(r.ExecuteCommand(statement))) return Refuse("");

  RMatrix size(2, 1);
  if (!RanInR(r.ExecuteCommand(kResultSizeStatement)) || !RanInR(r.GetMatrix("zelko.dim", size)))
    return Refuse("");
  const int rows = static_cast<int>(size.At(0, 0));
  const int cols = static_cast<int>(size.At(1, 0));
  if (rows != samples || cols != kLdaResultColumns) {
    LogMessage(MessageBuffer(kLdaResultSizeMessage, rows, cols, samples), 0, kLogRed);
    return Refuse("");
  }
  RMatrix result(samples, kLdaResultColumns);
  if (!RanInR(r.GetMatrix("zelko.result", result))) return Refuse("");
  for (int s = 0; s < samples; ++s) {
    if (!PlausibleRow(result, s, lda.classCount)) {
      LogMessage(MessageBuffer(kLdaResultValueMessage, s + 1), 0, kLogRed);
      return Refuse("");
    }
  }
  for (std::size_t k = 0; k < result.values.size(); ++k)
    lda.result[k] = static_cast<float>(result.values[k]);
  lda.resultRows = samples;
  return true;
}

bool RunPca() {
  LDA_RESULT& lda = TheLdaResult();
  const int samples = Samples();
  const int genes = lda.geneCount;
  if (!HoldsGatheredValues(lda, samples)) return Refuse(kNoGenesOrSamplesMessage);
  LogMessage(kObtainingPcaMessage);
  TWO_WAY_MATRIX matrix;
  matrix.AllocMatrix(samples, genes);
  for (int s = 0; s < samples; ++s)
    for (int g = 0; g < genes; ++g)
      matrix.SetMatrixCell(s, g,
                           lda.data[static_cast<std::size_t>(s) * static_cast<std::size_t>(genes) +
                                    static_cast<std::size_t>(g)]);
  if (!matrix.FitRowColumnEffects()) return Refuse(kPcaNotCompletedMessage);
  const std::span<const RowEffectPair> effects = matrix.RowEffectPairs();
  for (int s = 0; s < samples; ++s) {
    float* row = lda.result.data() + static_cast<std::size_t>(s) * kLdaResultColumns;
    row[0] = effects[static_cast<std::size_t>(s)].first;
    row[1] = effects[static_cast<std::size_t>(s)].second;
    row[2] = 0.0f;
    row[3] = 0.0f;
  }
  lda.resultRows = samples;
  LogMessage(kPcaFinishedMessage);
  return true;
}

bool RunLda() {
  LDA_RESULT& lda = TheLdaResult();
  lda.FreeMatrices();
  if (!GatherLdaData()) return false;
  // The earlier result file stays until a complete result replaces it: a run that R
  // refuses, that is stopped or that cannot write its file leaves it as it was.
  if (!(lda.pca ? RunPca() : RunLdaInR())) return false;
  if (!WriteLdaResultFile()) return false;
  LogMessage(lda.pca ? "PCA finished}\n" : "LDA finished}\n", 0, kLogBlue);
  return true;
}
