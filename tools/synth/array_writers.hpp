// Writing a synthetic array as the files a scanner leaves: cell intensity files in the
// sectioned text form, the older text form and the binary form, and scanner images
// whose pixels make up each cell's intensity, with the truth each was made from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/synth/array_model.hpp"

namespace synth {

enum class CelForm { kText, kOldText, kBinary };

// The version number binary cell files are written with; the readers keep it as stored.
inline constexpr int kBinaryCelVersionWritten = 1;

// The cells in file coordinates (turned back on rotated chips), masked cells in the mask
// list, outliers in the outlier list; the header carries the scanner header text.
[[nodiscard]] bool WriteCel(const ArrayTruth& array, CelForm form, const std::string& path);

// "<name>.CEL" and "<name>.DAT": the extensions group opening looks for.
std::string CelFileName(const ArrayTruth& array);
std::string DatFileName(const ArrayTruth& array);

struct DatOptions {
  int pixelsPerCell = 8;  // side of a cell's square of pixels, 3 to 64
  int margin = 10;        // pixels around the cell grid
  std::uint64_t seed = 1;
};

// A scanner image of an axis-aligned grid: each cell a square of pixels whose border is
// dark and whose centre (at most 6 x 6, the border left out) scatters around the cell's
// mean by its deviation; saturated cells are white. values and errors are what the
// centre gives: its upper-quartile pixel (the value at index floor(0.75 n) in ascending
// order) and the standard error of its pixels, both in layout coordinates (index x *
// dimension + y; images are not turned on rotated chips).
struct DatImage {
  int width = 0;
  int pixelsPerCell = 0;
  // Upper-left, upper-right, lower-right, lower-left; x then y.
  std::array<std::array<std::uint16_t, 2>, 4> corners{};
  std::vector<std::uint16_t> pixels;  // row after row, pixel (px, py) at py * width + px
  std::vector<std::uint16_t> values;
  std::vector<std::uint16_t> errors;

  std::uint16_t Pixel(int px, int py) const {
    return pixels[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(px)];
  }
};

// Empty, with the reason in error, when the cells or the image would not fit.
std::optional<DatImage> MakeDatImage(const ArrayTruth& array, const DatOptions& options,
                                     std::string* error = nullptr);

// The 512-byte header (the scanner header text at offset 33, the width at 37, the corners
// at 340), then the pixels.
[[nodiscard]] bool WriteDat(const ArrayTruth& array, const DatImage& image,
                            const std::string& path);

// One line per cell in layout coordinates: x, y, model, mean, deviation, pixels, flag,
// masked; tab-separated, after a line with the chip type, name and scan time.
[[nodiscard]] bool WriteArrayTruth(const ArrayTruth& array, const std::string& path);

}  // namespace synth
