// Zone backgrounds of the group's arrays.
#include "engine/array/local_background.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/chip/cdf_layout.hpp"
#include "engine/group/group.hpp"
#include "engine/numerics/numerics.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/parallel_tasks.hpp"

namespace {

// Cells per zone side; at least one, so that chips under 10 cells wide keep working.
int ZoneSize() {
  return std::max(1, Layout.dimension / kBackgroundZones);
}

// A zone's cells run from its start to the next zone's start; the last zone takes the rest.
int ZoneEnd(int zone, int size) {
  return zone == kBackgroundZones - 1 ? Layout.dimension
                                      : std::min(Layout.dimension, (zone + 1) * size);
}

// samples has room for the largest zone's sampled cells. Intensities are 16-bit, so each
// zone's quantile is counted (SelectQuantile on 16-bit values gives the same value as on
// their doubles).
void ComputeArrayBackground(int array, const std::uint16_t* plane,
                            std::vector<std::uint16_t>& samples) {
  ArraySlot& slot = TheGroup().Array(array);
  const std::size_t cells =
      static_cast<std::size_t>(Layout.dimension) * static_cast<std::size_t>(Layout.dimension);
  if (plane == nullptr && slot.intensities.size() == cells) plane = slot.intensities.data();
  const int size = ZoneSize();
  for (int zoneX = 0; zoneX < kBackgroundZones; ++zoneX) {
    for (int zoneY = 0; zoneY < kBackgroundZones; ++zoneY) {
      std::size_t taken = 0;
      if (plane != nullptr && Layout.HasCells()) {
        for (int x = zoneX * size; x < ZoneEnd(zoneX, size); x += kBackgroundSampleStep)
          for (int y = zoneY * size; y < ZoneEnd(zoneY, size); y += kBackgroundSampleStep) {
            // Every sampled cell is written and only the probe cells are counted.
            const std::size_t cell = Layout.CellIndex(x, y);
            samples[taken] = plane[cell];
            taken += Layout.cells[cell].kind != kCellNoUnit ? 1u : 0u;
          }
      }
      // A zone without sampled probe cells has no background to take off.
      const double background =
          taken == 0 ? kNoZoneBackground
                     : SelectQuantile(std::span<const std::uint16_t>(samples.data(), taken),
                                      kBackgroundQuantile);
      slot.background[static_cast<std::size_t>(kBackgroundZones * zoneX + zoneY)] =
          static_cast<std::uint16_t>(background);
    }
  }
}

}  // namespace

void ComputeBackground(int array, const std::uint16_t* plane) {
  Group& group = TheGroup();
  // Room for the samples of the largest zone (the last one takes the remainder).
  const int size = ZoneSize();
  const int largestZone = std::max(size, Layout.dimension - (kBackgroundZones - 1) * size);
  const int perSide = (largestZone + kBackgroundSampleStep - 1) / kBackgroundSampleStep;
  const auto room = static_cast<std::size_t>(perSide) * static_cast<std::size_t>(perSide);
  std::vector<std::uint16_t> samples(room);
  if (array >= 0) {
    ComputeArrayBackground(array, plane, samples);
    return;
  }
  LogMessage(kCalculatingBackgroundMessage);
  // Each array writes only its own zones, so the arrays go side by side.
  platform::RunTasks(group.NumArrays(), platform::WorkerThreadCount(), [&](int a, bool calling) {
    if (calling) {
      ComputeArrayBackground(a, plane, samples);
      return;
    }
    thread_local std::vector<std::uint16_t> helperSamples;
    if (helperSamples.size() < room) helperSamples.resize(room);
    ComputeArrayBackground(a, plane, helperSamples);
  });
}

int BackgroundZone(int c1, int c2) {
  const int size = ZoneSize();
  const int zone1 = std::clamp(c1 / size, 0, kBackgroundZones - 1);
  const int zone2 = std::clamp(c2 / size, 0, kBackgroundZones - 1);
  return kBackgroundZones * zone1 + zone2;
}

int GetBackground(int array, int c1, int c2) {
  return TheGroup().Array(array).background[static_cast<std::size_t>(BackgroundZone(c1, c2))];
}
