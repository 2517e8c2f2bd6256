#include "genome/inference/hmm.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "engine/group/group_settings.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

namespace {

// Pumps when kHmmPumpMilliseconds have passed; the clock is read every few positions only.
class TimedPump {
 public:
  void Tick() {
    if (++mCount % 64 != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - mLast < std::chrono::milliseconds(kHmmPumpMilliseconds)) return;
    mLast = now;
    Progress().Pump();
  }

 private:
  int mCount = 0;
  std::chrono::steady_clock::time_point mLast = std::chrono::steady_clock::now();
};

template <typename T>
void Size(std::vector<T>& table, std::size_t count) {
  if (table.size() < count) table.resize(count);
}

// log10 of the Student t density.
double LogT(double value) {
  return dt(value, kSignalDegrees, 1) / std::numbers::ln10;
}

}  // namespace

double SafeLog10(double p) {
  if (!(p > 0)) return kImpossibleLog;
  return std::max(std::log10(p), static_cast<double>(kImpossibleLog));
}

double LogSumOf(double* terms, int n) {
  if (n <= 0) return kImpossibleLog;
  // Insertion sort, descending: the lists hold a few terms.
  for (int k = 1; k < n; ++k) {
    const double v = terms[k];
    int m = k;
    for (; m > 0 && terms[m - 1] < v; --m) terms[m] = terms[m - 1];
    terms[m] = v;
  }
  double sum = terms[0];
  for (int k = 1; k < n; ++k) {
    // Along (sum, terms[k], terms[k + 1], ...), everything after the first wide gap goes.
    double previous = sum;
    for (int m = k; m < n; ++m) {
      if (!(previous - terms[m] <= kLogSumReach)) {
        n = m;
        break;
      }
      previous = terms[m];
    }
    if (k >= n) break;
    sum += std::log10(1.0 + std::pow(10.0, terms[k] - sum));
  }
  return sum;
}

bool HMM::Init(int states, int symbols, int positions, bool continuousMode) {
  if (states > MAX_STATE || symbols > MAX_SYMBOL || positions > MAX_SEQ_LEN || states < 1 ||
      symbols < 1 || positions < 1) {
    LogMessage(kHmmLimitMessage, 0, kLogRed);
    return false;
  }
  numState = states;
  numSymbol = symbols;
  length = positions;
  continuous = continuousMode;
  const auto n = static_cast<std::size_t>(positions);
  Size(marker, n);
  Size(theta, n);
  if (continuous) {
    Size(x, n);
    Size(sdX, n);
    Size(y, n);
    Size(sdY, n);
  } else {
    Size(obs, n);
    Size(emissionRow, n);
  }
  return true;
}

void HMM::TakeSettings(const GroupSettings& settings) {
  lohMethod = settings.INFER_NONINFORMATIVE;
  averageHetRate = settings.AVERAGE_HET_RATE;
  parentSpecific = settings.PARENT_SPECIFIC_COPY != 0;
}

void HMM::SetStart(int state, float p) {
  start[state] = p;
  logStart[state] = static_cast<float>(SafeLog10(p));
}

void HMM::SetDistance(int t, float d) {
  theta[t] = Theta(d);
}

float HMM::Theta(float d) {
  if (d == -1) return 1;
  return static_cast<float>(1 - std::exp(-0.02 * d));
}

float HMM::MarkerRate(int t, int which) const {
  if (units == nullptr || t < 0 || t >= length) return -1;
  const int unit = marker[t];
  if (unit < 0 || unit >= unitCount) return -1;
  return units[unit].rate[which];
}

double HMM::TransitionChance(int t, int i, int j, float d) const {
  if (continuous && parentSpecific && i < static_cast<int>(parentStateA.size()) &&
      j < static_cast<int>(parentStateA.size()) && parentStateA[i] != parentStateA[j] &&
      parentStateB[i] != parentStateB[j]) {
    return 0;
  }
  const double q = t == -1 ? Theta(d) : theta[t];
  if (!HaplotypeMode()) return i == j ? q * start[i] + (1 - q) : q * start[j];
  const int ai = i / 2;
  const int aj = j / 2;
  const double stationary = start[2 * aj] + start[2 * aj + 1];
  const double p = ai == aj ? q * stationary + (1 - q) : q * stationary;
  double h = MarkerRate(t + 1, 0);
  if (h == -1) h = averageHetRate;
  const int bi = i % 2;
  const int bj = j % 2;
  const double stay = MarkerRate(t, 1 + bi);  // P00 from bit 0, P11 from bit 1
  if (stay != -1) return p * (bi == bj ? stay : 1 - stay);
  return p * (bj == 1 ? h : 1 - h);
}

float HMM::Transition(int t, int i, int j, float d) const {
  return static_cast<float>(SafeLog10(TransitionChance(t, i, j, d)));
}

float HMM::Emission(int state, int t) const {
  if (!continuous) {
    const int symbol = obs[t];
    // A symbol outside the table carries no information.
    if (symbol < 0 || symbol >= numSymbol) return 0;
    if (rowTable != nullptr)
      return rowTable[(static_cast<std::size_t>(emissionRow[t]) * numState + state) * numSymbol +
                      symbol];
    if (hetFromGenome && state == 1 && symbol <= 1) {
      const float h = MarkerRate(t, 0);
      if (h != -1) return static_cast<float>(SafeLog10(symbol == 1 ? h : 1 - h));
    }
    return logEmission[state][symbol];
  }
  const auto level = [&](int s) {
    return s >= 0 && s < static_cast<int>(copyLevel.size()) ? copyLevel[s] : 0.0f;
  };
  if (!parentSpecific) {
    if (x[t] == kMissingSignal) return 0;
    const double c = level(state);
    const double w = std::max(c * 0.5, 0.5);
    return std::max(static_cast<float>(LogT((x[t] - c) / (sdX[t] * w))), kImpossibleLog);
  }
  if (x[t] == kMissingSignal || y[t] == kMissingSignal) return 0;
  const double a = level(parentStateA[state]);
  const double b = level(parentStateB[state]);
  double sum = 0;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) {
      const double mA = (i == 0 ? a : 0) + (j == 0 ? b : 0);
      const double mB = (i == 1 ? a : 0) + (j == 1 ? b : 0);
      const double termA = dt((x[t] - mA) / (sdX[t] * std::max(mA / 2, 0.5)), kSignalDegrees, 0);
      const double termB = dt((y[t] - mB) / (sdY[t] * std::max(mB / 2, 0.5)), kSignalDegrees, 0);
      sum += termA * termB * 0.25;
    }
  }
  return static_cast<float>(SafeLog10(sum));
}

double HMM::EmissionChance(int state, int t) const {
  if (continuous) return std::pow(10.0, static_cast<double>(Emission(state, t)));
  const int symbol = obs[t];
  if (symbol < 0 || symbol >= numSymbol) return 1;
  if (rowTable != nullptr && rowChances != nullptr)
    return rowChances[(static_cast<std::size_t>(emissionRow[t]) * numState + state) * numSymbol +
                      symbol];
  if (rowTable != nullptr) return std::pow(10.0, static_cast<double>(Emission(state, t)));
  if (hetFromGenome && state == 1 && symbol <= 1) {
    const float h = MarkerRate(t, 0);
    if (h != -1) return symbol == 1 ? h : 1 - h;
  }
  return mEmissionChance[state][symbol];
}

void HMM::FillTransitionChances(int t, double* out) const {
  if (!HaplotypeMode() && !(continuous && parentSpecific)) {
    const double q = theta[t];
    for (int i = 0; i < numState; ++i) {
      for (int j = 0; j < numState; ++j)
        out[i * numState + j] = q * start[j] + (i == j ? 1 - q : 0);
    }
    return;
  }
  for (int i = 0; i < numState; ++i) {
    for (int j = 0; j < numState; ++j) out[i * numState + j] = TransitionChance(t, i, j, -1);
  }
}

void HMM::FillTransitions(int t, float* out) const {
  for (int i = 0; i < numState; ++i) {
    for (int j = 0; j < numState; ++j) out[i * numState + j] = Transition(t, i, j, -1);
  }
}

bool HMM::Viterbi() {
  const std::size_t cells = Row(length);
  Size(cost, cells);
  Size(back, cells);
  Size(path, static_cast<std::size_t>(length));
  std::vector<float> moves(static_cast<std::size_t>(numState) * numState);
  TimedPump pump;
  for (int i = 0; i < numState; ++i) {
    cost[i] = -logStart[i] - Emission(i, 0);
    back[i] = -1;
  }
  for (int t = 1; t < length; ++t) {
    FillTransitions(t - 1, moves.data());
    const float* previous = &cost[Row(t - 1)];
    for (int j = 0; j < numState; ++j) {
      float best = previous[0] - moves[j];
      int arg = 0;
      for (int i = 1; i < numState; ++i) {
        const float candidate = previous[i] - moves[static_cast<std::size_t>(i) * numState + j];
        if (candidate < best) {
          best = candidate;
          arg = i;
        }
      }
      cost[Row(t) + j] = best - Emission(j, t);
      back[Row(t) + j] = static_cast<std::int16_t>(arg);
    }
    pump.Tick();
  }
  const float* last = &cost[Row(length - 1)];
  int bestState = 0;
  for (int i = 1; i < numState; ++i) {
    if (last[i] < last[bestState]) bestState = i;
  }
  bestCost = last[bestState];
  path[length - 1] = static_cast<std::int16_t>(bestState);
  for (int t = length - 2; t >= 0; --t) path[t] = back[Row(t + 1) + path[t + 1]];
  return true;
}

namespace {

// Scales a row of chances to sum 1 and gives the scale; a row with no chance left (every
// state ruled out) becomes even, since nothing then tells the states apart.
double Normalise(double* row, int n) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += row[i];
  if (!(sum > 0) || !std::isfinite(sum)) {
    for (int i = 0; i < n; ++i) row[i] = 1.0 / n;
    return 0;
  }
  const double inverse = 1 / sum;
  for (int i = 0; i < n; ++i) row[i] *= inverse;
  return sum;
}

struct ScaledTables {
  double* alpha;
  double* beta;
  double* alphaScale;
  double* betaScale;
  float* posterior;
  float* expected;  // nullptr when not asked for
};

// Forward and backward over chances scaled at every position, then the posteriors. N is
// the state count when fixed at compile time, 0 for n.
template <int N>
void ScaledPasses(int stateCount, int length, const double* start, const double* moves,
                  const double* emitted, const ScaledTables& out) {
  const int n = N > 0 ? N : stateCount;
  const std::size_t square = static_cast<std::size_t>(n) * n;
  auto row = [&](int t) { return static_cast<std::size_t>(t) * n; };
  TimedPump pump;

  double* alpha = out.alpha;
  for (int i = 0; i < n; ++i) alpha[i] = start[i] * emitted[i];
  out.alphaScale[0] = Normalise(alpha, n);
  for (int t = 0; t + 1 < length; ++t) {
    const double* move = moves + t * square;
    const double* from = alpha + row(t);
    double* to = alpha + row(t + 1);
    const double* emit = emitted + row(t + 1);
    for (int j = 0; j < n; ++j) {
      double sum = 0;
      for (int i = 0; i < n; ++i) sum += from[i] * move[i * n + j];
      to[j] = sum * emit[j];
    }
    out.alphaScale[t + 1] = Normalise(to, n);
  }

  double* beta = out.beta;
  double ahead[N > 0 ? N : MAX_STATE];
  for (int i = 0; i < n; ++i) beta[row(length - 1) + i] = 1;
  out.betaScale[length - 1] = 1;
  for (int t = length - 2; t >= 0; --t) {
    const double* move = moves + t * square;
    const double* next = beta + row(t + 1);
    const double* emit = emitted + row(t + 1);
    for (int j = 0; j < n; ++j) ahead[j] = emit[j] * next[j];
    double* here = beta + row(t);
    for (int i = 0; i < n; ++i) {
      double sum = 0;
      for (int j = 0; j < n; ++j) sum += move[i * n + j] * ahead[j];
      here[i] = sum;
    }
    out.betaScale[t] = Normalise(here, n);
    pump.Tick();
  }

  double joint[N > 0 ? N : MAX_STATE];
  for (int t = 0; t < length; ++t) {
    for (int i = 0; i < n; ++i) joint[i] = alpha[row(t) + i] * beta[row(t) + i];
    Normalise(joint, n);
    double expected = 0;
    for (int i = 0; i < n; ++i) {
      const float p = static_cast<float>(std::clamp(joint[i], 0.0, 1.0));
      out.posterior[row(t) + i] = p;
      expected += i * static_cast<double>(p);
    }
    if (out.expected != nullptr) out.expected[t] = static_cast<float>(expected);
  }
}

}  // namespace

bool HMM::ForwardBackward() {
  const std::size_t cells = Row(length);
  const auto positions = static_cast<std::size_t>(length);
  Size(alpha, cells);
  Size(beta, cells);
  Size(posterior, cells);
  Size(alphaScale, positions);
  Size(betaScale, positions);
  if (expectation) Size(x, positions);
  mScalesSummed = false;
  const int n = numState;
  if (!continuous) {
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < numSymbol; ++k)
        mEmissionChance[i][k] = std::pow(10.0, static_cast<double>(logEmission[i][k]));
  }
  // The chances of every move and emission, worked out once for both passes.
  const std::size_t square = static_cast<std::size_t>(n) * n;
  Size(mMoves, positions * square);
  Size(mEmitted, cells);
  const bool fromTable = !continuous && !hetFromGenome && rowTable == nullptr;
  for (int t = 0; t < length; ++t) {
    double* emitted = &mEmitted[Row(t)];
    const int symbol = fromTable ? obs[t] : -1;
    if (symbol >= 0 && symbol < numSymbol) {
      for (int j = 0; j < n; ++j) emitted[j] = mEmissionChance[j][symbol];
    } else {
      for (int j = 0; j < n; ++j) emitted[j] = EmissionChance(j, t);
    }
    if (t + 1 < length) FillTransitionChances(t, &mMoves[t * square]);
  }
  ScaledTables tables{alpha.data(),     beta.data(),      alphaScale.data(),
                      betaScale.data(), posterior.data(), expectation ? x.data() : nullptr};
  std::vector<double> startChance(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) startChance[i] = std::pow(10.0, static_cast<double>(logStart[i]));
  // Fixed state counts let the compiler unroll the small loops of the usual models.
  switch (n) {
    case 2:
      ScaledPasses<2>(n, length, startChance.data(), mMoves.data(), mEmitted.data(), tables);
      break;
    case 4:
      ScaledPasses<4>(n, length, startChance.data(), mMoves.data(), mEmitted.data(), tables);
      break;
    default:
      ScaledPasses<0>(n, length, startChance.data(), mMoves.data(), mEmitted.data(), tables);
  }
  return true;
}

void HMM::SumScales() const {
  if (mScalesSummed) return;
  mAlphaLog.assign(static_cast<std::size_t>(length), 0);
  mBetaLog.assign(static_cast<std::size_t>(length), 0);
  double sum = 0;
  for (int t = 0; t < length; ++t) mAlphaLog[t] = sum += SafeLog10(alphaScale[t]);
  sum = 0;
  for (int t = length - 1; t >= 0; --t) mBetaLog[t] = sum += SafeLog10(betaScale[t]);
  mScalesSummed = true;
}

double HMM::Alpha(int t, int state) const {
  SumScales();
  return SafeLog10(alpha[Row(t) + state]) + mAlphaLog[t];
}

double HMM::Beta(int t, int state) const {
  SumScales();
  return SafeLog10(beta[Row(t) + state]) + mBetaLog[t];
}

double HMM::LogLikelihood() const {
  SumScales();
  return mAlphaLog[length - 1];
}

bool HMM::AddTerm(float term) {
  if (termCount >= kMaxLogTerms) return false;
  terms[termCount++] = term;
  return true;
}

float HMM::LogSum() const {
  double copy[kMaxLogTerms];
  std::copy(terms, terms + termCount, copy);
  return static_cast<float>(LogSumOf(copy, termCount));
}

std::size_t HMM::StretchBytes(int states, int positions, bool viterbi, bool continuousMode) {
  const std::size_t n = static_cast<std::size_t>(positions);
  const std::size_t cells = n * static_cast<std::size_t>(states);
  std::size_t bytes = n * (sizeof(int) + sizeof(float));  // marker, theta
  bytes += continuousMode ? n * 4 * sizeof(float) : n * sizeof(std::int16_t);
  if (viterbi) {
    bytes += cells * (sizeof(float) + sizeof(std::int16_t)) + n * sizeof(std::int16_t);
  } else {
    // alpha, beta, posterior, the emission chances, the scales and the move chances
    bytes += cells * (3 * sizeof(double) + sizeof(float)) + n * 2 * sizeof(double) +
             n * static_cast<std::size_t>(states) * states * sizeof(double);
  }
  return bytes;
}
