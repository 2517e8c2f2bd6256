// What the chromosome data show for the current data type: a cell's copy number or log2
// ratio, the per-unit summary, the thresholds and the runs of significant markers.
#include <cmath>
#include <string>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"

namespace {

constexpr float kLog2Floor = -4.0f;

float PairedNormalReference(const CHROMOSOME& data, int sample, int unit, bool parentSpecific) {
  const int group = SampleGrouping.GetGroupOfSample(sample);
  if (group < 0 || SampleGrouping.GroupSize(group) <= 1) return kMissingValueFloat;
  const int normal = SampleGrouping.GroupFirstSample(group);
  if (normal == sample) return kMissingValueFloat;
  float r = data.signal.Row(normal)[unit];
  if (parentSpecific && !IsMissing(r) && !IsMissing(data.secondSignal.Row(normal)[unit]))
    r += data.secondSignal.Row(normal)[unit];
  if (r <= 0) r = 1.0f;
  // A male normal holds one X; his signal stands for two copies only there.
  const int array = SampleGrouping.GetSampleArray(normal);
  if (UnitOnX(unit) && array >= 0 && array < kMaxChroSamples &&
      data.gender[static_cast<std::size_t>(array)] == 'M')
    r *= 2;
  return r;
}

// Both parents' copy levels of a parent-specific inferred cell, added.
float ParentCopySum(const CHROMOSOME& data, float cell) {
  float a = 0;
  float b = 0;
  data.DecodeParentCopies(cell, &a, &b);
  return a + b;
}

}  // namespace

bool UnitOnX(int unit) {
  return unit >= 0 && static_cast<std::size_t>(unit) < genome_info.Unit.size() &&
         genome_info.Unit[static_cast<std::size_t>(unit)].chro == genome_info.XChroIndex();
}

float CHROMOSOME::GetValue(int sample, int unit) const {
  if (dataType != kDataCopyNumber && dataType != kDataLog2Ratio) return kMissingValueFloat;
  if (sample < 0 || sample >= sampleCount || unit < 0 || unit >= unitCount)
    return kMissingValueFloat;
  if (dataType == kDataCopyNumber && displayInferred) {
    return inferred.Empty() ? kMissingValueFloat : inferred.Row(sample)[unit];
  }
  if (signal.Empty()) return kMissingValueFloat;
  const GroupSettings& settings = TheGroup().Settings();
  const bool parentSpecific = settings.PARENT_SPECIFIC_COPY != 0 && !secondSignal.Empty();
  float v = signal.Row(sample)[unit];
  if (v == kMissingValueFloat || log2Data) return v;
  if (parentSpecific) {
    const float second = secondSignal.Row(sample)[unit];
    if (second == kMissingValueFloat) return kMissingValueFloat;
    v += second;
  }
  float r = markerStats[static_cast<std::size_t>(unit)].mean;
  if (settings.USE_PAIRED_NORMAL != 0) {
    const float paired = PairedNormalReference(*this, sample, unit, parentSpecific);
    if (paired != kMissingValueFloat) r = paired;
  }
  if (dataType == kDataCopyNumber) {
    const float copies = 2 * v / r;
    return copies > 0 ? copies : 0.0f;
  }
  if (v <= 0) return kLog2Floor;
  const float ratio = std::log2(v / r);
  return truncateLog2 && ratio < kLog2Floor ? kLog2Floor : ratio;
}

float CHROMOSOME::Summary(int unit, int type) const {
  if (!HoldsUnit(unit) || type < 0 || type >= kChroDataTypeCount) return kMissingValueFloat;
  return markerStats[static_cast<std::size_t>(unit)].summary[static_cast<std::size_t>(type)];
}

bool CHROMOSOME::IsSignificant(int unit, float value) const {
  if (ArrayType == 0 || dataType < 0 || dataType >= kChroDataTypeCount) return false;
  if (unit >= 0) value = Summary(unit, dataType);
  const std::size_t type = static_cast<std::size_t>(dataType);
  if (value == kMissingValueFloat) return false;
  if (useMinMax != 0) return value >= Max[type] || value <= Min[type];
  return value >= Threshold[type];
}

bool CHROMOSOME::FindSignificantRegions(bool report) {
  regionCount = 0;
  regions.clear();
  if (dataType == kDataLog2Ratio || (dataType == kDataCopyNumber && !displayInferred)) return true;
  bool full = false;
  for (int chro = 0; chro < genome_info.NumChro && chro < MAX_CHRO_NUM && !full; ++chro) {
    const std::vector<PositionEntry>& list = genome_info.posList[static_cast<std::size_t>(chro)];
    const int count = static_cast<int>(list.size());
    int start = -1;
    for (int i = 0; i <= count; ++i) {
      const bool significant =
          i < count && IsSignificant(list[static_cast<std::size_t>(i)].index, 0.0f);
      if (significant && start < 0) start = i;
      if (significant || start < 0) continue;
      if (regionCount == kMaxChroRegions) {
        LogMessage(kRegionLimitMessage, 0, kLogRed);
        full = true;
        break;
      }
      regions.push_back({static_cast<std::int16_t>(chro), start, i - 1});
      ++regionCount;
      start = -1;
    }
  }
  if (report && !full) LogMessage(MessageBuffer(kFoundRegionsMessage, regionCount));
  return true;
}

bool CHROMOSOME::IsInSignificantRegion(int chro, float position) const {
  if (regionCount <= 0 || chro < 0 || chro >= MAX_CHRO_NUM) return false;
  const std::vector<PositionEntry>& list = genome_info.posList[static_cast<std::size_t>(chro)];
  const int start = currentRegion >= 0 && currentRegion < regionCount ? currentRegion : 0;
  for (int k = 0; k < regionCount; ++k) {
    const ChroRegion& region = regions[static_cast<std::size_t>((start + k) % regionCount)];
    if (region.chro != chro || region.last >= static_cast<int>(list.size())) continue;
    if (list[static_cast<std::size_t>(region.first)].pos <= position &&
        position <= list[static_cast<std::size_t>(region.last)].pos)
      return true;
  }
  return false;
}

bool CHROMOSOME::PrepareDataType() {
  const int d = DefaultsIndex(method, dataType);
  const auto di = static_cast<std::size_t>(d);
  const auto type = static_cast<std::size_t>(dataType);
  if (Min[di] == kMissingValueFloat) Min[di] = kThresholdDefaults[di][0];
  if (Threshold[di] == kMissingValueFloat) Threshold[di] = kThresholdDefaults[di][1];
  if (Max[di] == kMissingValueFloat) Max[di] = kThresholdDefaults[di][2];
  Min[type] = Min[di];
  Max[type] = Max[di];
  Threshold[type] = Threshold[di];

  const bool curve = dataType == kDataLohCall || dataType == kDataAlleleSharing ||
                     (dataType == kDataCall && method == kChroAlleleSharing);
  if (curve && !computed[type]) {
    SampleGrouping.FillSampleVariable(1.0);
    float low = kMissingValueFloat;
    float high = kMissingValueFloat;
    ComputeCurve(false, &low, &high);
    computed[type] = true;
    FindSignificantRegions(false);
    return true;
  }
  if (dataType == kDataCopyNumber || dataType == kDataLog2Ratio) {
    const bool parentCells = dataType == kDataCopyNumber && displayInferred &&
                             TheGroup().Settings().PARENT_SPECIFIC_COPY != 0 &&
                             !secondSignal.Empty();
    for (int u = 0; u < unitCount; ++u) {
      float value = GetValue(currentSample, u);
      if (parentCells && value != kMissingValueFloat) value = ParentCopySum(*this, value);
      markerStats[static_cast<std::size_t>(u)].summary[type] = value;
    }
  }
  FindSignificantRegions(false);
  return true;
}

void CHROMOSOME::NextDataType(int direction) {
  if (direction == 0) {
    direction = MethodOffersDataType(method, dataType) ? 0 : 1;
  } else if (direction == -1) {
    lastDirection = -lastDirection;
    direction = lastDirection;
  } else {
    direction = 1;
  }
  if (direction == 1) lastDirection = 1;
  if (direction != 0) {
    // Every method offers type 0, so the walk ends within one turn.
    for (int step = 0; step < kChroDataTypeCount; ++step) {
      dataType =
          ((dataType + direction) % kChroDataTypeCount + kChroDataTypeCount) % kChroDataTypeCount;
      if (MethodOffersDataType(method, dataType)) break;
    }
  }
  // The settings follow, so that the options page edits the limits of the type shown.
  GroupSettings& settings = TheGroup().Settings();
  settings.CHRO_DATA = dataType;
  settings.DISPLAY_RANGE = kDataTypeDisplayRange[static_cast<std::size_t>(dataType)];
  PrepareDataType();
}

void CHROMOSOME::StepThreshold(int percent) {
  const auto type = static_cast<std::size_t>(dataType);
  float threshold = Threshold[type] + (Max[type] - Min[type]) * static_cast<float>(percent) * 0.01f;
  if (threshold < Min[type]) threshold = Min[type];
  if (threshold > Max[type]) threshold = Max[type];
  Threshold[type] = threshold;
  FindSignificantRegions(false);
}
