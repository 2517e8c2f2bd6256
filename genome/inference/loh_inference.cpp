#include "genome/inference/loh_inference.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <new>

#include "engine/group/group.hpp"
#include "engine/group/group_settings.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/inference/marker_spacing.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/reference_genotypes.hpp"

namespace {

// Symbols of the LOH models; kSymbolNone carries no information.
constexpr int kSymbolLoss = 0;  // paired: loss; single sample: homozygous call
constexpr int kSymbolKept = 1;  // paired: retention; single sample: heterozygous call
constexpr int kSymbolNone = 2;
constexpr int kLohSymbols = 3;

// The paired codes as the float rows hold them.
constexpr float kCodeLoss = static_cast<float>(kLohLoss);
constexpr float kCodeRetention = static_cast<float>(kLohRetention);
constexpr float kCodeConflict = static_cast<float>(kLohConflict);

bool Informative(float code) {
  return code == kCodeLoss || code == kCodeRetention;
}

int PairedSymbol(float code) {
  if (code == kCodeLoss) return kSymbolLoss;
  if (code == kCodeRetention) return kSymbolKept;
  return kSymbolNone;
}

int CallSymbol(std::uint8_t call) {
  if (call == kCallAB) return kSymbolKept;
  if (call == kCallAA || call == kCallBB) return kSymbolLoss;
  return kSymbolNone;
}

bool Usable(const LohGroup& group, const CHROMOSOME& chro) {
  return group.size > 0 && group.first >= 0 && group.first + group.size <= chro.sampleCount;
}

float ClampedRate(double rate) {
  auto r = static_cast<float>(rate);
  if (!std::isfinite(r)) r = 0;
  ClampProbability(&r, kProbabilityFloor);
  return r;
}

void LogRates(const char* word, const std::vector<LohGroup>& groups, const CHROMOSOME& chro) {
  std::string line = std::string("    ") + word + kLohRateMessage;
  for (std::size_t g = 0; g < groups.size(); ++g)
    line += MessageBuffer("%.2f\t", chro.abnormalPrior[g]);
  LogMessage(line);
}

// Shows the stretch being inferred and pumps, at most every kHmmPumpMilliseconds.
class TimedProgress {
 public:
  void Show(const std::string& chroName, const LohGroup& group, int first, int last) {
    const auto now = std::chrono::steady_clock::now();
    if (mShown && now - mLast < std::chrono::milliseconds(kHmmPumpMilliseconds)) return;
    mShown = true;
    mLast = now;
    Progress().ShowProgress(
        MessageBuffer(kLohStretchMessage, chroName.c_str(), group.name.c_str(), first, last));
    Progress().Pump();
  }

 private:
  bool mShown = false;
  std::chrono::steady_clock::time_point mLast;
};

void SetEmission(HMM& hmm, int state, double symbolLoss, double symbolKept) {
  hmm.logEmission[state][kSymbolLoss] = static_cast<float>(SafeLog10(symbolLoss));
  hmm.logEmission[state][kSymbolKept] = static_cast<float>(SafeLog10(symbolKept));
  hmm.logEmission[state][kSymbolNone] = 0;
}

// The group's model over one stretch: states, starts and emissions.
// markerRates: some marker of the stretch has its own het rate.
int SetModel(HMM& hmm, const LohGroup& group, const LohSettings& s, float lohRate, bool maleX,
             bool markerRates) {
  const double e = s.errorRate;
  const double r = lohRate;
  hmm.hetFromGenome = false;
  if (group.Paired()) {
    hmm.SetStart(0, static_cast<float>(r));
    hmm.SetStart(1, static_cast<float>(1 - r));
    SetEmission(hmm, 0, 1 - e, e);
    SetEmission(hmm, 1, e, 1 - e);
    return 2;
  }
  const double h = s.hetRate;
  if (s.method == kLohHaplotypeHmm) {
    // LOH bit {0, 0, 1, 1}, haplotype bit {0, 1, 0, 1}; only a retained heterozygous
    // haplotype shows heterozygous calls, and a male X never does.
    hmm.SetStart(0, static_cast<float>((1 - h) * r));
    hmm.SetStart(1, static_cast<float>(h * r));
    hmm.SetStart(2, static_cast<float>((1 - h) * (1 - r)));
    hmm.SetStart(3, static_cast<float>(h * (1 - r)));
    for (int state = 0; state < 3; ++state) SetEmission(hmm, state, 1 - e, e);
    if (maleX)
      SetEmission(hmm, 3, 1 - e, e);
    else
      SetEmission(hmm, 3, e, 1 - e);
    return 4;
  }
  hmm.SetStart(0, static_cast<float>(r));
  hmm.SetStart(1, static_cast<float>(1 - r));
  SetEmission(hmm, 0, 1 - e, e);
  if (maleX) {
    SetEmission(hmm, 1, 1 - e, e);
  } else {
    SetEmission(hmm, 1, 1 - h, h);
    // Without any rate of its own every marker takes the table's, at the table's speed.
    hmm.hetFromGenome = s.alleleFreqType != 0 && markerRates;
  }
  return 2;
}

}  // namespace

LohSettings LohSettings::From(const GroupSettings& settings) {
  LohSettings s;
  s.method = settings.INFER_NONINFORMATIVE;
  s.errorRate = settings.SNP_ERROR_RATE;
  s.hetRate = settings.AVERAGE_HET_RATE;
  s.alleleFreqType = settings.ALLELE_FREQ_TYPE;
  s.hmmLength = settings.HMM_LENGTH;
  s.haplotypeThreshold = settings.HAPLOTYPE_THRESHOLD;
  return s;
}

std::vector<LohGroup> LohGroupsOf(const SAMPLE_GROUPING& grouping, const CHROMOSOME& chro) {
  std::vector<LohGroup> groups;
  for (int g = 0; g < grouping.GroupCount() && g < kMaxChroSamples; ++g) {
    LohGroup group;
    group.first = grouping.GroupFirstSample(g);
    group.size = grouping.GroupSize(g);
    if (!Usable(group, chro)) break;
    const int array = grouping.GetSampleArray(group.first);
    if (array >= 0 && array < kMaxChroSamples)
      group.gender = chro.gender[static_cast<std::size_t>(array)];
    group.name = grouping.SampleName(group.first);
    groups.push_back(std::move(group));
  }
  return groups;
}

LohRun OpenGroupLohRun(const CHROMOSOME& chro) {
  LohRun run;
  run.groups = LohGroupsOf(SampleGrouping, chro);
  run.settings = LohSettings::From(TheGroup().Settings());
  run.info = &genome_info;
  run.reference = &ReferenceGenotypes;
  run.methodSetting = &TheGroup().Settings().INFER_NONINFORMATIVE;
  return run;
}

bool AcceptLohSettings(const LohSettings& s) {
  // Written so that NaN fails each test.
  if (!(s.hetRate > 0 && s.hetRate <= 1)) {
    LogMessage(kLohHetRateRefusedMessage, 0, kLogRed);
    return false;
  }
  if (!(s.errorRate >= 0 && s.errorRate <= 1)) {
    LogMessage(kLohErrorRateRefusedMessage, 0, kLogRed);
    return false;
  }
  if (s.hmmLength < 1 || s.hmmLength > MAX_SEQ_LEN) {
    LogMessage(kLohLengthRefusedMessage, 0, kLogRed);
    return false;
  }
  return true;
}

bool CHROMOSOME::InferLoh(LohRun& run) {
  LohSettings& s = run.settings;
  if (s.method == kLohHaplotypeHmm && (run.reference == nullptr || run.reference->loaded == 0)) {
    LogMessage(MessageBuffer(kNoReferenceGenotypesMessage,
                             std::string(kLohMethodNames[kLohHaplotypeHmm]).c_str()),
               0, kLogRed);
    s.method = kLohHmm;
    if (run.methodSetting != nullptr) *run.methodSetting = s.method;
  }
  if (s.method < kLohSameBoundary || s.method > kLohHaplotypeHmm) s.method = kLohHmm;
  LogMessage(
      MessageBuffer(kInferringLohMessage,
                    std::string(kLohMethodNames[static_cast<std::size_t>(s.method)]).c_str()));
  bool ok = run.info != nullptr && !lohCodes.Empty() && AcceptLohSettings(s);
  if (ok) {
    if (s.method == kLohSameBoundary) FillSameBoundary(run);
    EstimateLohRates(run);
    ok = InferLohCall(run);
  }
  if (ok && s.method == kLohHaplotypeHmm && s.haplotypeThreshold < 100) ok = CheckHaplotypes(run);
  if (!ok) LogMessage(kLohNotCompletedMessage, 0, kLogRed);
  return ok;
}

void CHROMOSOME::FillSameBoundary(const LohRun& run) {
  LogMessage(kSameBoundaryMessage);
  const GENOME_INFO& info = *run.info;
  for (const LohGroup& group : run.groups) {
    if (!group.Paired() || !Usable(group, *this)) continue;
    const float* codes = lohCodes.Row(group.first);
    float* value = lohCodes.Row(group.Target());
    for (int c = 0; c < info.NumChro; ++c) {
      const auto& list = info.posList[static_cast<std::size_t>(c)];
      // The list position of the last informative code since the last conflict; -1 none.
      int last = -1;
      float lastCode = 0;
      for (int k = 0; k < static_cast<int>(list.size()); ++k) {
        const int unit = list[static_cast<std::size_t>(k)].index;
        const float code = codes[unit];
        if (Informative(code)) {
          if (last >= 0 && lastCode == code) {
            for (int m = last + 1; m < k; ++m)
              value[list[static_cast<std::size_t>(m)].index] = code;
          }
          value[unit] = code;
          last = k;
          lastCode = code;
        } else {
          value[unit] = kUnfilledRetention;
          if (code == kCodeConflict) last = -1;
        }
      }
    }
  }
  LogMessage("");
}

void CHROMOSOME::EstimateLohRates(const LohRun& run) {
  const GENOME_INFO& info = *run.info;
  for (std::size_t g = 0; g < run.groups.size() && g < abnormalPrior.size(); ++g) {
    const LohGroup& group = run.groups[g];
    double rate = 0;
    if (Usable(group, *this)) {
      long long counted = 0, lost = 0;
      for (int c = 0; c < info.NumChro; ++c) {
        if (c == info.XChroIndex()) continue;
        for (const PositionEntry& entry : info.posList[static_cast<std::size_t>(c)]) {
          if (group.Paired()) {
            const float code = lohCodes.Row(group.first)[entry.index];
            counted += Informative(code);
            lost += code == kCodeLoss;
          } else {
            const std::uint8_t call = calls.Row(group.first)[entry.index];
            counted += call <= kCallAB;
            lost += call == kCallAA || call == kCallBB;
          }
        }
      }
      if (counted > 0) {
        const double fraction = static_cast<double>(lost) / static_cast<double>(counted);
        rate = group.Paired() ? fraction : 1 - (1 - fraction) / run.settings.hetRate;
      }
    }
    abnormalPrior[g] = ClampedRate(rate);
  }
  LogRates(kEstimatedRateWord, run.groups, *this);
}

bool CHROMOSOME::InferLohCall(const LohRun& run) {
  // The flag is left as found: the LOH step is one of several in a gathering.
  const RaisedWhenIdle running;
  const GENOME_INFO& info = *run.info;
  const LohSettings& s = run.settings;
  std::unique_ptr<HMM> hmm(new (std::nothrow) HMM);
  if (!hmm) {
    LogMessage(kLohHmmAllocationMessage, 0, kLogRed);
    return false;
  }
  hmm->expectation = false;
  hmm->lohMethod = s.method;
  hmm->averageHetRate = s.hetRate;
  hmm->parentSpecific = false;
  hmm->units = info.Unit.data();
  hmm->unitCount = static_cast<int>(info.Unit.size());
  LogMessage(kLohChromosomeMessage);
  JobProgress& progress = Progress();
  TimedProgress shown;
  MarkerSpacing spacing;
  for (int c = 0; c < info.NumChro; ++c) {
    const auto& list = info.posList[static_cast<std::size_t>(c)];
    const int markers = static_cast<int>(list.size());
    const std::string chroName = info.GetChroName(c);
    for (int first = 0; first < markers; first += s.hmmLength) {
      const int length = std::min(s.hmmLength, markers - first);
      if (!hmm->Init(4, kLohSymbols, length, false)) return false;
      spacing.Restart();
      bool markerRates = false;
      for (int t = 0; t < length; ++t) {
        const PositionEntry& entry = list[static_cast<std::size_t>(first + t)];
        hmm->marker[t] = entry.index;
        if (entry.index >= 0 && entry.index < hmm->unitCount)
          markerRates =
              markerRates || info.Unit[static_cast<std::size_t>(entry.index)].rate[0] != -1;
        const float step = spacing.StepTo(entry.pos);
        if (t > 0) hmm->SetDistance(t - 1, step);
      }
      for (std::size_t g = 0; g < run.groups.size(); ++g) {
        const LohGroup& group = run.groups[g];
        if (!Usable(group, *this) || (s.method == kLohSameBoundary && group.Paired())) continue;
        const bool maleX = c == info.XChroIndex() && group.gender == 'M';
        const int states = SetModel(*hmm, group, s, abnormalPrior[g], maleX, markerRates);
        hmm->Init(states, kLohSymbols, length, false);
        hmm->sample = group.Target();
        if (group.Paired()) {
          const float* codes = lohCodes.Row(group.first);
          for (int t = 0; t < length; ++t)
            hmm->obs[t] = static_cast<std::int16_t>(PairedSymbol(codes[hmm->marker[t]]));
        } else {
          const std::uint8_t* own = calls.Row(group.first);
          for (int t = 0; t < length; ++t)
            hmm->obs[t] = static_cast<std::int16_t>(CallSymbol(own[hmm->marker[t]]));
        }
        hmm->ForwardBackward();
        float* value = lohCodes.Row(group.Target());
        for (int t = 0; t < length; ++t) {
          const float kept =
              states == 4 ? hmm->Posterior(t, 2) + hmm->Posterior(t, 3) : hmm->Posterior(t, 1);
          value[hmm->marker[t]] = std::clamp(kept, 0.0f, 1.0f);
        }
        shown.Show(chroName, group, first + 1, first + length);
        if (progress.Stopped()) return false;
      }
    }
  }
  if (spacing.Inconsistent() > 0)
    LogMessage(MessageBuffer(kDistanceMissingMessage, spacing.Inconsistent()), 0, kLogRed);
  for (std::size_t g = 0; g < run.groups.size() && g < abnormalPrior.size(); ++g) {
    const LohGroup& group = run.groups[g];
    double sum = 0;
    long long count = 0;
    if (Usable(group, *this)) {
      const float* value = lohCodes.Row(group.Target());
      for (int c = 0; c < info.NumChro; ++c) {
        if (c == info.XChroIndex()) continue;
        for (const PositionEntry& entry : info.posList[static_cast<std::size_t>(c)]) {
          sum += 1 - value[entry.index];
          ++count;
        }
      }
    }
    abnormalPrior[g] = ClampedRate(count > 0 ? sum / static_cast<double>(count) : 0);
  }
  LogRates(kInferredRateWord, run.groups, *this);
  LogMessage("");
  return true;
}

bool CHROMOSOME::CheckHaplotypes(const LohRun& run) {
  const RaisedWhenIdle running;
  const GENOME_INFO& info = *run.info;
  const LohSettings& s = run.settings;
  LogMessage(kHaplotypeCheckMessage);
  JobProgress& progress = Progress();
  const REFERENCE_GENOTYPES* reference = run.reference;
  const int references = reference != nullptr ? reference->sampleCount : 0;
  refSampleCount = references;
  const auto inLoh = [](float kept) { return 1 - kept > kLohRunChance; };

  // Of the reference samples, the share whose homozygous calls over the run agree with
  // the sample's calls.
  const auto identicalShare = [&](const std::uint8_t* own, const auto& list, int a, int b) {
    if (references <= 0) return 0.0;
    int identical = 0;
    for (int r = 0; r < references; ++r) {
      const std::uint8_t* ref = reference->Row(r);
      int count = 0, agree = 0;
      for (int k = a; k <= b; ++k) {
        const int unit = list[static_cast<std::size_t>(k)].index;
        if (unit >= reference->unitCount) continue;
        if (ref[unit] < kCallAB && own[unit] <= kCallAB) {
          ++count;
          agree += ref[unit] == own[unit];
        }
      }
      const double ratio = count > 0 ? static_cast<double>(agree) / count : 0;
      identical += ratio * 100 >= s.haplotypeIdentity;
    }
    return static_cast<double>(identical) / references;
  };

  for (int c = 0; c < info.NumChro; ++c) {
    const auto& list = info.posList[static_cast<std::size_t>(c)];
    const int markers = static_cast<int>(list.size());
    for (const LohGroup& group : run.groups) {
      if (group.Paired() || !Usable(group, *this)) continue;
      float* value = lohCodes.Row(group.first);
      const std::uint8_t* own = calls.Row(group.first);
      for (int a = 0; a < markers;) {
        if (!inLoh(value[list[static_cast<std::size_t>(a)].index])) {
          ++a;
          continue;
        }
        int b = a;
        while (b + 1 < markers && inLoh(value[list[static_cast<std::size_t>(b + 1)].index])) ++b;
        const double m = identicalShare(own, list, a, b);
        if (m * 100 > s.haplotypeThreshold) {
          // The run takes the retention of the marker that ended it; a run that reaches the
          // chromosome's end takes that of the marker before it, and a whole chromosome
          // in LOH is taken back to retention.
          float kept = 1;
          if (b + 1 < markers)
            kept = value[list[static_cast<std::size_t>(b + 1)].index];
          else if (a > 0)
            kept = value[list[static_cast<std::size_t>(a - 1)].index];
          for (int k = a; k <= b; ++k) value[list[static_cast<std::size_t>(k)].index] = kept;
          LogMessage(
              MessageBuffer(kHaplotypeRunMessage, info.GetChroName(c).c_str(), group.name.c_str(),
                            static_cast<double>(list[static_cast<std::size_t>(a)].pos) * 1e-6,
                            b - a + 1, m * 100, references, "removed"));
        }
        a = b + 1;
      }
    }
    progress.Pump();
    if (progress.Stopped(kHaplotypeStoppedMessage)) return false;
  }
  return true;
}
