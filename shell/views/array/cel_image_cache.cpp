// Building the array images: a level table per array, and the plane (column after
// column) turned into rows of levels tile by tile, so that reads and writes both stay in
// the cache.
#include "shell/views/array/cel_image_cache.hpp"

#include <algorithm>

#include "engine/array/image_support.hpp"
#include "engine/base/brightness_scale.hpp"
#include "platform/runtime_rand.hpp"

namespace {
constexpr int kTile = 64;
}  // namespace

void FillCelLevelTable(CelLevelTable& table, int low, int high) {
  for (std::size_t v = 0; v < table.size(); ++v)
    table[v] = static_cast<std::uint8_t>(
        std::clamp(BrightnessLevel(static_cast<double>(v), low, high), 0, kCelLevels - 1));
}

CelImageCache::CelImageCache() {
  mSlots.reserve(kCelImageCacheSlots);
}

const CelImage* CelImageCache::Find(int array) const {
  for (const CelImage& image : mSlots)
    if (image.array == array) return &image;
  return nullptr;
}

const CelImage& CelImageCache::Build(int array, std::span<const std::uint16_t> plane, int dimension,
                                     int low, int high, const ProbeTogetherMaps* together) {
  CelImage* slot = nullptr;
  if (static_cast<int>(mSlots.size()) < kCelImageCacheSlots) {
    slot = &mSlots.emplace_back();
  } else {
    slot = &mSlots[static_cast<std::size_t>(platform::Rand() % kCelImageCacheSlots)];
  }
  slot->array = array;
  slot->dimension = dimension;
  const std::size_t cells =
      static_cast<std::size_t>(dimension) * static_cast<std::size_t>(dimension);
  slot->levels.assign(cells, 0);
  if (plane.size() < cells) return *slot;
  FillCelLevelTable(mTable, low, high);
  std::uint8_t* levels = slot->levels.data();
  const auto d = static_cast<std::size_t>(dimension);
  if (together != nullptr && together->Built() && together->dimension == dimension) {
    for (std::size_t i = 0; i < cells; ++i) {
      const MapPosition at = together->cell[i];
      if (at.x < 0 || at.y < 0) continue;
      levels[static_cast<std::size_t>(at.y) * d + static_cast<std::size_t>(at.x)] =
          mTable[plane[i]];
    }
    return *slot;
  }
  for (int x0 = 0; x0 < dimension; x0 += kTile)
    for (int y0 = 0; y0 < dimension; y0 += kTile) {
      const int x1 = std::min(dimension, x0 + kTile);
      const int y1 = std::min(dimension, y0 + kTile);
      for (int x = x0; x < x1; ++x) {
        const std::uint16_t* column = plane.data() + static_cast<std::size_t>(x) * d;
        for (int y = y0; y < y1; ++y)
          levels[static_cast<std::size_t>(y) * d + static_cast<std::size_t>(x)] = mTable[column[y]];
      }
    }
  return *slot;
}
