// The model fit gives the reference run's very bits for every method and option: each
// case fits many probe sets of mixed shapes (a single probe to past the short-list
// quantile, few arrays to a hundred, whole intensities with their ties, planted outliers,
// a bad array and a bad probe, negative and zero values) and sums the bit patterns of
// every result the model keeps. A change of summation order, of a selection's ties or of
// a rounding fails here; a deliberate one replaces the table (the test prints it).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/tests/model_test_support.hpp"
#include "engine/tests/reference_sums_support.hpp"

namespace {

class BitSum {
 public:
  void Add(std::uint64_t word) {
    for (int k = 0; k < 8; ++k) mSum = (mSum ^ ((word >> (8 * k)) & 0xffu)) * kPrime;
  }
  void Add(double value) { Add(std::bit_cast<std::uint64_t>(value)); }
  void Add(float value) { Add(static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(value))); }
  void Add(int value) { Add(static_cast<std::uint64_t>(static_cast<std::uint32_t>(value))); }
  void Add(bool value) { Add(value ? 1 : 0); }
  void Add(const std::string& text) {
    for (const char c : text) Add(static_cast<int>(c));
  }
  std::uint64_t Value() const { return mSum; }

 private:
  static constexpr std::uint64_t kPrime = 1099511628211ull;
  std::uint64_t mSum = 14695981039346656037ull;
};

// Everything the fit leaves behind that a caller can read.
void AddModel(MODEL& model, BitSum& sum) {
  const int arrays = model.ArrayCount();
  const int probes = model.ProbeCount();
  sum.Add(model.Passes());
  sum.Add(model.ArraysInUse());
  sum.Add(model.ProbesInUse());
  sum.Add(model.SingleOutlierCount());
  sum.Add(model.ExplainedFraction());
  sum.Add(model.FitsPhi());
  for (int i = 0; i < arrays; ++i) {
    sum.Add(model.ResultTheta(i));
    sum.Add(model.ThetaStdErr(i));
    sum.Add(model.IsArrayOutlier(i));
    sum.Add(model.SingleOutliersOfArray(i));
    const VALUE_TRIPLE triple = model.StoredTriple(i);
    sum.Add(triple.value);
    sum.Add(triple.stdErr);
    sum.Add(triple.outlier);
  }
  for (int j = 0; j < probes; ++j) {
    sum.Add(model.ResultPhi(j));
    sum.Add(model.PhiStdErr(j));
    sum.Add(model.IsProbeOutlier(j));
    sum.Add(model.SingleOutliersOfProbe(j));
  }
  for (int i = 0; i < arrays; ++i)
    for (int j = 0; j < probes; ++j) {
      sum.Add(model.Fitted(i, j));
      sum.Add(model.Residual(i, j));
      sum.Add(model.IsSingleOutlier(i, j));
      sum.Add(model.IsImageSpike(i, j));
    }
  for (const MODEL::LogLine& line : model.TakeLog()) {
    sum.Add(line.text);
    sum.Add(static_cast<int>(line.colour));
  }
}

struct Shape {
  int arrays;
  int probes;
};

// Shapes from one probe to past the short-list quantile's reach, and data sets of each
// in turn with noise, planted cells, a bad array or probe, and values around zero.
constexpr Shape kShapes[] = {{3, 1},    {2, 4},   {7, 2},   {12, 11}, {30, 11},
                             {100, 11}, {25, 16}, {40, 24}, {20, 25}, {9, 40}};
constexpr int kDataSets = 6;

synth::ModelDataTruth DataSet(const Shape& shape, int set) {
  synth::ModelDataOptions options;
  options.arrays = shape.arrays;
  options.probes = shape.probes;
  options.seed = 1000u + static_cast<std::uint64_t>(shape.arrays * 97 + shape.probes * 7 + set);
  options.noise = set == 0 ? 0.0 : 4.0 * set;
  options.singleOutliers = set % 3 == 1 ? 3 : 0;
  options.badArray = set == 2 ? shape.arrays / 2 : -1;
  options.badProbe = set == 3 ? shape.probes / 3 : -1;
  if (set == 4) {
    // Absent genes: effects so small that noise makes values of either sign.
    options.lowestTheta = 1.0;
    options.highestTheta = 20.0;
  }
  synth::ModelDataTruth truth = synth::MakeModelData(options);
  // Whole intensities, as a plane gives them, so that quantiles meet ties.
  if (set != 5)
    for (double& value : truth.values) value = std::round(value);
  return truth;
}

// The calls: mostly present, a few absent, so the sign rule weighs both.
std::vector<char> Calls(int arrays) {
  std::vector<char> calls(static_cast<std::size_t>(arrays), 'P');
  for (int i = 0; i < arrays; i += 3) calls[static_cast<std::size_t>(i)] = 'A';
  return calls;
}

using Sums = ReferenceSumTable;

const Sums& ReferenceSums() {
  static const Sums sums = {
      {"PM only, negatives raised", 0x77295cbdb3837fd1ull},
      {"array step only", 0xab6b73e5e9d2e115ull},
      {"average difference", 0xd91c2dde0cd7be1cull},
      {"default", 0x379cf1ec187808fdull},
      {"fixed phi", 0x57dc3a96f7dbf6b2ull},
      {"full, 5' probes left out", 0xf3f517167137b672ull},
      {"image spikes", 0x50fb6f9319578fe5ull},
      {"no array step, spikes", 0x72947c4d9bf4dd1eull},
  };
  return sums;
}

}  // namespace

class ModelReferenceChecksumsTest : public ModelTest {
 protected:
  // The sum over every shape and data set fitted with the options; on the last data set
  // the fit is also stepped pass by pass from a reset, as the probe data view does.
  std::uint64_t SumOf(const ModelOptions& options) {
    BitSum sum;
    MODEL& model = Fit();
    model.SetOnWorker(true);
    for (const Shape& shape : kShapes)
      for (int set = 0; set < kDataSets; ++set) {
        const synth::ModelDataTruth truth = DataSet(shape, set);
        std::vector<double> phi(static_cast<std::size_t>(truth.probes));
        for (int j = 0; j < truth.probes; ++j)
          phi[static_cast<std::size_t>(j)] = 0.5 + 0.25 * (j % 5);
        EXPECT_TRUE(model.LoadData(truth.arrays, truth.probes, truth.values, Calls(truth.arrays),
                                   options, phi));
        AddModel(model, sum);
        if (set + 1 < kDataSets) continue;
        model.ResetOutliers();
        for (int pass = 0; pass < 4; ++pass) {
          sum.Add(model.FitModel(true));
          AddModel(model, sum);
        }
      }
    return sum.Value();
  }
};

TEST_F(ModelReferenceChecksumsTest, EveryMethodAndOptionFitsTheReferenceBits) {
  std::map<std::string, ModelOptions> cases;
  cases["default"] = ModelOptions{};
  ModelOptions options;
  options.handleImageSpike = true;
  cases["image spikes"] = options;
  options = {};
  options.method = kModelPmOnly;
  options.zeroNegDiff = true;
  cases["PM only, negatives raised"] = options;
  options = {};
  options.method = kModelAverageDifference;
  cases["average difference"] = options;
  options = {};
  options.method = kModelFull;
  options.excludedFivePrimeProbes = 2;
  cases["full, 5' probes left out"] = options;
  options = {};
  options.fitPhi = false;
  cases["fixed phi"] = options;
  options = {};
  options.detectArrayOutlier = false;
  options.handleImageSpike = true;
  cases["no array step, spikes"] = options;
  options = {};
  options.detectSingleOutlier = false;
  options.detectProbeOutlier = false;
  cases["array step only"] = options;

  Sums sums;
  for (const auto& [name, fit] : cases) sums[name] = SumOf(fit);
  EXPECT_EQ(sums, ReferenceSums()) << "the sums of this run:\n" << SumTableLines(sums);
}
