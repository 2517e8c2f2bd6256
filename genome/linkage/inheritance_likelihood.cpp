#include "genome/linkage/inheritance_likelihood.hpp"

#include <algorithm>
#include <cstring>

#include "engine/services/job_progress.hpp"
#include "genome/linkage/founder_allele_graph.hpp"
#include "genome/linkage/inheritance_transition.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// Dense walks keep 2^E floats per level; past this many founder alleles the graph wins.
constexpr int kMaxDenseFounderAlleles = 8;
constexpr int kMaxSplitBits = 6;
// Past this many vectors a marker's evaluation is split instead of run beside others.
constexpr std::uint32_t kMaxBatchedVectors = 1u << 18;

// Sum of x[a] * y[a] in eight running lanes, so the compiler can use vector registers
// without reordering a single running sum.
[[gnu::always_inline]] inline float Dot(const float* x, const float* y, int n) {
  if (n < 8) {
    float sum = 0;
    for (int a = 0; a < n; ++a) sum += x[a] * y[a];
    return sum;
  }
  std::array<float, 8> lane{};
  for (int a = 0; a < n; a += 8)
    for (int k = 0; k < 8; ++k) lane[static_cast<std::size_t>(k)] += x[a + k] * y[a + k];
  return ((lane[0] + lane[1]) + (lane[2] + lane[3])) + ((lane[4] + lane[5]) + (lane[6] + lane[7]));
}

// Eight floats as one value: elementwise arithmetic in vector registers of any width.
using Lanes = float __attribute__((vector_size(32)));

// By reference: a by-value vector type would tie the call to one register width.
[[gnu::always_inline]] inline void Load(const float* x, Lanes& l) {
  std::memcpy(&l, x, sizeof l);
}

[[gnu::always_inline]] inline float Across(const Lanes& l) {
  return ((l[0] + l[1]) + (l[2] + l[3])) + ((l[4] + l[5]) + (l[6] + l[7]));
}

// Four dot products of x against tables at once, so x is read once; the lanes add up in
// the order Dot uses.
[[gnu::always_inline]] inline void Dots(const float* x, const float* const* tables, int n,
                                        float* sums) {
  if (n < 8) {
    for (int t = 0; t < 4; ++t) sums[t] = Dot(x, tables[t], n);
    return;
  }
  Lanes l0{}, l1{}, l2{}, l3{};
  for (int a = 0; a < n; a += 8) {
    Lanes xa, t0, t1, t2, t3;
    Load(x + a, xa), Load(tables[0] + a, t0), Load(tables[1] + a, t1);
    Load(tables[2] + a, t2), Load(tables[3] + a, t3);
    l0 += xa * t0;
    l1 += xa * t1;
    l2 += xa * t2;
    l3 += xa * t3;
  }
  sums[0] = Across(l0), sums[1] = Across(l1), sums[2] = Across(l2), sums[3] = Across(l3);
}

[[gnu::always_inline]] inline float Sum(const float* x, int n) {
  if (n < 8) {
    float sum = 0;
    for (int a = 0; a < n; ++a) sum += x[a];
    return sum;
  }
  std::array<float, 8> lane{};
  for (int a = 0; a < n; a += 8)
    for (int k = 0; k < 8; ++k) lane[static_cast<std::size_t>(k)] += x[a + k];
  return ((lane[0] + lane[1]) + (lane[2] + lane[3])) + ((lane[4] + lane[5]) + (lane[6] + lane[7]));
}

int GenotypeOfStates(int a, int b) {
  return a == b ? a : kCallAB;
}

// out[v | bit] = out[v] for every bit of copy, filled from the vectors without it.
void CopyBits(float* out, std::uint32_t n, int bits, std::uint32_t copy) {
  for (int b = 0; b < bits; ++b) {
    const std::uint32_t bit = 1u << b;
    if ((copy & bit) == 0) continue;
    for (std::uint32_t v = 0; v < n; ++v)
      if ((v & bit) == 0) out[v | bit] = out[v];
  }
}

}  // namespace

bool VectorStop::Poll(bool mayAsk) {
  if (mayAsk && !Stopped()) {
    JobProgress& progress = Progress();
    progress.Pump();
    if (progress.StopRequested()) mStopped.store(true, std::memory_order_relaxed);
  }
  return Stopped();
}

std::array<float, 4> CallTerm(int call, float errorRate) {
  std::array<float, 4> term{};
  for (int s = 0; s < 4; ++s)
    term[static_cast<std::size_t>(s)] =
        GenotypeOfStates(s >> 1, s & 1) == call ? 1 - errorRate : errorRate / 2;
  return term;
}

std::array<float, 4> PhenotypeTerm(int affection, bool dominant, float penetrance,
                                   float phenocopy) {
  std::array<float, 4> term{};
  for (int s = 0; s < 4; ++s) {
    const bool first = (s >> 1) == 0, second = (s & 1) == 0;
    const bool carrier = dominant ? (first || second) : (first && second);
    float t = 1;
    if (affection == kAffected) t = carrier ? penetrance : phenocopy;
    if (affection == kUnaffected) t = carrier ? 1 - penetrance : 1 - phenocopy;
    term[static_cast<std::size_t>(s)] = t;
  }
  return term;
}

double ComponentLikelihood(const MarkerObservation& marker, const int* alleles, int founderAlleles,
                           int* bestState) {
  FounderAlleleGraph graph;
  return ComponentLikelihood(marker, alleles, founderAlleles, graph, bestState);
}

double ComponentLikelihood(const MarkerObservation& marker, const int* alleles, int founderAlleles,
                           FounderAlleleGraph& graph, int* bestState) {
  graph.Reset(founderAlleles, marker.p);
  for (const ObservedPerson& o : marker.observed)
    graph.Add(alleles[2 * o.person], alleles[2 * o.person + 1], o.term);
  return bestState ? graph.Best(bestState) : graph.Sum();
}

struct VectorLikelihood::Task {
  std::uint32_t forced = 0;  // values of the lowest mSplitBits bits
  std::vector<float>* scratch = nullptr;
  std::array<int, 2 * kMaxPerson> alleles{};
};

VectorLikelihood::VectorLikelihood(const Pedigree& pedigree) : mPedigree(pedigree) {
  const int e = pedigree.FounderAlleles();
  const auto persons = pedigree.Persons().size();
  mObservedSlot.assign(persons, -1);
  mCall.assign(persons, kNoCall);
  mHasChild.assign(persons, false);
  for (const Meiosis& m : pedigree.Meioses()) mHasChild[static_cast<std::size_t>(m.parent)] = true;
  mReduceSplitBits = std::min(pedigree.Bits(), kMaxSplitBits);
  if (e > kMaxDenseFounderAlleles) return;
  mStates = 1 << e;
  mSplitBits = std::min(pedigree.Bits(), kMaxSplitBits);
  // The founder alleles each allele of a person can be, to build only pairs that occur.
  std::vector<std::uint32_t> reach(2 * persons, 0);
  int founder = 0;
  for (std::size_t i = 0; i < persons; ++i)
    if (pedigree.Persons()[i].generation == 0) {
      reach[2 * i] = 1u << (2 * founder);
      reach[2 * i + 1] = 1u << (2 * founder + 1);
      ++founder;
    }
  for (const Meiosis& m : pedigree.Meioses()) {
    const auto pa = static_cast<std::size_t>(m.parent);
    reach[static_cast<std::size_t>(2 * m.child + m.side)] =
        m.bit < 0 ? reach[2 * pa] : reach[2 * pa] | reach[2 * pa + 1];
  }
  mPairSlot.assign(persons, std::vector<int>(static_cast<std::size_t>(e * e), -1));
  mPairCount.assign(persons, 0);
  mTables.resize(persons);
  for (std::size_t i = 0; i < persons; ++i) {
    for (int x = 0; x < e; ++x)
      for (int y = 0; y < e; ++y)
        if ((reach[2 * i] >> x & 1u) && (reach[2 * i + 1] >> y & 1u))
          mPairSlot[i][static_cast<std::size_t>(x * e + y)] = mPairCount[i]++;
    mTables[i].resize(static_cast<std::size_t>(mPairCount[i]) * mStates);
  }
  mStart.resize(static_cast<std::size_t>(mStates));
  mScratch.resize(std::size_t{1} << mSplitBits);
  for (auto& s : mScratch) s.resize((persons + 1) * static_cast<std::size_t>(mStates));
}

void VectorLikelihood::Evaluate(const MarkerObservation& marker, float* out) {
  if (mStates > 0)
    Dense(marker, out);
  else
    OverGraph(marker, out);
}

void VectorLikelihood::OverGraph(const MarkerObservation& marker, float* out) {
  const std::uint32_t count = mPedigree.VectorCount();
  std::fill(mObservedSlot.begin(), mObservedSlot.end(), -1);
  for (const ObservedPerson& o : marker.observed)
    mObservedSlot[static_cast<std::size_t>(o.person)] = 0;
  // An unobserved person without children weighs nothing whichever allele it got: the bit
  // of its meiosis is evaluated at 0 and copied.
  std::uint32_t copy = 0;
  for (const Meiosis& m : mPedigree.Meioses()) {
    const auto child = static_cast<std::size_t>(m.child);
    if (m.bit >= 0 && mObservedSlot[child] < 0 && !mHasChild[child]) copy |= 1u << m.bit;
  }
  constexpr std::uint32_t kChunk = 1024;
  const int chunks = static_cast<int>((count + kChunk - 1) / kChunk);
  platform::RunTasks(chunks, platform::WorkerThreadCount(), [&](int chunk, bool onCallingThread) {
    if (Halted(onCallingThread)) return;
    FlushTinyValues flush;
    FounderAlleleGraph graph;
    std::array<int, 2 * kMaxPerson> alleles{};
    const std::uint32_t first = static_cast<std::uint32_t>(chunk) * kChunk;
    for (std::uint32_t v = first; v < std::min(count, first + kChunk); ++v) {
      if ((v & copy) != 0) continue;
      mPedigree.Descent(v, alleles.data());
      out[v] = static_cast<float>(
          ComponentLikelihood(marker, alleles.data(), mPedigree.FounderAlleles(), graph));
    }
  });
  CopyBits(out, count, mPedigree.Bits(), copy);
}

void VectorLikelihood::Dense(const MarkerObservation& marker, float* out) {
  PrepareDense(marker);
  // The maternal meiosis of the last observed child closes the last term.
  mLastTerm = -1;
  const auto& meioses = mPedigree.Meioses();
  for (std::size_t k = 0; k < meioses.size(); ++k)
    if (meioses[k].side == 1 && mObservedSlot[static_cast<std::size_t>(meioses[k].child)] >= 0)
      mLastTerm = static_cast<int>(k);
  mOut = out;
  const int tasks = 1 << mSplitBits;
  platform::RunTasks(tasks, platform::WorkerThreadCount(), [&](int t, bool onCallingThread) {
    if (Halted(onCallingThread)) return;
    FlushTinyValues flush;  // as on the calling thread, so the split changes no value
    Task task;
    task.forced = static_cast<std::uint32_t>(t);
    task.scratch = &mScratch[static_cast<std::size_t>(t)];
    mPedigree.Descent(0, task.alleles.data());
    Walk(task, 0, 0, mStart.data(), 0);
  });
}

// The founders' weights and terms, and per observed person its pairs' state tables.
void VectorLikelihood::PrepareDense(const MarkerObservation& marker) {
  const int e = mPedigree.FounderAlleles();
  const auto& persons = mPedigree.Persons();
  std::fill(mObservedSlot.begin(), mObservedSlot.end(), -1);
  const float p = marker.p, q = 1 - marker.p;
  for (int a = 0; a < mStates; ++a) {
    float w = 1;
    for (int x = 0; x < e; ++x) w *= (a >> x & 1) ? q : p;
    mStart[static_cast<std::size_t>(a)] = w;
  }
  for (std::size_t k = 0; k < marker.observed.size(); ++k) {
    const ObservedPerson& o = marker.observed[k];
    const auto i = static_cast<std::size_t>(o.person);
    mObservedSlot[i] = static_cast<int>(k);
    for (int x = 0; x < e; ++x)
      for (int y = 0; y < e; ++y) {
        const int slot = mPairSlot[i][static_cast<std::size_t>(x * e + y)];
        if (slot < 0) continue;
        float* table = mTables[i].data() + static_cast<std::size_t>(slot) * mStates;
        for (int a = 0; a < mStates; ++a) table[a] = o.term[2 * (a >> x & 1) + (a >> y & 1)];
      }
  }
  // Founders' own terms do not depend on v.
  int founder = 0;
  for (std::size_t i = 0; i < persons.size(); ++i) {
    if (persons[i].generation != 0) continue;
    if (mObservedSlot[i] >= 0) {
      const int slot = mPairSlot[i][static_cast<std::size_t>(2 * founder * e + 2 * founder + 1)];
      const float* table = mTables[i].data() + static_cast<std::size_t>(slot) * mStates;
      for (int a = 0; a < mStates; ++a) mStart[static_cast<std::size_t>(a)] *= table[a];
    }
    ++founder;
  }
}

void VectorLikelihood::Walk(Task& task, int meiosis, std::uint32_t v, const float* acc,
                            int level) const {
  // A state count known to the compiler lets it unroll the loops over the states.
  switch (mStates) {
    case 4:
      return WalkStates<4>(task, meiosis, v, acc, level);
    case 16:
      return WalkStates<16>(task, meiosis, v, acc, level);
    case 64:
      return WalkStates<64>(task, meiosis, v, acc, level);
    case 256:
      return WalkStates<256>(task, meiosis, v, acc, level);
    default:
      return WalkStates<0>(task, meiosis, v, acc, level);
  }
}

template <int S>
void VectorLikelihood::WalkStates(Task& task, int meiosis, std::uint32_t v, const float* acc,
                                  int level) const {
  const int states = S > 0 ? S : mStates;
  const auto& meioses = mPedigree.Meioses();
  if (meiosis == static_cast<int>(meioses.size())) {
    mOut[v] = Sum(acc, states);
    return;
  }
  const Meiosis& m = meioses[static_cast<std::size_t>(meiosis)];
  const bool last = m.side == 1;
  const auto range = [&](const Meiosis& of, int* from, int* to) {
    *from = 0, *to = 1;
    if (of.bit < 0) return;
    *to = 2;
    if (of.bit < mSplitBits) *from = static_cast<int>(task.forced >> of.bit & 1u), *to = *from + 1;
  };
  int first = 0, end = 1;
  range(m, &first, &end);
  const auto child = static_cast<std::size_t>(m.child);
  const int e = mPedigree.FounderAlleles();
  // Past the last observed child nothing changes the states' weights, so every vector
  // below shares one sum; that child's (up to) four allele pairs take one pass over them.
  if (!last && meiosis + 1 == mLastTerm) {
    const Meiosis& mother = meioses[static_cast<std::size_t>(meiosis + 1)];
    int motherFirst = 0, motherEnd = 1;
    range(mother, &motherFirst, &motherEnd);
    std::array<const float*, 4> tables{};
    std::array<std::uint32_t, 4> vectors{};
    int count = 0;
    for (int b = first; b < end; ++b)
      for (int c = motherFirst; c < motherEnd; ++c) {
        const int x = task.alleles[static_cast<std::size_t>(2 * m.parent + b)];
        const int y = task.alleles[static_cast<std::size_t>(2 * mother.parent + c)];
        const int slot = mPairSlot[child][static_cast<std::size_t>(x * e + y)];
        tables[static_cast<std::size_t>(count)] =
            mTables[child].data() + static_cast<std::size_t>(slot) * states;
        std::uint32_t next = v;
        if (m.bit >= 0) next |= static_cast<std::uint32_t>(b) << m.bit;
        if (mother.bit >= 0) next |= static_cast<std::uint32_t>(c) << mother.bit;
        vectors[static_cast<std::size_t>(count++)] = next;
      }
    // Unused places repeat the first table, so the pass has no branches.
    for (int k = count; k < 4; ++k) tables[static_cast<std::size_t>(k)] = tables[0];
    std::array<float, 4> sums{};
    Dots(acc, tables.data(), states, sums.data());
    const bool atEnd = meiosis + 2 == static_cast<int>(meioses.size());
    for (int k = 0; k < count; ++k) {
      const auto at = static_cast<std::size_t>(k);
      if (atEnd)
        mOut[vectors[at]] = sums[at];
      else
        Spread(task, meiosis + 2, vectors[at], sums[at]);
    }
    return;
  }
  for (int b = first; b < end; ++b) {
    task.alleles[static_cast<std::size_t>(2 * m.child + m.side)] =
        task.alleles[static_cast<std::size_t>(2 * m.parent + b)];
    const std::uint32_t next = m.bit >= 0 ? v | (static_cast<std::uint32_t>(b) << m.bit) : v;
    if (!last || mObservedSlot[child] < 0) {
      WalkStates<S>(task, meiosis + 1, next, acc, level);
      continue;
    }
    // Both alleles of an observed child are known: fold in its term.
    const int slot = mPairSlot[child][static_cast<std::size_t>(task.alleles[2 * child] * e +
                                                               task.alleles[2 * child + 1])];
    const float* table = mTables[child].data() + static_cast<std::size_t>(slot) * states;
    float* into = task.scratch->data() + static_cast<std::size_t>(level) * states;
    for (int a = 0; a < states; ++a) into[a] = acc[a] * table[a];
    WalkStates<S>(task, meiosis + 1, next, into, level + 1);
  }
}

void VectorLikelihood::Spread(const Task& task, int meiosis, std::uint32_t v, float value) const {
  const auto& meioses = mPedigree.Meioses();
  for (; meiosis < static_cast<int>(meioses.size()); ++meiosis) {
    const Meiosis& m = meioses[static_cast<std::size_t>(meiosis)];
    if (m.bit < 0) continue;
    // The lowest bits belong to the task that has them forced.
    if (m.bit < mSplitBits) {
      v |= task.forced & (1u << m.bit);
      continue;
    }
    Spread(task, meiosis + 1, v | (1u << m.bit), value);
  }
  mOut[v] = value;
}

struct VectorLikelihood::ReducedTask {
  std::uint32_t forced = 0;  // values of the lowest mReduceSplitBits bits
  float* scratch = nullptr;
  FounderAlleleGraph graph;
  std::array<int, 2 * kMaxPerson> alleles{};
  ReductionCount count;
};

ReductionCount VectorLikelihood::EvaluateReduced(const MarkerObservation& marker, float* out) {
  const auto& meioses = mPedigree.Meioses();
  const std::uint32_t n = mPedigree.VectorCount();
  std::fill(out, out + n, 0.0f);
  if (mStates > 0) PrepareDense(marker);
  std::fill(mCall.begin(), mCall.end(), kNoCall);
  for (const ObservedPerson& o : marker.observed)
    mCall[static_cast<std::size_t>(o.person)] = o.call;
  mCopyBits = 0;
  for (const Meiosis& m : meioses) {
    if (m.bit < 0) continue;
    const int parent = mCall[static_cast<std::size_t>(m.parent)];
    const auto child = static_cast<std::size_t>(m.child);
    if (parent == kCallAA || parent == kCallBB || (mCall[child] == kNoCall && !mHasChild[child]))
      mCopyBits |= 1u << m.bit;
  }
  mOut = out;
  mMarker = &marker;
  const int tasks = 1 << mReduceSplitBits;
  std::vector<ReductionCount> counts(static_cast<std::size_t>(tasks));
  platform::RunTasks(tasks, platform::WorkerThreadCount(), [&](int t, bool onCallingThread) {
    // A bit to copy is walked at 0 only; its other value is filled below.
    if ((static_cast<std::uint32_t>(t) & mCopyBits) != 0 || Halted(onCallingThread)) return;
    FlushTinyValues flush;
    ReducedTask task;
    task.forced = static_cast<std::uint32_t>(t);
    if (mStates > 0) task.scratch = mScratch[static_cast<std::size_t>(t)].data();
    mPedigree.Descent(0, task.alleles.data());
    Reduce(task, 0, 0);
    counts[static_cast<std::size_t>(t)] = task.count;
  });
  CopyBits(out, n, mPedigree.Bits(), mCopyBits);
  ReductionCount total;
  for (const ReductionCount& c : counts) {
    total.evaluated += c.evaluated;
    total.nodes += c.nodes;
  }
  return total;
}

void VectorLikelihood::Reduce(ReducedTask& task, int meiosis, std::uint32_t v) const {
  const auto& meioses = mPedigree.Meioses();
  if (meiosis == static_cast<int>(meioses.size())) {
    ++task.count.evaluated;
    ++task.count.nodes;
    mOut[v] = Leaf(task);
    return;
  }
  const Meiosis& m = meioses[static_cast<std::size_t>(meiosis)];
  int first = 0, end = 1;
  if (m.bit >= 0 && (mCopyBits >> m.bit & 1u) == 0) {
    end = 2;
    if (m.bit < mReduceSplitBits)
      first = static_cast<int>(task.forced >> m.bit & 1u), end = first + 1;
  }
  const bool completes = m.side == 1 && mCall[static_cast<std::size_t>(m.child)] != kNoCall;
  for (int b = first; b < end; ++b) {
    task.alleles[static_cast<std::size_t>(2 * m.child + m.side)] =
        task.alleles[static_cast<std::size_t>(2 * m.parent + b)];
    if (completes && Conflicts(task.alleles.data(), m.child)) continue;
    if (m.bit >= 0) ++task.count.nodes;
    Reduce(task, meiosis + 1, m.bit >= 0 ? v | (static_cast<std::uint32_t>(b) << m.bit) : v);
  }
}

// Whether the called child, its founder alleles just completed, cannot be told apart from
// an error-free reading of the calls of the persons before it.
bool VectorLikelihood::Conflicts(const int* alleles, int child) const {
  const int x = alleles[2 * child], y = alleles[2 * child + 1];
  const int call = mCall[static_cast<std::size_t>(child)];
  if (x == y && call == kCallAB) return true;
  const auto opposite = [](int a, int b) {
    return (a == kCallAA && b == kCallBB) || (a == kCallBB && b == kCallAA);
  };
  for (int o = 0; o < child; ++o) {
    const int other = mCall[static_cast<std::size_t>(o)];
    if (other == kNoCall) continue;
    const int x2 = alleles[2 * o], y2 = alleles[2 * o + 1];
    const bool shareX = x == x2 || x == y2, shareY = y == x2 || y == y2;
    if ((shareX || shareY) && opposite(call, other)) return true;
    if (x != y && x2 != y2 && shareX && shareY && call != other) return true;
  }
  return false;
}

// One vector's value: the founders' weights times every observed nonfounder's term, in
// the walk's order, or the sum over components.
float VectorLikelihood::Leaf(ReducedTask& task) const {
  if (mStates == 0)
    return static_cast<float>(
        ComponentLikelihood(*mMarker, task.alleles.data(), mPedigree.FounderAlleles(), task.graph));
  const int e = mPedigree.FounderAlleles();
  const auto& persons = mPedigree.Persons();
  float* acc = task.scratch;
  std::copy(mStart.begin(), mStart.end(), acc);
  for (std::size_t i = 0; i < persons.size(); ++i) {
    if (persons[i].generation == 0 || mObservedSlot[i] < 0) continue;
    const int slot =
        mPairSlot[i][static_cast<std::size_t>(task.alleles[2 * i] * e + task.alleles[2 * i + 1])];
    const float* table = mTables[i].data() + static_cast<std::size_t>(slot) * mStates;
    for (int a = 0; a < mStates; ++a) acc[a] *= table[a];
  }
  return Sum(acc, mStates);
}

LikelihoodBatch::LikelihoodBatch(const Pedigree& pedigree, bool reduction)
    : mPedigree(pedigree), mReduction(reduction) {
  const int lanes =
      pedigree.VectorCount() <= kMaxBatchedVectors ? platform::WorkerThreadCount() : 1;
  for (int k = 0; k < lanes; ++k) mLanes.push_back(std::make_unique<VectorLikelihood>(pedigree));
}

bool LikelihoodBatch::Evaluate(const std::vector<MarkerObservation>& markers, float* out,
                               ReductionCount* counts) {
  const std::size_t n = mPedigree.VectorCount();
  const auto one = [&](VectorLikelihood& likelihood, std::size_t i, bool mayAsk) {
    if (mStop.Poll(mayAsk)) return;
    likelihood.Watch(&mStop, mayAsk);
    if (mReduction)
      counts[i] = likelihood.EvaluateReduced(markers[i], out + i * n);
    else
      likelihood.Evaluate(markers[i], out + i * n);
  };
  const int lanes = std::min(Size(), static_cast<int>(markers.size()));
  if (lanes <= 1) {
    // Alone, the evaluation splits its own vector over the threads.
    for (std::size_t i = 0; i < markers.size(); ++i) one(*mLanes[0], i, true);
    return !mStop.Stopped();
  }
  // Lane k takes markers k, k + lanes, ...; each marker is computed as it would be alone.
  platform::RunTasks(lanes, lanes, [&](int k, bool onCallingThread) {
    for (auto i = static_cast<std::size_t>(k); i < markers.size();
         i += static_cast<std::size_t>(lanes))
      one(*mLanes[static_cast<std::size_t>(k)], i, onCallingThread);
  });
  return !mStop.Stopped();
}
