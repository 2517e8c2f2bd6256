// GetData: the open group's calls, sample columns and signals gathered along the genome,
// the reference statistics of each unit, then the inferences of the chosen method.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "engine/base/text_helpers.hpp"
#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/numerics/db_vector.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/files/chromosome_export.hpp"
#include "genome/files/curve_file.hpp"
#include "genome/inference/copy_number.hpp"
#include "genome/inference/loh_inference.hpp"
#include "genome/inference/median_smoothing.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"

namespace {

constexpr const char* kPloidyColumn = "Ploidy(numeric)";
constexpr const char* kGenderColumn = "Gender";
// The normal mean never falls below one signal unit, so ratios against it stay bounded.
constexpr float kMinNormalMean = 1.0f;
// Beyond this share of unusable normal arrays a unit has no parent-specific reference.
constexpr float kMaxBadNormalShare = 0.33f;
// Fewer allele values than this keep the total's mean and deviation for that allele.
constexpr int kMinAlleleValues = 6;

constexpr const char* kNoSignalsMessage =
    "    No expression values or signals; please do Normalization and Model-based expression "
    "first";
constexpr const char* kTrimmedMessage =
    "    For a SNP or gene, %.1f%% of %d%s samples with extreme signals are trimmed from each "
    "end, and the rest values are used to compute normal signal mean and standard deviation";
constexpr const char* kNormalCountMessage =
    "    %d normal samples are used to compute signal mean and standard deviation";
constexpr const char* kNoNormalsMessage =
    "      If this is not log2 ratio data, specify 'Ploidy(numeric)' column as 2 for normal "
    "samples in sample information file, or set 'Options/% of samples trimmed' to be > 0";

bool SnpArray() {
  return ArrayType != 0;
}

float AsFloat(double value) {
  return IsMissing(value) ? kMissingValueFloat : static_cast<float>(value);
}

// Mean and standard deviation about it of what a vector holds, missing values skipped.
void MeanAndDeviation(const DB_VECTOR& values, double* mean, double* sd) {
  *mean = MeanMissing(values.Elements(), values.Length());
  *sd = StdDevMissing(values.Elements(), *mean, values.Length(), false);
}

// The reference values of one unit over the normal arrays.
struct ReferenceLists {
  DB_VECTOR total{kMaxChroSamples};
  DB_VECTOR a{kMaxChroSamples};
  DB_VECTOR b{kMaxChroSamples};
  int taking = 0;  // arrays that take part
  int bad = 0;     // of those, no call or a negative allele signal
  void Clear() {
    total.Clear();
    a.Clear();
    b.Clear();
    taking = bad = 0;
  }
};

}  // namespace

bool CHROMOSOME::GetCalls() {
  std::vector<int> sizes;
  for (int g = 0; g < SampleGrouping.GroupCount(); ++g)
    sizes.push_back(SampleGrouping.GroupSize(g));
  const Group& group = TheGroup();
  // Genotype calls of replicate arrays cannot be averaged: a sample's call is its first
  // array's.
  const auto callOf = [&group](int unit, int sample) {
    const int array = SampleGrouping.GetSampleArray(sample);
    if (array < 0 || array >= group.NumArrays()) return static_cast<int>(kSnpCallNoCall);
    const std::vector<char>& arrayCalls = group.Array(array).calls;
    if (unit < 0 || static_cast<std::size_t>(unit) >= arrayCalls.size())
      return static_cast<int>(kSnpCallNoCall);
    return static_cast<int>(arrayCalls[static_cast<std::size_t>(unit)]);
  };
  return GetCalls(sizes, callOf);
}

void CHROMOSOME::GetSampleColumns() {
  const int ploidyColumn = SampleInfo.FindSampleInfoColumn(kPloidyColumn);
  const int genderColumn = SampleInfo.FindSampleInfoColumn(kGenderColumn);
  const int arrays = std::min(TheGroup().NumArrays(), kMaxChroSamples);
  for (int a = 0; a < arrays; ++a) {
    const auto slot = static_cast<std::size_t>(a);
    ploidy[slot] = -1;
    if (ploidyColumn >= 0) {
      const double value = SampleInfo.NumericValue(a, ploidyColumn);
      if (!IsMissing(value)) ploidy[slot] = static_cast<float>(value);
    }
    gender[slot] = 'F';
    const int category = genderColumn >= 0 ? SampleInfo.CategoryOf(a, genderColumn) : -1;
    if (category >= 0) {
      const std::string& text =
          SampleInfo.Column(genderColumn).categories[static_cast<std::size_t>(category)].name;
      if (!text.empty())
        gender[slot] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
  }
}

bool CHROMOSOME::GetSignals() {
  const RaisedWhenIdle running;
  JobProgress& progress = Progress();
  const Group& group = TheGroup();
  const GroupSettings& settings = group.Settings();
  LogMessage("  Obtaining signal data...");
  if (!group.Modelled) {
    LogMessage(kNoSignalsMessage, 0, kLogRed);
    return false;
  }
  LogMessage(MessageBuffer("    Array list file: '%s'", settings.ARRAY_LIST_FILE.c_str()));
  LogMessage(MessageBuffer(kUnitProgressMessage, 0));

  const bool separate = SnpArray() && settings.SEPARATE_AB_SIGNAL != 0;
  const bool parentSpecific = separate && !secondSignal.Empty();
  const bool expression = method == kChroExpression;
  const int trimmed = settings.CHRO_TRIMMED_PCT;
  const int arrays = std::min(group.NumArrays(), kMaxChroSamples);
  ReferenceLists lists;
  int normalCount = 0;
  for (int u = 0; u < unitCount; ++u) {
    const bool onX = UnitOnX(u);
    for (int s = 0; s < sampleCount; ++s) {
      double value = 0;
      double second = 0;
      char call = static_cast<char>(calls.Row(s)[u]);
      SampleGrouping.GetSampleValue(u, s, &value, &second, &call);
      if (expression) calls.Row(s)[u] = static_cast<std::uint8_t>(call);
      float v = AsFloat(value);
      if (separate && parentSpecific) {
        secondSignal.Row(s)[u] = AsFloat(second);
      } else if (separate && v != kMissingValueFloat && !IsMissing(second)) {
        v += static_cast<float>(second);
      }
      signal.Row(s)[u] = v;
      if (!inferred.Empty()) inferred.Row(s)[u] = kMissingValueFloat;
    }
    MarkerStats& stats = markerStats[static_cast<std::size_t>(u)];
    stats.summary[kDataCopyNumber] = kMissingValueFloat;
    stats.summary[kDataLog2Ratio] = kMissingValueFloat;

    lists.Clear();
    for (int a = 0; a < arrays; ++a) {
      const auto slot = static_cast<std::size_t>(a);
      if (trimmed <= 0 && ploidy[slot] != 2) continue;
      ++lists.taking;
      const ArraySlot& array = group.Array(a);
      if (static_cast<std::size_t>(u) >= array.values.size()) continue;
      double valueA = array.values[static_cast<std::size_t>(u)].value;
      double valueB = separate ? array.values[static_cast<std::size_t>(u)].stdErr : 0.0;
      const int call = static_cast<std::size_t>(u) < array.calls.size()
                           ? static_cast<int>(array.calls[static_cast<std::size_t>(u)])
                           : static_cast<int>(kSnpCallNoCall);
      if (separate && (call == kSnpCallNoCall || valueA < 0 || valueB < 0)) ++lists.bad;
      if (IsMissing(valueA)) continue;
      // A male has one X: his X signal stands for two copies when doubled.
      if (onX && gender[slot] == 'M') {
        valueA *= 2;
        valueB *= 2;
      }
      lists.total.Append(valueA + valueB);
      if (!parentSpecific) continue;
      if (call == kSnpCallA) lists.a.Append(valueA);
      if (call == kSnpCallB) lists.b.Append(valueB);
      if (call == kSnpCallAB) {
        lists.a.Append(2 * valueA);
        lists.b.Append(2 * valueB);
      }
    }
    if (u == 0) normalCount = lists.taking;
    if (trimmed != 0) lists.total.TrimTails(std::abs(trimmed));
    double mean = 0;
    double sd = 0;
    MeanAndDeviation(lists.total, &mean, &sd);
    stats.mean = std::max(AsFloat(mean), kMinNormalMean);
    stats.sd = AsFloat(sd);
    if (parentSpecific) {
      stats.meanA = stats.meanB = stats.mean;
      stats.sdA = stats.sdB = stats.sd;
      const bool tooBad =
          normalCount <= 0 ||
          static_cast<float>(lists.bad) / static_cast<float>(normalCount) > kMaxBadNormalShare;
      double meanA = 0, sdA = 0, meanB = 0, sdB = 0;
      MeanAndDeviation(lists.a, &meanA, &sdA);
      MeanAndDeviation(lists.b, &meanB, &sdB);
      if (tooBad || meanA < 0 || meanB < 0) {
        stats.meanA = stats.meanB = kMissingValueFloat;
      } else {
        if (lists.a.Length() >= kMinAlleleValues) {
          stats.meanA = AsFloat(meanA);
          stats.sdA = AsFloat(sdA);
        }
        if (lists.b.Length() >= kMinAlleleValues) {
          stats.meanB = AsFloat(meanB);
          stats.sdB = AsFloat(sdB);
        }
      }
    }
    if ((u + 1) % kSignalProgressStep == 0) {
      progress.ShowProgress(MessageBuffer(kUnitProgressMessage, u + 1));
      progress.Pump();
      if (progress.Stopped()) return false;
    }
  }
  progress.ShowProgress(MessageBuffer(kUnitProgressMessage, unitCount));
  log2Data = false;
  if (trimmed != 0) {
    LogMessage(MessageBuffer(kTrimmedMessage, std::abs(trimmed) * 0.5, normalCount,
                             trimmed > 0 ? "" : " normal"));
    LogMessage("");
    return true;
  }
  LogMessage(MessageBuffer(kNormalCountMessage, normalCount), 0,
             normalCount <= 0 ? kLogRed : kLogBlack);
  if (normalCount > 0) {
    LogMessage("");
    return true;
  }
  LogMessage(kNoNormalsMessage, 0, kLogRed);
  if (SnpArray()) return false;
  log2Data = true;
  LogMessage("      Regard as log2 ratio data");
  return true;
}

namespace {

// Copy-number methods.
constexpr int kCopyMedianSmoothing = 1;
constexpr int kCopyFromFile = 2;

bool InferLohStep(CHROMOSOME& data) {
  LohRun run = OpenGroupLohRun(data);
  return data.InferLoh(run);
}

bool AlleleSharingStep(CHROMOSOME& data) {
  LogMessage("  Allele sharing analysis...");
  return data.InferAlleleSharing();
}

// The raw copy number of every cell, smoothed along each chromosome.
void SmoothCopyNumber(CHROMOSOME& data, int window) {
  std::vector<std::string> names;
  for (int s = 0; s < data.sampleCount; ++s) names.push_back(SampleGrouping.SampleName(s));
  const bool display = data.displayInferred;
  data.dataType = kDataCopyNumber;
  data.displayInferred = false;
  MedianSmoothSamples(
      data, genome_info, window,
      [&data](int sample, int unit) { return data.GetValue(sample, unit); }, names);
  data.displayInferred = display;
}

bool InferCopyNumberStep(CHROMOSOME& data) {
  GroupSettings& settings = TheGroup().Settings();
  if (!data.SetCopyLayout(settings.PARENT_SPECIFIC_COPY != 0, settings.INFER_STEP)) return false;
  const bool fromFile =
      settings.INFER_COPY_METHOD == kCopyFromFile && !IsNone(settings.INFERRED_COPY_FILE);
  if (fromFile && ReadInferredCopyFile(data, settings.INFERRED_COPY_FILE)) return true;
  if (fromFile) {
    LogMessage(kInferredCopyFallbackMessage, 0, kLogRed);
    settings.INFER_COPY_METHOD = kCopyMedianSmoothing;
  }
  if (settings.INFER_COPY_METHOD == kCopyMedianSmoothing) {
    SmoothCopyNumber(data, settings.MEDIAN_SMOOTH_WINDOW);
    return true;
  }
  LogMessage("  Inferring copy number by HMM...");
  for (int s = 0; s < data.sampleCount; ++s) {
    LogMessage(MessageBuffer("    Sample %s", SampleGrouping.SampleName(s).c_str()));
    // A stop seen after a sample ends the run as one within it does.
    if (!data.InferCopyNumber(s) || Progress().Stopped()) {
      LogMessage("    Infer copy number by HMM not finished", 0, kLogRed);
      return false;
    }
  }
  return true;
}

}  // namespace

bool CHROMOSOME::GetData() {
  Clear();
  GroupSettings& settings = TheGroup().Settings();
  const bool snp = SnpArray();
  if (!snp) {
    settings.SEPARATE_AB_SIGNAL = 0;
    settings.PARENT_SPECIFIC_COPY = 0;
  } else if (settings.SEPARATE_AB_SIGNAL == 0) {
    settings.PARENT_SPECIFIC_COPY = 0;
  }
  method = std::clamp(settings.CHRO_METHOD, 0, static_cast<int>(kChroMethodNames.size()) - 1);
  dataType = std::clamp(settings.CHRO_DATA, 0, kChroDataTypeCount - 1);
  useMinMax = settings.CHRO_USE_MIN_MAX;
  const bool parentSpecific = settings.PARENT_SPECIFIC_COPY != 0;

  if (!Allocate(SampleGrouping.SampleCount(), Layout.unitCount,
                TablesFor(method, snp, parentSpecific)))
    return false;
  // Every step leaves the flag as it found it, so a stop between steps shows here.
  const RaisedWhenIdle running;
  JobProgress& progress = Progress();
  if (snp) GetCalls();
  if (!genome_info.GetUnitPos()) return false;
  if (!refgene_info.refGenes.empty() && !refgene_info.GetUnitPos()) return false;
  LogMessage("  Look up sample information file...");
  GetSampleColumns();
  LogMessage("");
  if ((method == kChroCopyNumber || method == kChroExpression) && !GetSignals()) return false;
  // Linkage shows the curve file's scores when one is named; a file that cannot be read
  // says so and leaves the calls to show.
  if (method == kChroLinkage && !IsNone(settings.CURVE_FILE))
    ReadCurveFile(*this, settings.CURVE_FILE);
  if (snp && (method != kChroLinkage || settings.LINKAGE_INHERITANCE == 2)) {
    if (!InferLohStep(*this) || progress.Stopped()) return false;
    if (method == kChroAlleleSharing && (!AlleleSharingStep(*this) || progress.Stopped()))
      return false;
  }
  if ((method == kChroCopyNumber || method == kChroExpression) && !log2Data &&
      (!InferCopyNumberStep(*this) || progress.Stopped()))
    return false;

  dataType = log2Data ? kDataLog2Ratio : kMethodDataType[static_cast<std::size_t>(method)];
  settings.CHRO_DATA = dataType;
  currentSample = 0;
  computed.fill(false);
  PrepareDataType();
  return true;
}
