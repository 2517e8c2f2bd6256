// The probability of one marker's observations given an inheritance vector: founder
// alleles take allele states (0 of frequency p, 1 of 1 - p), every observed person
// contributes a term for the pair of states it carries, and the states are summed out.
// The same sum gives the phenotypes' probability at the disease locus.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "genome/linkage/pedigree.hpp"

// Genotype codes of the call matrix.
inline constexpr int kCallAA = 0, kCallBB = 1, kCallAB = 2, kNoCall = 3;

// term[2 * paternalState + maternalState] for one observed person.
struct ObservedPerson {
  int person = 0;
  std::array<float, 4> term{};
  int call = kNoCall;  // the genotype code behind term; kNoCall for phenotypes
};

struct MarkerObservation {
  float p = 0.5f;  // frequency of allele state 0
  std::vector<ObservedPerson> observed;
};

// A call's term: 1 - e when the states give the called genotype, e / 2 for each of the two
// others, so that the three calls of one genotype are a distribution.
std::array<float, 4> CallTerm(int call, float errorRate);
// An affection's term at the disease locus (state 0 is the disease allele).
std::array<float, 4> PhenotypeTerm(int affection, bool dominant, float penetrance, float phenocopy);

class FounderAlleleGraph;

// P(observations | descent) over the graph that observed persons make of the founder
// alleles (genome/linkage/founder_allele_graph.hpp). With bestState, each founder allele an
// observed person carries gets its state in the most probable assignment, others -1.
double ComponentLikelihood(const MarkerObservation& marker, const int* alleles, int founderAlleles,
                           int* bestState = nullptr);
// The same in a graph the caller keeps, for loops over many vectors.
double ComponentLikelihood(const MarkerObservation& marker, const int* alleles, int founderAlleles,
                           FounderAlleleGraph& graph, int* bestState = nullptr);

// What one reduced evaluation did: the vectors evaluated, and the nodes of the tree of
// partial vectors it kept (every free meiosis assigned on a surviving path, plus leaves).
struct ReductionCount {
  std::uint64_t evaluated = 0;
  std::uint64_t nodes = 0;
};

// A stop asked for while one marker's vectors are evaluated, which for large pedigrees
// takes long enough that the window must answer meanwhile: the thread that may talk to the
// user pumps the window's events and asks, the others only see what it learnt.
class VectorStop {
 public:
  // Whether to stop; asks the job's progress only when mayAsk.
  bool Poll(bool mayAsk);
  bool Stopped() const { return mStopped.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> mStopped{false};
};

// P(observations | v) for every v of a prepared pedigree. Small founder-allele counts take
// a depth-first walk over the meioses that carries the states of all founder alleles as
// one vector; larger ones evaluate each vector over its founder-allele graph. Work splits
// over vectors, so the result does not depend on the thread count.
class VectorLikelihood {
 public:
  explicit VectorLikelihood(const Pedigree& pedigree);
  // Polls stop between pieces of the work (asking the user only when mayAsk and on the
  // calling thread); once it says stop the values are left unfinished.
  void Watch(VectorStop* stop, bool mayAsk) { mStop = stop, mMayAsk = mayAsk; }
  void Evaluate(const MarkerObservation& marker, float* out);
  // The same values with inheritance-vector reduction: a meiosis whose parent is called
  // homozygous, or whose child is uncalled and has no children, is walked once and copied
  // to both values of its bit; a partial vector whose newly completed child conflicts with
  // an earlier called person by founder-allele sharing gets 0 unevaluated. Both are exact
  // when calls carry no error; with an error rate they drop the error's small chance.
  ReductionCount EvaluateReduced(const MarkerObservation& marker, float* out);

 private:
  struct Task;
  void Walk(Task& task, int meiosis, std::uint32_t v, const float* acc, int level) const;
  template <int S>
  void WalkStates(Task& task, int meiosis, std::uint32_t v, const float* acc, int level) const;
  void Spread(const Task& task, int meiosis, std::uint32_t v, float value) const;
  struct ReducedTask;
  void Reduce(ReducedTask& task, int meiosis, std::uint32_t v) const;
  bool Conflicts(const int* alleles, int child) const;
  float Leaf(ReducedTask& task) const;
  void PrepareDense(const MarkerObservation& marker);
  void Dense(const MarkerObservation& marker, float* out);
  void OverGraph(const MarkerObservation& marker, float* out);
  bool Halted(bool onCallingThread) const {
    return mStop != nullptr && mStop->Poll(onCallingThread && mMayAsk);
  }

  const Pedigree& mPedigree;
  VectorStop* mStop = nullptr;
  bool mMayAsk = true;
  int mStates = 0;                          // 2^founder alleles on the dense road, else 0
  int mSplitBits = 0;                       // lowest bits fixed per task
  std::vector<int> mObservedSlot;           // per person, -1 unobserved at this marker
  std::vector<std::vector<int>> mPairSlot;  // per person, pair x * E + y -> table, -1 none
  std::vector<int> mPairCount;
  std::vector<std::vector<float>> mTables;  // per person, its pairs' state tables
  std::vector<float> mStart;                // founders' weights and terms
  float* mOut = nullptr;
  int mLastTerm = -1;                        // meiosis that completes the last observed child
  std::vector<std::vector<float>> mScratch;  // per task, one state vector per level
  // Reduction: split bits (on both roads), persons with children, calls, bits to copy.
  int mReduceSplitBits = 0;
  std::vector<bool> mHasChild;
  std::vector<int> mCall;
  std::uint32_t mCopyBits = 0;
  const MarkerObservation* mMarker = nullptr;
};

// Several markers' P(data | v) at once, one marker per thread: markers do not depend on
// each other, so small vectors need not be split (and wait on each other) at all. Vectors
// too large to hold many of are taken one at a time, each split over the threads.
class LikelihoodBatch {
 public:
  LikelihoodBatch(const Pedigree& pedigree, bool reduction);
  // How many markers are worth evaluating together.
  int Size() const { return static_cast<int>(mLanes.size()); }
  // Marker i's vector into out + i * vectors; with reduction, its counts into counts[i].
  // False when the user asked to stop meanwhile (the vectors are then unfinished).
  [[nodiscard]] bool Evaluate(const std::vector<MarkerObservation>& markers, float* out,
                              ReductionCount* counts);

 private:
  VectorStop mStop;
  const Pedigree& mPedigree;
  bool mReduction;
  std::vector<std::unique_ptr<VectorLikelihood>> mLanes;
};
