#include "genome/inference/chromosome_curve.hpp"

#include <algorithm>
#include <cstddef>
#include <string>

#include "engine/base/text_helpers.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/numerics/db_vector.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"

#define MATHLIB_STANDALONE
#include <Rmath.h>

bool PermuteUseInferred = false;

std::vector<CurveGroup> CurveGroupsOfGrouping() {
  std::vector<CurveGroup> groups;
  for (int g = 0; g < SampleGrouping.GroupCount(); ++g) {
    const int first = SampleGrouping.GroupFirstSample(g);
    CurveGroup group;
    group.sample = first + (SampleGrouping.GroupSize(g) > 1 ? 1 : 0);
    group.weight = SampleGrouping.SampleWeight(first);
    groups.push_back(group);
  }
  return groups;
}

std::vector<int> CurveMarkers(const CHROMOSOME& data) {
  std::vector<int> units;
  units.reserve(genome_info.genomeOrder.size());
  for (const int unit : genome_info.genomeOrder) {
    if (data.HoldsUnit(unit) && !UnitOnX(unit)) units.push_back(unit);
  }
  return units;
}

void CurveTracks::Reset(int groups, int markers) {
  mGroups = std::max(groups, 0);
  mMarkers = std::max(markers, 0);
  mValues.assign(static_cast<std::size_t>(mGroups) * static_cast<std::size_t>(mMarkers), 0.0f);
  mCounted.assign(static_cast<std::size_t>(mGroups), 1);
}

float* CurveTracks::Track(int group) {
  return mValues.data() + static_cast<std::size_t>(group) * static_cast<std::size_t>(mMarkers);
}

namespace {

// sum += piece over n values; the two never overlap, which lets the loop run in vector
// steps.
void AddInto(float* __restrict sum, const float* __restrict piece, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) sum[i] += piece[i];
}

}  // namespace

void CurveTracks::Curve(std::span<const int> shifts, std::vector<float>& out) const {
  const std::size_t n = static_cast<std::size_t>(mMarkers);
  out.assign(n, 0.0f);
  if (mGroups == 0) {
    std::fill(out.begin(), out.end(), kMissingValueFloat);
    return;
  }
  float* sum = out.data();
  for (int g = 0; g < mGroups; ++g) {
    if (!Counted(g)) continue;
    const int shift = g < static_cast<int>(shifts.size()) ? shifts[static_cast<std::size_t>(g)] : 0;
    const std::size_t s =
        n == 0 ? 0 : static_cast<std::size_t>(((shift % mMarkers) + mMarkers) % mMarkers);
    const float* track = mValues.data() + static_cast<std::size_t>(g) * n;
    // Two contiguous pieces: the track from s on, then its start.
    const std::size_t head = n - s;
    AddInto(sum, track + s, head);
    AddInto(sum + head, track, n - head);
  }
  const float divisor = static_cast<float>(mGroups);
  for (std::size_t i = 0; i < n; ++i) sum[i] /= divisor;
}

void CurveTracks::Extremes(std::span<const int> shifts, std::vector<float>& scratch, float* minOut,
                           float* maxOut) const {
  *minOut = kMissingValueFloat;
  *maxOut = kMissingValueFloat;
  if (mGroups == 0 || mMarkers == 0) return;
  Curve(shifts, scratch);
  const auto [low, high] = std::minmax_element(scratch.begin(), scratch.end());
  *minOut = *low;
  *maxOut = *high;
}

void CurveTracks::DrawShifts(std::vector<int>& shifts) const {
  shifts.assign(static_cast<std::size_t>(mGroups), 0);
  for (int& shift : shifts) shift = static_cast<int>((mMarkers - 1) * runif(0, 1));
}

namespace {

// Whether an inferred copy number passes the copy-number type's limits.
bool CopyNumberSignificant(CHROMOSOME& data, float value) {
  const int saved = data.dataType;
  data.dataType = kDataCopyNumber;
  const bool significant = data.IsSignificant(-1, value);
  data.dataType = saved;
  return significant;
}

// Every group's values of the current data type along the curve's markers, weighted. False
// when the table the type reads is not held or a group's sample lies beyond it.
bool GatherCurve(CHROMOSOME& data, CurveTracks& tracks, std::vector<int>& units) {
  const bool loh = data.dataType == kDataLohCall;
  const SampleMatrix<float>& table = loh ? data.lohCodes : data.inferred;
  if (table.Empty()) return false;
  const std::vector<CurveGroup> groups = CurveGroupsOfGrouping();
  units = CurveMarkers(data);
  if (PermuteUseInferred) data.useMinMax = 1;
  const bool dropInferred = loh && PermuteUseInferred && !data.inferred.Empty();
  const int n = static_cast<int>(units.size());
  tracks.Reset(static_cast<int>(groups.size()), n);
  for (int g = 0; g < tracks.Groups(); ++g) {
    const CurveGroup& group = groups[static_cast<std::size_t>(g)];
    if (group.sample < 0 || group.sample >= data.sampleCount) return false;
    if (group.weight == kExcludedWeight) {
      tracks.Exclude(g);
      continue;
    }
    const float* values = table.Row(group.sample);
    const float* inferred = dropInferred ? data.inferred.Row(group.sample) : nullptr;
    float* track = tracks.Track(g);
    for (int i = 0; i < n; ++i) {
      const int unit = units[static_cast<std::size_t>(i)];
      float b = loh ? 1 - values[unit] : values[unit];
      if (inferred != nullptr && CopyNumberSignificant(data, inferred[unit])) b = 0;
      // A cell no inference reached adds nothing rather than a missing marker's number.
      track[i] = IsMissing(values[unit]) ? 0.0f : group.weight * b;
    }
  }
  return true;
}

}  // namespace

bool CHROMOSOME::ComputeCurve(bool permute, float* minOut, float* maxOut) {
  if (minOut != nullptr) *minOut = kMissingValueFloat;
  if (maxOut != nullptr) *maxOut = kMissingValueFloat;
  if (dataType < 0 || dataType >= kChroDataTypeCount) return false;
  CurveTracks tracks;
  std::vector<int> units;
  if (!GatherCurve(*this, tracks, units)) return false;
  tracks.DrawShifts(groupShift);
  std::vector<float> curve;
  if (permute) {
    float low = kMissingValueFloat, high = kMissingValueFloat;
    tracks.Extremes(groupShift, curve, &low, &high);
    if (minOut != nullptr) *minOut = low;
    if (maxOut != nullptr) *maxOut = high;
    return true;
  }
  tracks.Curve({}, curve);
  for (std::size_t i = 0; i < units.size(); ++i)
    markerStats[static_cast<std::size_t>(units[i])].summary[static_cast<std::size_t>(dataType)] =
        curve[i];
  return true;
}

bool CHROMOSOME::PermuteCurve() {
  const RaisedWhenIdle running;
  const GroupSettings& settings = TheGroup().Settings();
  LogMessage(kPermuteStartMessage, 0, kLogBlue);
  if (dataType < 0 || dataType >= kChroDataTypeCount) return false;
  const double level = std::clamp(settings.SIG_GENE_PVALUE, 0.0, 1.0);
  const std::string typeName(kChroDataTypeNames[static_cast<std::size_t>(dataType)]);
  // An empty factor names no column, as "None" does.
  const std::string& factor = settings.ANOVA_FACTOR;
  if (factor.empty() || Contains(factor, "None")) {
    LogMessage(MessageBuffer(kAssessScoreMessage, typeName.c_str(), level));
    SampleGrouping.FillSampleVariable(1.0);
  } else {
    LogMessage(MessageBuffer(kCorrelateMessage, factor.c_str(), typeName.c_str(), level));
    if (!SampleGrouping.SetSampleVariable(0, factor, true)) return false;
  }
  if (!ComputeCurve(false, nullptr, nullptr)) return false;

  CurveTracks tracks;
  std::vector<int> units;
  if (!GatherCurve(*this, tracks, units)) return false;
  permuteRounds = kPermuteRoundCount;
  LogMessage(MessageBuffer(kPermuteRoundMessage, 0));
  DB_VECTOR minima(kPermuteListCapacity);
  DB_VECTOR maxima(kPermuteListCapacity);
  std::vector<float> scratch;
  JobProgress& progress = Progress();
  for (int round = 1; round <= permuteRounds; ++round) {
    tracks.DrawShifts(groupShift);
    float low = kMissingValueFloat, high = kMissingValueFloat;
    tracks.Extremes(groupShift, scratch, &low, &high);
    if (!IsMissing(high)) maxima.Append(high);
    if (!IsMissing(low)) minima.Append(low);
    if (round % kPermuteProgressStep == 0)
      progress.ShowProgress(MessageBuffer(kPermuteRoundMessage, round));
    progress.Pump();
    if (progress.Stopped()) return false;
  }
  const auto d = static_cast<std::size_t>(dataType);
  Min[d] = static_cast<float>(SelectQuantile(minima.Elements(), minima.Length(), level));
  Max[d] = static_cast<float>(SelectQuantile(maxima.Elements(), maxima.Length(), 1 - level));
  Threshold[d] = Max[d];
  FindSignificantRegions(true);
  return true;
}

void CHROMOSOME::SetRangeFromCurve() {
  if (dataType < 0 || dataType >= kChroDataTypeCount) return;
  const auto d = static_cast<std::size_t>(dataType);
  Min[d] = 1;
  Max[d] = 0;
  for (const int unit : CurveMarkers(*this)) {
    const float value = Summary(unit, dataType);
    if (IsMissing(value)) continue;
    Min[d] = std::min(Min[d], value);
    Max[d] = std::max(Max[d], value);
  }
  Threshold[d] = (Min[d] + Max[d]) / 2;
}
