#include "genome/inference/copy_number_viterbi.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

namespace {

// The t density with 40 degrees of freedom is K (1 + z^2/40)^-20.5; the power is taken
// by products and one square root, which is what makes the parent-specific model cheap.
static_assert(kSignalDegrees == 40.0);
const double kLogDensityTop =
    (std::lgamma(20.5) - std::lgamma(20.0) - 0.5 * std::log(40.0 * std::numbers::pi)) /
    std::numbers::ln10;
const double kDensityTop = std::pow(10.0, kLogDensityTop);

// The natural log of a positive normal number, to some 1e-13, without a division: the
// exponent, a table entry for the mantissa's leading seven bits, and four terms of
// log(1 + r) for the rest (|r| < 1/256). The library's log costs more than the rest of a
// position's work together.
constexpr int kLogTableBits = 7;
struct LogTable {
  std::array<double, (1 << kLogTableBits) + 1> inverse{}, log{};
  LogTable() {
    for (int k = 0; k <= (1 << kLogTableBits); ++k) {
      const double centre = 1.0 + (k + 0.5) / (1 << kLogTableBits);
      inverse[k] = 1.0 / centre;
      log[k] = std::log(centre);
    }
  }
};
const LogTable kLogTable;

inline double FastLog(double u) {
  auto bits = std::bit_cast<std::uint64_t>(u);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
  const auto k = static_cast<int>((bits >> (52 - kLogTableBits)) & ((1 << kLogTableBits) - 1));
  bits = (bits & 0x000FFFFFFFFFFFFFULL) | 0x3FF0000000000000ULL;
  const double r = std::bit_cast<double>(bits) * kLogTable.inverse[k] - 1.0;
  const double series = r * (1.0 + r * (-0.5 + r * (1.0 / 3 - r * 0.25)));
  return exponent * std::numbers::ln2 + kLogTable.log[k] + series;
}

// Four lanes of float: the total-copy model's rows are worked out four states at a time.
using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

Floats4 Select(Ints4 mask, Floats4 yes, Floats4 no) {
  return std::bit_cast<Floats4>((std::bit_cast<Ints4>(yes) & mask) |
                                (std::bit_cast<Ints4>(no) & ~mask));
}

// The log10 t densities of four scaled residuals, in float (to some 1e-7): the exponent,
// and the series of atanh on the mantissa brought within [sqrt(1/2), sqrt(2)). The
// residuals stay below 1e15, so 1 + z^2/40 is a normal float of at least 1.
Floats4 LogDensity4(Floats4 z) {
  constexpr float kPower = static_cast<float>(20.5 / std::numbers::ln10);
  const Floats4 u = 1.0f + z * z * (1.0f / 40);
  const Ints4 bits = std::bit_cast<Ints4>(u);
  Ints4 exponent = ((bits >> 23) & 0xFF) - 127;
  Floats4 m = std::bit_cast<Floats4>((bits & 0x007FFFFF) | 0x3F800000);
  const Ints4 high = m > std::numbers::sqrt2_v<float>;
  m = Select(high, m * 0.5f, m);
  exponent -= high;  // true is -1
  const Floats4 s = (m - 1.0f) / (m + 1.0f);
  const Floats4 s2 = s * s;
  const Floats4 series =
      2.0f * s * (1.0f + s2 * (1.0f / 3 + s2 * (1.0f / 5 + s2 * (1.0f / 7 + s2 * (1.0f / 9)))));
  const Floats4 ln =
      __builtin_convertvector(exponent, Floats4) * std::numbers::ln2_v<float> + series;
  return static_cast<float>(kLogDensityTop) - kPower * ln;
}

// log10 of a chance, floored at kImpossibleLog like SafeLog10.
inline double ChanceLog(double p) {
  if (!(p >= 1e-300) || !(p <= 1e300)) return SafeLog10(p);
  return std::max(FastLog(p) / std::numbers::ln10, static_cast<double>(kImpossibleLog));
}

// The log10 density of a scaled residual, which the caller keeps finite.
inline double LogDensity(double z) {
  constexpr double kPower = 20.5 / std::numbers::ln10;
  const double value = kLogDensityTop - kPower * FastLog(1.0 + z * z * (1.0 / 40));
  return std::max(value, static_cast<double>(kImpossibleLog));
}

double Density(double z) {
  const double u = 1.0 + z * z / 40.0;
  const double u2 = u * u;
  const double u4 = u2 * u2;
  const double u16 = u4 * u4 * u4 * u4;
  const double value = kDensityTop / (u16 * u4 * std::sqrt(u));
  return std::isfinite(value) ? value : 0.0;
}

// The density of signal x (scale sd) around mean m, the scale widening with m.
double DensityAt(double x, double sd, double m) {
  return Density((x - m) / (sd * std::max(m * 0.5, 0.5)));
}

// The best and second-best state of a set, the lower state first among equal costs.
struct BestTwo {
  double bestCost = std::numeric_limits<double>::infinity();
  double secondCost = std::numeric_limits<double>::infinity();
  int best = -1;
  int second = -1;

  void Take(int state, double cost) {
    if (cost < bestCost) {
      second = best;
      secondCost = bestCost;
      best = state;
      bestCost = cost;
    } else if (cost < secondCost) {
      second = state;
      secondCost = cost;
    }
  }
  // The best state other than j; -1 when there is none.
  int Without(int j) const { return best != j ? best : second; }
};

// Keeps the lower (cost, state) pair.
void Consider(double cost, int state, double& bestCost, int& bestState) {
  if (state < 0) return;
  if (cost < bestCost || (cost == bestCost && state < bestState)) {
    bestCost = cost;
    bestState = state;
  }
}

}  // namespace

namespace {

// Per state of a total-copy model its level and the inverse of the width of its density,
// also as lanes of four (the last lanes repeating the last state).
struct StateWidths {
  std::vector<double> level, inverseWidth;
  std::vector<Floats4> level4, inverseWidth4;
  explicit StateWidths(const HMM& hmm) {
    const auto levels = static_cast<int>(hmm.copyLevel.size());
    for (int s = 0; s < hmm.numState; ++s) {
      const double c = s < levels ? hmm.copyLevel[s] : 0;
      level.push_back(c);
      inverseWidth.push_back(1.0 / std::max(c * 0.5, 0.5));
    }
    for (int s = 0; s < hmm.numState; s += 4) {
      Floats4 c{}, w{};
      for (int k = 0; k < 4; ++k) {
        const int state = std::min(s + k, hmm.numState - 1);
        c[k] = static_cast<float>(level[state]);
        w[k] = static_cast<float>(inverseWidth[state]);
      }
      level4.push_back(c);
      inverseWidth4.push_back(w);
    }
  }
};

// Residuals at most this large keep the float lanes far from overflow.
constexpr double kLaneResidual = 1e15;

// The row of a total-copy model into room for whole lanes of four.
void TotalCopyRow(const HMM& hmm, const StateWidths& widths, int t, float* row) {
  const int n = hmm.numState;
  const double x = hmm.x[t];
  if (x == kMissingSignal) {
    std::fill(row, row + n, 0.0f);
    return;
  }
  const double inverse = 1.0 / hmm.sdX[t];
  // A float signal over a positive float scale keeps every residual's square finite.
  if (!std::isfinite(x) || !(inverse > 0) || !std::isfinite(inverse)) {
    std::fill(row, row + n, kImpossibleLog);
    return;
  }
  const double farthest = (std::abs(x) + widths.level.back()) * inverse * 2;
  if (farthest < kLaneResidual) {
    const auto x4 = static_cast<float>(x);
    const auto inverse4 = static_cast<float>(inverse);
    for (std::size_t block = 0; block < widths.level4.size(); ++block) {
      const Floats4 z = (x4 - widths.level4[block]) * inverse4 * widths.inverseWidth4[block];
      const Floats4 value = LogDensity4(z);
      std::memcpy(row + block * 4, &value, sizeof value);
    }
    return;
  }
  for (int s = 0; s < n; ++s)
    row[s] =
        static_cast<float>(LogDensity((x - widths.level[s]) * inverse * widths.inverseWidth[s]));
}

}  // namespace

void CopyEmissionRow(const HMM& hmm, int t, double* row) {
  const int n = hmm.numState;
  if (!hmm.parentSpecific) {
    const StateWidths widths(hmm);
    std::vector<float> lanes(widths.level4.size() * 4);
    TotalCopyRow(hmm, widths, t, lanes.data());
    std::copy(lanes.begin(), lanes.begin() + n, row);
    return;
  }
  const auto levels = static_cast<int>(hmm.copyLevel.size());
  const auto level = [&](int s) -> double { return s >= 0 && s < levels ? hmm.copyLevel[s] : 0; };
  const double x = hmm.x[t];
  if (hmm.x[t] == kMissingSignal || hmm.y[t] == kMissingSignal) {
    std::fill(row, row + n, 0.0);
    return;
  }
  const double y = hmm.y[t];
  const double sdX = hmm.sdX[t];
  const double sdY = hmm.sdY[t];
  // The densities at every parental level, and at no copy.
  double atX[MAX_STATE];
  double atY[MAX_STATE];
  const int parental = std::min(levels, MAX_STATE);
  for (int k = 0; k < parental; ++k) {
    atX[k] = DensityAt(x, sdX, level(k));
    atY[k] = DensityAt(y, sdY, level(k));
  }
  const double noneX = DensityAt(x, sdX, 0);
  const double noneY = DensityAt(y, sdY, 0);
  const auto parentalCount = static_cast<int>(hmm.parentStateA.size());
  for (int s = 0; s < n; ++s) {
    const int a = s < parentalCount ? hmm.parentStateA[s] : 0;
    const int b = s < parentalCount ? hmm.parentStateB[s] : 0;
    const bool known = a >= 0 && a < parental && b >= 0 && b < parental;
    const double fxA = known ? atX[a] : noneX;
    const double fxB = known ? atX[b] : noneX;
    const double fyA = known ? atY[a] : noneY;
    const double fyB = known ? atY[b] : noneY;
    const double both = level(a) + level(b);
    // Both alleles A, one each way round, both B.
    const double sum =
        DensityAt(x, sdX, both) * noneY + fxA * fyB + fxB * fyA + noneX * DensityAt(y, sdY, both);
    row[s] = SafeLog10(sum * 0.25);
  }
}

void MakeSwitchCosts(const HMM& hmm, SwitchCosts* costs) {
  const int n = hmm.numState;
  costs->start.assign(hmm.start, hmm.start + n);
  costs->startKind.resize(static_cast<std::size_t>(n));
  // The start chances take few distinct values; the logs of the two moves are worked out
  // once per value and position.
  std::vector<float> kinds;
  for (int j = 0; j < n; ++j) {
    const auto found = std::find(kinds.begin(), kinds.end(), hmm.start[j]);
    costs->startKind[j] = static_cast<int>(found - kinds.begin());
    if (found == kinds.end()) kinds.push_back(hmm.start[j]);
  }
  const auto count = static_cast<int>(kinds.size());
  costs->kinds = count;
  const auto moves = static_cast<std::size_t>(std::max(hmm.length - 1, 0));
  costs->stay.resize(moves * count);
  costs->move.resize(moves * count);
  for (std::size_t t = 0; t < moves; ++t) {
    const double q = hmm.theta[t];
    float* stay = &costs->stay[t * count];
    float* move = &costs->move[t * count];
    if (t > 0 && hmm.theta[t - 1] == hmm.theta[t]) {
      std::copy(stay - count, stay, stay);
      std::copy(move - count, move, move);
      continue;
    }
    for (int k = 0; k < count; ++k) {
      const double start = kinds[k];
      stay[k] = -static_cast<float>(ChanceLog(q * start + (1 - q)));
      move[k] = -static_cast<float>(ChanceLog(q * start));
    }
  }
}

bool ViterbiByChange(HMM& hmm) {
  SwitchCosts costs;
  MakeSwitchCosts(hmm, &costs);
  return ViterbiByChange(hmm, costs);
}

bool ViterbiByChange(HMM& hmm, const SwitchCosts& costs) {
  const int n = hmm.numState;
  const int length = hmm.length;
  const auto moves =
      static_cast<std::size_t>(std::max(length - 1, 0)) * static_cast<std::size_t>(costs.kinds);
  if (costs.startKind.size() != static_cast<std::size_t>(n) || costs.stay.size() < moves ||
      costs.move.size() < moves)
    return ViterbiByChange(hmm);
  const auto cells = static_cast<std::size_t>(length) * static_cast<std::size_t>(n);
  if (hmm.back.size() < cells) hmm.back.resize(cells);
  if (hmm.path.size() < static_cast<std::size_t>(length)) hmm.path.resize(length);

  const bool parentSpecific = hmm.parentSpecific &&
                              static_cast<int>(hmm.parentStateA.size()) >= n &&
                              static_cast<int>(hmm.parentStateB.size()) >= n;
  int parentalValues = 0;
  if (parentSpecific) {
    for (int s = 0; s < n; ++s)
      parentalValues = std::max({parentalValues, hmm.parentStateA[s] + 1, hmm.parentStateB[s] + 1});
  }

  std::vector<double> previous(static_cast<std::size_t>(n)), current(previous.size()),
      emitted(previous.size());
  std::vector<BestTwo> byFirst(static_cast<std::size_t>(parentalValues)), bySecond(byFirst.size());

  const StateWidths widths(hmm);
  std::vector<float> lanes(widths.level4.size() * 4);
  const auto emit = [&](int t) {
    if (parentSpecific) {
      CopyEmissionRow(hmm, t, emitted.data());
    } else {
      TotalCopyRow(hmm, widths, t, lanes.data());
    }
  };
  emit(0);
  for (int i = 0; i < n; ++i) {
    const double first = parentSpecific ? emitted[i] : lanes[i];
    previous[i] = -static_cast<double>(hmm.logStart[i]) - first;
    hmm.back[i] = -1;
  }
  BestTwo all;
  for (int i = 0; i < n; ++i) all.Take(i, previous[i]);
  for (int t = 1; t < length; ++t) {
    const std::size_t at = static_cast<std::size_t>(t - 1) * static_cast<std::size_t>(costs.kinds);
    const float* stayCost = &costs.stay[at];
    const float* moveCost = &costs.move[at];
    if (parentSpecific) {
      all = BestTwo{};
      for (int i = 0; i < n; ++i) all.Take(i, previous[i]);
      std::fill(byFirst.begin(), byFirst.end(), BestTwo{});
      std::fill(bySecond.begin(), bySecond.end(), BestTwo{});
      for (int i = 0; i < n; ++i) {
        byFirst[hmm.parentStateA[i]].Take(i, previous[i]);
        bySecond[hmm.parentStateB[i]].Take(i, previous[i]);
      }
    }
    emit(t);
    std::int16_t* back = &hmm.back[static_cast<std::size_t>(t) * n];
    if (!parentSpecific) {
      // The best way in from another state comes from the overall best, and into the
      // best itself from the second best. The bests of this position are kept for the
      // next as the costs are made.
      const int from = all.best;
      const double fromCost = all.bestCost;
      const auto step = [&](int j, int source, double sourceCost) {
        const int kind = costs.startKind[j];
        const double stay = previous[j] + stayCost[kind];
        const double move = sourceCost + moveCost[kind];
        const bool moved = source >= 0 && (move < stay || (move == stay && source < j));
        back[j] = static_cast<std::int16_t>(moved ? source : j);
        return (moved ? move : stay) - lanes[j];
      };
      const double intoBest = step(from, all.second, all.secondCost);
      BestTwo next;
      for (int j = 0; j < n; ++j) {
        current[j] = j == from ? intoBest : step(j, from, fromCost);
        next.Take(j, current[j]);
      }
      all = next;
    } else {
      for (int j = 0; j < n; ++j) {
        const int kind = costs.startKind[j];
        double best = previous[j] + stayCost[kind];
        int arg = j;
        const int a = hmm.parentStateA[j];
        const int b = hmm.parentStateB[j];
        const int sameFirst = byFirst[a].Without(j);
        const int sameSecond = bySecond[b].Without(j);
        if (sameFirst >= 0) Consider(previous[sameFirst] + moveCost[kind], sameFirst, best, arg);
        if (sameSecond >= 0) Consider(previous[sameSecond] + moveCost[kind], sameSecond, best, arg);
        // A move that changes both parental states costs the floor; the overall best
        // stands for all of them, since any other such state is no better.
        const int other = all.Without(j);
        if (other >= 0) {
          const bool allowed = hmm.parentStateA[other] == a || hmm.parentStateB[other] == b;
          const double cost = allowed ? moveCost[kind] : -static_cast<double>(kImpossibleLog);
          Consider(previous[other] + cost, other, best, arg);
        }
        current[j] = best - emitted[j];
        back[j] = static_cast<std::int16_t>(arg);
      }
    }
    previous.swap(current);
  }
  int bestState = 0;
  for (int i = 1; i < n; ++i) {
    if (previous[i] < previous[bestState]) bestState = i;
  }
  hmm.bestCost = static_cast<float>(previous[bestState]);
  hmm.path[length - 1] = static_cast<std::int16_t>(bestState);
  for (int t = length - 2; t >= 0; --t)
    hmm.path[t] = hmm.back[static_cast<std::size_t>(t + 1) * n + hmm.path[t + 1]];
  return true;
}
