// Reproducible random numbers: the minimal standard generator behind a Bays-Durham
// shuffle table, polar Box-Muller normal deviates, the replicate-weighted mean and
// permutations from the run-time library's rand().
#include "engine/numerics/random_deviates.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/numerics/polar_normal.hpp"
#include "platform/runtime_rand.hpp"

namespace {

// state' = 16807 * state mod (2^31 - 1), by Schrage's factorisation so nothing overflows
// 32 bits.
constexpr std::int32_t kMultiplier = 16807;
constexpr std::int32_t kModulus = 2147483647;
constexpr std::int32_t kSchrageQuotient = 127773;
constexpr std::int32_t kSchrageRemainder = 2836;

constexpr int kShuffleTableSize = 32;
// Steps taken on a restart before the table is full: the first 8 are discarded.
constexpr int kRestartSteps = kShuffleTableSize + 8;
constexpr std::int32_t kTableDivisor = 1 + (kModulus - 1) / kShuffleTableSize;
constexpr double kInverseModulus = 4.656612875245797e-10;
constexpr double kLargestUniform = 0.99999988;

constexpr int kDeviateCacheSize = 1000;
constexpr int kWeightedMeanPasses = 20;

std::array<std::int32_t, kShuffleTableSize> gShuffleTable{};
std::int32_t gLastOutput = 0;

bool gHasStoredDeviate = false;
double gStoredDeviate = 0.0;

int gNormalDeviateSeed = -1;

// The same deviates perturb every weighted mean, so its result depends on its input only.
std::array<double, kDeviateCacheSize> gDeviateCache{};
bool gDeviateCacheFilled = false;

void StepGenerator(int* seed) {
  const std::int32_t k = *seed / kSchrageQuotient;
  *seed = kMultiplier * (*seed - k * kSchrageQuotient) - kSchrageRemainder * k;
  if (*seed < 0) *seed += kModulus;
}

void RestartGenerator(int* seed) {
  const int restart = *seed == INT_MIN ? INT_MAX : -*seed;
  *seed = restart < 1 ? 1 : restart;
  for (int j = kRestartSteps - 1; j >= 0; --j) {
    StepGenerator(seed);
    if (j < kShuffleTableSize) gShuffleTable[static_cast<std::size_t>(j)] = *seed;
  }
  gLastOutput = gShuffleTable[0];
}

void FillDeviateCache() {
  int seed = -1;
  for (double& deviate : gDeviateCache) deviate = GaussianDeviate(&seed);
  gDeviateCacheFilled = true;
}

}  // namespace

double UniformDeviate(int* seed) {
  if (*seed <= 0 || gLastOutput == 0) RestartGenerator(seed);
  StepGenerator(seed);
  const auto slot = static_cast<std::size_t>(gLastOutput / kTableDivisor);
  gLastOutput = gShuffleTable[slot];
  gShuffleTable[slot] = *seed;
  return std::min(kInverseModulus * gLastOutput, kLargestUniform);
}

double GaussianDeviate(int* seed) {
  if (*seed < 0) gHasStoredDeviate = false;
  if (gHasStoredDeviate) {
    gHasStoredDeviate = false;
    return gStoredDeviate;
  }
  const NormalPair pair = PolarNormalPair([seed] { return UniformDeviate(seed); });
  gStoredDeviate = pair.first;
  gHasStoredDeviate = true;
  return pair.second;
}

double NormalDeviate(double mean, double sd) {
  return GaussianDeviate(&gNormalDeviateSeed) * sd + mean;
}

void PrepareWeightedMeans() {
  if (!gDeviateCacheFilled) FillDeviateCache();
}

void WeightedMeanWithErrors(const double* x, const double* e, int n, double* mean, double* se) {
  PrepareWeightedMeans();
  std::vector<double> values;
  std::vector<double> errors;
  for (int i = 0; i < n; ++i) {
    if (IsMissing(x[i])) continue;
    values.push_back(x[i]);
    errors.push_back(e[i]);
  }
  const int count = static_cast<int>(values.size());
  if (count == 0) {
    *mean = MISSING_VALUE;
    *se = MISSING_VALUE;
    return;
  }
  if (count == 1) {
    *mean = values[0];
    *se = errors[0];
    return;
  }

  std::vector<double> perturbed(values.size());
  std::size_t index = 0;
  double varianceSum = 0.0;
  for (int pass = 0; pass < kWeightedMeanPasses; ++pass) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      perturbed[i] = errors[i] * gDeviateCache[index] + values[i];
      index = (index + 1) % kDeviateCacheSize;
    }
    const double deviation =
        StdDevMissing(perturbed.data(), MeanMissing(perturbed.data(), count), count, false);
    varianceSum += deviation * deviation;
  }
  const double betweenVariance = varianceSum * (1.0 / kWeightedMeanPasses);

  double weightSum = 0.0;
  double weightedSum = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double weight = 1.0 / (betweenVariance + errors[i] * errors[i]);
    weightSum += weight;
    weightedSum += weight * values[i];
  }
  *mean = weightedSum / weightSum;
  *se = std::sqrt(1.0 / weightSum);
}

void RandomPermutation(int* v, int n) {
  for (int i = 0; i < n; ++i) {
    const int j = i + platform::Rand() % (n - i);
    std::swap(v[i], v[j]);
  }
}

void ResetDeviateState() {
  gShuffleTable.fill(0);
  gLastOutput = 0;
  gHasStoredDeviate = false;
  gStoredDeviate = 0.0;
  gNormalDeviateSeed = -1;
  gDeviateCache.fill(0.0);
  gDeviateCacheFilled = false;
}
