// The hidden Markov model behind every inference along a chromosome: start
// probabilities, a discrete emission table or continuous signals, distance-dependent
// switching between neighbouring markers, and the two runs on it (the most likely state
// path and the posterior state probabilities). Probabilities are given and read as log10
// values.
//
// One object serves a whole inference run: Init validates the sizes, then each stretch
// calls Init with its length, fills the observations, markers and distances, and runs.
// The tables grow to the largest stretch and are reused, and only the tables of the run
// asked for are held (Viterbi's costs, or forward-backward's three tables).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "genome/info/genome_info.hpp"

struct GroupSettings;

inline constexpr int MAX_STATE = 212;
inline constexpr int MAX_SYMBOL = 20;
inline constexpr int MAX_SEQ_LEN = 12000;
// Terms one log sum adds.
inline constexpr int kMaxLogTerms = 50;
// A term this far (in log10) below its larger neighbour adds nothing worth keeping.
inline constexpr float kLogSumReach = 5.0f;
// Said once per run when markers of a stretch had no usable distance to the one before.
inline constexpr const char* kDistanceMissingMessage =
    "    Genetic distance missing or inconsistent in %d markers";
// Continuous observations that were not measured.
inline constexpr float kMissingSignal = -1000000.0f;
// The log10 probability of what cannot happen; zero probabilities are floored here so
// sums and differences stay finite.
inline constexpr float kImpossibleLog = -1000.0f;
// Degrees of freedom of the Student t density of copy-number signals.
inline constexpr double kSignalDegrees = 40.0;
// The LOH method whose four states carry a haplotype bit.
inline constexpr int kLohMethodHaplotype = 2;
// Messages are pumped this often (ms) during a run.
inline constexpr int kHmmPumpMilliseconds = 50;

inline constexpr const char* kHmmLimitMessage =
    "  Error: num_state > MAX_STATE || num_symbol > MAX_SYMBOL || length > MAX_SEQ_LEN in "
    "HMM:Init()";

class HMM {
 public:
  int numState = 0;
  int numSymbol = 0;
  int length = 0;
  bool continuous = false;
  // Discrete mode: state 1 emits heterozygous (symbol 1) calls at the marker's
  // heterozygosity rate when the genome information knows it.
  bool hetFromGenome = false;
  int sample = 0;

  float logStart[MAX_STATE] = {};
  float start[MAX_STATE] = {};
  float logEmission[MAX_STATE][MAX_SYMBOL] = {};

  // Per position, sized by Init: the observed symbol (discrete), the signals and their
  // scales (continuous; kMissingSignal when missing), the unit index of the marker, and
  // the switching probability to the next position.
  std::vector<std::int16_t> obs;
  std::vector<float> x, sdX, y, sdY;
  // Discrete mode with rowTable set: position t emits from row emissionRow[t] of that table
  // (rows of numState x numSymbol log10 values) instead of logEmission, for emissions that
  // follow each marker's allele frequency.
  const float* rowTable = nullptr;
  std::vector<std::int16_t> emissionRow;
  // The same table as chances, when the caller keeps one: forward-backward then takes no
  // power per marker.
  const double* rowChances = nullptr;
  std::vector<int> marker;
  std::vector<float> theta;

  // Viterbi: cost (negative log10) and back-pointer per position and state, then the path.
  std::vector<float> cost;
  std::vector<std::int16_t> back;
  float bestCost = 0;
  std::vector<std::int16_t> path;

  // Forward-backward: alpha and beta as chances scaled to sum 1 at every position, with
  // each position's scale beside them (Alpha and Beta give the log10
  // values); posterior as probabilities. With expectation, x receives the expected state
  // number per position. Scaled chances need no logarithm per marker and lose nothing
  // along a stretch, where log10 sums drop small terms and a float log would blur.
  std::vector<double> alpha, beta;
  std::vector<double> alphaScale, betaScale;
  std::vector<float> posterior;
  bool expectation = false;

  // What the model takes from elsewhere, set by the caller. Marker properties (the
  // heterozygosity rate and the two dependence probabilities) come from units, indexed by
  // marker[t]; without it every property is unknown.
  const UNIT_POS* units = nullptr;
  int unitCount = 0;
  // Group settings: the LOH method (haplotype transitions on four states), the het rate
  // used for markers without one, and parent-specific copy number.
  int lohMethod = 1;
  float averageHetRate = 0.27f;
  bool parentSpecific = false;
  // Continuous mode: the copy level of each state, and of each state its two parental
  // states (parent-specific copy number).
  std::vector<float> copyLevel;
  std::vector<int> parentStateA, parentStateB;

  // False, with the limit message in red, when a size is beyond the limits.
  bool Init(int states, int symbols, int positions, bool continuousMode);
  // Takes the LOH method, the average het rate and parent-specific copy number.
  void TakeSettings(const GroupSettings& settings);

  void SetStart(int state, float p);
  void SetDistance(int t, float d);
  // The chance (0..1) that the state is redrawn over d Mb; 1 for an unknown distance (-1).
  static float Theta(float d);
  // log10 chance of state i at t going to j at t + 1; t = -1 takes Theta(d) instead.
  float Transition(int t, int i, int j, float d) const;
  // The same chance, not logged.
  double TransitionChance(int t, int i, int j, float d) const;
  float Emission(int state, int t) const;
  // The same chance, not logged.
  double EmissionChance(int state, int t) const;

  bool Viterbi();
  bool ForwardBackward();

  // The log10 of the sum of the terms (each a log10 value) collected by AddTerm.
  bool AddTerm(float term);
  void ClearTerms() { termCount = 0; }
  float LogSum() const;

  // The row of a table for position t.
  float Posterior(int t, int state) const { return posterior[Row(t) + state]; }
  // log10 of the forward and backward chances, and of the chance of all observations.
  double Alpha(int t, int state) const;
  double Beta(int t, int state) const;
  double LogLikelihood() const;
  float Cost(int t, int state) const { return cost[Row(t) + state]; }

  // Bytes the per-position tables of one stretch take for a run of either kind.
  static std::size_t StretchBytes(int states, int positions, bool viterbi, bool continuousMode);

 private:
  std::size_t Row(int t) const { return static_cast<std::size_t>(t) * numState; }
  bool HaplotypeMode() const { return lohMethod == kLohMethodHaplotype && numState == 4; }
  float MarkerRate(int t, int which) const;
  // All transitions from t to t + 1, row i holding the moves out of state i.
  void FillTransitions(int t, float* out) const;
  void FillTransitionChances(int t, double* out) const;

  // The per-position scales summed into log10 totals, made when first asked for.
  void SumScales() const;
  mutable std::vector<double> mAlphaLog, mBetaLog;
  mutable bool mScalesSummed = false;
  // 10^logEmission, made at the start of a forward-backward run.
  double mEmissionChance[MAX_STATE][MAX_SYMBOL] = {};
  // Per position: the chances of every move to the next position, and of each state's
  // emission.
  std::vector<double> mMoves, mEmitted;

  int termCount = 0;
  float terms[kMaxLogTerms] = {};
};

// The log sum of n terms (at most kMaxLogTerms), reordered in place.
double LogSumOf(double* terms, int n);
// log10 of p, floored at kImpossibleLog.
double SafeLog10(double p);
