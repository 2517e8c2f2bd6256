#include "tools/synth/compare_data.hpp"

#include <cmath>
#include <stdexcept>

#include "tools/synth/random.hpp"

namespace synth {

namespace {

// n evenly spaced offsets of mean 0 and sample standard deviation 1.
std::vector<double> Pattern(int n) {
  std::vector<double> z(static_cast<std::size_t>(n));
  double sum = 0.0;
  for (int i = 0; i < n; ++i) z[static_cast<std::size_t>(i)] = i - (n - 1) / 2.0;
  for (const double v : z) sum += v * v;
  const double sd = std::sqrt(sum / (n - 1));
  for (double& v : z) v /= sd;
  return z;
}

struct SideShape {
  double mean = 0.0;
  double sd = 0.0;
  bool reversed = false;  // the pattern runs backwards, so pairs do not move together
};

// The two sets of each kind: means and spreads that put the kind past its own threshold
// only. For 4 against 4 samples: the fold kind has t = 1.69 (p about 0.18) and a paired
// t of 1.33; the difference kind t = 1.06; the t kind t = 14 with constant pair
// differences (no paired test); the paired kind a pair shift of 30 with t about 52,
// while its unpaired t is 0.05.
void Shapes(PlantedKind kind, SideShape& b, SideShape& e) {
  switch (kind) {
    case PlantedKind::kFold:
      b = {20.0, 15.0, false};
      e = {60.0, 45.0, true};
      return;
    case PlantedKind::kDifference:
      b = {2000.0, 400.0, false};
      e = {2300.0, 400.0, true};
      return;
    case PlantedKind::kTTest:
      b = {1000.0, 25.0, false};
      e = {1050.0, 25.0, true};
      return;
    case PlantedKind::kPaired:
      b = {850.0, 600.0, false};
      e = {880.0, 600.0, false};
      return;
    default:
      b = {500.0, 100.0, false};
      e = b;
      return;
  }
}

}  // namespace

CompareData MakeCompareData(const CompareDataOptions& options) {
  const int nB = options.baselineSamples;
  const int nE = options.experimentSamples;
  if (nB < 2 || nE < 2) throw std::invalid_argument("two samples a side at least");
  SynthRandom random(options.seed);
  CompareData data;
  data.samples = nB + nE;
  data.baselineSamples = nB;
  for (int k = 0; k < kPlantedKinds && k < static_cast<int>(options.genesPerKind.size()); ++k)
    for (int g = 0; g < options.genesPerKind[static_cast<std::size_t>(k)]; ++g)
      data.kinds.push_back(static_cast<PlantedKind>(k));
  random.Shuffle(data.kinds);
  if (nB != nE)
    for (const PlantedKind kind : data.kinds)
      if (kind == PlantedKind::kPaired)
        throw std::invalid_argument("paired genes need equal sides");

  const std::size_t genes = data.kinds.size();
  data.values.assign(static_cast<std::size_t>(data.samples), std::vector<float>(genes));
  data.stdErrs.assign(static_cast<std::size_t>(data.samples), std::vector<float>(genes, 0.0f));
  data.calls.assign(static_cast<std::size_t>(data.samples), std::vector<char>(genes, 'A'));
  const std::vector<double> zB = Pattern(nB);
  const std::vector<double> zE = Pattern(nE);
  // The pairs' own small wobble, so their differences have a spread.
  const std::vector<double> wobble = Pattern(nE);
  for (std::size_t g = 0; g < genes; ++g) {
    const PlantedKind kind = data.kinds[g];
    SideShape b;
    SideShape e;
    Shapes(kind, b, e);
    for (int s = 0; s < data.samples; ++s) {
      const bool base = s < nB;
      const int i = base ? s : s - nB;
      const SideShape& shape = base ? b : e;
      const std::vector<double>& z = base ? zB : zE;
      const int n = base ? nB : nE;
      double v =
          shape.mean + shape.sd * z[static_cast<std::size_t>(shape.reversed ? n - 1 - i : i)];
      if (kind == PlantedKind::kPaired && !base)
        v += 0.5 * wobble[static_cast<std::size_t>((i + 1) % n)];
      if (kind == PlantedKind::kNoise) v = 500.0 + 100.0 * random.Normal();
      data.values[static_cast<std::size_t>(s)][g] = static_cast<float>(v);
      data.stdErrs[static_cast<std::size_t>(s)][g] = static_cast<float>(0.05 * std::fabs(v) + 1.0);
      if (kind == PlantedKind::kPresent) data.calls[static_cast<std::size_t>(s)][g] = 'P';
    }
  }
  return data;
}

}  // namespace synth
