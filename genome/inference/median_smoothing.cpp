#include "genome/inference/median_smoothing.hpp"

#include <algorithm>

#include "engine/services/job_progress.hpp"
#include "engine/services/log_channel.hpp"
#include "genome/chromosome/chromosome.hpp"
#include "genome/info/genome_info.hpp"

namespace {

// Reflects a place about both ends until it lies within 0..n-1.
int Mirror(int place, int n) {
  if (n <= 1) return 0;
  const int period = 2 * (n - 1);
  place = std::abs(place) % period;
  return place < n ? place : period - place;
}

}  // namespace

void MedianSmooth(std::span<const float> values, int half, std::span<float> out) {
  const auto n = static_cast<int>(std::min(values.size(), out.size()));
  if (half < 1 || n == 0) return;
  std::vector<float> window(static_cast<std::size_t>(2 * half + 1));
  for (int centre = 0; centre < n; ++centre) {
    for (int k = -half; k <= half; ++k)
      window[static_cast<std::size_t>(k + half)] = values[Mirror(centre + k, n)];
    const auto middle = window.begin() + half;
    std::nth_element(window.begin(), middle, window.end());
    out[centre] = *middle;
  }
}

void MedianSmoothSamples(CHROMOSOME& chro, const GENOME_INFO& genome, int window,
                         const CopyValueSource& value, const std::vector<std::string>& names) {
  const int half = window / 2;
  if (half < 1 || chro.inferred.Empty()) return;
  JobProgress& progress = Progress();
  LogMessage(MessageBuffer(kMedianSmoothingMessage, 2 * half + 1));
  LogMessage(kMedianSampleStartMessage);
  std::vector<float> raw, smooth;
  for (int s = 0; s < chro.sampleCount; ++s) {
    float* row = chro.inferred.Row(s);
    const std::string name = s < static_cast<int>(names.size()) ? names[s] : std::to_string(s);
    for (int c = 0; c < genome.NumChro && c < MAX_CHRO_NUM; ++c) {
      const std::vector<PositionEntry>& list = genome.posList[static_cast<std::size_t>(c)];
      raw.resize(list.size());
      smooth.resize(list.size());
      for (std::size_t k = 0; k < list.size(); ++k) raw[k] = value(s, list[k].index);
      MedianSmooth(raw, half, smooth);
      for (std::size_t k = 0; k < list.size(); ++k) row[list[k].index] = smooth[k];
      LogMessage(MessageBuffer(kMedianProgressMessage, name.c_str(), c + 1), 1, kLogBlue);
      progress.Pump();
    }
  }
  LogMessage("");
}
