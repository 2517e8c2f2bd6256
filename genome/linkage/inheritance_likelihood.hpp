// The probability of one marker's observations given an inheritance vector: founder
// alleles take allele states (0 of frequency p, 1 of 1 - p), every observed person
// contributes a term for the pair of states it carries, and the states are summed out.
// The same sum gives the phenotypes' probability at the disease locus.
#pragma once

#include <array>
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

// A call's term: 1 - e when the states give the called genotype, e otherwise.
std::array<float, 4> CallTerm(int call, float errorRate);
// An affection's term at the disease locus (state 0 is the disease allele).
std::array<float, 4> PhenotypeTerm(int affection, bool dominant, float penetrance, float phenocopy);

// P(observations | descent) as a product over the components that observed persons join
// founder alleles into. With bestState, each founder allele of a component with an
// observed person gets the state of the component's most probable assignment, others -1.
double ComponentLikelihood(const MarkerObservation& marker, const int* alleles, int founderAlleles,
                           int* bestState = nullptr);

// What one reduced evaluation did: the vectors evaluated, and the nodes of the tree of
// partial vectors it kept (every free meiosis assigned on a surviving path, plus leaves).
struct ReductionCount {
  std::uint64_t evaluated = 0;
  std::uint64_t nodes = 0;
};

// P(observations | v) for every v of a prepared pedigree. Small founder-allele counts take
// a depth-first walk over the meioses that carries the states of all founder alleles as
// one vector; larger ones evaluate each vector by components. Work splits over vectors,
// so the result does not depend on the thread count.
class VectorLikelihood {
 public:
  explicit VectorLikelihood(const Pedigree& pedigree);
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
  void ByComponents(const MarkerObservation& marker, float* out);

  const Pedigree& mPedigree;
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
  void Evaluate(const std::vector<MarkerObservation>& markers, float* out, ReductionCount* counts);

 private:
  const Pedigree& mPedigree;
  bool mReduction;
  std::vector<std::unique_ptr<VectorLikelihood>> mLanes;
};
