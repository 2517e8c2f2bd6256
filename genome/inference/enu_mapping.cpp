// The ENU cross mapping as a member of CHROMOSOME.
#include "genome/inference/enu_mapping.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/inference/marker_spacing.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"

std::array<float, kEnuStates> EnuStartChances(int generation) {
  if (generation < 0 || generation >= kEnuGenerations) return {0, 0, 0};
  const auto [x, y] = kEnuGenerationTable[static_cast<std::size_t>(generation)];
  return {x * y, (1 - x) * (1 - y), y * (1 - x) + x * (1 - y)};
}

std::array<float, kEnuStates> EnuPhenotypeWeights(const std::array<float, kEnuStates>& start,
                                                  const std::array<float, kEnuStates>& affected,
                                                  bool isAffected) {
  std::array<float, kEnuStates> w{};
  float sum = 0;
  for (std::size_t k = 0; k < w.size(); ++k) {
    w[k] = (isAffected ? affected[k] : 1 - affected[k]) * start[k];
    sum += w[k];
  }
  if (!(sum > 0)) return {0, 0, 0};
  for (float& v : w) v /= sum;
  return w;
}

namespace {

constexpr int kSymbolNoCall = 3;

struct Offspring {
  int sample;
  std::array<float, kEnuStates> start;
  std::array<float, kEnuStates> weight;
};

// A marker's score for one offspring: the log10 of the ratio, the ratio floored so that one
// offspring that excludes a marker cannot make its sum minus infinity; nothing when the
// model gives the observation no chance at all.
void AddScore(float& summary, double numerator, double denominator) {
  if (!(denominator > 0)) return;
  summary +=
      static_cast<float>(std::max<double>(std::log10(numerator / denominator), kEnuLogFloor));
}

// The samples labelled with a generation digit, each with its chances; false when the
// labels cannot be read or the parents are not where they must be.
bool CollectOffspring(const CHROMOSOME& data, std::vector<Offspring>& out) {
  if (!SampleGrouping.SetSampleVariable(0, kEnuColumn, true) ||
      !SampleGrouping.SetSampleVariable(1, kEnuAffectedColumn, true))
    return false;
  const int samples = std::min(SampleGrouping.SampleCount(), data.sampleCount);
  if (samples < 2 || SampleGrouping.ClassCode(0, 0) != 'M' ||
      SampleGrouping.ClassCode(0, 1) != 'B') {
    LogMessage(kEnuParentsMessage, 0, kLogRed);
    return false;
  }
  for (int s = 2; s < samples; ++s) {
    const int label = SampleGrouping.ClassCode(0, s);
    if (label < '0' || label > '9') continue;
    const int generation = label - '0';
    if (generation >= kEnuGenerations) {
      LogMessage(MessageBuffer(kEnuGenerationMessage, s + 1, static_cast<char>(label)), 0, kLogRed);
      continue;
    }
    Offspring child{s, EnuStartChances(generation), {}};
    const bool affected = SampleGrouping.ClassCode(1, s) == 'A';
    child.weight = EnuPhenotypeWeights(child.start, data.affectedGivenState, affected);
    if (child.weight == std::array<float, kEnuStates>{0, 0, 0}) {
      LogMessage(MessageBuffer(kEnuPhenotypeMessage, s + 1), 0, kLogRed);
      continue;
    }
    out.push_back(child);
  }
  return true;
}

// The fixed parts of the model: state k emits call k with 1 - e and each other call with
// e; a no call is certain in every state.
void SetEmissions(HMM& hmm, float e) {
  hmm.expectation = false;
  hmm.hetFromGenome = false;
  for (int k = 0; k < kEnuStates; ++k) {
    for (int c = 0; c < kSymbolNoCall; ++c)
      hmm.logEmission[k][c] = static_cast<float>(SafeLog10(c == k ? 1 - e : e));
    hmm.logEmission[k][kSymbolNoCall] = 0;
  }
}

}  // namespace

bool CHROMOSOME::InferEnu() {
  const RaisedWhenIdle running;
  if (calls.Empty() || sampleCount < 1 ||
      markerStats.size() < static_cast<std::size_t>(unitCount)) {
    LogMessage(kEnuNoDataMessage, 0, kLogRed);
    return false;
  }
  std::vector<Offspring> offspring;
  if (!CollectOffspring(*this, offspring)) return false;
  for (MarkerStats& stats : markerStats) stats.summary[kDataCall] = 0;
  const int found = static_cast<int>(offspring.size());
  LogMessage(MessageBuffer(kEnuOffspringMessage, found), 0, found == 0 ? kLogRed : kLogBlack);
  if (found == 0) return false;

  std::unique_ptr<HMM> hmm(new (std::nothrow) HMM);
  if (!hmm || !hmm->Init(kEnuStates, kEnuSymbols, 1, false)) {
    if (!hmm) LogMessage(kEnuAllocationMessage, 0, kLogRed);
    return false;
  }
  const auto e = static_cast<float>(TheGroup().Settings().SNP_ERROR_RATE);
  SetEmissions(*hmm, e);
  hmm->units = genome_info.Unit.data();
  hmm->unitCount = static_cast<int>(genome_info.Unit.size());

  JobProgress& progress = Progress();
  long genotyped = 0;
  MarkerSpacing spacing;
  for (int c = 0; c < std::min(genome_info.NumChro, MAX_CHRO_NUM); ++c) {
    const auto& list = genome_info.posList[static_cast<std::size_t>(c)];
    const int markers = static_cast<int>(list.size());
    if (markers > MAX_SEQ_LEN)
      LogMessage(MessageBuffer(kEnuStretchMessage, genome_info.GetChroName(c).c_str(), markers,
                               MAX_SEQ_LEN));
    // A chromosome longer than the model holds runs in stretches, each from the
    // generation's chances, which are also the model's chances far from any marker.
    for (int first = 0; first < markers; first += MAX_SEQ_LEN) {
      const int length = std::min(MAX_SEQ_LEN, markers - first);
      if (!hmm->Init(kEnuStates, kEnuSymbols, length, false)) return false;
      spacing.Restart();
      int usable = 0;
      for (int t = 0; t < length; ++t) {
        const PositionEntry& entry = list[static_cast<std::size_t>(first + t)];
        hmm->marker[t] = entry.index >= 0 && entry.index < unitCount ? entry.index : -1;
        usable += hmm->marker[t] >= 0 ? 1 : 0;
        const float step = spacing.StepTo(entry.pos);
        if (t > 0) hmm->SetDistance(t - 1, step);
      }
      if (usable == 0) continue;
      for (const Offspring& child : offspring) {
        for (int k = 0; k < kEnuStates; ++k)
          hmm->SetStart(k, child.start[static_cast<std::size_t>(k)]);
        const std::uint8_t* own = calls.Row(child.sample);
        for (int t = 0; t < length; ++t) {
          const int unit = hmm->marker[t];
          const int call = unit < 0 ? kSymbolNoCall : std::min<int>(own[unit], kSymbolNoCall);
          hmm->obs[t] = static_cast<std::int16_t>(call);
          genotyped += call < kSymbolNoCall ? 1 : 0;
        }
        hmm->ForwardBackward();
        for (int t = 0; t < length; ++t) {
          const int unit = hmm->marker[t];
          if (unit < 0) continue;
          float& summary = markerStats[static_cast<std::size_t>(unit)].summary[kDataCall];
          if (usePosterior != 0) {
            double numerator = 0;
            double denominator = 0;
            for (int k = 0; k < kEnuStates; ++k) {
              const double p = hmm->Posterior(t, k);
              numerator += child.weight[static_cast<std::size_t>(k)] * p;
              denominator += child.start[static_cast<std::size_t>(k)] * p;
            }
            AddScore(summary, numerator, denominator);
          } else if (hmm->obs[t] < kSymbolNoCall) {
            const auto call = static_cast<std::size_t>(hmm->obs[t]);
            const double spread = static_cast<double>(e) * kEnuErrorShare;
            AddScore(summary, spread + (1.0 - e) * child.weight[call],
                     spread + (1.0 - e) * child.start[call]);
          }
        }
        progress.Pump();
        if (progress.Stopped()) return false;
      }
    }
  }
  if (spacing.Inconsistent() > 0)
    LogMessage(MessageBuffer(kDistanceMissingMessage, spacing.Inconsistent()));
  if (genotyped == 0) {
    LogMessage(kEnuNoCallsMessage, 0, kLogRed);
    return false;
  }
  dataType = kDataCall;
  SetRangeFromCurve();
  Threshold[kDataCall] = 0;
  return true;
}
