#include "genome/inference/allele_sharing.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/group/group.hpp"
#include "engine/group/sample_grouping.hpp"
#include "engine/group/sample_info.hpp"
#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/inference/hmm.hpp"
#include "genome/inference/marker_spacing.hpp"
#include "genome/info/analysis_flag.hpp"
#include "genome/info/genome_info.hpp"
#include "genome/info/snp_info.hpp"

SharingRows AlleleSharingTable{};

namespace {

// The table as chances, filled beside it.
std::array<std::array<std::array<double, kSharingSymbols>, kSharingStates>, kSharingRows>
    SharingChances{};

constexpr int kNoCall = 3;

// The genotype of an ordered allele pair (0 A, 1 B).
int Genotype(int first, int second) {
  if (first != second) return 2;
  return first;
}

}  // namespace

float AlleleSharingEmission(double p, int state, int symbol, double errorRate) {
  const int g1 = symbol / 4;
  const int g2 = symbol % 4;
  if (g1 >= kNoCall || g2 >= kNoCall) return 0;
  const double chance[2] = {p, 1 - p};
  const auto agree = [errorRate](int call, int truth) {
    return call == truth ? 1 - errorRate : errorRate;
  };
  double sum = 0;
  for (int a = 0; a < 2; ++a)
    for (int b = 0; b < 2; ++b)
      for (int c = 0; c < 2; ++c)
        for (int m = 0; m < 2; ++m) {
          int second = Genotype(c, m);
          if (state == 0) second = Genotype(a, b);
          if (state == 1) second = Genotype(a, m);
          if (state == 2) second = Genotype(c, b);
          sum += chance[a] * chance[b] * chance[c] * chance[m] * agree(g1, Genotype(a, b)) *
                 agree(g2, second);
        }
  return static_cast<float>(SafeLog10(sum));
}

void FillAlleleSharingTable(double errorRate) {
  for (std::size_t k = 0; k < kSharingRows; ++k) {
    const double p = static_cast<double>(k + 1) * 0.01;
    for (std::size_t s = 0; s < kSharingStates; ++s)
      for (std::size_t y = 0; y < kSharingSymbols; ++y) {
        const float value =
            AlleleSharingEmission(p, static_cast<int>(s), static_cast<int>(y), errorRate);
        AlleleSharingTable[k][s][y] = value;
        SharingChances[k][s][y] = std::pow(10.0, static_cast<double>(value));
      }
    PumpMessages();
  }
}

int AlleleSharingRow(float frequency) {
  // Row k holds (k + 1) / 100, so 0.5 is row 49; frequencies beyond the ends take the
  // first or last row.
  const long nearest = std::lround(100.0 * static_cast<double>(frequency));
  return static_cast<int>(std::clamp(nearest - 1, 0L, static_cast<long>(kSharingRows - 1)));
}

std::pair<int, int> AllPairsPair(int i) {
  int a = 1;
  while (i >= a) {
    i -= a;
    ++a;
  }
  return {a, i};
}

namespace {

// Each sample's status from the first letter of its first array's "Affected" category;
// empty when the column is missing.
std::vector<char> ReadStatus() {
  std::vector<char> status;
  const int column = SampleInfo.FindSampleInfoColumn(kAffectedColumn);
  if (column < 0) return status;
  for (int s = 0; s < SampleGrouping.SampleCount(); ++s) {
    const int array = SampleGrouping.GetSampleArray(s);
    const int category = SampleInfo.CategoryOf(array, column);
    char letter = ' ';
    if (category >= 0) {
      const std::string& name =
          SampleInfo.Column(column).categories[static_cast<std::size_t>(category)].name;
      if (!name.empty())
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    }
    status.push_back(letter);
  }
  return status;
}

// Sharing between affected samples counts up, between an affected and an unaffected one
// down, between two unaffected ones not at all.
float Signed(float k, const std::vector<char>& status, int first, int second) {
  if (status.empty()) return k;
  const char a = status[static_cast<std::size_t>(first)];
  const char b = status[static_cast<std::size_t>(second)];
  if (a == 'U') return b == 'U' ? 0 : -k;
  return a != b ? -k : k;
}

}  // namespace

bool CHROMOSOME::InferAlleleSharing() {
  const RaisedWhenIdle running;
  const GroupSettings& settings = TheGroup().Settings();
  for (MarkerStats& stats : markerStats) stats.summary[kDataAlleleSharing] = 0;
  const std::vector<char> status = ReadStatus();
  auto hmm = std::make_unique<HMM>();
  if (inferred.Empty() || !hmm->Init(kSharingStates, kSharingSymbols, 1, false)) return false;
  hmm->expectation = false;
  hmm->hetFromGenome = false;
  FillAlleleSharingTable(settings.SNP_ERROR_RATE);
  hmm->rowTable = &AlleleSharingTable[0][0][0];
  hmm->rowChances = &SharingChances[0][0][0];
  for (int s = 0; s < kSharingStates; ++s) hmm->SetStart(s, 0.25f);

  const int samples = std::min(SampleGrouping.SampleCount(), sampleCount);
  const bool allPairs = samples == SampleGrouping.GroupCount();
  std::vector<std::pair<int, int>> pairs;  // (first, second) sample of each pair
  std::vector<int> pairGroup;
  if (allPairs) {
    const int count = samples * (samples - 1) / 2;
    for (int i = 0; i < count; ++i) pairs.push_back(AllPairsPair(i));
    LogMessage(MessageBuffer(kAllPairsMessage, count));
  } else {
    for (int g = 0; g < SampleGrouping.GroupCount(); ++g) {
      const int size = SampleGrouping.GroupSize(g);
      const int first = SampleGrouping.GroupFirstSample(g);
      if (size < 2) {
        LogMessage(kSmallSharingGroupMessage, 0, kLogRed);
        return false;
      }
      if (first + size > sampleCount) return false;
      pairs.emplace_back(first, first + (size == 2 ? 1 : 2));
      pairGroup.push_back(g);
    }
    LogMessage(MessageBuffer(kSiblingPairsMessage, static_cast<int>(pairs.size())));
  }
  LogMessage(kSharingStartMessage);

  const int stretchLength = std::clamp(settings.HMM_LENGTH, 1, MAX_SEQ_LEN);
  JobProgress& progress = Progress();
  for (int chro = 0; chro < genome_info.NumChro && chro < MAX_CHRO_NUM; ++chro) {
    const std::vector<PositionEntry>& list = genome_info.posList[static_cast<std::size_t>(chro)];
    const std::string chroName = genome_info.GetChroName(chro);
    progress.Pump();
    for (int first = 0; first < static_cast<int>(list.size()); first += stretchLength) {
      const int length = std::min(stretchLength, static_cast<int>(list.size()) - first);
      if (!hmm->Init(kSharingStates, kSharingSymbols, length, false)) return false;
      MarkerSpacing spacing;
      for (int t = 0; t < length; ++t) {
        const PositionEntry& entry = list[static_cast<std::size_t>(first + t)];
        const int unit = entry.index;
        if (unit < 0 || unit >= unitCount) return false;
        hmm->marker[t] = unit;
        hmm->emissionRow[t] = static_cast<std::int16_t>(AlleleSharingRow(GetAlleleFrequency(unit)));
        const float step = spacing.StepTo(entry.pos);
        if (t > 0) hmm->SetDistance(t - 1, step);
        if (allPairs)
          for (int s = 0; s < samples; ++s) inferred.Row(s)[unit] = 0;
      }
      for (std::size_t p = 0; p < pairs.size(); ++p) {
        const auto [a, b] = pairs[p];
        for (int t = 0; t < length; ++t) {
          const int unit = hmm->marker[t];
          const int callA = std::min<int>(calls.Row(a)[unit], kNoCall);
          const int callB = std::min<int>(calls.Row(b)[unit], kNoCall);
          hmm->obs[t] = static_cast<std::int16_t>(4 * callA + callB);
        }
        hmm->ForwardBackward();
        for (int t = 0; t < length; ++t) {
          const int unit = hmm->marker[t];
          float k = 0;
          for (int s = 0; s < kSharingStates; ++s)
            k += kSharedAlleles[static_cast<std::size_t>(s)] * hmm->Posterior(t, s);
          k = Signed(k, status, a, b);
          if (allPairs) {
            inferred.Row(a)[unit] += k;
            inferred.Row(b)[unit] += k;
          } else {
            const int group = pairGroup[p];
            const int member = SampleGrouping.GroupFirstSample(group);
            for (int s = member; s < member + SampleGrouping.GroupSize(group); ++s)
              inferred.Row(s)[unit] = k;
          }
          markerStats[static_cast<std::size_t>(unit)].summary[kDataAlleleSharing] += k;
        }
        progress.ShowProgress(MessageBuffer(
            kSharingPairMessage, chroName.c_str(), SampleGrouping.SampleName(a).c_str(),
            SampleGrouping.SampleName(b).c_str(), first + 1, first + length));
        progress.Pump();
        if (progress.Stopped()) return false;
      }
      // With no pair there is nothing to average.
      if (pairs.empty()) continue;
      for (int t = 0; t < length; ++t) {
        const int unit = hmm->marker[t];
        markerStats[static_cast<std::size_t>(unit)].summary[kDataAlleleSharing] /=
            static_cast<float>(pairs.size());
        if (allPairs)
          for (int s = 0; s < samples; ++s)
            inferred.Row(s)[unit] /= static_cast<float>(samples - 1);
      }
    }
  }
  dataType = kDataAlleleSharing;
  LogMessage("");
  return true;
}
