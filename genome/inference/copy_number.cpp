#include "genome/inference/copy_number.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/base/missing_value.hpp"
#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/inference/copy_number_viterbi.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/inference/marker_spacing.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"

namespace {

bool Usable(float value) {
  return std::isfinite(value) && value != kMissingSignal;
}

// The costs of the moves of one stretch, kept for the next sample: the distances and the
// start chances they were made from decide whether they still hold.
struct StretchSwitches {
  std::vector<float> distance;
  SwitchCosts costs;
};

// The stretches of the last run on this thread, in the order the run takes them. Every
// sample of a group walks the same markers with the same distances, so only the first
// pays for the exponentials and logarithms of the moves.
thread_local std::vector<StretchSwitches> lastStretches;

// The costs for stretch `ordinal` of a model whose start and distances (length - 1 of
// them) are set; made anew, theta included, when the kept ones were made from others.
const SwitchCosts& StretchCosts(HMM& hmm, int ordinal, const std::vector<float>& distance) {
  if (lastStretches.size() <= static_cast<std::size_t>(ordinal))
    lastStretches.resize(static_cast<std::size_t>(ordinal) + 1);
  StretchSwitches& kept = lastStretches[static_cast<std::size_t>(ordinal)];
  const auto moves = static_cast<std::size_t>(hmm.length - 1);
  const auto n = static_cast<std::size_t>(hmm.numState);
  // Bytes, not values: a NaN distance (a position that is not a number) matches itself.
  const bool same = kept.distance.size() == moves && kept.costs.start.size() == n &&
                    (moves == 0 || std::memcmp(kept.distance.data(), distance.data(),
                                               moves * sizeof(float)) == 0) &&
                    std::memcmp(kept.costs.start.data(), hmm.start, n * sizeof(float)) == 0;
  if (!same) {
    for (std::size_t t = 0; t < moves; ++t) hmm.SetDistance(static_cast<int>(t), distance[t]);
    kept.distance.assign(distance.begin(), distance.begin() + static_cast<std::ptrdiff_t>(moves));
    MakeSwitchCosts(hmm, &kept.costs);
  }
  return kept.costs;
}

}  // namespace

CopyNumberRun OpenGroupCopyRun(const CHROMOSOME& chro, int sample) {
  const GroupSettings& settings = TheGroup().Settings();
  CopyNumberRun run;
  run.genome = &genome_info;
  run.hmmLength = settings.HMM_LENGTH;
  run.pairedNormal = settings.USE_PAIRED_NORMAL != 0;
  run.parentSpecific = settings.PARENT_SPECIFIC_COPY != 0;
  const int group = SampleGrouping.GetGroupOfSample(sample);
  run.referenceSample = group >= 0 ? SampleGrouping.GroupFirstSample(group) : sample;
  const int array = SampleGrouping.GetSampleArray(run.referenceSample);
  run.referenceMale =
      array >= 0 && array < kMaxChroSamples && chro.gender[static_cast<std::size_t>(array)] == 'M';
  return run;
}

ParentPairs MakeParentPairs(int parentalStates) {
  ParentPairs pairs;
  for (int a = 0; a < parentalStates; ++a) {
    for (int b = a; b < parentalStates; ++b) {
      pairs.first.push_back(a);
      pairs.second.push_back(b);
    }
  }
  return pairs;
}

float EncodeParentStates(int a, int b) {
  const auto low = static_cast<std::uint32_t>(std::clamp(a, 0, 0xFFFF));
  const auto high = static_cast<std::uint32_t>(std::clamp(b, 0, 0xFFFF));
  return std::bit_cast<float>(low | (high << 16));
}

void DecodeParentStates(float cell, int* a, int* b) {
  const auto bits = std::bit_cast<std::uint32_t>(cell);
  *a = static_cast<int>(bits & 0xFFFF);
  *b = static_cast<int>(bits >> 16);
}

bool CHROMOSOME::SetCopyLayout(bool parentSpecific, float step) {
  if (!(step > 0) || !std::isfinite(step)) {
    LogMessage(kCopyStepRefusedMessage, 0, kLogRed);
    return false;
  }
  copyBase = parentSpecific ? 0 : 1;
  copyStep = step;
  // A tiny step asks for more states than any model holds; Init refuses the count.
  const double steps = CopyLevels[static_cast<std::size_t>(copyBase)] / step + 0.5;
  copySteps = static_cast<int>(std::min(steps, static_cast<double>(MAX_STATE + 1)));
  return true;
}

float CHROMOSOME::CopyLevel(int state) const {
  state = std::max(state, 0);
  if (state < copySteps) return static_cast<float>(state) * copyStep;
  const int index = std::clamp(state + copyBase - copySteps, 0, kCopyLevelCount - 1);
  return CopyLevels[static_cast<std::size_t>(index)];
}

int CHROMOSOME::CopyState(float copies) const {
  if (copies < CopyLevels[static_cast<std::size_t>(copyBase)])
    return static_cast<int>(std::max(copies / copyStep + 0.5f, 0.0f));
  for (int i = copyBase; i < kCopyLevelCount; ++i) {
    if (copies <= CopyLevels[static_cast<std::size_t>(i)]) return copySteps - copyBase + i;
  }
  return copySteps - copyBase + kCopyLevelCount - 1;
}

int CHROMOSOME::CopyStateCount() const {
  return copySteps + kCopyLevelCount - copyBase;
}

int CHROMOSOME::ParentalStateCount() const {
  // Beyond the last level every state would repeat 30 copies.
  return std::min(kMaxParentalStates, CopyStateCount());
}

void CHROMOSOME::DecodeParentCopies(float cell, float* a, float* b) const {
  if (cell == kMissingValueFloat) {
    *a = *b = kMissingValueFloat;
    return;
  }
  int first = 0;
  int second = 0;
  DecodeParentStates(cell, &first, &second);
  const int last = ParentalStateCount() - 1;
  *a = CopyLevel(std::clamp(first, 0, last));
  *b = CopyLevel(std::clamp(second, 0, last));
}

bool CHROMOSOME::InferCopyNumber(int sample) {
  return InferCopyNumber(sample, OpenGroupCopyRun(*this, sample));
}

bool CHROMOSOME::InferCopyNumber(int sample, const CopyNumberRun& run) {
  // The flag is left as found: the next sample and step of the gathering need it.
  const RaisedWhenIdle running;
  JobProgress& progress = Progress();
  std::unique_ptr<HMM> hmm(new (std::nothrow) HMM);
  if (!hmm || run.genome == nullptr || sample < 0 || sample >= sampleCount || signal.Empty() ||
      inferred.Empty()) {
    LogMessage(kCopyHmmAllocationMessage, 0, kLogRed);
    return false;
  }
  const bool parentSpecific = run.parentSpecific && !secondSignal.Empty();
  const int parental = ParentalStateCount();
  const ParentPairs pairs = MakeParentPairs(parentSpecific ? parental : 0);
  const int states = parentSpecific ? static_cast<int>(pairs.first.size()) : CopyStateCount();
  if (!hmm->Init(states, 2, 1, true)) return false;
  hmm->parentSpecific = parentSpecific;
  hmm->parentStateA = pairs.first;
  hmm->parentStateB = pairs.second;
  const int levels = parentSpecific ? parental : states;
  for (int s = 0; s < levels; ++s) hmm->copyLevel.push_back(CopyLevel(s));
  hmm->expectation = true;
  hmm->sample = sample;
  abnormalPrior[static_cast<std::size_t>(sample)] = kAbnormalCopyPrior;
  LogMessage(kCopyChroStartMessage);

  const GENOME_INFO& genome = *run.genome;
  const int stretchLength = std::clamp(run.hmmLength, 1, MAX_SEQ_LEN);
  const bool paired = run.pairedNormal && run.referenceSample != sample &&
                      run.referenceSample >= 0 && run.referenceSample < sampleCount;
  const float* values = signal.Row(sample);
  const float* seconds = parentSpecific ? secondSignal.Row(sample) : nullptr;
  const float* reference = paired ? signal.Row(run.referenceSample) : nullptr;
  float* out = inferred.Row(sample);
  MarkerSpacing spacing;
  int unusable = 0;
  int ordinal = 0;
  std::vector<float> distance(static_cast<std::size_t>(stretchLength));

  // x = 2v / r with its scale 2d / r; missing where the reference cannot scale.
  // False when the reference is there but cannot scale.
  const auto observe = [](float v, float r, float d, float* x, float* sd) {
    *x = kMissingSignal;
    if (r == kMissingValueFloat) return true;
    if (!Usable(r) || !(r > 0) || !Usable(d) || !(d > 0)) return false;
    if (v == kMissingValueFloat || !std::isfinite(v)) return true;
    v = std::max(v, -d);
    *x = 2 * v / r;
    *sd = 2 * d / r;
    return true;
  };

  for (int c = 0; c < genome.NumChro && c < MAX_CHRO_NUM; ++c) {
    const std::vector<PositionEntry>& list = genome.posList[static_cast<std::size_t>(c)];
    const int markers = static_cast<int>(list.size());
    const bool maleX = c == genome.XChroIndex() && run.referenceMale;
    if (parentSpecific) {
      for (int s = 0; s < states; ++s) hmm->SetStart(s, 1.0f / static_cast<float>(states));
    } else {
      const int normal = std::min(CopyState(maleX ? kMaleXCopies : kNormalCopies), states - 1);
      const float p = abnormalPrior[static_cast<std::size_t>(sample)];
      for (int s = 0; s < states; ++s)
        hmm->SetStart(s, s == normal ? 1 - p : p / static_cast<float>(states - 1));
    }
    for (int first = 0; first < markers; first += stretchLength, ++ordinal) {
      const int length = std::min(stretchLength, markers - first);
      if (!hmm->Init(states, 2, length, true)) return false;
      spacing.Restart();
      for (int t = 0; t < length; ++t) {
        const int u = list[static_cast<std::size_t>(first + t)].index;
        hmm->marker[t] = u;
        const MarkerStats& stats = markerStats[static_cast<std::size_t>(u)];
        bool scaled = true;
        if (parentSpecific) {
          scaled = observe(values[u], stats.meanA, stats.sdA, &hmm->x[t], &hmm->sdX[t]);
          scaled = observe(seconds[u], stats.meanB, stats.sdB, &hmm->y[t], &hmm->sdY[t]) && scaled;
        } else {
          float r = stats.mean;
          if (reference != nullptr) {
            r = reference[u];
            if (maleX && r != kMissingValueFloat) r *= 2;
          }
          scaled = observe(values[u], r, stats.sd, &hmm->x[t], &hmm->sdX[t]);
        }
        unusable += scaled ? 0 : 1;
        const float bp = u < static_cast<int>(genome.Unit.size())
                             ? genome.Unit[static_cast<std::size_t>(u)].pos
                             : -1.0f;
        const float step = spacing.StepTo(bp);
        if (t > 0) distance[static_cast<std::size_t>(t - 1)] = step;
      }
      ViterbiByChange(*hmm, StretchCosts(*hmm, ordinal, distance));
      for (int t = 0; t < length; ++t) {
        const int state = hmm->path[t];
        const int u = hmm->marker[t];
        out[u] = parentSpecific ? EncodeParentStates(pairs.first[static_cast<std::size_t>(state)],
                                                     pairs.second[static_cast<std::size_t>(state)])
                                : CopyLevel(state);
      }
      progress.Pump();
      progress.ShowProgress(MessageBuffer(kCopyStretchMessage, genome.GetChroName(c).c_str(),
                                          first + 1, first + length));
      if (progress.Stopped()) return false;
    }
  }
  if (spacing.Inconsistent() > 0)
    LogMessage(MessageBuffer(kDistanceMissingMessage, spacing.Inconsistent()), 0, kLogRed);
  if (unusable > 0)
    LogMessage(MessageBuffer(kCopyReferenceUnusableMessage, unusable, sample), 0, kLogRed);
  return true;
}
