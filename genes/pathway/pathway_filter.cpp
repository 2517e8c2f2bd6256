// The pathway gene filter: an exhaustive search over ordered assignments of list genes to
// placeholder nodes, pruned after every node by the best mean the arrows could still reach.
#include "genes/pathway/pathway_filter.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>

#include "engine/base/missing_value.hpp"
#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/gene_list.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/rank_correlation.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genes/filter/sample_values.hpp"
#include "genes/info/gene_info.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// Candidates of the first placeholder handed to a thread at a time.
constexpr int kCandidatesPerTask = 32;

std::size_t Index(int i) {
  return static_cast<std::size_t>(i);
}

// The correlation of PathwayCorrelation; xs and ys are scratch for the ranks.
double PairCorrelation(const double* x, const double* y, int pairs, bool rank,
                       std::vector<double>& xs, std::vector<double>& ys) {
  int n = 0;
  double meanX = 0.0, meanY = 0.0;
  for (int i = 0; i < pairs; ++i)
    if (!IsMissing(x[i]) && !IsMissing(y[i])) {
      meanX += x[i];
      meanY += y[i];
      ++n;
    }
  if (n == 0) return -1.0;
  if (n == 1) return 1.0;
  if (rank) {
    xs.clear();
    ys.clear();
    for (int i = 0; i < pairs; ++i)
      if (!IsMissing(x[i]) && !IsMissing(y[i])) {
        xs.push_back(x[i]);
        ys.push_back(y[i]);
      }
    double d = 0.0, zd = 0.0, probd = 0.0, rs = 0.0, probrs = 0.0;
    SpearmanCorrelation(xs.data(), ys.data(), n, &d, &zd, &probd, &rs, &probrs);
    // A profile without spread has no ranks to compare.
    return std::isfinite(rs) ? rs : -1.0;
  }
  meanX /= n;
  meanY /= n;
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  for (int i = 0; i < pairs; ++i)
    if (!IsMissing(x[i]) && !IsMissing(y[i])) {
      const double dx = x[i] - meanX;
      const double dy = y[i] - meanY;
      sxx += dx * dx;
      syy += dy * dy;
      sxy += dx * dy;
    }
  if (sxx == 0.0 || syy == 0.0) return -1.0;
  return sxy / std::sqrt(sxx * syy);
}

// The arrows of the pathway as the check at each depth needs them.
struct ArrowPlan {
  std::vector<int> later;              // per arrow: its later end
  std::vector<std::vector<int>> upTo;  // per node d: arrows with both ends <= d, in order
  std::vector<int> lag;                // per arrow: 0 for binding, else its effect time
  std::vector<bool> inhibition;        // per arrow
  int arrows = 0;
};

ArrowPlan PlanArrows(const PATHWAY& pathway) {
  ArrowPlan plan;
  plan.arrows = pathway.arrowCount;
  plan.upTo.resize(Index(pathway.nodeCount));
  for (int a = 0; a < pathway.arrowCount; ++a) {
    const PATHWAY_ARROW& arrow = pathway.arrows[Index(a)];
    const int later = std::max(arrow.startNode, arrow.endNode);
    plan.later.push_back(later);
    for (int d = later; d < pathway.nodeCount; ++d) plan.upTo[Index(d)].push_back(a);
    plan.lag.push_back(arrow.interaction == kBinding ? 0 : arrow.effectTime);
    plan.inhibition.push_back(arrow.interaction == kInhibition);
  }
  return plan;
}

// How a search learns of a stop and where one tried gene is counted.
class SearchControl {
 public:
  virtual ~SearchControl() = default;
  // Polled at each search step and after each tried gene; true stops the search.
  virtual bool Stop() = 0;
  virtual void TriedGene() = 0;
};

// The search of one thread: its assignment, used marks and arrow correlations.
class Searcher {
 public:
  Searcher(const PathwaySearchInput& input, const ArrowPlan& plan, SearchControl& control,
           std::function<void(const PathwayGeneSet&)> report)
      : mIn(input),
        mPlan(plan),
        mControl(control),
        mReport(std::move(report)),
        mUsed(input.excluded) {
    mUsed.resize(Index(input.listGenes), 0);
    mBufferX.reserve(Index(input.samples));
    mBufferY.reserve(Index(input.samples));
    mSet.listGene.assign(Index(input.pathway.nodeCount), -1);
    mSet.correlations.assign(Index(plan.arrows), 0.0f);
  }

  // Nodes from d on; false when stopped.
  bool Search(int d) {
    if (mControl.Stop()) return false;
    if (!Placeholder(d)) {
      if (Check(d)) return Next(d);
      return true;
    }
    for (int gene = 0; gene < mIn.listGenes; ++gene)
      if (!TryGene(d, gene)) return false;
    return true;
  }

  // Assigns gene to placeholder d and goes on from there; false when stopped.
  bool TryGene(int d, int gene) {
    if (mUsed[Index(gene)] != 0) return true;
    mSet.listGene[Index(d)] = gene;
    mUsed[Index(gene)] = 1;
    const bool going = Check(d) ? Next(d) : true;
    mUsed[Index(gene)] = 0;
    mSet.listGene[Index(d)] = -1;
    mControl.TriedGene();
    return going && !mControl.Stop();
  }

  bool Placeholder(int d) const { return mIn.pathway.nodes[Index(d)].placeholder; }

  // The arrows among nodes up to d in arrow order, the running bound checked after each;
  // an arrow is computed when its later end is d, the others kept from the nodes before.
  bool Check(int d) {
    float sum = 0.0f;
    int passed = 0;
    const int m = mPlan.arrows;
    for (const int a : mPlan.upTo[Index(d)]) {
      if (mPlan.later[Index(a)] == d)
        mSet.correlations[Index(a)] = static_cast<float>(Correlation(a));
      const float r = mSet.correlations[Index(a)];
      sum += mPlan.inhibition[Index(a)] ? -r : r;
      // Every arrow not yet counted is taken at its best, 1.
      if (!(mIn.threshold <= (sum + static_cast<float>(m - passed - 1)) / static_cast<float>(m)))
        return false;
      ++passed;
    }
    return true;
  }

 private:
  bool Next(int d) {
    if (d + 1 == mIn.pathway.nodeCount) {
      mReport(mSet);
      return true;
    }
    return Search(d + 1);
  }

  const double* Values(int node) const {
    const int gene = mSet.listGene[Index(node)];
    if (gene >= 0) return mIn.listValues.data() + Index(gene) * Index(mIn.samples);
    return mIn.nodeValues.data() + Index(node) * Index(mIn.samples);
  }

  double Correlation(int a) {
    const PATHWAY_ARROW& arrow = mIn.pathway.arrows[Index(a)];
    const int lag = mPlan.lag[Index(a)];
    // The search refuses lags beyond the samples before it starts.
    const int pairs = std::max(0, mIn.samples - lag);
    const double* x = Values(arrow.startNode);
    const double* y = Values(arrow.endNode) + lag;
    return PairCorrelation(x, y, pairs, mIn.rankCorrelation, mBufferX, mBufferY);
  }

  const PathwaySearchInput& mIn;
  const ArrowPlan& mPlan;
  SearchControl& mControl;
  std::function<void(const PathwayGeneSet&)> mReport;
  std::vector<std::uint8_t> mUsed;
  PathwayGeneSet mSet;
  std::vector<double> mBufferX, mBufferY;
};

// One thread: pumps and polls the job progress at every step.
class SerialControl final : public SearchControl {
 public:
  bool Stop() override { return Progress().StopRequested(); }
  void TriedGene() override { Progress().Pump(); }
};

// Many threads: the calling thread pumps and polls and tells the others through a flag;
// it also hands the sets of finished tasks to the report, in task order.
class SharedStop {
 public:
  std::atomic<bool> stopped{false};
};

class WorkerControl final : public SearchControl {
 public:
  WorkerControl(SharedStop& shared, bool callingThread, std::function<void()> flush)
      : mShared(shared), mCalling(callingThread), mFlush(std::move(flush)) {}
  bool Stop() override {
    if (mCalling && !mShared.stopped.load(std::memory_order_relaxed) && Progress().StopRequested())
      mShared.stopped.store(true, std::memory_order_relaxed);
    return mShared.stopped.load(std::memory_order_relaxed);
  }
  void TriedGene() override {
    if (!mCalling) return;
    Progress().Pump();
    mFlush();
  }

 private:
  SharedStop& mShared;
  bool mCalling;
  std::function<void()> mFlush;
};

// The sets of each task kept until every earlier task has been reported.
class OrderedSets {
 public:
  explicit OrderedSets(int tasks) : mSets(Index(tasks)), mDone(Index(tasks), false) {}

  void Finish(int task, std::vector<PathwayGeneSet> sets) {
    const std::lock_guard lock(mMutex);
    mSets[Index(task)] = std::move(sets);
    mDone[Index(task)] = true;
  }
  // On the calling thread: reports the finished tasks that follow the reported ones.
  void Flush(const std::function<void(const PathwayGeneSet&)>& report) {
    for (;;) {
      std::vector<PathwayGeneSet> sets;
      {
        const std::lock_guard lock(mMutex);
        if (mNext >= mDone.size() || !mDone[mNext]) return;
        sets = std::move(mSets[mNext++]);
      }
      for (const PathwayGeneSet& set : sets) report(set);
    }
  }

 private:
  std::mutex mMutex;
  std::vector<std::vector<PathwayGeneSet>> mSets;
  std::vector<bool> mDone;
  std::size_t mNext = 0;
};

bool SearchInParallel(const PathwaySearchInput& input, const ArrowPlan& plan, int first,
                      int threads, const std::function<void(const PathwayGeneSet&)>& report) {
  // The named nodes before the first placeholder are checked once, as the serial search
  // does on its way down.
  SerialControl serial;
  Searcher prefix(input, plan, serial, [](const PathwayGeneSet&) {});
  for (int d = 0; d < first; ++d) {
    if (serial.Stop()) return false;
    if (!prefix.Check(d)) return true;
  }
  if (serial.Stop()) return false;
  const int tasks = (input.listGenes + kCandidatesPerTask - 1) / kCandidatesPerTask;
  OrderedSets ordered(tasks);
  SharedStop shared;
  const auto flush = [&ordered, &report] { ordered.Flush(report); };
  platform::RunTasks(tasks, threads, [&](int task, bool callingThread) {
    WorkerControl control(shared, callingThread, flush);
    std::vector<PathwayGeneSet> found;
    Searcher searcher(input, plan, control,
                      [&found](const PathwayGeneSet& set) { found.push_back(set); });
    const int end = std::min(input.listGenes, (task + 1) * kCandidatesPerTask);
    // The prefix's arrows are computed again for this searcher's own state.
    bool going = !control.Stop();
    for (int d = 0; d < first && going; ++d) going = searcher.Check(d);
    for (int gene = task * kCandidatesPerTask; gene < end && going; ++gene)
      going = searcher.TryGene(first, gene);
    ordered.Finish(task, std::move(found));
  });
  ordered.Flush(report);
  return !shared.stopped.load();
}

}  // namespace

double PathwayCorrelation(const double* x, const double* y, int pairs, bool rank) {
  std::vector<double> xs;
  std::vector<double> ys;
  return PairCorrelation(x, y, pairs, rank, xs, ys);
}

bool SearchPathwayGeneSets(const PathwaySearchInput& input, int threads,
                           const std::function<void(const PathwayGeneSet&)>& report) {
  if (input.pathway.nodeCount <= 0) return true;
  const ArrowPlan plan = PlanArrows(input.pathway);
  int first = -1;
  for (int d = 0; d < input.pathway.nodeCount && first < 0; ++d)
    if (input.pathway.nodes[Index(d)].placeholder) first = d;
  if (threads <= 0) threads = platform::WorkerThreadCount();
  if (first < 0 || threads == 1 || input.listGenes <= kCandidatesPerTask) {
    SerialControl control;
    Searcher searcher(input, plan, control, report);
    return searcher.Search(0);
  }
  return SearchInParallel(input, plan, first, threads, report);
}

namespace {

std::string ProbeSetName(int unit) {
  return unit >= 0 && unit < Layout.unitCount ? std::string(Layout.units[Index(unit)].Name())
                                              : std::string();
}

std::string GeneName(int unit) {
  const GENE_INFO* gene = GeneInfo.Gene(unit);
  return gene != nullptr ? std::string(gene->Name) : std::string();
}

// Step 4 of the run: named nodes found in the gene information get their probe set; the
// others become placeholders.
void FindNamedNodes(PATHWAY& pathway) {
  for (int i = 0; i < pathway.nodeCount; ++i) {
    PATHWAY_NODE& node = pathway.nodes[Index(i)];
    if (node.placeholder) continue;
    const int unit = GeneInfo.Loaded() ? FindUnitByGeneName(node.name) : -1;
    if (unit >= 0) {
      node.unit = unit;
      LogMessage(
          MessageBuffer("    Node '%s' is unit %s", node.name.c_str(), ProbeSetName(unit).c_str()));
    } else {
      LogMessage(
          MessageBuffer("    Node '%s' not found in info file or no info file, regarded "
                        "as unknown node",
                        node.name.c_str()));
      node.placeholder = true;
      ++pathway.placeholderCount;
    }
  }
}

// An arrow whose lag leaves fewer than no pairs would read past the time points.
bool LagsFitTheSamples(const PATHWAY& pathway, int samples) {
  for (int a = 0; a < pathway.arrowCount; ++a) {
    const PATHWAY_ARROW& arrow = pathway.arrows[Index(a)];
    if (arrow.interaction == kBinding || arrow.effectTime <= samples) continue;
    LogMessage(
        MessageBuffer(kLagBeyondSamplesMessage, pathway.nodes[Index(arrow.startNode)].name.c_str(),
                      pathway.nodes[Index(arrow.endNode)].name.c_str(), arrow.effectTime, samples),
        0, kLogRed);
    return false;
  }
  return true;
}

void ReportSet(const PathwaySearchInput& input, const std::vector<int>& listUnits,
               const PathwayGeneSet& set, int number) {
  LogMessage(MessageBuffer("    Consistent set %d", number));
  const PATHWAY& pathway = input.pathway;
  for (int i = 0; i < pathway.nodeCount; ++i) {
    const int gene = set.listGene[Index(i)];
    if (gene < 0) continue;
    const int unit = listUnits[Index(gene)];
    LogMessage(MessageBuffer("      Node '%s' is %s, %s", pathway.nodes[Index(i)].name.c_str(),
                             ProbeSetName(unit).c_str(), GeneName(unit).c_str()));
  }
  for (int a = 0; a < pathway.arrowCount; ++a) {
    const PATHWAY_ARROW& arrow = pathway.arrows[Index(a)];
    LogMessage(MessageBuffer("      Arrow from '%s' to '%s' has %scorrelation %.3f",
                             pathway.nodes[Index(arrow.startNode)].name.c_str(),
                             pathway.nodes[Index(arrow.endNode)].name.c_str(),
                             arrow.interaction == kBinding ? "" : "lag ",
                             static_cast<double>(set.correlations[Index(a)])));
  }
}

}  // namespace

bool FilterGenesByPathway() {
  LogMessage(kPathwayFilterTitle, 0, kLogBlue);
  Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  if (IsNone(settings.FILTER_INPUT_LIST)) {
    LogMessage(kNoPathwayInputListMessage, 0, kLogRed);
    return false;
  }
  PATHWAY& pathway = ThePathway();
  if (pathway.nodeCount <= 0) {
    LogMessage(kEmptyPathwayMessage, 0, kLogRed);
    return false;
  }
  if (ReadGeneList(nullptr, settings.FILTER_INPUT_LIST, false) < 0) return false;
  CompactGeneList();
  const int listGenes = std::max(0, GeneList.length);
  if (listGenes == 0 || listGenes < pathway.nodeCount) {
    LogMessage(kTooFewPathwayGenesMessage, 0, kLogRed);
    return false;
  }
  const int samples = SampleGrouping.SampleCount();
  if (!LagsFitTheSamples(pathway, samples)) return false;
  LogMessage("  Finding consistent gene sets...");
  FindNamedNodes(pathway);

  PathwaySearchInput input;
  input.pathway = pathway;
  input.samples = samples;
  input.listGenes = listGenes;
  input.threshold = settings.PATHWAY_CORR;
  input.rankCorrelation = group.RunOptions().factorRankCorrelation;
  std::vector<int> listUnits(Index(listGenes));
  input.excluded.assign(Index(listGenes), 0);
  input.listValues.assign(Index(listGenes) * Index(samples), MISSING_VALUE);
  input.nodeValues.assign(Index(pathway.nodeCount) * Index(samples), MISSING_VALUE);
  if (samples > 0) {
    for (int k = 0; k < listGenes; ++k) {
      listUnits[Index(k)] = GeneList.ListedUnit(k);
      if (listUnits[Index(k)] >= 0)
        GetSampleValues(&input.listValues[Index(k) * Index(samples)], listUnits[Index(k)], 0);
    }
    for (int i = 0; i < pathway.nodeCount; ++i) {
      const PATHWAY_NODE& node = pathway.nodes[Index(i)];
      if (!node.placeholder)
        GetSampleValues(&input.nodeValues[Index(i) * Index(samples)], node.unit, 0);
    }
  }
  // A placeholder filled with the gene a named node already is would only correlate with
  // itself.
  for (int i = 0; i < pathway.nodeCount; ++i) {
    const PATHWAY_NODE& node = pathway.nodes[Index(i)];
    if (node.placeholder) continue;
    for (int k = 0; k < listGenes; ++k)
      if (listUnits[Index(k)] == node.unit) input.excluded[Index(k)] = 1;
  }

  int found = 0;
  Progress().SetRunning(true);
  const bool finished = SearchPathwayGeneSets(
      input, 0, [&](const PathwayGeneSet& set) { ReportSet(input, listUnits, set, ++found); });
  if (!finished || Progress().StopRequested()) LogMessage(kPathwayUserStoppedMessage, 0, kLogRed);
  Progress().SetRunning(false);
  LogMessage(MessageBuffer("    %d consistent sets found", found));
  LogMessage("Finished}\n", 0, kLogBlue);
  return true;
}
