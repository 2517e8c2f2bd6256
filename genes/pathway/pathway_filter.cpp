// The pathway gene filter: an exhaustive search over ordered assignments of list genes to
// placeholder nodes, pruned after every node by the best mean the arrows could still reach.
#include "genes/pathway/pathway_filter.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
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

// Past this many kept values the centred stretches are not built and their pairs are
// computed as they come (256 MB of doubles).
constexpr std::size_t kCentredValuesBudget = std::size_t{32} << 20;

// A stretch of every list gene's time course, centred on its own mean, with its sum of
// squares: two complete stretches then correlate in one pass with the very arithmetic of
// PairCorrelation. A gene missing a value there is correlated over the pairs present
// instead, since those set the means.
struct CentredStretch {
  int offset = 0;
  int length = 0;
  std::vector<double> centred;         // list gene major, length values each
  std::vector<double> squares;         // per list gene
  std::vector<std::uint8_t> complete;  // per list gene
  std::vector<double> zeroed;          // as the values, missing ones 0
  std::vector<double> present;         // as the values, 1 or 0 for missing
};

CentredStretch CentreStretch(const PathwaySearchInput& in, int offset, int length) {
  CentredStretch stretch;
  stretch.offset = offset;
  stretch.length = length;
  stretch.centred.assign(Index(in.listGenes) * Index(length), 0.0);
  stretch.squares.assign(Index(in.listGenes), 0.0);
  stretch.complete.assign(Index(in.listGenes), 0);
  stretch.zeroed.assign(Index(in.listGenes) * Index(length), 0.0);
  stretch.present.assign(Index(in.listGenes) * Index(length), 0.0);
  for (int gene = 0; gene < in.listGenes; ++gene) {
    const double* x = in.listValues.data() + Index(gene) * Index(in.samples) + offset;
    for (int i = 0; i < length; ++i) {
      const std::size_t at = Index(gene) * Index(length) + Index(i);
      stretch.zeroed[at] = IsMissing(x[i]) ? 0.0 : x[i];
      stretch.present[at] = IsMissing(x[i]) ? 0.0 : 1.0;
    }
    if (std::any_of(x, x + length, [](double v) { return IsMissing(v); })) continue;
    double mean = 0.0;
    for (int i = 0; i < length; ++i) mean += x[i];
    mean /= length;
    double* centred = stretch.centred.data() + Index(gene) * Index(length);
    double squares = 0.0;
    for (int i = 0; i < length; ++i) {
      centred[i] = x[i] - mean;
      squares += centred[i] * centred[i];
    }
    stretch.squares[Index(gene)] = squares;
    stretch.complete[Index(gene)] = 1;
  }
  return stretch;
}

// What the search reads instead of computing: an arrow between named nodes has its one
// correlation, an arrow with one placeholder end one per list gene, and an arrow between
// placeholders (Pearson only) the centred stretches of its two ends.
struct ArrowValues {
  enum class Source { Computed, Fixed, PerGene, Stretches };
  std::vector<Source> source;                 // per arrow
  std::vector<int> geneNode;                  // per arrow: the placeholder end of PerGene
  std::vector<std::vector<double>> byGene;    // per arrow: Fixed's one value, PerGene's all
  std::vector<int> startStretch, endStretch;  // per arrow: index into stretches
  std::vector<CentredStretch> stretches;
};

int FindOrCentreStretch(const PathwaySearchInput& in, ArrowValues& values, int offset, int length,
                        std::size_t& kept) {
  for (std::size_t s = 0; s < values.stretches.size(); ++s)
    if (values.stretches[s].offset == offset && values.stretches[s].length == length)
      return static_cast<int>(s);
  const std::size_t more = 3 * Index(in.listGenes) * Index(length);
  if (kept + more > kCentredValuesBudget) return -1;
  kept += more;
  values.stretches.push_back(CentreStretch(in, offset, length));
  return static_cast<int>(values.stretches.size()) - 1;
}

ArrowValues PrecomputeArrows(const PathwaySearchInput& in, const ArrowPlan& plan, int threads) {
  ArrowValues values;
  const std::size_t arrows = Index(plan.arrows);
  values.source.assign(arrows, ArrowValues::Source::Computed);
  values.geneNode.assign(arrows, -1);
  values.byGene.resize(arrows);
  values.startStretch.assign(arrows, -1);
  values.endStretch.assign(arrows, -1);
  std::size_t kept = 0;
  std::vector<int> perGene;
  for (int a = 0; a < plan.arrows; ++a) {
    const PATHWAY_ARROW& arrow = in.pathway.arrows[Index(a)];
    const int lag = plan.lag[Index(a)];
    const int pairs = std::max(0, in.samples - lag);
    const bool startOpen = in.pathway.nodes[Index(arrow.startNode)].placeholder;
    const bool endOpen = in.pathway.nodes[Index(arrow.endNode)].placeholder;
    if (!startOpen && !endOpen) {
      std::vector<double> xs, ys;
      values.byGene[Index(a)].push_back(
          PairCorrelation(in.nodeValues.data() + Index(arrow.startNode) * Index(in.samples),
                          in.nodeValues.data() + Index(arrow.endNode) * Index(in.samples) + lag,
                          pairs, in.rankCorrelation, xs, ys));
      values.source[Index(a)] = ArrowValues::Source::Fixed;
    } else if (startOpen != endOpen) {
      values.geneNode[Index(a)] = startOpen ? arrow.startNode : arrow.endNode;
      values.byGene[Index(a)].assign(Index(in.listGenes), 0.0);
      values.source[Index(a)] = ArrowValues::Source::PerGene;
      perGene.push_back(a);
    } else if (!in.rankCorrelation && pairs >= 2) {
      const int start = FindOrCentreStretch(in, values, 0, pairs, kept);
      const int end = FindOrCentreStretch(in, values, lag, pairs, kept);
      if (start >= 0 && end >= 0) {
        values.startStretch[Index(a)] = start;
        values.endStretch[Index(a)] = end;
        values.source[Index(a)] = ArrowValues::Source::Stretches;
      }
    }
  }
  if (perGene.empty() || in.listGenes <= 0) return values;
  const int tasks = (in.listGenes + kCandidatesPerTask - 1) / kCandidatesPerTask;
  platform::RunTasks(tasks, threads, [&](int task, bool) {
    std::vector<double> xs, ys;
    const int end = std::min(in.listGenes, (task + 1) * kCandidatesPerTask);
    for (const int a : perGene) {
      const PATHWAY_ARROW& arrow = in.pathway.arrows[Index(a)];
      const int lag = plan.lag[Index(a)];
      const int pairs = std::max(0, in.samples - lag);
      const bool startOpen = values.geneNode[Index(a)] == arrow.startNode;
      for (int gene = task * kCandidatesPerTask; gene < end; ++gene) {
        const double* geneValues = in.listValues.data() + Index(gene) * Index(in.samples);
        const double* x = startOpen
                              ? geneValues
                              : in.nodeValues.data() + Index(arrow.startNode) * Index(in.samples);
        const double* y =
            (startOpen ? in.nodeValues.data() + Index(arrow.endNode) * Index(in.samples)
                       : geneValues) +
            lag;
        values.byGene[Index(a)][Index(gene)] =
            PairCorrelation(x, y, pairs, in.rankCorrelation, xs, ys);
      }
    }
  });
  return values;
}

// Courses MaskedCorrelations works side by side.
constexpr std::size_t kMaskedLanes = 4;

// PairCorrelation's Pearson correlation of one course with each of N others, the N worked
// side by side from their values with missing ones zeroed and their presence as 1 or 0.
// A pair with a missing value adds a zero where PairCorrelation skips it: the same sums,
// since a sum that starts at +0.0 never becomes -0.0 and adding either zero to any other
// value leaves it as it was.
template <std::size_t N>
std::array<double, N> MaskedCorrelations(const double* f, const double* fPresent,
                                         const std::array<const double*, N>& c,
                                         const std::array<const double*, N>& cPresent,
                                         std::size_t length) {
  std::array<double, N> sumF{}, sumC{}, n{};
  for (std::size_t i = 0; i < length; ++i)
    for (std::size_t k = 0; k < N; ++k) {
      const double present = fPresent[i] * cPresent[k][i];
      sumF[k] += f[i] * present;
      sumC[k] += c[k][i] * present;
      n[k] += present;
    }
  std::array<double, N> meanF{}, meanC{}, sff{}, scc{}, sfc{};
  for (std::size_t k = 0; k < N; ++k) {
    meanF[k] = n[k] > 0.0 ? sumF[k] / n[k] : 0.0;
    meanC[k] = n[k] > 0.0 ? sumC[k] / n[k] : 0.0;
  }
  for (std::size_t i = 0; i < length; ++i)
    for (std::size_t k = 0; k < N; ++k) {
      const double present = fPresent[i] * cPresent[k][i];
      const double df = f[i] - meanF[k];
      const double dc = c[k][i] - meanC[k];
      sff[k] += df * df * present;
      scc[k] += dc * dc * present;
      sfc[k] += df * dc * present;
    }
  std::array<double, N> r{};
  for (std::size_t k = 0; k < N; ++k) {
    if (n[k] == 0.0)
      r[k] = -1.0;
    else if (n[k] == 1.0)
      r[k] = 1.0;
    else
      r[k] = sff[k] == 0.0 || scc[k] == 0.0 ? -1.0 : sfc[k] / std::sqrt(sff[k] * scc[k]);
  }
  return r;
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
  Searcher(const PathwaySearchInput& input, const ArrowPlan& plan, const ArrowValues& values,
           SearchControl& control, std::function<void(const PathwayGeneSet&)> report,
           std::vector<std::vector<double>> rows = {})
      : mIn(input),
        mPlan(plan),
        mValues(values),
        mControl(control),
        mReport(std::move(report)),
        mUsed(input.excluded),
        mRows(std::move(rows)) {
    mUsed.resize(Index(input.listGenes), 0);
    mBufferX.reserve(Index(input.samples));
    mBufferY.reserve(Index(input.samples));
    mSet.listGene.assign(Index(input.pathway.nodeCount), -1);
    mSet.correlations.assign(Index(plan.arrows), 0.0f);
    PlanRows();
  }

  // Nodes from d on; false when stopped.
  bool Search(int d) {
    if (mControl.Stop()) return false;
    if (!Placeholder(d)) {
      if (Check(d)) return Next(d);
      return true;
    }
    FixPrefix(d);
    FillRow(d);
    bool going = true;
    for (int gene = 0; gene < mIn.listGenes && going; ++gene) going = TryGene(d, gene);
    mRowFilled[Index(d)] = 0;
    mPrefix[Index(d)].valid = false;
    return going;
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
    const Prefix& prefix = mPrefix[Index(d)];
    if (prefix.valid) return !prefix.fails && CheckFrom(d, prefix.next, prefix.sum, prefix.passed);
    return CheckFrom(d, 0, 0.0f, 0);
  }

  // The rows' storage, for the next searcher to reuse.
  std::vector<std::vector<double>> TakeRows() { return std::move(mRows); }

 private:
  static constexpr double kNotInRow = std::numeric_limits<double>::quiet_NaN();

  // The check at a placeholder up to its first computed arrow: the same for every gene.
  struct Prefix {
    bool valid = false, fails = false;
    std::size_t next = 0;  // position in upTo of the first arrow computed there
    float sum = 0.0f;
    int passed = 0;
  };

  // Whether the arrows counted so far still let the mean reach the threshold, every arrow
  // not yet counted taken at its best, 1.
  bool WithinReach(float sum, int passed) const {
    const int m = mPlan.arrows;
    return mIn.threshold <= (sum + static_cast<float>(m - passed - 1)) / static_cast<float>(m);
  }

  float Signed(int a) const {
    const float r = mSet.correlations[Index(a)];
    return mPlan.inhibition[Index(a)] ? -r : r;
  }

  // The check from position from of upTo[d] on, with the sum and count of the arrows before.
  bool CheckFrom(int d, std::size_t from, float sum, int passed) {
    const std::vector<int>& arrows = mPlan.upTo[Index(d)];
    for (std::size_t k = from; k < arrows.size(); ++k) {
      const int a = arrows[k];
      if (mPlan.later[Index(a)] == d) {
        double r = mRowFilled[Index(d)] != 0 && a == mRowArrow[Index(d)]
                       ? mRows[Index(d)][Index(mSet.listGene[Index(d)])]
                       : kNotInRow;
        if (std::isnan(r)) r = Correlation(a);
        mSet.correlations[Index(a)] = static_cast<float>(r);
      }
      sum += Signed(a);
      if (!WithinReach(sum, passed)) return false;
      ++passed;
    }
    return true;
  }

  // Whether the check at placeholder d must fail for gene there, every arrow it would
  // compute but the per-gene ones taken at its best: the sums and the bound only grow with
  // the values put in, so the real check fails too, at that arrow or before.
  bool CannotPass(int d, int gene) const {
    const Prefix& prefix = mPrefix[Index(d)];
    if (prefix.fails) return true;
    float sum = prefix.sum;
    int passed = prefix.passed;
    const std::vector<int>& arrows = mPlan.upTo[Index(d)];
    for (std::size_t k = prefix.next; k < arrows.size(); ++k) {
      const int a = arrows[k];
      float signedBest = 1.0f;
      if (mPlan.later[Index(a)] != d) {
        signedBest = Signed(a);
      } else if (mValues.source[Index(a)] == ArrowValues::Source::PerGene) {
        // Its placeholder end is d: the other end is named.
        const float r = static_cast<float>(mValues.byGene[Index(a)][Index(gene)]);
        signedBest = mPlan.inhibition[Index(a)] ? -r : r;
      }
      sum += signedBest;
      if (!WithinReach(sum, passed)) return true;
      ++passed;
    }
    return false;
  }

  void FixPrefix(int d) {
    Prefix& prefix = mPrefix[Index(d)];
    prefix = Prefix{};
    const std::vector<int>& arrows = mPlan.upTo[Index(d)];
    for (; prefix.next < arrows.size() && mPlan.later[Index(arrows[prefix.next])] != d;
         ++prefix.next) {
      prefix.sum += Signed(arrows[prefix.next]);
      if (!WithinReach(prefix.sum, prefix.passed)) {
        prefix.fails = true;
        break;
      }
      ++prefix.passed;
    }
    prefix.valid = true;
  }

  // Per placeholder: the first arrow its check computes, when that arrow joins it to an
  // earlier placeholder through centred stretches.
  void PlanRows() {
    const int nodes = mIn.pathway.nodeCount;
    mRowArrow.assign(Index(nodes), -1);
    mRowFilled.assign(Index(nodes), 0);
    mPrefix.assign(Index(nodes), Prefix{});
    mRows.resize(Index(nodes));
    for (int d = 0; d < nodes; ++d) {
      for (const int a : mPlan.upTo[Index(d)]) {
        if (mPlan.later[Index(a)] != d) continue;
        const PATHWAY_ARROW& arrow = mIn.pathway.arrows[Index(a)];
        if (mValues.source[Index(a)] == ArrowValues::Source::Stretches &&
            arrow.startNode != arrow.endNode && Placeholder(d)) {
          mRowArrow[Index(d)] = a;
          mRows[Index(d)].resize(Index(mIn.listGenes));
        }
        break;
      }
    }
  }

  // That arrow's correlation for every free gene at once, four genes interleaved: each sum
  // still runs in sample order, so every value is the one Correlation gives.
  void FillRow(int d) {
    const int a = mRowArrow[Index(d)];
    if (a < 0) return;
    const PATHWAY_ARROW& arrow = mIn.pathway.arrows[Index(a)];
    const bool dIsEnd = arrow.endNode == d;
    const CentredStretch& fixed = mValues.stretches[Index(dIsEnd ? mValues.startStretch[Index(a)]
                                                                 : mValues.endStretch[Index(a)])];
    const CentredStretch& free = mValues.stretches[Index(dIsEnd ? mValues.endStretch[Index(a)]
                                                                : mValues.startStretch[Index(a)])];
    const std::size_t fixedGene =
        Index(mSet.listGene[Index(dIsEnd ? arrow.startNode : arrow.endNode)]);
    std::vector<double>& row = mRows[Index(d)];
    std::fill(row.begin(), row.end(), kNotInRow);
    mRowFilled[Index(d)] = 1;
    // A gene the bound turns away whatever this arrow's correlation gets the worst one: the
    // check then fails as it would have, and the correlation is never reported.
    const double worst = mPlan.inhibition[Index(a)] ? 1.0 : -1.0;
    for (int gene = 0; gene < mIn.listGenes; ++gene)
      if (mUsed[Index(gene)] == 0 && CannotPass(d, gene)) row[Index(gene)] = worst;
    const std::size_t length = Index(fixed.length);
    const double* fixedZeroed = fixed.zeroed.data() + fixedGene * length;
    const double* fixedPresent = fixed.present.data() + fixedGene * length;
    std::array<const double*, kMaskedLanes> masked{}, maskedPresent{};
    std::array<int, kMaskedLanes> maskedGenes{};
    std::size_t inMasked = 0;
    for (int gene = 0; gene < mIn.listGenes; ++gene) {
      if (mUsed[Index(gene)] != 0 || !std::isnan(row[Index(gene)])) continue;
      if (fixed.complete[fixedGene] != 0 && free.complete[Index(gene)] != 0) continue;
      maskedGenes[inMasked] = gene;
      maskedPresent[inMasked] = free.present.data() + Index(gene) * length;
      masked[inMasked++] = free.zeroed.data() + Index(gene) * length;
      if (inMasked < masked.size()) continue;
      inMasked = 0;
      const std::array<double, kMaskedLanes> r =
          MaskedCorrelations(fixedZeroed, fixedPresent, masked, maskedPresent, length);
      for (std::size_t k = 0; k < r.size(); ++k) row[Index(maskedGenes[k])] = r[k];
    }
    for (std::size_t k = 0; k < inMasked; ++k)
      row[Index(maskedGenes[k])] = MaskedCorrelations<1>(fixedZeroed, fixedPresent, {masked[k]},
                                                         {maskedPresent[k]}, length)[0];
    if (fixed.complete[fixedGene] == 0) return;
    const double* f = fixed.centred.data() + fixedGene * length;
    const double fixedSquares = fixed.squares[fixedGene];
    const auto finish = [&](int gene, double sxy) {
      const double squares = free.squares[Index(gene)];
      row[Index(gene)] =
          fixedSquares == 0.0 || squares == 0.0 ? -1.0 : sxy / std::sqrt(fixedSquares * squares);
    };
    std::array<int, 4> block{};
    std::size_t inBlock = 0;
    for (int gene = 0; gene < mIn.listGenes; ++gene) {
      if (mUsed[Index(gene)] != 0 || free.complete[Index(gene)] == 0 ||
          !std::isnan(row[Index(gene)]))
        continue;
      block[inBlock++] = gene;
      if (inBlock < block.size()) continue;
      inBlock = 0;
      const double* c0 = free.centred.data() + Index(block[0]) * length;
      const double* c1 = free.centred.data() + Index(block[1]) * length;
      const double* c2 = free.centred.data() + Index(block[2]) * length;
      const double* c3 = free.centred.data() + Index(block[3]) * length;
      double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
      for (std::size_t i = 0; i < length; ++i) {
        s0 += f[i] * c0[i];
        s1 += f[i] * c1[i];
        s2 += f[i] * c2[i];
        s3 += f[i] * c3[i];
      }
      finish(block[0], s0);
      finish(block[1], s1);
      finish(block[2], s2);
      finish(block[3], s3);
    }
    for (std::size_t k = 0; k < inBlock; ++k) {
      const double* c = free.centred.data() + Index(block[k]) * length;
      double sxy = 0.0;
      for (std::size_t i = 0; i < length; ++i) sxy += f[i] * c[i];
      finish(block[k], sxy);
    }
  }

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
    switch (mValues.source[Index(a)]) {
      case ArrowValues::Source::Fixed:
        return mValues.byGene[Index(a)][0];
      case ArrowValues::Source::PerGene:
        return mValues.byGene[Index(a)][Index(mSet.listGene[Index(mValues.geneNode[Index(a)])])];
      case ArrowValues::Source::Stretches: {
        const CentredStretch& xs = mValues.stretches[Index(mValues.startStretch[Index(a)])];
        const CentredStretch& ys = mValues.stretches[Index(mValues.endStretch[Index(a)])];
        const std::size_t gx = Index(mSet.listGene[Index(arrow.startNode)]);
        const std::size_t gy = Index(mSet.listGene[Index(arrow.endNode)]);
        if (xs.complete[gx] == 0 || ys.complete[gy] == 0) break;
        const std::size_t length = Index(xs.length);
        const double* dx = xs.centred.data() + gx * length;
        const double* dy = ys.centred.data() + gy * length;
        double sxy = 0.0;
        for (std::size_t i = 0; i < length; ++i) sxy += dx[i] * dy[i];
        const double sxx = xs.squares[gx], syy = ys.squares[gy];
        if (sxx == 0.0 || syy == 0.0) return -1.0;
        return sxy / std::sqrt(sxx * syy);
      }
      case ArrowValues::Source::Computed:
        break;
    }
    const int lag = mPlan.lag[Index(a)];
    // The search refuses lags beyond the samples before it starts.
    const int pairs = std::max(0, mIn.samples - lag);
    const double* x = Values(arrow.startNode);
    const double* y = Values(arrow.endNode) + lag;
    return PairCorrelation(x, y, pairs, mIn.rankCorrelation, mBufferX, mBufferY);
  }

  const PathwaySearchInput& mIn;
  const ArrowPlan& mPlan;
  const ArrowValues& mValues;
  SearchControl& mControl;
  std::function<void(const PathwayGeneSet&)> mReport;
  std::vector<std::uint8_t> mUsed;
  PathwayGeneSet mSet;
  std::vector<double> mBufferX, mBufferY;
  std::vector<int> mRowArrow;              // per node, -1 for none
  std::vector<std::vector<double>> mRows;  // per node with a row arrow, per list gene
  std::vector<std::uint8_t> mRowFilled;    // per node
  std::vector<Prefix> mPrefix;             // per node
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

bool SearchInParallel(const PathwaySearchInput& input, const ArrowPlan& plan,
                      const ArrowValues& values, int first, int threads,
                      const std::function<void(const PathwayGeneSet&)>& report) {
  // The named nodes before the first placeholder are checked once, as the serial search
  // does on its way down.
  SerialControl serial;
  Searcher prefix(input, plan, values, serial, [](const PathwayGeneSet&) {});
  for (int d = 0; d < first; ++d) {
    if (serial.Stop()) return false;
    if (!prefix.Check(d)) return true;
  }
  if (serial.Stop()) return false;
  const int tasks = (input.listGenes + kCandidatesPerTask - 1) / kCandidatesPerTask;
  OrderedSets ordered(tasks);
  // Rows a finished task leaves for the next, so that tasks do not each map fresh pages.
  std::mutex spareMutex;
  std::vector<std::vector<std::vector<double>>> spareRows;
  SharedStop shared;
  const auto flush = [&ordered, &report] { ordered.Flush(report); };
  platform::RunTasks(tasks, threads, [&](int task, bool callingThread) {
    WorkerControl control(shared, callingThread, flush);
    std::vector<PathwayGeneSet> found;
    std::vector<std::vector<double>> rows;
    {
      const std::lock_guard lock(spareMutex);
      if (!spareRows.empty()) {
        rows = std::move(spareRows.back());
        spareRows.pop_back();
      }
    }
    Searcher searcher(
        input, plan, values, control, [&found](const PathwayGeneSet& set) { found.push_back(set); },
        std::move(rows));
    const int end = std::min(input.listGenes, (task + 1) * kCandidatesPerTask);
    // The prefix's arrows are computed again for this searcher's own state.
    bool going = !control.Stop();
    for (int d = 0; d < first && going; ++d) going = searcher.Check(d);
    for (int gene = task * kCandidatesPerTask; gene < end && going; ++gene)
      going = searcher.TryGene(first, gene);
    ordered.Finish(task, std::move(found));
    const std::lock_guard lock(spareMutex);
    spareRows.push_back(searcher.TakeRows());
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
  const ArrowValues values = PrecomputeArrows(input, plan, threads);
  if (first < 0 || threads == 1 || input.listGenes <= kCandidatesPerTask) {
    SerialControl control;
    Searcher searcher(input, plan, values, control, report);
    return searcher.Search(0);
  }
  return SearchInParallel(input, plan, values, first, threads, report);
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
