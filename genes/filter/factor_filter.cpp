#include "genes/filter/factor_filter.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/log_channel.hpp"
#include "engine/services/logged_replacement.hpp"
#include "engine/services/output_file_registry.hpp"
#include "genes/filter/factor_correlation.hpp"
#include "genes/filter/factor_design.hpp"
#include "genes/filter/gene_columns.hpp"
#include "genes/filter/probe_set_blocks.hpp"
#include "genes/filter/sample_values.hpp"
#include "platform/file_replacement.hpp"

namespace {

bool WriteFailed(const std::string& path, const platform::FileReplacement& file) {
  return LogWriteFailure(kFactorWriteFailedStart + path + kFactorWriteFailedEnd, file.Error());
}

}  // namespace

bool FilterGenesByFactor(const std::string& path) {
  const GroupSettings& settings = TheGroup().Settings();
  LogMessage(kObtainFactorMessage);
  const FactorNames names = SplitFactorNames(settings.ANOVA_FACTOR);
  if (!SampleGrouping.SetSampleVariable(0, names.first, false)) return false;
  if (names.first.find(kNumericMarker) != std::string::npos)
    return WriteFactorFilterResult(path, -1);
  const bool twoFactors = !names.second.empty();
  if (twoFactors) {
    // A numeric column fills the weights and leaves variable 1 as it was.
    if (names.second.find(kNumericMarker) != std::string::npos) {
      LogMessage(MessageBuffer(kNumericSecondFactorMessage, names.second.c_str()), 0, kLogRed);
      return false;
    }
    if (!SampleGrouping.SetSampleVariable(1, names.second, false)) return false;
  }
  const FactorDesign design = FactorDesignFromGrouping(twoFactors ? 2 : 1);
  LogMessage(MessageBuffer(kFactorSamplesMessage, design.known, SampleGrouping.SampleCount(),
                           settings.ANOVA_FACTOR.c_str()));

  platform::FileReplacement file;
  if (!file.Open(path)) return WriteFailed(path, file);
  std::string text;
  WriteGeneColumnsHeader(text);
  text += "p-value\n";

  const double threshold = settings.ANOVA_PVALUE;
  LogMessage("");
  LogMessage(kFilteringByMessage + ThresholdText(threshold));
  LogMessage(MessageBuffer(kFactorListMessage, settings.ARRAY_LIST_FILE.c_str(),
                           settings.USE_STD_SEP != 0 ? "Yes" : "No"));
  LogMessage(MessageBuffer(kFactorGeneMessage, 0));
  // The limit is the design's, not a gene's: one line for the run.
  if (design.TooManyCategories())
    LogMessage(MessageBuffer(kInteractionCategoriesMessage, kMaxInteractionCategories,
                             std::max(design.heldFirst, design.heldSecond)),
               0, kLogRed);

  const int units = std::max(Layout.unitCount, 0);
  const bool omitControls = settings.OMIT_VOSK != 0;
  std::vector<double> pValues(static_cast<std::size_t>(units), MISSING_VALUE);
  std::vector<std::uint8_t> noReplicates(static_cast<std::size_t>(units), 0);
  PrepareSampleValueReads();
  RunProbeSetBlocks(
      units,
      [&](int first, int end) {
        std::vector<double> values(static_cast<std::size_t>(SampleGrouping.SampleCount()));
        for (int unit = first; unit < end; ++unit) {
          if (omitControls && IsControlUnit(unit)) continue;
          const FactorTest test = TestFactor(design, unit, values);
          pValues[static_cast<std::size_t>(unit)] = test.p;
          noReplicates[static_cast<std::size_t>(unit)] =
              test.status == FactorTestStatus::kNoReplicates ? 1 : 0;
        }
      },
      [](int done) { LogMessage(MessageBuffer(kFactorGeneMessage, done), 1); });
  int passed = 0;
  for (int unit = 0; unit < units; ++unit) {
    const double p = pValues[static_cast<std::size_t>(unit)];
    if (IsMissing(p) || p > threshold) continue;
    WriteGeneColumns(text, unit);
    text += MessageBuffer("%g\n", p);
    ++passed;
  }
  if (!WriteFileText(file, text) || !file.Commit()) return WriteFailed(path, file);
  LogMessage(MessageBuffer(kAnovaSavedMessage, passed, path.c_str()), 1);
  RegisterOutputFile(path, false);
  // A design without replicates fails every probe set alike: the first one names it.
  const auto firstUnreplicated = std::find(noReplicates.begin(), noReplicates.end(), 1);
  if (firstUnreplicated != noReplicates.end())
    LogMessage(
        std::string(kReplicatesNeededMessage) +
            std::string(
                Layout.units[static_cast<std::size_t>(firstUnreplicated - noReplicates.begin())]
                    .Name()),
        0, kLogRed);

  return true;
}
