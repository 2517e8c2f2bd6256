// The array image view's images of arrays: per array one brightness level (0 black to
// 255 yellow) per cell, row by row, built once from the array's intensity plane and kept
// for up to kCelImageCacheSlots arrays. A byte per cell keeps 40 images of the largest
// arrays in a quarter of the memory of bitmaps; the view turns only what is visible into
// colours.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct ProbeTogetherMaps;

inline constexpr int kCelImageCacheSlots = 40;
inline constexpr int kCelLevels = 256;

// The brightness level (BrightnessLevel) of every 16-bit intensity on a display range.
using CelLevelTable = std::array<std::uint8_t, 65536>;
void FillCelLevelTable(CelLevelTable& table, int low, int high);

struct CelImage {
  int array = -1;
  int dimension = 0;
  // dimension x dimension levels, the display position (column a, row r) at
  // r * dimension + a; positions no cell is shown at stay 0.
  std::vector<std::uint8_t> levels;

  const std::uint8_t* Row(int r) const {
    return levels.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(dimension);
  }
};

class CelImageCache {
 public:
  CelImageCache();

  // The array's image, nullptr when it is not cached.
  const CelImage* Find(int array) const;
  // Builds the array's image from its plane (cell x, y at x * dimension + y) with the
  // display range [low, high], each cell at its own position or, with the maps, at the
  // position they show it. It takes a new slot, or when all are in use one picked with
  // the run-time rand().
  const CelImage& Build(int array, std::span<const std::uint16_t> plane, int dimension, int low,
                        int high, const ProbeTogetherMaps* together);
  void Clear() { mSlots.clear(); }
  int Count() const { return static_cast<int>(mSlots.size()); }

 private:
  std::vector<CelImage> mSlots;
  CelLevelTable mTable{};
};
