#include "genome/hmm.hpp"

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

float SafeLog10(double p) {
  if (!(p > 0)) return kImpossibleLog;
  return std::max(static_cast<float>(std::log10(p)), kImpossibleLog);
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
  logStart[state] = SafeLog10(p);
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

float HMM::Transition(int t, int i, int j, float d) const {
  if (continuous && parentSpecific && i < static_cast<int>(parentStateA.size()) &&
      j < static_cast<int>(parentStateA.size()) && parentStateA[i] != parentStateA[j] &&
      parentStateB[i] != parentStateB[j]) {
    return kImpossibleLog;
  }
  const double q = t == -1 ? Theta(d) : theta[t];
  double p;
  if (HaplotypeMode()) {
    const int ai = i / 2;
    const int aj = j / 2;
    const double stationary = start[2 * aj] + start[2 * aj + 1];
    p = ai == aj ? q * stationary + (1 - q) : q * stationary;
    double h = MarkerRate(t + 1, 0);
    if (h == -1) h = averageHetRate;
    const int bi = i % 2;
    const int bj = j % 2;
    const double stay = MarkerRate(t, 1 + bi);  // P00 from bit 0, P11 from bit 1
    double factor;
    if (stay != -1) {
      factor = bi == bj ? stay : 1 - stay;
    } else {
      factor = bj == 1 ? h : 1 - h;
    }
    p *= factor;
  } else {
    p = i == j ? q * start[i] + (1 - q) : q * start[j];
  }
  return SafeLog10(p);
}

float HMM::Emission(int state, int t) const {
  if (!continuous) {
    const int symbol = obs[t];
    // A symbol outside the table carries no information.
    if (symbol < 0 || symbol >= numSymbol) return 0;
    if (hetFromGenome && state == 1 && symbol <= 1) {
      const float h = MarkerRate(t, 0);
      if (h != -1) return SafeLog10(symbol == 1 ? h : 1 - h);
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
  return SafeLog10(sum);
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

bool HMM::ForwardBackward() {
  const std::size_t cells = Row(length);
  Size(alpha, cells);
  Size(beta, cells);
  Size(posterior, cells);
  if (expectation) Size(x, static_cast<std::size_t>(length));
  const int n = numState;
  std::vector<float> moves(static_cast<std::size_t>(n) * n);
  std::vector<double> emissions(static_cast<std::size_t>(n));
  std::vector<double> list(static_cast<std::size_t>(n));
  // Only the first kMaxLogTerms terms of a sum are added.
  const int termLimit = std::min(n, kMaxLogTerms);
  TimedPump pump;

  for (int i = 0; i < n; ++i) alpha[i] = Emission(i, 0) + logStart[i];
  for (int t = 0; t + 1 < length; ++t) {
    FillTransitions(t, moves.data());
    const double* from = &alpha[Row(t)];
    double* to = &alpha[Row(t + 1)];
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < termLimit; ++i)
        list[i] = moves[static_cast<std::size_t>(i) * n + j] + from[i];
      to[j] = LogSumOf(list.data(), termLimit) + Emission(j, t + 1);
    }
  }
  for (int i = 0; i < termLimit; ++i) list[i] = alpha[Row(length - 1) + i];
  const double total = LogSumOf(list.data(), termLimit);

  for (int i = 0; i < n; ++i) beta[Row(length - 1) + i] = 0;
  for (int t = length - 2; t >= 0; --t) {
    FillTransitions(t, moves.data());
    for (int j = 0; j < n; ++j) emissions[j] = Emission(j, t + 1) + beta[Row(t + 1) + j];
    for (int i = 0; i < n; ++i) {
      const float* row = &moves[static_cast<std::size_t>(i) * n];
      for (int j = 0; j < termLimit; ++j) list[j] = row[j] + emissions[j];
      beta[Row(t) + i] = LogSumOf(list.data(), termLimit);
    }
    pump.Tick();
  }

  for (int t = 0; t < length; ++t) {
    double expected = 0;
    for (int i = 0; i < n; ++i) {
      const std::size_t cell = Row(t) + i;
      const double p = std::pow(10.0, alpha[cell] + beta[cell] - total);
      const float clamped = static_cast<float>(std::clamp(p, 0.0, 1.0));
      posterior[cell] = clamped;
      expected += i * static_cast<double>(clamped);
    }
    if (expectation) x[t] = static_cast<float>(expected);
  }
  return true;
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
    bytes += cells * (2 * sizeof(double) + sizeof(float));
  }
  return bytes;
}
