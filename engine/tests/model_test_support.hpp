// Test support for the model fit and what feeds it: a fixture with its own folder, a
// started group and a model object of its own, and a group of arrays on a synthetic chip
// whose probe pairs carry synthetic model data (PM = background + value, MM = background).
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/model/model.hpp"
#include "engine/model/probe_data_cache.hpp"
#include "engine/model/psi_file.hpp"
#include "engine/services/running_scope.hpp"
#include "engine/tests/chip_test_support.hpp"
#include "tools/synth/model_data.hpp"

class ModelTest : public ChipTest {
 protected:
  static constexpr int kMismatchLevel = 100;

  ModelTest() : mModel(std::make_unique<MODEL>()) {
    StartGroup(mFolder.Path().string());
    Settings().WORKING_DIR = mFolder.Path().string();
    Settings().QVF_IN_WORKING = 0;
    Settings().PSI_MODE = kPsiDoNotUse;
    Settings().MODEL_METHOD = kModelPmMmDifference;
    Settings().DETECT_SINGLE_OUTLIER = 1;
    Settings().DETECT_ARRAY_OUTLIER = 1;
    Settings().DETECT_PROBE_OUTLIER = 1;
    Settings().HANDLE_IMAGE_SPIKE = 0;
    Settings().NO_REP_ARRAY_OUTLIER = 0;
    Settings().ZERO_NEG_DIFF = 0;
    Settings().SEPARATE_AB_SIGNAL = 0;
    Settings().OUTLIER_IN_RANGE = 0;
    Settings().USE_UNNORM = 0;
    ExcludedFivePrimeProbes = 0;
  }
  ~ModelTest() override {
    Psi.FreePsiPlanes();
    ProbeCache.FreeProbeCache();
    ExcludedFivePrimeProbes = 0;
    DiscardGroup();
  }

  static GroupSettings& Settings() { return TheGroup().Settings(); }

  MODEL& Fit() { return *mModel; }

  // Fits the truth's values directly with the options; every array called present.
  MODEL& FitTruth(const synth::ModelDataTruth& truth, const ModelOptions& options = {}) {
    const std::vector<char> calls(static_cast<std::size_t>(truth.arrays), 'P');
    EXPECT_TRUE(mModel->LoadData(truth.arrays, truth.probes, truth.values, calls, options));
    return *mModel;
  }

  // A chip of `units` probe sets of `pairs` pairs each and a group of `arrays` arrays whose
  // intensity planes hold, per probe set, the model data made from base with the seed
  // moved by the probe set's index. The values are rounded to whole intensities;
  // Values(u) gives them as the fit sees them (PM - MM).
  void MakeGroup(int arrays, int units, int pairs, const synth::ModelDataOptions& base,
                 const std::string& chipType = "") {
    synth::ChipOptions chipOptions;
    chipOptions.dimension = 40;
    chipOptions.unitCount = units;
    chipOptions.minPairs = pairs;
    chipOptions.maxPairs = pairs;
    chipOptions.seed = 3;
    chipOptions.chipType = chipType;
    mChip = MakeChip(chipOptions);
    ASSERT_TRUE(Load(Write(mChip, synth::ChipForm::kTextCdf)));
    mValues.assign(static_cast<std::size_t>(units), {});

    Group& group = TheGroup();
    group.ClearGroup();
    const std::size_t cells =
        static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
    for (int i = 0; i < arrays; ++i) {
      ArraySlot& slot = group.NextArraySlot();
      slot.name = "array" + std::to_string(i);
      slot.dataFile = mFolder.File(slot.name + ".CEL");
      slot.intensities.assign(cells, 0);
      slot.calls.assign(static_cast<std::size_t>(units), 'P');
      slot.background.fill(0);
      ASSERT_TRUE(group.CountArray());
    }
    for (int u = 0; u < units; ++u) {
      synth::ModelDataOptions options = base;
      options.arrays = arrays;
      options.probes = pairs;
      options.seed = base.seed + static_cast<std::uint64_t>(u);
      const synth::ModelDataTruth truth = synth::MakeModelData(options);
      std::vector<double>& values = mValues[static_cast<std::size_t>(u)];
      values.assign(truth.values.size(), 0.0);
      const auto positions = Layout.Positions(u);
      ASSERT_EQ(static_cast<int>(positions.size()), pairs);
      for (int i = 0; i < arrays; ++i) {
        ArraySlot& slot = group.Array(i);
        for (int j = 0; j < pairs; ++j) {
          const long pm = std::lround(kMismatchLevel + truth.Value(i, j));
          const auto pmValue = static_cast<std::uint16_t>(std::clamp(pm, 0L, 65535L));
          const PairPositions& pair = positions[static_cast<std::size_t>(j)];
          slot.intensities[Layout.CellIndex(pair[1].x, pair[1].y)] = pmValue;
          slot.intensities[Layout.CellIndex(pair[0].x, pair[0].y)] = kMismatchLevel;
          values[static_cast<std::size_t>(i * pairs + j)] = pmValue - kMismatchLevel;
        }
      }
    }
    group.HasProbeData = true;
    Settings().LOAD_PROBE_DATA = 1;
  }

  const std::vector<double>& Values(int unit) const {
    return mValues[static_cast<std::size_t>(unit)];
  }

  std::unique_ptr<MODEL> mModel;
  synth::ChipTruth mChip;
  std::vector<std::vector<double>> mValues;
};
